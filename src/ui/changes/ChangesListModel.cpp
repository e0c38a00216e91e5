#include "ui/changes/ChangesListModel.h"

#include "engine/gitText.h"
#include "ui/common/accessibleText.h"
#include "ui/common/oneLineText.h"

#include <QCoreApplication>

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
    return int(m_staged.size() + m_unstagedShown + (m_unstagedShown < m_unstaged.size() ? 1 : 0));
}

ChangesListModel::RowKind ChangesListModel::kind(int row) const {
    if (row < m_staged.size())
        return RowKind::StagedFile;
    row -= int(m_staged.size());
    return row < m_unstagedShown ? RowKind::UnstagedFile : RowKind::ShowMore;
}

const FileChange* ChangesListModel::file(int row) const {
    if (row < 0 || row >= rowCount())
        return nullptr;
    switch (kind(row)) {
    case RowKind::StagedFile:
        return &m_staged[row];
    case RowKind::UnstagedFile:
        return &m_unstaged[row - m_staged.size()];
    case RowKind::ShowMore:
        return nullptr;
    }
    return nullptr;
}

int ChangesListModel::rowOf(RowKind wanted) const {
    const int staged = int(m_staged.size());
    switch (wanted) {
    case RowKind::StagedFile:
        return staged > 0 ? 0 : -1;
    case RowKind::UnstagedFile:
        return m_unstagedShown > 0 ? staged : -1;
    case RowKind::ShowMore:
        return m_unstagedShown < m_unstaged.size() ? staged + m_unstagedShown : -1;
    }
    return -1;
}

QVariant ChangesListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == KindRole)
        return int(kind(index.row()));
    const FileChange* change = file(index.row());
    if (!change) {
        // The show-more row carries a button; the row itself still says what it is.
        if (role == Qt::AccessibleTextRole) {
            const qsizetype more = m_unstaged.size() - m_unstagedShown;
            return more == 1
                       ? QCoreApplication::translate("tolvane::ChangesListModel", "1 more file")
                       : QCoreApplication::translate("tolvane::ChangesListModel", "%1 more files")
                             .arg(more);
        }
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return oneLineText(change->path);
    if (role == Qt::AccessibleTextRole)
        return fileRowSentence(oneLineText(change->path), change->status, change->isStaged);
    return {};
}

} // namespace tolvane
