#pragma once

#include "engine/GitCommit.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace tolvane {

class StringArena;

// The format the log query asks for: eight NUL-terminated fields and an end marker per commit.
inline const QString logFormatArgument =
    QStringLiteral("--format=%H%x00%h%x00%an%x00%at%x00%s%x00%B%x00%D%x00%P%x00---END---");

// Every ref's history but that of our own refs under refs/tolvane/ (saves of discarded work and
// the like), which are no history of the user's: git applies the exclusion to the --all after it.
inline const QStringList allRefsArguments{QStringLiteral("--exclude=refs/tolvane/*"),
                                          QStringLiteral("--all")};

// Commits of `git log` printed with logFormatArgument, in git's order. Pieces with fewer than
// five fields or without a hash are skipped.
QList<GitCommit> parseLog(const QString& output);

// The same from git's own bytes, without decoding the whole output first: faster, and what a
// reader of git's output stream should hand over, whole records at a time.
QList<GitCommit> parseLogBytes(QByteArrayView output);
// The same with the strings placed in `arena`, which later calls go on filling: a stream parsed
// a few records at a time then leaves no half-empty block behind each piece.
QList<GitCommit> parseLogBytes(QByteArrayView output, StringArena& arena);

} // namespace tolvane
