#pragma once

#include "engine/GitService.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tolvane {

// A copy of what a discard took out of the working tree, kept as a commit in the repository:
// its tree holds the discarded files as they were, its parent's tree the same files as the
// discard left them, so the commit's own diff is exactly what was lost. A dropped stash is kept
// the same way, as the stash's own commit.
struct DiscardedChange {
    QString ref;
    QString hash;
    qint64 time = 0; // seconds since the epoch
    QString description;
    QStringList paths;
    bool isStash = false; // a dropped stash: shown and restored as a stash

    friend bool operator==(const DiscardedChange&, const DiscardedChange&) = default;
};

// Our own refs keep the saves reachable, so git's garbage collection never removes them.
inline constexpr QStringView discardedRefPrefix = u"refs/tolvane/discarded/";
inline constexpr int keptDiscardedChanges = 50;

// The commit message of a save: the description, a blank line, then one path per line.
QString discardedChangeMessage(const QString& description, const QStringList& paths);

// The output of `for-each-ref --format=%(refname)%00%(objectname)%00%(committerdate:unix)%00
// %(parent)%00%(contents)%00`, in the order given; records that do not have five fields are
// skipped. A commit with more than one parent is a stash.
QList<DiscardedChange> parseDiscardedChanges(const QString& output);

// A save under way: the ref already holds the files as they were before the discard.
struct DiscardSave {
    QString ref;
    QString beforeTree;
    QString message;
    QStringList paths;
};

// The tracked paths whose working-tree content differs from the index: what "restore ." would
// reset; throws.
QCoro::Task<QStringList> unstagedPaths(GitService git);

// Records the working-tree content of `paths` (absent files included, as absent) under a new
// ref, without touching the working tree or the index; throws, and then nothing is saved. The
// save holds from the start what the discard is to leave: the files' index version, or, given
// `removedPatch`, the files with that patch taken out (as GitService::discardPatch does). So a
// save that is never completed still restores only over files the discard left as they were.
// The scratch index and patch files live in a folder of the repository's git folder that only
// the user can enter.
QCoro::Task<DiscardSave> saveBeforeDiscard(GitService git, QString description, QStringList paths,
                                           QString removedPatch = QString());
// After the discard: records what the files became, so that the save's diff shows what was lost
// and can be applied back; throws (the save then keeps only the former content).
QCoro::Task<> completeDiscardSave(GitService git, DiscardSave save);
// The newest saves, newest first; throws.
QCoro::Task<QList<DiscardedChange>> listDiscardedChanges(GitService git,
                                                         int limit = keptDiscardedChanges);
// Deletes every save but the newest `keep`; never fails.
QCoro::Task<> pruneDiscardedChanges(GitService git, int keep = keptDiscardedChanges);
// Applies the save `ref` names back onto the working tree (the index is left alone), file by
// file: a file is changed only where the saved change still fits it exactly, which it always
// does when the file is as the discard left it. Returns the files left alone because they
// changed since; throws, changing nothing, when no file could be restored. A dropped stash is
// applied as `stash apply` does. Named by its ref, so that a save completed after it was listed
// is restored as completed.
QCoro::Task<QStringList> restoreDiscardedChange(GitService git, QString ref);
// Deletes the save `ref` while it still is `hash`, with its reflog, so that nothing in the
// repository refers to what it held any more; throws.
QCoro::Task<> deleteDiscardedChange(GitService git, QString ref, QString hash);
// Keeps the stash commit `hash`, about to be dropped, among the saves; returns its ref; throws.
QCoro::Task<QString> keepDroppedStash(GitService git, QString hash);

} // namespace tolvane
