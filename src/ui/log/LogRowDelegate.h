#pragma once

#include "log/LogLevel.h"

#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QVector>

namespace tolvane {

// Paints one activity-log row: level icon, time, repository badge and the whole message in a
// monospaced font, wrapped to the row's width. Row heights are cached, so a long log lays out
// and scrolls without measuring every message again.
class LogRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit LogRowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Forgets every cached measurement (the model was reset or the font changed).
    void clearCache();

    static constexpr int horizontalMargin = 10;
    static constexpr int verticalPadding = 5;
    static constexpr int spacing = 8;
    static constexpr int iconBox = 16;

private:
    struct Fonts {
        QFont body;    // monospaced, body size
        QFont caption; // monospaced, caption size
        QFont badge;   // proportional, caption size
    };
    struct Metrics {
        int naturalWidth = -1; // widest line unwrapped; < 0 when not measured yet
        int lines = 0;
        int rowWidth = -1; // the viewport width the cached row height is for
        int rowHeight = 0;
        bool wraps = false; // measured as wrapped: painted wrapped, and only then
    };
    struct Geometry {
        QRect icon, time, badge, message;
    };

    const Fonts& fontsFor(const QFont& base) const;
    QPixmap levelIcon(LogLevel level, const QColor& color, int size, qreal devicePixelRatio) const;
    Geometry geometry(const QRect& rect, const QString& repo) const;
    int naturalWidth(QStringView line) const;
    int messageHeight(Metrics& metrics, const QString& message, int width) const;
    // The cached measurement of `index` at this row width, measured now when there is none.
    const Metrics& measured(const QModelIndex& index, int width) const;

    mutable QFont m_baseFont;
    mutable Fonts m_fonts;
    mutable bool m_fontsValid = false;
    mutable int m_timeWidth = 0;
    mutable int m_bodyHeight = 0;
    mutable qreal m_lineSpacing = 0;
    mutable qreal m_leading = 0;
    mutable qreal m_charWidth = 0; // zero unless the message font is fixed-pitch
    mutable QVector<Metrics> m_metrics;
    mutable QHash<QString, QPixmap> m_icons;
};

} // namespace tolvane
