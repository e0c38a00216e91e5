#include "ui/window/WindowColors.h"

namespace tolvane::WindowColors {

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor secondary(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(isDark(palette) ? 0.62 : 0.55);
    return color;
}

QColor tertiary(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(isDark(palette) ? 0.40 : 0.32);
    return color;
}

QColor blue(const QPalette& palette) {
    return isDark(palette) ? QColor(10, 132, 255) : QColor(0, 122, 255);
}

QColor green(const QPalette& palette) {
    return isDark(palette) ? QColor(48, 209, 88) : QColor(40, 167, 69);
}

QColor orange(const QPalette& palette) {
    return isDark(palette) ? QColor(255, 159, 10) : QColor(245, 130, 0);
}

QColor bar(const QPalette& palette) {
    const QColor window = palette.color(QPalette::Window);
    return isDark(palette) ? window.lighter(112) : window.darker(104);
}

QColor divider(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(isDark(palette) ? 0.18 : 0.14);
    return color;
}

} // namespace tolvane::WindowColors
