#include "ui/history/CommitGraphView.h"

#include "graph/GraphHighlight.h"
#include "graph/graphPalette.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvane {
namespace {

// Arrows of shortened lines: the downward one ends this far below the node, the upward one's
// tip sits this far below the row's top; both heads are this wide and this tall.
constexpr qreal arrowDrop = 14;
constexpr qreal arrowTop = 5;
constexpr qreal headHalfWidth = 4;
constexpr qreal headLength = 6;

void fillHead(QPainter& painter, const QColor& color, qreal x, qreal baseY, qreal tipY) {
    const QPointF head[3] = {{x - headHalfWidth, baseY}, {x + headHalfWidth, baseY}, {x, tipY}};
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPolygon(head, 3);
    painter.setBrush(Qt::NoBrush);
}

} // namespace

QColor CommitGraphView::shade(const QColor& laneColor, bool dark) {
    // The palette's blue, green, orange, purple, pink, cyan, yellow and red as the system
    // colours of the same names: the plain named ones are too dark on dark backgrounds (blue,
    // purple) or too pale on light ones (yellow, pink, cyan).
    static const QColor light[8] = {{0, 122, 255},  {40, 167, 69}, {245, 130, 0}, {175, 82, 222},
                                    {230, 50, 120}, {0, 160, 200}, {200, 150, 0}, {230, 55, 45}};
    static const QColor darkShades[8] = {{10, 132, 255}, {48, 209, 88},  {255, 159, 10},
                                         {191, 90, 242}, {255, 85, 140}, {100, 210, 255},
                                         {255, 214, 10}, {255, 69, 58}};
    const auto& palette = graphPalette();
    for (size_t i = 0; i < palette.size(); ++i) {
        if (palette[i] == laneColor)
            return dark ? darkShades[i] : light[i];
    }
    return laneColor;
}

qreal CommitGraphView::canvasWidth(const CommitGraphData& data, int maxVisible, qreal w) {
    const int visible = qMax(1, maxVisible);
    return w * (qMin(visible - 1, data.maxColumn) + 1) + 8 + (data.maxColumn >= visible ? 10 : 0);
}

qreal CommitGraphView::laneX(int lane, int maxVisible, qreal w) {
    return w * qMin(qMax(1, maxVisible) - 1, lane) + w / 2 + 4;
}

void CommitGraphView::paint(QPainter& painter, const QPointF& origin, const CommitGraphData& data,
                            int maxVisible, qreal w, qreal h, const QColor& secondary,
                            const GraphHighlight* highlight, int row, bool dark) {
    const int visible = qMax(1, maxVisible);
    const qreal m = h / 2;
    const auto x = [&](int lane) { return origin.x() + laneX(lane, visible, w); };
    const qreal top = origin.y();
    const qreal bottom = origin.y() + h;
    const qreal mid = origin.y() + m;
    const bool highlighting = highlight && highlight->isActive();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (const GraphLine& line : data.lines) {
        if (line.column >= visible && line.type != LineType::Commit)
            continue;
        if (data.compact && line.fromColumn >= visible)
            continue;
        QColor color = shade(line.color, dark);
        qreal width = 2;
        if (highlighting) {
            if (highlight->covers(row, line))
                width = 3;
            else
                color.setAlphaF(0.3f);
        }
        painter.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
        switch (line.type) {
        case LineType::Commit: {
            if (data.column >= visible)
                break;
            const qreal cx = x(line.column);
            if (!data.compact)
                painter.drawLine(QPointF(cx, top), QPointF(cx, bottom));
            painter.setPen(Qt::NoPen);
            painter.setBrush(color);
            if (data.isHead) {
                painter.drawEllipse(QRectF(cx - 5.5, mid - 5.5, 11, 11));
                painter.setBrush(Qt::NoBrush);
                painter.setPen(QPen(Qt::white, 1.5));
                painter.drawEllipse(QRectF(cx - 3, mid - 3, 6, 6));
            } else {
                painter.drawEllipse(QRectF(cx - 4, mid - 4, 8, 8));
            }
            painter.setBrush(Qt::NoBrush);
            break;
        }
        case LineType::PassThrough:
            if (line.fromColumn >= 0 && line.fromColumn != line.column) {
                // A lane moving over into a column that has emptied.
                QPainterPath path(QPointF(x(line.fromColumn), top));
                path.cubicTo(QPointF(x(line.fromColumn), mid), QPointF(x(line.column), mid),
                             QPointF(x(line.column), bottom));
                painter.drawPath(path);
            } else {
                painter.drawLine(QPointF(x(line.column), top), QPointF(x(line.column), bottom));
            }
            break;
        case LineType::MergeFrom: {
            if (data.column >= visible)
                break;
            QPainterPath path(QPointF(x(line.column), bottom));
            path.quadTo(QPointF(x(line.column), mid), QPointF(x(data.column), mid));
            painter.drawPath(path);
            break;
        }
        case LineType::BranchTo: {
            if (data.column >= visible)
                break;
            QPainterPath path(QPointF(x(data.column), mid));
            path.quadTo(QPointF(x(line.column), mid), QPointF(x(line.column), top));
            painter.drawPath(path);
            break;
        }
        case LineType::ArrowDown: {
            if (data.column >= visible)
                break;
            const qreal end = mid + arrowDrop;
            QPainterPath path(QPointF(x(data.column), mid));
            path.quadTo(QPointF(x(line.column), mid), QPointF(x(line.column), end));
            painter.drawPath(path);
            fillHead(painter, color, x(line.column), end, end + headLength);
            break;
        }
        case LineType::ArrowUp: {
            const qreal base = top + arrowTop + headLength;
            painter.drawLine(QPointF(x(line.column), base), QPointF(x(line.column), bottom));
            fillHead(painter, color, x(line.column), base, top + arrowTop);
            break;
        }
        }
    }
    if (visible <= data.maxColumn) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(secondary);
        const qreal dotsX = origin.x() + w * visible + 4;
        for (const qreal y : {m - 4, m, m + 4})
            painter.drawEllipse(QRectF(dotsX, origin.y() + y, 2, 2));
    }
    painter.restore();
}

const GraphLine* CommitGraphView::arrowAt(const CommitGraphData& data, const QPointF& point,
                                          int maxVisible, qreal w, qreal h) {
    const int visible = qMax(1, maxVisible);
    for (const GraphLine& line : data.lines) {
        if (line.column >= visible || data.column >= visible)
            continue;
        const qreal x = laneX(line.column, visible, w);
        QRectF area;
        if (line.type == LineType::ArrowDown)
            area = QRectF(x - 7, h / 2 + arrowDrop - 8, 14, headLength + 12);
        else if (line.type == LineType::ArrowUp)
            area = QRectF(x - 7, 0, 14, arrowTop + headLength + 8);
        else
            continue;
        if (area.contains(point))
            return &line;
    }
    return nullptr;
}

} // namespace tolvane
