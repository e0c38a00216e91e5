#include "ui/remotes/RemoteTableModel.h"

namespace tolvane {

void RemoteTableModel::setRemotes(const QList<GitRemote>& remotes) {
    if (remotes == m_remotes)
        return;
    beginResetModel();
    m_remotes = remotes;
    endResetModel();
}

const GitRemote* RemoteTableModel::remoteAt(int row) const {
    return row >= 0 && row < m_remotes.size() ? &m_remotes[row] : nullptr;
}

int RemoteTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_remotes.size());
}

int RemoteTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant RemoteTableModel::data(const QModelIndex& index, int role) const {
    const GitRemote* remote = remoteAt(index.row());
    if (!remote || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (index.column()) {
    case 0:
        return remote->name;
    case 1:
        return remote->fetchUrl;
    case 2:
        return remote->pushUrl;
    default:
        return {};
    }
}

QVariant RemoteTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0:
        return QStringLiteral("Name");
    case 1:
        return QStringLiteral("Fetch address");
    case 2:
        return QStringLiteral("Push address");
    default:
        return {};
    }
}

} // namespace tolvane
