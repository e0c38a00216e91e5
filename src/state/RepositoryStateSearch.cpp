// Finding in the history, one file's history, and blame walked back through revisions.
#include "state/RepositoryState.h"
#include "state/diffDisplay.h"

#include "engine/historyQueries.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace tolvane {

namespace {

constexpr int pageSize = 100;

std::optional<GitCommit> findCommit(const QList<GitCommit>& commits, const QString& id) {
    const auto it = std::find_if(commits.cbegin(), commits.cend(),
                                 [&id](const GitCommit& c) { return c.id == id; });
    return it == commits.cend() ? std::nullopt : std::optional<GitCommit>(*it);
}

} // namespace

bool RepositoryState::isHistoryFiltered() const {
    return !m_historySearch.isEmpty() || !m_fileHistoryPath.isEmpty();
}

int RepositoryState::fullHistoryLimit() const {
    return m_savedHistory ? m_savedHistory->commitLimit : m_commitLimit;
}

void RepositoryState::saveFullHistory() {
    if (m_savedHistory)
        return;
    m_savedHistory = SavedHistory{m_commits,        m_commitLimit,     m_hasMoreCommits,
                                  m_selectedCommit, m_selectedCommits, m_commitSelectionAnchor};
}

void RepositoryState::restoreFullHistory() {
    // Any answer still on its way belongs to the filter being closed.
    ++m_historyFilterGeneration;
    if (m_historySearchTimer)
        m_historySearchTimer->stop();
    m_fileHistoryPaths.clear();
    setIsSearchingHistory(false);
    setHistorySearch(QString());
    setFileHistoryPath(QString());
    if (!m_savedHistory)
        return;
    SavedHistory saved = std::move(*m_savedHistory);
    m_savedHistory.reset();
    m_commitLimit = saved.commitLimit;
    setCommits(saved.commits);
    setHasMoreCommits(saved.hasMoreCommits);
    m_commitSelectionAnchor = saved.anchor;
    setSelectedCommits(saved.selectedCommits);
    if (saved.selectedCommit != m_selectedCommit) {
        if (saved.selectedCommit)
            loadCommitDiff(*saved.selectedCommit, false);
        else
            clearDiffArea();
    }
}

QCoro::Task<> RepositoryState::publishHistoryPage(QList<GitCommit> commits, int limit) {
    if (!m_savedHistory) {
        setCommits(commits);
        setHasMoreCommits(commits.size() >= limit);
        co_return;
    }
    m_savedHistory->commits = commits;
    m_savedHistory->hasMoreCommits = commits.size() >= limit;
    if (isHistoryFiltered())
        co_await loadFilteredPage(m_commitLimit);
}

void RepositoryState::typeHistorySearch(const QString& text) {
    m_pendingHistorySearch = text;
    if (!m_historySearchTimer) {
        m_historySearchTimer = new QTimer(this);
        m_historySearchTimer->setSingleShot(true);
        m_historySearchTimer->setInterval(historySearchDelayMs);
        connect(m_historySearchTimer, &QTimer::timeout, this,
                [this] { searchHistory(m_pendingHistorySearch); });
    }
    m_historySearchTimer->start();
}

QCoro::Task<> RepositoryState::searchHistory(QString text) {
    text = text.trimmed();
    if (m_historySearchTimer)
        m_historySearchTimer->stop();
    if (text.isEmpty()) {
        if (!m_historySearch.isEmpty())
            clearHistorySearch();
        co_return;
    }
    saveFullHistory();
    m_fileHistoryPaths.clear();
    setFileHistoryPath(QString());
    setHistorySearch(text);
    m_commitLimit = pageSize;
    setCommits({});
    setHasMoreCommits(false);
    setSelectedCommits({});
    co_await loadFilteredPage(pageSize);
}

void RepositoryState::clearHistorySearch() {
    restoreFullHistory();
}

QCoro::Task<> RepositoryState::loadFilteredPage(int limit) {
    QPointer<RepositoryState> self(this);
    // Only the newest request may publish: a slower answer to an older text is dropped.
    const quint64 generation = ++m_historyFilterGeneration;
    const bool allBranches = !m_hideResetBranches;
    const GitService git = m_git;
    setIsSearchingHistory(true);
    const auto current = [&] { return self && generation == m_historyFilterGeneration; };

    if (!m_fileHistoryPath.isEmpty()) {
        const QString path = m_fileHistoryPath;
        QList<FileHistoryEntry> entries;
        try {
            entries = co_await fileHistory(git, path, limit);
        } catch (const GitError& error) {
            if (current())
                log(QStringLiteral("Failed to load the history of ") + path + QStringLiteral(": ") +
                        error.message(),
                    LogLevel::Error);
        }
        if (!current())
            co_return;
        QList<GitCommit> commits;
        m_fileHistoryPaths.clear();
        for (const FileHistoryEntry& entry : std::as_const(entries)) {
            commits.append(entry.commit);
            QStringList paths{entry.path};
            if (!entry.oldPath.isEmpty())
                paths.prepend(entry.oldPath);
            m_fileHistoryPaths.insert(entry.commit.id, paths);
        }
        setCommits(commits);
        setHasMoreCommits(entries.size() >= limit);
        setIsSearchingHistory(false);
        co_return;
    }

    const QString text = m_historySearch;
    // The hash lookup is one short run: its commit shows (selected) before the slower walks
    // over messages and authors are done.
    auto byHash = findCommitByPrefix(git, text);
    const QStringList alsoRefs = historyAlsoRefs();
    auto byText = tolvane::searchHistory(git, text, limit, allBranches, alsoRefs);
    const std::optional<GitCommit> hashMatch = co_await std::move(byHash);
    if (!current())
        co_return;
    if (hashMatch && m_commits.isEmpty()) {
        setCommits({*hashMatch});
        selectCommit(*hashMatch, false, false);
    }
    HistorySearchPage page;
    try {
        page = co_await std::move(byText);
    } catch (const GitError& error) {
        if (current())
            log(QStringLiteral("Search failed: ") + error.message(), LogLevel::Error);
    }
    if (!current())
        co_return;
    QList<GitCommit> commits;
    if (hashMatch)
        commits.append(*hashMatch);
    for (const GitCommit& commit : std::as_const(page.commits)) {
        if (!hashMatch || commit.id != hashMatch->id)
            commits.append(commit);
    }
    setCommits(commits);
    setHasMoreCommits(!page.complete);
    setIsSearchingHistory(false);
}

QCoro::Task<> RepositoryState::loadMoreFiltered() {
    if (!m_hasMoreCommits || m_isLoadingMore)
        co_return;
    QPointer<RepositoryState> self(this);
    setIsLoadingMore(true);
    m_commitLimit += pageSize;
    co_await loadFilteredPage(m_commitLimit);
    if (self)
        setIsLoadingMore(false);
}

QCoro::Task<> RepositoryState::showFileHistory(QString path) {
    if (path.isEmpty())
        co_return;
    saveFullHistory();
    setHistorySearch(QString());
    setFileHistoryPath(path);
    m_commitLimit = pageSize;
    setCommits({});
    setHasMoreCommits(false);
    setSelectedCommits({});
    co_await loadFilteredPage(pageSize);
}

void RepositoryState::closeFileHistory() {
    restoreFullHistory();
}

QCoro::Task<LimitedOutput> RepositoryState::shownCommitDiff(QString id) const {
    const QStringList paths = m_fileHistoryPaths.value(id);
    if (m_fileHistoryPath.isEmpty() || paths.isEmpty())
        co_return co_await m_git.diffForCommit(id, maxDiffOutputBytes);
    co_return co_await fileDiffForCommit(m_git, id, paths, maxDiffOutputBytes);
}

QCoro::Task<bool> RepositoryState::showCommitInHistory(QString hash) {
    QPointer<RepositoryState> self(this);
    if (isHistoryFiltered())
        restoreFullHistory();
    if (!findCommit(m_commits, hash) && m_hasMoreCommits && !m_isLoadingMore) {
        // Everything above the commit in the list is a commit it does not reach, so one count
        // tells how long the list must be: one page load instead of doubling page after page.
        const GitService git = m_git;
        const bool allBranches = !m_hideResetBranches;
        const QStringList alsoRefs = historyAlsoRefs();
        const std::optional<int> above = co_await commitsAbove(git, hash, allBranches, alsoRefs);
        if (!self)
            co_return false;
        if (above && *above + pageSize > m_commitLimit) {
            const bool alive = co_await loadHistoryThrough(*above + pageSize);
            if (!alive)
                co_return false;
        }
    }
    bool listed = findCommit(m_commits, hash).has_value();
    if (!listed)
        listed = co_await loadCommitsThrough(hash);
    if (!self || !listed)
        co_return false;
    const std::optional<GitCommit> commit = findCommit(m_commits, hash);
    if (!commit)
        co_return false;
    selectCommit(*commit, false, false);
    Q_EMIT commitRevealRequested(commit->id);
    co_return true;
}

void RepositoryState::startBlameTrail(const QString& path) {
    setBlameRevision(QString());
    setBlameTrail({BlameStep{QString(), path, 1}});
    setBlameTrailPosition(0);
}

QCoro::Task<> RepositoryState::blamePreviousRevision(GitBlameLine line) {
    if (line.previousHash().isEmpty()) {
        log(QStringLiteral("Commit ") + line.shortHash() +
                QStringLiteral(" added this line with the file; there is no earlier revision"),
            LogLevel::Info);
        co_return;
    }
    QPointer<RepositoryState> self(this);
    const QString path = m_blameFilePath;
    const QStringList paths =
        line.previousPath() == path ? QStringList{path} : QStringList{line.previousPath(), path};
    // git reports the line's place in its commit; the parent had it where the commit's changes
    // above it (and the lines it replaced) put it.
    const int parentLine = co_await lineInParent(m_git, line.previousHash(), line.commitHash(),
                                                 paths, std::max(1, line.originalLine));
    if (!self)
        co_return;
    QList<BlameStep> trail = m_blameTrail.mid(0, m_blameTrailPosition + 1);
    if (trail.isEmpty())
        trail.append(BlameStep{m_blameRevision, path, line.id});
    trail.last().line = line.id;
    const BlameStep step{line.previousHash(), line.previousPath(), parentLine};
    trail.append(step);
    setBlameTrail(trail);
    setBlameTrailPosition(int(trail.size()) - 1);
    co_await loadBlameStep(step);
}

QCoro::Task<> RepositoryState::goToBlameStep(int position) {
    if (position < 0 || position >= m_blameTrail.size())
        co_return;
    setBlameTrailPosition(position);
    co_await loadBlameStep(m_blameTrail.at(position));
}

QCoro::Task<> RepositoryState::loadBlameStep(BlameStep step) {
    setBlameFilePath(step.path);
    setBlameRevision(step.revision);
    setShowBlameView(true);
    setBlameLines({});
    setIsLoadingDiff(true);
    const quint64 generation = ++m_blameGeneration;
    QPointer<RepositoryState> self(this);
    const GitService git = step.revision.isEmpty() ? activeGit() : m_git;
    std::optional<QList<GitBlameLine>> lines;
    try {
        if (step.revision.isEmpty())
            lines = co_await git.blame(step.path);
        else
            lines = co_await blameAtRevision(git, step.revision, step.path);
    } catch (const GitError&) {
    }
    if (!self || generation != m_blameGeneration)
        co_return;
    setIsLoadingDiff(false);
    if (!lines) {
        log(QStringLiteral("Failed to load blame"), LogLevel::Error);
        co_return;
    }
    setBlameLines(*lines);
    setBlameFocusLine(std::clamp(step.line, 1, std::max(1, int(lines->size()))));
}

} // namespace tolvane
