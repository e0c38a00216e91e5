// Changes made outside the window, and how branches stand against their upstreams.
#include "engine/RepositoryWriteQueue.h"
#include "state/RepositoryState.h"

namespace tolvane {

void RepositoryState::setUpWatching() {
    m_watcher = new RepositoryWatcher(this);
    // The refresh that ends each of our commands reads what the command changed.
    m_watcher->setBusyCheck([this] {
        return RepositoryWriteQueue::pending(m_tab.path) > 0 ||
               RepositoryWriteQueue::pending(repoPath()) > 0 || !m_runningNetworkCommands.isEmpty();
    });
    connect(m_watcher, &RepositoryWatcher::changed, this, [this] { refresh(); });
    connect(m_watcher, &RepositoryWatcher::fellBack, this,
            [this](const QString& message) { log(message, LogLevel::Info); });
}

QCoro::Task<> RepositoryState::watchForChanges() {
    co_await m_watcher->watch(repoPath());
}

std::optional<BranchTracking> RepositoryState::currentTracking() const {
    const auto it = m_branchTracking.constFind(m_currentBranch);
    if (m_currentBranch.isEmpty() || it == m_branchTracking.cend())
        return std::nullopt;
    return *it;
}

QStringList RepositoryState::historyAlsoRefs() const {
    if (m_historyUpstream.isEmpty())
        return {};
    return {m_historyUpstream};
}

} // namespace tolvane
