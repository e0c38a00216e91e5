#include "ui/sidebar/TagListModel.h"

#include "ui/sidebar/sidebarRoles.h"

namespace tolvane {

TagListModel::TagListModel(QObject* parent) : QStringListModel(parent) {}

QVariant TagListModel::data(const QModelIndex& index, int role) const {
    if (role == SidebarRoles::Symbol)
        return QStringLiteral("tag");
    if (role == SidebarRoles::Heading || role == SidebarRoles::Emphasis)
        return false;
    return QStringListModel::data(index, role);
}

Qt::ItemFlags TagListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

} // namespace tolvane
