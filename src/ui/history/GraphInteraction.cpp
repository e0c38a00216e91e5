#include "ui/history/GraphInteraction.h"

#include "engine/gitText.h"
#include "state/RepositoryState.h"
#include "ui/history/CommitGraphView.h"
#include "ui/history/CommitLogModel.h"
#include "ui/history/CommitRowDelegate.h"

#include <QCursor>
#include <QEvent>
#include <QHelpEvent>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QVariantAnimation>

namespace tolvane {
namespace {

constexpr qreal columnWidth = CommitGraphView::defaultColumnWidth;
constexpr qreal rowHeight = CommitGraphView::defaultRowHeight;
// The graph takes at most this share of the pane, so that subjects stay readable.
constexpr qreal widestShare = 0.45;

} // namespace

GraphInteraction::GraphInteraction(QListView* list, CommitLogModel* model,
                                   CommitRowDelegate* delegate, RepositoryState* state,
                                   std::function<const CommitGraphLayout&()> layout,
                                   QObject* parent)
    : QObject(parent), m_list(list), m_viewport(list->viewport()), m_model(model),
      m_delegate(delegate), m_state(state), m_layout(std::move(layout)),
      m_widthAnimation(new QVariantAnimation(this)), m_shrinkTimer(new QTimer(this)),
      m_flashTimer(new QTimer(this)) {
    m_delegate->setHighlight(&m_highlight);
    m_viewport->setMouseTracking(true);
    m_viewport->installEventFilter(this);

    m_widthAnimation->setDuration(160);
    m_widthAnimation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_widthAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        m_delegate->setGraphWidth(v.toReal());
        m_viewport->update();
    });
    // Narrowing waits until scrolling pauses, so that the text does not move back and forth.
    m_shrinkTimer->setSingleShot(true);
    m_shrinkTimer->setInterval(300);
    connect(m_shrinkTimer, &QTimer::timeout, this, [this] { animateTo(m_targetWidth); });
    m_flashTimer->setSingleShot(true);
    m_flashTimer->setInterval(1200);
    connect(m_flashTimer, &QTimer::timeout, this, [this] {
        m_delegate->setFlashRow(-1);
        m_viewport->update();
    });
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        updateWidth(true);
        // The row under the pointer changes when the wheel scrolls.
        const QPoint at = m_viewport->mapFromGlobal(QCursor::pos());
        if (m_highlight.isActive() && m_viewport->rect().contains(at))
            hover(m_list->indexAt(at).row());
    });
}

void GraphInteraction::setGraphSettings(bool show, int maxColumns) {
    m_show = show;
    m_maxColumns = maxColumns;
    updateVisibleColumns();
    updateWidth(false);
}

void GraphInteraction::updateVisibleColumns() {
    const qreal widest = m_viewport->width() * widestShare;
    const int fitting = std::max(5, int((widest - 18) / columnWidth));
    m_delegate->setGraphSettings(m_show, std::min(m_maxColumns, fitting));
}

void GraphInteraction::layoutChanged() {
    const int hovered = m_highlight.row();
    const CommitGraphLayout& layout = m_layout();
    m_highlight = hovered < layout.rows.size() ? GraphHighlight(layout, hovered) : GraphHighlight();
    // A new list jumps to its width; rows that stay on screen while their lines change (a
    // page loaded below, a new HEAD) glide to theirs.
    const GitCommit* top = m_model->commit(rowsInView().first);
    updateWidth(top && top->id == m_topId);
}

QPair<int, int> GraphInteraction::rowsInView() const {
    // Rows are all one height, so the scroll position tells them without asking the list,
    // which would lay out all its items first (in a paint, that would ask for another).
    const int top = m_list->verticalScrollBar()->value();
    const int height = CommitRowDelegate::rowHeight;
    return {top / height, (top + std::max(1, m_viewport->height()) - 1) / height};
}

void GraphInteraction::rowsReloaded() {
    if (m_pendingId.isEmpty())
        return;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const GitCommit* commit = m_model->commit(r);
        if (commit && commit->id == m_pendingId) {
            m_pendingId.clear();
            // The rows exist now; the list lays them out before it can scroll to one.
            QTimer::singleShot(0, this, [this, r] { scrollToRow(r); });
            return;
        }
    }
    if (!m_state->hasMoreCommits() && !m_state->isLoadingMore())
        m_pendingId.clear();
}

void GraphInteraction::updateWidth(bool animate) {
    qreal target = CommitRowDelegate::noGraphGap;
    if (m_show) {
        const CommitGraphLayout& layout = m_layout();
        const int rows = int(layout.rows.size());
        const auto [first, inView] = rowsInView();
        const int last = std::min(inView, rows - 1);
        const int visible = m_delegate->visibleColumns();
        for (int r = first; r <= last; ++r)
            target = std::max(
                target, CommitGraphView::canvasWidth(layout.rows.at(r), visible, columnWidth));
    }
    m_targetWidth = target;
    const GitCommit* top = m_model->commit(rowsInView().first);
    m_topId = top ? top->id : QString();
    const qreal current = m_delegate->graphWidth();
    if (!animate || !m_list->isVisible()) {
        m_shrinkTimer->stop();
        m_widthAnimation->stop();
        m_delegate->setGraphWidth(target);
        return;
    }
    const bool moving = m_widthAnimation->state() == QAbstractAnimation::Running;
    const qreal heading = moving ? m_widthAnimation->endValue().toReal() : current;
    if (qAbs(target - heading) < 0.5) {
        m_shrinkTimer->stop();
        return;
    }
    if (target > heading) {
        m_shrinkTimer->stop();
        animateTo(target);
    } else {
        m_shrinkTimer->start();
    }
}

void GraphInteraction::animateTo(qreal width) {
    m_widthAnimation->stop();
    m_widthAnimation->setStartValue(m_delegate->graphWidth());
    m_widthAnimation->setEndValue(width);
    m_widthAnimation->start();
}

void GraphInteraction::hover(int row) {
    if (row == m_highlight.row())
        return;
    const CommitGraphLayout& layout = m_layout();
    m_highlight =
        row >= 0 && row < layout.rows.size() ? GraphHighlight(layout, row) : GraphHighlight();
    m_viewport->update();
}

const GraphLine* GraphInteraction::arrowAt(const QPoint& position, int* row) const {
    if (!m_show || position.x() >= m_delegate->graphWidth())
        return nullptr;
    const QModelIndex index = m_list->indexAt(position);
    const CommitGraphLayout& layout = m_layout();
    if (!index.isValid() || index.row() >= layout.rows.size())
        return nullptr;
    const QRect rect = m_list->visualRect(index);
    const QPointF origin(rect.left(), rect.top() + (rect.height() - rowHeight) / 2);
    *row = index.row();
    return CommitGraphView::arrowAt(layout.rows.at(index.row()), QPointF(position) - origin,
                                    m_delegate->visibleColumns(), columnWidth, rowHeight);
}

GraphInteraction::Destination GraphInteraction::destinationOf(const GraphLine& arrow) const {
    const CommitGraphLayout& layout = m_layout();
    // Targets count the whole list, laid out or not.
    const int rows = m_model->rowCount() - (m_model->hasLoadMoreRow() ? 1 : 0);
    if (arrow.type == LineType::ArrowUp)
        return Destination{arrow.source, {}};
    if (arrow.target >= 0 && arrow.target < rows)
        return Destination{arrow.target, {}};
    const int missing = arrow.target - rows;
    if (missing >= 0 && missing < layout.missingParents.size())
        return Destination{-1, layout.missingParents.at(missing)};
    return {};
}

QString GraphInteraction::arrowToolTip(const GraphLine& arrow) const {
    const Destination destination = destinationOf(arrow);
    const QString lead = arrow.type == LineType::ArrowUp ? QStringLiteral("Comes from ")
                                                         : QStringLiteral("Continues to ");
    if (const GitCommit* commit = m_model->commit(destination.row)) {
        return lead + commit->shortHash + QLatin1Char(' ') + displayText(commit->message) +
               QStringLiteral("\nClick to go there.");
    }
    if (!destination.missingId.isEmpty()) {
        return lead + destination.missingId.left(7) +
               QStringLiteral(", not loaded yet.\nClick to load the history down to it.");
    }
    return {};
}

void GraphInteraction::follow(const GraphLine& arrow) {
    const Destination destination = destinationOf(arrow);
    if (destination.row >= 0)
        return scrollToRow(destination.row);
    if (destination.missingId.isEmpty())
        return;
    m_pendingId = destination.missingId;
    rowsReloaded(); // listed after all (above its child in a damaged history)
    if (!m_pendingId.isEmpty())
        m_state->loadCommitsThrough(m_pendingId);
}

void GraphInteraction::scrollToRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_list->scrollTo(m_model->index(row), QAbstractItemView::PositionAtCenter);
    m_delegate->setFlashRow(row);
    m_flashTimer->start();
    m_highlight = GraphHighlight(m_layout(), row);
    m_viewport->update();
}

bool GraphInteraction::eventFilter(QObject* watched, QEvent* event) {
    // Compared by address only: while the list is being destroyed it is no scroll area any more.
    if (watched != m_viewport)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove: {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        int row = -1;
        const bool onArrow = arrowAt(at, &row) != nullptr;
        if (onArrow)
            m_viewport->setCursor(Qt::PointingHandCursor);
        else
            m_viewport->unsetCursor();
        // Only the graph column highlights, so that moving over the subjects stays calm.
        const bool inGraph = m_show && at.x() < m_delegate->graphWidth();
        hover(inGraph ? m_list->indexAt(at).row() : -1);
        break;
    }
    case QEvent::Leave:
        hover(-1);
        break;
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(event);
        int row = -1;
        if (const GraphLine* arrow = arrowAt(help->pos(), &row)) {
            QToolTip::showText(help->globalPos(), arrowToolTip(*arrow), m_viewport);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        int row = -1;
        if (mouse->button() == Qt::LeftButton) {
            if (const GraphLine* arrow = arrowAt(mouse->position().toPoint(), &row)) {
                if (event->type() == QEvent::MouseButtonPress)
                    follow(*arrow);
                return true;
            }
        }
        break;
    }
    case QEvent::Resize:
        updateVisibleColumns();
        updateWidth(false);
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tolvane
