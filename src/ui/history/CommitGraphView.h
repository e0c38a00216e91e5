#pragma once

#include "graph/CommitGraphData.h"

#include <QColor>
#include <QPointF>

class QPainter;

namespace tolvane {

// Draws one row's slice of the history graph: lanes, the node (a ring for HEAD), the curves of
// merges and ending branches, and three dots when lanes lie beyond the visible ones. A painter
// used by the commit row delegate; it holds no state.
class CommitGraphView {
public:
    static constexpr qreal defaultColumnWidth = 12;
    static constexpr qreal defaultRowHeight = 50;

    // The canvas width for a row.
    static qreal canvasWidth(const CommitGraphData& data, int maxVisibleColumns, qreal columnWidth);
    // The x of lane `lane` inside the canvas; lanes past the visible ones are clamped.
    static qreal laneX(int lane, int maxVisibleColumns, qreal columnWidth);
    // Paints with the canvas's top-left corner at `origin`; `height` is the drawn height.
    static void paint(QPainter& painter, const QPointF& origin, const CommitGraphData& data,
                      int maxVisibleColumns, qreal columnWidth, qreal height,
                      const QColor& secondary);
};

} // namespace tolvane
