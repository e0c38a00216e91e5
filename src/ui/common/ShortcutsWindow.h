#pragma once

#include <QDialog>
#include <QList>
#include <QString>

class QMenu;
class QTreeWidget;

namespace tolvane {

// One line of the shortcuts window: what the keys do and the keys, as the desktop spells them.
struct ShortcutEntry {
    QString group;
    QString action;
    QString keys;
};

// The keys of the lists, panes and context menus, which belong to no menu item.
QList<ShortcutEntry> viewShortcuts();
// The shortcuts of every menu item of `window`'s menu bar, grouped by menu, in menu order.
QList<ShortcutEntry> menuShortcuts(const QWidget* window);

// Lists every shortcut of the main window, grouped by menu and by view; closes on Escape.
class ShortcutsWindow : public QDialog {
    Q_OBJECT
public:
    explicit ShortcutsWindow(const QList<ShortcutEntry>& entries, QWidget* parent = nullptr);
    QTreeWidget* list() const { return m_list; }

private:
    QTreeWidget* m_list;
};

// Adds "Keyboard Shortcuts" to `menu`, opening the window over `window`.
void addShortcutsItem(QMenu* menu, QWidget* window);

} // namespace tolvane
