#pragma once

#include "graph/CommitGraphData.h"

#include <QColor>
#include <QPointF>

class QPainter;

namespace tolvane {

class GraphHighlight;

// Draws one row's slice of the history graph: lanes, the node (a ring for HEAD), the curves of
// merges and ending branches, the arrows of shortened lines, and three dots when lanes lie
// beyond the visible ones. A painter used by the commit row delegate; it holds no state.
class CommitGraphView {
public:
    static constexpr qreal defaultColumnWidth = 12;
    static constexpr qreal defaultRowHeight = 50;

    // The canvas width for a row.
    static qreal canvasWidth(const CommitGraphData& data, int maxVisibleColumns, qreal columnWidth);
    // The x of lane `lane` inside the canvas; lanes past the visible ones are clamped.
    static qreal laneX(int lane, int maxVisibleColumns, qreal columnWidth);
    // Paints with the canvas's top-left corner at `origin`; `height` is the drawn height. With a
    // highlight, the lines it covers on list row `row` are drawn bolder and the others faded.
    // Lane colours are drawn in shades that stand out on a light or a dark background.
    static void paint(QPainter& painter, const QPointF& origin, const CommitGraphData& data,
                      int maxVisibleColumns, qreal columnWidth, qreal height,
                      const QColor& secondary, const GraphHighlight* highlight = nullptr,
                      int row = -1, bool darkBackground = false);
    // The shade of a lane colour drawn on a light or dark background.
    static QColor shade(const QColor& laneColor, bool darkBackground);
    // The arrow of a shortened line drawn under `point` (relative to the canvas), or null.
    static const GraphLine* arrowAt(const CommitGraphData& data, const QPointF& point,
                                    int maxVisibleColumns, qreal columnWidth, qreal height);
};

} // namespace tolvane
