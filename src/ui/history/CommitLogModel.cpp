#include "ui/history/CommitLogModel.h"

#include "engine/gitText.h"
#include "engine/relativeDate.h"
#include "ui/common/accessibleText.h"
#include "ui/history/refBadges.h"

#include <QCoreApplication>
#include <QDateTime>

namespace tolvane {

void CommitLogModel::setCommits(const QList<GitCommit>& commits, bool hasMore) {
    beginResetModel();
    m_commits = &commits;
    m_hasMore = hasMore;
    endResetModel();
}

int CommitLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_commits->size()) + (m_hasMore ? 1 : 0);
}

QModelIndex CommitLogModel::index(int row, int column, const QModelIndex& parent) const {
    const qsizetype rows = m_commits->size() + (m_hasMore ? 1 : 0);
    if (column != 0 || row < 0 || row >= rows || parent.isValid())
        return {};
    return createIndex(row, 0);
}

const GitCommit* CommitLogModel::commit(int row) const {
    return row >= 0 && row < m_commits->size() ? &(*m_commits)[row] : nullptr;
}

QVariant CommitLogModel::data(const QModelIndex& index, int role) const {
    const GitCommit* c = commit(index.row());
    if (!c) {
        if (role == Qt::AccessibleTextRole && index.row() == rowCount() - 1 && m_hasMore)
            return QCoreApplication::translate("tolvane::CommitLogModel", "Load more commits");
        return {};
    }
    if (role == Qt::DisplayRole)
        return c->message;
    if (role == Qt::ToolTipRole)
        return c->fullMessage.isEmpty() ? c->message : c->fullMessage.toString();
    if (role == Qt::AccessibleTextRole)
        return commitRowSentence(c->message, displayText(c->author),
                                 gitRelativeDate(c->authorTime, QDateTime::currentSecsSinceEpoch()),
                                 c->shortHash, parseRefs(c->refs));
    return {};
}

} // namespace tolvane
