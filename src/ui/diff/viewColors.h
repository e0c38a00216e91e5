#pragma once

#include "engine/ChangeStatus.h"

#include <QColor>
#include <QPalette>
#include <QString>

namespace tolvane {

// The meaning colours of the working views, shared so that a status reads the same everywhere.
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
} // namespace ViewColors

// The icon and colour of a change status in file rows and the diff header.
struct StatusStyle {
    QString symbol;
    QColor color;
};
StatusStyle statusStyle(ChangeStatus status, const QPalette& palette);

} // namespace tolvane
