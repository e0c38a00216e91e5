#pragma once

#include "engine/GitBranch.h"
#include "engine/branchTracking.h"

#include <QAbstractListModel>
#include <QList>

namespace tolvane {

// The branches list as one flat model: a "Local" heading, the local branches, a "Remote"
// heading, the remote-tracking branches, each in the state's order. A detached HEAD is a local row
// drawn like the current branch (it is what is checked out) and explained by its tooltip.
class BranchListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit BranchListModel(QObject* parent = nullptr);

    void setBranches(const QList<GitBranch>& branches);
    // How each local branch stands against its upstream, shown at the row's end.
    void setTracking(const BranchTrackingMap& tracking);
    std::optional<BranchTracking> trackingOf(const GitBranch& branch) const;
    // The branch at `row`, none for a heading.
    std::optional<GitBranch> branchAt(int row) const;
    // The row of the branch with this name and kind, -1 when absent.
    int rowOf(const QString& name, bool isRemote) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Row {
        QString heading;
        std::optional<GitBranch> branch;
    };
    QList<Row> m_rows;
    BranchTrackingMap m_tracking;
};

} // namespace tolvane
