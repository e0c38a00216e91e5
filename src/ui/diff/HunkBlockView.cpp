#include "ui/diff/HunkBlockView.h"

#include "engine/countText.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

namespace tolvane {
namespace {

constexpr int padding = 8;
constexpr int buttonGap = 6;

int buttonWidth(const QWidget& widget, const QString& text, bool withIcon) {
    return widget.fontMetrics().horizontalAdvance(text) + 20 +
           (withIcon ? HunkBlockView::iconSize + 4 : 0);
}

void drawButton(QPainter& painter, const QWidget& widget, const QRect& rect, const QString& text,
                const QString& symbol) {
    QStyleOptionButton option;
    option.initFrom(&widget);
    option.rect = rect;
    option.text = text;
    option.state |= QStyle::State_Enabled | QStyle::State_Raised;
    option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    if (!symbol.isEmpty()) {
        option.icon = QIcon(tintedSymbol(symbol, widget.palette().color(QPalette::ButtonText),
                                         HunkBlockView::iconSize, widget.devicePixelRatioF()));
        option.iconSize = QSize(HunkBlockView::iconSize - 2, HunkBlockView::iconSize - 2);
    }
    widget.style()->drawControl(QStyle::CE_PushButton, &option, &painter, &widget);
}

} // namespace

QString HunkBlockView::linesButtonText(bool isStaged) {
    return isStaged ? QStringLiteral("Unstage Lines") : QStringLiteral("Stage Lines");
}

QString HunkBlockView::selectedLinesText(int count) {
    return countText(count, QStringLiteral("line"), QStringLiteral("lines"));
}

int HunkBlockView::height(const DiffHunk& hunk, bool showLineSelection, int rowHeight) {
    const int bodyLines = qMax<int>(0, int(hunk.lines.size()) - 1);
    return headerHeight + (showLineSelection ? barHeight : 0) + bodyLines * rowHeight + 2;
}

HunkBlockView::Layout HunkBlockView::layout(const QRect& block, const Input& input,
                                            const QWidget& widget, int rowHeight) {
    Layout l;
    l.block = block;
    l.header = QRect(block.left() + 1, block.top() + 1, block.width() - 2, headerHeight);
    const int iconTop = l.header.top() + (headerHeight - iconSize) / 2;
    l.checkbox = QRect(l.header.left() + padding, iconTop, iconSize, iconSize);

    // Icon buttons sit at the right edge, right to left: discard, stage, line toggle.
    int right = l.header.right() - padding;
    if (input.hasDiscard) {
        l.discard = QRect(right - iconSize + 1, iconTop, iconSize, iconSize);
        right = l.discard.left() - buttonGap;
    }
    l.stage = QRect(right - iconSize + 1, iconTop, iconSize, iconSize);
    right = l.stage.left() - buttonGap;
    l.lineToggle = QRect(right - iconSize + 1, iconTop, iconSize, iconSize);
    right = l.lineToggle.left() - buttonGap * 2;

    const QFontMetrics fm = widget.fontMetrics();
    const QString counts =
        QStringLiteral("+%1 -%2").arg(input.hunk->addedCount).arg(input.hunk->removedCount);
    const int countsWidth = fm.horizontalAdvance(counts) + 4;
    l.counts = QRect(right - countsWidth + 1, l.header.top(), countsWidth, headerHeight);
    const int textLeft = l.checkbox.right() + 1 + buttonGap;
    l.headerText = QRect(textLeft, l.header.top(), qMax(0, l.counts.left() - buttonGap - textLeft),
                         headerHeight);

    int top = l.header.bottom() + 1;
    if (input.showLineSelection) {
        l.bar = QRect(l.header.left(), top, l.header.width(), barHeight);
        const int buttonHeight = barHeight - 6;
        const int buttonTop = l.bar.top() + 3;
        int left = l.bar.left() + padding;
        l.selectAllLines =
            QRect(left, buttonTop, buttonWidth(widget, QStringLiteral("Select All"), false),
                  buttonHeight);
        left = l.selectAllLines.right() + 1 + buttonGap;
        l.deselectLines = QRect(
            left, buttonTop, buttonWidth(widget, QStringLiteral("Deselect"), false), buttonHeight);
        if (input.selectedLineCount > 0) {
            const int stageWidth = buttonWidth(widget, linesButtonText(input.isStaged), true);
            l.stageLines = QRect(l.bar.right() - padding - stageWidth + 1, buttonTop, stageWidth,
                                 buttonHeight);
            const int countWidth =
                fm.horizontalAdvance(selectedLinesText(input.selectedLineCount)) + 4;
            l.lineCount = QRect(l.stageLines.left() - buttonGap - countWidth, l.bar.top(),
                                countWidth, barHeight);
        }
        top = l.bar.bottom() + 1;
    }
    const int bodyLines = qMax<int>(0, int(input.hunk->lines.size()) - 1);
    l.body = QRect(l.header.left(), top, l.header.width(), bodyLines * rowHeight);
    return l;
}

void HunkBlockView::paint(QPainter& painter, const Layout& l, const Input& input,
                          const QWidget& widget, const DiffLineView::Metrics& metrics,
                          const HunkLineView::Checkboxes& boxes, qreal scrollX) {
    const QPalette& palette = widget.palette();
    const qreal dpr = widget.devicePixelRatioF();
    const QColor border = palette.color(QPalette::Mid);
    const QColor secondary = ViewColors::secondary(palette);

    painter.save();
    QPainterPath outline;
    outline.addRoundedRect(QRectF(l.block).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setClipPath(outline);
    painter.fillRect(l.block, palette.color(QPalette::Base));
    painter.fillRect(l.header, palette.color(QPalette::AlternateBase));
    if (input.isSelected)
        painter.fillRect(l.header, ViewColors::withAlpha(ViewColors::blue(), 0.10));

    painter.drawPixmap(l.checkbox.topLeft(), input.isSelected ? boxes.checked : boxes.unchecked);
    painter.setFont(widget.font());
    const QFontMetrics fm = widget.fontMetrics();
    painter.setPen(ViewColors::blue());
    QFont headerFont = metrics.contentFont;
    headerFont.setPointSizeF(metrics.contentFont.pointSizeF() - 1);
    painter.setFont(headerFont);
    painter.drawText(l.headerText, Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetrics(headerFont)
                         .elidedText(input.hunk->header, Qt::ElideRight, l.headerText.width()));
    painter.setFont(widget.font());
    const QString added = QStringLiteral("+") + QString::number(input.hunk->addedCount);
    painter.setPen(ViewColors::green());
    painter.drawText(l.counts, Qt::AlignVCenter | Qt::AlignLeft, added);
    painter.setPen(ViewColors::red());
    painter.drawText(l.counts.adjusted(fm.horizontalAdvance(added + QLatin1Char(' ')), 0, 0, 0),
                     Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("-") + QString::number(input.hunk->removedCount));

    const bool lines = input.showLineSelection;
    painter.drawPixmap(l.lineToggle.topLeft(),
                       tintedSymbol(lines ? QStringLiteral("line.3.horizontal.decrease.circle.fill")
                                          : QStringLiteral("line.3.horizontal.decrease.circle"),
                                    lines ? ViewColors::blue() : secondary, iconSize, dpr));
    painter.drawPixmap(
        l.stage.topLeft(),
        input.isStaged
            ? tintedSymbol(QStringLiteral("minus.circle.fill"), ViewColors::orange(), iconSize, dpr)
            : tintedSymbol(QStringLiteral("plus.circle.fill"), ViewColors::green(), iconSize, dpr));
    // The discard button keeps its place but shows only while the pointer is over the block.
    if (input.hasDiscard && input.isHovered)
        painter.drawPixmap(l.discard.topLeft(),
                           tintedSymbol(QStringLiteral("arrow.uturn.backward.circle.fill"),
                                        ViewColors::red(), iconSize, dpr));

    if (lines) {
        painter.fillRect(l.bar, ViewColors::withAlpha(ViewColors::blue(), 0.05));
        drawButton(painter, widget, l.selectAllLines, QStringLiteral("Select All"), {});
        drawButton(painter, widget, l.deselectLines, QStringLiteral("Deselect"), {});
        if (input.selectedLineCount > 0) {
            painter.setPen(secondary);
            painter.setFont(widget.font());
            painter.drawText(l.lineCount, Qt::AlignVCenter | Qt::AlignRight,
                             selectedLinesText(input.selectedLineCount));
            drawButton(painter, widget, l.stageLines, linesButtonText(input.isStaged),
                       input.isStaged ? QStringLiteral("minus.circle")
                                      : QStringLiteral("plus.circle"));
        }
    }

    // Body rows, only those inside the painter's clip.
    const int rowHeight = metrics.rowHeight;
    const QRect clip = painter.clipBoundingRect().toAlignedRect();
    const int firstRow = qMax(0, (clip.top() - l.body.top()) / rowHeight);
    const int lineCount = int(input.hunk->lines.size());
    for (int i = firstRow + 1; i < lineCount; ++i) {
        const QRect row(l.body.left(), l.body.top() + (i - 1) * rowHeight, l.body.width(),
                        rowHeight);
        if (row.top() > clip.bottom())
            break;
        const bool selectable = lines && input.selectableLines.contains(i);
        HunkLineView::paint(painter, row, input.hunk->lines[i], selectable,
                            selectable && input.selectedLines.contains(i), lines, metrics, palette,
                            boxes, scrollX, inlineRangesAt(input.hunk->inlineChanges, i));
    }
    painter.restore();

    painter.setPen(QPen(input.isSelected ? ViewColors::blue() : border, 1));
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.drawRoundedRect(QRectF(l.block).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    painter.setRenderHint(QPainter::Antialiasing, false);
}

HunkBlockView::Hit HunkBlockView::hitTest(const Layout& l, const Input& input, const QPoint& p,
                                          int rowHeight) {
    const auto near = [&](const QRect& r) {
        return !r.isNull() && r.adjusted(-3, -3, 3, 3).contains(p);
    };
    if (near(l.checkbox))
        return {Part::Checkbox};
    if (near(l.lineToggle))
        return {Part::LineSelectionToggle};
    if (near(l.stage))
        return {Part::StageOrUnstage};
    if (input.hasDiscard && near(l.discard))
        return {Part::Discard};
    if (input.showLineSelection) {
        if (l.selectAllLines.contains(p))
            return {Part::SelectAllLines};
        if (l.deselectLines.contains(p))
            return {Part::DeselectLines};
        if (input.selectedLineCount > 0 && l.stageLines.contains(p))
            return {Part::StageLines};
        if (l.body.contains(p)) {
            const int index = (p.y() - l.body.top()) / rowHeight + 1;
            const QRect row(l.body.left(), l.body.top() + (index - 1) * rowHeight, l.body.width(),
                            rowHeight);
            // The whole row toggles, not only the box: lines are narrow targets.
            if (input.selectableLines.contains(index) && row.contains(p))
                return {Part::LineCheckbox, index};
        }
    }
    return {};
}

QString HunkBlockView::helpText(Part part, const Input& input) {
    switch (part) {
    case Part::LineSelectionToggle:
        return input.showLineSelection ? QStringLiteral("Hide line selection")
                                       : QStringLiteral("Select individual lines");
    case Part::StageOrUnstage:
        return input.isStaged ? QStringLiteral("Unstage this hunk")
                              : QStringLiteral("Stage this hunk");
    case Part::Discard:
        return QStringLiteral("Discard this hunk");
    default:
        return {};
    }
}

} // namespace tolvane
