#include "ui/sidebar/BranchListModel.h"

#include "ui/common/viewColors.h"
#include "ui/sidebar/sidebarRoles.h"

#include <QColor>

namespace tolvane {

BranchListModel::BranchListModel(QObject* parent) : QAbstractListModel(parent) {
    setBranches({});
}

void BranchListModel::setBranches(const QList<GitBranch>& branches) {
    beginResetModel();
    m_rows.clear();
    m_rows.append({QStringLiteral("Local"), std::nullopt});
    for (const GitBranch& branch : branches) {
        if (!branch.isRemote)
            m_rows.append({{}, branch});
    }
    m_rows.append({QStringLiteral("Remote"), std::nullopt});
    for (const GitBranch& branch : branches) {
        if (branch.isRemote)
            m_rows.append({{}, branch});
    }
    endResetModel();
}

void BranchListModel::setTracking(const BranchTrackingMap& tracking) {
    if (tracking == m_tracking)
        return;
    m_tracking = tracking;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0), index(int(m_rows.size()) - 1));
}

std::optional<BranchTracking> BranchListModel::trackingOf(const GitBranch& branch) const {
    if (branch.isRemote || branch.isDetached)
        return std::nullopt;
    auto it = m_tracking.constFind(branch.name);
    // git names a branch "heads/x" where a tag is also called x.
    if (it == m_tracking.cend() && branch.name.startsWith(QLatin1StringView("heads/")))
        it = m_tracking.constFind(branch.name.mid(6));
    if (it == m_tracking.cend())
        return std::nullopt;
    return *it;
}

std::optional<GitBranch> BranchListModel::branchAt(int row) const {
    if (row < 0 || row >= m_rows.size())
        return std::nullopt;
    return m_rows.at(row).branch;
}

int BranchListModel::rowOf(const QString& name, bool isRemote) const {
    for (int row = 0; row < m_rows.size(); ++row) {
        const auto& branch = m_rows.at(row).branch;
        if (branch && branch->name == name && branch->isRemote == isRemote)
            return row;
    }
    return -1;
}

int BranchListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant BranchListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return row.branch ? row.branch->name : row.heading;
    case Qt::ToolTipRole:
        if (row.branch && row.branch->isDetached)
            return QStringLiteral("HEAD is not on a branch. Create a branch here to keep new "
                                  "commits.");
        if (row.branch) {
            if (const auto tracking = trackingOf(*row.branch))
                return trackingDescription(*tracking);
        }
        return {};
    case SidebarRoles::Trailing:
        if (row.branch) {
            if (const auto tracking = trackingOf(*row.branch))
                return trackingCountsText(*tracking);
        }
        return {};
    case SidebarRoles::Heading:
        return !row.branch.has_value();
    case SidebarRoles::Symbol:
        if (!row.branch)
            return {};
        return row.branch->isCurrent ? QStringLiteral("checkmark.circle.fill")
                                     : QStringLiteral("arrow.triangle.branch");
    case SidebarRoles::SymbolColor:
        if (row.branch && row.branch->isCurrent)
            return ViewColors::green();
        return {};
    case SidebarRoles::Emphasis:
        return row.branch && row.branch->isCurrent;
    default:
        return {};
    }
}

Qt::ItemFlags BranchListModel::flags(const QModelIndex& index) const {
    if (!index.isValid() || !branchAt(index.row()))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace tolvane
