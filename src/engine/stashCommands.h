#pragma once

#include "engine/CommitFileEntry.h"
#include "engine/GitService.h"

#include <QList>
#include <QString>

namespace tolvane {

// Stash commands. A stash is named by its place in the list and checked against the commit
// it was listed with, so that a list changed behind our back never makes us drop or apply
// another stash.

// `git stash push`; returns git's own line ("Saved working directory ..." or "No local changes
// to save"); throws.
QCoro::Task<QString> stashPush(GitService git, QString message, bool includeUntracked,
                               bool keepIndex);
// Applies (or pops) stash@{index} when it still is `hash`; throws. A conflicting apply or pop
// throws too and keeps the stash, as git does.
QCoro::Task<> stashApply(GitService git, int index, QString hash, bool pop);
// Drops stash@{index} when it still is `hash`; throws.
QCoro::Task<> stashDrop(GitService git, int index, QString hash);
// The stash's header, statistics and patch against the commit it was made on, followed by the
// untracked files it holds, read up to `maxBytes` in all (everything when negative); throws.
QCoro::Task<LimitedOutput> stashDiff(GitService git, QString hash, qint64 maxBytes = -1);
// Its files, tracked ones first, then the untracked ones it holds; throws.
QCoro::Task<QList<CommitFileEntry>> stashFiles(GitService git, QString hash);

} // namespace tolvane
