#include "ui/history/CommitRowDelegate.h"

#include "engine/gitText.h"
#include "engine/relativeDate.h"
#include "engine/signatureChecks.h"
#include "state/SignatureBadges.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"
#include "ui/history/CommitGraphView.h"
#include "ui/history/CommitLogModel.h"
#include "ui/history/refBadges.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QAbstractItemView>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace tolvane {
namespace {

QColor signatureColor(SignatureState state, const QPalette& palette) {
    switch (state) {
    case SignatureState::Verified:
        return ViewColors::green(palette);
    case SignatureState::UnknownKey:
    case SignatureState::Expired:
        return ViewColors::orange(palette);
    case SignatureState::Bad:
    case SignatureState::Revoked:
        return ViewColors::red();
    default:
        return ViewColors::secondary(palette);
    }
}

} // namespace

bool CommitRowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                  const QStyleOptionViewItem& option, const QModelIndex& index) {
    const auto* model = qobject_cast<const CommitLogModel*>(index.model());
    const GitCommit* commit = model ? model->commit(index.row()) : nullptr;
    const std::optional<SignatureCheck> check =
        commit && m_signatures ? m_signatures->check(commit->id) : std::nullopt;
    if (event && event->type() == QEvent::ToolTip && check &&
        check->state != SignatureState::Unsigned) {
        QToolTip::showText(event->globalPos(), describeSignature(*check), view);
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

QString CommitRowDelegate::dateText(const GitCommit& commit) const {
    const qint64 now = m_clock ? m_clock() : QDateTime::currentSecsSinceEpoch();
    return gitRelativeDate(commit.authorTime, now);
}

void CommitRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const auto* model = qobject_cast<const CommitLogModel*>(index.model());
    const GitCommit* commit = model ? model->commit(index.row()) : nullptr;
    if (!commit)
        return;
    const QRect rect = option.rect;
    const QPalette& pal = option.palette;
    painter->save();
    if (m_selected && m_selected->contains(commit->id))
        painter->fillRect(rect, ViewColors::withAlpha(pal.color(QPalette::Highlight), 0.22));

    if (index.row() == m_flashRow)
        painter->fillRect(rect, ViewColors::withAlpha(pal.color(QPalette::Highlight), 0.12));

    qreal left = rect.left() + textLeft();
    if (m_showGraph && m_graph && index.row() < m_graph->rows.size()) {
        // Centred vertically in the row; lanes past the graph column are cut off.
        const qreal top = rect.top() + (rect.height() - CommitGraphView::defaultRowHeight) / 2;
        painter->save();
        painter->setClipRect(QRectF(rect.left(), rect.top(), m_graphWidth, rect.height()));
        CommitGraphView::paint(*painter, QPointF(rect.left(), top), m_graph->rows.at(index.row()),
                               m_maxColumns, CommitGraphView::defaultColumnWidth,
                               CommitGraphView::defaultRowHeight, ViewColors::secondary(pal),
                               m_highlight, index.row(), ViewColors::isDark(pal));
        painter->restore();
    }
    left += 4;
    const int right = rect.right() - 8;
    const QFontMetrics fm(option.font);
    QFont caption = option.font;
    caption.setPointSizeF(option.font.pointSizeF() - 1.5);
    const QFontMetrics cfm(caption);
    const int line1 = rect.top() + 7 + fm.ascent();
    const int line2 = rect.bottom() - 7 - cfm.descent();

    // Badges are measured first so that the subject leaves room for them (but never shrinks
    // below a third of the text width).
    const QStringList labels = parseRefs(commit->refs);
    int badgesWidth = 0;
    for (const QString& label : labels)
        badgesWidth += cfm.horizontalAdvance(label) + 10 + (label == u"HEAD" ? 10 : 0) + 4;
    const int available = right - int(left);
    const int subjectMax = qMax(available / 3, available - badgesWidth - 6);
    const QString subject =
        fm.elidedText(tolvane::displayText(commit->message), Qt::ElideRight, qMax(0, subjectMax));
    painter->setFont(option.font);
    painter->setPen(pal.color(QPalette::Text));
    painter->setClipRect(QRect(int(left), rect.top(), available, rect.height()));
    painter->drawText(QPointF(left, line1), subject);

    qreal x = left + fm.horizontalAdvance(subject) + 6;
    painter->setFont(caption);
    painter->setRenderHint(QPainter::Antialiasing, true);
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    for (const QString& label : labels) {
        if (x >= right)
            break;
        const QColor color = refColor(label);
        const bool head = label == u"HEAD";
        const qreal width = cfm.horizontalAdvance(label) + 10 + (head ? 10 : 0);
        const QRectF badge(x, line1 - cfm.ascent() - 2, width, cfm.height() + 3);
        QPainterPath path;
        path.addRoundedRect(badge, 4, 4);
        painter->fillPath(path, ViewColors::withAlpha(color, 0.18));
        qreal textX = badge.left() + 5;
        if (head) {
            if (m_headArrow.isNull() || m_headArrow.devicePixelRatio() != dpr)
                m_headArrow =
                    tintedSymbol(QStringLiteral("arrowtriangle.right.fill"), color, 7, dpr);
            painter->drawPixmap(QPointF(textX, badge.center().y() - 3.5), m_headArrow);
            textX += 10;
        }
        painter->setPen(color);
        painter->drawText(QPointF(textX, line1), label);
        x += width + 4;
    }

    // Caption: hash, author, date.
    x = left;
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(caption.pointSizeF());
    painter->setFont(mono);
    painter->setPen(ViewColors::blue());
    painter->drawText(QPointF(x, line2), commit->shortHash);
    x += QFontMetrics(mono).horizontalAdvance(commit->shortHash) + 10;
    painter->setFont(caption);
    if (m_signatures) {
        const std::optional<SignatureCheck> check = m_signatures->check(commit->id);
        if (!check) {
            m_signatures->request(commit->id);
        } else if (check->state != SignatureState::Unsigned) {
            const QString label = badgeText(check->state);
            const QColor color = signatureColor(check->state, pal);
            const qreal width = cfm.horizontalAdvance(label) + 10;
            const QRectF badge(x, line2 - cfm.ascent() - 1, width, cfm.height() + 2);
            QPainterPath path;
            path.addRoundedRect(badge, 4, 4);
            painter->fillPath(path, ViewColors::withAlpha(color, 0.16));
            painter->setPen(color);
            painter->drawText(QPointF(x + 5, line2), label);
            x += width + 8;
        }
    }
    painter->setPen(ViewColors::secondary(pal));
    const QString author = cfm.elidedText(tolvane::displayText(commit->author), Qt::ElideRight,
                                          qMax(40, (right - int(x)) / 2));
    painter->drawText(QPointF(x, line2), author);
    x += cfm.horizontalAdvance(author) + 10;
    painter->drawText(QPointF(x, line2),
                      cfm.elidedText(dateText(*commit), Qt::ElideRight, qMax(0, right - int(x))));
    painter->restore();
    paintFocusMark(painter, option, rect.adjusted(2, 1, -2, -1));
}

QSize CommitRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(300, rowHeight);
}

} // namespace tolvane
