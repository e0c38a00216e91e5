#pragma once

#include "state/CredentialPrompt.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tolvane {

// Asks one question of a network command: a passphrase or password, a user name and password
// that may be kept in the keyring, a new host's key, or shows the warning of a changed one.
// Reads the prompt it was made for; the presenter hands the answer to the state.
class CredentialPromptDialog : public QDialog {
    Q_OBJECT
public:
    CredentialPromptDialog(const CredentialPrompt& prompt, QWidget* parent);

    const CredentialPrompt& prompt() const { return m_prompt; }
    QString text() const;
    QString username() const;
    QString password() const;
    bool remember() const;

private:
    void updateAnswerButton();

    CredentialPrompt m_prompt;
    QLineEdit* m_text = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_remember = nullptr;
    QPushButton* m_answer = nullptr;
};

} // namespace tolvane
