// Blame of one working-tree file, shown in place of the diff area.
#include "state/RepositoryState.h"

#include <QPointer>

namespace tolvane {

QCoro::Task<> RepositoryState::loadBlame(QString path) {
    startBlameTrail(path);
    setBlameFilePath(path);
    setShowBlameView(true);
    setBlameLines({});
    noteMissingContents(std::nullopt, {}, {});
    setIsLoadingDiff(true);
    // A slower answer for an earlier file must not land under this file's name.
    const quint64 generation = ++m_blameGeneration;

    QPointer<RepositoryState> self(this);
    const GitService git = activeGit();
    std::optional<QList<GitBlameLine>> lines;
    std::optional<GitError> failure;
    try {
        lines = co_await git.blame(path);
    } catch (const GitError& error) {
        failure = error;
    }
    if (!self || generation != m_blameGeneration)
        co_return;
    if (!m_showBlameView) {
        // Closed while loading: nothing to show, but the loading state must end.
        setIsLoadingDiff(false);
        co_return;
    }
    const QStringList download{QStringLiteral("blame"), QStringLiteral("--porcelain"),
                               QStringLiteral("--no-textconv"), QStringLiteral("--"), path};
    if (noteMissingContents(failure, download, [this, path] { return loadBlame(path); })) {
        setIsLoadingDiff(false);
        co_return;
    }
    if (!lines) {
        log(QStringLiteral("Failed to load blame"), LogLevel::Error);
        setIsLoadingDiff(false);
        co_return;
    }
    setBlameLines(*lines);
    setIsLoadingDiff(false);
}

void RepositoryState::closeBlameView() {
    setShowBlameView(false);
    setBlameLines({});
    setBlameFilePath(QString());
    setBlameRevision(QString());
    setBlameTrail({});
    setBlameTrailPosition(0);
}

} // namespace tolvane
