#include "state/RepositoryState.h"

#include "state/HistoryEditor.h"

#include "log/LogStore.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <algorithm>

namespace tolvane {

RepositoryState::RepositoryState(RepositoryTab tab, QObject* parent)
    : QObject(parent), m_tab(std::move(tab)), m_git(m_tab.path),
      m_credentialPrompts(new CredentialPrompts(this)), m_historyEditor(new HistoryEditor(this)) {
    m_selectedTab = SidebarTab::Changes;
    // Hidden saved-reset branches also keep the history to the current branch.
    m_hideResetBranches = true;
    m_showAllFiles = AppSettings::showAllFiles();
    m_refreshPassDone.start();
    setUpWatching();
    m_undoJournal = new UndoJournal([this] { return activeGit(); }, this);
    connect(m_undoJournal, &UndoJournal::reported, this,
            [this](const QString& message, LogLevel level) { log(message, level); });
    connect(m_undoJournal, &UndoJournal::repositoryMoved, this, [this] { refresh(); });
    connect(m_undoJournal, &UndoJournal::recorded, this, [this] { m_watcher->settle(); });
    m_undoJournal->load();
    m_commitMessageMemory = new CommitMessageMemory(*this);
    connect(m_signatureBadges, &SignatureBadges::failed, this, [this](const QString& message) {
        log(QStringLiteral("Could not check signatures: ") + message, LogLevel::Error);
    });
}

// Callers still waiting for a refresh wake up, see the state gone and stop.
RepositoryState::~RepositoryState() {
    m_refreshPassDone.finish();
}

QString RepositoryState::repoPath() const {
    return m_selectedWorktree ? m_selectedWorktree->path : m_tab.path;
}

GitService RepositoryState::activeGit() const {
    if (m_selectedWorktree && m_selectedWorktree->path != m_tab.path)
        return GitService(m_selectedWorktree->path);
    return m_git;
}

QList<FileChange> RepositoryState::allDisplayFiles() const {
    QList<FileChange> files;
    files.reserve(m_changes.size());
    for (const FileChange& change : m_changes) {
        if (change.isStaged)
            files.append(change);
    }
    for (const FileChange& change : m_changes) {
        if (!change.isStaged)
            files.append(change);
    }
    if (!m_showAllFiles)
        return files;

    QSet<QString> changedPaths;
    for (const FileChange& change : m_changes)
        changedPaths.insert(change.path);
    QList<FileChange> unchanged;
    for (const QString& path : m_trackedFiles) {
        if (!changedPaths.contains(path))
            unchanged.append(FileChange{ChangeStatus::Unmodified, path, false, std::nullopt});
    }
    std::sort(unchanged.begin(), unchanged.end(),
              [](const FileChange& a, const FileChange& b) { return a.path < b.path; });
    files += unchanged;
    return files;
}

QList<FileChange> RepositoryState::selectedFilesList() const {
    QList<FileChange> selected;
    for (const FileChange& file : allDisplayFiles()) {
        if (m_selectedFiles.contains(file.id()))
            selected.append(file);
    }
    return selected;
}

QList<GitCommit> RepositoryState::selectedCommitsList() const {
    QList<GitCommit> selected;
    for (const GitCommit& commit : m_commits) {
        if (m_selectedCommits.contains(commit.id))
            selected.append(commit);
    }
    return selected;
}

void RepositoryState::log(const QString& message, LogLevel level) const {
    LogStore::shared().add(message, level, m_tab.name);
    // A failure must not stay hidden in the log window.
    if (level == LogLevel::Error)
        Q_EMIT outcomeAnnounced(message, level);
}

void RepositoryState::announceSuccess(const QString& message) const {
    log(message, LogLevel::Success);
    Q_EMIT outcomeAnnounced(message, LogLevel::Success);
}

QCoro::Task<bool> RepositoryState::finishStep(QCoro::Task<StepOutcome> step, StepReport report) {
    QPointer<RepositoryState> self(this);
    const StepOutcome outcome = co_await std::move(step);
    if (!self)
        co_return false;
    if (isCancellation(outcome.failure)) {
        // The user stopped it: nothing went wrong.
        log(report.cancelled.isEmpty() ? report.failure + *outcome.failure : report.cancelled,
            LogLevel::Info);
        if (report.refreshAfterFailure)
            co_await refresh();
        co_return false;
    }
    if (outcome.failure) {
        if (reportRefusal(report.failure, outcome)) {
            if (report.refreshAfterFailure)
                co_await refresh();
            co_return false;
        }
        log(report.withReason ? report.failure + *outcome.failure : report.failure,
            LogLevel::Error);
        if (report.refreshAfterFailure)
            co_await refresh();
        co_return false;
    }
    if (report.onSuccess)
        report.onSuccess();
    const std::optional<QString> entry = report.successFromOutput && !outcome.output.isEmpty()
                                             ? std::optional<QString>(outcome.output)
                                             : report.success;
    if (entry && report.announced)
        announceSuccess(*entry);
    else if (entry)
        log(*entry, LogLevel::Success);
    if (report.refreshAfterSuccess)
        co_await refresh();
    co_return !self.isNull();
}

QString RepositoryState::absolutePath(const QString& relativePath) const {
    return QDir(repoPath()).filePath(relativePath);
}

void RepositoryState::clearDiffArea() {
    setSelectedFile(std::nullopt);
    setDiffText(QString());
    setParsedDiff(std::nullopt);
    setShowHunkView(false);
}

} // namespace tolvane
