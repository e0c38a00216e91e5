#include "ui/history/CommitLogView.h"

#include "state/HistoryEditor.h"
#include "ui/historyedit/HistoryPlanView.h"

#include "engine/AppKitDialogs.h"
#include "engine/countText.h"
#include "graph/compactGraphLayout.h"
#include "settings/AppSettings.h"
#include "settings/SettingsNotifier.h"
#include "state/RepositoryState.h"
#include "state/confirmationDialogs.h"
#include "ui/common/ConfirmationPresenter.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"
#include "ui/history/CommitLogModel.h"
#include "ui/history/CommitRowDelegate.h"
#include "ui/history/GraphInteraction.h"
#include "ui/history/HistorySearchBar.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QListWidget>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <limits>

namespace tolvane {

CommitLogView::CommitLogView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state),
      m_branchPrompt(dialogBranchNamePrompt(this, QStringLiteral("Create Branch at Commit"),
                                            QStringLiteral("Enter a name for the new branch:"))),
      m_warning(dialogWarningAlert(this)), m_datePrompt(dialogDatePrompt(this)) {
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
    // A role rather than a colour, so that it follows a change between light and dark.
    m_count->setForegroundRole(QPalette::PlaceholderText);
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
    layout->addWidget(new HistorySearchBar(state, this));

    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("commitList"));
    m_list->setAccessibleName(tr("History"));
    m_model = new CommitLogModel(this);
    m_delegate = new CommitRowDelegate(m_list);
    m_delegate->setGraph(&m_graph);
    m_delegate->setSelectedIds(&m_selected);
    // Badges fill in as the checks of the rows on screen come back.
    m_delegate->setSignatures(&state->signatureBadges());
    connect(&state->signatureBadges(), &SignatureBadges::checked, m_list->viewport(),
            qOverload<>(&QWidget::update));
    m_list->setModel(m_model);
    m_list->setItemDelegate(m_delegate);
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->viewport()->installEventFilter(this);
    // Ages ("3 minutes ago") are worked out when painted: repainting keeps them true.
    auto* aging = new QTimer(this);
    aging->setObjectName(QStringLiteral("relativeDateTimer"));
    aging->setInterval(30 * 1000);
    connect(aging, &QTimer::timeout, m_list->viewport(), qOverload<>(&QWidget::update));
    aging->start();
    // Installed after the view's own filter, so that it sees clicks on arrows first.
    m_interaction = new GraphInteraction(
        m_list, m_model, m_delegate, state,
        [this]() -> const CommitGraphLayout& { return graphOnScreen(); }, this);
    layout->addWidget(m_list, 1);
    addHistoryPlan(layout);

    connect(m_filter, &QToolButton::clicked, this, [this] { m_state->toggleHideResetBranches(); });
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &CommitLogView::loadMoreAtEnd);
    connect(state, &RepositoryState::commitRevealRequested, this, &CommitLogView::reveal);
    // The graph of rows that stay as they were is carried on, not checked row by row.
    connect(state, &RepositoryState::commitsAppended, this,
            [this](qsizetype keptRows) { m_appendedKeptRows = keptRows; });
    connect(state, &RepositoryState::commitsChanged, this, [this] {
        m_rowsLaidOutSame = std::min(m_rowsLaidOutSame, std::exchange(m_appendedKeptRows, 0));
        invalidateGraph();
        reload();
    });
    connect(state, &RepositoryState::hasMoreCommitsChanged, this, &CommitLogView::reload);
    connect(state, &RepositoryState::headCommitHashChanged, this, &CommitLogView::invalidateGraph);
    connect(state, &RepositoryState::hideResetBranchesChanged, this, &CommitLogView::updateHeader);
    connect(state, &RepositoryState::isSearchingHistoryChanged, this, &CommitLogView::updateHeader);
    // Search results and a file's history have no graph; closing them returns the rows to where
    // the full history was scrolled.
    auto savedScroll = std::make_shared<std::optional<int>>();
    const auto filterChanged = [this, savedScroll] {
        const bool filtered = m_state->isHistoryFiltered();
        if (filtered && !*savedScroll)
            *savedScroll = m_list->verticalScrollBar()->value();
        readSettings();
        invalidateGraph();
        updateHeader();
        if (!filtered && *savedScroll) {
            // The full list comes back right after the filter closes.
            const int value = **savedScroll;
            savedScroll->reset();
            QTimer::singleShot(0, this, [this, value] {
                if (!m_state->isHistoryFiltered())
                    m_list->verticalScrollBar()->setValue(value);
            });
        }
    };
    connect(state, &RepositoryState::historySearchChanged, this, filterChanged);
    connect(state, &RepositoryState::fileHistoryPathChanged, this, filterChanged);
    connect(state, &RepositoryState::selectedCommitsChanged, this, [this] {
        m_selected = m_state->selectedCommits();
        m_list->viewport()->update();
    });
    // The current row follows the selected commit: the keyboard's focus mark and row menu.
    connect(state, &RepositoryState::selectedCommitChanged, this, [this] {
        QModelIndex current;
        if (const std::optional<GitCommit> selected = m_state->selectedCommit()) {
            for (int row = 0; row < m_model->rowCount(); ++row) {
                if (const GitCommit* commit = m_model->commit(row);
                    commit && commit->id == selected->id) {
                    current = m_model->index(row);
                    break;
                }
            }
        }
        if (m_list->currentIndex() == current)
            return;
        // Marking is not moving: the list stays where it is scrolled.
        const int scroll = m_list->verticalScrollBar()->value();
        m_list->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        m_list->verticalScrollBar()->setValue(scroll);
    });
    connect(&SettingsNotifier::instance(), &SettingsNotifier::changed, this,
            [this](const QString& key) {
                if (key == QLatin1String(SettingsKey::showCommitGraph) ||
                    key == QLatin1String(SettingsKey::maxGraphColumns) ||
                    key == QLatin1String(SettingsKey::shortenBranchLines)) {
                    readSettings();
                    invalidateGraph();
                    m_list->viewport()->update();
                }
            });

    m_confirmations = new ConfirmationPresenter(
        this, state,
        {{popCommitConfirmation, QStringLiteral("popCommitDialog")},
         {revertCommitConfirmation, QStringLiteral("revertCommitDialog")},
         {cherryPickCommitConfirmation, QStringLiteral("cherryPickDialog")},
         {undoResetConfirmation, QStringLiteral("undoResetDialog")},
         {publishBranchConfirmation, QStringLiteral("publishBranchDialog")},
         {pullThenPushConfirmation, QStringLiteral("pullThenPushDialog")},
         {resetConfirmation, QStringLiteral("resetSheet")},
         {squashConfirmation, QStringLiteral("squashSheet")},
         {tagCommitConfirmation, QStringLiteral("tagCommitSheet")},
         {checkoutCommitConfirmation, QStringLiteral("checkoutCommitDialog")}});

    readSettings();
    m_selected = state->selectedCommits();
    updateHeader();
    reload();
}

void CommitLogView::readSettings() {
    m_shortenLines = AppSettings::shortenBranchLines();
    m_interaction->setGraphSettings(AppSettings::showCommitGraph() && !m_state->isHistoryFiltered(),
                                    AppSettings::maxGraphColumns());
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
    std::unique_ptr<CompactGraphLayouter> previous = std::move(m_layouter);
    if (m_shortenLines) {
        m_laneLayouter = {};
        // The lanes are fitted to the columns drawn: "Unlimited" fits what a pane 450 wide
        // draws, so that no node is left off screen.
        CompactGraphOptions options;
        options.maxColumns = std::min(AppSettings::maxGraphColumns(), 14);
        if (previous) {
            // A page appended to the list: the rows above its last few stay as laid out.
            m_layouter = std::make_unique<CompactGraphLayouter>(
                m_state->commits(), m_state->headCommitHash(), options, std::move(*previous),
                m_graph, m_rowsLaidOutSame);
        } else {
            m_graph = {};
            m_layouter = std::make_unique<CompactGraphLayouter>(m_state->commits(),
                                                                m_state->headCommitHash(), options);
        }
        // The rows on screen now, the rest of a long list while the interface is idle.
        const int onScreen = (m_list->verticalScrollBar()->value() + m_list->viewport()->height()) /
                             CommitRowDelegate::rowHeight;
        layOutThrough(onScreen + 1);
        if (!std::exchange(m_layingOutMore, true))
            QTimer::singleShot(0, this, &CommitLogView::layOutMore);
    } else {
        // A page appended to the list lays out its own rows only.
        m_laneLayouter.layOut(m_state->commits(), m_state->headCommitHash(), m_graph,
                              m_rowsLaidOutSame);
    }
    m_rowsLaidOutSame = m_state->commits().size();
    previous.reset();
    ++m_graphComputations;
    m_interaction->layoutChanged();
}

void CommitLogView::layOutThrough(int row) {
    if (!m_layouter)
        return;
    // Kept when done: the next page continues from it.
    if (m_graph.rows.size() <= row && m_graph.rows.size() < m_layouter->rowCount())
        m_layouter->layOutThrough(row, m_graph);
}

void CommitLogView::layOutMore() {
    m_layingOutMore = false;
    if (!m_layouter || m_graphDirty)
        return;
    // Half a millisecond or so at a time, so that input and scrolling never wait.
    layOutThrough(int(m_graph.rows.size()) + 1000);
    if (m_graph.rows.size() < m_layouter->rowCount() && !std::exchange(m_layingOutMore, true))
        QTimer::singleShot(0, this, &CommitLogView::layOutMore);
}

const CommitGraphLayout& CommitLogView::graphOnScreen() {
    ensureGraph();
    const int last = (m_list->verticalScrollBar()->value() + m_list->viewport()->height()) /
                     CommitRowDelegate::rowHeight;
    layOutThrough(last + 1);
    return m_graph;
}

const CommitGraphLayout& CommitLogView::graph() {
    ensureGraph();
    layOutThrough(std::numeric_limits<int>::max());
    return m_graph;
}

void CommitLogView::loadMoreAtEnd() {
    // Only a list long enough to scroll: a short one keeps its button for the next page.
    QScrollBar* bar = m_list->verticalScrollBar();
    if (m_reloading || bar->maximum() <= 0 || bar->value() < bar->maximum())
        return;
    if (m_state->hasMoreCommits() && !m_state->isLoadingMore())
        m_state->loadMoreCommits();
}

void CommitLogView::reveal(const QString& id) {
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const GitCommit* commit = m_model->commit(row);
        if (commit && commit->id == id) {
            m_list->scrollTo(m_model->index(row), QAbstractItemView::PositionAtCenter);
            return;
        }
    }
}

void CommitLogView::showBranchAtCommitDialog(const GitCommit& commit) {
    if (const std::optional<QString> name = askValidBranchName(m_branchPrompt, m_warning))
        m_state->createBranchAtCommit(*name, commit);
}

void CommitLogView::showGoToDateDialog() {
    if (const std::optional<QDate> date = m_datePrompt())
        m_state->goToDate(*date);
}

void CommitLogView::reload() {
    const QScopedValueRollback reloading(m_reloading, true);
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
    m_interaction->rowsReloaded();
}

void CommitLogView::updateHeader() {
    const qsizetype shown = m_state->commits().size();
    // "0 results" while git is still looking would be a wrong answer.
    if (m_state->isHistoryFiltered() && m_state->isSearchingHistory() && shown == 0)
        m_count->setText(QStringLiteral("Searching…"));
    else
        m_count->setText(
            m_state->isHistoryFiltered()
                ? countText(shown, QStringLiteral("result"), QStringLiteral("results"))
                : countText(shown, QStringLiteral("commit"), QStringLiteral("commits")));
    const bool hiding = m_state->hideResetBranches();
    m_filter->setIcon(QIcon(tintedSymbol(
        hiding ? QStringLiteral("line.3.horizontal.decrease.circle")
               : QStringLiteral("line.3.horizontal.decrease.circle.fill"),
        hiding ? ViewColors::secondary(palette()) : ViewColors::blue(), 16, devicePixelRatioF())));
    m_filter->setToolTip(hiding ? QStringLiteral("Show all branches")
                                : QStringLiteral("Show current branch only"));
}

void CommitLogView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The filter symbol is tinted from the palette: tint it again for the new scheme.
    if (event->type() == QEvent::PaletteChange && m_count && m_filter)
        updateHeader();
}

bool CommitLogView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list->viewport()) {
        if (event->type() == QEvent::Paint)
            graphOnScreen();
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

void CommitLogView::addHistoryPlan(QVBoxLayout* layout) {
    // The plan of a history edit takes the commit rows' place while it is open.
    auto* plan = new HistoryPlanView(m_state, this);
    plan->setVisible(false);
    layout->addWidget(plan, 1);
    HistoryEditor* editor = &m_state->historyEditor();
    connect(editor, &HistoryEditor::isEditingChanged, this, [this, plan, editor] {
        const bool editing = editor->isEditing();
        plan->setVisible(editing);
        m_list->setVisible(!editing);
        (editing ? static_cast<QWidget*>(plan->list()) : m_list)->setFocus();
    });
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(shortcut, &QShortcut::activated, this, [this] {
        if (const std::optional<GitCommit> selected = m_state->selectedCommit();
            selected && !m_state->historyEditor().isEditing())
            m_state->historyEditor().begin(*selected);
    });
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
    menu->addAction(QStringLiteral("Create Branch Here…"), this,
                    [this, commit] { showBranchAtCommitDialog(commit); });
    if (commit.id != state->headCommitHash())
        menu->addAction(QStringLiteral("Check Out Commit…"), this,
                        [state, commit] { state->askCheckoutCommit(commit); });
    menu->addAction(QStringLiteral("Go to Date…"), this, [this] { showGoToDateDialog(); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Revert Commit…"), this,
                    [state, commit] { state->askRevertCommit(commit); });
    const bool isHead = commit.id == state->headCommitHash();
    if (!isHead)
        menu->addAction(QStringLiteral("Cherry-pick…"), this,
                        [state, commit] { state->askCherryPickCommit(commit); });
    if (state->isAncestorOfHead(commit)) {
        menu->addSeparator();
        menu->addAction(QStringLiteral("Reset to Here…"), this,
                        [state, commit] { state->askResetToCommit(commit); });
    }
    if (state->isAncestorOfHead(commit)) {
        QAction* edit = menu->addAction(QStringLiteral("Edit History…"), this,
                                        [state, commit] { state->historyEditor().begin(commit); });
        edit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    }
    if (state->lastResetBranchName())
        menu->addAction(QStringLiteral("Undo Last Reset…"), this,
                        [state] { state->askUndoLastReset(); });
    if (isHead) {
        menu->addSeparator();
        menu->addAction(QStringLiteral("Pop Commit"), this, [state] { state->askPopCommit(); });
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
