#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace tolvane {

// What an operation may move, read just before and just after it ran.
struct RepositorySnapshot {
    // "refs/heads/main", or empty when HEAD is detached.
    QString headRef;
    // HEAD's commit; empty on an unborn branch.
    QString headId;
    // Every branch and tag: full ref name to object id.
    QMap<QString, QString> refs;
    // The stash list, newest first, with each entry's message.
    QStringList stashIds;
    QStringList stashMessages;
    // The index written as a tree; empty when it could not be (unmerged paths).
    QString indexTree;
    // The tracked files as they are in the working tree, as a tree; empty when unknown.
    QString workTree;

    friend bool operator==(const RepositorySnapshot&, const RepositorySnapshot&) = default;
};

enum class JournalEntryState { Done, Undone, Abandoned };

struct JournalEntry {
    QString id;
    QDateTime time;
    // "Commit", "Delete Branch 'feature'"; menus put "Undo " in front.
    QString description;
    RepositorySnapshot before;
    RepositorySnapshot after;
    JournalEntryState state = JournalEntryState::Done;

    friend bool operator==(const JournalEntry&, const JournalEntry&) = default;
};

QByteArray serializeJournal(const QList<JournalEntry>& entries);
// None when the text is not a journal; entries that lack a field are left out.
std::optional<QList<JournalEntry>> parseJournal(const QByteArray& text);

// One ref set, created or deleted (an empty id means absent), expecting it at `from`.
struct RefMove {
    QString ref;
    QString from;
    QString to;
    friend bool operator==(const RefMove&, const RefMove&) = default;
};

// How to bring the repository from one snapshot to another while it stands at `now`.
struct SnapshotMove {
    // Why it must not happen; empty when it may.
    QString refusal;
    QList<RefMove> refs;
    // HEAD is attached to this branch, or (when `headRef` is empty) detached at `headId`.
    bool moveHead = false;
    QString headRef;
    QString headId;
    // The index and the working tree go from one tree to the other.
    QString indexFrom;
    QString indexTo;
    QString workFrom;
    QString workTo;
    bool moveStashes = false;
    friend bool operator==(const SnapshotMove&, const SnapshotMove&) = default;
};

// Refuses when anything the move would change is no longer where `from` left it: a branch, tag,
// HEAD or the stash list changed since (in a terminal, say), or the index could not be read.
SnapshotMove planSnapshotMove(const RepositorySnapshot& from, const RepositorySnapshot& to,
                              const RepositorySnapshot& now);

// Whether the snapshots differ in anything an undo would restore.
bool snapshotsDiffer(const RepositorySnapshot& a, const RepositorySnapshot& b);

// A path's entry in one tree: an empty id is absent.
struct TreeEntry {
    QString mode;
    QString id;
    friend bool operator==(const TreeEntry&, const TreeEntry&) = default;
};

// One path whose index entry or file differs between the two sides of a move. `index` and
// `workTree` are the ids it has now; `workTree` is empty when there is no file, "?" when it
// cannot be read as a blob (a folder, a link).
struct PathState {
    QString path;
    TreeEntry fromIndex;
    TreeEntry toIndex;
    TreeEntry fromWork;
    TreeEntry toWork;
    QString index;
    QString workTree;
};

struct PathStep {
    QString path;
    TreeEntry index;
    TreeEntry work;
    // Whether the file in the working tree is written (or removed, when `work` is absent).
    bool writeFile = false;
    friend bool operator==(const PathStep&, const PathStep&) = default;
};

struct PathPlan {
    QList<PathStep> steps;
    // Paths whose staged or unstaged work the move would overwrite.
    QStringList refused;
    friend bool operator==(const PathPlan&, const PathPlan&) = default;
};

// Like `reset --keep`: a file is replaced only while it is exactly what the move expects to
// find; one that already is what the move leaves only has its index entry set.
PathPlan planPathMoves(const QList<PathState>& paths);

// "abc1234": the short form for messages.
QString shortId(const QString& id);

// Ids that must stay reachable for the entry to be undone and redone.
QStringList idsToKeep(const JournalEntry& entry);

// The index of the entry Undo acts on (the newest done one), and of the one Redo acts on (the
// oldest undone one after it); -1 when none.
qsizetype entryToUndo(const QList<JournalEntry>& entries);
qsizetype entryToRedo(const QList<JournalEntry>& entries);

// Entries dropped to keep the journal short: never one younger than `keepDays`, and only while
// more than `keepCount` remain.
QList<JournalEntry> entriesToExpire(const QList<JournalEntry>& entries, const QDateTime& now,
                                    int keepDays = 30, int keepCount = 100);

} // namespace tolvane
