#pragma once

#include <QColor>
#include <QPalette>

namespace tolvane::WindowColors {

// True when the palette's window background is dark.
bool isDark(const QPalette& palette);
// Text of lesser importance (labels beside the main text).
QColor secondary(const QPalette& palette);
// Text of least importance (separating marks).
QColor tertiary(const QPalette& palette);
// The system blue, tuned for light or dark backgrounds.
QColor blue(const QPalette& palette);
QColor green(const QPalette& palette);
QColor orange(const QPalette& palette);
// The background of bars (tab bar, toolbar, sidebar, status bar): a step away from the window.
QColor bar(const QPalette& palette);
// Thin divider lines.
QColor divider(const QPalette& palette);

} // namespace tolvane::WindowColors
