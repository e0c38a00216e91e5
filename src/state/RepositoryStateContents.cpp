// Contents a partial clone left on its promisor remote: shown as missing until the user
// downloads them.
#include "state/HealthState.h"
#include "state/RepositoryState.h"

#include "engine/partialClone.h"

#include <QPointer>

namespace tolvane {

bool RepositoryState::noteMissingContents(const std::optional<GitError>& failure,
                                          QStringList arguments,
                                          std::function<QCoro::Task<>()> reload) {
    const bool missing = failure && isMissingContentsMessage(failure->message());
    if (missing) {
        m_contentsDownloadArguments = std::move(arguments);
        m_reloadAfterDownload = std::move(reload);
        // Not a failure: the window offers the download in place of the contents.
        log(QStringLiteral("File contents not downloaded yet: ") + failure->message(),
            LogLevel::Info);
    } else {
        m_contentsDownloadArguments.clear();
        m_reloadAfterDownload = nullptr;
    }
    setContentsNotDownloaded(missing);
    return missing;
}

QCoro::Task<> RepositoryState::downloadMissingContents() {
    if (!m_contentsNotDownloaded || m_isDownloadingContents || !m_reloadAfterDownload)
        co_return;
    QPointer<RepositoryState> self(this);
    const QStringList arguments = m_contentsDownloadArguments;
    const std::function<QCoro::Task<>()> reload = m_reloadAfterDownload;
    setIsDownloadingContents(true);
    const GitService git = activeGit();
    const bool downloaded =
        co_await finishStep(outcomeOf(runNetworkCommand(git, arguments)),
                            {.failure = QStringLiteral("Download failed: "),
                             .success = QStringLiteral("Downloaded file contents"),
                             .refreshAfterSuccess = false,
                             .cancelled = QStringLiteral("Download cancelled")});
    if (!self)
        co_return;
    setIsDownloadingContents(false);
    if (downloaded)
        co_await reload();
}

HealthState& RepositoryState::health() {
    if (!m_health)
        m_health = new HealthState(m_git, this, m_tab.name);
    return *m_health;
}

} // namespace tolvane
