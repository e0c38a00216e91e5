#pragma once

#include <QColor>
#include <QList>
#include <QStringList>

namespace tolvane {

// What one line of a graph row draws: the node's own lane, a lane passing by, the lane of a
// further parent leaving the node downwards, or an ending branch coming into the node from above.
// A long line that the compact layout shortens ends below its node in a downward arrow and comes
// back, a few rows above the commit it leads to, from an upward arrow.
enum class LineType { Commit, PassThrough, MergeFrom, BranchTo, ArrowDown, ArrowUp };

struct GraphLine {
    int column =
        0; // lane index, 0 = leftmost; for a lane moving sideways, its column at the bottom
    LineType type = LineType::Commit;
    QColor color;
    // A pass-through that moves one column over in this row: its column at the row's top.
    int fromColumn = -1;
    // The row of the commit this line leads down to (-1 when unknown). Rows from the list's size
    // on name CommitGraphLayout::missingParents, commits not loaded yet.
    int target = -1;
    // Upward arrows: the row of the nearest commit whose shortened line this one continues.
    int source = -1;
    // Identifies the lane over all the rows it crosses (-1 when unknown).
    int lane = -1;

    friend bool operator==(const GraphLine&, const GraphLine&) = default;
};

// The graph slice of one commit row. Rows are drawn independently; lanes are continuous because
// every row draws its lanes over its full height.
struct CommitGraphData {
    int column = 0;         // lane of the commit's node
    QList<GraphLine> lines; // in drawing order
    int maxColumn = 0;      // highest lane in use at this row; never decreases down the list
                            // except in the compact layout, where it is this row's own width
    bool isHead = false;
    // Drawn by the compact rules: the node line is the node alone, the lanes into and out of it
    // are BranchTo and MergeFrom lines of their own.
    bool compact = false;

    friend bool operator==(const CommitGraphData&, const CommitGraphData&) = default;
};

// The rows of one list of commits, in list order.
struct CommitGraphLayout {
    QList<CommitGraphData> rows;
    QStringList missingParents; // targets from rows.size() on, in that order

    friend bool operator==(const CommitGraphLayout&, const CommitGraphLayout&) = default;
};

} // namespace tolvane
