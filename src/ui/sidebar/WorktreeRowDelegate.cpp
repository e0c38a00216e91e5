#include "ui/sidebar/WorktreeRowDelegate.h"

#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"
#include "ui/sidebar/WorktreeListModel.h"

#include <QPainter>

namespace tolvane {

WorktreeRowDelegate::WorktreeRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void WorktreeRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    painter->save();
    const QPalette& palette = option.palette;
    const QRect rect = option.rect;
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const bool selected = index.data(WorktreeListModel::IsSelectedRole).toBool();
    if (hovered) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(ViewColors::withAlpha(palette.color(QPalette::Text), 0.06));
        painter->drawRoundedRect(QRectF(rect).adjusted(4, 1, -4, -1), 5, 5);
    }

    const bool isMain = index.data(WorktreeListModel::IsMainRole).toBool();
    const QColor secondary = ViewColors::secondary(palette);
    const int left = rect.left() + 10;
    painter->drawPixmap(left, rect.top() + (rect.height() - 18) / 2,
                        tintedSymbol(isMain ? QStringLiteral("folder.fill")
                                            : QStringLiteral("folder.badge.gearshape"),
                                     ViewColors::blue(), 18, dpr));

    const int textLeft = left + 26;
    const int checkWidth = selected ? 22 : 0;
    const int textWidth = rect.right() - 10 - checkWidth - textLeft;
    QFont nameFont = option.font;
    nameFont.setWeight(QFont::Medium);
    const QFontMetrics nameMetrics(nameFont);
    QFont captionFont = option.font;
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.85);
    const QFontMetrics captionMetrics(captionFont);
    const int blockHeight = nameMetrics.height() + 2 + captionMetrics.height();
    const int top = rect.top() + (rect.height() - blockHeight) / 2;

    painter->setFont(nameFont);
    painter->setPen(palette.color(QPalette::Text));
    painter->drawText(
        QRect(textLeft, top, textWidth, nameMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        nameMetrics.elidedText(index.data(WorktreeListModel::FolderNameRole).toString(),
                               Qt::ElideMiddle, textWidth));

    const int captionTop = top + nameMetrics.height() + 2;
    painter->setFont(captionFont);
    painter->setPen(secondary);
    if (index.data(WorktreeListModel::IsDetachedRole).toBool()) {
        painter->drawText(QRect(textLeft, captionTop, textWidth, captionMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("detached"));
    } else {
        const int iconSize = 11;
        painter->drawPixmap(
            textLeft, captionTop + (captionMetrics.height() - iconSize) / 2,
            tintedSymbol(QStringLiteral("arrow.triangle.branch"), secondary, iconSize, dpr));
        const QRect branchRect(textLeft + iconSize + 4, captionTop, textWidth - iconSize - 4,
                               captionMetrics.height());
        painter->drawText(
            branchRect, Qt::AlignLeft | Qt::AlignVCenter,
            captionMetrics.elidedText(index.data(WorktreeListModel::BranchRole).toString(),
                                      Qt::ElideMiddle, branchRect.width()));
    }

    if (selected) {
        painter->drawPixmap(rect.right() - 10 - 14, rect.top() + (rect.height() - 14) / 2,
                            tintedSymbol(QStringLiteral("checkmark"), ViewColors::blue(), 14, dpr));
    }
    painter->restore();
    paintFocusMark(painter, option, option.rect.adjusted(4, 1, -4, -1));
}

QSize WorktreeRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width() > 0 ? option.rect.width() : 200,
            qMax(42, option.fontMetrics.height() * 2 + 12)};
}

} // namespace tolvane
