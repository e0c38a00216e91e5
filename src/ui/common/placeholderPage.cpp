#include "ui/common/placeholderPage.h"

#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace tolvane {
namespace {

// Tints its symbol and text again when the colour scheme changes, so a page made in one scheme
// stays readable in the other.
class PlaceholderPage : public QWidget {
public:
    PlaceholderPage(const QString& symbol, QWidget* parent) : QWidget(parent), m_symbol(symbol) {}

    void setParts(QLabel* icon, QLabel* label) {
        m_icon = icon;
        m_label = label;
        updateColours();
    }

protected:
    void changeEvent(QEvent* event) override {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::PaletteChange)
            updateColours();
    }

private:
    void updateColours() {
        if (!m_icon)
            return;
        const QColor colour = ViewColors::secondary(palette());
        m_icon->setPixmap(tintedSymbol(m_symbol, colour, 40, devicePixelRatioF()));
        QPalette pal = m_label->palette();
        pal.setColor(QPalette::WindowText, colour);
        m_label->setPalette(pal);
    }

    QString m_symbol;
    QLabel* m_icon = nullptr;
    QLabel* m_label = nullptr;
};

} // namespace

QWidget* makePlaceholderPage(const QString& symbol, const QString& text, const QString& objectName,
                             QWidget* parent, QWidget* accessory) {
    auto* page = new PlaceholderPage(symbol, parent);
    page->setObjectName(objectName);
    auto* layout = new QVBoxLayout(page);
    layout->addStretch(1);
    auto* icon = new QLabel(page);
    icon->setAlignment(Qt::AlignCenter);
    auto* label = new QLabel(text, page);
    label->setObjectName(objectName + QStringLiteral("Text"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    page->setParts(icon, label);
    layout->addWidget(icon);
    layout->addWidget(label);
    if (accessory) {
        layout->addSpacing(8);
        layout->addWidget(accessory, 0, Qt::AlignCenter);
    }
    layout->addStretch(1);
    return page;
}

} // namespace tolvane
