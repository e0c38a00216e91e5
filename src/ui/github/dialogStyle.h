#pragma once

#include <QColor>
#include <QFont>

class QWidget;

namespace tolvane::dialogStyle {

// The smaller type of explanations and messages under the fields.
QFont smallFont(const QFont& base);
// Sets the text colour of a label or button, leaving the rest of its palette to the window.
void setTextColor(QWidget* widget, const QColor& color);

} // namespace tolvane::dialogStyle
