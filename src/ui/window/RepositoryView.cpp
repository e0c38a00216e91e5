#include "ui/window/RepositoryView.h"

#include "state/RepositoryState.h"
#include "ui/common/MessageBar.h"
#include "ui/common/namePrompts.h"
#include "ui/common/placeholderPage.h"
#include "ui/window/BarWidget.h"
#include "ui/window/PanePlaceholder.h"
#include "ui/window/SidebarView.h"
#include "ui/window/StatusBarView.h"
#include "ui/window/ToolbarView.h"

#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tolvane {
namespace {

RepositoryPaneFactory& factoryStorage() {
    static RepositoryPaneFactory factory;
    return factory;
}

} // namespace

void setRepositoryPaneFactory(RepositoryPaneFactory factory) {
    factoryStorage() = std::move(factory);
}

const RepositoryPaneFactory& repositoryPaneFactory() {
    return factoryStorage();
}

RepositoryView::RepositoryView(RepositoryState& state, QWidget* parent)
    : QWidget(parent), m_state(&state) {
    setObjectName(QStringLiteral("repositoryView"));

    m_sidebar = new SidebarView(state, this);
    m_sidebar->setMinimumWidth(sidebarMinimumWidth);
    m_sidebar->setMaximumWidth(sidebarMaximumWidth);

    m_historyStack = new QStackedWidget(this);
    m_historyStack->setObjectName(QStringLiteral("historyPane"));
    m_historyStack->setMinimumWidth(historyMinimumWidth);
    m_history = new PanePlaceholder(QStringLiteral("History"), m_historyStack);
    m_historyStack->addWidget(m_history);

    m_detailStack = new QStackedWidget(this);
    m_detailStack->setObjectName(QStringLiteral("detailPane"));
    m_detailStack->setMinimumWidth(detailMinimumWidth);
    m_detail = new PanePlaceholder(QStringLiteral("Diff"), m_detailStack);
    m_blame = new PanePlaceholder(QStringLiteral("Blame"), m_detailStack);
    m_detailStack->addWidget(m_detail);
    m_detailStack->addWidget(m_blame);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("repositorySplitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setHandleWidth(1);
    m_splitter->addWidget(m_sidebar);
    m_splitter->addWidget(m_historyStack);
    m_splitter->addWidget(m_detailStack);
    // Extra width goes to the history and the diff, never to the sidebar.
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setStretchFactor(2, 1);
    m_splitter->setSizes({sidebarIdealWidth, historyIdealWidth, detailIdealWidth});

    m_messageBar = new MessageBar(this);
    connect(&state, &RepositoryState::outcomeAnnounced, m_messageBar,
            [this](const QString& message, LogLevel level) {
                m_messageBar->showMessage(message, level == LogLevel::Error
                                                       ? MessageBar::Kind::Failure
                                                       : MessageBar::Kind::Success);
            });
    connect(m_messageBar, &MessageBar::showLogRequested, this, &RepositoryView::showLogRequested);

    m_pages = new QStackedWidget(this);
    m_content = new QWidget(m_pages);
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(new ToolbarView(state, m_content));
    layout->addWidget(new DividerLine(Qt::Horizontal, m_content));
    layout->addWidget(m_messageBar);
    layout->addWidget(m_splitter, 1);
    layout->addWidget(new DividerLine(Qt::Horizontal, m_content));
    layout->addWidget(new StatusBarView(state, m_content));
    m_pages->addWidget(m_content);

    auto* closeTab = new QPushButton(QStringLiteral("Close Tab"));
    closeTab->setObjectName(QStringLiteral("closeMissingTabButton"));
    connect(closeTab, &QPushButton::clicked, this, &RepositoryView::closeTabRequested);
    m_missingPage = makePlaceholderPage(
        QStringLiteral("folder"),
        QStringLiteral("The repository “%1” is no longer at\n%2\n\nIt may have been moved, "
                       "deleted or its disk unmounted. It is shown again when it is back.")
            .arg(state.tab().name, state.tab().path),
        QStringLiteral("repositoryMissingPage"), m_pages, closeTab);
    m_pages->addWidget(m_missingPage);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_pages);

    connect(&state, &RepositoryState::showBlameViewChanged, this,
            &RepositoryView::showDetailOrBlame);
    connect(&state, &RepositoryState::repositoryMissingChanged, this,
            &RepositoryView::showContentOrMissing);
    showDetailOrBlame();
    showContentOrMissing();
    state.setIdentityPrompt(dialogIdentityPrompt(this));

    if (const RepositoryPaneFactory& factory = repositoryPaneFactory())
        factory(*this, state);
}

void RepositoryView::setSidebarPage(SidebarTab tab, QWidget* page) {
    m_sidebar->setPage(tab, page);
}

void RepositoryView::setHistoryPane(QWidget* pane) {
    replaceInStack(m_historyStack, m_history, pane);
}

void RepositoryView::setDetailPane(QWidget* pane) {
    replaceInStack(m_detailStack, m_detail, pane);
    showDetailOrBlame();
}

void RepositoryView::setBlamePane(QWidget* pane) {
    replaceInStack(m_detailStack, m_blame, pane);
    showDetailOrBlame();
}

void RepositoryView::replaceInStack(QStackedWidget* stack, QWidget*& slot, QWidget* pane) {
    if (!pane || pane == slot)
        return;
    const int position = stack->indexOf(slot);
    stack->insertWidget(position, pane);
    stack->removeWidget(slot);
    delete slot;
    slot = pane;
    stack->setCurrentWidget(pane);
}

void RepositoryView::showContentOrMissing() {
    if (m_state)
        m_pages->setCurrentWidget(m_state->repositoryMissing() ? m_missingPage : m_content);
}

void RepositoryView::showDetailOrBlame() {
    if (!m_state)
        return;
    m_detailStack->setCurrentWidget(m_state->showBlameView() ? m_blame : m_detail);
}

} // namespace tolvane
