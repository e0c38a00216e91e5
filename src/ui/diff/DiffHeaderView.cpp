#include "ui/diff/DiffHeaderView.h"

#include "engine/gitText.h"
#include "state/RepositoryState.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/oneLineText.h"
#include "ui/common/viewColors.h"

#include <QFontDatabase>
#include <QPainter>

namespace tolvane {
namespace {

QString plural(qsizetype count, const QString& word) {
    return QString::number(count) + QLatin1Char(' ') + word +
           (count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace

DiffHeaderView::DiffHeaderView(RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_state(state) {
    setObjectName(QStringLiteral("diffHeader"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    const auto repaint = [this] {
        setAccessibleName(texts().join(QLatin1Char(' ')));
        update();
    };
    connect(state, &RepositoryState::selectedFileChanged, this, repaint);
    connect(state, &RepositoryState::selectedCommitChanged, this, repaint);
    connect(state, &RepositoryState::parsedDiffChanged, this, repaint);
    connect(state, &RepositoryState::commitFilesChanged, this, repaint);
    // The signature is checked when a commit is shown, and its words follow once known.
    connect(state, &RepositoryState::selectedCommitChanged, this, [this] {
        if (const auto& commit = m_state->selectedCommit())
            m_state->signatureBadges().request(commit->id);
        updateGeometry();
    });
    connect(&state->signatureBadges(), &SignatureBadges::checked, this,
            [this, repaint](const QStringList& ids) {
                const auto& commit = m_state->selectedCommit();
                if (!commit || !ids.contains(commit->id))
                    return;
                updateGeometry();
                repaint();
            });
}

QString DiffHeaderView::signatureText() const {
    const auto& commit = m_state->selectedCommit();
    if (!commit || m_state->selectedFile())
        return {};
    const std::optional<SignatureCheck> check = m_state->signatureBadges().check(commit->id);
    if (!check || check->state == SignatureState::Unsigned)
        return {};
    return describeSignature(*check);
}

QSize DiffHeaderView::sizeHint() const {
    const int line = fontMetrics().height();
    return QSize(300, line + 16 + (signatureText().isEmpty() ? 0 : line));
}

QStringList DiffHeaderView::texts() const {
    if (const auto& file = m_state->selectedFile()) {
        QStringList parts{oneLineText(file->path)};
        if (const auto& parsed = m_state->parsedDiff())
            parts.append(plural(parsed->hunks.size(), QStringLiteral("hunk")));
        return parts;
    }
    if (const auto& commit = m_state->selectedCommit()) {
        QStringList parts{commit->shortHash, QStringLiteral("–"), oneLineText(commit->message)};
        if (!m_state->commitFiles().isEmpty())
            parts.append(QLatin1Char('(') +
                         plural(m_state->commitFiles().size(), QStringLiteral("file")) +
                         QLatin1Char(')'));
        const QString signature = signatureText();
        if (!signature.isEmpty())
            parts.append(signature);
        return parts;
    }
    return {QStringLiteral("Select a file or commit to view diff")};
}

void DiffHeaderView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    const QRect area = rect().adjusted(10, 0, -10, 0);
    const QFontMetrics fm = fontMetrics();
    const QString signature = signatureText();
    const int lineHeight = signature.isEmpty() ? height() : height() - fm.height();
    const int baseline = (lineHeight + fm.ascent() - fm.descent()) / 2;
    int x = area.left();
    const qreal dpr = devicePixelRatioF();
    const int icon = 16;
    const int iconTop = (lineHeight - icon) / 2;

    // Draws `text` in `font` and `color`, eliding it when `elide` is set and space runs out.
    const auto drawText = [&](const QString& text, const QFont& font, const QColor& color,
                              bool elide, int reserve = 0) {
        if (x >= area.right())
            return;
        painter.setFont(font);
        painter.setPen(color);
        const QFontMetrics metrics(font);
        const int available = area.right() - x - reserve;
        const QString shown =
            elide ? metrics.elidedText(text, Qt::ElideMiddle, qMax(0, available)) : text;
        painter.drawText(QPoint(x, baseline), shown);
        x += metrics.horizontalAdvance(shown) + 6;
    };

    if (const auto& file = m_state->selectedFile()) {
        const StatusStyle style = statusStyle(file->status, pal);
        painter.drawPixmap(x, iconTop, tintedSymbol(style.symbol, style.color, icon, dpr));
        x += icon + 6;
        QString hunks;
        if (const auto& parsed = m_state->parsedDiff())
            hunks = plural(parsed->hunks.size(), QStringLiteral("hunk"));
        QFont bold = font();
        bold.setWeight(QFont::DemiBold);
        drawText(oneLineText(file->path), bold, pal.color(QPalette::WindowText), true,
                 hunks.isEmpty() ? 0 : fm.horizontalAdvance(hunks) + 8);
        if (!hunks.isEmpty())
            drawText(hunks, font(), ViewColors::secondary(pal), false);
        return;
    }
    if (const auto& commit = m_state->selectedCommit()) {
        painter.drawPixmap(
            x, iconTop,
            tintedSymbol(QStringLiteral("arrow.triangle.branch"), ViewColors::blue(), icon, dpr));
        x += icon + 6;
        QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        drawText(commit->shortHash, mono, pal.color(QPalette::WindowText), false);
        drawText(QStringLiteral("–"), font(), ViewColors::secondary(pal), false);
        QString count;
        QFont caption = font();
        caption.setPointSizeF(caption.pointSizeF() - 1);
        if (!m_state->commitFiles().isEmpty())
            count = QLatin1Char('(') +
                    plural(m_state->commitFiles().size(), QStringLiteral("file")) +
                    QLatin1Char(')');
        QFont bold = font();
        bold.setWeight(QFont::DemiBold);
        drawText(oneLineText(commit->message), bold, pal.color(QPalette::WindowText), true,
                 count.isEmpty() ? 0 : QFontMetrics(caption).horizontalAdvance(count) + 8);
        if (!count.isEmpty())
            drawText(count, caption, ViewColors::secondary(pal), false);
        if (!signature.isEmpty()) {
            const std::optional<SignatureCheck> check =
                m_state->signatureBadges().check(commit->id);
            const bool good = check && check->state == SignatureState::Verified;
            const bool bad = check && (check->state == SignatureState::Bad ||
                                       check->state == SignatureState::Revoked);
            painter.setFont(caption);
            painter.setPen(good  ? ViewColors::green()
                           : bad ? ViewColors::red()
                                 : ViewColors::secondary(pal));
            const QFontMetrics metrics(caption);
            painter.drawText(
                QPoint(area.left() + icon + 6, lineHeight + metrics.ascent() - 4),
                metrics.elidedText(signature, Qt::ElideRight, area.width() - icon - 6));
        }
        return;
    }
    drawText(QStringLiteral("Select a file or commit to view diff"), font(),
             ViewColors::secondary(pal), true);
}

} // namespace tolvane
