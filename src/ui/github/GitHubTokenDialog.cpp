#include "ui/github/GitHubTokenDialog.h"

#include "ui/common/ProgressSpinner.h"
#include "ui/common/viewColors.h"
#include "ui/github/dialogStyle.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

QString GitHubTokenDialog::informationText() {
    return QStringLiteral("Create a fine-grained token at GitHub → Settings → Developer settings "
                          "→ Personal access tokens → Fine-grained tokens.\n\n"
                          "Required permissions:\n"
                          " • Repository permissions → Contents (Read and Write)\n"
                          " • Account permissions → Administration (Read and Write)");
}

GitHubTokenDialog::GitHubTokenDialog(const std::optional<QString>& currentUsername, bool hasToken,
                                     GitHubService& gitHub,
                                     TokenDialogController::Completion completion, QWidget* parent)
    : QDialog(parent), m_controller(new TokenDialogController(currentUsername, hasToken, gitHub,
                                                              std::move(completion), this)) {
    setObjectName(QStringLiteral("gitHubTokenDialog"));
    setWindowTitle(QStringLiteral("GitHub Personal Access Token"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(440, 300);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(10);

    m_information = new QLabel(informationText(), this);
    m_information->setObjectName(QStringLiteral("tokenInformationLabel"));
    m_information->setWordWrap(true);
    m_information->setTextInteractionFlags(Qt::NoTextInteraction);
    m_information->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_information->setFont(dialogStyle::smallFont(font()));
    m_information->setFixedSize(400, 105);
    layout->addWidget(m_information);

    auto* tokenRow = new QHBoxLayout;
    tokenRow->setSpacing(8);
    auto* tokenLabel = new QLabel(QStringLiteral("Token:"), this);
    m_token = new QLineEdit(this);
    m_token->setObjectName(QStringLiteral("tokenField"));
    m_token->setEchoMode(QLineEdit::Password);
    m_token->setPlaceholderText(QStringLiteral("github_pat_xxxx or ghp_xxxx"));
    m_token->setFixedWidth(345);
    tokenLabel->setBuddy(m_token);
    tokenRow->addWidget(tokenLabel);
    tokenRow->addWidget(m_token);
    tokenRow->addStretch(1);
    layout->addLayout(tokenRow);

    // The status and the error take turns in the same place.
    auto* messages = new QGridLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("tokenStatusLabel"));
    m_status->setFont(dialogStyle::smallFont(font()));
    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("tokenErrorLabel"));
    m_error->setFont(dialogStyle::smallFont(font()));
    m_error->setWordWrap(true);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    messages->addWidget(m_status, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    messages->addWidget(m_error, 0, 0, Qt::AlignTop);
    layout->addLayout(messages);
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    if (hasToken) {
        auto* remove = new QPushButton(QStringLiteral("Remove Token"), this);
        remove->setObjectName(QStringLiteral("removeTokenButton"));
        remove->setAutoDefault(false);
        connect(remove, &QPushButton::clicked, m_controller,
                [this] { m_controller->removeToken(); });
        buttons->addWidget(remove);
    }
    buttons->addStretch(1);
    auto* spinner = new ProgressSpinner(this);
    spinner->setObjectName(QStringLiteral("tokenProgress"));
    connect(m_controller, &TokenDialogController::isProcessingChanged, spinner,
            [this, spinner] { spinner->setSpinning(m_controller->isProcessing()); });
    buttons->addWidget(spinner);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    auto* save = new QPushButton(QStringLiteral("Save"), this);
    save->setObjectName(QStringLiteral("saveButton"));
    save->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, m_controller,
            [this] { m_controller->save(m_token->text()); });
    // Escape and the window's close button end up here too.
    connect(this, &QDialog::rejected, m_controller, &TokenDialogController::cancel);
    connect(m_controller, &TokenDialogController::finished, this, [this](int result) {
        if (result == 0)
            return;
        accept();
    });
    for (auto signal :
         {&TokenDialogController::statusTextChanged, &TokenDialogController::isStatusVisibleChanged,
          &TokenDialogController::errorTextChanged})
        connect(m_controller, signal, this, &GitHubTokenDialog::updateLabels);
    updateLabels();
    applyColors();
    m_token->setFocus();
}

void GitHubTokenDialog::updateLabels() {
    m_status->setText(m_controller->statusText());
    m_status->setVisible(m_controller->isStatusVisible() && !m_controller->errorText());
    m_error->setText(m_controller->errorText().value_or(QString()));
    m_error->setVisible(m_controller->errorText().has_value());
}

void GitHubTokenDialog::applyColors() {
    dialogStyle::setTextColor(m_information, ViewColors::secondaryLabel(palette()));
    dialogStyle::setTextColor(m_status, ViewColors::green(palette()));
    dialogStyle::setTextColor(m_error, ViewColors::red());
}

void GitHubTokenDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && m_error)
        applyColors();
    QDialog::changeEvent(event);
}

} // namespace tolvane
