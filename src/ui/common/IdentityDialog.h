#pragma once

#include "state/gitIdentity.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tolvane {

// Asks for the name and email address git records as a commit's author, and whether they hold
// for this repository only or for all of them. "Commit" (default) is enabled once both are filled.
class IdentityDialog : public QDialog {
    Q_OBJECT
public:
    explicit IdentityDialog(QWidget* parent = nullptr);

    GitIdentity identity() const;
    void setIdentity(const GitIdentity& identity);

    QLineEdit* nameField() const { return m_name; }
    QLineEdit* emailField() const { return m_email; }
    QPushButton* commitButton() const { return m_commit; }

private:
    void updateCommitButton();

    QLineEdit* m_name = nullptr;
    QLineEdit* m_email = nullptr;
    QRadioButton* m_thisRepository = nullptr;
    QRadioButton* m_allRepositories = nullptr;
    QPushButton* m_commit = nullptr;
};

} // namespace tolvane
