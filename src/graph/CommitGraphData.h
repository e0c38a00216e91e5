#pragma once

#include <QColor>
#include <QList>

namespace tolvane {

// What one line of a graph row draws: the node's own lane, a lane passing by, the lane of a
// further parent leaving the node downwards, or an ending branch coming into the node from above.
enum class LineType { Commit, PassThrough, MergeFrom, BranchTo };

struct GraphLine {
    int column = 0; // lane index, 0 = leftmost
    LineType type = LineType::Commit;
    QColor color;

    friend bool operator==(const GraphLine&, const GraphLine&) = default;
};

// The graph slice of one commit row. Rows are drawn independently; lanes are continuous because
// every row draws its lanes over its full height.
struct CommitGraphData {
    int column = 0;         // lane of the commit's node
    QList<GraphLine> lines; // in drawing order
    int maxColumn = 0;      // highest lane in use at this row; never decreases down the list
    bool isHead = false;

    friend bool operator==(const CommitGraphData&, const CommitGraphData&) = default;
};

} // namespace tolvane
