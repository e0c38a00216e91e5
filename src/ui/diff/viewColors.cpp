#include "ui/diff/viewColors.h"

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

} // namespace ViewColors

StatusStyle statusStyle(ChangeStatus status, const QPalette& palette) {
    switch (status) {
    case ChangeStatus::Modified:
        return {QStringLiteral("pencil.circle.fill"), ViewColors::orange()};
    case ChangeStatus::Added:
        return {QStringLiteral("plus.circle.fill"), ViewColors::green()};
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

} // namespace tolvane
