#pragma once

#include "engine/GitCommit.h"

#include <QAbstractListModel>
#include <QList>

namespace tolvane {

// The loaded commits, newest first, and a last "Load More Commits" row while more exist.
class CommitLogModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Shows `commits`, which must stay alive (and be given again whenever it changes): the model
    // keeps no copy, so that the list's owner can append to it in place.
    void setCommits(const QList<GitCommit>& commits, bool hasMore);
    int rowCount(const QModelIndex& parent = {}) const override;
    // The list view asks for every row's index whenever rows are added; this answers without
    // the base class's virtual row and column counts.
    QModelIndex index(int row, int column = 0, const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The commit of a row, or null for the load-more row.
    const GitCommit* commit(int row) const;
    bool hasLoadMoreRow() const { return m_hasMore; }

private:
    const QList<GitCommit>* m_commits = &m_none;
    QList<GitCommit> m_none;
    bool m_hasMore = false;
};

} // namespace tolvane
