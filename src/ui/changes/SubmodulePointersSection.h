#pragma once

#include "engine/FileChange.h"

#include <QList>
#include <QWidget>

class QLabel;
class QListView;
class QPushButton;
class QStandardItemModel;

namespace tolvane {

class RepositoryState;

// Unstaged submodule pointer changes, listed apart from the other changes: Stage All leaves them
// alone, so each is staged here on purpose. Selecting one shows the commits between the two
// pointers. Hidden while there are none.
class SubmodulePointersSection : public QWidget {
    Q_OBJECT
public:
    explicit SubmodulePointersSection(RepositoryState* state, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }

private:
    void rebuild();
    QList<FileChange> selectedChanges() const;

    RepositoryState* m_state;
    QLabel* m_header;
    QListView* m_list;
    QPushButton* m_stage;
    QStandardItemModel* m_model;
    QList<FileChange> m_changes;
};

} // namespace tolvane
