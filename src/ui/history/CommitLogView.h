#pragma once

#include "engine/GitCommit.h"
#include "graph/CommitGraphData.h"

#include <QHash>
#include <QSet>
#include <QWidget>

class QLabel;
class QListView;
class QMenu;
class QToolButton;

namespace tolvane {

class CommitLogModel;
class CommitRowDelegate;
class DialogPresenter;
class RepositoryState;

// The history pane: the "History" header with the commit count and branch filter, the commit
// rows with graph and badges, paging, the row menu and the history dialogs.
class CommitLogView : public QWidget {
    Q_OBJECT
public:
    CommitLogView(RepositoryState* state, QWidget* parent = nullptr);

    QListView* list() const { return m_list; }
    CommitLogModel* model() const { return m_model; }
    CommitRowDelegate* delegate() const { return m_delegate; }
    // The lane layout, brought up to date first.
    const QHash<QString, CommitGraphData>& graph();
    // How often the lane layout has been computed (once per change of the list or HEAD).
    int graphComputations() const { return m_graphComputations; }
    void buildContextMenu(const GitCommit& commit, QMenu* menu);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    void ensureGraph();
    void invalidateGraph();
    void updateHeader();
    void readSettings();

    RepositoryState* m_state;
    QHash<QString, CommitGraphData> m_graph;
    QSet<QString> m_selected;
    int m_graphComputations = 0;
    bool m_graphDirty = true;
    QLabel* m_count;
    QToolButton* m_filter;
    QListView* m_list;
    CommitLogModel* m_model;
    CommitRowDelegate* m_delegate;
    DialogPresenter* m_dialogs;
};

} // namespace tolvane
