#include "ui/log/LogListView.h"

#include "ui/SymbolIcon.h"
#include "ui/log/LogListModel.h"
#include "ui/log/LogRowDelegate.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScrollBar>
#include <algorithm>

namespace tolvane {

LogListView::LogListView(QWidget* parent) : QListView(parent) {
    setObjectName(QStringLiteral("logList"));
    m_delegate = new LogRowDelegate(this);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Row heights follow the width because long messages wrap.
    setResizeMode(QListView::Adjust);
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

void LogListView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
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

void LogListView::setModel(QAbstractItemModel* model) {
    if (QAbstractItemModel* old = this->model())
        disconnect(old, nullptr, m_delegate, nullptr);
    m_delegate->clearCache();
    QListView::setModel(model);
    // Cached heights are per row: a reset or removal shifts rows.
    if (model) {
        connect(model, &QAbstractItemModel::modelReset, m_delegate, &LogRowDelegate::clearCache);
        connect(model, &QAbstractItemModel::rowsRemoved, m_delegate, &LogRowDelegate::clearCache);
    }
}

void LogListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange)
        m_delegate->clearCache();
    QListView::changeEvent(event);
}

} // namespace tolvane
