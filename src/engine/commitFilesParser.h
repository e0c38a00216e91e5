#pragma once

#include "engine/CommitFileEntry.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace tolvane {

// NUL-terminated records of `git show --name-status -z --format=`: a status record (a rename or
// copy score is dropped), then the path, or for a rename or copy the old and the new path, which
// become "old → new". Paths arrive unquoted, exactly as git knows them.
QList<CommitFileEntry> parseCommitFiles(const QString& output);

// The same from git's own bytes, decoding only the paths (losslessly, see gitText.h).
QList<CommitFileEntry> parseCommitFilesBytes(QByteArrayView output);

} // namespace tolvane
