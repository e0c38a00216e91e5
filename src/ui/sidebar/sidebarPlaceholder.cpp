#include "ui/sidebar/sidebarPlaceholder.h"

#include <QLabel>

namespace tolvane {

QWidget* makeSidebarPlaceholder(const QString& text, const QString& objectName, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    // Follows palette changes (light and dark) without being told.
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace tolvane
