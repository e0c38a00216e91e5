#include "ui/common/accessibleRows.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace tolvane {
namespace {

AccessibleRows* rowsOf(QWidget* widget) {
    return dynamic_cast<AccessibleRows*>(widget);
}

// One painted row; asks the view for its text each time, so a reloaded view needs no new items.
class RowItem : public QAccessibleInterface {
public:
    RowItem(QWidget* view, int row) : m_view(view), m_row(row) {}

    bool isValid() const override {
        AccessibleRows* rows = m_view ? rowsOf(m_view) : nullptr;
        return rows && m_row < rows->accessibleRowCount();
    }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return m_view ? QAccessible::queryAccessibleInterface(m_view) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid())
            return {};
        return rowsOf(m_view)->accessibleRowText(m_row);
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect local = rowsOf(m_view)->accessibleRowRect(m_row);
        return local.isEmpty() ? QRect()
                               : QRect(m_view->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid())
            return state;
        AccessibleRows* rows = rowsOf(m_view);
        state.selectable = true;
        state.focusable = true;
        state.invisible = rows->accessibleRowRect(m_row).isEmpty();
        state.offscreen = state.invisible;
        const bool current = rows->accessibleCurrentRow() == m_row;
        state.selected = current;
        state.focused = current && m_view->hasFocus();
        return state;
    }

private:
    QPointer<QWidget> m_view;
    int m_row;
};

// The view as a list whose children are its rows.
class RowsView : public QAccessibleWidget {
public:
    explicit RowsView(QWidget* widget) : QAccessibleWidget(widget, QAccessible::List) {}
    ~RowsView() override {
        for (const QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override {
        AccessibleRows* rows = rowsOf(widget());
        return rows ? rows->accessibleRowCount() : 0;
    }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto found = m_items.constFind(index);
        if (found != m_items.constEnd())
            return QAccessible::accessibleInterface(*found);
        auto* item = new RowItem(widget(), index);
        m_items.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto it = m_items.constBegin(); it != m_items.constEnd(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        AccessibleRows* rows = rowsOf(widget());
        if (!rows)
            return nullptr;
        const QPoint local = widget()->mapFromGlobal(QPoint(x, y));
        // Only the rows on screen can be under the point.
        for (int row = 0; row < rows->accessibleRowCount(); ++row) {
            const QRect rect = rows->accessibleRowRect(row);
            if (rect.contains(local))
                return child(row);
            if (!rect.isEmpty() && rect.top() > local.y())
                break;
        }
        return nullptr;
    }

private:
    mutable QHash<int, QAccessible::Id> m_items;
};

QAccessibleInterface* rowsFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && rowsOf(widget) ? new RowsView(widget) : nullptr;
}

} // namespace

void installAccessibleRows() {
    static const bool installed = [] {
        QAccessible::installFactory(&rowsFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace tolvane
