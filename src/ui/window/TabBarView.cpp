#include "ui/window/TabBarView.h"

#include "app/AppState.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"
#include "ui/window/TabItemView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>

namespace tolvane {
namespace {

// 1 wide, the secondary colour at 0.2, inset 6 at top and bottom.
class TabSeparator : public QWidget {
public:
    explicit TabSeparator(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("tabSeparator"));
        setFixedWidth(1);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QColor colour = ViewColors::secondaryLabel(palette());
        colour.setAlphaF(0.2);
        painter.fillRect(QRect(0, 6, 1, std::max(0, height() - 12)), colour);
    }
};

} // namespace

TabBarView::TabBarView(AppState& appState, QWidget* parent) : BarWidget(parent), m_app(appState) {
    setObjectName(QStringLiteral("tabBarView"));
    setFixedHeight(barHeight);

    m_row = new QWidget;
    m_row->setObjectName(QStringLiteral("tabRow"));
    m_row->setAutoFillBackground(false);
    m_rowLayout = new QHBoxLayout(m_row);
    m_rowLayout->setContentsMargins(6, 4, 6, 4);
    m_rowLayout->setSpacing(3);
    m_rowLayout->setSizeConstraint(QLayout::SetMinimumSize);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("tabScrollArea"));
    m_scroll->setAccessibleName(tr("Tabs"));
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidgetResizable(true);
    m_scroll->setWidget(m_row);
    // setWidget turns filling on; the row shows the bar's own background.
    m_row->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_scroll->setAutoFillBackground(false);
    m_scroll->viewport()->installEventFilter(this);

    // Outside the scrolling row, so that it stays reachable however many tabs are open.
    m_newTab = new QToolButton(this);
    m_newTab->setObjectName(QStringLiteral("newTabButton"));
    m_newTab->setFixedSize(28, 28);
    m_newTab->setAutoRaise(true);
    m_newTab->setIconSize(QSize(12, 12));
    m_newTab->setToolTip(QStringLiteral("Open Repository (Ctrl+T)"));
    m_newTab->setFocusPolicy(Qt::NoFocus);
    connect(m_newTab, &QToolButton::clicked, this, [this] { m_app.showOpenPanel(); });

    // When the entries do not all fit, this says so and reaches every tab.
    m_tabList = new QToolButton(this);
    m_tabList->setObjectName(QStringLiteral("tabListButton"));
    m_tabList->setFixedSize(28, 28);
    m_tabList->setAutoRaise(true);
    m_tabList->setIconSize(QSize(12, 12));
    m_tabList->setToolTip(QStringLiteral("All Tabs"));
    m_tabList->setFocusPolicy(Qt::NoFocus);
    m_tabList->setPopupMode(QToolButton::InstantPopup);
    m_tabList->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    auto* tabMenu = new QMenu(m_tabList);
    tabMenu->setObjectName(QStringLiteral("tabListMenu"));
    m_tabList->setMenu(tabMenu);
    connect(tabMenu, &QMenu::aboutToShow, this, &TabBarView::fillTabListMenu);
    m_tabList->hide();
    updateNewTabIcon();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 6, 0);
    layout->setSpacing(0);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(m_tabList, 0, Qt::AlignVCenter);
    layout->addWidget(m_newTab, 0, Qt::AlignVCenter);

    connect(&m_app, &AppState::tabsChanged, this, &TabBarView::rebuild);
    connect(&m_app, &AppState::activeTabIdChanged, this, [this] {
        updateStates();
        revealActiveTab();
    });
    rebuild();
}

void TabBarView::fillTabListMenu() {
    QMenu* menu = m_tabList->menu();
    menu->clear();
    for (const RepositoryTab& tab : m_app.tabs()) {
        QAction* action = menu->addAction(tab.name);
        action->setCheckable(true);
        action->setChecked(m_app.activeTabId() == tab.id);
        const QUuid id = tab.id;
        connect(action, &QAction::triggered, this, [this, id] {
            for (const RepositoryTab& each : m_app.tabs()) {
                if (each.id == id)
                    m_app.selectTab(each);
            }
        });
    }
}

void TabBarView::updateOverflow() {
    const bool overflowing = m_row->minimumSizeHint().width() > m_scroll->viewport()->width();
    if (overflowing != m_tabList->isVisibleTo(this))
        m_tabList->setVisible(overflowing);
}

QList<TabItemView*> TabBarView::items() const {
    QList<TabItemView*> ordered;
    for (const RepositoryTab& tab : m_app.tabs()) {
        if (TabItemView* entry = m_items.value(tab.id))
            ordered.append(entry);
    }
    return ordered;
}

TabItemView* TabBarView::makeItem(const QUuid& tabId) {
    const auto tabs = m_app.tabs();
    const auto found = std::find_if(tabs.begin(), tabs.end(),
                                    [&](const RepositoryTab& tab) { return tab.id == tabId; });
    auto* entry = new TabItemView(*found, m_app.repositoryState(tabId), m_row);
    connect(entry, &TabItemView::selectRequested, this, [this, tabId] {
        for (const RepositoryTab& tab : m_app.tabs()) {
            if (tab.id == tabId)
                m_app.selectTab(tab);
        }
    });
    connect(entry, &TabItemView::closeRequested, this, [this, tabId] {
        for (const RepositoryTab& tab : m_app.tabs()) {
            if (tab.id == tabId) {
                m_app.closeTab(tab);
                return;
            }
        }
    });
    connect(entry, &TabItemView::hoverChanged, this, [this, tabId](bool hovered) {
        if (hovered)
            setHoveredTab(tabId);
        else if (m_hoveredTab == tabId)
            setHoveredTab(std::nullopt);
    });
    connect(entry, &TabItemView::dragStarted, this, [this, tabId] {
        if (m_draggingTab && m_items.contains(*m_draggingTab))
            m_items.value(*m_draggingTab)->setDragging(false);
        m_draggingTab = tabId;
        m_dragTarget = tabId;
        updateStates();
    });
    connect(entry, &TabItemView::dragMoved, this, &TabBarView::dragTo);
    connect(entry, &TabItemView::dragFinished, this, &TabBarView::finishDrag);
    return entry;
}

void TabBarView::rebuild() {
    const QList<RepositoryTab> tabs = m_app.tabs();
    QSet<QUuid> present;
    for (const RepositoryTab& tab : tabs)
        present.insert(tab.id);
    for (auto it = m_items.begin(); it != m_items.end();) {
        if (!present.contains(it.key())) {
            it.value()->deleteLater();
            it.value()->hide();
            it = m_items.erase(it);
        } else {
            ++it;
        }
    }
    if (m_hoveredTab && !present.contains(*m_hoveredTab))
        m_hoveredTab.reset();
    if (m_draggingTab && !present.contains(*m_draggingTab))
        m_draggingTab.reset();

    while (QLayoutItem* layoutItem = m_rowLayout->takeAt(0))
        delete layoutItem;
    qDeleteAll(m_separators);
    m_separators.clear();

    bool first = true;
    for (const RepositoryTab& tab : tabs) {
        if (!first) {
            auto* separator = new TabSeparator(m_row);
            m_separators.append(separator);
            m_rowLayout->addWidget(separator);
        }
        first = false;
        TabItemView* entry = m_items.value(tab.id);
        if (!entry) {
            entry = makeItem(tab.id);
            m_items.insert(tab.id, entry);
        } else {
            entry->setTab(tab);
        }
        m_rowLayout->addWidget(entry, 0, Qt::AlignVCenter);
        entry->show();
    }
    m_rowLayout->addStretch(1);
    // Place the entries now: a drag compares the pointer with their places before the next
    // event-loop turn.
    m_rowLayout->activate();
    updateStates();
    updateOverflow();
    // The row takes its new width on the next layout pass; only then can it scroll to the tab.
    QMetaObject::invokeMethod(this, &TabBarView::revealActiveTab, Qt::QueuedConnection);
}

void TabBarView::updateStates() {
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
        it.value()->setActive(m_app.activeTabId() == it.key());
        it.value()->setHovered(m_hoveredTab == it.key());
        it.value()->setDragging(m_draggingTab == it.key());
    }
}

void TabBarView::revealActiveTab() {
    if (!m_app.activeTabId())
        return;
    TabItemView* entry = m_items.value(*m_app.activeTabId());
    if (!entry)
        return;
    // Whole, not partly: place the row's widget first if a layout pass is still pending.
    if (m_row->width() < m_row->minimumSizeHint().width())
        m_row->resize(std::max(m_row->minimumSizeHint().width(), m_scroll->viewport()->width()),
                      m_row->height());
    m_rowLayout->activate();
    m_scroll->ensureWidgetVisible(entry, 24, 0);
}

void TabBarView::setHoveredTab(std::optional<QUuid> tab) {
    if (tab == m_hoveredTab)
        return;
    m_hoveredTab = tab;
    updateStates();
}

void TabBarView::dragTo(const QPoint& globalPosition) {
    if (!m_draggingTab)
        return;
    std::optional<QUuid> under;
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
        TabItemView* entry = it.value();
        if (entry->isVisible() && entry->rect().contains(entry->mapFromGlobal(globalPosition))) {
            under = it.key();
            break;
        }
    }
    if (under == m_dragTarget)
        return;
    m_dragTarget = under;
    if (under && *under != *m_draggingTab)
        m_app.moveTab(*m_draggingTab, *under);
}

void TabBarView::finishDrag() {
    m_draggingTab.reset();
    m_dragTarget.reset();
    updateStates();
}

bool TabBarView::eventFilter(QObject* watched, QEvent* event) {
    // A narrower window may hide the active tab or end the overflow.
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize) {
        updateOverflow();
        QMetaObject::invokeMethod(this, &TabBarView::revealActiveTab, Qt::QueuedConnection);
    }
    // A mouse wheel scrolls the row sideways.
    if (watched == m_scroll->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint delta = wheel->angleDelta();
        const int step = delta.x() != 0 ? delta.x() : delta.y();
        QScrollBar* bar = m_scroll->horizontalScrollBar();
        bar->setValue(bar->value() - step / 2);
        return true;
    }
    return BarWidget::eventFilter(watched, event);
}

void TabBarView::changeEvent(QEvent* event) {
    BarWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_newTab)
        updateNewTabIcon();
}

void TabBarView::updateNewTabIcon() {
    m_newTab->setIcon(QIcon(tintedSymbol(
        QStringLiteral("plus"), ViewColors::secondaryLabel(palette()), 12, devicePixelRatioF())));
    m_tabList->setIcon(
        QIcon(tintedSymbol(QStringLiteral("chevron.down"), ViewColors::secondaryLabel(palette()),
                           12, devicePixelRatioF())));
}

} // namespace tolvane
