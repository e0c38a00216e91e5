#include "graph/GraphHighlight.h"

#include <algorithm>

namespace tolvane {

GraphHighlight::GraphHighlight(const CommitGraphLayout& layout, int row) {
    if (row < 0 || row >= layout.rows.size())
        return;
    m_row = row;
    for (const GraphLine& line : layout.rows.at(row).lines) {
        const bool leaves = line.type == LineType::MergeFrom || line.type == LineType::ArrowDown ||
                            line.type == LineType::Commit;
        if (leaves && line.target >= 0)
            m_outgoing.append({line.target, line.lane});
    }
}

bool GraphHighlight::covers(int row, const GraphLine& line) const {
    if (m_row < 0)
        return false;
    if (row < m_row)
        return line.target == m_row;
    if (row == m_row) {
        return line.target == m_row ||
               (line.type != LineType::PassThrough && line.type != LineType::ArrowUp);
    }
    // Below the commit: its lines down to its parents. A parent's node drawn in the lane that
    // carried the line is where it arrives.
    return std::any_of(m_outgoing.cbegin(), m_outgoing.cend(), [&](const auto& out) {
        return out.second == line.lane &&
               (out.first == line.target || (line.type == LineType::Commit && out.first == row));
    });
}

} // namespace tolvane
