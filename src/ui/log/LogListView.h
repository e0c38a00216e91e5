#pragma once

#include <QAbstractItemView>
#include <QList>

namespace tolvane {

class LogRowDelegate;

// The list of log rows. Rows are selected like lines of text (click, Shift-click, Ctrl-click,
// Ctrl+A) and their messages are copied whole with Ctrl+C or the context menu's "Copy".
//
// Rows differ in height (long messages wrap, several lines stay several lines), and a log may
// hold a hundred thousand of them. The view keeps the running sum of the row heights itself:
// an appended entry measures one row and adds one sum, and finding the rows on screen is a
// binary search, so a long log takes its next entry in constant time. Only a new width (or
// font) measures every row again, and nothing is measured while the list is hidden.
class LogListView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit LogListView(QWidget* parent = nullptr);

    // The messages of the selected rows in log order, one after another.
    [[nodiscard]] QString selectedMessages() const;
    void copySelection() const;
    void setModel(QAbstractItemModel* model) override;

    LogRowDelegate* rowDelegate() const { return m_delegate; }

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void doItemsLayout() override;
    void reset() override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int rowHeight(int row) const;
    // Measures rows from `first` to the end again; the sums before it stay. A hidden list (the
    // log window closed) only forgets and measures when it is shown.
    void measureFrom(int first);
    // The row at content height `y` (clamped to the rows there are), or -1 with no rows.
    int rowAtContentY(int y) const;
    int contentHeight() const { return m_tops.isEmpty() ? 0 : m_tops.back(); }

    LogRowDelegate* m_delegate = nullptr;
    QMetaObject::Connection m_rowsRemoved;
    // m_tops[i] is the top of row i in content coordinates; the last element is the total.
    QList<int> m_tops;
    int m_measuredWidth = -1;
};

} // namespace tolvane
