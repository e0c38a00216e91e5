#include "state/HealthState.h"

#include "engine/gitText.h"
#include "log/LogStore.h"

#include <QPointer>

namespace tolvane {

HealthState::HealthState(GitService git, QObject* parent, QString logName)
    : QObject(parent), m_git(std::move(git)), m_logName(std::move(logName)) {}

void HealthState::log(const QString& message, LogLevel level) const {
    LogStore::shared().add(message, level, m_logName);
    if (level == LogLevel::Error || level == LogLevel::Success)
        Q_EMIT outcomeAnnounced(message, level);
}

QCoro::Task<> HealthState::reload() {
    QPointer<HealthState> self(this);
    setIsLoading(true);
    const HealthFacts facts = co_await readHealthFacts(m_git);
    if (!self)
        co_return;
    setFacts(facts);
    setItems(healthItems(facts));
    setWorthAttention(healthWorthAttention(facts));
    setIsLoading(false);
}

void HealthState::askToRun(const QString& itemId) {
    for (const HealthItem& item : std::as_const(m_items)) {
        if (item.id != itemId || item.command.isEmpty() || !item.available)
            continue;
        // Sparse checkout's button turns it off; every other one turns its item on.
        if (item.on && item.id != u"sparse-checkout")
            return;
        setCommandToConfirm(item.command);
        setShowCommandConfirmation(true);
        return;
    }
}

void HealthState::askToChooseSparseFolders(const QStringList& folders) {
    QStringList command{QStringLiteral("sparse-checkout"), QStringLiteral("set"),
                        QStringLiteral("--cone")};
    for (const QString& folder : folders) {
        // A name git would read as an option cannot be given to sparse-checkout.
        if (!folder.isEmpty() && !folder.startsWith(u'-'))
            command.append(folder);
    }
    setCommandToConfirm(command);
    setShowCommandConfirmation(true);
}

void HealthState::dismissCommand() {
    setShowCommandConfirmation(false);
    setCommandToConfirm({});
}

QCoro::Task<bool> HealthState::confirmCommand() {
    QPointer<HealthState> self(this);
    const QStringList command = m_commandToConfirm;
    setShowCommandConfirmation(false);
    setCommandToConfirm({});
    if (command.isEmpty() || m_isRunningCommand)
        co_return false;
    setIsRunningCommand(true);
    const QString shown = QStringLiteral("git ") + command.join(u' ');
    std::optional<GitError> failure;
    try {
        co_await m_git.run(command);
    } catch (const GitError& error) {
        failure = error;
    }
    if (!self)
        co_return false;
    setIsRunningCommand(false);
    if (failure)
        log(shown + QStringLiteral(" failed: ") + failure->message(), LogLevel::Error);
    else
        log(QStringLiteral("Ran ") + shown, LogLevel::Success);
    co_await reload();
    co_return !failure && self;
}

QCoro::Task<bool> HealthState::optimiseNow() {
    if (m_isOptimising)
        co_return false;
    QPointer<HealthState> self(this);
    m_optimiseCancellation = GitCancellation();
    const GitCancellation cancellation = m_optimiseCancellation;
    const GitService git = m_git.withCancellation(cancellation);
    setOptimiseTasksDone(0);
    setIsOptimising(true);
    const QStringList tasks = optimiseTasks();
    std::optional<GitError> failure;
    for (const QString& task : tasks) {
        setOptimiseTask(task);
        const QStringList args{QStringLiteral("maintenance"), QStringLiteral("run"),
                               QStringLiteral("--task=") + task};
        try {
            co_await git.run(args);
        } catch (const GitError& error) {
            failure = error;
        }
        if (!self)
            co_return false;
        if (failure || cancellation.isCancelled())
            break;
        setOptimiseTasksDone(m_optimiseTasksDone + 1);
    }
    setIsOptimising(false);
    setOptimiseTask(QString());
    const bool cancelled =
        cancellation.isCancelled() || (failure && failure->kind() == GitError::Kind::Cancelled);
    if (cancelled)
        log(QStringLiteral("Optimising cancelled"), LogLevel::Info);
    else if (failure)
        log(QStringLiteral("Optimising failed: ") + failure->message(), LogLevel::Error);
    else
        log(QStringLiteral("Optimised the repository"), LogLevel::Success);
    co_await reload();
    co_return !failure && !cancelled && self;
}

void HealthState::cancelOptimise() {
    if (m_isOptimising)
        m_optimiseCancellation.cancel();
}

QCoro::Task<> HealthState::loadTopLevelFolders() {
    QPointer<HealthState> self(this);
    const QStringList args{QStringLiteral("ls-tree"), QStringLiteral("-d"),
                           QStringLiteral("--name-only"), QStringLiteral("-z"),
                           QStringLiteral("HEAD")};
    QStringList folders;
    try {
        folders = co_await m_git.runParsedBytes(args, [](const QByteArray& bytes) {
            QStringList names;
            for (const QByteArray& name : bytes.split('\0'))
                if (!name.isEmpty())
                    names.append(decodeGitBytes(name));
            return names;
        });
    } catch (const GitError& error) {
        if (self)
            log(QStringLiteral("Could not list the folders: ") + error.message(), LogLevel::Error);
    }
    if (self)
        setTopLevelFolders(folders);
}

} // namespace tolvane
