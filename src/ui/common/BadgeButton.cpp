#include "ui/common/BadgeButton.h"

#include "ui/common/viewColors.h"

#include <QPainter>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace tolvane {

namespace {
constexpr int gap = 4;
} // namespace

void BadgeButton::setBadge(const QString& text) {
    if (text == m_badge)
        return;
    m_badge = text;
    updateGeometry();
    update();
}

QFont BadgeButton::badgeFont() const {
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.82);
    small.setWeight(QFont::DemiBold);
    return small;
}

QSize BadgeButton::badgeSize() const {
    if (m_badge.isEmpty())
        return {};
    const QFontMetrics metrics(badgeFont());
    const int height = metrics.height() + 2;
    return {qMax(height, metrics.horizontalAdvance(m_badge) + 10), height};
}

QSize BadgeButton::sizeHint() const {
    QSize size = QToolButton::sizeHint();
    if (!m_badge.isEmpty())
        size.rwidth() += badgeSize().width() + gap;
    return size;
}

QSize BadgeButton::minimumSizeHint() const {
    return sizeHint();
}

void BadgeButton::paintEvent(QPaintEvent* event) {
    if (m_badge.isEmpty()) {
        QToolButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    const QSize badge = badgeSize();
    const int room = badge.width() + gap;

    // The frame over the whole button, the label in what the badge leaves.
    QStyleOptionToolButton panel = option;
    panel.text.clear();
    panel.icon = QIcon();
    painter.drawComplexControl(QStyle::CC_ToolButton, panel);
    QStyleOptionToolButton label = option;
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    label.rect = option.rect.adjusted(frame, frame, -frame - room, -frame);
    painter.drawControl(QStyle::CE_ToolButtonLabel, label);

    const QRectF pill(option.rect.right() - frame - room + 1,
                      option.rect.top() + (option.rect.height() - badge.height()) / 2.0,
                      badge.width(), badge.height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor fill = ViewColors::blue(palette());
    if (!isEnabled())
        fill = ViewColors::withAlpha(fill, 0.45);
    painter.setBrush(fill);
    painter.drawRoundedRect(pill, badge.height() / 2.0, badge.height() / 2.0);
    painter.setFont(badgeFont());
    painter.setPen(Qt::white);
    painter.drawText(pill, Qt::AlignCenter, m_badge);
}

} // namespace tolvane
