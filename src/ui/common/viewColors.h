#pragma once

#include "engine/ChangeStatus.h"

#include <QColor>
#include <QPalette>
#include <QString>

class QPainter;
class QStyleOptionViewItem;
class QRect;

namespace tolvane {

// The one colour table of the interface: the meaning colours of the working views, shared so
// that a status reads the same everywhere, and the palette-dependent colours of the window's bars.
namespace ViewColors {
QColor green();
QColor red();
QColor orange();
QColor blue();
QColor purple();
QColor gray();
// Secondary text: the palette's placeholder colour, which the light and dark palettes both set.
QColor secondary(const QPalette& palette);
// `color` at `alpha` (0..1) opacity.
QColor withAlpha(QColor color, qreal alpha);

// True when the palette's window background is dark.
bool isDark(const QPalette& palette);
// Bar labels of lesser importance (beside the main text): the window text, partly transparent.
QColor secondaryLabel(const QPalette& palette);
// Bar labels of least importance (separating marks).
QColor tertiaryLabel(const QPalette& palette);
// The system blue, green and orange, tuned for light or dark backgrounds.
QColor blue(const QPalette& palette);
QColor green(const QPalette& palette);
QColor orange(const QPalette& palette);
// The background of bars (tab bar, toolbar, sidebar, status bar): a step away from the window.
QColor bar(const QPalette& palette);
// Thin divider lines.
QColor divider(const QPalette& palette);
} // namespace ViewColors

// The keyboard's mark on a list row: a thin outline in the highlight colour when the row is its
// list's current row and the list has the focus (`option.state` has State_HasFocus).
void paintFocusMark(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect);

// The icon and colour of a change status in file rows and the diff header.
struct StatusStyle {
    QString symbol;
    QColor color;
};
StatusStyle statusStyle(ChangeStatus status, const QPalette& palette);

} // namespace tolvane
