// The full history list, read page by page from one running `git log`.
#include "state/RepositoryState.h"

#include <QCoroTimer>
#include <QPointer>

namespace tolvane {

void RepositoryState::startHistory() {
    ++m_historyGeneration;
    // Ends the old log's git at once; a read still on its way comes back cancelled and stale.
    m_historyStream = LogStream::history(m_git.repoPath(), !m_hideResetBranches, historyAlsoRefs());
    m_historyOrder = IncrementalCommitOrder();
    m_historyEnded = false;
    m_historyError.reset();
}

bool RepositoryState::restartHistoryIfChanged(const QString& signature) {
    // Dates are shown relative to the clock when painted, so an old read stays true.
    if (m_historyStream && !m_historyError && signature == m_historySignature)
        return false;
    m_historySignature = signature;
    startHistory();
    return true;
}

QCoro::Task<> RepositoryState::awaitHistoryReader() {
    // Pages must be appended in the order git printed them: one reader at a time.
    QPointer<RepositoryState> self(this);
    while (self && m_historyReading)
        co_await QCoro::sleepFor(std::chrono::milliseconds(2));
}

QCoro::Task<RepositoryState::HistoryRead> RepositoryState::readHistoryThrough(int count) {
    QPointer<RepositoryState> self(this);
    co_await awaitHistoryReader();
    if (!self)
        co_return HistoryRead::Replaced;
    // After a failure the log is read again from the start.
    if (!m_historyStream || m_historyError)
        startHistory();
    const quint64 generation = m_historyGeneration;
    m_historyReading = true;
    while (m_historyOrder.size() < count && !m_historyEnded) {
        LogStreamPage page = co_await m_historyStream->read(int(count - m_historyOrder.size()));
        if (!self)
            co_return HistoryRead::Replaced;
        if (generation != m_historyGeneration) {
            m_historyReading = false;
            co_return HistoryRead::Replaced;
        }
        if (page.error) {
            // What was read before git failed is not shown: the next read starts again.
            m_historyEnded = true;
            m_historyError = page.error;
            m_historyReading = false;
            co_return HistoryRead::Failed;
        }
        // The list shown (or kept aside) is the one read: let go of it while the page is
        // appended, so that the rows are appended in place instead of all copied.
        const auto sameList = [this](const QList<GitCommit>& list) {
            return !list.isEmpty() && list.constData() == m_historyOrder.commits().constData();
        };
        const bool appending = !page.commits.isEmpty();
        const bool shown = appending && sameList(m_commits);
        const bool kept = appending && m_savedHistory && sameList(m_savedHistory->commits);
        if (shown)
            m_commits = {};
        if (kept)
            m_savedHistory->commits = {};
        const qsizetype keptRows = m_historyOrder.append(std::move(page.commits));
        if (kept)
            m_savedHistory->commits = m_historyOrder.commits();
        if (shown) {
            m_commits = m_historyOrder.commits();
            Q_EMIT commitsAppended(keptRows);
            Q_EMIT commitsChanged();
        }
        m_historyEnded = page.ended;
    }
    m_historyReading = false;
    co_return HistoryRead::Read;
}

void RepositoryState::publishHistoryRead(int limit) {
    const bool more = m_historyOrder.size() >= limit;
    if (m_savedHistory) {
        m_savedHistory->commits = m_historyOrder.commits();
        m_savedHistory->hasMoreCommits = more;
        return;
    }
    setCommits(m_historyOrder.commits());
    setHasMoreCommits(more);
}

QCoro::Task<bool> RepositoryState::loadHistoryThrough(int limit) {
    QPointer<RepositoryState> self(this);
    setIsLoadingMore(true);
    m_commitLimit = limit;
    const HistoryRead read = co_await readHistoryThrough(limit);
    if (!self)
        co_return false;
    // A refresh that found another history has published it already; a failed read keeps the
    // rows shown.
    if (read == HistoryRead::Read)
        publishHistoryRead(limit);
    else if (read == HistoryRead::Failed)
        log(QStringLiteral("Failed to load more commits: ") + m_historyError->message(),
            LogLevel::Error);
    setIsLoadingMore(false);
    co_return true;
}

} // namespace tolvane
