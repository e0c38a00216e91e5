#pragma once

#include "engine/GitCommit.h"
#include "graph/CommitGraphData.h"

#include <QHash>
#include <QPixmap>
#include <QSet>
#include <QStyledItemDelegate>
#include <functional>

namespace tolvane {

class GraphHighlight;
class SignatureBadges;

// Paints a commit row: the graph slice (or an 8-point gap), the subject with its ref badges,
// and a caption line with the short hash, author and relative date.
class CommitRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 50;
    static constexpr int noGraphGap = 8;

    using QStyledItemDelegate::QStyledItemDelegate;

    // Data shared with the view; pointers stay owned by the view.
    void setGraph(const CommitGraphLayout* graph) { m_graph = graph; }
    void setSelectedIds(const QSet<QString>* ids) { m_selected = ids; }
    // Where rows find their signature badge; a row painted before its check asks for one.
    void setSignatures(SignatureBadges* badges) { m_signatures = badges; }
    void setGraphSettings(bool show, int maxColumns) {
        m_showGraph = show;
        m_maxColumns = maxColumns;
    }
    // The lines to bring forward while the pointer rests on a commit (shared with the view).
    void setHighlight(const GraphHighlight* highlight) { m_highlight = highlight; }
    // The graph column's width, the same for every row; the view follows the rows on screen.
    void setGraphWidth(qreal width) { m_graphWidth = width; }
    qreal graphWidth() const { return m_graphWidth; }
    // A row shown tinted for a moment after the view jumped to it (-1: none).
    void setFlashRow(int row) { m_flashRow = row; }
    // Lanes drawn: the setting, or fewer where the pane is narrow.
    int visibleColumns() const { return m_maxColumns; }
    bool showsGraph() const { return m_showGraph; }
    // Where the text of every row starts, after the graph area.
    qreal textLeft() const { return m_showGraph ? m_graphWidth : noGraphGap; }

    // The commit's age as the row shows it ("3 minutes ago"), counted to the clock's now when
    // painted, so that a repaint brings it up to date. Tests set the clock (seconds since the
    // epoch).
    QString dateText(const GitCommit& commit) const;
    void setClock(std::function<qint64()> clock) { m_clock = std::move(clock); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // A signed row's tooltip says what its badge means.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    const CommitGraphLayout* m_graph = nullptr;
    const QSet<QString>* m_selected = nullptr;
    const GraphHighlight* m_highlight = nullptr;
    SignatureBadges* m_signatures = nullptr;
    bool m_showGraph = true;
    int m_maxColumns = 10;
    qreal m_graphWidth = noGraphGap;
    int m_flashRow = -1;
    mutable QPixmap m_headArrow;
    std::function<qint64()> m_clock;
};

} // namespace tolvane
