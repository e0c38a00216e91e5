#include "ui/common/ProgressSpinner.h"

#include "ui/common/viewColors.h"

#include <QPainter>

namespace tolvane {
namespace {
constexpr int spokes = 8;
}

ProgressSpinner::ProgressSpinner(QWidget* parent) : QWidget(parent) {
    setFixedSize(16, 16);
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % spokes;
        update();
    });
}

void ProgressSpinner::setSpinning(bool spinning) {
    if (spinning == m_spinning)
        return;
    m_spinning = spinning;
    if (spinning)
        m_timer.start();
    else
        m_timer.stop();
    update();
}

void ProgressSpinner::paintEvent(QPaintEvent*) {
    if (!m_spinning)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn at 0.6 of the box, centred.
    const qreal outer = width() * 0.6 / 2.0;
    const qreal inner = outer * 0.45;
    painter.translate(width() / 2.0, height() / 2.0);
    QColor color = palette().color(QPalette::WindowText);
    for (int i = 0; i < spokes; ++i) {
        const int age = (m_step - i + spokes) % spokes;
        color.setAlphaF(1.0 - age * 0.85 / spokes);
        QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(QPointF(0, -inner), QPointF(0, -outer));
        painter.rotate(360.0 / spokes);
    }
}

} // namespace tolvane
