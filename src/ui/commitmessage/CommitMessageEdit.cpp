#include "ui/commitmessage/CommitMessageEdit.h"

#include "engine/commitMessageText.h"
#include "platform/SpellChecker.h"
#include "state/CommitMessageMemory.h"
#include "ui/common/viewColors.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QPainter>
#include <QSyntaxHighlighter>
#include <QTextBlock>

namespace tolvane {

class MessageHighlighter : public QSyntaxHighlighter {
public:
    MessageHighlighter(const CommitMessageMemory& memory, QTextDocument* document)
        : QSyntaxHighlighter(document), m_memory(memory) {}

    QList<WordSpan> misspelt(const QString& text) const {
        QList<WordSpan> wrong;
        SpellChecker& checker = SpellChecker::shared();
        for (const WordSpan& span : wordsToCheck(text, m_memory.stagedIdentifiers())) {
            if (!checker.isCorrect(text.mid(span.start, span.length)))
                wrong.append(span);
        }
        return wrong;
    }

protected:
    void highlightBlock(const QString& text) override {
        if (currentBlock().blockNumber() == 0 && text.size() > CommitMessageEdit::bodyGuide) {
            QTextCharFormat overflow;
            overflow.setBackground(ViewColors::withAlpha(ViewColors::orange(), 0.28));
            setFormat(CommitMessageEdit::bodyGuide, int(text.size()) - CommitMessageEdit::bodyGuide,
                      overflow);
        }
        for (const WordSpan& span : misspelt(text)) {
            for (qsizetype i = span.start; i < span.start + span.length; ++i) {
                QTextCharFormat wrong = format(int(i));
                wrong.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
                wrong.setUnderlineColor(ViewColors::red());
                setFormat(int(i), 1, wrong);
            }
        }
    }

private:
    const CommitMessageMemory& m_memory;
};

CommitMessageEdit::CommitMessageEdit(const CommitMessageMemory& memory, QWidget* parent)
    : QPlainTextEdit(parent), m_highlighter(new MessageHighlighter(memory, document())) {
    // Columns only line up in a fixed-width font.
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(font().pointSizeF());
    setFont(fixed);
    connect(&memory, &CommitMessageMemory::stagedIdentifiersChanged, m_highlighter,
            &QSyntaxHighlighter::rehighlight);
}

QStringList CommitMessageEdit::misspeltWords() const {
    QStringList words;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (const WordSpan& span : m_highlighter->misspelt(text))
            words.append(text.mid(span.start, span.length));
    }
    return words;
}

bool CommitMessageEdit::marksLongSubject() const {
    const QTextBlock first = document()->firstBlock();
    if (first.text().size() <= bodyGuide)
        return false;
    for (const QTextLayout::FormatRange& range : first.layout()->formats()) {
        if (range.start == bodyGuide && range.format.background().style() != Qt::NoBrush)
            return true;
    }
    return false;
}

qreal CommitMessageEdit::guideX(int column) const {
    return contentOffset().x() + document()->documentMargin() +
           QFontMetricsF(font()).horizontalAdvance(QString(column, u'x'));
}

void CommitMessageEdit::paintEvent(QPaintEvent* event) {
    QPlainTextEdit::paintEvent(event);
    QPainter painter(viewport());
    QColor guide = palette().color(QPalette::Text);
    guide.setAlphaF(0.12);
    painter.setPen(QPen(guide, 1));
    const int height = viewport()->height();
    QTextBlock block = firstVisibleBlock();
    const QPointF offset = contentOffset();
    // The first line's guide spans that line; every other line's spans the rest.
    qreal firstBottom = 0;
    if (block.isValid() && block.blockNumber() == 0) {
        const QRectF first = blockBoundingGeometry(block).translated(offset);
        firstBottom = first.bottom();
        painter.drawLine(QPointF(guideX(subjectGuide), first.top()),
                         QPointF(guideX(subjectGuide), first.bottom()));
    }
    painter.drawLine(QPointF(guideX(bodyGuide), std::max<qreal>(0, firstBottom)),
                     QPointF(guideX(bodyGuide), height));
}

void CommitMessageEdit::contextMenuEvent(QContextMenuEvent* event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu(event->pos()));
    QTextCursor cursor = cursorForPosition(event->pos());
    const QTextBlock block = cursor.block();
    const qsizetype at = cursor.positionInBlock();
    const QString text = block.text();
    for (const WordSpan& span : m_highlighter->misspelt(text)) {
        if (at < span.start || at > span.start + span.length)
            continue;
        const QString word = text.mid(span.start, span.length);
        QAction* first = menu->actions().value(0);
        const QStringList suggestions = SpellChecker::shared().suggestions(word).mid(0, 6);
        for (const QString& suggestion : suggestions) {
            auto* action = new QAction(suggestion, menu.get());
            connect(action, &QAction::triggered, this, [this, block, span, suggestion] {
                QTextCursor replace(block);
                replace.setPosition(block.position() + int(span.start));
                replace.setPosition(block.position() + int(span.start + span.length),
                                    QTextCursor::KeepAnchor);
                replace.insertText(suggestion);
            });
            menu->insertAction(first, action);
        }
        if (suggestions.isEmpty()) {
            auto* none = new QAction(QStringLiteral("No Suggestions"), menu.get());
            none->setEnabled(false);
            menu->insertAction(first, none);
        }
        auto* add = new QAction(QStringLiteral("Add to Dictionary"), menu.get());
        add->setObjectName(QStringLiteral("addToDictionaryAction"));
        connect(add, &QAction::triggered, this, [this, word] {
            SpellChecker::shared().addWord(word);
            m_highlighter->rehighlight();
        });
        menu->insertAction(first, add);
        menu->insertSeparator(first);
        break;
    }
    menu->exec(event->globalPos());
}

} // namespace tolvane
