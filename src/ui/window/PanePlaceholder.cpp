#include "ui/window/PanePlaceholder.h"

#include "ui/common/viewColors.h"

#include <QPainter>

namespace tolvane {

PanePlaceholder::PanePlaceholder(const QString& paneName, QWidget* parent)
    : QWidget(parent), m_paneName(paneName) {
    setObjectName(QStringLiteral("panePlaceholder"));
    setMinimumSize(0, 0);
}

void PanePlaceholder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(ViewColors::tertiaryLabel(palette()));
    painter.drawText(rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap,
                     m_paneName);
}

} // namespace tolvane
