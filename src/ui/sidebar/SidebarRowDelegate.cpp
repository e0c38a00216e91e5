#include "ui/sidebar/SidebarRowDelegate.h"

#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"
#include "ui/sidebar/sidebarRoles.h"

#include <QApplication>
#include <QPainter>

namespace tolvane {

namespace {
constexpr int rowHeight = 24;
constexpr int headingHeight = 26;
constexpr int indent = 10;
constexpr int symbolFrame = 16;
} // namespace

SidebarRowDelegate::SidebarRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void SidebarRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    painter->save();
    const QPalette& palette = option.palette;
    const QRect rect = option.rect;
    const QString text = index.data(Qt::DisplayRole).toString();
    if (index.data(SidebarRoles::Heading).toBool()) {
        QFont font = option.font;
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 0.85);
        painter->setFont(font);
        painter->setPen(ViewColors::secondary(palette));
        painter->drawText(rect.adjusted(indent - 2, 0, -indent, -3),
                          Qt::AlignLeft | Qt::AlignBottom, text);
        painter->restore();
        return;
    }

    const bool selected = option.state & QStyle::State_Selected;
    if (selected) {
        QColor fill = palette.color(QPalette::Highlight);
        if (!(option.state & QStyle::State_HasFocus) && !(option.state & QStyle::State_Active))
            fill = ViewColors::withAlpha(fill, 0.55);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(QRectF(rect).adjusted(4, 1, -4, -1), 5, 5);
    }
    const QColor textColor =
        selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);

    const QString symbol = index.data(SidebarRoles::Symbol).toString();
    QColor tint = index.data(SidebarRoles::SymbolColor).value<QColor>();
    if (!tint.isValid())
        tint = selected ? textColor : ViewColors::secondary(palette);
    const QRect frame(rect.left() + indent, rect.top() + (rect.height() - symbolFrame) / 2,
                      symbolFrame, symbolFrame);
    if (!symbol.isEmpty()) {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap pixmap = tintedSymbol(symbol, tint, 14, dpr);
        painter->drawPixmap(frame.left() + 1, frame.top() + 1, pixmap);
    }

    QFont font = option.font;
    if (index.data(SidebarRoles::Emphasis).toBool())
        font.setWeight(QFont::DemiBold);
    painter->setFont(font);
    painter->setPen(textColor);
    QRect textRect(frame.right() + 7, rect.top(), rect.right() - frame.right() - 7 - indent,
                   rect.height());
    const QString trailing = index.data(SidebarRoles::Trailing).toString();
    if (!trailing.isEmpty()) {
        // Kept whole; the name gives way to it.
        const QFontMetrics metrics(option.font);
        const int width = metrics.horizontalAdvance(trailing);
        painter->setFont(option.font);
        painter->setPen(selected ? textColor : ViewColors::secondary(palette));
        painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, trailing);
        textRect.setRight(textRect.right() - width - 8);
        painter->setFont(font);
        painter->setPen(textColor);
    }
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(font).elidedText(text, Qt::ElideMiddle, textRect.width()));
    painter->restore();
    paintFocusMark(painter, option, rect.adjusted(4, 1, -4, -1));
}

QSize SidebarRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const int height = index.data(SidebarRoles::Heading).toBool() ? headingHeight : rowHeight;
    return {option.rect.width() > 0 ? option.rect.width() : 200,
            qMax(height, option.fontMetrics.height() + 8)};
}

} // namespace tolvane
