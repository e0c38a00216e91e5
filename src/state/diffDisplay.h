#pragma once

#include "diff/ParsedFileDiff.h"
#include "engine/LimitedOutput.h"

#include <QString>
#include <optional>

namespace tolvane {

// Limits of what the diff area shows.
inline constexpr qint64 maxDiffFileBytes = 5'000'000;
inline constexpr qsizetype maxDiffCharacters = 500'000;
// What is read of a commit's diff: more than enough bytes for the characters shown, since no
// character takes more than four.
inline constexpr qint64 maxDiffOutputBytes = 4 * maxDiffCharacters + 4;

// The text shown for a file and, when it can be staged hunk by hunk, its parse.
struct DiffDisplay {
    QString text;
    std::optional<ParsedFileDiff> parsed;
};

// The notice for files whose diff is never computed (lock files, minified files, databases...),
// or none when the file is diffed normally.
std::optional<QString> skippedDiffNotice(const QString& path);

// An untracked file shown as a banner, a separator and every line added.
QString untrackedFileDisplay(const QString& path, const QString& content);

// A git diff as shown: parsed when below the text limit, cut with a notice when not.
DiffDisplay trackedDiffDisplay(const QString& diff);

// A commit's diff as shown: the same text limit and notice as a file's diff, never parsed. A diff
// read only in part always carries the notice, and ends at its last whole line.
QString commitDiffDisplay(const QString& diff);
QString commitDiffDisplay(const LimitedOutput& diff);

// The first `limit` user-perceived characters of `text`, or none when it has fewer than
// limit + 1 of them.
std::optional<QString> cutToGraphemes(const QString& text, qsizetype limit);

} // namespace tolvane
