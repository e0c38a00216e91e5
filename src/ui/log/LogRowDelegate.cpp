#include "ui/log/LogRowDelegate.h"

#include "log/LogLevel.h"
#include "ui/common/SymbolIcon.h"
#include "ui/log/LogListModel.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <cmath>

namespace tolvane {
namespace {

QString levelSymbol(LogLevel level) {
    switch (level) {
    case LogLevel::Success:
        return QStringLiteral("checkmark.circle.fill");
    case LogLevel::Error:
        return QStringLiteral("xmark.circle.fill");
    case LogLevel::Info:
        break;
    }
    return QStringLiteral("info.circle.fill");
}

QColor levelColor(LogLevel level) {
    switch (level) {
    case LogLevel::Success:
        return QColor(0x30, 0xa4, 0x4c);
    case LogLevel::Error:
        return QColor(0xe0, 0x3b, 0x30);
    case LogLevel::Info:
        break;
    }
    return QColor(0x1e, 0x7b, 0xf0);
}

// Lays the message out wrapped at word boundaries, or anywhere inside a word too long for the
// line (long paths and URLs), keeping its own line breaks.
int layoutMessage(QTextLayout& layout, const QString& message, const QFont& font, int width,
                  bool wrap = true) {
    QString text = message;
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    layout.setText(text);
    layout.setFont(font);
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    const qreal leading = QFontMetricsF(font).leading();
    qreal y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        y += leading;
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return int(std::ceil(y));
}

} // namespace

LogRowDelegate::LogRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void LogRowDelegate::clearCache() {
    m_metrics.clear();
}

const LogRowDelegate::Fonts& LogRowDelegate::fontsFor(const QFont& base) const {
    if (m_fontsValid && base == m_baseFont)
        return m_fonts;
    m_baseFont = base;
    const qreal bodySize = base.pointSizeF() > 0 ? base.pointSizeF() : 10;
    const qreal captionSize = std::max(7.0, bodySize * 0.85);
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setStyleHint(QFont::Monospace);
    m_fonts.body = mono;
    m_fonts.body.setPointSizeF(bodySize);
    m_fonts.caption = mono;
    m_fonts.caption.setPointSizeF(captionSize);
    m_fonts.badge = base;
    m_fonts.badge.setPointSizeF(captionSize);
    m_timeWidth = QFontMetrics(m_fonts.caption).horizontalAdvance(QStringLiteral("00:00:00"));
    const QFontMetricsF body(m_fonts.body);
    m_bodyHeight = QFontMetrics(m_fonts.body).height();
    m_lineSpacing = body.lineSpacing();
    m_leading = body.leading();
    // The advance as the text layout places glyphs (hinting may round it), not as the metrics
    // report one glyph: an estimate short by a fraction per character would wrap unseen.
    m_charWidth = 0;
    if (QFontInfo(m_fonts.body).fixedPitch()) {
        QTextLayout probe(QString(100, QLatin1Char('M')), m_fonts.body);
        probe.beginLayout();
        const QTextLine line = probe.createLine();
        probe.endLayout();
        m_charWidth = line.isValid() ? line.naturalTextWidth() / 100 : 0;
    }
    m_fontsValid = true;
    m_metrics.clear();
    return m_fonts;
}

QPixmap LogRowDelegate::levelIcon(LogLevel level, const QColor& color, int size,
                                  qreal devicePixelRatio) const {
    // Drawing an SVG for every painted row would make scrolling stutter.
    const QString key = QStringLiteral("%1/%2/%3/%4")
                            .arg(int(level))
                            .arg(color.rgba())
                            .arg(size)
                            .arg(devicePixelRatio);
    auto it = m_icons.constFind(key);
    if (it == m_icons.cend())
        it = m_icons.insert(key, tintedSymbol(levelSymbol(level), color, size, devicePixelRatio));
    return *it;
}

LogRowDelegate::Geometry LogRowDelegate::geometry(const QRect& rect, const QString& repo) const {
    const QFontMetrics body(m_fonts.body);
    const QFontMetrics badge(m_fonts.badge);
    const int top = rect.top() + verticalPadding;
    const int firstLine = body.height();
    Geometry g;
    int x = rect.left() + horizontalMargin;
    const int iconSize = std::min(iconBox - 2, firstLine);
    g.icon =
        QRect(x + (iconBox - iconSize) / 2, top + (firstLine - iconSize) / 2, iconSize, iconSize);
    x += iconBox + spacing;
    const int captionHeight = QFontMetrics(m_fonts.caption).height();
    g.time = QRect(x, top + (firstLine - captionHeight) / 2, m_timeWidth, captionHeight);
    x += m_timeWidth + spacing;
    if (!repo.isEmpty()) {
        const int badgeHeight = badge.height() + 2;
        g.badge = QRect(x, top + (firstLine - badgeHeight) / 2, badge.horizontalAdvance(repo) + 8,
                        badgeHeight);
        x += g.badge.width() + spacing;
    }
    g.message = QRect(x, top, std::max(40, rect.right() - horizontalMargin - x + 1),
                      rect.height() - 2 * verticalPadding);
    return g;
}

int LogRowDelegate::naturalWidth(const QStringView line) const {
    // In a fixed-pitch font plain ASCII needs no shaping: a long log is measured in no time.
    if (m_charWidth > 0) {
        bool plain = true;
        for (const QChar c : line) {
            if (c.unicode() < 0x20 || c.unicode() > 0x7e) {
                plain = false;
                break;
            }
        }
        if (plain)
            return int(std::ceil(line.size() * m_charWidth));
    }
    // Measured as it is painted: the layout widens tabs to their stops, which font metrics
    // do not, so a line of git output with tabs would wrap where nobody made room for it.
    QTextLayout layout;
    layoutMessage(layout, line.toString(), m_fonts.body, 1 << 24, false);
    return layout.lineCount() ? int(std::ceil(layout.lineAt(0).naturalTextWidth())) : 0;
}

int LogRowDelegate::messageHeight(Metrics& metrics, const QString& message, int width) const {
    if (metrics.naturalWidth < 0) {
        metrics.naturalWidth = 0;
        metrics.lines = 0;
        for (const QStringView line : QStringView(message).split(QLatin1Char('\n'))) {
            metrics.naturalWidth = std::max(metrics.naturalWidth, naturalWidth(line));
            ++metrics.lines;
        }
    }
    metrics.wraps = metrics.naturalWidth > width;
    if (!metrics.wraps)
        return int(std::ceil(metrics.lines * m_lineSpacing + m_leading));
    QTextLayout layout;
    return layoutMessage(layout, message, m_fonts.body, width);
}

const LogRowDelegate::Metrics& LogRowDelegate::measured(const QModelIndex& index, int width) const {
    const int row = index.row();
    if (row >= m_metrics.size())
        m_metrics.resize(row + 1);
    Metrics& metrics = m_metrics[row];
    // The list lays out every row again after each change; answer from the cache.
    if (metrics.rowWidth != width) {
        const Geometry g =
            geometry(QRect(0, 0, width, 0), index.data(LogListModel::RepoRole).toString());
        const int message = messageHeight(metrics, index.data(LogListModel::MessageRole).toString(),
                                          g.message.width());
        metrics.rowWidth = width;
        metrics.rowHeight = std::max({message, m_bodyHeight, int(iconBox)}) + 2 * verticalPadding;
    }
    return metrics;
}

QSize LogRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    fontsFor(option.font);
    // Rows span the viewport; the message wraps in what the other columns leave of it.
    int width = 600;
    if (const auto* view = qobject_cast<const QAbstractScrollArea*>(option.widget))
        width = view->viewport()->width();
    else if (option.rect.width() > 0)
        width = option.rect.width();
    return {width, measured(index, width).rowHeight};
}

void LogRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    fontsFor(option.font);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, painter, widget);

    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group =
        option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
    const QColor text =
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
    QColor secondary = option.palette.color(group, QPalette::PlaceholderText);
    if (selected) {
        secondary = text;
        secondary.setAlphaF(0.8f);
    }

    const auto level = LogLevel(index.data(LogListModel::LevelRole).toInt());
    const QString repo = index.data(LogListModel::RepoRole).toString();
    const QString message = index.data(LogListModel::MessageRole).toString();
    const Geometry g = geometry(option.rect, repo);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QColor iconColor = selected ? text : levelColor(level);
    painter->drawPixmap(g.icon.topLeft(), levelIcon(level, iconColor, g.icon.width(),
                                                    painter->device()->devicePixelRatioF()));

    painter->setFont(m_fonts.caption);
    painter->setPen(secondary);
    painter->drawText(g.time, Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(LogListModel::TimeTextRole).toString());

    if (!g.badge.isNull()) {
        QColor fill = secondary;
        fill.setAlphaF(0.15f);
        QPainterPath pill;
        pill.addRoundedRect(QRectF(g.badge), 3, 3);
        painter->fillPath(pill, fill);
        painter->setFont(m_fonts.badge);
        painter->drawText(g.badge.adjusted(4, 1, -4, -1), Qt::AlignCenter, repo);
    }

    painter->setPen(text);
    // Wrapped exactly when the row was measured wrapped, so the text fills the row it was given
    // and never the next one.
    const bool wraps = measured(index, option.rect.width()).wraps;
    QTextLayout layout;
    layoutMessage(layout, message, m_fonts.body, g.message.width(), wraps);
    layout.draw(painter, g.message.topLeft());
    painter->restore();
}

} // namespace tolvane
