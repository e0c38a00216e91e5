#pragma once

#include "engine/GitWorktree.h"

#include <QList>
#include <QString>

namespace tolvane {

// Blocks of `git worktree list --porcelain`; the first block is the main working tree. Lines
// other than worktree, HEAD, branch and detached are ignored.
QList<GitWorktree> parseWorktreeList(const QString& output);

} // namespace tolvane
