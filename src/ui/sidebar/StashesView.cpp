#include "ui/sidebar/StashesView.h"

#include "state/RepositoryState.h"
#include "state/confirmationDialogs.h"
#include "ui/common/ConfirmationAlert.h"
#include "ui/common/ConfirmationPresenter.h"
#include "ui/sidebar/StashListModel.h"
#include "ui/sidebar/StashRowDelegate.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvane {

namespace {

void decorateStashSheet(ConfirmationAlert* sheet, RepositoryState* state) {
    QVBoxLayout* layout = sheet->contentLayout();
    auto* untracked = new QCheckBox(QStringLiteral("Include untracked files"), sheet);
    untracked->setObjectName(QStringLiteral("stashIncludeUntrackedCheck"));
    untracked->setChecked(state->stashIncludeUntracked());
    layout->addWidget(untracked);
    auto* keep = new QCheckBox(QStringLiteral("Keep staged changes"), sheet);
    keep->setObjectName(QStringLiteral("stashKeepIndexCheck"));
    keep->setChecked(state->stashKeepIndex());
    layout->addWidget(keep);
    QPointer<RepositoryState> guard(state);
    QObject::connect(untracked, &QCheckBox::toggled, sheet, [guard](bool on) {
        if (guard)
            guard->setStashIncludeUntracked(on);
    });
    QObject::connect(keep, &QCheckBox::toggled, sheet, [guard](bool on) {
        if (guard)
            guard->setStashKeepIndex(on);
    });
}

} // namespace

StashesView::StashesView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_model(new StashListModel(this)),
      m_list(new QListView(this)) {
    setObjectName(QStringLiteral("stashesView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_list->setObjectName(QStringLiteral("stashesList"));
    m_list->setAccessibleName(tr("Stashes"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new StashRowDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setMouseTracking(true);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Ages ("5 minutes ago") are worked out when painted: repainting keeps them true.
    auto* aging = new QTimer(this);
    aging->setObjectName(QStringLiteral("stashAgeTimer"));
    aging->setInterval(30 * 1000);
    connect(aging, &QTimer::timeout, m_list->viewport(), qOverload<>(&QWidget::update));
    aging->start();
    layout->addWidget(m_list, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(10, 8, 10, 8);
    auto* stash = new QPushButton(QStringLiteral("Stash Changes…"), this);
    stash->setObjectName(QStringLiteral("stashChangesButton"));
    footer->addWidget(stash);
    footer->addStretch(1);
    layout->addLayout(footer);

    QPointer<RepositoryState> guard(m_state);
    connect(stash, &QPushButton::clicked, this, [guard] {
        if (guard)
            guard->askStashChanges();
    });
    connect(m_list, &QListView::clicked, this, &StashesView::rowClicked);
    connect(m_list, &QListView::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = m_list->indexAt(pos);
        if (!index.isValid())
            return;
        QMenu* menu = contextMenu(index.row(), this);
        if (!menu)
            return;
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_list->viewport()->mapToGlobal(pos));
    });
    connect(m_state, &RepositoryState::stashesChanged, this, &StashesView::refill);
    connect(m_state, &RepositoryState::discardedChangesChanged, this, &StashesView::refill);
    connect(m_state, &RepositoryState::selectedStashChanged, this, &StashesView::refill);
    connect(m_state, &RepositoryState::selectedDiscardedChangeChanged, this, &StashesView::refill);
    connect(m_state, &RepositoryState::selectedCommitChanged, this, &StashesView::refill);
    connect(m_state, &RepositoryState::selectedFileChanged, this, &StashesView::refill);
    refill();

    m_confirmations = new ConfirmationPresenter(
        this, m_state,
        {{stashChangesConfirmation, QStringLiteral("stashChangesSheet"),
          [guard](ConfirmationAlert* sheet) {
              if (guard)
                  decorateStashSheet(sheet, guard);
          }},
         {dropStashConfirmation, QStringLiteral("dropStashAlert")},
         {deleteDiscardedConfirmation, QStringLiteral("deleteDiscardedAlert")}});
}

ConfirmationAlert* StashesView::openDialog() const {
    return m_confirmations->openDialog();
}

void StashesView::refill() {
    m_model->setContent(m_state->stashes(), m_state->discardedChanges());
    // The selection follows the state, so that a refresh keeps the row the diff shows.
    // Only while the diff area still shows it: choosing a file or a commit elsewhere ends it.
    const auto& shown = m_state->selectedCommit();
    const bool showing = shown && !m_state->selectedFile();
    int row = -1;
    if (const auto& stash = m_state->selectedStash(); stash && showing && shown->id == stash->hash)
        row = m_model->rowOfStash(stash->hash);
    else if (const auto& change = m_state->selectedDiscardedChange();
             change && showing && shown->id == change->hash)
        row = m_model->rowOfDiscarded(change->ref);
    if (row >= 0)
        m_list->setCurrentIndex(m_model->index(row));
    else
        m_list->clearSelection();
}

void StashesView::rowClicked(const QModelIndex& index) {
    if (const auto stash = m_model->stashAt(index.row()))
        m_state->selectStash(*stash);
    else if (const auto change = m_model->discardedAt(index.row()))
        m_state->selectDiscardedChange(*change);
}

QMenu* StashesView::contextMenu(int row, QWidget* parent) {
    QPointer<RepositoryState> state(m_state);
    if (const auto stash = m_model->stashAt(row)) {
        auto* menu = new QMenu(parent);
        menu->setObjectName(QStringLiteral("stashContextMenu"));
        const StashEntry entry = *stash;
        connect(menu->addAction(QStringLiteral("Apply")), &QAction::triggered, menu,
                [state, entry] {
                    if (state)
                        state->applyStash(entry, false);
                });
        connect(menu->addAction(QStringLiteral("Pop")), &QAction::triggered, menu, [state, entry] {
            if (state)
                state->applyStash(entry, true);
        });
        menu->addSeparator();
        connect(menu->addAction(QStringLiteral("Drop…")), &QAction::triggered, menu,
                [state, entry] {
                    if (state)
                        state->askDropStash(entry);
                });
        return menu;
    }
    if (const auto change = m_model->discardedAt(row)) {
        auto* menu = new QMenu(parent);
        menu->setObjectName(QStringLiteral("discardedContextMenu"));
        const DiscardedChange entry = *change;
        connect(menu->addAction(QStringLiteral("Restore")), &QAction::triggered, menu,
                [state, entry] {
                    if (state)
                        state->restoreDiscarded(entry);
                });
        connect(menu->addAction(QStringLiteral("Show Diff")), &QAction::triggered, menu,
                [state, entry] {
                    if (state)
                        state->selectDiscardedChange(entry);
                });
        menu->addSeparator();
        connect(menu->addAction(QStringLiteral("Delete…")), &QAction::triggered, menu,
                [state, entry] {
                    if (state)
                        state->askDeleteDiscarded(entry);
                });
        return menu;
    }
    return nullptr;
}

} // namespace tolvane
