#pragma once

#include "ui/window/BarWidget.h"

#include <QHash>
#include <QPointer>
#include <QUuid>
#include <optional>

class QHBoxLayout;
class QScrollArea;
class QToolButton;

namespace tolvane {

class AppState;
class TabItemView;

// The program's own tab bar, 36 high: one entry per tab in a row that scrolls sideways when it
// is too long, separators between entries, and the "+" button. Dragging an entry over another
// reorders the tabs live.
class TabBarView : public BarWidget {
    Q_OBJECT
public:
    static constexpr int barHeight = 36;

    explicit TabBarView(AppState& appState, QWidget* parent = nullptr);

    // The entries in display order.
    QList<TabItemView*> items() const;
    TabItemView* item(const QUuid& tabId) const { return m_items.value(tabId); }
    std::optional<QUuid> hoveredTab() const { return m_hoveredTab; }
    std::optional<QUuid> draggingTab() const { return m_draggingTab; }
    QToolButton* newTabButton() const { return m_newTab; }
    // Shown while the entries do not all fit: a menu of every tab.
    QToolButton* tabListButton() const { return m_tabList; }
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void rebuild();
    void updateStates();
    void revealActiveTab();
    void setHoveredTab(std::optional<QUuid> tab);
    void dragTo(const QPoint& globalPosition);
    void finishDrag();
    TabItemView* makeItem(const QUuid& tabId);
    void updateNewTabIcon();
    void updateOverflow();
    void fillTabListMenu();

    AppState& m_app;
    QScrollArea* m_scroll = nullptr;
    QWidget* m_row = nullptr;
    QHBoxLayout* m_rowLayout = nullptr;
    QToolButton* m_newTab = nullptr;
    QToolButton* m_tabList = nullptr;
    QHash<QUuid, TabItemView*> m_items;
    QList<QWidget*> m_separators;
    std::optional<QUuid> m_hoveredTab;
    std::optional<QUuid> m_draggingTab;
    // The entry the dragged pointer is over: a move happens only when the pointer enters another.
    std::optional<QUuid> m_dragTarget;
};

} // namespace tolvane
