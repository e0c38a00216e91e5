#include "ui/github/NewRepositoryDialog.h"

#include "ui/common/ProgressSpinner.h"
#include "ui/common/viewColors.h"
#include "ui/github/dialogStyle.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QToolButton* segment(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setObjectName(objectName);
    button->setCheckable(true);
    button->setAutoRaise(false);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(72);
    return button;
}

} // namespace

NewRepositoryDialog::NewRepositoryDialog(const QString& username, GitHubService& gitHub,
                                         RepoDialogController::RepoCreated onRepoCreated,
                                         RepoDialogController::Completion completion,
                                         QWidget* parent)
    : QDialog(parent), m_controller(new RepoDialogController(gitHub, std::move(onRepoCreated),
                                                             std::move(completion), this)) {
    setObjectName(QStringLiteral("newGitHubRepositoryDialog"));
    setWindowTitle(QStringLiteral("Create New GitHub Repository"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(480, 320);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(10);

    auto* heading = new QLabel(QStringLiteral("Create New GitHub Repository"), this);
    heading->setObjectName(QStringLiteral("repositoryHeading"));
    QFont headingFont = font();
    headingFont.setBold(true);
    heading->setFont(headingFont);
    layout->addWidget(heading);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    const auto label = [this](const QString& text) {
        auto* label = new QLabel(text, this);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return label;
    };

    m_owner = new QLabel(username + QStringLiteral(" /"), this);
    m_owner->setObjectName(QStringLiteral("ownerLabel"));
    m_owner->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("repositoryNameField"));
    m_name->setPlaceholderText(QStringLiteral("repository-name"));
    grid->addWidget(m_owner, 0, 0);
    grid->addWidget(m_name, 0, 1, 1, 2);

    m_description = new QLineEdit(this);
    m_description->setObjectName(QStringLiteral("descriptionField"));
    m_description->setPlaceholderText(QStringLiteral("Optional"));
    grid->addWidget(label(QStringLiteral("Description:")), 1, 0);
    grid->addWidget(m_description, 1, 1, 1, 2);

    auto* segments = new QHBoxLayout;
    segments->setSpacing(0);
    m_public = segment(QStringLiteral("Public"), QStringLiteral("publicSegment"), this);
    m_private = segment(QStringLiteral("Private"), QStringLiteral("privateSegment"), this);
    auto* visibility = new QButtonGroup(this);
    visibility->setExclusive(true);
    visibility->addButton(m_public);
    visibility->addButton(m_private);
    m_public->setChecked(true);
    segments->addWidget(m_public);
    segments->addWidget(m_private);
    segments->addStretch(1);
    grid->addWidget(label(QStringLiteral("Visibility:")), 2, 0);
    grid->addLayout(segments, 2, 1, 1, 2);

    m_readme = new QCheckBox(QStringLiteral("Initialize with README"), this);
    m_readme->setObjectName(QStringLiteral("readmeCheckbox"));
    m_readme->setChecked(true);
    grid->addWidget(m_readme, 3, 1, 1, 2);
    m_clone = new QCheckBox(QStringLiteral("Clone locally after creation"), this);
    m_clone->setObjectName(QStringLiteral("cloneCheckbox"));
    m_clone->setChecked(true);
    grid->addWidget(m_clone, 4, 1, 1, 2);

    m_path = new QLineEdit(RepoDialogController::defaultBasePath(), this);
    m_path->setObjectName(QStringLiteral("localPathField"));
    auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
    browse->setObjectName(QStringLiteral("browseButton"));
    browse->setAutoDefault(false);
    grid->addWidget(label(QStringLiteral("Local path:")), 5, 0);
    grid->addWidget(m_path, 5, 1);
    grid->addWidget(browse, 5, 2);
    layout->addLayout(grid);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("repositoryErrorLabel"));
    m_error->setFont(dialogStyle::smallFont(font()));
    m_error->setWordWrap(true);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_error);
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_spinner = new ProgressSpinner(this);
    m_spinner->setObjectName(QStringLiteral("repositoryProgress"));
    buttons->addWidget(m_spinner);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    m_create = new QPushButton(QStringLiteral("Create"), this);
    m_create->setObjectName(QStringLiteral("createButton"));
    m_create->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(m_create);
    layout->addLayout(buttons);

    connect(browse, &QPushButton::clicked, this, &NewRepositoryDialog::browse);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_create, &QPushButton::clicked, m_controller,
            [this] { m_controller->create(input()); });
    // Escape and the window's close button end up here too.
    connect(this, &QDialog::rejected, m_controller, &RepoDialogController::cancel);
    connect(m_controller, &RepoDialogController::finished, this, [this](int result) {
        if (result == 1)
            accept();
    });
    connect(m_controller, &RepoDialogController::isProcessingChanged, this,
            &NewRepositoryDialog::updateState);
    connect(m_controller, &RepoDialogController::errorTextChanged, this,
            &NewRepositoryDialog::updateState);
    updateState();
    applyColors();
    m_name->setFocus();
}

NewRepositoryInput NewRepositoryDialog::input() const {
    return {.name = m_name->text(),
            .description = m_description->text(),
            .isPrivate = m_private->isChecked(),
            .autoInit = m_readme->isChecked(),
            .cloneLocally = m_clone->isChecked(),
            .basePath = m_path->text()};
}

void NewRepositoryDialog::browse() {
    if (!m_chooseFolder)
        return;
    if (const auto folder = m_chooseFolder(QStringLiteral("Select folder for repository")))
        m_path->setText(*folder);
}

void NewRepositoryDialog::updateState() {
    m_create->setEnabled(!m_controller->isProcessing());
    m_spinner->setSpinning(m_controller->isProcessing());
    m_error->setText(m_controller->errorText().value_or(QString()));
    m_error->setVisible(m_controller->errorText().has_value());
}

void NewRepositoryDialog::applyColors() {
    dialogStyle::setTextColor(m_owner, ViewColors::secondaryLabel(palette()));
    dialogStyle::setTextColor(m_error, ViewColors::red());
    // The two buttons read as one segmented control, the chosen side filled.
    const QPalette colors = palette();
    const QString style =
        QStringLiteral("QToolButton { border: 1px solid %1; padding: 3px 14px; background: %2; "
                       "color: %3; }"
                       "QToolButton:checked { background: %4; color: %5; border-color: %4; }")
            .arg(ViewColors::divider(colors).name(QColor::HexArgb),
                 colors.color(QPalette::Button).name(), colors.color(QPalette::ButtonText).name(),
                 colors.color(QPalette::Highlight).name(),
                 colors.color(QPalette::HighlightedText).name());
    m_public->setStyleSheet(style + QStringLiteral("QToolButton { border-top-left-radius: 5px; "
                                                   "border-bottom-left-radius: 5px; }"));
    m_private->setStyleSheet(style + QStringLiteral("QToolButton { border-top-right-radius: 5px; "
                                                    "border-bottom-right-radius: 5px; "
                                                    "border-left: none; }"));
}

void NewRepositoryDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && m_error)
        applyColors();
    QDialog::changeEvent(event);
}

} // namespace tolvane
