#pragma once

#include "diff/DiffParser.h"
#include "engine/CommitFileEntry.h"
#include "engine/FileChange.h"
#include "engine/GitBlameLine.h"
#include "engine/GitBranch.h"
#include "engine/GitCommit.h"
#include "engine/GitService.h"
#include "engine/GitWorktree.h"
#include "engine/IncrementalCommitOrder.h"
#include "engine/LogStream.h"
#include "engine/StashEntry.h"
#include "engine/branchTracking.h"
#include "engine/conflictState.h"
#include "engine/conflictText.h"
#include "engine/discardedChanges.h"
#include "engine/remoteBranchDeletion.h"
#include "log/LogLevel.h"
#include "platform/DesktopApps.h"
#include "state/CommitMessageMemory.h"
#include "state/CredentialPrompts.h"
#include "state/HookOutput.h"
#include "state/ObservableField.h"
#include "state/RepositoryTab.h"
#include "state/RemotesState.h"
#include "state/RepositoryWatcher.h"
#include "state/SidebarTab.h"
#include "state/UndoJournal.h"
#include "state/SignatureBadges.h"
#include "state/SubmodulesState.h"
#include "state/gitIdentity.h"
#include "state/gitStep.h"
#include "state/historyNavigation.h"
#include "state/upstreamBranch.h"

#include <QCoroTask>
#include <QDate>
#include <QElapsedTimer>
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

class QTimer;

namespace tolvane {
class HistoryEditor;
}

namespace tolvane {

class HealthState;

// What the new-file and new-folder prompt asks; the answer is the raw text typed, or none when
// the user cancelled.
struct NamePrompt {
    QString title;
    QString message;
    QString placeholder;
    bool folder = false;
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
    // "All Files": this tab also lists the unchanged tracked files. New tabs take the setting.
    TOLVANE_FIELD(bool, showAllFiles, setShowAllFiles)
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

    // An operation stopped on conflicts, the conflicted files, and the conflict view's file
    // with its blocks and the choice made for each.
    TOLVANE_FIELD(RepositoryOperation, operation, setOperation)
    TOLVANE_FIELD(QList<UnmergedEntry>, conflicts, setConflicts)
    TOLVANE_FIELD(bool, showAbortOperationConfirmation, setShowAbortOperationConfirmation)
    TOLVANE_FIELD(std::optional<UnmergedEntry>, conflictFile, setConflictFile)
    TOLVANE_FIELD(std::optional<ConflictText>, conflictText, setConflictText)
    TOLVANE_FIELD(QList<BlockChoice>, conflictChoices, setConflictChoices)
    TOLVANE_FIELD(bool, conflictIsBinary, setConflictIsBinary)
    // A file about to be marked resolved while it still holds conflict markers, and the staged
    // files that hold them when the operation is about to be committed or continued.
    TOLVANE_FIELD(bool, showMarkResolvedConfirmation, setShowMarkResolvedConfirmation)
    TOLVANE_FIELD(QString, conflictToMarkResolved, setConflictToMarkResolved)
    TOLVANE_FIELD(bool, showContinueWithMarkersConfirmation, setShowContinueWithMarkersConfirmation)
    TOLVANE_FIELD(QStringList, filesWithConflictMarkers, setFilesWithConflictMarkers)

    // Stashes, the saves of discarded changes (newest first), and amending.
    TOLVANE_FIELD(QList<DiscardedChange>, discardedChanges, setDiscardedChanges)
    TOLVANE_FIELD(std::optional<StashEntry>, selectedStash, setSelectedStash)
    TOLVANE_FIELD(std::optional<DiscardedChange>, selectedDiscardedChange,
                  setSelectedDiscardedChange)
    TOLVANE_FIELD(bool, showStashSheet, setShowStashSheet)
    TOLVANE_FIELD(QString, stashMessage, setStashMessage)
    TOLVANE_FIELD(bool, stashIncludeUntracked, setStashIncludeUntracked)
    TOLVANE_FIELD(bool, stashKeepIndex, setStashKeepIndex)
    TOLVANE_FIELD(bool, showDropStashConfirmation, setShowDropStashConfirmation)
    TOLVANE_FIELD(std::optional<StashEntry>, stashToDrop, setStashToDrop)
    TOLVANE_FIELD(bool, showDeleteDiscardedConfirmation, setShowDeleteDiscardedConfirmation)
    TOLVANE_FIELD(std::optional<DiscardedChange>, discardedChangeToDelete,
                  setDiscardedChangeToDelete)
    TOLVANE_FIELD(bool, amendLastCommit, setAmendLastCommit)
    TOLVANE_FIELD(bool, showAmendPushedConfirmation, setShowAmendPushedConfirmation)

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
    // Loads pages until the commit `id` is listed or the history ends; true when it is listed.
    QCoro::Task<bool> loadCommitsThrough(QString id);
    QCoro::Task<> selectWorktree(std::optional<GitWorktree> worktree);
    void selectFile(const FileChange& file, bool extending, bool range);
    void selectNextFile(bool extending);
    void selectPreviousFile(bool extending);
    void selectCommit(const GitCommit& commit, bool extending, bool range);
    void selectNextCommit(bool extending);
    void selectPreviousCommit(bool extending);
    void selectSidebarTab(SidebarTab tab);

    // Working-tree operations.
    QCoro::Task<> stageFile(FileChange file);
    QCoro::Task<> unstageFile(FileChange file);
    QCoro::Task<> stageFiles(QList<FileChange> files);
    QCoro::Task<> unstageFiles(QList<FileChange> files);
    // Stage All and Discard All act on the unstaged changes the Changes page lists: never on a
    // hidden dot file or a conflicted file.
    QCoro::Task<> stageAll();
    QCoro::Task<> unstageAll();
    QList<FileChange> listedUnstagedChanges() const;
    // How many unstaged changes the list hides (dot files, while they are not shown).
    qsizetype hiddenUnstagedCount() const;
    void askDiscardChanges(const FileChange& file);
    void askDiscardSelectedChanges();
    QCoro::Task<> confirmDiscardChanges();
    void askDiscardAllChanges();
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
    // Selects, or deselects, every selectable line of the hunk from `fromLine` to `toLine` (indexes
    // into its lines, both included, in either order); its other lines keep what they had in
    // `base` when given (the selection a drag started from), else what they have now.
    void selectLineRange(int hunkId, int fromLine, int toLine, bool select,
                         std::optional<QSet<QUuid>> base = std::nullopt);
    void selectAllLinesInHunk(int hunkId);
    void clearLineSelection(int hunkId);
    QCoro::Task<> stageHunks(QList<DiffHunk> hunks);
    QCoro::Task<> unstageHunks(QList<DiffHunk> hunks);
    void askDiscardHunks(const QList<DiffHunk>& hunks);
    QCoro::Task<> confirmDiscardHunks();
    QCoro::Task<> stageSelectedLines(DiffHunk hunk);
    QCoro::Task<> unstageSelectedLines(DiffHunk hunk);

    // Commit and history rewriting.
    QCoro::Task<> commitChanges();
    void askPopCommit();
    QCoro::Task<> confirmPopCommit();
    bool canSquashSelectedCommits() const;
    void askSquashCommits();
    QCoro::Task<> confirmSquashCommits();
    bool isAncestorOfHead(const GitCommit& commit) const;
    QCoro::Task<> askResetToCommit(GitCommit commit);
    QCoro::Task<> confirmReset();
    void askUndoLastReset();
    QCoro::Task<> undoLastReset();
    void askRevertCommit(const GitCommit& commit);
    QCoro::Task<> confirmRevertCommit();
    void askCherryPickCommit(const GitCommit& commit);
    QCoro::Task<> confirmCherryPickCommit();
    // Shows all branches, or only the current one, and reloads the history to match.
    QCoro::Task<> toggleHideResetBranches();

    // Branches and remotes.
    QCoro::Task<> checkoutBranch(GitBranch branch);
    QCoro::Task<> checkoutRemoteBranch(GitBranch branch);
    QCoro::Task<> createBranchWithName(QString name);
    QCoro::Task<> askDeleteBranch(GitBranch branch);
    QCoro::Task<> confirmDeleteBranch();
    QCoro::Task<> confirmForceDeleteBranch();
    QCoro::Task<> askDeleteRemoteBranch(GitBranch branch);
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
    void askDeleteTag(const QString& tag);
    QCoro::Task<> confirmDeleteTag();
    void askAddWorktree();
    // The add sheet's fields belong to the view, so they come in as arguments; true once the
    // worktree exists, so that the view can clear them.
    QCoro::Task<bool> addWorktree(QString folderName, QString branchName, bool createNewBranch);
    void askRemoveWorktree(const GitWorktree& worktree);
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

    // Operations stopped on conflicts (RepositoryStateConflicts.cpp).
    // "Merging feature into main", "Cherry-picking 1a2b3c4", ...; empty when none.
    QString operationTitle() const;
    // "2 conflicted files", or "No conflicts left".
    QString conflictSummary() const;
    // An operation is in progress and no file conflicts any more.
    bool canContinueOperation() const;
    // "Commit Merge" for a merge, else "Continue".
    QString continueOperationLabel() const;
    std::optional<UnmergedEntry> conflictFor(const QString& path) const;
    qsizetype undecidedConflictBlocks() const;
    void askAbortOperation();
    QCoro::Task<> confirmAbortOperation();
    // Commits a merge, cherry-pick or revert with the commit box's message (git's prepared one
    // when the box is empty); continues a rebase or am. Asks first when a staged file still
    // holds conflict markers; the confirmation goes ahead without asking again.
    QCoro::Task<> continueOperation();
    QCoro::Task<> confirmContinueOperation();
    // The whole file as one side has it, or its deletion when that side deleted it. A file the
    // user changed from what git left is saved first among the recently discarded changes.
    QCoro::Task<> takeConflictSide(QString path, bool ours);
    // Stages the file as it is; asks first while it still holds conflict markers.
    QCoro::Task<> markConflictResolved(QString path);
    QCoro::Task<> confirmMarkConflictResolved();
    // For a file one side deleted: keep the other side's file, or delete it.
    QCoro::Task<> keepConflictedFile(QString path);
    QCoro::Task<> deleteConflictedFile(QString path);
    // Runs the merge tool of git's configuration on the file, without a terminal.
    QCoro::Task<> openInMergeTool(QString path);
    QCoro::Task<> loadConflict(QString path);
    void closeConflict();
    void chooseConflictBlock(int index, BlockChoice choice);
    // Writes the file with every block replaced by its choice; refuses, and says why, while a
    // block is undecided, when the file changed since it was shown, or when conflict markers
    // would remain. True once written.
    QCoro::Task<bool> writeConflictResolution();

    // Stashes, restoring discarded changes, amending (RepositoryStateStashes.cpp).
    void askStashChanges();
    QCoro::Task<> confirmStashChanges();
    // A conflicting apply or pop keeps the stash and leaves the conflicts in the working tree.
    QCoro::Task<> applyStash(StashEntry stash, bool pop);
    void askDropStash(const StashEntry& stash);
    QCoro::Task<> confirmDropStash();
    // Show the stash's (or the save's) diff and files in the commit-diff area.
    QCoro::Task<> selectStash(StashEntry stash);
    QCoro::Task<> selectDiscardedChange(DiscardedChange change);
    // Restores what still fits; names the files that changed since and were left alone.
    QCoro::Task<> restoreDiscarded(DiscardedChange change);
    // Deleting a save (after the confirmation) removes every reference to what it held.
    void askDeleteDiscarded(const DiscardedChange& change);
    QCoro::Task<> confirmDeleteDiscarded();
    // Ticking fills the message with the last commit's; unticking brings back what was typed.
    QCoro::Task<> setAmending(bool amend);
    QCoro::Task<> confirmAmendPushed();

Q_SIGNALS:
    void currentBranchChanged();
    void headCommitHashChanged();
    void commitsChanged();
    // Sent just before commitsChanged when a page was appended to the history list: its first
    // `keptRows` rows are the commits that stood there before.
    void commitsAppended(qsizetype keptRows);
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
    void showAllFilesChanged();
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
    void operationChanged();
    void conflictsChanged();
    void showAbortOperationConfirmationChanged();
    void conflictFileChanged();
    void conflictTextChanged();
    void conflictChoicesChanged();
    void conflictIsBinaryChanged();
    void showMarkResolvedConfirmationChanged();
    void conflictToMarkResolvedChanged();
    void showContinueWithMarkersConfirmationChanged();
    void filesWithConflictMarkersChanged();
    void discardedChangesChanged();
    void selectedStashChanged();
    void selectedDiscardedChangeChanged();
    void showStashSheetChanged();
    void stashMessageChanged();
    void stashIncludeUntrackedChanged();
    void stashKeepIndexChanged();
    void showDropStashConfirmationChanged();
    void showDeleteDiscardedConfirmationChanged();
    void discardedChangeToDeleteChanged();
    void stashToDropChanged();
    void amendLastCommitChanged();
    void showAmendPushedConfirmationChanged();

private:
    // Adds an activity-log entry labelled with this tab's name.
    void log(const QString& message, LogLevel level) const;
    // Logs a success and shows it in the window too (a network command that is done).
    void announceSuccess(const QString& message) const;
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
    // Clears the diff area of a commit, stash or save that no longer exists (popped, squashed).
    QCoro::Task<> clearVanishedCommit();
    // Reads what operation git is stopped in and, when `anyConflict`, how each file conflicts.
    QCoro::Task<> refreshOperation(GitService git, bool anyConflict);
    void clearShownFile(const FileChange& shown);
    QCoro::Task<bool> hunksStillCurrent(QList<DiffHunk> hunks, QString action);
    // How an operation reports its git step once it has run.
    struct StepReport {
        // The error entry of a failure; git's message follows it unless `withReason` is false.
        QString failure = {};
        // The success entry, if the operation logs one.
        std::optional<QString> success = {};
        // Whether the success entry is what git printed (`success` when it printed nothing).
        bool successFromOutput = false;
        bool withReason = true;
        // Whether a failed step is followed by a refresh as well, and whether a successful one
        // is (not when more steps follow).
        bool refreshAfterFailure = false;
        bool refreshAfterSuccess = true;
        // Field changes of a success, made before its entry is logged.
        std::function<void()> onSuccess = {};
        // Whether the success entry is also shown in the window: network commands say when
        // they are done.
        bool announced = false;
        // The information entry of a step the user cancelled ("Fetch cancelled"); without one,
        // the failure entry is logged as information.
        QString cancelled = {};
    };
    // The common end of an operation (or of one of its steps): awaits its git step, stops quietly
    // when the state is gone meanwhile, logs the failure or the success as `report` says, and
    // refreshes. True when the step succeeded and the state is still there.
    QCoro::Task<bool> finishStep(QCoro::Task<StepOutcome> step, StepReport report);
    // After a step that may stop on conflicts failed: refreshes at once, so that whatever git
    // left shows, and when it stopped on conflicts that were not there before, logs that as
    // information ("Merge stopped on conflicts in 2 files" + `suffix`). True then; false, with
    // nothing logged, for any other failure.
    QCoro::Task<bool> reportStopOnConflicts(QString operation, bool conflictsBefore,
                                            QString suffix = QString());
    QCoro::Task<> runThenRefresh(QStringList args, QString failurePrefix,
                                 std::optional<QString> successMessage);
    QCoro::Task<> updateIndex(QList<FileChange> files, bool unstage,
                              std::optional<QString> followPath);
    QCoro::Task<bool> applyToIndex(QString patch, bool unstage, QString what);
    QCoro::Task<> applyHunks(QList<DiffHunk> hunks, bool unstage);
    QCoro::Task<> applySelectedLines(DiffHunk hunk, bool unstage);
    QCoro::Task<> performPush();
    QCoro::Task<> deleteBranch(bool force);
    // Deletes the remote branch a local branch tracks; fails when it tracks none.
    QCoro::Task<StepOutcome> deleteUpstream(GitService git, std::optional<UpstreamBranch> upstream);
    // Deletes the remote-tracking branch `name` on its remote (a network command).
    QCoro::Task<StepOutcome> deleteRemoteTrackingBranch(GitService git, QString name);
    // The log texts of applying a commit's changes to the working tree (revert, cherry-pick).
    struct CommitApplication {
        QString applied;
        // A success whose output still mentions conflicts; empty when git cannot say so.
        QString appliedWithConflicts;
        QString conflicts;
        QString failurePrefix;
        // What stopped on conflicts: "Revert", "Cherry-pick".
        QString operation;
    };
    // A conflict is left for the user to resolve, so it refreshes like a success; any other
    // failure ends without a refresh.
    QCoro::Task<> applyCommit(QStringList args, CommitApplication texts);
    QCoro::Task<> createTag(QString name, std::optional<QString> message,
                            std::optional<QString> commit, std::function<void()> clearTyped);
    void createNearFile(const FileChange& nearFile, bool folder);
    QString absolutePath(const QString& relativePath) const;
    // Before a conflicted file is replaced: saves it where the recently discarded changes are
    // unless it holds only what git keeps anyway. False, with the reason logged, when it could
    // not be checked or saved; then the file must stay as it is.
    QCoro::Task<std::pair<bool, std::optional<DiscardSave>>>
    saveConflictedFile(UnmergedEntry entry, QString description);
    // Runs the steps that replace a conflicted file once it is saved (when it needs saving).
    QCoro::Task<> replaceConflictedFile(UnmergedEntry entry, QString description,
                                        QList<QStringList> steps, StepReport report);
    QCoro::Task<> stageConflictResolved(QString path);
    QCoro::Task<> commitOrContinueOperation();
    // Saves what a discard is about to remove; none, with the reason logged, when that fails,
    // and then the discard must not go ahead. `removedPatch`: as for saveBeforeDiscard.
    QCoro::Task<std::optional<DiscardSave>>
    saveBeforeDiscarding(QStringList paths, QString description, QString removedPatch = QString());
    // Records what the discard left and reloads the list of saves.
    QCoro::Task<> finishDiscardSave(DiscardSave save);
    // Keeps the newest saves and lists them again.
    QCoro::Task<> reloadDiscardedChanges(GitService git);
    QCoro::Task<> showCommitLikeDiff(GitCommit commit, QCoro::Task<LimitedOutput> diffTask,
                                     QCoro::Task<QList<CommitFileEntry>> filesTask);
    // Why the last commit cannot be amended now, if it cannot.
    QCoro::Task<std::optional<QString>> amendRefusal(GitService git);
    QCoro::Task<> amendCommit(bool confirmed);

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
    // The message typed before amend mode filled in the last commit's.
    QString m_messageBeforeAmend;

    friend class RepositoryStateTestAccess;
    friend class HistoryEditor;

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
    std::optional<RemoteTrackingBranch> m_remoteBranchToDeleteResolved;
    // The remote the publish confirmation named.
    QString m_publishRemote = QStringLiteral("origin");
    // The conflict view's file as it was read, so that a write never replaces later edits.
    QByteArray m_conflictBytes;
    quint64 m_conflictGeneration = 0;
    // The marker size git uses for the conflict view's file.
    int m_conflictMarkerSize = defaultConflictMarkerSize;
    // The branch ("refs/heads/...", empty when detached) the reset sheet was opened on, and its
    // upstream with the tip seen then.
    QString m_resetBranchRef;
    std::optional<UpstreamBranch> m_resetUpstream;
    // Where the last reset happened, the commit it left HEAD at, and its upstream with the tip
    // the remote should have now.
    QString m_lastResetBranchRef;
    QString m_lastResetTarget;
    std::optional<UpstreamBranch> m_lastResetUpstream;

    // Renaming a branch (on its remote too, when the user chooses), branching from or checking
    // out any commit, pushing tags and deleting them on the remote, and going to a date in the
    // history (RepositoryStateRefs.cpp).
    TOLVANE_FIELD(bool, showRenameBranchConfirmation, setShowRenameBranchConfirmation)
    TOLVANE_FIELD(std::optional<GitBranch>, branchToRename, setBranchToRename)
    TOLVANE_FIELD(QString, renameBranchNewName, setRenameBranchNewName)
    TOLVANE_FIELD(bool, renameAlsoOnRemote, setRenameAlsoOnRemote)
    TOLVANE_FIELD(bool, showCheckoutCommitConfirmation, setShowCheckoutCommitConfirmation)
    TOLVANE_FIELD(std::optional<GitCommit>, commitToCheckout, setCommitToCheckout)
    TOLVANE_FIELD(bool, showDeleteRemoteTagConfirmation, setShowDeleteRemoteTagConfirmation)
    TOLVANE_FIELD(QString, remoteTagToDelete, setRemoteTagToDelete)

public:
    // Validates the new name; renames at once when the branch tracks no remote branch, else asks
    // whether to rename the remote branch as well.
    QCoro::Task<> askRenameBranch(GitBranch branch, QString newName);
    QCoro::Task<> confirmRenameBranch();
    // "remote/branch" the rename confirmation offers to rename too; empty when none.
    QString branchToRenameUpstreamName() const {
        return m_branchToRenameUpstream ? m_branchToRenameUpstream->displayName() : QString();
    }
    // Creates a branch at the commit without switching to it.
    QCoro::Task<> createBranchAtCommit(QString name, GitCommit commit);
    void askCheckoutCommit(const GitCommit& commit);
    QCoro::Task<> confirmCheckoutCommit();
    QCoro::Task<> pushTag(QString name);
    QCoro::Task<> pushAllTags();
    void askDeleteRemoteTag(const QString& name);
    QCoro::Task<> confirmDeleteRemoteTag();
    // Lists the history down to the newest commit made on or before the day and selects it;
    // false when there is none.
    QCoro::Task<bool> goToDate(QDate date);

Q_SIGNALS:
    void showRenameBranchConfirmationChanged();
    void branchToRenameChanged();
    void renameBranchNewNameChanged();
    void renameAlsoOnRemoteChanged();
    void showCheckoutCommitConfirmationChanged();
    void commitToCheckoutChanged();
    void showDeleteRemoteTagConfirmationChanged();
    void remoteTagToDeleteChanged();
    // A commit was selected away from the user's pointer (a date, a blame line): the history
    // brings it into view.
    void commitRevealRequested(const QString& id);

private:
    // The remote a tag goes to: origin, else the only remote there is; fails when there is none.
    QCoro::Task<StepOutcome> tagRemote(GitService git);
    // Pushes the refspecs (every tag when none) to the remote tags go to; the success entry is
    // `successBeforeRemote` followed by the remote's name.
    QCoro::Task<> pushTagsToRemote(QStringList refspecs, QString failure,
                                   QString successBeforeRemote);
    QCoro::Task<> renameBranchOnRemote(GitService git, QString newName, UpstreamBranch upstream);
    std::optional<UpstreamBranch> m_branchToRenameUpstream;

    // Finding in the history, one file's history, and blame walked back through revisions
    // (RepositoryStateSearch.cpp). While a search or a file's history is shown, `commits` holds
    // its results, paged like the history, and the full history waits to come back.
    TOLVANE_FIELD(QString, historySearch, setHistorySearch)
    TOLVANE_FIELD(bool, isSearchingHistory, setIsSearchingHistory)
    TOLVANE_FIELD(QString, fileHistoryPath, setFileHistoryPath)
    TOLVANE_FIELD(QString, blameRevision, setBlameRevision)
    TOLVANE_FIELD(QList<BlameStep>, blameTrail, setBlameTrail)
    TOLVANE_FIELD(int, blameTrailPosition, setBlameTrailPosition)
    // The line the blame view should bring into view; every assignment asks again.
    TOLVANE_FIELD_ALWAYS(int, blameFocusLine, setBlameFocusLine)

public:
    static constexpr int historySearchDelayMs = 250;
    bool isHistoryFiltered() const;
    // Typing: the search runs once typing pauses, for the last text only.
    void typeHistorySearch(const QString& text);
    QCoro::Task<> searchHistory(QString text);
    // Back to the full history as it was, with its selection.
    void clearHistorySearch();
    QCoro::Task<> showFileHistory(QString path);
    void closeFileHistory();
    // Lists the commit in the full history (one git run finds how deep it lies) and selects it;
    // false when the history does not hold it.
    QCoro::Task<bool> showCommitInHistory(QString hash);
    // Blames the file as it was before the line's commit, at the line's place there.
    QCoro::Task<> blamePreviousRevision(GitBlameLine line);
    QCoro::Task<> goToBlameStep(int position);

Q_SIGNALS:
    void historySearchChanged();
    void isSearchingHistoryChanged();
    void fileHistoryPathChanged();
    void blameRevisionChanged();
    void blameTrailChanged();
    void blameTrailPositionChanged();
    void blameFocusLineChanged();

private:
    void saveFullHistory();
    void restoreFullHistory();
    int fullHistoryLimit() const;
    // Where refresh hands the full history's page: shown, or kept while a filter is shown (whose
    // page is then loaded again).
    QCoro::Task<> publishHistoryPage(QList<GitCommit> commits, int limit);
    QCoro::Task<> loadFilteredPage(int limit);
    QCoro::Task<> loadMoreFiltered();
    QCoro::Task<> loadBlameStep(BlameStep step);
    // The diff shown for a selected commit: the file's alone while its history is shown.
    QCoro::Task<LimitedOutput> shownCommitDiff(QString id) const;
    void startBlameTrail(const QString& path);

    std::optional<SavedHistory> m_savedHistory;
    // Per commit of a file's history, the file's path there (and before, for a rename).
    QHash<QString, QStringList> m_fileHistoryPaths;
    quint64 m_historyFilterGeneration = 0;
    QTimer* m_historySearchTimer = nullptr;
    QString m_pendingHistorySearch;

    // The full history, read page by page from one running log (RepositoryStatePaging.cpp).
    enum class HistoryRead { Read, Replaced, Failed };
    // Reads the log on until `count` commits are listed or it ends. Replaced: another history
    // (or none, the state being gone) took its place meanwhile, and the caller publishes nothing;
    // Failed: git failed (m_historyError says why), and the next read starts the log again.
    QCoro::Task<HistoryRead> readHistoryThrough(int count);
    // Starts the history again from a new log when the refs or HEAD differ from the last read.
    bool restartHistoryIfChanged(const QString& signature);
    void startHistory();
    QCoro::Task<> awaitHistoryReader();
    // Shows what has been read, or keeps it aside while a filter is shown.
    void publishHistoryRead(int limit);
    // Raises the list's length to `limit`, reads that far and shows it, logging a failure (the
    // rows shown stay). False when the state is gone.
    QCoro::Task<bool> loadHistoryThrough(int limit);
    std::unique_ptr<LogStream> m_historyStream;
    IncrementalCommitOrder m_historyOrder;
    QString m_historySignature;
    quint64 m_historyGeneration = 0;
    bool m_historyEnded = false;
    bool m_historyReading = false;
    std::optional<GitError> m_historyError;

    // What the repository window tells the user, and a repository whose folder went away
    // (RepositoryStateOutcomes.cpp).
    TOLVANE_FIELD(bool, repositoryMissing, setRepositoryMissing)

public:
    // Answers the question a commit refused for want of an author asks; tests answer it directly.
    void setIdentityPrompt(IdentityPromptCallback prompt) { m_identityPrompt = std::move(prompt); }
    // Writes user.name and user.email where `identity` says; false, with the reason logged, when
    // git refuses.
    QCoro::Task<bool> setGitIdentity(GitIdentity identity);
    // The questions this tab's network commands ask (passwords, passphrases, host keys).
    CredentialPrompts& credentialPrompts() const { return *m_credentialPrompts; }
    // The plan of a history edit (state/HistoryEditor.h).
    HistoryEditor& historyEditor() const { return *m_historyEditor; }
    // runNetworkCommand with extra environment (English output where git's words tell outcomes).
    QCoro::Task<QString> runNetworkCommand(GitService git, QStringList arguments,
                                           ExtraEnvironment environment);

Q_SIGNALS:
    void repositoryMissingChanged();
    // An outcome to show in the window: every failure logged, and the end of a network command.
    void outcomeAnnounced(const QString& message, LogLevel level) const;

private:
    // After a failed commit: when git knows no author, asks for one and writes it; true when the
    // commit can be tried again.
    QCoro::Task<bool> askForMissingIdentity(GitService git);
    // "Pushed main to origin": the current branch and the remote it tracks, or `fallback`.
    QCoro::Task<> announceNetworkSuccess(GitService git, QString verb, QString preposition,
                                         QString fallback);
    // Whether the tab's folder is gone, looked at off the interface thread (a stale mount can
    // hang a stat).
    QCoro::Task<bool> workingTreeMissing() const;

    // Logs how a network command ended and what to show of it; the error to pass on, if any.
    std::optional<GitError> reportNetworkOutcome(std::optional<GitError> failure, bool cancelled,
                                                 const QString& command, const QString& remote);

    IdentityPromptCallback m_identityPrompt;
    CredentialPrompts* m_credentialPrompts;
    HistoryEditor* m_historyEditor;

    // Changes made outside the window, and how each local branch stands against its upstream
    // (RepositoryStateWatching.cpp).
    TOLVANE_FIELD(BranchTrackingMap, branchTracking, setBranchTracking)

public:
    RepositoryWatcher& watcher() const { return *m_watcher; }
    // Notices changes other programs make to the working tree and the repository from now on,
    // and refreshes after them.
    QCoro::Task<> watchForChanges();
    // How the current branch stands against its upstream; none without one.
    std::optional<BranchTracking> currentTracking() const;

Q_SIGNALS:
    void branchTrackingChanged();

private:
    void setUpWatching();
    // Full ref names the history lists besides HEAD's while it shows the current branch only:
    // its upstream, so that a fetch that left the branch behind shows where the remote is.
    QStringList historyAlsoRefs() const;

    RepositoryWatcher* m_watcher = nullptr;
    QString m_historyUpstream;

    // Contents a partial clone has not downloaded yet (RepositoryStateContents.cpp).
    TOLVANE_FIELD(bool, contentsNotDownloaded, setContentsNotDownloaded)
    TOLVANE_FIELD(bool, isDownloadingContents, setIsDownloadingContents)

public:
    // Downloads, as a network command, the contents the shown commit diff or blame lacked, then
    // shows it again.
    QCoro::Task<> downloadMissingContents();
    // What git offers for this repository's size and whether it is on (state/HealthState.h).
    HealthState& health();

Q_SIGNALS:
    void contentsNotDownloadedChanged();
    void isDownloadingContentsChanged();

private:
    // The shown query stopped for want of contents: `arguments` download them when the user asks,
    // then `reload` runs. Without a failure for want of contents, it only forgets an earlier one.
    bool noteMissingContents(const std::optional<GitError>& failure, QStringList arguments,
                             std::function<QCoro::Task<>()> reload);
    QStringList m_contentsDownloadArguments;
    std::function<QCoro::Task<>()> m_reloadAfterDownload;
    HealthState* m_health = nullptr;
public:
    // Every operation that moved refs, the index or the stashes, with its undo and redo.
    UndoJournal& undoJournal() const { return *m_undoJournal; }

private:
    UndoJournal* m_undoJournal = nullptr;
    // Commits refused by a signing program or a hook (RepositoryStateRefusals.cpp).
public:
    // What the last refusing hook printed, for the panel below the commit box.
    HookOutput& hookOutput() const { return *m_hookOutput; }

private:
    // Reports a failed commit-making step when a signature or a hook refused it: one line in
    // the window ("<prefix>the commit could not be signed", "pre-commit hook rejected the
    // commit"), git's whole text in the log, and a hook's output in the panel. False, with
    // nothing reported, for any other failure.
    bool reportRefusal(const QString& prefix, const StepOutcome& outcome,
                       const QString& what = QStringLiteral("the commit"));
    HookOutput* m_hookOutput = new HookOutput(this);

public:
    // The history's signature badges, checked for the rows on screen.
    SignatureBadges& signatureBadges() const { return *m_signatureBadges; }

private:
    SignatureBadges* m_signatureBadges = new SignatureBadges(m_tab.path, this);

    // The commit message kept across failures and restarts, and the template.
    friend class CommitMessageMemory;

public:
    CommitMessageMemory& commitMessageMemory() const { return *m_commitMessageMemory; }

private:
    CommitMessageMemory* m_commitMessageMemory = nullptr;
    // Remotes and submodules, each an object of its own that logs and refreshes through this one.
public:
    RemotesState& remotes() const { return *m_remotes; }
    SubmodulesState& submodules() const { return *m_submodules; }

private:
    friend class RemotesState;
    friend class SubmodulesState;
    RemotesState* m_remotes = new RemotesState(*this);
    SubmodulesState* m_submodules = new SubmodulesState(*this);
};

} // namespace tolvane
