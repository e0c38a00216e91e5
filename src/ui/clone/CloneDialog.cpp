#include "ui/clone/CloneDialog.h"

#include "settings/AppSettings.h"
#include "state/CloneState.h"
#include "state/cloneRequest.h"
#include "ui/clone/SparseFolderDialog.h"
#include "ui/common/dialogFrame.h"
#include "ui/common/viewColors.h"
#include "ui/credentials/CredentialPromptPresenter.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QLabel* noteLabel(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ViewColors::secondaryLabel(parent->palette()));
    label->setPalette(palette);
    // Lined up under the check box's text, not its box.
    label->setContentsMargins(24, 0, 0, 4);
    return label;
}

QString progressText(const TransferProgress& progress) {
    QString text = progressPhaseName(progress.phase);
    if (progress.percent)
        text += QStringLiteral(": %1%").arg(*progress.percent);
    if (progress.total > 0)
        text += QStringLiteral(" (%1 of %2)").arg(progress.done).arg(progress.total);
    else if (progress.done > 0)
        text += QStringLiteral(": %1").arg(progress.done);
    if (!progress.amount.isEmpty())
        text += QStringLiteral(", ") + progress.amount;
    if (!progress.rate.isEmpty())
        text += QStringLiteral(" at ") + progress.rate;
    return text;
}

} // namespace

CloneDialog::CloneDialog(CloneState& state, const QString& clipboardText, QWidget* parent)
    : QDialog(parent), m_state(&state) {
    setObjectName(QStringLiteral("cloneDialog"));
    setWindowTitle(QStringLiteral("Clone Repository"));
    QVBoxLayout* column = layOutDialogFrame(
        this, QStringLiteral("arrow.down.circle"), QStringLiteral("Clone a Repository"),
        QStringLiteral("Copy a repository from an address into a new folder on this computer. "
                       "It opens as a tab when it is done."),
        420);

    auto* form = new QFormLayout;
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("cloneAddress"));
    m_address->setPlaceholderText(
        QStringLiteral("https://host/owner/project.git or user@host:path"));
    m_address->setMinimumWidth(360);
    form->addRow(QStringLiteral("Address:"), m_address);

    auto* parentRow = new QHBoxLayout;
    m_parent = new QLineEdit(AppSettings::cloneParentFolder(), this);
    m_parent->setObjectName(QStringLiteral("cloneParentFolder"));
    m_choose = new QPushButton(QStringLiteral("Choose…"), this);
    m_choose->setObjectName(QStringLiteral("cloneChooseFolder"));
    parentRow->addWidget(m_parent, 1);
    parentRow->addWidget(m_choose);
    form->addRow(QStringLiteral("Clone into:"), parentRow);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("cloneFolderName"));
    form->addRow(QStringLiteral("Folder name:"), m_name);
    column->addLayout(form);

    m_submodules = new QCheckBox(QStringLiteral("Include submodules"), this);
    m_submodules->setObjectName(QStringLiteral("cloneSubmodules"));
    m_submodules->setChecked(true);
    column->addWidget(m_submodules);

    m_blobless = new QCheckBox(QStringLiteral("Download file contents only when needed"), this);
    m_blobless->setObjectName(QStringLiteral("cloneBlobless"));
    column->addWidget(m_blobless);
    column->addWidget(noteLabel(
        QStringLiteral("The whole history arrives now; the contents of old versions of files "
                       "are fetched from the remote when something first reads them."),
        QStringLiteral("cloneBloblessNote"), this));

    m_sparse = new QCheckBox(QStringLiteral("Only these folders…"), this);
    m_sparse->setObjectName(QStringLiteral("cloneSparse"));
    column->addWidget(m_sparse);
    column->addWidget(noteLabel(QStringLiteral("Once the commits have arrived, you pick the "
                                               "top-level folders to check out."),
                                QStringLiteral("cloneSparseNote"), this));

    m_latestOnly = new QCheckBox(QStringLiteral("Latest commit only"), this);
    m_latestOnly->setObjectName(QStringLiteral("cloneLatestOnly"));
    column->addWidget(m_latestOnly);
    m_shallowWarning = noteLabel(
        QStringLiteral("⚠ Without the history, the commit list, blame and file history stop at "
                       "this commit, and merging or rebasing onto older work may fail."),
        QStringLiteral("cloneShallowWarning"), this);
    {
        QPalette palette = m_shallowWarning->palette();
        palette.setColor(QPalette::WindowText, ViewColors::orange(this->palette()));
        m_shallowWarning->setPalette(palette);
    }
    m_shallowWarning->setVisible(false);
    column->addWidget(m_shallowWarning);

    m_progressLabel = new QLabel(this);
    m_progressLabel->setObjectName(QStringLiteral("cloneProgressLabel"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("cloneProgressBar"));
    m_progress->setTextVisible(false);
    column->addSpacing(6);
    column->addWidget(m_progressLabel);
    column->addWidget(m_progress);

    m_error = new QLabel(this);
    m_error->setObjectName(QStringLiteral("cloneError"));
    m_error->setWordWrap(true);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    {
        QPalette palette = m_error->palette();
        palette.setColor(QPalette::WindowText, ViewColors::red());
        m_error->setPalette(palette);
    }
    column->addWidget(m_error);

    auto* buttons = new QHBoxLayout;
    m_help = new QPushButton(QStringLiteral("Help"), this);
    m_help->setObjectName(QStringLiteral("cloneHelp"));
    m_help->setVisible(false);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cloneCancel"));
    m_clone = new QPushButton(QStringLiteral("Clone"), this);
    m_clone->setObjectName(QStringLiteral("cloneStart"));
    m_clone->setDefault(true);
    buttons->addWidget(m_help);
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_clone);
    column->addSpacing(6);
    column->addLayout(buttons);

    connect(m_address, &QLineEdit::textEdited, this, &CloneDialog::addressEdited);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_nameTyped = !text.isEmpty();
        update();
    });
    connect(m_parent, &QLineEdit::textEdited, this, &CloneDialog::update);
    connect(m_latestOnly, &QCheckBox::toggled, this, &CloneDialog::update);
    connect(m_choose, &QPushButton::clicked, this, [this] {
        const std::optional<QString> folder = m_chooseFolder(m_parent->text());
        if (folder && !folder->isEmpty())
            m_parent->setText(*folder);
        update();
    });
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_openHelp)
            m_openHelp();
    });
    connect(m_clone, &QPushButton::clicked, this, &CloneDialog::start);
    connect(m_cancel, &QPushButton::clicked, this, &CloneDialog::reject);
    connect(&state, &CloneState::runningChanged, this, &CloneDialog::update);
    connect(&state, &CloneState::progressChanged, this, &CloneDialog::update);
    connect(&state, &CloneState::errorMessageChanged, this, &CloneDialog::update);
    connect(&state, &CloneState::sparseFolderChoiceChanged, this,
            &CloneDialog::askForSparseFolders);
    connect(&state, &CloneState::cloned, this, &QDialog::accept);
    // A clone has no tab yet: its passwords and host keys are asked over this dialog.
    new CredentialPromptPresenter(state.prompts(), this);

    m_chooseFolder = [this](const QString& start) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(
            this, QStringLiteral("Choose the Folder to Clone Into"), start,
            QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    };

    if (looksLikeCloneAddress(clipboardText)) {
        m_address->setText(clipboardText.trimmed());
        m_address->selectAll();
        addressEdited();
    }
    // What a failed earlier clone said no longer applies to this one.
    state.clearError();
    update();
}

void CloneDialog::setHelpHandler(std::function<void()> handler) {
    m_openHelp = std::move(handler);
    m_help->setVisible(bool(m_openHelp));
}

CloneRequest CloneDialog::request() const {
    return CloneRequest{.address = m_address->text().trimmed(),
                        .parentFolder = QDir::cleanPath(m_parent->text().trimmed()),
                        .folderName = m_name->text().trimmed(),
                        .submodules = m_submodules->isChecked(),
                        .blobless = m_blobless->isChecked(),
                        .sparse = m_sparse->isChecked(),
                        .latestOnly = m_latestOnly->isChecked()};
}

void CloneDialog::addressEdited() {
    if (!m_nameTyped)
        m_name->setText(folderNameForAddress(m_address->text()));
    if (m_state)
        m_state->clearError();
    update();
}

void CloneDialog::start() {
    if (!m_state || m_state->running())
        return;
    m_closeWhenStopped = false;
    m_state->clone(request());
}

void CloneDialog::reject() {
    if (m_state && m_state->running()) {
        // The dialog closes once git has ended and the half-made folder is gone.
        m_closeWhenStopped = true;
        m_state->cancel();
        return;
    }
    QDialog::reject();
}

void CloneDialog::update() {
    if (!m_state)
        return;
    const bool running = m_state->running();
    if (!running && m_closeWhenStopped) {
        m_closeWhenStopped = false;
        QDialog::reject();
        return;
    }
    for (QWidget* input : {static_cast<QWidget*>(m_address), static_cast<QWidget*>(m_parent),
                           static_cast<QWidget*>(m_name), static_cast<QWidget*>(m_choose),
                           static_cast<QWidget*>(m_submodules), static_cast<QWidget*>(m_blobless),
                           static_cast<QWidget*>(m_sparse), static_cast<QWidget*>(m_latestOnly)})
        input->setEnabled(!running);
    m_shallowWarning->setVisible(m_latestOnly->isChecked());
    const CloneRequest asked = request();
    m_clone->setEnabled(!running && !asked.address.isEmpty() && !asked.folderName.isEmpty() &&
                        !asked.parentFolder.isEmpty());
    m_cancel->setText(running ? QStringLiteral("Stop") : QStringLiteral("Cancel"));

    m_progressLabel->setVisible(running);
    m_progress->setVisible(running);
    if (running) {
        const std::optional<TransferProgress>& progress = m_state->progress();
        if (progress && progress->percent) {
            m_progress->setRange(0, 100);
            m_progress->setValue(*progress->percent);
        } else {
            // Busy until git says how far it is.
            m_progress->setRange(0, 0);
        }
        m_progressLabel->setText(progress ? progressText(*progress)
                                          : QStringLiteral("Connecting…"));
    }
    const std::optional<QString>& error = m_state->errorMessage();
    m_error->setText(error.value_or(QString()));
    m_error->setVisible(error.has_value());
    adjustSize();
}

void CloneDialog::askForSparseFolders() {
    if (!m_state || !m_state->sparseFolderChoice())
        return;
    auto* dialog = new SparseFolderDialog(*m_state->sparseFolderChoice(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    QPointer<CloneState> state = m_state;
    connect(dialog, &QDialog::finished, this, [state, dialog](int result) {
        if (!state)
            return;
        if (result == QDialog::Accepted)
            state->chooseSparseFolders(dialog->chosenFolders());
        else
            state->chooseSparseFolders(std::nullopt);
    });
    // A question withdrawn (the clone was stopped) takes its dialog with it.
    connect(state, &CloneState::sparseFolderChoiceChanged, dialog, [state, dialog] {
        if (state && !state->sparseFolderChoice() && dialog->isVisible())
            dialog->reject();
    });
    dialog->open();
}

CloneDialog* showCloneDialog(CloneState& state, QWidget* parent, std::function<void()> help) {
    auto* dialog = new CloneDialog(state, QApplication::clipboard()->text(), parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setHelpHandler(std::move(help));
    dialog->open();
    return dialog;
}

} // namespace tolvane
