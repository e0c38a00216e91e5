#pragma once

#include "state/ObservableField.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace tolvane {

class GitHubService;

// What the new-repository dialog's fields hold when "Create" is pressed.
struct NewRepositoryInput {
    QString name; // as typed, not trimmed
    QString description;
    bool isPrivate = false;
    bool autoInit = true;
    bool cloneLocally = true;
    QString basePath; // the folder the local copy goes into
};

// What the new-repository dialog does, apart from its widgets: creates the repository on GitHub,
// then either clones it (with a README) or makes a local repository whose "origin" is the new
// one (without). Once the dialog is dismissed nothing more is done.
class RepoDialogController : public QObject {
    Q_OBJECT

    // While true, "Create" is disabled and presses do nothing.
    TOLVANE_FIELD(bool, isProcessing, setIsProcessing)
    // The red message; none while hidden.
    TOLVANE_FIELD(std::optional<QString>, errorText, setErrorText)

public:
    using RepoCreated = std::function<void(const QString& localPath)>;
    using Completion = std::function<void(const std::optional<QString>& error)>;

    RepoDialogController(GitHubService& gitHub, RepoCreated onRepoCreated, Completion completion,
                         QObject* parent = nullptr);

    // The local-path field's first value: the user's documents folder, or empty.
    static QString defaultBasePath();

    QCoro::Task<> create(NewRepositoryInput input);
    void cancel();

Q_SIGNALS:
    // The dialog should close: 0 when cancelled, 1 when the repository was made.
    void finished(int result);
    void isProcessingChanged();
    void errorTextChanged();

private:
    // Why the local copy could not go where asked, checked before anything is sent.
    static std::optional<QString> localProblem(const NewRepositoryInput& input);
    void succeed();
    void fail(const QString& message);

    GitHubService& m_gitHub;
    RepoCreated m_onRepoCreated;
    Completion m_completion;
    bool m_finished = false;
};

} // namespace tolvane
