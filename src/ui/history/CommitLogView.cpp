#include "ui/history/CommitLogView.h"

#include "graph/CommitGraphCalculator.h"
#include "settings/AppSettings.h"
#include "settings/SettingsNotifier.h"
#include "state/RepositoryState.h"
#include "state/confirmationDialogs.h"
#include "ui/SymbolIcon.h"
#include "ui/diff/viewColors.h"
#include "ui/history/CommitLogModel.h"
#include "ui/history/CommitRowDelegate.h"
#include "ui/history/StateDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {

CommitLogView::CommitLogView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("commitLogView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("historyHeader"));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(10, 6, 8, 6);
    auto* title = new QLabel(QStringLiteral("History"), header);
    title->setObjectName(QStringLiteral("historyTitle"));
    QFont bold = title->font();
    bold.setWeight(QFont::DemiBold);
    title->setFont(bold);
    m_count = new QLabel(header);
    m_count->setObjectName(QStringLiteral("historyCount"));
    QPalette secondary = m_count->palette();
    secondary.setColor(QPalette::WindowText, ViewColors::secondary(secondary));
    m_count->setPalette(secondary);
    m_filter = new QToolButton(header);
    m_filter->setObjectName(QStringLiteral("branchFilterButton"));
    m_filter->setAutoRaise(true);
    m_filter->setFixedSize(24, 24);
    m_filter->setIconSize(QSize(16, 16));
    row->addWidget(title);
    row->addWidget(m_count);
    row->addStretch(1);
    row->addWidget(m_filter);
    layout->addWidget(header);

    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("commitList"));
    m_model = new CommitLogModel(this);
    m_delegate = new CommitRowDelegate(m_list);
    m_delegate->setGraph(&m_graph);
    m_delegate->setSelectedIds(&m_selected);
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->viewport()->installEventFilter(this);
    layout->addWidget(m_list, 1);

    connect(m_filter, &QToolButton::clicked, this, [this] {
        m_state->setHideResetBranches(!m_state->hideResetBranches());
        m_state->refresh();
    });
    connect(state, &RepositoryState::commitsChanged, this, [this] {
        invalidateGraph();
        reload();
    });
    connect(state, &RepositoryState::hasMoreCommitsChanged, this, &CommitLogView::reload);
    connect(state, &RepositoryState::headCommitHashChanged, this, &CommitLogView::invalidateGraph);
    connect(state, &RepositoryState::hideResetBranchesChanged, this, &CommitLogView::updateHeader);
    connect(state, &RepositoryState::selectedCommitsChanged, this, [this] {
        m_selected = m_state->selectedCommits();
        m_list->viewport()->update();
    });
    connect(&SettingsNotifier::instance(), &SettingsNotifier::changed, this,
            [this](const QString& key) {
                if (key == QLatin1String(SettingsKey::showCommitGraph) ||
                    key == QLatin1String(SettingsKey::maxGraphColumns)) {
                    readSettings();
                    m_list->viewport()->update();
                }
            });

    m_dialogs = new DialogPresenter(state, this);
    const auto bind = [this, state](DialogPresenter::Signal changed, DialogPresenter::Getter flag,
                                    DialogPresenter::Setter setFlag, const char* name,
                                    ConfirmationDialog (*describe)(RepositoryState&),
                                    QList<DialogField> fields = {}) {
        m_dialogs->bind(
            changed, flag, setFlag, QString::fromLatin1(name),
            [state, describe] { return describe(*state); }, std::move(fields));
    };
    bind(&RepositoryState::showPopCommitConfirmationChanged,
         &RepositoryState::showPopCommitConfirmation,
         &RepositoryState::setShowPopCommitConfirmation, "popCommitDialog", &popCommitDialog);
    bind(&RepositoryState::showRevertConfirmationChanged, &RepositoryState::showRevertConfirmation,
         &RepositoryState::setShowRevertConfirmation, "revertCommitDialog", &revertCommitDialog);
    bind(&RepositoryState::showCherryPickConfirmationChanged,
         &RepositoryState::showCherryPickConfirmation,
         &RepositoryState::setShowCherryPickConfirmation, "cherryPickDialog",
         &cherryPickCommitDialog);
    bind(&RepositoryState::showUndoResetConfirmationChanged,
         &RepositoryState::showUndoResetConfirmation,
         &RepositoryState::setShowUndoResetConfirmation, "undoResetDialog", &undoResetDialog);
    bind(&RepositoryState::showPublishBranchConfirmationChanged,
         &RepositoryState::showPublishBranchConfirmation,
         &RepositoryState::setShowPublishBranchConfirmation, "publishBranchDialog",
         &publishBranchDialog);
    bind(&RepositoryState::showPullThenPushConfirmationChanged,
         &RepositoryState::showPullThenPushConfirmation,
         &RepositoryState::setShowPullThenPushConfirmation, "pullThenPushDialog",
         &pullThenPushDialog);
    bind(&RepositoryState::showResetSheetChanged, &RepositoryState::showResetSheet,
         &RepositoryState::setShowResetSheet, "resetSheet", &resetSheet,
         {DialogField{[state] { return state->resetBranchName(); },
                      [state](const QString& text) { state->setResetBranchName(text); }}});
    bind(&RepositoryState::showSquashConfirmationChanged, &RepositoryState::showSquashConfirmation,
         &RepositoryState::setShowSquashConfirmation, "squashSheet", &squashSheet,
         {DialogField{[state] { return state->squashMessage(); },
                      [state](const QString& text) { state->setSquashMessage(text); }, true}});
    bind(&RepositoryState::showTagCommitSheetChanged, &RepositoryState::showTagCommitSheet,
         &RepositoryState::setShowTagCommitSheet, "tagCommitSheet", &tagCommitSheet,
         {DialogField{[state] { return state->tagCommitName(); },
                      [state](const QString& text) { state->setTagCommitName(text); }},
          DialogField{[state] { return state->tagCommitMessage(); },
                      [state](const QString& text) { state->setTagCommitMessage(text); }}});

    readSettings();
    m_selected = state->selectedCommits();
    updateHeader();
    reload();
}

void CommitLogView::readSettings() {
    m_delegate->setGraphSettings(AppSettings::showCommitGraph(), AppSettings::maxGraphColumns());
}

void CommitLogView::invalidateGraph() {
    // A refresh changes the list and HEAD one after the other; the layout is made once, when
    // the rows are next painted.
    m_graphDirty = true;
    m_list->viewport()->update();
}

void CommitLogView::ensureGraph() {
    if (!m_graphDirty)
        return;
    m_graphDirty = false;
    m_graph = CommitGraphCalculator::calculate(m_state->commits(), m_state->headCommitHash());
    ++m_graphComputations;
}

const QHash<QString, CommitGraphData>& CommitLogView::graph() {
    ensureGraph();
    return m_graph;
}

void CommitLogView::reload() {
    const int scroll = m_list->verticalScrollBar()->value();
    m_model->setCommits(m_state->commits(), m_state->hasMoreCommits());
    if (m_state->hasMoreCommits()) {
        auto* holder = new QWidget;
        auto* box = new QHBoxLayout(holder);
        auto* more = new QPushButton(QStringLiteral("Load More Commits"), holder);
        more->setObjectName(QStringLiteral("loadMoreCommitsButton"));
        connect(more, &QPushButton::clicked, this, [this] { m_state->loadMoreCommits(); });
        connect(m_state, &RepositoryState::isLoadingMoreChanged, more,
                [this, more] { more->setEnabled(!m_state->isLoadingMore()); });
        box->addStretch(1);
        box->addWidget(more);
        box->addStretch(1);
        m_list->setIndexWidget(m_model->index(m_model->rowCount() - 1), holder);
    }
    m_list->verticalScrollBar()->setValue(scroll);
    updateHeader();
}

void CommitLogView::updateHeader() {
    m_count->setText(QString::number(m_state->commits().size()) + QStringLiteral(" commits"));
    const bool hiding = m_state->hideResetBranches();
    m_filter->setIcon(QIcon(tintedSymbol(
        hiding ? QStringLiteral("line.3.horizontal.decrease.circle")
               : QStringLiteral("line.3.horizontal.decrease.circle.fill"),
        hiding ? ViewColors::secondary(palette()) : ViewColors::blue(), 16, devicePixelRatioF())));
    m_filter->setToolTip(hiding ? QStringLiteral("Show all branches")
                                : QStringLiteral("Show current branch only"));
}

bool CommitLogView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::Paint)
            ensureGraph();
        else if (event->type() == QEvent::MouseButtonPress ||
                 event->type() == QEvent::MouseButtonDblClick) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                const QModelIndex index = m_list->indexAt(mouse->position().toPoint());
                if (const GitCommit* commit =
                        index.isValid() ? m_model->commit(index.row()) : nullptr) {
                    const GitCommit chosen = *commit;
                    m_state->selectCommit(chosen, mouse->modifiers().testFlag(Qt::ControlModifier),
                                          mouse->modifiers().testFlag(Qt::ShiftModifier));
                }
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu) {
            auto* menuEvent = static_cast<QContextMenuEvent*>(event);
            const QModelIndex index = m_list->indexAt(menuEvent->pos());
            if (const GitCommit* commit =
                    index.isValid() ? m_model->commit(index.row()) : nullptr) {
                QMenu menu(this);
                buildContextMenu(*commit, &menu);
                menu.exec(menuEvent->globalPos());
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CommitLogView::buildContextMenu(const GitCommit& commit, QMenu* menu) {
    RepositoryState* state = m_state;
    const QString id = commit.id;
    menu->addAction(QStringLiteral("Copy Commit Hash"), this, [id] {
        QClipboard* clipboard = QApplication::clipboard();
        clipboard->clear();
        clipboard->setText(id);
    });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Tag this Commit…"), this,
                    [state, commit] { state->askTagCommit(commit); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Revert Commit…"), this, [state, commit] {
        state->setCommitToRevert(commit);
        state->setShowRevertConfirmation(true);
    });
    const bool isHead = commit.id == state->headCommitHash();
    if (!isHead)
        menu->addAction(QStringLiteral("Cherry-pick…"), this, [state, commit] {
            state->setCommitToCherryPick(commit);
            state->setShowCherryPickConfirmation(true);
        });
    if (state->isAncestorOfHead(commit)) {
        menu->addSeparator();
        menu->addAction(QStringLiteral("Reset to Here…"), this,
                        [state, commit] { state->askResetToCommit(commit); });
    }
    if (state->lastResetBranchName())
        menu->addAction(QStringLiteral("Undo Last Reset…"), this,
                        [state] { state->setShowUndoResetConfirmation(true); });
    if (isHead) {
        menu->addSeparator();
        menu->addAction(QStringLiteral("Pop Commit"), this,
                        [state] { state->setShowPopCommitConfirmation(true); });
    }
    if (state->canSquashSelectedCommits()) {
        menu->addSeparator();
        menu->addAction(QStringLiteral("Squash ") +
                            QString::number(state->selectedCommits().size()) +
                            QStringLiteral(" Commits…"),
                        this, [state] { state->askSquashCommits(); });
    }
}

} // namespace tolvane
