#pragma once

#include "diff/DiffLine.h"
#include "engine/FileChange.h"
#include "ui/common/accessibleRows.h"
#include "ui/diff/DiffLineView.h"

#include <QAbstractScrollArea>
#include <QList>
#include <optional>

namespace tolvane {

// The plain diff: every display line of the text with its line numbers, painted row by row in a
// scroll area that scrolls both ways. Rows can be selected with the mouse (Shift extends) and
// copied with Ctrl+C. A long text is classified into lines on a worker, so that a huge diff never
// blocks the interface; the view stays empty until its lines arrive.
class ImprovedDiffContentView : public QAbstractScrollArea, public AccessibleRows {
    Q_OBJECT
public:
    // Texts up to this many characters are classified at once: it takes well under a frame, and
    // the view never shows an empty frame for them.
    static constexpr qsizetype immediateCharacters = 32'000;

    explicit ImprovedDiffContentView(QWidget* parent = nullptr);

    void setContent(const QString& text, const std::optional<FileChange>& file);
    // True while the lines of the last text are still being classified.
    bool isClassifying() const { return m_classifying; }
    const QList<DiffLine>& lines() const { return m_lines; }
    const std::optional<FileChange>& file() const { return m_file; }
    int rowHeight() const { return m_metrics.rowHeight; }
    // The selected rows as text, one line each (what Ctrl+C copies).
    QString selectedText() const;
    void selectRows(int first, int last);
    // Brings `row` to the top, or as near as the end of the text allows.
    void scrollToRow(int row);
    int firstVisibleRow() const;

    int accessibleRowCount() const override { return int(m_lines.size()); }
    QString accessibleRowText(int row) const override;
    QRect accessibleRowRect(int row) const override;
    int accessibleCurrentRow() const override { return m_selectionFirst; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

Q_SIGNALS:
    // The lines of the last text are in place.
    void contentReady();

private:
    struct Classified {
        QList<DiffLine> lines;
        qsizetype longestLine = 0;
    };
    static Classified classify(const QString& text);
    void install(Classified content);
    void updateScrollBars();
    int rowAt(int y) const;

    quint64 m_generation = 0;
    bool m_classifying = false;
    QList<DiffLine> m_lines;
    std::optional<FileChange> m_file;
    DiffLineView::Metrics m_metrics;
    qsizetype m_longestLine = 0;
    int m_anchorRow = -1;
    int m_selectionFirst = -1;
    int m_selectionLast = -1;
};

} // namespace tolvane
