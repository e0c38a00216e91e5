#include "ui/diff/CommitFileDelegate.h"

#include "ui/common/viewColors.h"
#include "ui/diff/CommitFilesModel.h"

#include <QFontDatabase>
#include <QPainter>

namespace tolvane {

QColor CommitFileDelegate::letterColor(const QString& status, const QPalette& palette) {
    if (status == u"A")
        return ViewColors::green();
    if (status == u"M")
        return ViewColors::orange();
    if (status == u"D")
        return ViewColors::red();
    if (status == u"R")
        return ViewColors::blue();
    return ViewColors::secondary(palette);
}

void CommitFileDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const QString status = index.data(CommitFilesModel::StatusRole).toString();
    const QString path = index.data(Qt::DisplayRole).toString();
    painter->save();
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setBold(true);
    painter->setFont(mono);
    painter->setPen(letterColor(status, option.palette));
    const QRect letter(option.rect.left() + 8, option.rect.top(), 16, option.rect.height());
    painter->drawText(letter, Qt::AlignCenter, status.left(1));
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Text));
    const QRect text = option.rect.adjusted(30, 0, -6, 0);
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                      option.fontMetrics.elidedText(path, Qt::ElideMiddle, text.width()));
    painter->restore();
    paintFocusMark(painter, option, option.rect);
}

QSize CommitFileDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(200, rowHeight);
}

} // namespace tolvane
