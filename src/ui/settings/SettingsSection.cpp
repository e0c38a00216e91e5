#include "ui/settings/SettingsSection.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace tolvane {
namespace {

// The panel is painted rather than styled so that it follows palette changes at once.
class SectionPanel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const QColor window = palette().color(QPalette::Window);
        const bool dark = window.lightness() < 128;
        QColor fill = dark ? window.lighter(118) : palette().color(QPalette::Base);
        QColor border = palette().color(QPalette::Text);
        border.setAlphaF(dark ? 0.14f : 0.12f);
        p.setPen(QPen(border, 1));
        p.setBrush(fill);
        p.drawRoundedRect(r, 8, 8);
    }
};

} // namespace

SettingsSection::SettingsSection(const QString& title, QWidget* parent) : QWidget(parent) {
    m_title = new QLabel(title, this);
    QFont font = m_title->font();
    font.setBold(true);
    m_title->setFont(font);

    m_panel = new SectionPanel(this);
    m_rows = new QVBoxLayout(m_panel);
    m_rows->setContentsMargins(14, 10, 14, 10);
    m_rows->setSpacing(8);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(m_title);
    layout->addWidget(m_panel);
}

void SettingsSection::addRow(QWidget* row) {
    m_rows->addWidget(row);
}

} // namespace tolvane
