#pragma once

#include "engine/remoteParser.h"

#include <QAbstractTableModel>

namespace tolvane {

// The remotes as a table: name, fetch address, push address (shown as configured).
class RemoteTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setRemotes(const QList<GitRemote>& remotes);
    const GitRemote* remoteAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<GitRemote> m_remotes;
};

} // namespace tolvane
