#pragma once

#include "diff/DiffLine.h"
#include "engine/FileChange.h"
#include "ui/diff/DiffLineView.h"

#include <QAbstractScrollArea>
#include <QList>
#include <optional>

namespace tolvane {

// The plain diff: every display line of the text with its line numbers, painted row by row in a
// scroll area that scrolls both ways. Rows can be selected with the mouse (Shift extends) and
// copied with Ctrl+C.
class ImprovedDiffContentView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ImprovedDiffContentView(QWidget* parent = nullptr);

    void setContent(const QString& text, const std::optional<FileChange>& file);
    const QList<DiffLine>& lines() const { return m_lines; }
    const std::optional<FileChange>& file() const { return m_file; }
    int rowHeight() const { return m_metrics.rowHeight; }
    // The selected rows as text, one line each (what Ctrl+C copies).
    QString selectedText() const;
    void selectRows(int first, int last);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateScrollBars();
    int rowAt(int y) const;

    QList<DiffLine> m_lines;
    std::optional<FileChange> m_file;
    DiffLineView::Metrics m_metrics;
    qsizetype m_longestLine = 0;
    int m_anchorRow = -1;
    int m_selectionFirst = -1;
    int m_selectionLast = -1;
};

} // namespace tolvane
