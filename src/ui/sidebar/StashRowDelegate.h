#pragma once

#include <QStyledItemDelegate>

namespace tolvane {

// Paints the rows of the Stashes page: headings in small secondary capitals, the empty lines in
// the secondary colour, and each stash or save as a symbol, its title, and a caption with the
// branch (or the files) and how long ago it was made.
class StashRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit StashRowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace tolvane
