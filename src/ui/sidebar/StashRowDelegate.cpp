#include "ui/sidebar/StashRowDelegate.h"

#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"
#include "ui/sidebar/StashListModel.h"

#include <QDateTime>
#include <QPainter>

namespace tolvane {

namespace {
constexpr int indent = 10;
constexpr int symbolSize = 16;
constexpr int headingHeight = 26;

StashListModel::Kind kindOf(const QModelIndex& index) {
    return StashListModel::Kind(index.data(StashListModel::KindRole).toInt());
}
} // namespace

StashRowDelegate::StashRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void StashRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    const QPalette& palette = option.palette;
    const QRect rect = option.rect;
    const QColor secondary = ViewColors::secondary(palette);
    const QString text = index.data(Qt::DisplayRole).toString();
    const StashListModel::Kind kind = kindOf(index);

    if (kind == StashListModel::Kind::Heading) {
        QFont font = option.font;
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 0.85);
        painter->setFont(font);
        painter->setPen(secondary);
        painter->drawText(rect.adjusted(indent - 2, 0, -indent, -3),
                          Qt::AlignLeft | Qt::AlignBottom, text.toUpper());
        painter->restore();
        return;
    }
    if (kind == StashListModel::Kind::Empty) {
        painter->setPen(secondary);
        painter->drawText(rect.adjusted(indent + 2, 0, -indent, 0),
                          Qt::AlignLeft | Qt::AlignVCenter, text);
        painter->restore();
        return;
    }

    const bool selected = option.state & QStyle::State_Selected;
    const bool hovered = option.state & QStyle::State_MouseOver;
    painter->setRenderHint(QPainter::Antialiasing);
    if (selected || hovered) {
        QColor fill = selected ? palette.color(QPalette::Highlight)
                               : ViewColors::withAlpha(palette.color(QPalette::Text), 0.06);
        if (selected && !(option.state & QStyle::State_Active))
            fill = ViewColors::withAlpha(fill, 0.55);
        painter->setPen(Qt::NoPen);
        painter->setBrush(fill);
        painter->drawRoundedRect(QRectF(rect).adjusted(4, 1, -4, -1), 5, 5);
    }
    const QColor textColor =
        selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);
    const QColor captionColor = selected ? textColor : secondary;
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;

    const bool isStash = kind == StashListModel::Kind::Stash;
    const QString symbol =
        isStash ? QStringLiteral("doc.on.doc") : QStringLiteral("arrow.uturn.backward.circle.fill");
    const QColor tint = selected ? textColor : (isStash ? ViewColors::blue() : secondary);
    const int left = rect.left() + indent;
    painter->drawPixmap(left, rect.top() + (rect.height() - symbolSize) / 2,
                        tintedSymbol(symbol, tint, symbolSize, dpr));

    const int textLeft = left + symbolSize + 8;
    const int textWidth = rect.right() - indent - textLeft;
    QFont titleFont = option.font;
    titleFont.setWeight(QFont::Medium);
    const QFontMetrics titleMetrics(titleFont);
    QFont captionFont = option.font;
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.85);
    const QFontMetrics captionMetrics(captionFont);
    const int blockHeight = titleMetrics.height() + 2 + captionMetrics.height();
    const int top = rect.top() + (rect.height() - blockHeight) / 2;

    painter->setFont(titleFont);
    painter->setPen(textColor);
    painter->drawText(QRect(textLeft, top, textWidth, titleMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      titleMetrics.elidedText(text, Qt::ElideRight, textWidth));

    // The age stays whole; the branch or the file names give way to it.
    const QString age = relativeTimeText(index.data(StashListModel::TimeRole).toLongLong(),
                                         QDateTime::currentSecsSinceEpoch());
    const QString caption = index.data(StashListModel::CaptionRole).toString();
    const int captionTop = top + titleMetrics.height() + 2;
    painter->setFont(captionFont);
    painter->setPen(captionColor);
    const int ageWidth = captionMetrics.horizontalAdvance(age);
    int x = textLeft;
    if (!caption.isEmpty()) {
        int captionWidth =
            textWidth - ageWidth - captionMetrics.horizontalAdvance(QStringLiteral(" · "));
        if (isStash) {
            const int iconSize = 11;
            painter->drawPixmap(
                x, captionTop + (captionMetrics.height() - iconSize) / 2,
                tintedSymbol(QStringLiteral("arrow.triangle.branch"), captionColor, iconSize, dpr));
            x += iconSize + 4;
            captionWidth -= iconSize + 4;
        }
        const QString shown =
            captionMetrics.elidedText(caption, Qt::ElideMiddle, qMax(0, captionWidth)) +
            QStringLiteral(" · ");
        painter->drawText(QPoint(x, captionTop + captionMetrics.ascent()), shown);
        x += captionMetrics.horizontalAdvance(shown);
    }
    painter->drawText(QPoint(x, captionTop + captionMetrics.ascent()), age);
    painter->restore();
    paintFocusMark(painter, option, option.rect.adjusted(4, 1, -4, -1));
}

QSize StashRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const int width = option.rect.width() > 0 ? option.rect.width() : 200;
    switch (kindOf(index)) {
    case StashListModel::Kind::Heading:
        return {width, qMax(headingHeight, option.fontMetrics.height() + 10)};
    case StashListModel::Kind::Empty:
        return {width, option.fontMetrics.height() + 10};
    default:
        return {width, qMax(40, option.fontMetrics.height() * 2 + 12)};
    }
}

} // namespace tolvane
