#pragma once

#include "graph/CommitGraphData.h"
#include "graph/GraphHighlight.h"

#include <QObject>
#include <QPair>
#include <QString>
#include <functional>

class QListView;
class QWidget;
class QTimer;
class QVariantAnimation;

namespace tolvane {

class CommitLogModel;
class CommitRowDelegate;
class RepositoryState;

// The history graph's behaviour on screen: the graph column's width follows the widest row in
// view (within a share of the pane), growing and shrinking smoothly as rows scroll by; the
// pointer over a row's graph brings forward that commit's lines; the arrows of shortened lines
// tell where they lead and take the list there when clicked, loading pages when the commit is
// not listed yet.
class GraphInteraction : public QObject {
    Q_OBJECT
public:
    GraphInteraction(QListView* list, CommitLogModel* model, CommitRowDelegate* delegate,
                     RepositoryState* state, std::function<const CommitGraphLayout&()> layout,
                     QObject* parent = nullptr);

    // The "showCommitGraph" and "maxGraphColumns" settings; a narrow pane draws fewer columns.
    void setGraphSettings(bool show, int maxColumns);
    // The layout changed: the width is recomputed for the rows in view.
    void layoutChanged();
    // The list was reloaded: a commit waited for is scrolled to once it is listed.
    void rowsReloaded();
    // The width the graph column is heading for.
    qreal targetWidth() const { return m_targetWidth; }
    const GraphHighlight& highlight() const { return m_highlight; }
    // Where an arrow leads: a row, or (not loaded yet) a commit id to load pages for.
    struct Destination {
        int row = -1;
        QString missingId;
    };
    Destination destinationOf(const GraphLine& arrow) const;
    QString arrowToolTip(const GraphLine& arrow) const;
    // Takes the list to where the arrow leads, as a click does.
    void follow(const GraphLine& arrow);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const GraphLine* arrowAt(const QPoint& position, int* row) const;
    // The first and last rows the list shows now.
    QPair<int, int> rowsInView() const;
    void hover(int row);
    void updateVisibleColumns();
    void updateWidth(bool animate);
    void animateTo(qreal width);
    void scrollToRow(int row);

    QListView* m_list;
    QWidget* m_viewport;
    CommitLogModel* m_model;
    CommitRowDelegate* m_delegate;
    RepositoryState* m_state;
    std::function<const CommitGraphLayout&()> m_layout;
    GraphHighlight m_highlight;
    QVariantAnimation* m_widthAnimation;
    QTimer* m_shrinkTimer;
    QTimer* m_flashTimer;
    qreal m_targetWidth = 0;
    bool m_show = true;
    int m_maxColumns = 10;
    QString m_pendingId;
    QString m_topId; // the commit at the top of the list when the width was last set
};

} // namespace tolvane
