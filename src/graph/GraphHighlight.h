#pragma once

#include "graph/CommitGraphData.h"

#include <QVarLengthArray>
#include <utility>

namespace tolvane {

// The lines to bring forward while the pointer rests on one commit: the lines coming into it
// from its children, its node with its own curves and arrows, and the lines leading from it down
// to each of its parents (through the lanes they share with others, and on after a cut).
class GraphHighlight {
public:
    GraphHighlight() = default;
    GraphHighlight(const CommitGraphLayout& layout, int row);

    [[nodiscard]] bool isActive() const { return m_row >= 0; }
    [[nodiscard]] int row() const { return m_row; }
    [[nodiscard]] bool covers(int row, const GraphLine& line) const;

    friend bool operator==(const GraphHighlight&, const GraphHighlight&) = default;

private:
    int m_row = -1;
    // The (target row, lane) of each line leaving the commit.
    QVarLengthArray<std::pair<int, int>, 6> m_outgoing;
};

} // namespace tolvane
