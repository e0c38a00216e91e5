#pragma once

#include "engine/CommitFileEntry.h"

#include <QList>
#include <QString>

namespace tolvane {

// Lines of `git show --name-status --format=`: a status letter (a rename or copy score is
// dropped) and the path, or "old → new" for a rename or copy. Paths are left as git printed them.
QList<CommitFileEntry> parseCommitFiles(const QString& output);

} // namespace tolvane
