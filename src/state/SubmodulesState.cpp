#include "state/SubmodulesState.h"

#include "platform/FileManagerHelper.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

namespace tolvane {

SubmodulesState::SubmodulesState(RepositoryState& repository)
    : QObject(&repository), m_repository(&repository) {}

bool SubmodulesState::isSubmodule(const QString& path) const {
    for (const GitSubmodule& submodule : m_submodules) {
        if (submodule.path == path)
            return true;
    }
    return false;
}

QString SubmodulesState::absolutePath(const QString& path) const {
    return QDir(m_repository->repoPath()).filePath(path);
}

QCoro::Task<> SubmodulesState::load(GitService git) {
    QPointer<SubmodulesState> self(this);
    // Without .gitmodules git knows no submodule to report; most repositories skip the run.
    if (!QFileInfo::exists(
            QDir(m_repository->repoPath()).filePath(QStringLiteral(".gitmodules")))) {
        setSubmodules({});
        m_lastRecorded.clear();
        m_lastError.clear();
        m_loaded = true;
        co_return;
    }
    const QStringList statusArgs{QStringLiteral("submodule"), QStringLiteral("status")};
    const StepOutcome checkedOut = co_await outcomeOf(git.run(statusArgs));
    if (!self)
        co_return;
    if (checkedOut.failure) {
        // Said once, not on every refresh; a folder that is gone is said so elsewhere.
        if (*checkedOut.failure != m_lastError && !m_repository->repositoryMissing())
            m_repository->log(QStringLiteral("Cannot read the submodules: ") + *checkedOut.failure,
                              LogLevel::Error);
        m_lastError = *checkedOut.failure;
        co_return;
    }
    m_lastError.clear();
    const QList<SubmoduleStatusLine> lines = parseSubmoduleStatus(checkedOut.output);
    if (lines.isEmpty()) {
        setSubmodules({});
        m_lastRecorded.clear();
        m_loaded = true;
        co_return;
    }

    const QStringList cachedArgs{QStringLiteral("submodule"), QStringLiteral("status"),
                                 QStringLiteral("--cached")};
    const StepOutcome cached = co_await outcomeOf(git.run(cachedArgs));
    if (!self)
        co_return;
    QHash<QString, QString> recorded;
    for (const SubmoduleStatusLine& line : parseSubmoduleStatus(cached.output))
        recorded.insert(line.path, line.commit);

    QStringList changeArgs{QStringLiteral("status"),
                           QStringLiteral("--porcelain=v2"),
                           QStringLiteral("-z"),
                           QStringLiteral("--ignore-submodules=none"),
                           QStringLiteral("--untracked-files=no"),
                           QStringLiteral("--")};
    // The runner makes every pathspec literal.
    for (const SubmoduleStatusLine& line : lines)
        changeArgs.append(line.path);
    QHash<QString, SubmoduleChange> changes;
    try {
        changes = co_await git.runParsedBytes(changeArgs, &parseSubmoduleChanges);
    } catch (const GitError& error) {
        if (!self)
            co_return;
        m_repository->log(QStringLiteral("Cannot read the submodules' changes: ") + error.message(),
                          LogLevel::Error);
    }
    if (!self)
        co_return;

    QList<GitSubmodule> submodules;
    for (const SubmoduleStatusLine& line : lines) {
        const QString recordedCommit = recorded.value(line.path, line.commit);
        // Left where the superproject recorded it before an operation moved the pointer.
        const auto before = m_lastRecorded.constFind(line.path);
        const bool leftBehind = m_loaded && line.mark == QLatin1Char('+') &&
                                before != m_lastRecorded.cend() && *before != recordedCommit &&
                                *before == line.commit;
        if (leftBehind)
            m_leftBehind.insert(line.path, line.commit);
        bool behind = line.mark == QLatin1Char('+') && m_leftBehind.value(line.path) == line.commit;
        if (line.mark == QLatin1Char('+') && !behind) {
            // Behind: the recorded commit descends from the checked-out one, or is not even
            // there yet (fetched by an update).
            const GitService inside(absolutePath(line.path));
            const QStringList ancestorArgs{QStringLiteral("merge-base"),
                                           QStringLiteral("--is-ancestor"), line.commit,
                                           recordedCommit};
            const std::optional<QString> notAncestor = co_await failureOf(inside.run(ancestorArgs));
            if (!self)
                co_return;
            const QStringList hasArgs{QStringLiteral("cat-file"), QStringLiteral("-e"),
                                      recordedCommit + QStringLiteral("^{commit}")};
            std::optional<QString> missing;
            if (notAncestor)
                missing = co_await failureOf(inside.run(hasArgs));
            if (!self)
                co_return;
            behind = !notAncestor || missing.has_value();
        }
        submodules.append(makeSubmodule(line, recordedCommit, changes.value(line.path), behind));
    }
    QStringList moved;
    for (const GitSubmodule& submodule : submodules) {
        const auto before = m_lastRecorded.constFind(submodule.path);
        if (m_loaded && before != m_lastRecorded.cend() && *before != submodule.recordedCommit &&
            *before == submodule.checkedOutCommit)
            moved.append(submodule.path);
        if (submodule.checkedOutCommit == submodule.recordedCommit)
            m_leftBehind.remove(submodule.path);
    }
    m_lastRecorded.clear();
    for (const GitSubmodule& submodule : submodules)
        m_lastRecorded.insert(submodule.path, submodule.recordedCommit);
    m_loaded = true;
    setSubmodules(submodules);
    if (moved.isEmpty())
        co_return;
    const QString setting = AppSettings::updateSubmodules();
    if (setting == u"always") {
        // Not awaited: the update refreshes again once it is done.
        updatePaths(moved);
    } else if (setting == u"ask") {
        setMovedSubmodules(moved);
        setShowUpdatePrompt(true);
    }
}

QCoro::Task<> SubmodulesState::updatePaths(QStringList paths) {
    QStringList args{QStringLiteral("submodule"), QStringLiteral("update"),
                     QStringLiteral("--init"), QStringLiteral("--recursive"), QStringLiteral("--")};
    args += paths;
    const QString what = paths.isEmpty() ? QStringLiteral("all submodules") : joinedNames(paths);
    const GitService git = m_repository->activeGit();
    const RepositoryState::StepReport report{.failure = QStringLiteral("Submodule update failed: "),
                                             .success = QStringLiteral("Updated ") + what,
                                             .refreshAfterFailure = true,
                                             .announced = true,
                                             .cancelled =
                                                 QStringLiteral("Submodule update cancelled")};
    co_await m_repository->finishStep(outcomeOf(m_repository->runNetworkCommand(git, args)),
                                      report);
}

QCoro::Task<> SubmodulesState::update(QString path) {
    const QStringList paths{path};
    co_await updatePaths(paths);
}

QCoro::Task<> SubmodulesState::updateAll() {
    co_await updatePaths(QStringList());
}

QCoro::Task<> SubmodulesState::confirmUpdateMoved() {
    const QStringList paths = m_movedSubmodules;
    setShowUpdatePrompt(false);
    setMovedSubmodules({});
    if (!paths.isEmpty())
        co_await updatePaths(paths);
}

void SubmodulesState::declineUpdateMoved() {
    setShowUpdatePrompt(false);
    setMovedSubmodules({});
}

void SubmodulesState::revealInFileManager(const QString& path) const {
    FileManagerHelper::revealItems({absolutePath(path)});
}

} // namespace tolvane
