#include "ui/sidebar/ConfirmationAlert.h"
#include "state/ConfirmationDialog.h"

#include "ui/diff/viewColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

ConfirmationAlert::ConfirmationAlert(const ConfirmationDialog& dialog, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(dialog.title);
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);

    m_title = new QLabel(dialog.title, this);
    m_title->setObjectName(QStringLiteral("alertTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() + 1);
    m_title->setFont(titleFont);
    m_title->setWordWrap(true);
    layout->addWidget(m_title);

    m_message = new QLabel(dialog.message, this);
    m_message->setObjectName(QStringLiteral("alertMessage"));
    m_message->setWordWrap(true);
    m_message->setMaximumWidth(420);
    m_message->setVisible(!dialog.message.isEmpty());
    layout->addWidget(m_message);

    m_content = new QVBoxLayout;
    m_content->setSpacing(8);
    layout->addLayout(m_content);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    for (int i = 0; i < dialog.buttons.size(); ++i) {
        const DialogButton& spec = dialog.buttons.at(i);
        auto* button = new QPushButton(spec.text, this);
        button->setObjectName(QStringLiteral("alertButton"));
        button->setEnabled(spec.enabled);
        button->setAutoDefault(false);
        if (spec.isDefault)
            button->setDefault(true);
        if (spec.role == DialogButtonRole::Destructive) {
            QPalette pal = button->palette();
            pal.setColor(QPalette::ButtonText, ViewColors::red());
            button->setPalette(pal);
        }
        connect(button, &QPushButton::clicked, this, [this, i] { Q_EMIT buttonChosen(i); });
        m_buttons.append(button);
        row->addWidget(button);
    }
    layout->addSpacing(4);
    layout->addLayout(row);
}

QPushButton* ConfirmationAlert::button(const QString& text) const {
    for (QPushButton* button : m_buttons) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QString ConfirmationAlert::title() const {
    return m_title->text();
}

QString ConfirmationAlert::message() const {
    return m_message->text();
}

} // namespace tolvane
