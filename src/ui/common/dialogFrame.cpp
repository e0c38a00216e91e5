#include "ui/common/dialogFrame.h"

#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace tolvane {

namespace {

// A symbol that is tinted again when the scheme changes.
class DialogSymbol : public QLabel {
public:
    DialogSymbol(const QString& symbol, QWidget* parent) : QLabel(parent), m_symbol(symbol) {
        setAlignment(Qt::AlignTop);
        tint();
    }

protected:
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::PaletteChange)
            tint();
        QLabel::changeEvent(event);
    }

private:
    void tint() {
        setPixmap(
            tintedSymbol(m_symbol, ViewColors::secondary(palette()), 40, devicePixelRatioF()));
    }

    QString m_symbol;
};

} // namespace

QVBoxLayout* layOutDialogFrame(QDialog* dialog, const QString& symbol, const QString& title,
                               const QString& message, int messageWidth) {
    dialog->setWindowTitle(title);
    dialog->setWindowModality(Qt::WindowModal);

    auto* outer = new QHBoxLayout(dialog);
    outer->setContentsMargins(20, 18, 20, 16);
    outer->setSpacing(16);
    outer->addWidget(new DialogSymbol(symbol, dialog), 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    outer->addLayout(column);
    auto* headline = new QLabel(title, dialog);
    headline->setObjectName(QStringLiteral("dialogMessage"));
    QFont titleFont = headline->font();
    titleFont.setBold(true);
    headline->setFont(titleFont);
    column->addWidget(headline);
    auto* info = new QLabel(message, dialog);
    info->setObjectName(QStringLiteral("dialogInformativeText"));
    info->setWordWrap(true);
    info->setMaximumWidth(messageWidth);
    column->addWidget(info);
    return column;
}

} // namespace tolvane
