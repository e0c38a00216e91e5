#pragma once

#include "engine/FileChange.h"
#include "state/listedChanges.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

namespace tolvane {

// The staged rows, in order. Hidden dot files are listed too: a commit takes everything staged,
// so the list and its count must show all of it.
QList<FileChange> stagedRows(const QList<FileChange>& changes);

// The unstaged rows but conflicted files, then (with "All Files") every unchanged tracked path as
// an unmodified row, sorted by path.
QList<FileChange> unstagedRows(const QList<FileChange>& changes, const QStringList& trackedFiles,
                               bool showDotFiles, bool showAllFiles);

// Whether a path fits what was typed in the file filter. The typed text is split at "/" into
// parts; each part, ignoring case, must occur in a segment of the path, the parts' segments in
// path order (later parts in later segments, gaps allowed): "src/eng/git" fits
// "src/engine/git/GitService.cpp" and "src/engine/GitService.cpp". Spaces around the text and
// empty parts are ignored; an empty filter fits every path.
bool pathMatchesFilter(QStringView path, QStringView filter);

// The ignore pattern for the file's extension ("*.ext"; the whole path when there is no dot),
// or none when the extension has 10 characters or more.
std::optional<QString> extensionIgnorePattern(const QString& path);
// The folder of a path with a trailing "/", or none for a file at the top level.
std::optional<QString> folderIgnorePattern(const QString& path);

} // namespace tolvane
