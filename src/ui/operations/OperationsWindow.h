#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tolvane {

class AppState;
class RepositoryState;

// "History of Operations": every journaled operation of the active repository, newest first,
// with its time and what it did, and Undo to any done one (undoing everything after it too).
class OperationsWindow : public QWidget {
    Q_OBJECT
public:
    explicit OperationsWindow(AppState& app, QWidget* parent = nullptr);

    // The list shows this repository's journal; none shows an empty list.
    void showState(RepositoryState* state);

private:
    void rebuild();
    void updateButton();
    void undoToSelected();

    AppState& m_app;
    QPointer<RepositoryState> m_state;
    QLabel* m_title;
    QTreeWidget* m_list;
    QPushButton* m_undoButton;
    QList<QMetaObject::Connection> m_connections;
};

} // namespace tolvane
