#include "ui/diff/ImprovedDiffContentView.h"

#include "diff/diffLineClassifier.h"
#include "ui/common/accessibleText.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFutureWatcher>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QtConcurrent/QtConcurrentRun>

namespace tolvane {

ImprovedDiffContentView::ImprovedDiffContentView(QWidget* parent)
    : QAbstractScrollArea(parent), m_metrics(DiffLineView::metrics()) {
    // Before anything that makes the view's accessible interface (naming it does).
    installAccessibleRows();
    setObjectName(QStringLiteral("plainDiffView"));
    setAccessibleName(tr("Diff"));
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setCursor(Qt::IBeamCursor);
}

QString ImprovedDiffContentView::accessibleRowText(int row) const {
    if (row < 0 || row >= m_lines.size())
        return {};
    const DiffLine& line = m_lines[row];
    const std::optional<qint64> number =
        line.type == DiffLineType::Deletion ? line.oldNum : line.newNum;
    return diffLineSentence(line.type, int(number.value_or(0)), line.content);
}

QRect ImprovedDiffContentView::accessibleRowRect(int row) const {
    const int height = m_metrics.rowHeight;
    const int offset = row - verticalScrollBar()->value();
    if (height <= 0 || offset < 0 || offset * height >= viewport()->height())
        return {};
    return QRect(viewport()->mapTo(this, QPoint(0, offset * height)),
                 QSize(viewport()->width(), height));
}

ImprovedDiffContentView::Classified ImprovedDiffContentView::classify(const QString& text) {
    Classified content{parseDiffLines(text), 0};
    for (const DiffLine& line : std::as_const(content.lines)) {
        // Tabs are drawn four columns wide.
        const qsizetype length = line.content.size() + 3 * line.content.count(QLatin1Char('\t'));
        content.longestLine = qMax(content.longestLine, length);
    }
    return content;
}

void ImprovedDiffContentView::setContent(const QString& text,
                                         const std::optional<FileChange>& file) {
    m_file = file;
    const quint64 generation = ++m_generation;
    if (text.size() <= immediateCharacters) {
        m_classifying = false;
        install(classify(text));
        return;
    }
    m_classifying = true;
    install({});
    auto* worker = new QFutureWatcher<Classified>(this);
    connect(worker, &QFutureWatcherBase::finished, this, [this, worker, generation] {
        worker->deleteLater();
        // Only the text asked for last is shown; an older result is dropped.
        if (generation != m_generation)
            return;
        m_classifying = false;
        install(worker->result());
    });
    worker->setFuture(QtConcurrent::run(&ImprovedDiffContentView::classify, text));
}

void ImprovedDiffContentView::install(Classified content) {
    m_lines = std::move(content.lines);
    m_longestLine = content.longestLine;
    m_anchorRow = m_selectionFirst = m_selectionLast = -1;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
    if (!m_classifying)
        Q_EMIT contentReady();
}

void ImprovedDiffContentView::updateScrollBars() {
    const int rowHeight = m_metrics.rowHeight;
    const int visibleRows = qMax(1, viewport()->height() / rowHeight);
    verticalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setPageStep(visibleRows);
    verticalScrollBar()->setRange(0, qMax<qsizetype>(0, m_lines.size() - visibleRows));
    const qreal contentWidth = DiffLineView::gutterWidth + DiffLineView::contentPadding +
                               m_longestLine * m_metrics.charWidth + 8;
    const qreal range = qMin<qreal>(contentWidth - viewport()->width(), 2'000'000'000.0);
    horizontalScrollBar()->setSingleStep(int(m_metrics.charWidth * 4));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, qMax(0, int(range)));
}

void ImprovedDiffContentView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ImprovedDiffContentView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_metrics = DiffLineView::metrics();
        updateScrollBars();
    }
    QAbstractScrollArea::changeEvent(event);
}

void ImprovedDiffContentView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QPalette& pal = palette();
    const int first = verticalScrollBar()->value();
    const int rowHeight = m_metrics.rowHeight;
    const QRect area = event->rect();
    const qreal scrollX = horizontalScrollBar()->value();
    for (int row = first + area.top() / rowHeight;
         row < m_lines.size() && (row - first) * rowHeight <= area.bottom(); ++row) {
        const QRect rect(0, (row - first) * rowHeight, viewport()->width(), rowHeight);
        DiffLineView::paint(painter, rect, m_lines[row], m_metrics, pal, scrollX,
                            row >= m_selectionFirst && row <= m_selectionLast);
    }
}

int ImprovedDiffContentView::rowAt(int y) const {
    if (m_lines.isEmpty())
        return -1;
    const int row = verticalScrollBar()->value() + y / m_metrics.rowHeight;
    return qBound(0, row, int(m_lines.size()) - 1);
}

void ImprovedDiffContentView::selectRows(int first, int last) {
    m_selectionFirst = qMin(first, last);
    m_selectionLast = qMax(first, last);
    viewport()->update();
}

void ImprovedDiffContentView::scrollToRow(int row) {
    verticalScrollBar()->setValue(row);
}

int ImprovedDiffContentView::firstVisibleRow() const {
    return verticalScrollBar()->value();
}

void ImprovedDiffContentView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const int row = rowAt(event->position().toPoint().y());
    if (row < 0)
        return;
    if (!(event->modifiers() & Qt::ShiftModifier) || m_anchorRow < 0)
        m_anchorRow = row;
    selectRows(m_anchorRow, row);
}

void ImprovedDiffContentView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || m_anchorRow < 0)
        return;
    const int y = event->position().toPoint().y();
    // Dragging past an edge scrolls.
    if (y < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
    else if (y > viewport()->height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + 1);
    selectRows(m_anchorRow, rowAt(y));
}

QString ImprovedDiffContentView::selectedText() const {
    if (m_selectionFirst < 0)
        return {};
    QStringList rows;
    for (int row = m_selectionFirst; row <= m_selectionLast && row < m_lines.size(); ++row)
        rows.append(DiffLineView::sign(m_lines[row].type) + m_lines[row].content);
    return rows.join(QLatin1Char('\n'));
}

void ImprovedDiffContentView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (m_selectionFirst >= 0)
            QApplication::clipboard()->setText(selectedText());
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectRows(0, int(m_lines.size()) - 1);
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void ImprovedDiffContentView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(tr("Copy"));
    copy->setEnabled(m_selectionFirst >= 0);
    connect(copy, &QAction::triggered, this,
            [this] { QApplication::clipboard()->setText(selectedText()); });
    menu.exec(event->globalPos());
}

} // namespace tolvane
