#pragma once

#include "diff/DiffHunk.h"
#include "ui/common/accessibleRows.h"
#include "ui/diff/DiffLineView.h"
#include "ui/diff/HunkBlockView.h"
#include "ui/diff/HunkLineView.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QList>
#include <QSet>
#include <QUuid>

namespace tolvane {

class HunkDiffView;
class RepositoryState;

// The body of the hunk view: every hunk painted as a HunkBlockView in one scroll area. Only the
// blocks on screen are laid out and painted; block offsets are kept as running sums so that
// finding the first visible block is a binary search.
class HunkScrollArea : public QAbstractScrollArea, public AccessibleRows {
    Q_OBJECT
public:
    HunkScrollArea(RepositoryState* state, HunkDiffView* owner);

    void setHunks(const QList<DiffHunk>& hunks, bool resetView);
    const QList<DiffHunk>& hunks() const { return m_hunks; }
    // Re-reads the selectable lines after the state rebuilt its line infos.
    void reloadLineInfos();

    bool isLineSelectionShown(int hunkId) const { return m_lineSelectionShown.contains(hunkId); }
    void setLineSelectionShown(int hunkId, bool shown);

    // Where a part of a hunk is, in viewport coordinates, after scrolling the hunk into view.
    // Null when the hunk or part does not exist.
    QRect partRect(int hunkIndex, HunkBlockView::Part part, int lineIndex = 0);
    int hoveredHunk() const { return m_hovered; }
    void relayout();

    // Each hunk's header, then each of its body lines.
    int accessibleRowCount() const override;
    QString accessibleRowText(int row) const override;
    QRect accessibleRowRect(int) const override { return {}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    HunkBlockView::Input input(int index) const;
    HunkBlockView::Layout layoutFor(int index, const HunkBlockView::Input& input) const;
    int blockAt(int contentY) const;
    void updateScrollBars();
    void setHovered(int index);
    void click(int index, const HunkBlockView::Hit& hit);

    RepositoryState* m_state;
    HunkDiffView* m_owner;
    QList<DiffHunk> m_hunks;
    QList<int> m_offsets; // top of each block in content coordinates, then the total height
    QSet<int> m_lineSelectionShown;
    // Per hunk id: line index -> selectable line id.
    QHash<int, QHash<int, QUuid>> m_lineIds;
    DiffLineView::Metrics m_metrics;
    HunkLineView::Checkboxes m_boxes;
    qsizetype m_longestLine = 0;
    int m_hovered = -1;
    // The line last clicked: Shift-click selects the lines from it, and dragging from it selects
    // the lines passed over, the same way the click went (on or off).
    struct LineAnchor {
        int hunkId = -1;
        int lineIndex = 0;
        bool select = true;
        QSet<QUuid> base;
        int lastLine = 0;
    };
    LineAnchor m_anchor;
    bool m_draggingLines = false;
    // The selectable line under a viewport point in the anchor's hunk, or 0.
    int anchorLineAt(const QPoint& point) const;
    bool lineRangePress(int index, const HunkBlockView::Hit& hit, Qt::KeyboardModifiers modifiers);
};

} // namespace tolvane
