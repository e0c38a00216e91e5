#pragma once

#include "diff/DiffLine.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>

class QPainter;

namespace tolvane {

// Paints one row of the plain diff: two right-aligned line-number columns, the sign column and
// the content. Rows are painted, not widgets, so that a diff of any length costs only the rows
// on screen.
class DiffLineView {
public:
    static constexpr int numberColumnWidth = 36;
    static constexpr int signColumnWidth = 16;
    static constexpr int gutterWidth = 2 * numberColumnWidth + signColumnWidth;
    static constexpr int contentPadding = 4;

    // Fonts and sizes shared by all rows of one view.
    struct Metrics {
        QFont numberFont;  // 11-point monospaced
        QFont contentFont; // 12-point monospaced
        int rowHeight = 16;
        qreal charWidth = 7; // advance of one content character
        int contentAscent = 12;
        int numberAscent = 11;
    };
    static Metrics metrics();

    static QColor signColor(DiffLineType type, const QPalette& palette);
    static QString sign(DiffLineType type);
    static QColor contentColor(DiffLineType type, const QPalette& palette);
    // Invalid when the row has no background.
    static QColor backgroundColor(DiffLineType type, const QPalette& palette);

    // The stronger tint behind the changed words of a paired removed or added line.
    static QColor changeHighlight(DiffLineType type, const QPalette& palette);
    // Fills the changed ranges of `text` (ranges count from `offset` in it) that fall within
    // characters [first, first + count), with character `first` drawn at `x`. Tabs take four
    // columns, as the text painters draw them.
    static void paintChanges(QPainter& painter, const QList<InlineRange>& ranges, QStringView text,
                             qsizetype offset, qsizetype first, qsizetype count, qreal x,
                             const QRect& row, qreal charWidth, const QColor& color);

    // Paints `line` into `row` (full viewport width). The content is shifted left by `scrollX`
    // and only the characters that can be visible are drawn, so a line of half a million
    // characters paints as fast as a short one.
    static void paint(QPainter& painter, const QRect& row, const DiffLine& line,
                      const Metrics& metrics, const QPalette& palette, qreal scrollX,
                      bool selected);
};

} // namespace tolvane
