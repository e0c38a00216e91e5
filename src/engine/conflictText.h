#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace tolvane {

// One conflict block of a file git left with conflict markers. Each side keeps its lines with
// their own line endings, exactly as in the file.
struct ConflictBlock {
    QString ours;
    QString theirs;
    std::optional<QString> base; // present with merge.conflictStyle diff3 or zdiff3
    QString oursLabel;           // the text after "<<<<<<< ", e.g. "HEAD"
    QString theirsLabel;         // the text after ">>>>>>> ", e.g. "feature"
    QString baseLabel;           // the text after "||||||| ", with a base

    friend bool operator==(const ConflictBlock&, const ConflictBlock&) = default;
};

// The file cut into the text outside conflicts and the blocks: plain[0], blocks[0], plain[1], ...,
// blocks[n-1], plain[n]. A marker that is never closed leaves its text plain.
struct ConflictText {
    QList<QString> plain;
    QList<ConflictBlock> blocks;

    friend bool operator==(const ConflictText&, const ConflictText&) = default;
};

// git's marker length when the path's conflict-marker-size attribute does not set one.
inline constexpr int defaultConflictMarkerSize = 7;

// `markerSize` is the length git wrote the markers with, from the path's attributes.
ConflictText parseConflictText(const QString& text, int markerSize = defaultConflictMarkerSize);

// Whether a line opens or closes a conflict block ("<<<<<<<" or ">>>>>>>" of exactly
// `markerSize` characters, then white space or the line end), as git's own check counts them.
// Separator lines alone are not counted: "=======" also underlines headings.
bool hasConflictMarkers(const QString& text, int markerSize = defaultConflictMarkerSize);

// The same test as an extended regular expression for `git grep -E`, which reads lines without
// their line ends.
QString conflictMarkerPattern(int markerSize);

// The size in the output of `git check-attr -z conflict-marker-size -- path`: a positive number
// git reads from the value's leading digits, else the default.
int parseConflictMarkerSize(const QString& output);

enum class BlockChoice { Undecided, Ours, Theirs, Both };

// The file with each block replaced by the chosen side (both: ours, then theirs). None while a
// block is undecided or the choices do not match the blocks, so that no marker or half-chosen
// text is ever written.
std::optional<QString> resolveConflictText(const ConflictText& text,
                                           const QList<BlockChoice>& choices);

} // namespace tolvane
