#pragma once

#include "state/blameGroups.h"

#include <QAbstractListModel>

namespace tolvane {

// The runs of a blamed file, one row per group, and which group the pointer is over.
class BlameGroupModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { IsHoveredRole = Qt::UserRole + 1, GroupIdRole };

    explicit BlameGroupModel(QObject* parent = nullptr);

    void setLines(const QList<GitBlameLine>& lines);
    const QList<BlameGroup>& groups() const { return m_groups; }
    const BlameGroup& groupAt(int row) const { return m_groups.at(row); }

    // The id of the hovered group, empty for none.
    QString hoveredGroup() const { return m_hovered; }
    void setHoveredGroup(const QString& id);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    int rowOfGroup(const QString& id) const;

    QList<BlameGroup> m_groups;
    QString m_hovered;
};

} // namespace tolvane
