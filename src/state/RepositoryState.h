#pragma once

#include "diff/DiffParser.h"
#include "engine/CommitFileEntry.h"
#include "engine/FileChange.h"
#include "engine/GitBlameLine.h"
#include "engine/GitBranch.h"
#include "engine/GitCommit.h"
#include "engine/GitService.h"
#include "engine/GitWorktree.h"
#include "engine/RepositoryTab.h"
#include "engine/SidebarTab.h"
#include "engine/StashEntry.h"
#include "log/LogLevel.h"
#include "platform/DesktopApps.h"
#include "state/ObservableField.h"
#include "state/upstreamBranch.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QPromise>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <functional>
#include <optional>

namespace tolvane {

// What the new-file and new-folder prompt asks; the answer is the raw text typed, or none when
// the user cancelled.
struct NamePrompt {
    QString title;
    QString message;
    QString placeholder;
};
using NamePromptCallback = std::function<std::optional<QString>(const NamePrompt&)>;
// Lets the user pick an application; calls back only when one was chosen.
// Selected line ids per hunk id.
using LineSelections = QHash<int, QSet<QUuid>>;
using ApplicationChooser = std::function<void(std::function<void(const DesktopApp&)> onChosen)>;

// The observable state of one open repository and every user operation on it. Lives on the
// interface thread as long as its tab; operations do their checks at once, then await their git
// steps in order and publish each result back on the interface thread. Every operation returns
// its task so that callers (tests) may await it; views may ignore it.
class RepositoryState : public QObject {
    Q_OBJECT

    // Repository content.
    TOLVANE_FIELD(QString, currentBranch, setCurrentBranch)
    TOLVANE_FIELD(QString, headCommitHash, setHeadCommitHash)
    TOLVANE_FIELD(QList<GitCommit>, commits, setCommits)
    TOLVANE_FIELD(QList<GitBranch>, branches, setBranches)
    TOLVANE_FIELD(QList<FileChange>, changes, setChanges)
    TOLVANE_FIELD(QStringList, trackedFiles, setTrackedFiles)
    TOLVANE_FIELD(QStringList, tags, setTags)
    TOLVANE_FIELD(QList<StashEntry>, stashes, setStashes)
    TOLVANE_FIELD(QList<GitWorktree>, worktrees, setWorktrees)
    TOLVANE_FIELD(bool, hasMoreCommits, setHasMoreCommits)
    TOLVANE_FIELD(bool, isLoadingMore, setIsLoadingMore)
    TOLVANE_FIELD(bool, isLoading, setIsLoading)

    // Selection and the diff area.
    TOLVANE_FIELD(std::optional<GitCommit>, selectedCommit, setSelectedCommit)
    TOLVANE_FIELD(QSet<QString>, selectedCommits, setSelectedCommits)
    TOLVANE_FIELD(QList<CommitFileEntry>, commitFiles, setCommitFiles)
    TOLVANE_FIELD(std::optional<FileChange>, selectedFile, setSelectedFile)
    TOLVANE_FIELD(QSet<QString>, selectedFiles, setSelectedFiles)
    TOLVANE_FIELD(bool, fileListFocused, setFileListFocused)
    TOLVANE_FIELD(QString, diffText, setDiffText)
    TOLVANE_FIELD(SidebarTab, selectedTab, setSelectedTab)
    TOLVANE_FIELD(std::optional<ParsedFileDiff>, parsedDiff, setParsedDiff)
    TOLVANE_FIELD(bool, showHunkView, setShowHunkView)
    TOLVANE_FIELD(bool, isLoadingDiff, setIsLoadingDiff)
    TOLVANE_FIELD(std::optional<GitWorktree>, selectedWorktree, setSelectedWorktree)
    TOLVANE_FIELD(LineSelections, lineSelectionsByHunkID, setLineSelectionsByHunkID)

    // Working-tree confirmations.
    TOLVANE_FIELD(bool, showDiscardConfirmation, setShowDiscardConfirmation)
    TOLVANE_FIELD(bool, showDiscardAllConfirmation, setShowDiscardAllConfirmation)
    TOLVANE_FIELD(bool, showDeleteConfirmation, setShowDeleteConfirmation)
    TOLVANE_FIELD(bool, showDiscardHunkConfirmation, setShowDiscardHunkConfirmation)
    TOLVANE_FIELD(std::optional<FileChange>, fileToDiscard, setFileToDiscard)
    TOLVANE_FIELD(std::optional<FileChange>, fileToDelete, setFileToDelete)
    TOLVANE_FIELD(QList<FileChange>, filesToDiscard, setFilesToDiscard)
    TOLVANE_FIELD(QList<FileChange>, filesToDelete, setFilesToDelete)
    TOLVANE_FIELD(QList<DiffHunk>, hunksToDiscard, setHunksToDiscard)

    // Commit and history rewriting.
    TOLVANE_FIELD(QString, commitMessage, setCommitMessage)
    TOLVANE_FIELD(bool, isCommitting, setIsCommitting)
    TOLVANE_FIELD(bool, showPopCommitConfirmation, setShowPopCommitConfirmation)
    TOLVANE_FIELD(bool, showSquashConfirmation, setShowSquashConfirmation)
    TOLVANE_FIELD(QString, squashMessage, setSquashMessage)
    TOLVANE_FIELD(bool, showResetSheet, setShowResetSheet)
    TOLVANE_FIELD(std::optional<GitCommit>, commitToReset, setCommitToReset)
    TOLVANE_FIELD(QString, resetBranchName, setResetBranchName)
    TOLVANE_FIELD(bool, hideResetBranches, setHideResetBranches)
    TOLVANE_FIELD(std::optional<QString>, lastResetBranchName, setLastResetBranchName)
    TOLVANE_FIELD(std::optional<QString>, lastResetOriginalHash, setLastResetOriginalHash)
    TOLVANE_FIELD(bool, showUndoResetConfirmation, setShowUndoResetConfirmation)
    TOLVANE_FIELD(bool, showRevertConfirmation, setShowRevertConfirmation)
    TOLVANE_FIELD(std::optional<GitCommit>, commitToRevert, setCommitToRevert)
    TOLVANE_FIELD(bool, showCherryPickConfirmation, setShowCherryPickConfirmation)
    TOLVANE_FIELD(std::optional<GitCommit>, commitToCherryPick, setCommitToCherryPick)

    // Branches and remotes.
    TOLVANE_FIELD(QString, newBranchName, setNewBranchName)
    TOLVANE_FIELD(bool, showDeleteBranchConfirmation, setShowDeleteBranchConfirmation)
    TOLVANE_FIELD(bool, showForceDeleteBranchConfirmation, setShowForceDeleteBranchConfirmation)
    TOLVANE_FIELD(std::optional<GitBranch>, branchToDelete, setBranchToDelete)
    TOLVANE_FIELD(bool, branchToDeleteHasRemote, setBranchToDeleteHasRemote)
    TOLVANE_FIELD(bool, deleteAlsoFromRemote, setDeleteAlsoFromRemote)
    TOLVANE_FIELD(bool, showDeleteRemoteBranchConfirmation, setShowDeleteRemoteBranchConfirmation)
    TOLVANE_FIELD(std::optional<GitBranch>, remoteBranchToDelete, setRemoteBranchToDelete)
    TOLVANE_FIELD(QString, remoteBranchDeleteDisplay, setRemoteBranchDeleteDisplay)
    TOLVANE_FIELD(bool, showMergeSheet, setShowMergeSheet)
    TOLVANE_FIELD(std::optional<GitBranch>, branchToMerge, setBranchToMerge)
    TOLVANE_FIELD(bool, mergeStageOnly, setMergeStageOnly)
    TOLVANE_FIELD(bool, mergeDeleteBranch, setMergeDeleteBranch)
    TOLVANE_FIELD(bool, mergeDeleteRemoteBranch, setMergeDeleteRemoteBranch)
    TOLVANE_FIELD(bool, mergeBranchHasRemote, setMergeBranchHasRemote)
    TOLVANE_FIELD(bool, showPublishBranchConfirmation, setShowPublishBranchConfirmation)
    TOLVANE_FIELD(QString, branchToPublish, setBranchToPublish)
    TOLVANE_FIELD(QString, publishRemoteDisplay, setPublishRemoteDisplay)
    TOLVANE_FIELD(bool, showPullThenPushConfirmation, setShowPullThenPushConfirmation)

    // Tags, worktrees.
    TOLVANE_FIELD(QString, newTagName, setNewTagName)
    TOLVANE_FIELD(QString, newTagMessage, setNewTagMessage)
    TOLVANE_FIELD(bool, showTagCommitSheet, setShowTagCommitSheet)
    TOLVANE_FIELD(QString, tagCommitHash, setTagCommitHash)
    TOLVANE_FIELD(QString, tagCommitName, setTagCommitName)
    TOLVANE_FIELD(QString, tagCommitMessage, setTagCommitMessage)
    TOLVANE_FIELD(bool, showDeleteTagConfirmation, setShowDeleteTagConfirmation)
    TOLVANE_FIELD(QString, tagToDelete, setTagToDelete)
    TOLVANE_FIELD(bool, showAddWorktreeSheet, setShowAddWorktreeSheet)
    TOLVANE_FIELD(bool, showRemoveWorktreeConfirmation, setShowRemoveWorktreeConfirmation)
    TOLVANE_FIELD(std::optional<GitWorktree>, worktreeToRemove, setWorktreeToRemove)

    // Blame.
    TOLVANE_FIELD_ALWAYS(QList<GitBlameLine>, blameLines, setBlameLines)
    TOLVANE_FIELD(bool, showBlameView, setShowBlameView)
    TOLVANE_FIELD(QString, blameFilePath, setBlameFilePath)

    // Network commands still running, as the user would type them ("git fetch --all").
    TOLVANE_FIELD(QStringList, runningNetworkCommands, setRunningNetworkCommands)

public:
    explicit RepositoryState(RepositoryTab tab, QObject* parent = nullptr);
    ~RepositoryState() override;

    const RepositoryTab& tab() const { return m_tab; }
    const GitService& git() const { return m_git; }

    // Derived values.
    QString repoPath() const;
    GitService activeGit() const;
    QList<FileChange> allDisplayFiles() const;
    QList<FileChange> selectedFilesList() const;
    QList<GitCommit> selectedCommitsList() const;

    // Injected by the interface; tests answer without a dialog.
    void setNamePrompt(NamePromptCallback prompt) { m_namePrompt = std::move(prompt); }
    void setApplicationChooser(ApplicationChooser chooser) {
        m_applicationChooser = std::move(chooser);
    }

    // Refresh, paging, worktree switch and selection.
    QCoro::Task<> refresh();
    QCoro::Task<> loadMoreCommits();
    QCoro::Task<> selectWorktree(std::optional<GitWorktree> worktree);
    void selectFile(const FileChange& file, bool extending, bool range);
    void selectNextFile(bool extending);
    void selectPreviousFile(bool extending);
    void selectCommit(const GitCommit& commit, bool extending, bool range);
    void selectNextCommit(bool extending);
    void selectPreviousCommit(bool extending);

    // Working-tree operations.
    QCoro::Task<> stageFile(FileChange file);
    QCoro::Task<> unstageFile(FileChange file);
    QCoro::Task<> stageFiles(QList<FileChange> files);
    QCoro::Task<> unstageFiles(QList<FileChange> files);
    QCoro::Task<> stageAll();
    QCoro::Task<> unstageAll();
    void askDiscardChanges(const FileChange& file);
    void askDiscardSelectedChanges();
    QCoro::Task<> confirmDiscardChanges();
    QCoro::Task<> confirmDiscardAllChanges();
    void askDeleteFile(const FileChange& file);
    void askDeleteSelectedFiles();
    QCoro::Task<> confirmDeleteFile();
    QCoro::Task<> addToGitignore(FileChange file);
    QCoro::Task<> addSelectedToGitignore();
    QCoro::Task<> addPatternToGitignore(QString pattern);
    void createNewFile(const FileChange& nearFile);
    void createNewFolder(const FileChange& nearFile);
    void openFile(const FileChange& file) const;
    void openFileWith(const FileChange& file, const QString& appId) const;
    QList<DesktopApp> applicationsForFile(const FileChange& file) const;
    std::optional<DesktopApp> defaultApplicationForFile(const FileChange& file) const;
    void openFileWithChooser(const FileChange& file);
    void revealInFinder(const FileChange& file) const;
    void revealSelectedInFinder() const;

    // Diff loading and line selection.
    QCoro::Task<> loadDiff(FileChange file, bool updateSelection);
    QCoro::Task<> loadCommitDiff(GitCommit commit, bool updateCommitSelection);
    void buildLineInfoCache();
    const QHash<int, QList<DiffLineInfo>>& lineInfoByHunkID() const { return m_lineInfoByHunkID; }
    void toggleLineSelection(const QUuid& lineId, int hunkId);
    void selectAllLinesInHunk(int hunkId);
    QCoro::Task<> stageHunks(QList<DiffHunk> hunks);
    QCoro::Task<> unstageHunks(QList<DiffHunk> hunks);
    QCoro::Task<> confirmDiscardHunks();
    QCoro::Task<> stageSelectedLines(DiffHunk hunk);
    QCoro::Task<> unstageSelectedLines(DiffHunk hunk);

    // Commit and history rewriting.
    QCoro::Task<> commitChanges();
    QCoro::Task<> confirmPopCommit();
    bool canSquashSelectedCommits() const;
    void askSquashCommits();
    QCoro::Task<> confirmSquashCommits();
    bool isAncestorOfHead(const GitCommit& commit) const;
    QCoro::Task<> askResetToCommit(GitCommit commit);
    QCoro::Task<> confirmReset();
    QCoro::Task<> undoLastReset();
    QCoro::Task<> confirmRevertCommit();
    QCoro::Task<> confirmCherryPickCommit();

    // Branches and remotes.
    QCoro::Task<> checkoutBranch(GitBranch branch);
    QCoro::Task<> checkoutRemoteBranch(GitBranch branch);
    QCoro::Task<> createBranchWithName(QString name);
    QCoro::Task<> askDeleteBranch(GitBranch branch);
    QCoro::Task<> confirmDeleteBranch();
    QCoro::Task<> confirmForceDeleteBranch();
    void askDeleteRemoteBranch(const GitBranch& branch);
    QCoro::Task<> confirmDeleteRemoteBranch();
    QCoro::Task<> askMergeBranch(GitBranch branch);
    QCoro::Task<> confirmMergeBranch();
    QCoro::Task<> fetch();
    QCoro::Task<> pull();
    QCoro::Task<> push();
    QCoro::Task<> confirmPublishBranch();
    QCoro::Task<> confirmPullThenPush();

    // Tags and worktrees.
    void askTagCommit(const GitCommit& commit);
    QCoro::Task<> confirmTagCommit();
    QCoro::Task<> createTagWithName(QString name, std::optional<QString> message);
    QCoro::Task<> confirmDeleteTag();
    // The add sheet's fields belong to the view, so they come in as arguments; true once the
    // worktree exists, so that the view can clear them.
    QCoro::Task<bool> addWorktree(QString folderName, QString branchName, bool createNewBranch);
    QCoro::Task<> confirmRemoveWorktree();

    // Stops every network command of this repository that is still running; each then logs
    // that it was cancelled.
    void cancelNetworkCommands();
    // Runs a command that talks to a remote (credentials lent, no time limit), listed in
    // runningNetworkCommands while it runs and stopped by cancelNetworkCommands.
    QCoro::Task<QString> runNetworkCommand(GitService git, QStringList arguments);

    // Blame.
    QCoro::Task<> loadBlame(QString path);
    void closeBlameView();

Q_SIGNALS:
    void currentBranchChanged();
    void headCommitHashChanged();
    void commitsChanged();
    void branchesChanged();
    void changesChanged();
    void trackedFilesChanged();
    void tagsChanged();
    void stashesChanged();
    void worktreesChanged();
    void hasMoreCommitsChanged();
    void isLoadingMoreChanged();
    void isLoadingChanged();
    void selectedCommitChanged();
    void selectedCommitsChanged();
    void commitFilesChanged();
    void selectedFileChanged();
    void selectedFilesChanged();
    void fileListFocusedChanged();
    void diffTextChanged();
    void selectedTabChanged();
    void parsedDiffChanged();
    void showHunkViewChanged();
    void isLoadingDiffChanged();
    void selectedWorktreeChanged();
    void lineSelectionsByHunkIDChanged();
    void showDiscardConfirmationChanged();
    void showDiscardAllConfirmationChanged();
    void showDeleteConfirmationChanged();
    void showDiscardHunkConfirmationChanged();
    void fileToDiscardChanged();
    void fileToDeleteChanged();
    void filesToDiscardChanged();
    void filesToDeleteChanged();
    void hunksToDiscardChanged();
    void commitMessageChanged();
    void isCommittingChanged();
    void showPopCommitConfirmationChanged();
    void showSquashConfirmationChanged();
    void squashMessageChanged();
    void showResetSheetChanged();
    void commitToResetChanged();
    void resetBranchNameChanged();
    void hideResetBranchesChanged();
    void lastResetBranchNameChanged();
    void lastResetOriginalHashChanged();
    void showUndoResetConfirmationChanged();
    void showRevertConfirmationChanged();
    void commitToRevertChanged();
    void showCherryPickConfirmationChanged();
    void commitToCherryPickChanged();
    void newBranchNameChanged();
    void showDeleteBranchConfirmationChanged();
    void showForceDeleteBranchConfirmationChanged();
    void branchToDeleteChanged();
    void branchToDeleteHasRemoteChanged();
    void deleteAlsoFromRemoteChanged();
    void showDeleteRemoteBranchConfirmationChanged();
    void remoteBranchToDeleteChanged();
    void remoteBranchDeleteDisplayChanged();
    void showMergeSheetChanged();
    void branchToMergeChanged();
    void mergeStageOnlyChanged();
    void mergeDeleteBranchChanged();
    void mergeDeleteRemoteBranchChanged();
    void mergeBranchHasRemoteChanged();
    void showPublishBranchConfirmationChanged();
    void branchToPublishChanged();
    void publishRemoteDisplayChanged();
    void showPullThenPushConfirmationChanged();
    void newTagNameChanged();
    void newTagMessageChanged();
    void showTagCommitSheetChanged();
    void tagCommitHashChanged();
    void tagCommitNameChanged();
    void tagCommitMessageChanged();
    void showDeleteTagConfirmationChanged();
    void tagToDeleteChanged();
    void showAddWorktreeSheetChanged();
    void showRemoveWorktreeConfirmationChanged();
    void worktreeToRemoveChanged();
    void blameLinesChanged();
    void showBlameViewChanged();
    void blameFilePathChanged();
    void runningNetworkCommandsChanged();

private:
    // Adds an activity-log entry labelled with this tab's name.
    void log(const QString& message, LogLevel level) const;
    void rebuildRangeSelection(const FileChange& target, const QList<FileChange>& files);
    void rebuildCommitRangeSelection(const GitCommit& target);
    void clearDiffArea();
    void navigateFiles(int step, bool extending);
    void navigateCommits(int step, bool extending);
    QCoro::Task<> reselectAfterPatch(bool stagedSide);
    // Lists a network command as running for as long as it lives.
    class NetworkCommandScope {
    public:
        NetworkCommandScope(RepositoryState* state, QString command);
        NetworkCommandScope(const NetworkCommandScope&) = delete;
        NetworkCommandScope& operator=(const NetworkCommandScope&) = delete;
        ~NetworkCommandScope();

    private:
        QPointer<RepositoryState> m_state;
        QString m_command;
    };
    QCoro::Task<> refreshPass();
    QCoro::Task<> reloadShownDiff();
    void clearShownFile(const FileChange& shown);
    QCoro::Task<bool> hunksStillCurrent(QList<DiffHunk> hunks, QString action);
    QCoro::Task<> runThenRefresh(QStringList args, QString failurePrefix,
                                 std::optional<QString> successMessage);
    QCoro::Task<> updateIndex(QList<FileChange> files, bool unstage,
                              std::optional<QString> followPath);
    QCoro::Task<bool> applyToIndex(QString patch, bool unstage, QString what);
    QCoro::Task<> applyHunks(QList<DiffHunk> hunks, bool unstage);
    QCoro::Task<> applySelectedLines(DiffHunk hunk, bool unstage);
    QCoro::Task<> performPush();
    QCoro::Task<> deleteBranch(bool force);
    void createNearFile(const FileChange& nearFile, bool folder);
    QString absolutePath(const QString& relativePath) const;

    RepositoryTab m_tab;
    GitService m_git;
    bool m_originChecked = false;
    quint64 m_diffGeneration = 0;
    quint64 m_commitDiffGeneration = 0;
    quint64 m_blameGeneration = 0;
    quint64 m_refreshRequested = 0;
    quint64 m_refreshCompleted = 0;
    bool m_refreshRunning = false;
    QPromise<void> m_refreshPassDone;
    GitCancellation m_networkCancellation;
    int m_commitLimit = 100;
    std::optional<GitCommit> m_commitSelectionAnchor;
    std::optional<FileChange> m_selectionAnchor;
    QHash<int, QList<DiffLineInfo>> m_lineInfoByHunkID;
    NamePromptCallback m_namePrompt;
    ApplicationChooser m_applicationChooser;

    friend class RepositoryStateTestAccess;

public:
    int commitLimit() const { return m_commitLimit; }
    const std::optional<FileChange>& selectionAnchor() const { return m_selectionAnchor; }
    const std::optional<GitCommit>& commitSelectionAnchor() const {
        return m_commitSelectionAnchor;
    }

    // Remote facts recorded when a branch or reset confirmation opens, so that what the user
    // confirms acts on what they were shown, not on whatever git says later.
public:
    // "remote/branch" that "Delete Local and Remote" deletes; empty when none.
    QString branchToDeleteUpstreamName() const {
        return m_branchToDeleteUpstream ? m_branchToDeleteUpstream->displayName() : QString();
    }

private:
    std::optional<UpstreamBranch> m_branchToDeleteUpstream;
    std::optional<UpstreamBranch> m_mergeBranchUpstream;
    // The branch ("refs/heads/...", empty when detached) the reset sheet was opened on, and its
    // upstream with the tip seen then.
    QString m_resetBranchRef;
    std::optional<UpstreamBranch> m_resetUpstream;
    // Where the last reset happened, and its upstream with the tip the remote should have now.
    QString m_lastResetBranchRef;
    std::optional<UpstreamBranch> m_lastResetUpstream;
};

} // namespace tolvane
