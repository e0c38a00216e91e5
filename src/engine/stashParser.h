#pragma once

#include "engine/StashEntry.h"

#include <QList>
#include <QString>

namespace tolvane {

// Records of `git stash list -z --format=%gd%x00%H%x00%ct%x00%s`, newest first: four fields,
// each ended by NUL. A record whose name is not stash@{number}, or without a commit or a
// readable time, is skipped.
QList<StashEntry> parseStashList(const QString& output);

} // namespace tolvane
