#include "ui/common/ConfirmationAlert.h"

#include "ui/common/viewColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

// Return confirms: the button the description marks, else the first confirming one, where a
// gentler choice ("Delete Local Only") goes before a destructive one. Only Cancel is never it.
qsizetype defaultButtonIndex(const QList<DialogButton>& buttons) {
    const auto rank = [](const DialogButton& button) {
        if (button.isDefault)
            return 0;
        switch (button.role) {
        case DialogButtonRole::Default:
            return 1;
        case DialogButtonRole::Normal:
            return 2;
        case DialogButtonRole::Destructive:
            return 3;
        case DialogButtonRole::Cancel:
            break;
        }
        return 4;
    };
    qsizetype best = -1;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        if (rank(buttons[i]) < 4 && (best < 0 || rank(buttons[i]) < rank(buttons[best])))
            best = i;
    }
    return best;
}

} // namespace

ConfirmationAlert::ConfirmationAlert(std::function<ConfirmationDialog()> describe, QWidget* parent)
    : QDialog(parent), m_describe(std::move(describe)), m_description(m_describe()) {
    setWindowTitle(m_description.title);
    setMinimumWidth(360);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("dialogTitle"));
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() + 1);
    m_title->setFont(titleFont);
    m_title->setWordWrap(true);
    layout->addWidget(m_title);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("dialogMessage"));
    m_message->setWordWrap(true);
    m_message->setMaximumWidth(460);
    layout->addWidget(m_message);

    addFields(layout);

    m_content = new QVBoxLayout;
    m_content->setSpacing(8);
    layout->addLayout(m_content);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    for (int i = 0; i < m_description.buttons.size(); ++i) {
        const DialogButton& spec = m_description.buttons.at(i);
        auto* button = new QPushButton(spec.text, this);
        button->setObjectName(QStringLiteral("dialogButton_") + spec.text);
        button->setAutoDefault(false);
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
    refresh();
}

void ConfirmationAlert::addFields(QVBoxLayout* layout) {
    const QList<DialogField>& fields = m_description.fields;
    QLabel* note = nullptr;
    if (!m_description.note.isEmpty()) {
        note = new QLabel(m_description.note, this);
        note->setObjectName(QStringLiteral("dialogNote"));
        note->setWordWrap(true);
        QFont small = note->font();
        small.setPointSizeF(small.pointSizeF() - 1);
        note->setFont(small);
    }
    // A note reads as the label of a multi-line field, and as a remark under single-line ones.
    const bool noteFirst = note && !fields.isEmpty() && fields.front().multiLine;
    if (noteFirst)
        layout->addWidget(note);
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const DialogField& field = fields[i];
        const QString name = QStringLiteral("dialogField%1").arg(i);
        const QString placeholder = m_description.fieldPlaceholders.value(i);
        if (field.multiLine) {
            auto* edit = new QPlainTextEdit(field.get(), this);
            edit->setObjectName(name);
            edit->setPlaceholderText(placeholder);
            edit->setMinimumHeight(100);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, edit, set = field.set] {
                set(edit->toPlainText());
                refresh();
            });
            layout->addWidget(edit);
        } else {
            auto* edit = new QLineEdit(field.get(), this);
            edit->setObjectName(name);
            edit->setPlaceholderText(placeholder);
            edit->setMinimumWidth(320);
            connect(edit, &QLineEdit::textEdited, this,
                    [this, set = field.set](const QString& text) {
                        set(text);
                        refresh();
                    });
            layout->addWidget(edit);
        }
    }
    if (note && !noteFirst)
        layout->addWidget(note);
}

void ConfirmationAlert::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Controls added after construction (a sheet's check boxes) were made after the buttons.
    orderTabsAsLaidOut();
}

void ConfirmationAlert::orderTabsAsLaidOut() {
    QList<QWidget*> order;
    const std::function<void(QLayout*)> walk = [&](QLayout* layout) {
        for (int i = 0; i < layout->count(); ++i) {
            QLayoutItem* item = layout->itemAt(i);
            if (QWidget* widget = item->widget()) {
                if (widget->focusPolicy() & Qt::TabFocus)
                    order.append(widget);
                else if (widget->layout())
                    walk(widget->layout());
            } else if (QLayout* inner = item->layout()) {
                walk(inner);
            }
        }
    };
    walk(layout());
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
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

void ConfirmationAlert::refresh() {
    m_description = m_describe();
    m_title->setText(m_description.title);
    m_message->setText(m_description.message);
    m_message->setVisible(!m_description.message.isEmpty());
    const qsizetype defaultIndex = defaultButtonIndex(m_description.buttons);
    for (qsizetype i = 0; i < m_description.buttons.size() && i < m_buttons.size(); ++i) {
        m_buttons[i]->setEnabled(m_description.buttons[i].enabled);
        m_buttons[i]->setDefault(i == defaultIndex);
    }
}

} // namespace tolvane
