#include "ui/submodules/SubmoduleListModel.h"

namespace tolvane {

void SubmoduleListModel::setSubmodules(const QList<GitSubmodule>& submodules) {
    if (submodules == m_submodules)
        return;
    beginResetModel();
    m_submodules = submodules;
    endResetModel();
}

const GitSubmodule* SubmoduleListModel::submoduleAt(int row) const {
    return row >= 0 && row < m_submodules.size() ? &m_submodules[row] : nullptr;
}

int SubmoduleListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_submodules.size());
}

QVariant SubmoduleListModel::data(const QModelIndex& index, int role) const {
    const GitSubmodule* submodule = submoduleAt(index.row());
    if (!submodule)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return submodule->path;
    case StateText:
        return submoduleStateText(*submodule);
    case State:
        return int(submodule->state);
    case Commits: {
        const QString recorded = submodule->recordedCommit.left(7);
        if (submodule->checkedOutCommit.isEmpty())
            return QStringLiteral("recorded ") + recorded;
        if (submodule->checkedOutCommit == submodule->recordedCommit)
            return QStringLiteral("at ") + recorded;
        return QStringLiteral("recorded ") + recorded + QStringLiteral(", checked out ") +
               submodule->checkedOutCommit.left(7);
    }
    case Qt::ToolTipRole:
        return submodule->path + QStringLiteral("\nRecorded: ") + submodule->recordedCommit +
               QStringLiteral("\nChecked out: ") +
               (submodule->checkedOutCommit.isEmpty() ? QStringLiteral("—")
                                                      : submodule->checkedOutCommit);
    default:
        return {};
    }
}

} // namespace tolvane
