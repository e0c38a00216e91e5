#pragma once

#include "engine/GitService.h"

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

} // namespace tolvane
