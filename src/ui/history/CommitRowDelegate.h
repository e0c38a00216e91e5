#pragma once

#include "graph/CommitGraphData.h"

#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QStyledItemDelegate>

namespace tolvane {

// Paints a commit row: the graph slice (or an 8-point gap), the subject with its ref badges,
// and a caption line with the short hash, author and relative date.
class CommitRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 50;
    static constexpr int noGraphGap = 8;

    using QStyledItemDelegate::QStyledItemDelegate;

    // Data shared with the view; pointers stay owned by the view.
    void setGraph(const QHash<QString, CommitGraphData>* graph) { m_graph = graph; }
    void setSelectedIds(const QSet<QString>* ids) { m_selected = ids; }
    void setGraphSettings(bool show, int maxColumns) {
        m_showGraph = show;
        m_maxColumns = maxColumns;
    }
    // Where the text of a row starts, after the graph area.
    qreal textLeft(const QString& commitId) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QHash<QString, CommitGraphData>* m_graph = nullptr;
    const QSet<QString>* m_selected = nullptr;
    bool m_showGraph = true;
    int m_maxColumns = 10;
    mutable QPixmap m_headArrow;
};

} // namespace tolvane
