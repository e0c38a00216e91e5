#include "ui/github/gitHubDialogs.h"

#include "ui/github/GitHubTokenDialog.h"
#include "ui/github/NewRepositoryDialog.h"

#include <QFileDialog>
#include <QPointer>

namespace tolvane::gitHubDialogs {

GitHubTokenDialog* showGitHubTokenDialog(QWidget* parent,
                                         const std::optional<QString>& currentUsername,
                                         bool hasToken, GitHubService& gitHub,
                                         TokenDialogController::Completion completion) {
    auto* dialog =
        new GitHubTokenDialog(currentUsername, hasToken, gitHub, std::move(completion), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

NewRepositoryDialog*
showNewGitHubRepoDialog(QWidget* parent, const std::optional<QString>& username,
                        GitHubService& gitHub, RepoDialogController::RepoCreated onRepoCreated,
                        RepoDialogController::Completion completion, FolderChooser chooseFolder) {
    if (!username) {
        if (completion)
            completion(QStringLiteral("GitHub token not configured"));
        return nullptr;
    }
    auto* dialog = new NewRepositoryDialog(*username, gitHub, std::move(onRepoCreated),
                                           std::move(completion), parent);
    if (!chooseFolder) {
        chooseFolder = [dialog](const QString& title) -> std::optional<QString> {
            const QString folder = QFileDialog::getExistingDirectory(
                dialog, title, dialog->input().basePath, QFileDialog::ShowDirsOnly);
            if (folder.isEmpty())
                return std::nullopt;
            return folder;
        };
    }
    dialog->setFolderChooser(std::move(chooseFolder));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

GitHubTokenDialog* configureGitHubToken(AppState& appState, QWidget* parent) {
    QPointer<AppState> app(&appState);
    return showGitHubTokenDialog(
        parent, appState.gitHubUsername(), appState.hasGitHubToken(), appState.gitHub(),
        [app](const std::optional<QString>& login, const std::optional<QString>&) {
            if (app)
                app->saveGitHubCredentials(login);
        });
}

QDialog* newGitHubRepository(AppState& appState, QWidget* parent, FolderChooser chooseFolder) {
    if (!appState.hasGitHubToken())
        return configureGitHubToken(appState, parent);
    QPointer<AppState> app(&appState);
    return showNewGitHubRepoDialog(
        parent, appState.gitHubUsername(), appState.gitHub(),
        [app](const QString& localPath) {
            if (app)
                app->openRepository(localPath);
        },
        [app](const std::optional<QString>& error) {
            if (app && error)
                app->setErrorMessage(*error);
        },
        std::move(chooseFolder));
}

} // namespace tolvane::gitHubDialogs
