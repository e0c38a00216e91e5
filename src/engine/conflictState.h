#pragma once

#include "engine/GitService.h"
#include "engine/conflictText.h"

#include <QChar>
#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tolvane {

// A multi-step operation git has stopped in the middle of, as its state files say.
enum class OperationKind { None, Merge, CherryPick, Revert, Rebase, Am };

struct RepositoryOperation {
    OperationKind kind = OperationKind::None;
    // What the operation works with: the merged branch (or the merged commit's hash when git's
    // message names no branch), the picked or reverted commit, the rebased branch.
    QString subject;
    // Full hash from MERGE_HEAD, CHERRY_PICK_HEAD or REVERT_HEAD; the rebase's onto commit.
    QString commit;
    // Patch numbers of an am or an apply-style rebase (0 when unknown).
    int step = 0;
    int steps = 0;

    friend bool operator==(const RepositoryOperation&, const RepositoryOperation&) = default;
};

// The names handed to `git rev-parse --git-path`, so that a linked worktree's own state files are
// found. Directories are listed before the files inside them.
QStringList operationStateFileNames();

// The state files that exist, by the name asked for; a directory maps to an empty text.
using OperationStateFiles = QHash<QString, QString>;

// Rebase and am first (a rebase stopped on a conflicted pick may leave CHERRY_PICK_HEAD behind),
// then merge, cherry-pick and revert.
RepositoryOperation detectOperation(const OperationStateFiles& files);

// Reads the state files of the repository git runs in, on a worker. Throws the runner's GitError
// only when git cannot name the files.
QCoro::Task<RepositoryOperation> readOperationState(GitService git);

// The commit message git prepared for finishing a merge, cherry-pick or revert (MERGE_MSG), read
// on a worker; empty when there is none.
QCoro::Task<QString> readPreparedMessage(GitService git);

// A prepared message as a commit message: git's comment lines ("# Conflicts:" and the paths
// under it) dropped, surrounding blank lines trimmed.
QString stripCommentLines(const QString& message);

// How a path conflicts, named from our side (HEAD) and their side (what is merged in).
enum class ConflictKind {
    BothModified,  // UU
    BothAdded,     // AA
    BothDeleted,   // DD
    AddedByUs,     // AU
    AddedByThem,   // UA
    DeletedByUs,   // DU
    DeletedByThem, // UD
};

// The kind of an unmerged porcelain status entry, or none for letters that are not a conflict.
std::optional<ConflictKind> conflictKindForLetters(QChar x, QChar y);

// "both modified", "deleted by them", ...
QString conflictKindText(ConflictKind kind);

// One unmerged path of `git ls-files -u -z`, with the index stages git keeps for it.
struct UnmergedEntry {
    QString path;
    ConflictKind kind = ConflictKind::BothModified;
    bool hasBase = false;   // stage 1
    bool hasOurs = false;   // stage 2
    bool hasTheirs = false; // stage 3

    friend bool operator==(const UnmergedEntry&, const UnmergedEntry&) = default;
};

// Records "<mode> <hash> <stage>\t<path>\0", grouped by path in git's order. Malformed records
// are skipped.
QList<UnmergedEntry> parseUnmergedEntries(const QString& output);

// The marker size git writes and reads for `path`: its conflict-marker-size attribute, else 7;
// throws.
QCoro::Task<int> conflictMarkerSize(GitService git, QString path);

// The staged files that hold conflict markers, each read with its own marker size, among those
// a commit now would change: the files that differ from HEAD and, in a merge, from the merged
// commit too (a file taken whole from either side holds no marker the merge wrote). Throws.
QCoro::Task<QStringList> stagedFilesWithConflictMarkers(GitService git, bool merge);

// Whether the file at `location` holds a line that opens or closes a conflict block of
// `markerSize`; read line by line, on a worker. A binary file (a NUL byte in its first 8000) or
// anything but a regular file has none.
bool fileHasConflictMarkers(const QString& location, int markerSize);

// Whether replacing the working-tree file of a conflicted path loses nothing git does not keep:
// the file is absent, or its bytes are one side's version or the text with markers git merged
// (made again from the index stages with the labels the file's own markers carry), compared as
// git keeps them and with a CRLF checkout's line ends. Anything else counts as the user's work.
// Throws when the stages cannot be read.
QCoro::Task<bool> conflictFileHoldsOnlyGitText(GitService git, UnmergedEntry entry,
                                               QString location, int markerSize);

} // namespace tolvane
