#pragma once

#include <QStyledItemDelegate>

namespace tolvane {

// Paints one run of blamed lines: the commit's short hash, author and date on the commit's tint
// (stronger while hovered), a thin separator, then each line with its number, 20 pixels a line.
class BlameGroupDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int infoWidth = 200;
    static constexpr int lineHeight = 20;
    static constexpr int numberWidth = 40;

    explicit BlameGroupDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    static QFont monospaceFont(const QFont& base);
};

} // namespace tolvane
