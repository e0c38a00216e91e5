#include "ui/diff/HunkLineView.h"

#include "engine/gitText.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/oneLineText.h"
#include "ui/common/viewColors.h"

#include <QPainter>

namespace tolvane {

HunkLineView::Checkboxes HunkLineView::checkboxes(const QPalette& palette, qreal dpr) {
    return {
        tintedSymbol(QStringLiteral("checkmark.square.fill"), ViewColors::blue(), checkboxSize,
                     dpr),
        tintedSymbol(QStringLiteral("square"), ViewColors::secondary(palette), checkboxSize, dpr)};
}

QRect HunkLineView::checkboxRect(const QRect& row) {
    return QRect(row.left() + 4, row.top() + (row.height() - checkboxSize) / 2, checkboxSize,
                 checkboxSize);
}

void HunkLineView::paint(QPainter& painter, const QRect& row, const QString& line,
                         bool showCheckbox, bool isSelected, bool indent,
                         const DiffLineView::Metrics& m, const QPalette& palette,
                         const Checkboxes& boxes, qreal scrollX,
                         const QList<InlineRange>* changes) {
    const QChar first = line.isEmpty() ? QChar() : line.front();
    if (first == u'+')
        painter.fillRect(row, ViewColors::withAlpha(ViewColors::green(), 0.12));
    else if (first == u'-')
        painter.fillRect(row, ViewColors::withAlpha(ViewColors::red(), 0.12));

    const int left = row.left() + textPadding + (showCheckbox || indent ? checkboxColumn : 0);
    if (showCheckbox)
        painter.drawPixmap(checkboxRect(row).topLeft(),
                           isSelected ? boxes.checked : boxes.unchecked);
    const qreal visible = row.right() - left + 1;
    if (visible <= 0 || line.isEmpty())
        return;
    const qsizetype firstChar = qMax<qsizetype>(0, qsizetype(scrollX / m.charWidth) - 2);
    if (firstChar >= line.size())
        return;
    const qsizetype count = qsizetype(visible / m.charWidth) + 6;
    // Bytes that are not UTF-8 show as the replacement character.
    QString slice =
        withVisibleCarriageReturns(displayText(QStringView(line).mid(firstChar, count)));
    slice.replace(QLatin1Char('\t'), QStringLiteral("    "));
    painter.save();
    painter.setClipRect(QRect(left, row.top(), int(visible), row.height()));
    // Ranges count within the line after its sign.
    if (changes && !changes->isEmpty())
        DiffLineView::paintChanges(
            painter, *changes, line, 1, firstChar, count, left - scrollX + firstChar * m.charWidth,
            row, m.charWidth,
            DiffLineView::changeHighlight(
                first == u'+' ? DiffLineType::Addition : DiffLineType::Deletion, palette));
    painter.setFont(m.contentFont);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(QPointF(left - scrollX + firstChar * m.charWidth, row.top() + m.contentAscent),
                     slice);
    painter.restore();
}

} // namespace tolvane
