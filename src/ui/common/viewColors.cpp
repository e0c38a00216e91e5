#include "ui/common/viewColors.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

namespace tolvane {
namespace ViewColors {

QColor green() {
    return QColor(0x30, 0xb3, 0x4f);
}
QColor red() {
    return QColor(0xe5, 0x3b, 0x30);
}
QColor orange() {
    return QColor(0xf5, 0x8f, 0x00);
}
QColor blue() {
    return QColor(0x1e, 0x7b, 0xf0);
}
QColor purple() {
    return QColor(0xa2, 0x4e, 0xd6);
}
QColor gray() {
    return QColor(0x8e, 0x8e, 0x93);
}
QColor secondary(const QPalette& palette) {
    return palette.color(QPalette::PlaceholderText);
}
QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

bool isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QColor secondaryLabel(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(isDark(palette) ? 0.62 : 0.70);
    return color;
}

QColor tertiaryLabel(const QPalette& palette) {
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(isDark(palette) ? 0.40 : 0.55);
    return color;
}

QColor blue(const QPalette& palette) {
    return isDark(palette) ? QColor(10, 132, 255) : QColor(0, 122, 255);
}

QColor green(const QPalette& palette) {
    return isDark(palette) ? QColor(48, 209, 88) : QColor(40, 167, 69);
}

QColor orange(const QPalette& palette) {
    return isDark(palette) ? QColor(255, 159, 10) : QColor(0xc7, 0x6a, 0x00);
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

} // namespace ViewColors

StatusStyle statusStyle(ChangeStatus status, const QPalette& palette) {
    switch (status) {
    case ChangeStatus::Modified:
        return {QStringLiteral("pencil.circle.fill"), ViewColors::orange(palette)};
    case ChangeStatus::Added:
        return {QStringLiteral("plus.circle.fill"), ViewColors::green(palette)};
    case ChangeStatus::Deleted:
        return {QStringLiteral("minus.circle.fill"), ViewColors::red()};
    case ChangeStatus::Renamed:
        return {QStringLiteral("arrow.right.circle.fill"), ViewColors::purple()};
    case ChangeStatus::Untracked:
        return {QStringLiteral("questionmark.circle.fill"), ViewColors::gray()};
    case ChangeStatus::Copied:
        return {QStringLiteral("doc.on.doc.fill"), ViewColors::blue()};
    case ChangeStatus::Unmodified:
        return {QStringLiteral("circle"), ViewColors::secondary(palette)};
    case ChangeStatus::Conflict:
        return {QStringLiteral("exclamationmark.triangle.fill"), ViewColors::red()};
    }
    return {QStringLiteral("circle"), ViewColors::secondary(palette)};
}

void paintFocusMark(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect) {
    if (!option.state.testFlag(QStyle::State_HasFocus))
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // On a row filled with the highlight colour the outline takes the text's colour instead.
    const bool filled = option.state.testFlag(QStyle::State_Selected);
    QPen pen(filled ? ViewColors::withAlpha(option.palette.color(QPalette::HighlightedText), 0.8)
                    : option.palette.color(QPalette::Highlight));
    pen.setWidthF(1.5);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(rect).adjusted(0.75, 0.75, -0.75, -0.75), 5, 5);
    painter->restore();
}

} // namespace tolvane
