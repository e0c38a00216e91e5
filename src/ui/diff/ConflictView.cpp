#include "ui/diff/ConflictView.h"

#include "engine/gitText.h"
#include "state/RepositoryState.h"
#include "ui/common/oneLineText.h"
#include "ui/common/viewColors.h"

#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tolvane {
namespace {

constexpr int maxSideLines = 14;

QString plural(qsizetype count, const QString& noun) {
    return QString::number(count) + QLatin1Char(' ') + noun +
           (count == 1 ? QString() : QStringLiteral("s"));
}

// One side of a block, read-only, as tall as its text up to a limit.
QWidget* sideColumn(const QString& title, const QString& text, const QColor& tint,
                    const QString& name, QWidget* parent) {
    auto* column = new QWidget(parent);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* label = new QLabel(title, column);
    QPalette labelPalette = label->palette();
    labelPalette.setColor(QPalette::WindowText, tint);
    label->setPalette(labelPalette);
    layout->addWidget(label);
    auto* edit = new QPlainTextEdit(column);
    edit->setObjectName(name);
    edit->setAccessibleName(title);
    edit->setReadOnly(true);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Line endings are the file's business; the text shows without them.
    QString shown = displayText(text);
    shown.remove(u'\r');
    if (shown.endsWith(u'\n'))
        shown.chop(1);
    edit->setPlainText(shown);
    const int textLines = int(shown.count(u'\n')) + 1;
    const int lines = std::clamp(textLines, 1, maxSideLines);
    if (textLines <= maxSideLines)
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QFontMetrics metrics(edit->font());
    const QMargins margins = edit->contentsMargins();
    edit->setFixedHeight(lines * metrics.lineSpacing() + 2 * edit->frameWidth() +
                         int(2 * edit->document()->documentMargin()) + margins.top() +
                         margins.bottom() + 4);
    QPalette editPalette = edit->palette();
    editPalette.setColor(QPalette::Base, ViewColors::withAlpha(tint, 0.10));
    edit->setPalette(editPalette);
    layout->addWidget(edit);
    return column;
}

QPushButton* choiceButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setCheckable(true);
    return button;
}

} // namespace

ConflictView::ConflictView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("conflictView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(8);

    auto* titleRow = new QHBoxLayout;
    m_path = new QLabel(this);
    m_path->setObjectName(QStringLiteral("conflictPath"));
    QFont bold = m_path->font();
    bold.setWeight(QFont::DemiBold);
    m_path->setFont(bold);
    titleRow->addWidget(m_path);
    m_kind = new QLabel(this);
    m_kind->setObjectName(QStringLiteral("conflictKind"));
    // The secondary text colour, following the palette.
    m_kind->setForegroundRole(QPalette::PlaceholderText);
    titleRow->addWidget(m_kind);
    titleRow->addStretch(1);
    // The buttons have a row of their own, so that a long path or a narrow pane cuts none off.
    m_path->setMinimumWidth(1);
    auto* actionRow = new QHBoxLayout;
    m_takeOurs = new QPushButton(QStringLiteral("Take Ours"), this);
    m_takeOurs->setObjectName(QStringLiteral("takeOursButton"));
    m_takeTheirs = new QPushButton(QStringLiteral("Take Theirs"), this);
    m_takeTheirs->setObjectName(QStringLiteral("takeTheirsButton"));
    m_mergeTool = new QPushButton(QStringLiteral("Open in Merge Tool"), this);
    m_mergeTool->setObjectName(QStringLiteral("mergeToolButton"));
    m_markResolved = new QPushButton(QStringLiteral("Mark Resolved"), this);
    m_markResolved->setObjectName(QStringLiteral("markResolvedButton"));
    for (QPushButton* button : {m_takeOurs, m_takeTheirs, m_mergeTool, m_markResolved})
        actionRow->addWidget(button);
    actionRow->addStretch(1);
    layout->addLayout(titleRow);
    layout->addLayout(actionRow);

    auto* statusRow = new QHBoxLayout;
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("conflictStatus"));
    m_status->setWordWrap(true);
    statusRow->addWidget(m_status, 1);
    m_write = new QPushButton(QStringLiteral("Write File"), this);
    m_write->setObjectName(QStringLiteral("writeResolutionButton"));
    statusRow->addWidget(m_write);
    layout->addLayout(statusRow);

    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("conflictBlocks"));
    m_scroll->setAccessibleName(tr("Conflict blocks"));
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    layout->addWidget(m_scroll, 1);

    const auto path = [this] {
        return m_state->conflictFile() ? m_state->conflictFile()->path : QString();
    };
    connect(m_takeOurs, &QPushButton::clicked, this,
            [this, path] { m_state->takeConflictSide(path(), true); });
    connect(m_takeTheirs, &QPushButton::clicked, this,
            [this, path] { m_state->takeConflictSide(path(), false); });
    connect(m_markResolved, &QPushButton::clicked, this,
            [this, path] { m_state->markConflictResolved(path()); });
    connect(m_mergeTool, &QPushButton::clicked, this,
            [this, path] { m_state->openInMergeTool(path()); });
    connect(m_write, &QPushButton::clicked, this, [this] { m_state->writeConflictResolution(); });
    for (auto signal :
         {&RepositoryState::conflictFileChanged, &RepositoryState::conflictTextChanged,
          &RepositoryState::conflictIsBinaryChanged})
        connect(state, signal, this, &ConflictView::rebuild);
    connect(state, &RepositoryState::conflictChoicesChanged, this, &ConflictView::updateChoices);
    rebuild();
}

void ConflictView::rebuild() {
    const std::optional<UnmergedEntry>& file = m_state->conflictFile();
    m_path->setText(file ? oneLineText(file->path) : QString());
    m_kind->setText(file ? QStringLiteral("— ") + conflictKindText(file->kind) : QString());
    m_takeOurs->setEnabled(file.has_value());
    m_takeTheirs->setEnabled(file.has_value());

    m_blockButtons.clear();
    m_blocks = new QWidget;
    auto* blocksLayout = new QVBoxLayout(m_blocks);
    blocksLayout->setContentsMargins(0, 0, 0, 0);
    blocksLayout->setSpacing(14);
    const std::optional<ConflictText>& text = m_state->conflictText();
    const bool binary = m_state->conflictIsBinary();
    // A binary file has no blocks to choose between, only its two whole sides.
    m_write->setVisible(!binary && text && !text->blocks.isEmpty());
    if (text) {
        for (qsizetype i = 0; i < text->blocks.size(); ++i) {
            const ConflictBlock& block = text->blocks[i];
            auto* frame = new QFrame(m_blocks);
            frame->setObjectName(QStringLiteral("conflictBlock%1").arg(i));
            frame->setFrameShape(QFrame::StyledPanel);
            auto* frameLayout = new QVBoxLayout(frame);
            frameLayout->setContentsMargins(8, 6, 8, 8);
            auto* header = new QHBoxLayout;
            auto* title = new QLabel(
                QStringLiteral("Conflict %1 of %2").arg(i + 1).arg(text->blocks.size()), frame);
            QFont titleFont = title->font();
            titleFont.setWeight(QFont::DemiBold);
            title->setFont(titleFont);
            header->addWidget(title);
            auto* choiceState = new QLabel(frame);
            header->addWidget(choiceState);
            header->addStretch(1);
            BlockButtons buttons{
                choiceButton(QStringLiteral("Use Ours"), QStringLiteral("useOurs%1").arg(i), frame),
                choiceButton(QStringLiteral("Use Theirs"), QStringLiteral("useTheirs%1").arg(i),
                             frame),
                choiceButton(QStringLiteral("Use Both"), QStringLiteral("useBoth%1").arg(i), frame),
                choiceState};
            const int index = int(i);
            connect(buttons.ours, &QPushButton::clicked, this,
                    [this, index] { m_state->chooseConflictBlock(index, BlockChoice::Ours); });
            connect(buttons.theirs, &QPushButton::clicked, this,
                    [this, index] { m_state->chooseConflictBlock(index, BlockChoice::Theirs); });
            connect(buttons.both, &QPushButton::clicked, this,
                    [this, index] { m_state->chooseConflictBlock(index, BlockChoice::Both); });
            frameLayout->addLayout(header);
            auto* choices = new QHBoxLayout;
            choices->addWidget(buttons.ours);
            choices->addWidget(buttons.theirs);
            choices->addWidget(buttons.both);
            choices->addStretch(1);
            frameLayout->addLayout(choices);
            auto* sides = new QHBoxLayout;
            const QString oursTitle =
                QStringLiteral("Ours") +
                (block.oursLabel.isEmpty()
                     ? QString()
                     : QStringLiteral(" (") + displayText(block.oursLabel) + QLatin1Char(')'));
            const QString theirsTitle =
                QStringLiteral("Theirs") +
                (block.theirsLabel.isEmpty()
                     ? QString()
                     : QStringLiteral(" (") + displayText(block.theirsLabel) + QLatin1Char(')'));
            sides->addWidget(sideColumn(oursTitle, block.ours, ViewColors::blue(palette()),
                                        QStringLiteral("oursText%1").arg(i), frame));
            if (block.base)
                sides->addWidget(sideColumn(QStringLiteral("Base"), *block.base, ViewColors::gray(),
                                            QStringLiteral("baseText%1").arg(i), frame));
            sides->addWidget(sideColumn(theirsTitle, block.theirs, ViewColors::purple(),
                                        QStringLiteral("theirsText%1").arg(i), frame));
            frameLayout->addLayout(sides);
            blocksLayout->addWidget(frame);
            m_blockButtons.append(buttons);
        }
    }
    blocksLayout->addStretch(1);
    m_scroll->setWidget(m_blocks); // deletes the previous blocks
    updateChoices();
}

void ConflictView::updateChoices() {
    const QList<BlockChoice>& choices = m_state->conflictChoices();
    for (qsizetype i = 0; i < m_blockButtons.size() && i < choices.size(); ++i) {
        const BlockButtons& buttons = m_blockButtons[i];
        buttons.ours->setChecked(choices[i] == BlockChoice::Ours);
        buttons.theirs->setChecked(choices[i] == BlockChoice::Theirs);
        buttons.both->setChecked(choices[i] == BlockChoice::Both);
        switch (choices[i]) {
        case BlockChoice::Undecided:
            buttons.state->setText(QStringLiteral("— undecided"));
            break;
        case BlockChoice::Ours:
            buttons.state->setText(QStringLiteral("— using ours"));
            break;
        case BlockChoice::Theirs:
            buttons.state->setText(QStringLiteral("— using theirs"));
            break;
        case BlockChoice::Both:
            buttons.state->setText(QStringLiteral("— using both, ours first"));
            break;
        }
    }
    const std::optional<ConflictText>& text = m_state->conflictText();
    const qsizetype undecided = m_state->undecidedConflictBlocks();
    QString status;
    if (m_state->conflictIsBinary())
        status = QStringLiteral("Binary file: take our or their version whole.");
    else if (!text)
        status =
            m_state->conflictFile() ? QStringLiteral("The file cannot be shown here.") : QString();
    else if (text->blocks.isEmpty())
        status = QStringLiteral("No conflict markers left. Mark the file resolved when it is "
                                "right.");
    else if (undecided > 0)
        status = plural(undecided, QStringLiteral("block")) + QStringLiteral(" of ") +
                 QString::number(text->blocks.size()) +
                 QStringLiteral(" still undecided: the file is written once every block is "
                                "decided.");
    else
        status = QStringLiteral("Every block is decided. Write the file, then mark it resolved.");
    m_status->setText(status);
    m_write->setEnabled(text && !text->blocks.isEmpty() && undecided == 0);
}

} // namespace tolvane
