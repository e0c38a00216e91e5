#include "ui/sidebar/TagsView.h"

#include "engine/AppKitDialogs.h"
#include "engine/lineSplitting.h"
#include "state/RepositoryState.h"
#include "state/confirmationDialogs.h"
#include "ui/common/ConfirmationPresenter.h"
#include "ui/sidebar/SidebarRowDelegate.h"
#include "ui/sidebar/TagListModel.h"
#include "ui/sidebar/sidebarPlaceholder.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tolvane {

TagsView::TagsView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_model(new TagListModel(this)),
      m_stack(new QStackedWidget(this)), m_list(new QListView(m_stack)),
      m_prompt(dialogTagPrompt(this)), m_warning(dialogWarningAlert(this)) {
    setObjectName(QStringLiteral("tagsView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_list->setObjectName(QStringLiteral("tagsList"));
    m_list->setAccessibleName(tr("Tags"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new SidebarRowDelegate(m_list));
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_stack->setObjectName(QStringLiteral("tagsStack"));
    m_stack->addWidget(m_list);
    m_stack->addWidget(
        makeSidebarPlaceholder(QStringLiteral("No tags"), QStringLiteral("noTagsLabel"), m_stack));
    layout->addWidget(m_stack, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(10, 8, 10, 8);
    auto* newTag = new QPushButton(QStringLiteral("New Tag"), this);
    newTag->setObjectName(QStringLiteral("newTagButton"));
    footer->addWidget(newTag);
    auto* pushAll = new QPushButton(QStringLiteral("Push All Tags"), this);
    pushAll->setObjectName(QStringLiteral("pushAllTagsButton"));
    footer->addWidget(pushAll);
    footer->addStretch(1);
    layout->addLayout(footer);

    connect(newTag, &QPushButton::clicked, this, &TagsView::showNewTagDialog);
    connect(pushAll, &QPushButton::clicked, this, [this] { m_state->pushAllTags(); });
    connect(m_list, &QListView::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = m_list->indexAt(pos);
        if (!index.isValid())
            return;
        QMenu* menu = contextMenu(index.data().toString(), this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_list->viewport()->mapToGlobal(pos));
    });
    auto refill = [this] {
        m_model->setStringList(m_state->tags());
        m_stack->setCurrentIndex(m_state->tags().isEmpty() ? 1 : 0);
    };
    connect(m_state, &RepositoryState::tagsChanged, this, refill);
    refill();

    m_confirmations = new ConfirmationPresenter(
        this, m_state,
        {{deleteTagConfirmation, QStringLiteral("deleteTagAlert")},
         {deleteRemoteTagConfirmation, QStringLiteral("deleteRemoteTagAlert")}});
}

ConfirmationAlert* TagsView::openDialog() const {
    return m_confirmations->openDialog();
}

void TagsView::showNewTagDialog() {
    TagInput typed;
    for (;;) {
        const std::optional<TagInput> answer = m_prompt(typed);
        if (!answer || answer->name.isEmpty())
            return;
        if (const auto problem = AppKitDialogs::validateRefName(answer->name)) {
            m_warning(QStringLiteral("Invalid Tag Name"), *problem);
            typed = *answer;
            continue;
        }
        std::optional<QString> message;
        if (!answer->message.isEmpty())
            message = answer->message;
        m_state->createTagWithName(trimSpacesAndTabs(answer->name).toString(), message);
        return;
    }
}

QMenu* TagsView::contextMenu(const QString& tag, QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("tagContextMenu"));
    QPointer<RepositoryState> state(m_state);
    QAction* push = menu->addAction(QStringLiteral("Push to Remote"));
    connect(push, &QAction::triggered, menu, [state, tag] {
        if (state)
            state->pushTag(tag);
    });
    QAction* removeRemote = menu->addAction(QStringLiteral("Delete from Remote…"));
    connect(removeRemote, &QAction::triggered, menu, [state, tag] {
        if (state)
            state->askDeleteRemoteTag(tag);
    });
    menu->addSeparator();
    QAction* remove = menu->addAction(QStringLiteral("Delete Tag"));
    connect(remove, &QAction::triggered, menu, [state, tag] {
        if (state)
            state->askDeleteTag(tag);
    });
    return menu;
}

} // namespace tolvane
