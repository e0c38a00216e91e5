#pragma once

#include "engine/FileChange.h"

#include <QList>
#include <QString>

namespace tolvane {

// Entries of `git status --porcelain -uall`: per line a conflict entry, or a staged entry
// (first) and an unstaged entry for the columns that carry a change letter.
QList<FileChange> parseStatus(const QString& output);

// Undoes git's C-style quoting of a path whose enclosing quotes are already removed. Octal
// escapes rebuild UTF-8 bytes; when the bytes are not valid UTF-8 the input comes back unchanged.
QString unescapeGitPath(const QString& text);

} // namespace tolvane
