#pragma once

#include <QPlainTextEdit>

namespace tolvane {

class CommitMessageMemory;
class MessageHighlighter;

// The commit message box: faint guides at column 50 of the first line and 72 of the others, a
// first line past 72 characters marked (never refused), and misspelt words underlined, with
// suggestions and "Add to Dictionary" on right-click.
class CommitMessageEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int subjectGuide = 50;
    static constexpr int bodyGuide = 72;

    explicit CommitMessageEdit(const CommitMessageMemory& memory, QWidget* parent = nullptr);

    // The words of the text that are marked misspelt, in order; for tests.
    QStringList misspeltWords() const;
    // Whether the first line is marked as too long.
    bool marksLongSubject() const;
    // The x of a guide in the viewport, for `column`.
    qreal guideX(int column) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    MessageHighlighter* m_highlighter;
};

} // namespace tolvane
