#include "ui/submodules/SubmoduleRowDelegate.h"

#include "engine/submoduleParser.h"
#include "ui/common/viewColors.h"
#include "ui/submodules/SubmoduleListModel.h"

#include <QApplication>
#include <QPainter>

namespace tolvane {
namespace {

constexpr int padding = 10;

QColor stateColor(SubmoduleState state, const QPalette& palette) {
    switch (state) {
    case SubmoduleState::UpToDate:
        return ViewColors::green(palette);
    case SubmoduleState::OutOfDate:
    case SubmoduleState::ModifiedInside:
        return ViewColors::orange(palette);
    case SubmoduleState::NewCommit:
        return ViewColors::blue(palette);
    case SubmoduleState::NotInitialized:
        break;
    }
    return ViewColors::secondaryLabel(palette);
}

} // namespace

void SubmoduleRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QRect area = option.rect.adjusted(padding, 4, -padding, -4);
    QFont bold = option.font;
    bold.setWeight(QFont::DemiBold);
    const QFontMetrics boldMetrics(bold);
    const QFontMetrics metrics(option.font);

    painter->save();
    painter->setFont(bold);
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect first(area.left(), area.top(), area.width(), boldMetrics.height());
    painter->drawText(
        first, Qt::AlignLeft | Qt::AlignVCenter,
        boldMetrics.elidedText(index.data().toString(), Qt::ElideMiddle, first.width()));

    painter->setFont(option.font);
    const QString state = index.data(SubmoduleListModel::StateText).toString();
    const QRect second(area.left(), first.bottom() + 2, area.width(), metrics.height());
    painter->setPen(
        selected
            ? palette.color(QPalette::HighlightedText)
            : stateColor(SubmoduleState(index.data(SubmoduleListModel::State).toInt()), palette));
    painter->drawText(second, Qt::AlignLeft | Qt::AlignVCenter, state);
    const int used = metrics.horizontalAdvance(state + QStringLiteral("  "));
    painter->setPen(selected ? palette.color(QPalette::HighlightedText)
                             : ViewColors::secondaryLabel(palette));
    const QRect rest = second.adjusted(used, 0, 0, 0);
    painter->drawText(rest, Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(index.data(SubmoduleListModel::Commits).toString(),
                                         Qt::ElideRight, rest.width()));
    painter->restore();
}

QSize SubmoduleRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    QFont bold = option.font;
    bold.setWeight(QFont::DemiBold);
    return {200, QFontMetrics(bold).height() + QFontMetrics(option.font).height() + 2 + 8};
}

} // namespace tolvane
