#pragma once

#include "engine/conflictState.h"

#include <QWidget>

class QLabel;
class QListView;
class QMenu;

namespace tolvane {

class ConflictListModel;
class RepositoryState;

// The "Conflicts" section at the top of the changes list: each unmerged file with how it
// conflicts, selected like any changed file, with a menu to take a side or mark it resolved.
class ConflictsSection : public QWidget {
    Q_OBJECT
public:
    explicit ConflictsSection(RepositoryState* state, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    // Fills `menu` with the row menu of a conflicted file.
    void buildContextMenu(const UnmergedEntry& entry, QMenu* menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();

    RepositoryState* m_state;
    QLabel* m_header;
    QListView* m_list;
    ConflictListModel* m_model;
};

} // namespace tolvane
