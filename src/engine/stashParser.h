#pragma once

#include "engine/StashEntry.h"

#include <QList>
#include <QString>

namespace tolvane {

// Lines of `git stash list --format=%gd|||%s`, newest first. A line that does not split into
// exactly two parts (a subject containing "|||") or has no readable number is skipped.
QList<StashEntry> parseStashList(const QString& output);

} // namespace tolvane
