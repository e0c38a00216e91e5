#include "ui/credentials/CredentialPromptDialog.h"

#include "ui/common/dialogFrame.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

using Kind = CredentialPrompt::Kind;

QString symbolFor(Kind kind) {
    switch (kind) {
    case Kind::HostKey:
    case Kind::Confirm:
        return QStringLiteral("lock");
    case Kind::HostKeyChanged:
        return QStringLiteral("exclamationmark.triangle.fill");
    default:
        return QStringLiteral("key");
    }
}

QString messageFor(const CredentialPrompt& prompt) {
    const QString remote = QStringLiteral("Asked while talking to %1.").arg(prompt.remote);
    switch (prompt.kind) {
    case Kind::Secret:
    case Kind::Text:
        return prompt.retry ? QStringLiteral("That was not accepted. Try again.\n") + remote
                            : remote;
    case Kind::Credential:
        return remote;
    case Kind::HostKey:
        return QStringLiteral("This computer has not connected to this server before, so it "
                              "cannot tell yet whether it is the one you mean. Compare the "
                              "fingerprint with the one its administrator publishes. ") +
               remote;
    case Kind::Confirm:
        return prompt.detail;
    case Kind::HostKeyChanged:
        return QStringLiteral("The server answered with a different key than the one this "
                              "computer knows, so ssh refused to connect and nothing was sent. "
                              "Someone may be listening in, or the server's key was replaced. "
                              "Ask its administrator before you remove the old key from "
                              "~/.ssh/known_hosts.");
    }
    return remote;
}

QLabel* selectableLabel(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

CredentialPromptDialog::CredentialPromptDialog(const CredentialPrompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt) {
    setObjectName(QStringLiteral("credentialPromptDialog"));
    constexpr int messageWidth = 380;
    QVBoxLayout* layout = layOutDialogFrame(this, symbolFor(prompt.kind), prompt.title,
                                            messageFor(prompt), messageWidth);
    // Wrapped at its full width from the start, so that the fields below never overlap it.
    if (auto* message = findChild<QLabel*>(QStringLiteral("dialogInformativeText"))) {
        message->setMinimumWidth(messageWidth);
        message->setMinimumHeight(message->heightForWidth(messageWidth));
    }

    auto* form = new QFormLayout;
    form->setContentsMargins(0, 4, 0, 0);
    switch (prompt.kind) {
    case Kind::Secret:
    case Kind::Text:
        m_text = new QLineEdit(this);
        m_text->setObjectName(QStringLiteral("answerField"));
        m_text->setEchoMode(prompt.kind == Kind::Secret ? QLineEdit::Password : QLineEdit::Normal);
        m_text->setMinimumWidth(300);
        form->addRow(m_text);
        break;
    case Kind::Credential:
        m_username = new QLineEdit(prompt.username, this);
        m_username->setObjectName(QStringLiteral("usernameField"));
        m_username->setReadOnly(!prompt.username.isEmpty());
        m_username->setMinimumWidth(240);
        m_password = new QLineEdit(this);
        m_password->setObjectName(QStringLiteral("passwordField"));
        m_password->setEchoMode(QLineEdit::Password);
        m_password->setMinimumWidth(240);
        form->addRow(QStringLiteral("User name:"), m_username);
        form->addRow(QStringLiteral("Password:"), m_password);
        m_remember = new QCheckBox(QStringLiteral("Remember in the keyring"), this);
        m_remember->setObjectName(QStringLiteral("rememberCheckBox"));
        form->addRow(QString(), m_remember);
        break;
    case Kind::HostKey: {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        auto* fingerprint = selectableLabel(prompt.fingerprint, "fingerprintLabel", this);
        fingerprint->setFont(fixed);
        form->addRow(QStringLiteral("Host:"), selectableLabel(prompt.host, "hostLabel", this));
        form->addRow(QStringLiteral("Key type:"),
                     selectableLabel(prompt.keyType, "keyTypeLabel", this));
        form->addRow(QStringLiteral("Fingerprint:"), fingerprint);
        break;
    }
    case Kind::HostKeyChanged: {
        auto* warning = new QPlainTextEdit(prompt.detail, this);
        warning->setObjectName(QStringLiteral("hostKeyWarning"));
        warning->setReadOnly(true);
        warning->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        warning->setLineWrapMode(QPlainTextEdit::NoWrap);
        warning->setMinimumSize(640, 240);
        form->addRow(warning);
        break;
    }
    case Kind::Confirm:
        break;
    }
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    if (prompt.kind == Kind::HostKeyChanged) {
        // Nothing to accept: the only way on is outside this program.
        auto* close = new QPushButton(QStringLiteral("Close"), this);
        close->setObjectName(QStringLiteral("closeButton"));
        close->setDefault(true);
        connect(close, &QPushButton::clicked, this, &QDialog::reject);
        buttons->addWidget(close);
    } else {
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setObjectName(QStringLiteral("cancelButton"));
        cancel->setAutoDefault(false);
        QString label = QStringLiteral("OK");
        if (prompt.kind == Kind::HostKey)
            label = QStringLiteral("Connect");
        else if (prompt.kind == Kind::Confirm)
            label = QStringLiteral("Allow");
        m_answer = new QPushButton(label, this);
        m_answer->setObjectName(QStringLiteral("answerButton"));
        m_answer->setDefault(true);
        // A new host is never accepted by a stray Return.
        if (prompt.kind == Kind::HostKey) {
            m_answer->setDefault(false);
            m_answer->setAutoDefault(false);
        }
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(m_answer, &QPushButton::clicked, this, &QDialog::accept);
        buttons->addWidget(cancel);
        buttons->addWidget(m_answer);
    }
    layout->addSpacing(4);
    layout->addLayout(buttons);

    if (m_password) {
        connect(m_username, &QLineEdit::textChanged, this,
                &CredentialPromptDialog::updateAnswerButton);
        (prompt.username.isEmpty() ? m_username : m_password)->setFocus();
    } else if (m_text) {
        m_text->setFocus();
    }
    updateAnswerButton();
}

void CredentialPromptDialog::updateAnswerButton() {
    if (m_answer && m_username)
        m_answer->setEnabled(!m_username->text().trimmed().isEmpty());
}

QString CredentialPromptDialog::text() const {
    return m_text ? m_text->text() : QString();
}

QString CredentialPromptDialog::username() const {
    return m_username ? m_username->text().trimmed() : QString();
}

QString CredentialPromptDialog::password() const {
    return m_password ? m_password->text() : QString();
}

bool CredentialPromptDialog::remember() const {
    return m_remember && m_remember->isChecked();
}

} // namespace tolvane
