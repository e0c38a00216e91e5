#include "ui/credentials/CredentialPromptPresenter.h"

#include "state/CredentialPrompts.h"
#include "ui/credentials/CredentialPromptDialog.h"

#include <QWidget>

namespace tolvane {

CredentialPromptPresenter::CredentialPromptPresenter(CredentialPrompts& prompts, QWidget* parent)
    : QObject(parent), m_prompts(&prompts), m_parent(parent) {
    connect(&prompts, &CredentialPrompts::promptChanged, this, &CredentialPromptPresenter::update);
    update();
}

void CredentialPromptPresenter::update() {
    if (!m_prompts)
        return;
    const std::optional<CredentialPrompt>& prompt = m_prompts->prompt();
    if (m_dialog && (!prompt || m_dialog->prompt().id != prompt->id)) {
        // Withdrawn: closed without an answer.
        CredentialPromptDialog* old = m_dialog;
        m_dialog = nullptr;
        old->disconnect(this);
        old->close();
        old->deleteLater();
    }
    if (!prompt || m_dialog)
        return;
    auto* dialog = new CredentialPromptDialog(*prompt, m_parent);
    m_dialog = dialog;
    connect(dialog, &QDialog::finished, this,
            [this, dialog](int result) { finished(dialog, result); });
    dialog->open();
}

void CredentialPromptPresenter::finished(CredentialPromptDialog* dialog, int result) {
    dialog->deleteLater();
    if (m_dialog != dialog || !m_prompts)
        return;
    m_dialog = nullptr;
    const CredentialPrompt prompt = dialog->prompt();
    if (!m_prompts->prompt() || m_prompts->prompt()->id != prompt.id)
        return;
    if (result != QDialog::Accepted) {
        m_prompts->cancel();
        return;
    }
    switch (prompt.kind) {
    case CredentialPrompt::Kind::Secret:
    case CredentialPrompt::Kind::Text:
        m_prompts->answer(dialog->text());
        break;
    case CredentialPrompt::Kind::Credential:
        m_prompts->answerCredential(dialog->username(), dialog->password(), dialog->remember());
        break;
    case CredentialPrompt::Kind::HostKey:
    case CredentialPrompt::Kind::Confirm:
        m_prompts->accept();
        break;
    case CredentialPrompt::Kind::HostKeyChanged:
        m_prompts->dismiss();
        break;
    }
}

} // namespace tolvane
