#include "ui/log/LogListView.h"

#include "ui/common/SymbolIcon.h"
#include "ui/log/LogListModel.h"
#include "ui/log/LogRowDelegate.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace tolvane {

LogListView::LogListView(QWidget* parent) : QAbstractItemView(parent) {
    setObjectName(QStringLiteral("logList"));
    m_delegate = new LogRowDelegate(this);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    verticalScrollBar()->setSingleStep(20);
}

QString LogListView::selectedMessages() const {
    if (!selectionModel())
        return {};
    QModelIndexList rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList messages;
    messages.reserve(rows.size());
    for (const QModelIndex& row : rows)
        messages.append(row.data(LogListModel::MessageRole).toString());
    return messages.join(QLatin1Char('\n'));
}

void LogListView::copySelection() const {
    const QString text = selectedMessages();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void LogListView::setModel(QAbstractItemModel* model) {
    disconnect(m_rowsRemoved);
    m_delegate->clearCache();
    m_tops.clear();
    QAbstractItemView::setModel(model);
    // Cached heights are per row: a removal shifts the rows after it.
    if (model)
        m_rowsRemoved = connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
            m_delegate->clearCache();
            measureFrom(0);
        });
    measureFrom(0);
}

int LogListView::rowHeight(int row) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = QRect(0, 0, viewport()->width(), 0);
    return itemDelegate()->sizeHint(option, model()->index(row, 0, rootIndex())).height();
}

void LogListView::measureFrom(int first) {
    const int rows = model() ? model()->rowCount(rootIndex()) : 0;
    if (first <= 0 || m_tops.isEmpty()) {
        first = 0;
        m_tops = {0};
    } else {
        first = std::min(first, int(m_tops.size()) - 1);
        m_tops.resize(first + 1);
    }
    if (!isVisible()) {
        updateGeometries();
        return;
    }
    m_tops.reserve(rows + 1);
    int y = m_tops.back();
    for (int row = first; row < rows; ++row) {
        y += rowHeight(row);
        m_tops.append(y);
    }
    m_measuredWidth = viewport()->width();
    updateGeometries();
    viewport()->update();
}

int LogListView::rowAtContentY(int y) const {
    const int rows = int(m_tops.size()) - 1;
    if (rows <= 0)
        return -1;
    // The last row whose top is at or above y.
    const auto it = std::upper_bound(m_tops.cbegin(), m_tops.cend() - 1, y);
    return std::clamp(int(it - m_tops.cbegin()) - 1, 0, rows - 1);
}

void LogListView::doItemsLayout() {
    measureFrom(0);
    QAbstractItemView::doItemsLayout();
}

void LogListView::reset() {
    m_delegate->clearCache();
    QAbstractItemView::reset();
    measureFrom(0);
}

void LogListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    if (parent == rootIndex()) {
        // An append measures only its own rows; rows put in between shift every cached height.
        if (start < int(m_tops.size()) - 1)
            m_delegate->clearCache();
        measureFrom(start);
    }
    QAbstractItemView::rowsInserted(parent, start, end);
}

void LogListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles) {
    if (topLeft.isValid()) {
        m_delegate->clearCache();
        measureFrom(0);
    }
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void LogListView::updateGeometries() {
    const int page = viewport()->height();
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setRange(0, std::max(0, contentHeight() - page));
    QAbstractItemView::updateGeometries();
}

QRect LogListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex() || index.row() + 1 >= m_tops.size())
        return {};
    const int row = index.row();
    return {0, m_tops[row] - verticalOffset(), viewport()->width(), m_tops[row + 1] - m_tops[row]};
}

QModelIndex LogListView::indexAt(const QPoint& point) const {
    const int y = point.y() + verticalOffset();
    if (!model() || y < 0 || y >= contentHeight())
        return {};
    return model()->index(rowAtContentY(y), 0, rootIndex());
}

void LogListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    const QRect rect = visualRect(index);
    if (rect.isNull())
        return;
    const int top = rect.top() + verticalOffset();
    const int bottom = top + rect.height();
    const int page = viewport()->height();
    int value = verticalOffset();
    switch (hint) {
    case PositionAtTop:
        value = top;
        break;
    case PositionAtBottom:
        value = bottom - page;
        break;
    case PositionAtCenter:
        value = top - (page - rect.height()) / 2;
        break;
    case EnsureVisible:
        if (top < value)
            value = top;
        else if (bottom > value + page)
            value = std::min(top, bottom - page);
        break;
    }
    verticalScrollBar()->setValue(value);
}

QModelIndex LogListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers) {
    const int rows = int(m_tops.size()) - 1;
    if (!model() || rows <= 0)
        return {};
    const int current = currentIndex().isValid() ? currentIndex().row() : 0;
    int row = current;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious:
        row = current - 1;
        break;
    case MoveDown:
    case MoveNext:
        row = current + 1;
        break;
    case MovePageUp:
        row = rowAtContentY(m_tops[current] - viewport()->height());
        break;
    case MovePageDown:
        row = rowAtContentY(m_tops[current] + viewport()->height());
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = rows - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model()->index(std::clamp(row, 0, rows - 1), 0, rootIndex());
}

int LogListView::horizontalOffset() const {
    return 0;
}

int LogListView::verticalOffset() const {
    return verticalScrollBar()->value();
}

bool LogListView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void LogListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!selectionModel() || !model())
        return;
    const QRect area = rect.normalized();
    const int top = area.top() + verticalOffset();
    const int bottom = area.bottom() + verticalOffset();
    // Space below the last row (or above the first) selects nothing, so a click there clears.
    if (top >= contentHeight() || bottom < 0) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    const QModelIndex first = model()->index(rowAtContentY(top), 0, rootIndex());
    const QModelIndex last = model()->index(rowAtContentY(bottom), 0, rootIndex());
    selectionModel()->select(QItemSelection(first, last), command);
}

QRegion LogListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const QRect shown = viewport()->rect();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex())
            continue;
        const QRect top = visualRect(model()->index(range.top(), 0, rootIndex()));
        const QRect bottom = visualRect(model()->index(range.bottom(), 0, rootIndex()));
        region += QRect(top.topLeft(), bottom.bottomRight()).intersected(shown);
    }
    return region;
}

void LogListView::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy);
}

void LogListView::paintEvent(QPaintEvent* event) {
    const int rows = int(m_tops.size()) - 1;
    if (!model() || rows <= 0)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    base.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
    const bool focus = hasFocus() || viewport()->hasFocus();
    const QModelIndex current = currentIndex();
    const QRect area = event->rect();
    const int offset = verticalOffset();
    const int width = viewport()->width();
    for (int row = rowAtContentY(area.top() + offset);
         row >= 0 && row < rows && m_tops[row] - offset <= area.bottom(); ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem option = base;
        option.rect = QRect(0, m_tops[row] - offset, width, m_tops[row + 1] - m_tops[row]);
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (focus && index == current)
            option.state |= QStyle::State_HasFocus;
        itemDelegate()->paint(&painter, option, index);
    }
}

void LogListView::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
    // Messages wrap to the width: a new width measures every row again.
    if (viewport()->width() != m_measuredWidth)
        measureFrom(0);
}

void LogListView::showEvent(QShowEvent* event) {
    // Entries added while hidden are measured now; all of them when the width changed.
    measureFrom(viewport()->width() == m_measuredWidth ? int(m_tops.size()) - 1 : 0);
    QAbstractItemView::showEvent(event);
}

void LogListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    QAbstractItemView::keyPressEvent(event);
}

void LogListView::contextMenuEvent(QContextMenuEvent* event) {
    // A right-click outside the selection copies the row under the pointer, as in text views.
    const QModelIndex under = indexAt(event->pos());
    if (under.isValid() && !selectionModel()->isSelected(under))
        selectionModel()->select(under, QItemSelectionModel::ClearAndSelect);
    QMenu menu(this);
    QAction* copy = menu.addAction(symbolIcon(QStringLiteral("doc.on.doc")), QStringLiteral("Copy"),
                                   this, &LogListView::copySelection);
    copy->setObjectName(QStringLiteral("logCopyAction"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(selectionModel()->hasSelection());
    menu.addAction(QStringLiteral("Select All"), this, &QAbstractItemView::selectAll)
        ->setShortcut(QKeySequence::SelectAll);
    menu.exec(event->globalPos());
}

void LogListView::changeEvent(QEvent* event) {
    QAbstractItemView::changeEvent(event);
    // Rows measured in the old font would overlap once painted in the new one.
    if (event->type() == QEvent::FontChange) {
        m_delegate->clearCache();
        m_measuredWidth = -1;
        measureFrom(0);
    }
}

} // namespace tolvane
