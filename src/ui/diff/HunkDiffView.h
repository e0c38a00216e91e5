#pragma once

#include "diff/ParsedFileDiff.h"

#include <QSet>
#include <QWidget>
#include <optional>

class QLabel;
class QPushButton;

namespace tolvane {

class HunkScrollArea;
class RepositoryState;

// The interactive diff of a working-tree file: a toolbar for choosing hunks and staging or
// unstaging them, over the painted hunk blocks.
class HunkDiffView : public QWidget {
    Q_OBJECT
public:
    HunkDiffView(RepositoryState* state, QWidget* parent = nullptr);

    // Shows a parse. `appearing` is true when the view comes back after showing something else
    // (a diff load always passes through the loading state): its selection starts empty and the
    // state's selectable lines are rebuilt.
    void setParsed(const ParsedFileDiff& parsed, bool appearing);
    void setActive(bool active) { m_active = active; }

    const QSet<int>& selectedHunkIDs() const { return m_selectedHunkIDs; }
    void toggleHunk(int hunkId);
    void selectAllHunks();
    void deselectAllHunks();
    // Stages or unstages the selected hunks, in file order.
    void applyToSelected();
    bool isStaged() const;
    HunkScrollArea* scrollArea() const { return m_area; }

private:
    void updateToolbar();
    void onParsedDiffChanged();

    RepositoryState* m_state;
    ParsedFileDiff m_parsed;
    QSet<int> m_selectedHunkIDs;
    int m_lastHunkCount = -1; // -1 while the state has no parse
    bool m_active = false;
    QLabel* m_caption;
    QPushButton* m_selectAll;
    QPushButton* m_deselectAll;
    QPushButton* m_action;
    HunkScrollArea* m_area;
};

} // namespace tolvane
