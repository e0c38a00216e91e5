#pragma once

#include "engine/CommitFileEntry.h"

#include <QAbstractListModel>
#include <QList>

namespace tolvane {

// The changed files of the selected commit, one row each: the status letter and the path.
class CommitFilesModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { StatusRole = Qt::UserRole + 1, PathRole };
    using QAbstractListModel::QAbstractListModel;

    void setFiles(const QList<CommitFileEntry>& files);
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<CommitFileEntry> m_files;
};

} // namespace tolvane
