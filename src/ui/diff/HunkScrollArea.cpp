#include "ui/diff/HunkScrollArea.h"

#include "state/RepositoryState.h"
#include "ui/common/accessibleText.h"
#include "ui/diff/HunkDiffView.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

namespace tolvane {
namespace {
constexpr int margin = 8;
constexpr int spacing = 8;
} // namespace

HunkScrollArea::HunkScrollArea(RepositoryState* state, HunkDiffView* owner)
    : QAbstractScrollArea(owner), m_state(state), m_owner(owner),
      m_metrics(DiffLineView::metrics()) {
    // Before anything that makes the view's accessible interface (naming it does).
    installAccessibleRows();
    setObjectName(QStringLiteral("hunkScrollArea"));
    setAccessibleName(tr("Diff hunks"));
    setFrameShape(QFrame::NoFrame);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Window);
    m_boxes = HunkLineView::checkboxes(palette(), devicePixelRatioF());
}

void HunkScrollArea::setHunks(const QList<DiffHunk>& hunks, bool resetView) {
    m_hunks = hunks;
    if (resetView) {
        // Another file's lines: a Shift-click does not reach back to the last one's.
        m_anchor = {};
        m_draggingLines = false;
        m_lineSelectionShown.clear();
        verticalScrollBar()->setValue(0);
        horizontalScrollBar()->setValue(0);
    }
    m_longestLine = 0;
    for (const DiffHunk& hunk : std::as_const(m_hunks)) {
        for (const QString& line : hunk.lines)
            m_longestLine = qMax(m_longestLine, line.size() + 3 * line.count(QLatin1Char('\t')));
    }
    relayout();
}

void HunkScrollArea::reloadLineInfos() {
    m_lineIds.clear();
    const auto& infos = m_state->lineInfoByHunkID();
    for (auto it = infos.cbegin(); it != infos.cend(); ++it) {
        QHash<int, QUuid>& ids = m_lineIds[it.key()];
        for (const DiffLineInfo& info : it.value())
            ids.insert(info.lineIndex, info.id);
    }
    viewport()->update();
}

void HunkScrollArea::setLineSelectionShown(int hunkId, bool shown) {
    if (shown)
        m_lineSelectionShown.insert(hunkId);
    else
        m_lineSelectionShown.remove(hunkId);
    relayout();
}

void HunkScrollArea::relayout() {
    m_offsets.resize(m_hunks.size() + 1);
    int y = margin;
    for (qsizetype i = 0; i < m_hunks.size(); ++i) {
        m_offsets[i] = y;
        y += HunkBlockView::height(m_hunks[i], m_lineSelectionShown.contains(m_hunks[i].id),
                                   m_metrics.rowHeight) +
             spacing;
    }
    m_offsets[m_hunks.size()] = y - spacing + margin;
    updateScrollBars();
    viewport()->update();
}

void HunkScrollArea::updateScrollBars() {
    const int total = m_offsets.isEmpty() ? 0 : m_offsets.back();
    verticalScrollBar()->setRange(0, qMax(0, total - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(m_metrics.rowHeight * 3);
    const qreal width = 2 * margin + HunkLineView::checkboxColumn + HunkLineView::textPadding +
                        m_longestLine * m_metrics.charWidth + 8;
    horizontalScrollBar()->setRange(0, qMax(0, int(qMin<qreal>(width, 2e9)) - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(int(m_metrics.charWidth * 4));
}

void HunkScrollArea::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void HunkScrollArea::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        m_boxes = HunkLineView::checkboxes(palette(), devicePixelRatioF());
    QAbstractScrollArea::changeEvent(event);
}

HunkBlockView::Input HunkScrollArea::input(int index) const {
    const DiffHunk& hunk = m_hunks[index];
    HunkBlockView::Input in;
    in.hunk = &hunk;
    in.isSelected = m_owner->selectedHunkIDs().contains(hunk.id);
    in.isStaged = m_owner->isStaged();
    in.hasDiscard = !in.isStaged;
    in.isHovered = index == m_hovered;
    in.showLineSelection = m_lineSelectionShown.contains(hunk.id);
    if (in.showLineSelection) {
        const QSet<QUuid> chosen = m_state->lineSelectionsByHunkID().value(hunk.id);
        const QHash<int, QUuid> ids = m_lineIds.value(hunk.id);
        for (auto it = ids.cbegin(); it != ids.cend(); ++it) {
            in.selectableLines.insert(it.key());
            if (chosen.contains(it.value()))
                in.selectedLines.insert(it.key());
        }
        in.selectedLineCount = int(in.selectedLines.size());
    }
    return in;
}

HunkBlockView::Layout HunkScrollArea::layoutFor(int index, const HunkBlockView::Input& in) const {
    const int top = m_offsets[index] - verticalScrollBar()->value();
    const int height = m_offsets[index + 1] - m_offsets[index] - spacing;
    const QRect block(margin, top, viewport()->width() - 2 * margin, height);
    return HunkBlockView::layout(block, in, *this, m_metrics.rowHeight);
}

int HunkScrollArea::blockAt(int contentY) const {
    if (m_hunks.isEmpty())
        return -1;
    // The last block whose top is at or above y.
    const auto it = std::upper_bound(m_offsets.cbegin(), m_offsets.cend() - 1, contentY);
    const int index = int(it - m_offsets.cbegin()) - 1;
    return index < 0 ? 0 : index;
}

void HunkScrollArea::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int scrollY = verticalScrollBar()->value();
    const qreal scrollX = horizontalScrollBar()->value();
    for (int i = qMax(0, blockAt(scrollY + area.top())); i < m_hunks.size(); ++i) {
        if (m_offsets[i] - scrollY > area.bottom())
            break;
        const HunkBlockView::Input in = input(i);
        const HunkBlockView::Layout layout = layoutFor(i, in);
        painter.save();
        painter.setClipRect(layout.block.intersected(area));
        HunkBlockView::paint(painter, layout, in, *this, m_metrics, m_boxes, scrollX);
        painter.restore();
    }
}

void HunkScrollArea::setHovered(int index) {
    if (index == m_hovered)
        return;
    m_hovered = index;
    viewport()->update();
}

void HunkScrollArea::mouseMoveEvent(QMouseEvent* event) {
    if (m_draggingLines && event->buttons().testFlag(Qt::LeftButton)) {
        const int line = anchorLineAt(event->position().toPoint());
        if (line > 0 && line != m_anchor.lastLine) {
            m_anchor.lastLine = line;
            m_state->selectLineRange(m_anchor.hunkId, m_anchor.lineIndex, line, m_anchor.select,
                                     m_anchor.base);
        }
    }
    const int y = event->position().toPoint().y();
    const int index = blockAt(verticalScrollBar()->value() + y);
    const bool inside =
        index >= 0 && y + verticalScrollBar()->value() < m_offsets[index + 1] - spacing;
    setHovered(inside ? index : -1);
}

void HunkScrollArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_draggingLines = false;
    QAbstractScrollArea::mouseReleaseEvent(event);
}

int HunkScrollArea::anchorLineAt(const QPoint& point) const {
    for (int index = 0; index < m_hunks.size(); ++index) {
        if (m_hunks[index].id != m_anchor.hunkId)
            continue;
        const HunkBlockView::Input in = input(index);
        const HunkBlockView::Layout layout = layoutFor(index, in);
        if (layout.body.isEmpty() || m_metrics.rowHeight <= 0)
            return 0;
        // Above or below the hunk the drag keeps to its first or last line.
        const int y = std::clamp(point.y(), layout.body.top(), layout.body.bottom());
        const int line = (y - layout.body.top()) / m_metrics.rowHeight + 1;
        return in.selectableLines.contains(line) ? line : 0;
    }
    return 0;
}

bool HunkScrollArea::lineRangePress(int index, const HunkBlockView::Hit& hit,
                                    Qt::KeyboardModifiers modifiers) {
    if (hit.part != HunkBlockView::Part::LineCheckbox)
        return false;
    const int hunkId = m_hunks[index].id;
    const QUuid id = m_lineIds.value(hunkId).value(hit.lineIndex);
    if (id.isNull())
        return true;
    const QSet<QUuid> current = m_state->lineSelectionsByHunkID().value(hunkId);
    if (modifiers.testFlag(Qt::ShiftModifier) && m_anchor.hunkId == hunkId) {
        m_state->selectLineRange(hunkId, m_anchor.lineIndex, hit.lineIndex, m_anchor.select);
        return true;
    }
    m_anchor = {hunkId, hit.lineIndex, !current.contains(id), current, hit.lineIndex};
    m_draggingLines = true;
    m_state->selectLineRange(hunkId, hit.lineIndex, hit.lineIndex, m_anchor.select, current);
    return true;
}

void HunkScrollArea::leaveEvent(QEvent* event) {
    setHovered(-1);
    QAbstractScrollArea::leaveEvent(event);
}

void HunkScrollArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    const int index = blockAt(verticalScrollBar()->value() + point.y());
    if (index < 0)
        return;
    setHovered(index);
    const HunkBlockView::Input in = input(index);
    const HunkBlockView::Layout layout = layoutFor(index, in);
    const HunkBlockView::Hit hit = HunkBlockView::hitTest(layout, in, point, m_metrics.rowHeight);
    if (!lineRangePress(index, hit, event->modifiers()))
        click(index, hit);
}

void HunkScrollArea::click(int index, const HunkBlockView::Hit& hit) {
    const DiffHunk hunk = m_hunks[index];
    const bool staged = m_owner->isStaged();
    switch (hit.part) {
    case HunkBlockView::Part::Checkbox:
        m_owner->toggleHunk(hunk.id);
        break;
    case HunkBlockView::Part::LineSelectionToggle:
        setLineSelectionShown(hunk.id, !m_lineSelectionShown.contains(hunk.id));
        break;
    case HunkBlockView::Part::StageOrUnstage:
        if (staged)
            m_state->unstageHunks({hunk});
        else
            m_state->stageHunks({hunk});
        break;
    case HunkBlockView::Part::Discard:
        if (!staged)
            m_state->askDiscardHunks({hunk});
        break;
    case HunkBlockView::Part::SelectAllLines:
        m_state->selectAllLinesInHunk(hunk.id);
        break;
    case HunkBlockView::Part::DeselectLines:
        m_state->clearLineSelection(hunk.id);
        break;
    case HunkBlockView::Part::StageLines:
        if (staged)
            m_state->unstageSelectedLines(hunk);
        else
            m_state->stageSelectedLines(hunk);
        break;
    case HunkBlockView::Part::LineCheckbox:
        if (const QUuid id = m_lineIds.value(hunk.id).value(hit.lineIndex); !id.isNull())
            m_state->toggleLineSelection(id, hunk.id);
        break;
    case HunkBlockView::Part::None:
        break;
    }
}

bool HunkScrollArea::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int index = blockAt(verticalScrollBar()->value() + help->pos().y());
        QString text;
        if (index >= 0) {
            const HunkBlockView::Input in = input(index);
            const HunkBlockView::Layout layout = layoutFor(index, in);
            text = HunkBlockView::helpText(
                HunkBlockView::hitTest(layout, in, help->pos(), m_metrics.rowHeight).part, in);
        }
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

QRect HunkScrollArea::partRect(int hunkIndex, HunkBlockView::Part part, int lineIndex) {
    if (hunkIndex < 0 || hunkIndex >= m_hunks.size())
        return {};
    const HunkBlockView::Input in = input(hunkIndex);
    // Bring the part into view first.
    HunkBlockView::Layout layout = layoutFor(hunkIndex, in);
    int targetY = layout.header.top();
    if (part == HunkBlockView::Part::LineCheckbox)
        targetY = layout.body.top() + (lineIndex - 1) * m_metrics.rowHeight;
    if (targetY < 0 || targetY + m_metrics.rowHeight > viewport()->height()) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() + targetY - margin);
        layout = layoutFor(hunkIndex, in);
    }
    switch (part) {
    case HunkBlockView::Part::Checkbox:
        return layout.checkbox;
    case HunkBlockView::Part::LineSelectionToggle:
        return layout.lineToggle;
    case HunkBlockView::Part::StageOrUnstage:
        return layout.stage;
    case HunkBlockView::Part::Discard:
        return layout.discard;
    case HunkBlockView::Part::SelectAllLines:
        return layout.selectAllLines;
    case HunkBlockView::Part::DeselectLines:
        return layout.deselectLines;
    case HunkBlockView::Part::StageLines:
        return layout.stageLines;
    case HunkBlockView::Part::LineCheckbox:
        if (lineIndex < 1 || lineIndex >= m_hunks[hunkIndex].lines.size())
            return {};
        return HunkLineView::checkboxRect(
            QRect(layout.body.left(), layout.body.top() + (lineIndex - 1) * m_metrics.rowHeight,
                  layout.body.width(), m_metrics.rowHeight));
    case HunkBlockView::Part::None:
        break;
    }
    return {};
}

int HunkScrollArea::accessibleRowCount() const {
    int rows = 0;
    for (const DiffHunk& hunk : m_hunks)
        rows += std::max(1, int(hunk.lines.size()));
    return rows;
}

QString HunkScrollArea::accessibleRowText(int row) const {
    for (const DiffHunk& hunk : m_hunks) {
        // Element 0 of a hunk's lines is its header.
        const int rows = std::max(1, int(hunk.lines.size()));
        if (row >= rows) {
            row -= rows;
            continue;
        }
        if (row == 0)
            return hunk.header;
        // The numbers count from the header's starts, as git does.
        static const QRegularExpression starts(QStringLiteral(R"(^@@ -(\d+)(?:,\d+)? \+(\d+))"));
        const QRegularExpressionMatch match = starts.match(hunk.header);
        qint64 oldLine = match.hasMatch() ? match.captured(1).toLongLong() : 0;
        qint64 newLine = match.hasMatch() ? match.captured(2).toLongLong() : 0;
        for (int i = 1; i < row; ++i) {
            const QChar mark = hunk.lines[i].isEmpty() ? QLatin1Char(' ') : hunk.lines[i][0];
            if (mark != u'+' && mark != u'\\')
                ++oldLine;
            if (mark != u'-' && mark != u'\\')
                ++newLine;
        }
        const QString& line = hunk.lines[row];
        const QChar mark = line.isEmpty() ? QLatin1Char(' ') : line[0];
        const QString content = line.mid(1);
        if (mark == u'+')
            return diffLineSentence(DiffLineType::Addition, int(newLine), content);
        if (mark == u'-')
            return diffLineSentence(DiffLineType::Deletion, int(oldLine), content);
        if (mark == u'\\')
            return line;
        return diffLineSentence(DiffLineType::Context, int(newLine), content);
    }
    return {};
}

} // namespace tolvane
