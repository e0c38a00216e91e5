#include "ui/changes/ChangesListModel.h"

#include "engine/gitText.h"

namespace tolvane {

void ChangesListModel::setRows(const QList<FileChange>& staged, const QList<FileChange>& unstaged,
                               int limit) {
    beginResetModel();
    m_staged = staged;
    m_unstaged = unstaged;
    m_unstagedShown = int(qMin<qsizetype>(limit, unstaged.size()));
    endResetModel();
}

int ChangesListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return int(1 + m_staged.size() + 2 + m_unstagedShown +
               (m_unstagedShown < m_unstaged.size() ? 1 : 0));
}

ChangesListModel::RowKind ChangesListModel::kind(int row) const {
    if (row == 0)
        return RowKind::StagedHeader;
    row -= 1;
    if (row < m_staged.size())
        return RowKind::StagedFile;
    row -= int(m_staged.size());
    if (row == 0)
        return RowKind::Divider;
    if (row == 1)
        return RowKind::UnstagedHeader;
    row -= 2;
    return row < m_unstagedShown ? RowKind::UnstagedFile : RowKind::ShowMore;
}

const FileChange* ChangesListModel::file(int row) const {
    switch (kind(row)) {
    case RowKind::StagedFile:
        return &m_staged[row - 1];
    case RowKind::UnstagedFile:
        return &m_unstaged[row - 3 - m_staged.size()];
    default:
        return nullptr;
    }
}

int ChangesListModel::rowOf(RowKind wanted) const {
    const int staged = int(m_staged.size());
    switch (wanted) {
    case RowKind::StagedHeader:
        return 0;
    case RowKind::StagedFile:
        return staged > 0 ? 1 : -1;
    case RowKind::Divider:
        return 1 + staged;
    case RowKind::UnstagedHeader:
        return 2 + staged;
    case RowKind::UnstagedFile:
        return m_unstagedShown > 0 ? 3 + staged : -1;
    case RowKind::ShowMore:
        return m_unstagedShown < m_unstaged.size() ? 3 + staged + m_unstagedShown : -1;
    }
    return -1;
}

QVariant ChangesListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == KindRole)
        return int(kind(index.row()));
    const FileChange* change = file(index.row());
    if (!change)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return displayText(change->path);
    return {};
}

} // namespace tolvane
