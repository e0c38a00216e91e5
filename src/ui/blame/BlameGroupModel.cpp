#include "ui/blame/BlameGroupModel.h"

#include "ui/common/accessibleText.h"

namespace tolvane {

BlameGroupModel::BlameGroupModel(QObject* parent) : QAbstractListModel(parent) {}

void BlameGroupModel::setLines(const QList<GitBlameLine>& lines) {
    beginResetModel();
    m_groups = blameGroups(lines);
    if (rowOfGroup(m_hovered) < 0)
        m_hovered.clear();
    endResetModel();
}

void BlameGroupModel::setHoveredGroup(const QString& id) {
    if (id == m_hovered)
        return;
    const int before = rowOfGroup(m_hovered);
    m_hovered = id;
    const int after = rowOfGroup(m_hovered);
    for (const int row : {before, after}) {
        if (row >= 0)
            Q_EMIT dataChanged(index(row), index(row), {IsHoveredRole});
    }
}

int BlameGroupModel::rowOfGroup(const QString& id) const {
    if (id.isEmpty())
        return -1;
    for (int row = 0; row < m_groups.size(); ++row) {
        if (m_groups.at(row).id == id)
            return row;
    }
    return -1;
}

int BlameGroupModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_groups.size());
}

QVariant BlameGroupModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_groups.size())
        return {};
    const BlameGroup& group = m_groups.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case GroupIdRole:
        return group.id;
    case IsHoveredRole:
        return !m_hovered.isEmpty() && group.id == m_hovered;
    case Qt::AccessibleTextRole: {
        if (group.lines.isEmpty())
            return blameGroupSentence(0, 0, group.commitHash.left(7), group.author, group.date);
        const GitBlameLine& first = group.lines.first();
        return blameGroupSentence(first.id, group.lines.last().id, first.shortHash(), group.author,
                                  group.date);
    }
    default:
        return {};
    }
}

} // namespace tolvane
