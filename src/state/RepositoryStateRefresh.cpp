#include "engine/discardedChanges.h"
#include "state/RepositoryState.h"

#include <QCoroFuture>
#include <QCoroTimer>
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

// The upstream ref of `branch` from lines of "hash ref upstream", when that ref exists.
QString existingUpstream(const QString& refs, const QString& branch) {
    if (branch.isEmpty())
        return QString();
    const QString branchRef = QStringLiteral("refs/heads/") + branch;
    QString upstream;
    QSet<QStringView> existing;
    for (QStringView line : QStringView(refs).tokenize(u'\n', Qt::SkipEmptyParts)) {
        const QList<QStringView> fields = line.split(u' ');
        if (fields.size() < 2)
            continue;
        existing.insert(fields[1]);
        if (fields[1] == branchRef && fields.size() >= 3)
            upstream = fields[2].toString();
    }
    return existing.contains(upstream) ? upstream : QString();
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

    // What changed until now is read below: the watcher need not ask for it again.
    co_await m_watcher->settle();
    if (!self)
        co_return;

    // A deleted or unmounted repository is said to be gone; its queries still run and fail, so
    // that nothing stale is left behind should it come back changed.
    const bool missing = co_await workingTreeMissing();
    if (!self)
        co_return;
    setRepositoryMissing(missing);

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

    // The list shows HEAD's (and its upstream's) or every ref's history, decorated with every
    // ref: while none of them moved, the pages already read stay as they are and nothing is read
    // again.
    const QStringList refArgs{QStringLiteral("for-each-ref"),
                              QStringLiteral("--format=%(objectname) %(refname) %(upstream)")};
    const QString refs = co_await valueOr(mainGit.run(refArgs), QString());
    if (!self)
        co_return;
    m_historyUpstream = existingUpstream(refs, branch);
    const QString signature =
        (m_hideResetBranches ? QStringLiteral("head ") : QStringLiteral("all ")) + head + u'\n' +
        branch + u'\n' + refs;
    if (restartHistoryIfChanged(signature)) {
        // The depth loaded so far stays loaded.
        const int limit = fullHistoryLimit();
        const HistoryRead read = co_await readHistoryThrough(limit);
        if (!self)
            co_return;
        // A failed log (a repository without commits) shows an empty history.
        if (read != HistoryRead::Replaced) {
            const QList<GitCommit> commits =
                read == HistoryRead::Read ? m_historyOrder.commits() : QList<GitCommit>();
            co_await publishHistoryPage(commits, limit);
        }
        if (!self)
            co_return;
    }

    const QList<GitBranch> branches = co_await valueOr(mainGit.branches(), QList<GitBranch>());
    if (!self)
        co_return;
    setBranches(branches);

    const BranchTrackingMap tracking =
        co_await valueOr(tolvane::branchTracking(mainGit), BranchTrackingMap());
    if (!self)
        co_return;
    setBranchTracking(tracking);

    const QList<FileChange> changes = co_await valueOr(worktreeGit.status(), QList<FileChange>());
    if (!self)
        co_return;
    // Known before the changes are listed: a submodule's pointer change is listed apart.
    co_await m_submodules->load(worktreeGit);
    if (!self)
        co_return;
    setChanges(changes);

    const bool anyConflict = std::any_of(changes.cbegin(), changes.cend(), [](const FileChange& c) {
        return c.status == ChangeStatus::Conflict;
    });
    co_await refreshOperation(worktreeGit, anyConflict);
    if (!self)
        co_return;

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

    const QList<DiscardedChange> discarded =
        co_await valueOr(listDiscardedChanges(mainGit), QList<DiscardedChange>());
    if (!self)
        co_return;
    setDiscardedChanges(discarded);

    const QList<GitWorktree> worktrees =
        co_await valueOr(mainGit.worktreeList(), QList<GitWorktree>());
    if (!self)
        co_return;
    setWorktrees(worktrees);

    co_await clearVanishedCommit();
    if (!self)
        co_return;
    co_await reloadShownDiff();
    if (!self)
        co_return;
    setIsLoading(false);
}

QCoro::Task<> RepositoryState::loadMoreCommits() {
    if (isHistoryFiltered())
        co_return co_await loadMoreFiltered();
    if (!m_hasMoreCommits || m_isLoadingMore)
        co_return;
    co_await loadHistoryThrough(m_commitLimit + 100);
}

QCoro::Task<bool> RepositoryState::loadCommitsThrough(QString id) {
    QPointer<RepositoryState> self(this);
    const auto listed = [this, &id] {
        return std::any_of(m_commits.cbegin(), m_commits.cend(),
                           [&id](const GitCommit& c) { return c.id == id; });
    };
    while (self && !listed() && m_hasMoreCommits) {
        if (m_isLoadingMore) {
            // A page is on its way; look again when it is in.
            co_await QCoro::sleepFor(std::chrono::milliseconds(20));
            continue;
        }
        // Reads double, so that a commit far down is found in a few steps, not hundreds.
        const qsizetype before = m_commits.size();
        const int doubled = std::max(m_commitLimit + 100, m_commitLimit * 2);
        if (!co_await loadHistoryThrough(doubled))
            co_return false;
        if (m_commits.size() <= before)
            break;
    }
    co_return self ? listed() : false;
}

QCoro::Task<> RepositoryState::selectWorktree(std::optional<GitWorktree> worktree) {
    setSelectedWorktree(worktree);
    setSelectedFiles({});
    clearDiffArea();
    if (m_watcher->isWatching())
        m_watcher->watch(repoPath());
    co_await refresh();
}

} // namespace tolvane
