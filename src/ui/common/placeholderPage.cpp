#include "ui/common/placeholderPage.h"

#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace tolvane {

QWidget* makePlaceholderPage(const QString& symbol, const QString& text, const QString& objectName,
                             QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(objectName);
    auto* layout = new QVBoxLayout(page);
    layout->addStretch(1);
    auto* icon = new QLabel(page);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(tintedSymbol(symbol, ViewColors::secondary(page->palette()), 40,
                                 page->devicePixelRatioF()));
    auto* label = new QLabel(text, page);
    label->setObjectName(objectName + QStringLiteral("Text"));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, ViewColors::secondary(pal));
    label->setPalette(pal);
    layout->addWidget(icon);
    layout->addWidget(label);
    layout->addStretch(1);
    return page;
}

} // namespace tolvane
