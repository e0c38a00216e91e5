#pragma once

#include <QStringListModel>

namespace tolvane {

// The tag names, each row drawn with the tag symbol; not editable.
class TagListModel : public QStringListModel {
    Q_OBJECT
public:
    explicit TagListModel(QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
};

} // namespace tolvane
