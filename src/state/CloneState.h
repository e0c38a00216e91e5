#pragma once

#include "engine/GitCancellation.h"
#include "engine/transferProgress.h"
#include "state/ObservableField.h"
#include "state/cloneRequest.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QTimer;

namespace tolvane {

class CredentialPrompts;

// Cloning a repository into a new folder, one clone at a time. A clone belongs to no tab yet,
// so its questions (passwords, passphrases, host keys) have their own prompt object. Owned by
// AppState; interface thread only.
class CloneState : public QObject {
    Q_OBJECT

    TOLVANE_FIELD(bool, running, setRunning)
    // The last progress line git printed; none before the first.
    TOLVANE_FIELD(std::optional<TransferProgress>, progress, setProgress)
    // Why the last clone failed, as one line for the dialog; none after success or a cancel.
    TOLVANE_FIELD(std::optional<QString>, errorMessage, setErrorMessage)
    // The top-level folders of a sparse clone for the user to pick from; set while asked.
    TOLVANE_FIELD(std::optional<QStringList>, sparseFolderChoice, setSparseFolderChoice)

public:
    explicit CloneState(QObject* parent = nullptr);
    ~CloneState() override;

    CredentialPrompts& prompts() const { return *m_prompts; }

    // Clones as asked and returns the new repository's folder; none when it failed (see
    // errorMessage) or was cancelled. The parent folder is remembered for the next clone.
    QCoro::Task<std::optional<QString>> clone(CloneRequest request);
    // Ends git with everything it started; the folder the clone made is removed.
    void cancel();
    // The answer to sparseFolderChoice: the folders to check out, or none to cancel the clone.
    void chooseSparseFolders(const std::optional<QStringList>& folders);
    // Forgets the last failure (the user changed what to clone).
    void clearError() { setErrorMessage(std::nullopt); }

Q_SIGNALS:
    void runningChanged();
    void progressChanged();
    void errorMessageChanged();
    void sparseFolderChoiceChanged();
    void sparseFoldersAnswered(std::optional<QStringList> folders);
    // A clone finished; the repository at `path` is ready to open.
    void cloned(const QString& path);

private:
    struct ProgressMailbox;

    // Why the request cannot start, or none.
    std::optional<QString> problemBeforeStart(const CloneRequest& request) const;
    QCoro::Task<> runStep(QStringList arguments, QString folder, QString session);
    QCoro::Task<QStringList> topLevelFolders(QString folder);
    void takeProgress();
    void fail(const QString& message);

    CredentialPrompts* m_prompts;
    GitCancellation m_cancellation;
    std::shared_ptr<ProgressMailbox> m_mailbox;
    QTimer* m_progressTimer;
};

} // namespace tolvane
