#include "ui/health/HealthWindow.h"

#include "state/HealthState.h"
#include "state/RepositoryState.h"
#include "ui/common/MessageBar.h"
#include "ui/common/viewColors.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvane {
namespace {

QString buttonText(const HealthItem& item) {
    if (item.id == u"sparse-checkout")
        return item.on ? QStringLiteral("Turn Off") : QString();
    return QStringLiteral("Turn On");
}

} // namespace

HealthWindow::HealthWindow(HealthState* state, const QString& repositoryName, QWidget* parent)
    : QWidget(parent, Qt::Window), m_state(state) {
    setObjectName(QStringLiteral("healthWindow"));
    setWindowTitle(QStringLiteral("Health of %1").arg(repositoryName));
    setAttribute(Qt::WA_DeleteOnClose);

    auto* layout = new QVBoxLayout(this);
    m_messages = new MessageBar(this);
    layout->addWidget(m_messages);

    auto* intro = new QLabel(
        QStringLiteral("What git offers this repository for its size. Nothing changes until you "
                       "press a button and confirm its command."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    m_loading = new QLabel(QStringLiteral("Reading the repository…"), this);
    m_loading->setObjectName(QStringLiteral("healthLoading"));
    layout->addWidget(m_loading);

    // Long figures and narrow windows must not clip a line: the items scroll.
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("healthItems"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* itemsHost = new QWidget(scroll);
    scroll->setWidget(itemsHost);
    m_grid = new QGridLayout(itemsHost);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setHorizontalSpacing(16);
    m_grid->setVerticalSpacing(10);
    m_grid->setColumnStretch(1, 1);
    layout->addWidget(scroll, 1);

    auto* optimiseRow = new QHBoxLayout;
    m_optimise = new QPushButton(QStringLiteral("Optimise Now"), this);
    m_optimise->setObjectName(QStringLiteral("optimiseNowButton"));
    m_optimise->setToolTip(QStringLiteral("git maintenance run --task=") +
                           optimiseTasks().join(QStringLiteral(" --task=")));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("optimiseProgress"));
    m_progress->setRange(0, int(optimiseTasks().size()));
    m_optimiseTask = new QLabel(this);
    m_cancelOptimise = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelOptimise->setObjectName(QStringLiteral("cancelOptimiseButton"));
    optimiseRow->addWidget(m_optimise);
    optimiseRow->addWidget(m_progress, 1);
    optimiseRow->addWidget(m_optimiseTask);
    optimiseRow->addWidget(m_cancelOptimise);
    optimiseRow->addStretch(1);
    layout->addLayout(optimiseRow);
    auto* optimiseHint = new QLabel(
        QStringLiteral("Optimise Now writes the commit-graph, packs loose objects, repacks and "
                       "packs references, one task after another: %1.")
            .arg(m_optimise->toolTip()),
        this);
    optimiseHint->setWordWrap(true);
    optimiseHint->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(optimiseHint);

    connect(m_optimise, &QPushButton::clicked, this, [this] {
        if (m_state)
            m_state->optimiseNow();
    });
    connect(m_cancelOptimise, &QPushButton::clicked, this, [this] {
        if (m_state)
            m_state->cancelOptimise();
    });
    connect(state, &HealthState::itemsChanged, this, &HealthWindow::rebuildItems);
    connect(state, &HealthState::isRunningCommandChanged, this, &HealthWindow::rebuildItems);
    connect(state, &HealthState::isLoadingChanged, this,
            [this] { m_loading->setVisible(m_state && m_state->isLoading()); });
    connect(state, &HealthState::showCommandConfirmationChanged, this,
            &HealthWindow::showConfirmation);
    connect(state, &HealthState::isOptimisingChanged, this, &HealthWindow::updateOptimising);
    connect(state, &HealthState::optimiseTasksDoneChanged, this, &HealthWindow::updateOptimising);
    connect(state, &HealthState::optimiseTaskChanged, this, &HealthWindow::updateOptimising);
    connect(state, &HealthState::topLevelFoldersChanged, this, [this] {
        if (m_choosingFolders) {
            m_choosingFolders = false;
            chooseSparseFolders();
        }
    });
    connect(state, &HealthState::outcomeAnnounced, this,
            [this](const QString& message, LogLevel level) {
                m_messages->showMessage(message, level == LogLevel::Error
                                                     ? MessageBar::Kind::Failure
                                                     : MessageBar::Kind::Success);
            });
    m_loading->setVisible(state->isLoading());
    rebuildItems();
    updateOptimising();
    resize(760, 860);
}

HealthWindow* HealthWindow::showFor(RepositoryState& repository, QWidget* parent) {
    HealthState& state = repository.health();
    // One window per repository; it closes with its tab.
    static QHash<HealthState*, QPointer<HealthWindow>> windows;
    QPointer<HealthWindow>& existing = windows[&state];
    if (!existing) {
        existing = new HealthWindow(&state, repository.tab().name, parent);
        connect(&state, &QObject::destroyed, existing.data(), &QWidget::close);
        connect(&state, &QObject::destroyed,
                [statePointer = &state] { windows.remove(statePointer); });
    }
    HealthWindow* window = existing;
    window->show();
    window->raise();
    window->activateWindow();
    state.reload();
    return window;
}

void HealthWindow::changeEvent(QEvent* event) {
    // The status colours are chosen for the palette in use.
    if (event->type() == QEvent::PaletteChange)
        rebuildItems();
    QWidget::changeEvent(event);
}

void HealthWindow::rebuildItems() {
    while (QLayoutItem* child = m_grid->takeAt(0)) {
        delete child->widget();
        delete child;
    }
    if (!m_state)
        return;
    const QPalette palette = this->palette();
    int row = 0;
    for (const HealthItem& item : m_state->items()) {
        auto* status = new QLabel(this);
        status->setObjectName(QStringLiteral("healthStatus-") + item.id);
        QString statusText = !item.available ? QStringLiteral("Not available")
                             : item.on       ? QStringLiteral("On")
                                             : QStringLiteral("Off");
        if (item.id == u"partial-clone")
            statusText = item.on ? QStringLiteral("Partial") : QStringLiteral("Complete");
        status->setText(statusText);
        const QColor color = !item.available || item.id == u"partial-clone"
                                 ? ViewColors::secondary(palette)
                             : item.on ? ViewColors::green(palette)
                                       : ViewColors::orange(palette);
        status->setStyleSheet(QStringLiteral("font-weight: 600; color: %1;").arg(color.name()));
        status->setAlignment(Qt::AlignLeft | Qt::AlignTop);

        auto* text = new QLabel(this);
        text->setObjectName(QStringLiteral("healthItem-") + item.id);
        text->setWordWrap(true);
        text->setTextFormat(Qt::RichText);
        text->setText(QStringLiteral("<b>%1</b><br>%2<br><span style=\"color:%3\">%4</span>")
                          .arg(item.title.toHtmlEscaped(), item.description.toHtmlEscaped(),
                               ViewColors::secondary(palette).name(), item.figure.toHtmlEscaped()));

        auto* buttons = new QWidget(this);
        auto* buttonRow = new QHBoxLayout(buttons);
        buttonRow->setContentsMargins(0, 0, 0, 0);
        const QString label = buttonText(item);
        if (!item.command.isEmpty() && item.available && !label.isEmpty() &&
            (!item.on || item.id == u"sparse-checkout")) {
            auto* button = new QPushButton(label, buttons);
            button->setObjectName(QStringLiteral("healthButton-") + item.id);
            button->setToolTip(QStringLiteral("git ") + item.command.join(u' '));
            button->setEnabled(!m_state->isRunningCommand());
            const QString id = item.id;
            connect(button, &QPushButton::clicked, this, [this, id] {
                if (m_state)
                    m_state->askToRun(id);
            });
            buttonRow->addWidget(button);
        }
        if (item.id == u"sparse-checkout") {
            auto* choose = new QPushButton(QStringLiteral("Choose Folders…"), buttons);
            choose->setObjectName(QStringLiteral("chooseSparseFoldersButton"));
            choose->setEnabled(!m_state->isRunningCommand());
            connect(choose, &QPushButton::clicked, this, [this] {
                if (!m_state)
                    return;
                m_choosingFolders = true;
                m_state->loadTopLevelFolders();
            });
            buttonRow->addWidget(choose);
        }
        buttonRow->addStretch(1);

        m_grid->addWidget(status, row, 0, Qt::AlignTop);
        m_grid->addWidget(text, row, 1, Qt::AlignTop);
        m_grid->addWidget(buttons, row, 2, Qt::AlignTop | Qt::AlignRight);
        // Made after the window was shown: they would stay hidden until the next event pass.
        for (QWidget* widget :
             {static_cast<QWidget*>(status), static_cast<QWidget*>(text), buttons})
            widget->show();
        m_grid->setRowStretch(row, 0);
        ++row;
    }
    // Spare height goes below the last item, not between them.
    m_grid->setRowStretch(row, 1);
}

void HealthWindow::showConfirmation() {
    if (!m_state || !m_state->showCommandConfirmation())
        return;
    auto* box = new QMessageBox(this);
    box->setObjectName(QStringLiteral("healthCommandConfirmation"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Question);
    box->setText(QStringLiteral("Run this command in the repository?"));
    box->setInformativeText(QStringLiteral("git ") + m_state->commandToConfirm().join(u' '));
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* run = box->addButton(QStringLiteral("Run"), QMessageBox::AcceptRole);
    run->setObjectName(QStringLiteral("healthRunButton"));
    box->addButton(QMessageBox::Cancel);
    box->setDefaultButton(run);
    connect(box, &QMessageBox::finished, this, [this, box, run](int) {
        if (!m_state)
            return;
        if (box->clickedButton() == run)
            m_state->confirmCommand();
        else
            m_state->dismissCommand();
    });
    box->open();
}

void HealthWindow::chooseSparseFolders() {
    if (!m_state)
        return;
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("sparseFoldersDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Choose Folders"));
    dialog->setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(dialog);
    auto* hint = new QLabel(QStringLiteral("Only the chosen folders, and the files at the top of "
                                           "the repository, stay in the working tree."),
                            dialog);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    auto* tree = new QTreeWidget(dialog);
    tree->setObjectName(QStringLiteral("sparseFoldersTree"));
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(false);
    const QStringList kept = m_state->facts() ? m_state->facts()->sparseFolders : QStringList();
    const bool sparse = m_state->facts() && m_state->facts()->sparseCheckout;
    for (const QString& folder : m_state->topLevelFolders()) {
        auto* item = new QTreeWidgetItem(tree, {folder});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, !sparse || kept.contains(folder) ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(tree);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    connect(dialog, &QDialog::accepted, this, [this, tree] {
        QStringList chosen;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            if (tree->topLevelItem(i)->checkState(0) == Qt::Checked)
                chosen.append(tree->topLevelItem(i)->text(0));
        }
        if (m_state)
            m_state->askToChooseSparseFolders(chosen);
    });
    dialog->resize(420, 420);
    dialog->open();
}

void HealthWindow::updateOptimising() {
    const bool running = m_state && m_state->isOptimising();
    m_optimise->setEnabled(!running);
    m_cancelOptimise->setVisible(running);
    m_progress->setVisible(running);
    m_optimiseTask->setVisible(running);
    if (m_state) {
        m_progress->setValue(m_state->optimiseTasksDone());
        m_optimiseTask->setText(m_state->optimiseTask());
    }
}

MissingContentsBar::MissingContentsBar(RepositoryState* state, QWidget* over)
    : QWidget(over), m_state(state) {
    setObjectName(QStringLiteral("missingContentsBar"));
    setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("File contents not downloaded yet"), this);
    label->setObjectName(QStringLiteral("missingContentsLabel"));
    m_download = new QPushButton(QStringLiteral("Download"), this);
    m_download->setObjectName(QStringLiteral("downloadContentsButton"));
    m_download->setToolTip(
        QStringLiteral("Downloads what this view needs from the repository's promisor remote"));
    layout->addWidget(label, 1);
    layout->addWidget(m_download);
    connect(m_download, &QPushButton::clicked, this, [this] {
        if (m_state)
            m_state->downloadMissingContents();
    });
    connect(state, &RepositoryState::contentsNotDownloadedChanged, this,
            &MissingContentsBar::refresh);
    connect(state, &RepositoryState::isDownloadingContentsChanged, this,
            &MissingContentsBar::refresh);
    over->installEventFilter(this);
    refresh();
}

bool MissingContentsBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void MissingContentsBar::place() {
    if (auto* over = parentWidget())
        // Along the bottom, where it hides no header of the commit or the file.
        setGeometry(0, over->height() - sizeHint().height(), over->width(), sizeHint().height());
    raise();
}

void MissingContentsBar::refresh() {
    const bool missing = m_state && m_state->contentsNotDownloaded();
    m_download->setEnabled(m_state && !m_state->isDownloadingContents());
    m_download->setText(m_state && m_state->isDownloadingContents() ? QStringLiteral("Downloading…")
                                                                    : QStringLiteral("Download"));
    setVisible(missing);
    if (missing)
        place();
}

} // namespace tolvane
