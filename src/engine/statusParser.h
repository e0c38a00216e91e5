#pragma once

#include "engine/FileChange.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tolvane {

// Records of `git status --porcelain -z -uall`: "XY path", NUL-terminated, and for a rename or
// copy a second record holding the source path. Each record gives a conflict entry, or a staged
// entry (first) and an unstaged entry for the columns that carry a change letter.
QList<FileChange> parseStatus(const QString& output);

// The same from git's own bytes: only the paths are decoded (losslessly, see gitText.h), which
// is what the status query hands over.
QList<FileChange> parseStatusBytes(QByteArrayView output);

// Undoes git's C-style quoting of a path whose enclosing quotes are already removed. Escaped
// bytes that are not valid UTF-8 come back as escaped surrogates (see gitText.h), so that the
// path still names the file git knows.
QString unescapeGitPath(const QString& text);

} // namespace tolvane
