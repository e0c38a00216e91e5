#include "ui/diff/CommitFilesModel.h"

#include "engine/gitText.h"
#include "ui/common/accessibleText.h"
#include "ui/common/oneLineText.h"

namespace tolvane {

void CommitFilesModel::setFiles(const QList<CommitFileEntry>& files) {
    beginResetModel();
    m_files = files;
    endResetModel();
}

int CommitFilesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_files.size());
}

QVariant CommitFilesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_files.size())
        return {};
    const CommitFileEntry& entry = m_files[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return oneLineText(entry.path);
    case StatusRole:
        return entry.status;
    case PathRole:
        return entry.path;
    case Qt::AccessibleTextRole: {
        const std::optional<ChangeStatus> status = changeStatusFromText(entry.status.left(1));
        return status ? oneLineText(entry.path) + QStringLiteral(", ") + statusWord(*status)
                      : oneLineText(entry.path);
    }
    default:
        return {};
    }
}

} // namespace tolvane
