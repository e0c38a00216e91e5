#include "ui/blame/BlameGroupDelegate.h"

#include "ui/blame/BlameGroupModel.h"
#include "ui/blame/commitColor.h"
#include "ui/common/viewColors.h"

#include <QFontDatabase>
#include <QPainter>

namespace tolvane {

namespace {

constexpr int infoPadding = 6;

const BlameGroup* groupOf(const QModelIndex& index) {
    const auto* model = qobject_cast<const BlameGroupModel*>(index.model());
    if (!model || index.row() < 0 || index.row() >= model->rowCount())
        return nullptr;
    return &model->groupAt(index.row());
}

int infoHeight(const QFont& font) {
    const QFontMetrics mono(BlameGroupDelegate::monospaceFont(font));
    QFont small = font;
    small.setPointSizeF(font.pointSizeF() * 0.85);
    const QFontMetrics caption(small);
    return infoPadding * 2 + mono.height() + 2 * caption.height() + 2;
}

} // namespace

BlameGroupDelegate::BlameGroupDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QFont BlameGroupDelegate::monospaceFont(const QFont& base) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(base.pointSizeF() * 0.92);
    return font;
}

void BlameGroupDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    const BlameGroup* group = groupOf(index);
    if (!group)
        return;
    painter->save();
    const QPalette& palette = option.palette;
    const QRect rect = option.rect;
    const bool hovered = index.data(BlameGroupModel::IsHoveredRole).toBool();
    const QFont mono = monospaceFont(option.font);
    QFont small = option.font;
    small.setPointSizeF(option.font.pointSizeF() * 0.85);
    const QColor secondary = ViewColors::secondary(palette);

    const QRect info(rect.left(), rect.top(), infoWidth, rect.height());
    painter->fillRect(info,
                      ViewColors::withAlpha(commitColor(group->commitHash), hovered ? 0.5 : 0.25));
    const QRect infoText = info.adjusted(8, infoPadding, -6, -infoPadding);
    painter->setFont(mono);
    // The blue tuned for the scheme: the fixed one is too dark to read on a dark background.
    painter->setPen(ViewColors::blue(palette));
    const QFontMetrics monoMetrics(mono);
    const QString shortHash =
        group->lines.isEmpty() ? group->commitHash.left(7) : group->lines.first().shortHash();
    painter->drawText(
        QRect(infoText.left(), infoText.top(), infoText.width(), monoMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter, shortHash);
    painter->setFont(small);
    const QFontMetrics smallMetrics(small);
    int y = infoText.top() + monoMetrics.height() + 1;
    painter->setPen(palette.color(QPalette::Text));
    painter->drawText(QRect(infoText.left(), y, infoText.width(), smallMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      smallMetrics.elidedText(group->author, Qt::ElideRight, infoText.width()));
    y += smallMetrics.height() + 1;
    painter->setPen(secondary);
    painter->drawText(QRect(infoText.left(), y, infoText.width(), smallMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, group->date);

    painter->fillRect(QRect(info.right() + 1, rect.top(), 1, rect.height()),
                      ViewColors::withAlpha(secondary, 0.3));

    const int linesLeft = info.right() + 2;
    painter->setFont(mono);
    const int visibleTop = option.rect.top();
    for (int i = 0; i < group->lines.size(); ++i) {
        const GitBlameLine& line = group->lines.at(i);
        const QRect row(linesLeft, visibleTop + i * lineHeight, rect.right() - linesLeft,
                        lineHeight);
        painter->setPen(secondary);
        painter->drawText(QRect(row.left(), row.top(), numberWidth - 6, row.height()),
                          Qt::AlignRight | Qt::AlignVCenter, QString::number(line.id));
        painter->setPen(palette.color(QPalette::Text));
        QString content = line.content;
        content.replace(QLatin1Char('\t'), QStringLiteral("    "));
        painter->drawText(QRect(row.left() + numberWidth + 4, row.top(),
                                row.width() - numberWidth - 4, row.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, content);
    }
    painter->fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1),
                      ViewColors::withAlpha(secondary, 0.15));
    painter->restore();
    paintFocusMark(painter, option, option.rect);
}

QSize BlameGroupDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    const BlameGroup* group = groupOf(index);
    const int lines = group ? int(group->lines.size()) : 1;
    return {infoWidth + 400, qMax(lines * lineHeight, infoHeight(option.font))};
}

} // namespace tolvane
