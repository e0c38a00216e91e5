#pragma once

#include "app/AppState.h"
#include "ui/github/RepoDialogController.h"
#include "ui/github/TokenDialogController.h"

#include <optional>

class QDialog;
class QWidget;

namespace tolvane {

class GitHubTokenDialog;
class NewRepositoryDialog;

// The two GitHub dialogs. Each opens window-modal over `parent`, returns at once, and deletes
// itself once closed.
namespace gitHubDialogs {

GitHubTokenDialog* showGitHubTokenDialog(QWidget* parent,
                                         const std::optional<QString>& currentUsername,
                                         bool hasToken, GitHubService& gitHub,
                                         TokenDialogController::Completion completion);

// Without a username nothing is shown: the completion receives "GitHub token not configured".
// An empty `chooseFolder` asks with the desktop's folder chooser.
NewRepositoryDialog* showNewGitHubRepoDialog(QWidget* parent,
                                             const std::optional<QString>& username,
                                             GitHubService& gitHub,
                                             RepoDialogController::RepoCreated onRepoCreated,
                                             RepoDialogController::Completion completion,
                                             FolderChooser chooseFolder = {});

// The GitHub menu's commands on the application state. Without a stored token, the new-repository
// command opens the token dialog instead.
GitHubTokenDialog* configureGitHubToken(AppState& appState, QWidget* parent);
QDialog* newGitHubRepository(AppState& appState, QWidget* parent, FolderChooser chooseFolder = {});

} // namespace gitHubDialogs
} // namespace tolvane
