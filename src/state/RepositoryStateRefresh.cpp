#include "state/RepositoryState.h"

#include <QCoroFuture>
#include <QPointer>

namespace tolvane {
namespace {

// Runs one query and hands back its value, or the fallback when git fails: a failed query only
// empties its own field.
template <typename T> QCoro::Task<T> valueOr(QCoro::Task<T> query, T fallback) {
    try {
        co_return co_await std::move(query);
    } catch (const GitError&) {
        co_return fallback;
    }
}

} // namespace

QCoro::Task<> RepositoryState::refresh() {
    // Requests that arrive while a pass runs share the one pass that starts after it, so an
    // older pass can never publish over a newer one and a burst of requests costs two passes.
    QPointer<RepositoryState> self(this);
    const quint64 wanted = ++m_refreshRequested;
    if (m_refreshRunning) {
        while (self && m_refreshCompleted < wanted) {
            QFuture<void> passDone = m_refreshPassDone.future();
            co_await passDone;
        }
        co_return;
    }
    m_refreshRunning = true;
    while (self && m_refreshCompleted < m_refreshRequested) {
        const quint64 covered = m_refreshRequested;
        co_await refreshPass();
        if (!self)
            co_return;
        m_refreshCompleted = covered;
        // Wakes every waiter; each checks whether this pass covered its request.
        m_refreshPassDone.finish();
        m_refreshPassDone = QPromise<void>();
        m_refreshPassDone.start();
    }
    m_refreshRunning = false;
}

QCoro::Task<> RepositoryState::refreshPass() {
    QPointer<RepositoryState> self(this);
    setIsLoading(true);

    if (!m_originChecked) {
        m_originChecked = true;
        const bool removed = co_await valueOr(m_git.stripCredentialsFromOriginURL(), false);
        if (!self)
            co_return;
        if (removed) {
            log(QStringLiteral("Removed a GitHub token from the origin URL in .git/config — rotate "
                               "that token, it was stored there in plain text"),
                LogLevel::Info);
        }
    }

    const GitService worktreeGit = activeGit();
    const GitService mainGit = m_git;

    const QStringList branchArgs{QStringLiteral("branch"), QStringLiteral("--show-current")};
    const QString branch = co_await valueOr(worktreeGit.run(branchArgs), QString());
    if (!self)
        co_return;
    setCurrentBranch(branch);

    const QStringList headArgs{QStringLiteral("rev-parse"), QStringLiteral("HEAD")};
    const QString head = co_await valueOr(worktreeGit.run(headArgs), QString());
    if (!self)
        co_return;
    setHeadCommitHash(head);

    const int limit = m_commitLimit;
    const QList<GitCommit> commits =
        co_await valueOr(mainGit.log(limit, !m_hideResetBranches), QList<GitCommit>());
    if (!self)
        co_return;
    setCommits(commits);
    setHasMoreCommits(commits.size() >= limit);

    const QList<GitBranch> branches = co_await valueOr(mainGit.branches(), QList<GitBranch>());
    if (!self)
        co_return;
    setBranches(branches);

    const QList<FileChange> changes = co_await valueOr(worktreeGit.status(), QList<FileChange>());
    if (!self)
        co_return;
    setChanges(changes);

    const QStringList tracked = co_await valueOr(worktreeGit.trackedFiles(), QStringList());
    if (!self)
        co_return;
    setTrackedFiles(tracked);

    const QStringList tags = co_await valueOr(mainGit.tags(), QStringList());
    if (!self)
        co_return;
    setTags(tags);

    const QList<StashEntry> stashes = co_await valueOr(mainGit.stashList(), QList<StashEntry>());
    if (!self)
        co_return;
    setStashes(stashes);

    const QList<GitWorktree> worktrees =
        co_await valueOr(mainGit.worktreeList(), QList<GitWorktree>());
    if (!self)
        co_return;
    setWorktrees(worktrees);

    co_await reloadShownDiff();
    if (!self)
        co_return;
    setIsLoading(false);
}

QCoro::Task<> RepositoryState::loadMoreCommits() {
    if (!m_hasMoreCommits || m_isLoadingMore)
        co_return;
    QPointer<RepositoryState> self(this);
    setIsLoadingMore(true);
    m_commitLimit += 100;
    const int limit = m_commitLimit;
    try {
        const QList<GitCommit> commits = co_await m_git.log(limit, !m_hideResetBranches);
        if (!self)
            co_return;
        setCommits(commits);
        setHasMoreCommits(commits.size() >= limit);
    } catch (const GitError& error) {
        if (!self)
            co_return;
        log(QStringLiteral("Failed to load more commits: ") + error.message(), LogLevel::Error);
    }
    setIsLoadingMore(false);
}

QCoro::Task<> RepositoryState::selectWorktree(std::optional<GitWorktree> worktree) {
    setSelectedWorktree(worktree);
    setSelectedFiles({});
    clearDiffArea();
    co_await refresh();
}

} // namespace tolvane
