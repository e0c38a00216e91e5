#include "ui/diff/DiffLineView.h"

#include "engine/gitText.h"
#include "ui/common/oneLineText.h"
#include "ui/common/viewColors.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace tolvane {

DiffLineView::Metrics DiffLineView::metrics() {
    Metrics m;
    m.numberFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m.numberFont.setPointSizeF(11);
    m.contentFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m.contentFont.setPointSizeF(12);
    const QFontMetricsF content(m.contentFont);
    const QFontMetricsF numbers(m.numberFont);
    m.charWidth = content.horizontalAdvance(QLatin1Char('M'));
    m.rowHeight = int(std::ceil(content.height())) + 2;
    m.contentAscent = int(std::round(content.ascent())) + 1;
    m.numberAscent = int(std::round((m.rowHeight + numbers.ascent() - numbers.descent()) / 2));
    return m;
}

QColor DiffLineView::signColor(DiffLineType type, const QPalette& palette) {
    return contentColor(type, palette);
}

QString DiffLineView::sign(DiffLineType type) {
    switch (type) {
    case DiffLineType::Addition:
        return QStringLiteral("+");
    case DiffLineType::Deletion:
        return QStringLiteral("-");
    default:
        return {};
    }
}

QColor DiffLineView::contentColor(DiffLineType type, const QPalette& palette) {
    switch (type) {
    // Each tuned to stay readable on its own tinted row in either scheme.
    case DiffLineType::Addition:
        return ViewColors::isDark(palette) ? QColor(0x5f, 0xd3, 0x7a) : QColor(0x14, 0x6c, 0x2e);
    case DiffLineType::Deletion:
        return ViewColors::isDark(palette) ? QColor(0xff, 0x85, 0x7a) : QColor(0xa1, 0x1d, 0x14);
    case DiffLineType::HunkHeader:
        return ViewColors::isDark(palette) ? QColor(0x6c, 0xa8, 0xff) : QColor(0x1f, 0x5f, 0xc8);
    case DiffLineType::FileHeader:
        return ViewColors::secondary(palette);
    case DiffLineType::Context:
        break;
    }
    return palette.color(QPalette::Text);
}

QColor DiffLineView::backgroundColor(DiffLineType type, const QPalette& palette) {
    switch (type) {
    case DiffLineType::Addition:
        return ViewColors::withAlpha(ViewColors::green(), 0.08);
    case DiffLineType::Deletion:
        return ViewColors::withAlpha(ViewColors::red(), 0.08);
    case DiffLineType::HunkHeader:
        return ViewColors::withAlpha(ViewColors::blue(), 0.06);
    case DiffLineType::FileHeader:
        return ViewColors::withAlpha(palette.color(QPalette::Window), 0.5);
    case DiffLineType::Context:
        break;
    }
    return {};
}

QColor DiffLineView::changeHighlight(DiffLineType type, const QPalette& palette) {
    return ViewColors::withAlpha(type == DiffLineType::Addition ? ViewColors::green()
                                                                : ViewColors::red(),
                                 ViewColors::isDark(palette) ? 0.22 : 0.25);
}

void DiffLineView::paintChanges(QPainter& painter, const QList<InlineRange>& ranges,
                                QStringView text, qsizetype offset, qsizetype first,
                                qsizetype count, qreal x, const QRect& row, qreal charWidth,
                                const QColor& color) {
    const qsizetype end = std::min(text.size(), first + count);
    // Columns from `first` on, tabs counted four wide; computed once per row, on the visible
    // slice only.
    const auto columnOf = [&](qsizetype index, qsizetype from, qreal column) {
        for (qsizetype i = from; i < index; ++i)
            column += text[i] == u'\t' ? 4 : 1;
        return column;
    };
    qsizetype walked = first;
    qreal walkedColumn = 0;
    for (const InlineRange& range : ranges) {
        const qsizetype start = std::max(first, offset + range.start);
        const qsizetype stop = std::min(end, offset + range.start + range.length);
        if (stop <= start)
            continue;
        const qreal startColumn = columnOf(start, walked, walkedColumn);
        const qreal stopColumn = columnOf(stop, start, startColumn);
        walked = stop;
        walkedColumn = stopColumn;
        painter.fillRect(QRectF(x + startColumn * charWidth, row.top() + 1,
                                (stopColumn - startColumn) * charWidth, row.height() - 2),
                         color);
    }
}

void DiffLineView::paint(QPainter& painter, const QRect& row, const DiffLine& line,
                         const Metrics& m, const QPalette& palette, qreal scrollX, bool selected) {
    if (const QColor background = backgroundColor(line.type, palette); background.isValid())
        painter.fillRect(row, background);
    if (selected)
        painter.fillRect(row, ViewColors::withAlpha(palette.color(QPalette::Highlight), 0.25));

    const int baseline = row.top() + m.contentAscent;
    const int numberBaseline = row.top() + m.numberAscent;
    painter.setFont(m.numberFont);
    painter.setPen(ViewColors::secondary(palette));
    const auto drawNumber = [&](const std::optional<qint64>& number, int left) {
        if (!number)
            return;
        const QString text = QString::number(*number);
        const qreal width = QFontMetricsF(m.numberFont).horizontalAdvance(text);
        painter.drawText(QPointF(row.left() + left + numberColumnWidth - 4 - width, numberBaseline),
                         text);
    };
    drawNumber(line.oldNum, 0);
    drawNumber(line.newNum, numberColumnWidth);

    painter.setFont(m.contentFont);
    const QString signText = sign(line.type);
    if (!signText.isEmpty()) {
        painter.setPen(signColor(line.type, palette));
        painter.drawText(QPointF(row.left() + 2 * numberColumnWidth + 4, baseline), signText);
    }

    // Only the slice of the line that can fall into the visible width is shaped and drawn.
    const int contentLeft = row.left() + gutterWidth + contentPadding;
    const qreal visibleWidth = row.right() - contentLeft + 1;
    if (visibleWidth <= 0 || line.content.isEmpty())
        return;
    const qsizetype first = qMax<qsizetype>(0, qsizetype(scrollX / m.charWidth) - 2);
    if (first >= line.content.size())
        return;
    const qsizetype count = qsizetype(visibleWidth / m.charWidth) + 6;
    // Bytes that are not UTF-8 show as the replacement character.
    QString slice =
        withVisibleCarriageReturns(displayText(QStringView(line.content).mid(first, count)));
    slice.replace(QLatin1Char('\t'), QStringLiteral("    "));
    painter.save();
    painter.setClipRect(QRect(contentLeft, row.top(), int(visibleWidth), row.height()));
    if (!line.changes.isEmpty())
        paintChanges(painter, line.changes, line.content, 0, first, count,
                     contentLeft - scrollX + first * m.charWidth, row, m.charWidth,
                     changeHighlight(line.type, palette));
    painter.setPen(contentColor(line.type, palette));
    painter.drawText(QPointF(contentLeft - scrollX + first * m.charWidth, baseline), slice);
    painter.restore();
}

} // namespace tolvane
