#pragma once

#include "diff/DiffHunk.h"
#include "diff/DiffLineInfo.h"
#include "diff/ParsedFileDiff.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <optional>

namespace tolvane {

// How a partial patch will be applied. The reduced hunk must match the content it is applied to:
// forwards that is the diff's old side (staging from the unstaged diff), in reverse its new side
// (unstaging from the staged diff, or discarding from the working tree).
enum class PatchDirection { Forward, Reverse };

// Unified-diff parsing and patch building for one file's diff. Pure functions over strings.
namespace DiffParser {

// Splits one file's diff into header lines and hunks. Every line from the first line that begins
// with "@@" on belongs to some hunk; the numbers in hunk headers are not read.
[[nodiscard]] ParsedFileDiff parse(const QString& text);

// A hunk from its raw lines; `lines` must already hold the header line as element 0.
[[nodiscard]] DiffHunk makeHunk(int index, const QString& header, QStringList lines);

// The selectable lines of a hunk: one info with a fresh id per line beginning with '+' or '-'.
[[nodiscard]] QList<DiffLineInfo> buildLineInfos(const DiffHunk& hunk);

// The patch text for the given hunks under the file's header lines, ending in one line feed.
[[nodiscard]] QString buildPatch(const QStringList& header, const QList<DiffHunk>& hunks);

// The patch that applies `hunks`, whole or reduced hunks of `diff`, in `direction`. When they hold
// every change of the file this is git's own header; otherwise the header is the one
// `partialPatchHeader` gives.
[[nodiscard]] QString buildPatch(const ParsedFileDiff& diff, const QList<DiffHunk>& hunks,
                                 PatchDirection direction);

// The header for a patch that carries only part of a file's change, so that the target keeps
// its name and mode and ends up holding exactly the part chosen. Forwards a deleted file becomes
// a modification; in reverse a new file becomes a modification and a rename or copy keeps its
// new name on both sides. Mode changes are dropped either way; a new file staged forwards and a
// deleted one undone in reverse stay a creation of the lines chosen.
[[nodiscard]] QStringList partialPatchHeader(const QStringList& header, PatchDirection direction);

// The hunk reduced to the selected lines (by info id), with a recomputed header. Unselected
// changes are turned into context or dropped depending on `direction`. Returns nothing when no
// change line is selected, or when a missing newline at the end of the file cannot be kept last
// on its side.
[[nodiscard]] std::optional<DiffHunk>
buildPartialHunk(const DiffHunk& original, const QSet<QUuid>& selectedLineIDs,
                 const QList<DiffLineInfo>& lineInfos,
                 PatchDirection direction = PatchDirection::Forward);

// Rewrites the counts of a "@@ -a,b +c,d @@ suffix" header, keeping the start numbers as text;
// a header of another form is returned unchanged.
[[nodiscard]] QString recalculateHunkHeader(const QString& header, qsizetype oldCount,
                                            qsizetype newCount);

} // namespace DiffParser
} // namespace tolvane
