#pragma once

#include "engine/remoteParser.h"
#include "state/ObservableField.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <optional>

namespace tolvane {

class RepositoryState;

// The remotes of one repository and what the Remotes sheet does with them: add, rename, change
// an address, remove, fetch and prune. Names are checked with git's own rule and every name and
// address is passed after "--", so that none can be read as an option. Owned by the repository
// state; its operations log through it and refresh it.
class RemotesState : public QObject {
    Q_OBJECT
    TOLVANE_FIELD(QList<GitRemote>, remotes, setRemotes)
    TOLVANE_FIELD(bool, showRemotesSheet, setShowRemotesSheet)
    // The sheet opens its Add dialog at once (a push found no remote); it clears this then.
    TOLVANE_FIELD(bool, showAddRemote, setShowAddRemote)
    // The remove confirmation, its remote, and how many remote-tracking branches go with it.
    TOLVANE_FIELD(bool, showRemoveConfirmation, setShowRemoveConfirmation)
    TOLVANE_FIELD(QString, remoteToRemove, setRemoteToRemove)
    TOLVANE_FIELD(int, remoteToRemoveBranchCount, setRemoteToRemoveBranchCount)

public:
    explicit RemotesState(RepositoryState& repository);

    // Reads the remotes again; a failure is logged and keeps the list shown.
    QCoro::Task<> load();
    // Opens the sheet with the remotes as they are now.
    QCoro::Task<> askShowRemotes();
    // Opens the sheet and its Add dialog.
    QCoro::Task<> askAddRemote();

    // Why `name` cannot name a new remote (git's rule, a leading "-", taken already); none when
    // it can. `except` is a name that may be reused (the one being renamed).
    QCoro::Task<std::optional<QString>> nameProblem(QString name, QString except = QString());
    // Why `url` cannot be a remote's address; none when it can.
    static std::optional<QString> addressProblem(const QString& url);

    // Each is true once git did it; a refusal is logged with git's reason and shown.
    QCoro::Task<bool> addRemote(QString name, QString url);
    QCoro::Task<bool> renameRemote(QString name, QString newName);
    // Changes the fetch address, or the push address alone when `push`.
    QCoro::Task<bool> setRemoteAddress(QString name, QString url, bool push);
    // The Edit Address dialog: changes whichever of the two differ from what is configured.
    QCoro::Task<> editRemoteAddresses(QString name, QString fetchUrl, QString pushUrl);
    QCoro::Task<> askRemoveRemote(QString name);
    QCoro::Task<> confirmRemoveRemote();

    // Network commands: fetch one remote, fetch every remote and prune, prune one remote.
    QCoro::Task<> fetchRemote(QString name);
    QCoro::Task<> fetchAll();
    QCoro::Task<> pruneRemote(QString name);

    // "Remove the remote "upstream"? Its 3 remote branches go with it." for the confirmation.
    QString removeConfirmationText() const;

Q_SIGNALS:
    void remotesChanged();
    void showRemotesSheetChanged();
    void showAddRemoteChanged();
    void showRemoveConfirmationChanged();
    void remoteToRemoveChanged();
    void remoteToRemoveBranchCountChanged();

private:
    // Runs a local `git remote ...` step and reports it; reloads the list and refreshes the
    // repository after it either way.
    QCoro::Task<bool> runRemoteStep(QStringList args, QString failure, QString success);
    QCoro::Task<> finishNetworkStep(QStringList args, QString failure, QString success,
                                    QString cancelled);

    RepositoryState* m_repository;
};

} // namespace tolvane
