#pragma once

#include "engine/FileChange.h"

#include <QList>
#include <QString>

namespace tolvane {

// A path inside a dot directory, or a dot file other than the few git files always shown.
bool isDotFile(const QString& path);

// The unstaged changes the Changes page lists, in order: conflicted files are listed in their
// own section instead, and hidden dot files are left out unless dot files are shown. Bulk
// actions act on these, so that nothing the user cannot see is staged or discarded.
QList<FileChange> listedUnstagedChanges(const QList<FileChange>& changes, bool showDotFiles);

// How many unstaged changes the list leaves out because dot files are hidden.
qsizetype hiddenUnstagedCount(const QList<FileChange>& changes, bool showDotFiles);

// "1 hidden file", "3 hidden files".
QString hiddenFilesText(qsizetype count);

} // namespace tolvane
