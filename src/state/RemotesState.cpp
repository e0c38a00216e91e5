#include "state/RemotesState.h"

#include "state/RepositoryState.h"

#include <QPointer>

namespace tolvane {

RemotesState::RemotesState(RepositoryState& repository)
    : QObject(&repository), m_repository(&repository) {}

QCoro::Task<> RemotesState::load() {
    QPointer<RemotesState> self(this);
    const GitService git = m_repository->activeGit();
    const QStringList args{QStringLiteral("config"), QStringLiteral("-z"),
                           QStringLiteral("--get-regexp"),
                           QStringLiteral("^remote\\..*\\.(url|pushurl)$")};
    try {
        QList<GitRemote> remotes = co_await git.runParsedBytes(args, &parseRemoteConfig);
        if (!self)
            co_return;
        setRemotes(remotes);
    } catch (const GitError& error) {
        if (!self)
            co_return;
        // git config exits with 1 when no key matches: no remote at all.
        if (error.kind() == GitError::Kind::Command && error.code() == 1)
            setRemotes({});
        else
            m_repository->log(QStringLiteral("Cannot list remotes: ") + error.message(),
                              LogLevel::Error);
    }
}

QCoro::Task<> RemotesState::askShowRemotes() {
    QPointer<RemotesState> self(this);
    co_await load();
    if (self)
        setShowRemotesSheet(true);
}

QCoro::Task<> RemotesState::askAddRemote() {
    QPointer<RemotesState> self(this);
    co_await load();
    if (!self)
        co_return;
    setShowAddRemote(true);
    setShowRemotesSheet(true);
}

QCoro::Task<std::optional<QString>> RemotesState::nameProblem(QString name, QString except) {
    if (name.trimmed().isEmpty())
        co_return QStringLiteral("Enter a name for the remote.");
    if (name.startsWith(QLatin1Char('-')))
        co_return QStringLiteral("A remote's name cannot begin with \"-\".");
    // git's own test for a remote's name: it must make a valid ref below refs/remotes.
    const QStringList args{QStringLiteral("check-ref-format"),
                           QStringLiteral("refs/remotes/") + name + QStringLiteral("/test")};
    const std::optional<QString> refused = co_await failureOf(m_repository->activeGit().run(args));
    if (refused)
        co_return QStringLiteral("\"") + name + QStringLiteral("\" is not a valid remote name.");
    if (name != except) {
        for (const GitRemote& remote : m_remotes) {
            if (remote.name == name)
                co_return QStringLiteral("There is already a remote named \"") + name +
                    QStringLiteral("\".");
        }
    }
    co_return std::nullopt;
}

std::optional<QString> RemotesState::addressProblem(const QString& url) {
    if (url.trimmed().isEmpty())
        return QStringLiteral("Enter the remote's address.");
    // git and ssh would take such an address for an option of theirs.
    if (url.trimmed().startsWith(QLatin1Char('-')))
        return QStringLiteral("An address cannot begin with \"-\".");
    if (url.contains(QLatin1Char('\n')))
        return QStringLiteral("An address is one line.");
    return std::nullopt;
}

QCoro::Task<bool> RemotesState::runRemoteStep(QStringList args, QString failure, QString success) {
    QPointer<RemotesState> self(this);
    const StepOutcome outcome = co_await outcomeOf(m_repository->activeGit().run(args));
    if (!self)
        co_return false;
    co_await load();
    if (!self)
        co_return false;
    const RepositoryState::StepReport report{
        .failure = failure, .success = success, .refreshAfterFailure = true};
    co_return co_await m_repository->finishStep(finishedStep(outcome), report);
}

QCoro::Task<bool> RemotesState::addRemote(QString name, QString url) {
    QPointer<RemotesState> self(this);
    const QString address = url.trimmed();
    std::optional<QString> problem = addressProblem(address);
    if (!problem)
        problem = co_await nameProblem(name);
    if (!self)
        co_return false;
    if (problem) {
        m_repository->log(QStringLiteral("Cannot add remote: ") + *problem, LogLevel::Error);
        co_return false;
    }
    const QStringList args{QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("--"),
                           name, address};
    co_return co_await runRemoteStep(args, QStringLiteral("Cannot add remote: "),
                                     QStringLiteral("Added remote ") + name);
}

QCoro::Task<bool> RemotesState::renameRemote(QString name, QString newName) {
    QPointer<RemotesState> self(this);
    if (newName == name)
        co_return true;
    const std::optional<QString> problem = co_await nameProblem(newName, name);
    if (!self)
        co_return false;
    if (problem) {
        m_repository->log(QStringLiteral("Cannot rename remote: ") + *problem, LogLevel::Error);
        co_return false;
    }
    // git moves the remote-tracking branches and every branch's upstream setting along.
    const QStringList args{QStringLiteral("remote"), QStringLiteral("rename"), QStringLiteral("--"),
                           name, newName};
    co_return co_await runRemoteStep(args, QStringLiteral("Cannot rename remote: "),
                                     QStringLiteral("Renamed remote ") + name +
                                         QStringLiteral(" to ") + newName);
}

QCoro::Task<bool> RemotesState::setRemoteAddress(QString name, QString url, bool push) {
    const QString address = url.trimmed();
    if (const std::optional<QString> problem = addressProblem(address)) {
        m_repository->log(QStringLiteral("Cannot change the address: ") + *problem,
                          LogLevel::Error);
        co_return false;
    }
    QStringList args{QStringLiteral("remote"), QStringLiteral("set-url")};
    if (push)
        args.append(QStringLiteral("--push"));
    args += QStringList{QStringLiteral("--"), name, address};
    const QString success =
        (push ? QStringLiteral("Push address of ") : QStringLiteral("Address of ")) + name +
        QStringLiteral(" is now ") + address;
    co_return co_await runRemoteStep(args, QStringLiteral("Cannot change the address: "), success);
}

QCoro::Task<> RemotesState::editRemoteAddresses(QString name, QString fetchUrl, QString pushUrl) {
    QPointer<RemotesState> self(this);
    std::optional<GitRemote> current;
    for (const GitRemote& remote : m_remotes) {
        if (remote.name == name)
            current = remote;
    }
    if (!current)
        co_return;
    // One after the other: both write the same config file.
    if (fetchUrl.trimmed() != current->fetchUrl) {
        const bool changed = co_await setRemoteAddress(name, fetchUrl, false);
        if (!changed)
            co_return;
    }
    if (!self || pushUrl.trimmed() == current->pushUrl)
        co_return;
    co_await setRemoteAddress(name, pushUrl, true);
}

QCoro::Task<> RemotesState::askRemoveRemote(QString name) {
    QPointer<RemotesState> self(this);
    const QStringList args{QStringLiteral("for-each-ref"), QStringLiteral("--format=%(refname)"),
                           QStringLiteral("refs/remotes/") + name + QLatin1Char('/')};
    const StepOutcome outcome = co_await outcomeOf(m_repository->activeGit().run(args));
    if (!self)
        co_return;
    int count = 0;
    for (const QString& ref : outcome.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        count += !ref.endsWith(QStringLiteral("/HEAD"));
    setRemoteToRemove(name);
    setRemoteToRemoveBranchCount(count);
    setShowRemoveConfirmation(true);
}

QString RemotesState::removeConfirmationText() const {
    const int count = m_remoteToRemoveBranchCount;
    QString branches;
    if (count == 0)
        branches = QStringLiteral("It has no remote branches here.");
    else if (count == 1)
        branches = QStringLiteral("Its 1 remote branch goes with it.");
    else
        branches = QStringLiteral("Its %1 remote branches go with it.").arg(count);
    return QStringLiteral("The remote \"") + m_remoteToRemove +
           QStringLiteral("\" is removed from this repository; nothing changes on the server. ") +
           branches;
}

QCoro::Task<> RemotesState::confirmRemoveRemote() {
    const QString name = m_remoteToRemove;
    setShowRemoveConfirmation(false);
    setRemoteToRemove(QString());
    if (name.isEmpty())
        co_return;
    const QStringList args{QStringLiteral("remote"), QStringLiteral("remove"), QStringLiteral("--"),
                           name};
    co_await runRemoteStep(args, QStringLiteral("Cannot remove remote: "),
                           QStringLiteral("Removed remote ") + name);
}

QCoro::Task<> RemotesState::finishNetworkStep(QStringList args, QString failure, QString success,
                                              QString cancelled) {
    QPointer<RemotesState> self(this);
    const GitService git = m_repository->activeGit();
    const RepositoryState::StepReport report{
        .failure = failure, .success = success, .announced = true, .cancelled = cancelled};
    co_await m_repository->finishStep(outcomeOf(m_repository->runNetworkCommand(git, args)),
                                      report);
    if (self)
        co_await load();
}

QCoro::Task<> RemotesState::fetchRemote(QString name) {
    const QStringList args{QStringLiteral("fetch"), QStringLiteral("--"), name};
    co_await finishNetworkStep(args, QStringLiteral("Fetch failed: "),
                               QStringLiteral("Fetched ") + name,
                               QStringLiteral("Fetch cancelled"));
}

QCoro::Task<> RemotesState::fetchAll() {
    QPointer<RemotesState> self(this);
    co_await load();
    if (!self)
        co_return;
    QStringList names;
    for (const GitRemote& remote : m_remotes)
        names.append(remote.name);
    if (names.isEmpty()) {
        m_repository->log(QStringLiteral("Fetch failed: this repository has no remote"),
                          LogLevel::Error);
        co_return;
    }
    const QStringList args{QStringLiteral("fetch"), QStringLiteral("--all"),
                           QStringLiteral("--prune")};
    co_await finishNetworkStep(args, QStringLiteral("Fetch failed: "),
                               QStringLiteral("Fetched and pruned ") + joinedNames(names),
                               QStringLiteral("Fetch cancelled"));
}

QCoro::Task<> RemotesState::pruneRemote(QString name) {
    const QStringList args{QStringLiteral("remote"), QStringLiteral("prune"), QStringLiteral("--"),
                           name};
    co_await finishNetworkStep(args, QStringLiteral("Prune failed: "),
                               QStringLiteral("Pruned ") + name, QStringLiteral("Prune cancelled"));
}

} // namespace tolvane
