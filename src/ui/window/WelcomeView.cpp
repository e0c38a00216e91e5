#include "ui/window/WelcomeView.h"

#include "ui/common/SymbolIcon.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

WelcomeView::WelcomeView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("welcomeView"));

    m_symbol = new QLabel(this);
    m_symbol->setObjectName(QStringLiteral("welcomeSymbol"));
    m_symbol->setAlignment(Qt::AlignCenter);
    updateSymbol();

    auto* title = new QLabel(QStringLiteral("Tolvane"), this);
    title->setObjectName(QStringLiteral("welcomeTitle"));
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2.2);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    auto* subtitle = new QLabel(QStringLiteral("Open a repository to get started"), this);
    subtitle->setObjectName(QStringLiteral("welcomeSubtitle"));
    subtitle->setAlignment(Qt::AlignCenter);
    subtitle->setForegroundRole(QPalette::PlaceholderText);

    auto* openButton = new QPushButton(QStringLiteral("Open Repository"), this);
    m_openButton = openButton;
    openButton->setObjectName(QStringLiteral("openRepositoryButton"));
    openButton->setDefault(true);
    openButton->setStyleSheet(QStringLiteral(
        "QPushButton { padding: 8px 16px; font-size: 14px; border-radius: 6px;"
        " background: palette(highlight); color: palette(highlighted-text); border: none; }"
        "QPushButton:pressed { background: palette(dark); }"));
    connect(openButton, &QPushButton::clicked, this, &WelcomeView::openRepositoryRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(24);
    layout->addStretch(1);
    layout->addWidget(m_symbol, 0, Qt::AlignHCenter);
    layout->addWidget(title, 0, Qt::AlignHCenter);
    layout->addWidget(subtitle, 0, Qt::AlignHCenter);
    layout->addWidget(openButton, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    updateSymbol();
}

void WelcomeView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        updateSymbol();
    QWidget::changeEvent(event);
}

void WelcomeView::updateSymbol() {
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    m_symbol->setPixmap(
        tintedSymbol(QStringLiteral("arrow.triangle.branch"), secondary, 64, devicePixelRatioF()));
    // The folder is drawn in the button's text colour, readable on the accent fill.
    if (m_openButton)
        m_openButton->setIcon(
            QIcon(tintedSymbol(QStringLiteral("folder"), palette().color(QPalette::HighlightedText),
                               16, devicePixelRatioF())));
}

} // namespace tolvane
