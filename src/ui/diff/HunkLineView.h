#pragma once

#include "ui/diff/DiffLineView.h"

#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QString>

class QPainter;

namespace tolvane {

// Paints one body line of a hunk: an optional check box, then the raw line in a monospaced font
// on a green tint for '+' lines and a red tint for '-' lines.
class HunkLineView {
public:
    static constexpr int checkboxSize = 14;
    static constexpr int checkboxColumn = 22;
    static constexpr int textPadding = 6;

    // The check box images, made once per view and colour scheme.
    struct Checkboxes {
        QPixmap checked;
        QPixmap unchecked;
    };
    static Checkboxes checkboxes(const QPalette& palette, qreal devicePixelRatio);

    static QRect checkboxRect(const QRect& row);
    // `indent` keeps the check-box column free on rows without a box, so text stays aligned.
    static void paint(QPainter& painter, const QRect& row, const QString& line, bool showCheckbox,
                      bool isSelected, bool indent, const DiffLineView::Metrics& metrics,
                      const QPalette& palette, const Checkboxes& boxes, qreal scrollX,
                      const QList<InlineRange>* changes = nullptr);
};

} // namespace tolvane
