#include "ui/sidebar/WorktreesView.h"

#include "platform/FileManagerHelper.h"
#include "state/RepositoryState.h"
#include "state/confirmationDialogs.h"
#include "ui/common/ConfirmationPresenter.h"
#include "ui/sidebar/AddWorktreeSheet.h"
#include "ui/sidebar/WorktreeListModel.h"
#include "ui/sidebar/WorktreeRowDelegate.h"
#include "ui/sidebar/sidebarPlaceholder.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tolvane {

WorktreesView::WorktreesView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_model(new WorktreeListModel(this)),
      m_stack(new QStackedWidget(this)), m_list(new QListView(m_stack)),
      m_sheet(new AddWorktreeSheet(this)) {
    setObjectName(QStringLiteral("worktreesView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_list->setObjectName(QStringLiteral("worktreesList"));
    m_list->setAccessibleName(tr("Worktrees"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new WorktreeRowDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setMouseTracking(true);
    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_stack->setObjectName(QStringLiteral("worktreesStack"));
    m_stack->addWidget(m_list);
    m_stack->addWidget(makeSidebarPlaceholder(QStringLiteral("No worktrees"),
                                              QStringLiteral("noWorktreesLabel"), m_stack));
    layout->addWidget(m_stack, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(10, 8, 10, 8);
    auto* add = new QPushButton(QStringLiteral("Add Worktree"), this);
    add->setObjectName(QStringLiteral("addWorktreeButton"));
    footer->addWidget(add);
    footer->addStretch(1);
    layout->addLayout(footer);

    connect(add, &QPushButton::clicked, this, [this] { m_state->askAddWorktree(); });
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (const auto worktree = m_model->worktreeAt(index.row()))
            m_state->selectWorktree(*worktree);
    });
    connect(m_list, &QListView::customContextMenuRequested, this, [this](const QPoint& pos) {
        const auto worktree = m_model->worktreeAt(m_list->indexAt(pos).row());
        if (!worktree)
            return;
        QMenu* menu = contextMenu(*worktree, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_list->viewport()->mapToGlobal(pos));
    });

    auto refill = [this] {
        m_model->setWorktrees(m_state->worktrees(), m_state->selectedWorktree());
        m_stack->setCurrentIndex(m_state->worktrees().isEmpty() ? 1 : 0);
    };
    connect(m_state, &RepositoryState::worktreesChanged, this, refill);
    connect(m_state, &RepositoryState::selectedWorktreeChanged, this, refill);
    refill();

    connect(m_sheet, &AddWorktreeSheet::addRequested, this, [this] { submitAddSheet(); });
    connect(m_sheet, &AddWorktreeSheet::cancelRequested, this,
            [this] { m_state->setShowAddWorktreeSheet(false); });
    connect(m_state, &RepositoryState::showAddWorktreeSheetChanged, this,
            &WorktreesView::syncSheet);
    syncSheet();

    m_confirmations = new ConfirmationPresenter(
        this, m_state, {{removeWorktreeConfirmation, QStringLiteral("removeWorktreeAlert")}});
}

ConfirmationAlert* WorktreesView::openDialog() const {
    return m_confirmations->openDialog();
}

void WorktreesView::syncSheet() {
    if (m_state->showAddWorktreeSheet()) {
        if (!m_sheet->isVisible()) {
            m_sheet->folderField()->setFocus();
            m_sheet->open();
        }
    } else if (m_sheet->isVisible()) {
        const QSignalBlocker blocker(m_sheet);
        m_sheet->hide();
    }
}

QCoro::Task<> WorktreesView::submitAddSheet() {
    QPointer<WorktreesView> self(this);
    QPointer<RepositoryState> state(m_state);
    if (!state)
        co_return;
    QCoro::Task<bool> adding = state->addWorktree(m_sheet->folderName(), m_sheet->branchName(),
                                                  m_sheet->createNewBranch());
    const bool added = co_await std::move(adding);
    if (!self)
        co_return;
    if (added)
        m_sheet->clearFields();
}

QMenu* WorktreesView::contextMenu(const GitWorktree& worktree, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("worktreeContextMenu"));
    const QString path = worktree.path;
    connect(menu->addAction(QStringLiteral("Show in File Manager")), &QAction::triggered, menu,
            [path] { FileManagerHelper::revealItems({path}); });
    connect(menu->addAction(QStringLiteral("Copy Path")), &QAction::triggered, menu,
            [path] { QGuiApplication::clipboard()->setText(path); });
    if (!worktree.isMain) {
        menu->addSeparator();
        QPointer<RepositoryState> state(m_state);
        connect(menu->addAction(QStringLiteral("Remove Worktree")), &QAction::triggered, menu,
                [state, worktree] {
                    if (state)
                        state->askRemoveWorktree(worktree);
                });
    }
    return menu;
}

} // namespace tolvane
