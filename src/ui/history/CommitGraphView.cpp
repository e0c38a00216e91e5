#include "ui/history/CommitGraphView.h"

#include <QPainter>
#include <QPainterPath>

namespace tolvane {

qreal CommitGraphView::canvasWidth(const CommitGraphData& data, int maxVisible, qreal w) {
    const int visible = qMax(1, maxVisible);
    return w * (qMin(visible - 1, data.maxColumn) + 1) + 8 + (data.maxColumn >= visible ? 10 : 0);
}

qreal CommitGraphView::laneX(int lane, int maxVisible, qreal w) {
    return w * qMin(qMax(1, maxVisible) - 1, lane) + w / 2 + 4;
}

void CommitGraphView::paint(QPainter& painter, const QPointF& origin, const CommitGraphData& data,
                            int maxVisible, qreal w, qreal h, const QColor& secondary) {
    const int visible = qMax(1, maxVisible);
    const qreal m = h / 2;
    const auto x = [&](int lane) { return origin.x() + laneX(lane, visible, w); };
    const qreal top = origin.y();
    const qreal bottom = origin.y() + h;
    const qreal mid = origin.y() + m;

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    for (const GraphLine& line : data.lines) {
        if (line.column >= visible && line.type != LineType::Commit)
            continue;
        painter.setPen(QPen(line.color, 2, Qt::SolidLine, Qt::FlatCap));
        switch (line.type) {
        case LineType::Commit: {
            if (data.column >= visible)
                break;
            const qreal cx = x(line.column);
            painter.drawLine(QPointF(cx, top), QPointF(cx, bottom));
            painter.setPen(Qt::NoPen);
            painter.setBrush(line.color);
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
            painter.drawLine(QPointF(x(line.column), top), QPointF(x(line.column), bottom));
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

} // namespace tolvane
