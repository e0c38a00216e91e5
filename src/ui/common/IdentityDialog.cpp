#include "ui/common/IdentityDialog.h"

#include "ui/common/dialogFrame.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tolvane {

IdentityDialog::IdentityDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("identityDialog"));
    QVBoxLayout* layout = layOutDialogFrame(
        this, QStringLiteral("person.text.rectangle"), QStringLiteral("Who Is Committing?"),
        QStringLiteral("Git needs a name and an email address to record as the author of your "
                       "commits. The commit is made as soon as they are set."),
        340);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("identityNameField"));
    m_name->setPlaceholderText(QStringLiteral("Your Name"));
    m_name->setMinimumWidth(240);
    m_email = new QLineEdit(this);
    m_email->setObjectName(QStringLiteral("identityEmailField"));
    m_email->setPlaceholderText(QStringLiteral("you@example.com"));
    m_email->setMinimumWidth(240);
    auto* form = new QFormLayout;
    form->setContentsMargins(0, 4, 0, 0);
    form->addRow(QStringLiteral("Name:"), m_name);
    form->addRow(QStringLiteral("Email:"), m_email);
    layout->addLayout(form);

    m_thisRepository = new QRadioButton(QStringLiteral("For this repository only"), this);
    m_thisRepository->setObjectName(QStringLiteral("identityThisRepository"));
    m_allRepositories = new QRadioButton(QStringLiteral("For all repositories"), this);
    m_allRepositories->setObjectName(QStringLiteral("identityAllRepositories"));
    auto* scope = new QButtonGroup(this);
    scope->addButton(m_thisRepository);
    scope->addButton(m_allRepositories);
    m_thisRepository->setChecked(true);
    layout->addWidget(m_thisRepository);
    layout->addWidget(m_allRepositories);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    m_commit = new QPushButton(QStringLiteral("Commit"), this);
    m_commit->setObjectName(QStringLiteral("commitButton"));
    m_commit->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(m_commit);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_commit, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_name, &QLineEdit::textChanged, this, &IdentityDialog::updateCommitButton);
    connect(m_email, &QLineEdit::textChanged, this, &IdentityDialog::updateCommitButton);
    updateCommitButton();
    m_name->setFocus();
}

GitIdentity IdentityDialog::identity() const {
    return {m_name->text().trimmed(), m_email->text().trimmed(), m_allRepositories->isChecked()};
}

void IdentityDialog::setIdentity(const GitIdentity& identity) {
    m_name->setText(identity.name);
    m_email->setText(identity.email);
    (identity.global ? m_allRepositories : m_thisRepository)->setChecked(true);
    // The first empty field is where typing starts.
    if (!identity.name.isEmpty() && identity.email.isEmpty())
        m_email->setFocus();
}

void IdentityDialog::updateCommitButton() {
    m_commit->setEnabled(!m_name->text().trimmed().isEmpty() &&
                         !m_email->text().trimmed().isEmpty());
}

} // namespace tolvane
