#pragma once

#include "engine/submoduleParser.h"

#include <QAbstractListModel>
#include <QList>

namespace tolvane {

// The submodules as rows: the display text is the path; the state, its text and both commits
// are roles the row delegate paints.
class SubmoduleListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { StateText = Qt::UserRole + 1, State, Commits };

    using QAbstractListModel::QAbstractListModel;
    void setSubmodules(const QList<GitSubmodule>& submodules);
    const GitSubmodule* submoduleAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    QList<GitSubmodule> m_submodules;
};

} // namespace tolvane
