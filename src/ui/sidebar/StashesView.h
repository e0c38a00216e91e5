#pragma once

#include <QWidget>

class QListView;
class QMenu;
class QModelIndex;

namespace tolvane {

class ConfirmationAlert;
class ConfirmationPresenter;
class RepositoryState;
class StashListModel;

// The "Stashes" sidebar page: the stashes with "Apply", "Pop" and "Drop…", the recently
// discarded changes with "Restore", and "Stash Changes…" with its sheet. Selecting a row shows
// its diff in the diff area.
class StashesView : public QWidget {
    Q_OBJECT
public:
    StashesView(RepositoryState* state, QWidget* parent);

    // The context menu of a row; none for headings and empty lines.
    QMenu* contextMenu(int row, QWidget* parent);

    QListView* list() const { return m_list; }
    StashListModel* model() const { return m_model; }
    ConfirmationAlert* openDialog() const;

private:
    void refill();
    void rowClicked(const QModelIndex& index);

    RepositoryState* m_state;
    StashListModel* m_model;
    QListView* m_list;
    ConfirmationPresenter* m_confirmations = nullptr;
};

} // namespace tolvane
