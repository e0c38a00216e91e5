#include "ui/sidebar/BranchesView.h"

#include "engine/AppKitDialogs.h"
#include "engine/lineSplitting.h"
#include "state/RepositoryState.h"
#include "state/confirmationDialogs.h"
#include "ui/common/ConfirmationAlert.h"
#include "ui/common/ConfirmationPresenter.h"
#include "ui/sidebar/BranchListModel.h"
#include "ui/sidebar/SidebarRowDelegate.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tolvane {

BranchesView::BranchesView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_model(new BranchListModel(this)),
      m_list(new QListView(this)), m_newBranch(new QPushButton(QStringLiteral("New Branch"), this)),
      m_prompt(dialogBranchNamePrompt(this)),
      m_renamePrompt(dialogBranchNamePrompt(this, QStringLiteral("Rename Branch"),
                                            QStringLiteral("Enter the new name of the branch:"),
                                            QStringLiteral("Rename"))),
      m_warning(dialogWarningAlert(this)) {
    setObjectName(QStringLiteral("branchesView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_list->setObjectName(QStringLiteral("branchesList"));
    m_list->setAccessibleName(tr("Branches"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new SidebarRowDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    layout->addWidget(m_list, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);

    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(10, 8, 10, 8);
    m_newBranch->setObjectName(QStringLiteral("newBranchButton"));
    footer->addWidget(m_newBranch);
    footer->addStretch(1);
    // Adding, renaming and removing remotes, fetching and pruning one of them.
    auto* remotes = new QPushButton(QStringLiteral("Remotes…"), this);
    remotes->setObjectName(QStringLiteral("remotesButton"));
    footer->addWidget(remotes);
    layout->addLayout(footer);
    connect(remotes, &QPushButton::clicked, this, [this] {
        if (m_state)
            m_state->remotes().askShowRemotes();
    });

    connect(m_newBranch, &QPushButton::clicked, this, &BranchesView::showNewBranchDialog);
    connect(m_list, &QListView::customContextMenuRequested, this, [this](const QPoint& pos) {
        const auto branch = m_model->branchAt(m_list->indexAt(pos).row());
        if (!branch)
            return;
        QMenu* menu = contextMenu(*branch, this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_list->viewport()->mapToGlobal(pos));
    });

    auto refill = [this] { m_model->setBranches(m_state->branches()); };
    connect(m_state, &RepositoryState::branchesChanged, this, refill);
    refill();
    auto retrack = [this] { m_model->setTracking(m_state->branchTracking()); };
    connect(m_state, &RepositoryState::branchTrackingChanged, this, retrack);
    retrack();

    m_confirmations = new ConfirmationPresenter(
        this, m_state,
        {{deleteBranchConfirmation, QStringLiteral("deleteBranchAlert")},
         {forceDeleteBranchConfirmation, QStringLiteral("forceDeleteBranchAlert")},
         {deleteRemoteBranchConfirmation, QStringLiteral("deleteRemoteBranchAlert")},
         {renameBranchConfirmation, QStringLiteral("renameBranchAlert")},
         {mergeConfirmation, QStringLiteral("mergeSheet"),
          [this](ConfirmationAlert* sheet) { decorateMergeSheet(sheet); }}});
}

ConfirmationAlert* BranchesView::openDialog() const {
    return m_confirmations->openDialog();
}

void BranchesView::showNewBranchDialog() {
    if (const std::optional<QString> name = askValidBranchName(m_prompt, m_warning))
        m_state->createBranchWithName(trimSpacesAndTabs(*name).toString());
}

void BranchesView::showRenameDialog(const GitBranch& branch) {
    if (const std::optional<QString> name =
            askValidBranchName(m_renamePrompt, m_warning, branch.name))
        m_state->askRenameBranch(branch, *name);
}

QMenu* BranchesView::contextMenu(const GitBranch& branch, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("branchContextMenu"));
    QPointer<RepositoryState> state(m_state);
    const QString mergeText =
        QStringLiteral("Merge into '") + m_state->currentBranch() + QLatin1Char('\'');
    // On a detached HEAD there is no branch to merge into by name.
    const bool canMerge = !m_state->currentBranch().isEmpty();
    auto add = [menu](const QString& text, std::function<void()> run) {
        QAction* action = menu->addAction(text);
        QObject::connect(action, &QAction::triggered, menu, [run] { run(); });
        return action;
    };
    if (branch.isRemote) {
        add(QStringLiteral("Checkout as Local Branch"), [state, branch] {
            if (state)
                state->checkoutRemoteBranch(branch);
        });
        if (canMerge) {
            add(mergeText, [state, branch] {
                if (state)
                    state->askMergeBranch(branch);
            });
        }
        add(QStringLiteral("Delete Remote Branch"), [state, branch] {
            if (state)
                state->askDeleteRemoteBranch(branch);
        });
        menu->addSeparator();
        add(QStringLiteral("Remotes…"), [state] {
            if (state)
                state->remotes().askShowRemotes();
        });
        return menu;
    }
    // A detached HEAD is on no branch: there is nothing to check out, merge or delete by name.
    if (branch.isDetached) {
        menu->addAction(QStringLiteral("Detached HEAD (not a branch)"))->setEnabled(false);
        return menu;
    }
    QPointer<BranchesView> view(this);
    const auto addRename = [&add, view, branch] {
        add(QStringLiteral("Rename…"), [view, branch] {
            if (view)
                view->showRenameDialog(branch);
        });
    };
    if (branch.isCurrent) {
        menu->addAction(QStringLiteral("Current branch"))->setEnabled(false);
        addRename();
        return menu;
    }
    add(QStringLiteral("Checkout"), [state, branch] {
        if (state)
            state->checkoutBranch(branch);
    });
    if (canMerge) {
        add(mergeText, [state, branch] {
            if (state)
                state->askMergeBranch(branch);
        });
    }
    addRename();
    menu->addSeparator();
    add(QStringLiteral("Delete Branch"), [state, branch] {
        if (state)
            state->askDeleteBranch(branch);
    });
    return menu;
}

void BranchesView::decorateMergeSheet(ConfirmationAlert* sheet) {
    QVBoxLayout* layout = sheet->contentLayout();
    auto* modeRow = new QHBoxLayout;
    modeRow->setSpacing(12);
    auto* modeLabel = new QLabel(QStringLiteral("Merge mode"), sheet);
    auto* commit = new QRadioButton(QStringLiteral("Commit"), sheet);
    commit->setObjectName(QStringLiteral("mergeModeCommit"));
    auto* stageOnly = new QRadioButton(QStringLiteral("Stage only"), sheet);
    stageOnly->setObjectName(QStringLiteral("mergeModeStageOnly"));
    auto* group = new QButtonGroup(sheet);
    group->addButton(commit);
    group->addButton(stageOnly);
    modeRow->addWidget(modeLabel);
    modeRow->addWidget(commit);
    modeRow->addWidget(stageOnly);
    modeRow->addStretch(1);
    layout->addLayout(modeRow);

    auto* deleteBranch = new QCheckBox(QStringLiteral("Remove branch after merge"), sheet);
    deleteBranch->setObjectName(QStringLiteral("mergeDeleteBranchCheck"));
    layout->addWidget(deleteBranch);
    auto* deleteRemote = new QCheckBox(QStringLiteral("Also delete from remote"), sheet);
    deleteRemote->setObjectName(QStringLiteral("mergeDeleteRemoteCheck"));
    auto* remoteRow = new QHBoxLayout;
    remoteRow->setContentsMargins(22, 0, 0, 0);
    remoteRow->addWidget(deleteRemote);
    layout->addLayout(remoteRow);

    QPointer<RepositoryState> state(m_state);
    auto update = [state, commit, stageOnly, deleteBranch, deleteRemote] {
        if (!state)
            return;
        const QSignalBlocker b1(commit), b2(stageOnly), b3(deleteBranch), b4(deleteRemote);
        (state->mergeStageOnly() ? stageOnly : commit)->setChecked(true);
        deleteBranch->setChecked(state->mergeDeleteBranch());
        deleteBranch->setEnabled(mergeDeleteBranchEnabled(*state));
        deleteRemote->setChecked(state->mergeDeleteRemoteBranch());
        deleteRemote->setVisible(mergeDeleteRemoteVisible(*state));
    };
    update();
    connect(m_state, &RepositoryState::mergeStageOnlyChanged, sheet, update);
    connect(m_state, &RepositoryState::mergeDeleteBranchChanged, sheet, update);
    connect(m_state, &RepositoryState::mergeDeleteRemoteBranchChanged, sheet, update);
    connect(m_state, &RepositoryState::mergeBranchHasRemoteChanged, sheet, update);
    connect(m_state, &RepositoryState::branchToMergeChanged, sheet, update);
    connect(stageOnly, &QRadioButton::toggled, sheet, [state](bool on) {
        if (state)
            state->setMergeStageOnly(on);
    });
    connect(deleteBranch, &QCheckBox::toggled, sheet, [state](bool on) {
        if (state)
            state->setMergeDeleteBranch(on);
    });
    connect(deleteRemote, &QCheckBox::toggled, sheet, [state](bool on) {
        if (state)
            state->setMergeDeleteRemoteBranch(on);
    });
}

} // namespace tolvane
