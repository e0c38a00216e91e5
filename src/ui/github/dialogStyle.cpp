#include "ui/github/dialogStyle.h"

#include <QPalette>
#include <QWidget>
#include <algorithm>

namespace tolvane::dialogStyle {

QFont smallFont(const QFont& base) {
    QFont font = base;
    if (base.pointSizeF() > 0)
        font.setPointSizeF(std::max(8.0, base.pointSizeF() * 11.0 / 13.0));
    return font;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget->setPalette(palette);
}

} // namespace tolvane::dialogStyle
