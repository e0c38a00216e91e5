#include "ui/changes/FileRowDelegate.h"

#include "engine/gitText.h"
#include "ui/changes/ChangesListModel.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/oneLineText.h"
#include "ui/common/viewColors.h"

#include <QAbstractProxyModel>
#include <QPainter>
#include <QPainterPath>

namespace tolvane {

void FileRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    // Each section's list sees the model through its own filter.
    QModelIndex source = index;
    if (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model()))
        source = proxy->mapToSource(index);
    const auto* model = qobject_cast<const ChangesListModel*>(source.model());
    if (!model)
        return;
    const FileChange* file = model->file(source.row());
    if (!file)
        return;
    const StatusStyle style = statusStyle(file->status, option.palette);
    const QRect row = option.rect.adjusted(4, 1, -4, -1);
    if (m_selected.contains(file->id())) {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(row), 5, 5);
        painter->fillPath(path, ViewColors::withAlpha(style.color, 0.15));
        painter->restore();
    }
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QString key = style.symbol + style.color.name(QColor::HexArgb) + QString::number(dpr);
    auto it = m_icons.find(key);
    if (it == m_icons.end())
        it = m_icons.insert(key, tintedSymbol(style.symbol, style.color, 14, dpr));
    painter->drawPixmap(row.left() + 6, row.top() + (row.height() - 14) / 2, *it);
    const QRect text = row.adjusted(26, 0, -6, 0);
    painter->setPen(file->status == ChangeStatus::Unmodified
                        ? ViewColors::secondary(option.palette)
                        : option.palette.color(QPalette::Text));
    painter->setFont(option.font);
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                      option.fontMetrics.elidedText(tolvane::oneLineText(file->path),
                                                    Qt::ElideMiddle, text.width()));
    paintFocusMark(painter, option, row);
}

QSize FileRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
    const auto kind = ChangesListModel::RowKind(index.data(ChangesListModel::KindRole).toInt());
    return QSize(200,
                 kind == ChangesListModel::RowKind::ShowMore ? showMoreRowHeight : fileRowHeight);
}

} // namespace tolvane
