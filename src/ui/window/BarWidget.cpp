#include "ui/window/BarWidget.h"

#include "ui/common/viewColors.h"

#include <QPainter>

namespace tolvane {

BarWidget::BarWidget(QWidget* parent) : QWidget(parent) {}

void BarWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ViewColors::bar(palette()));
}

DividerLine::DividerLine(Qt::Orientation orientation, QWidget* parent) : QWidget(parent) {
    if (orientation == Qt::Horizontal)
        setFixedHeight(1);
    else
        setFixedWidth(1);
}

void DividerLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ViewColors::divider(palette()));
}

} // namespace tolvane
