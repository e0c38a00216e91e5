#include "ui/history/StateDialog.h"

#include "state/RepositoryState.h"
#include "ui/diff/viewColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

StateDialog::StateDialog(std::function<ConfirmationDialog()> describe, QList<DialogField> fields,
                         QWidget* parent)
    : QDialog(parent), m_describe(std::move(describe)), m_fields(std::move(fields)) {
    const ConfirmationDialog data = m_describe();
    setWindowTitle(data.title);
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("dialogTitle"));
    QFont bold = m_title->font();
    bold.setWeight(QFont::Bold);
    bold.setPointSizeF(bold.pointSizeF() + 1);
    m_title->setFont(bold);
    m_title->setWordWrap(true);
    layout->addWidget(m_title);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("dialogMessage"));
    m_message->setWordWrap(true);
    m_message->setMaximumWidth(460);
    layout->addWidget(m_message);

    QLabel* note = nullptr;
    if (!data.note.isEmpty()) {
        note = new QLabel(data.note, this);
        note->setObjectName(QStringLiteral("dialogNote"));
        note->setWordWrap(true);
        QFont small = note->font();
        small.setPointSizeF(small.pointSizeF() - 1);
        note->setFont(small);
    }
    const bool noteFirst = note && !m_fields.isEmpty() && m_fields.front().multiLine;
    if (noteFirst)
        layout->addWidget(note);
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const DialogField& field = m_fields[i];
        const QString placeholder =
            i < data.fieldPlaceholders.size() ? data.fieldPlaceholders[i] : QString();
        if (field.multiLine) {
            auto* edit = new QPlainTextEdit(field.get(), this);
            edit->setObjectName(QStringLiteral("dialogField%1").arg(i));
            edit->setPlaceholderText(placeholder);
            edit->setMinimumHeight(100);
            connect(edit, &QPlainTextEdit::textChanged, this, [this, edit, i] {
                m_fields[i].set(edit->toPlainText());
                refresh();
            });
            layout->addWidget(edit);
        } else {
            auto* edit = new QLineEdit(field.get(), this);
            edit->setObjectName(QStringLiteral("dialogField%1").arg(i));
            edit->setPlaceholderText(placeholder);
            edit->setMinimumWidth(320);
            connect(edit, &QLineEdit::textEdited, this, [this, i](const QString& text) {
                m_fields[i].set(text);
                refresh();
            });
            layout->addWidget(edit);
        }
    }
    if (note && !noteFirst)
        layout->addWidget(note);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (const DialogButton& spec : data.buttons) {
        auto* button = new QPushButton(spec.text, this);
        button->setObjectName(QStringLiteral("dialogButton_") + spec.text);
        button->setAutoDefault(false);
        if (spec.role == DialogButtonRole::Destructive) {
            QPalette pal = button->palette();
            pal.setColor(QPalette::ButtonText, ViewColors::red());
            button->setPalette(pal);
        }
        const QString text = spec.text;
        connect(button, &QPushButton::clicked, this, [this, text] {
            // The action is taken from a fresh description: it sees the fields as edited.
            const ConfirmationDialog now = m_describe();
            DialogButtonRole role = DialogButtonRole::Normal;
            for (const DialogButton& b : now.buttons) {
                if (b.text != text)
                    continue;
                role = b.role;
                if (!b.enabled)
                    return;
                if (b.action)
                    b.action();
                break;
            }
            if (role == DialogButtonRole::Cancel)
                reject();
            else
                accept();
        });
        buttons->addWidget(button);
        m_buttons.append(button);
    }
    layout->addLayout(buttons);
    refresh();
}

QPushButton* StateDialog::button(const QString& text) const {
    for (QPushButton* b : m_buttons) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

void StateDialog::refresh() {
    const ConfirmationDialog data = m_describe();
    m_title->setText(data.title);
    m_message->setText(data.message);
    m_message->setVisible(!data.message.isEmpty());
    for (qsizetype i = 0; i < data.buttons.size() && i < m_buttons.size(); ++i) {
        m_buttons[i]->setEnabled(data.buttons[i].enabled);
        m_buttons[i]->setDefault(data.buttons[i].isDefault);
    }
}

DialogPresenter::DialogPresenter(RepositoryState* state, QWidget* host)
    : QObject(host), m_state(state), m_host(host) {}

void DialogPresenter::bind(Signal changed, Getter flag, Setter setFlag, const QString& objectName,
                           std::function<ConfirmationDialog()> describe,
                           QList<DialogField> fields) {
    auto open = std::make_shared<QPointer<StateDialog>>();
    connect(m_state, changed, this, [=, this] {
        const bool shown = (m_state->*flag)();
        if (shown && !*open) {
            auto* dialog = new StateDialog(describe, fields, m_host);
            dialog->setObjectName(objectName);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->setWindowModality(Qt::WindowModal);
            *open = dialog;
            QPointer<RepositoryState> state(m_state);
            connect(dialog, &QDialog::finished, this, [state, setFlag] {
                if (state)
                    ((*state).*setFlag)(false);
            });
            dialog->open();
        } else if (!shown && *open) {
            (*open)->close();
        }
    });
}

} // namespace tolvane
