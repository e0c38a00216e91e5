#pragma once

#include "engine/GitCommit.h"
#include "graph/CommitGraphData.h"
#include "graph/LaneGraphLayouter.h"
#include "graph/compactGraphLayout.h"
#include "ui/common/namePrompts.h"

#include <QHash>
#include <QSet>
#include <QWidget>

class QLabel;
class QListView;
class QMenu;
class QToolButton;
class QVBoxLayout;

namespace tolvane {

class CommitLogModel;
class CommitRowDelegate;
class ConfirmationPresenter;
class GraphInteraction;
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
    // The lane layout by row, brought up to date and complete.
    const CommitGraphLayout& graph();
    GraphInteraction* graphInteraction() const { return m_interaction; }
    // How often the lane layout has been computed (once per change of the list or HEAD).
    int graphComputations() const { return m_graphComputations; }
    void buildContextMenu(const GitCommit& commit, QMenu* menu);
    // Tests answer the branch name and date dialogs without showing them.
    void setBranchNamePrompt(BranchNamePrompt prompt) { m_branchPrompt = std::move(prompt); }
    void setWarningAlert(WarningAlert alert) { m_warning = std::move(alert); }
    void setDatePrompt(DatePrompt prompt) { m_datePrompt = std::move(prompt); }
    // Asks for a branch name (again, with a warning, after an invalid one) and makes the branch
    // at the commit.
    void showBranchAtCommitDialog(const GitCommit& commit);
    // Asks for a day and lists the history down to it.
    void showGoToDateDialog();

protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reload();
    void ensureGraph();
    void layOutThrough(int row);
    void layOutMore();
    // The layout with at least the rows on screen laid out.
    const CommitGraphLayout& graphOnScreen();
    void invalidateGraph();
    void updateHeader();
    void readSettings();
    // Reaching the end of the list loads the next page.
    void loadMoreAtEnd();
    void reveal(const QString& id);
    void addHistoryPlan(QVBoxLayout* layout);

    RepositoryState* m_state;
    CommitGraphLayout m_graph;
    // Lays out the rest of a long list after the rows on screen.
    std::unique_ptr<CompactGraphLayouter> m_layouter;
    LaneGraphLayouter m_laneLayouter;
    // Rows of the list still the commits the graph was last laid out for.
    qsizetype m_rowsLaidOutSame = 0;
    qsizetype m_appendedKeptRows = 0;
    bool m_layingOutMore = false;
    bool m_shortenLines = true;
    QSet<QString> m_selected;
    int m_graphComputations = 0;
    bool m_graphDirty = true;
    QLabel* m_count = nullptr;
    QToolButton* m_filter = nullptr;
    QListView* m_list;
    CommitLogModel* m_model;
    CommitRowDelegate* m_delegate;
    GraphInteraction* m_interaction;
    ConfirmationPresenter* m_confirmations;
    BranchNamePrompt m_branchPrompt;
    WarningAlert m_warning;
    DatePrompt m_datePrompt;
    bool m_reloading = false;
};

} // namespace tolvane
