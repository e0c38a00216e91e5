#include "ui/diff/HunkDiffView.h"

#include "state/RepositoryState.h"
#include "ui/common/SymbolIcon.h"
#include "ui/diff/HunkScrollArea.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvane {

HunkDiffView::HunkDiffView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("hunkDiffView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* toolbar = new QWidget(this);
    toolbar->setObjectName(QStringLiteral("hunkToolbar"));
    auto* bar = new QHBoxLayout(toolbar);
    bar->setContentsMargins(10, 6, 10, 6);
    m_caption = new QLabel(toolbar);
    m_caption->setObjectName(QStringLiteral("hunkSelectionCaption"));
    QFont caption = m_caption->font();
    caption.setPointSizeF(caption.pointSizeF() - 1);
    m_caption->setFont(caption);
    m_selectAll = new QPushButton(QStringLiteral("Select All"), toolbar);
    m_selectAll->setObjectName(QStringLiteral("selectAllHunksButton"));
    m_deselectAll = new QPushButton(QStringLiteral("Deselect All"), toolbar);
    m_deselectAll->setObjectName(QStringLiteral("deselectAllHunksButton"));
    m_action = new QPushButton(toolbar);
    m_action->setObjectName(QStringLiteral("hunkActionButton"));
    bar->addWidget(m_caption);
    bar->addStretch(1);
    bar->addWidget(m_selectAll);
    bar->addWidget(m_deselectAll);
    bar->addWidget(m_action);
    layout->addWidget(toolbar);

    m_area = new HunkScrollArea(state, this);
    layout->addWidget(m_area, 1);

    connect(m_selectAll, &QPushButton::clicked, this, &HunkDiffView::selectAllHunks);
    connect(m_deselectAll, &QPushButton::clicked, this, &HunkDiffView::deselectAllHunks);
    connect(m_action, &QPushButton::clicked, this, &HunkDiffView::applyToSelected);
    connect(state, &RepositoryState::parsedDiffChanged, this, &HunkDiffView::onParsedDiffChanged);
    connect(state, &RepositoryState::selectedFileChanged, this, [this] {
        updateToolbar();
        m_area->viewport()->update();
    });
    connect(state, &RepositoryState::lineSelectionsByHunkIDChanged, m_area->viewport(),
            qOverload<>(&QWidget::update));
    updateToolbar();
}

bool HunkDiffView::isStaged() const {
    return m_state->selectedFile() && m_state->selectedFile()->isStaged;
}

void HunkDiffView::setParsed(const ParsedFileDiff& parsed, bool appearing) {
    m_parsed = parsed;
    m_active = true;
    if (appearing) {
        m_selectedHunkIDs.clear();
        const auto& current = m_state->parsedDiff();
        m_lastHunkCount = current ? int(current->hunks.size()) : -1;
        m_state->buildLineInfoCache();
    }
    m_area->setHunks(parsed.hunks, appearing);
    m_area->reloadLineInfos();
    updateToolbar();
}

void HunkDiffView::onParsedDiffChanged() {
    if (!m_active)
        return;
    const auto& current = m_state->parsedDiff();
    const int count = current ? int(current->hunks.size()) : -1;
    if (count == m_lastHunkCount)
        return;
    m_lastHunkCount = count;
    m_state->buildLineInfoCache();
    m_area->reloadLineInfos();
}

void HunkDiffView::toggleHunk(int hunkId) {
    if (!m_selectedHunkIDs.remove(hunkId))
        m_selectedHunkIDs.insert(hunkId);
    updateToolbar();
    m_area->viewport()->update();
}

void HunkDiffView::selectAllHunks() {
    for (const DiffHunk& hunk : std::as_const(m_parsed.hunks))
        m_selectedHunkIDs.insert(hunk.id);
    updateToolbar();
    m_area->viewport()->update();
}

void HunkDiffView::deselectAllHunks() {
    m_selectedHunkIDs.clear();
    updateToolbar();
    m_area->viewport()->update();
}

void HunkDiffView::applyToSelected() {
    if (m_selectedHunkIDs.isEmpty())
        return;
    QList<DiffHunk> hunks;
    for (const DiffHunk& hunk : std::as_const(m_parsed.hunks)) {
        if (m_selectedHunkIDs.contains(hunk.id))
            hunks.append(hunk);
    }
    m_selectedHunkIDs.clear();
    updateToolbar();
    m_area->viewport()->update();
    if (isStaged())
        m_state->unstageHunks(hunks);
    else
        m_state->stageHunks(hunks);
}

void HunkDiffView::updateToolbar() {
    const qsizetype selected = m_selectedHunkIDs.size();
    m_caption->setVisible(selected > 0);
    m_caption->setText(QString::number(selected) + QStringLiteral(" of ") +
                       QString::number(m_parsed.hunks.size()) + QStringLiteral(" selected"));
    const bool staged = isStaged();
    m_action->setText(staged ? QStringLiteral("Unstage Selected")
                             : QStringLiteral("Stage Selected"));
    m_action->setIcon(
        symbolIcon(staged ? QStringLiteral("minus.circle") : QStringLiteral("plus.circle")));
    // The prominent style for staging: the default-button look of the platform.
    m_action->setDefault(!staged);
    m_action->setEnabled(selected > 0);
}

} // namespace tolvane
