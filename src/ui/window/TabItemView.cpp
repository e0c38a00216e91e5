#include "ui/window/TabItemView.h"

#include "state/RepositoryState.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace tolvane {
namespace {

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 6;
constexpr int spacing = 6;
constexpr int dotSize = 6;
constexpr int closeSize = 16;
const QString branchSeparator = QStringLiteral("›");

} // namespace

TabItemView::TabItemView(const RepositoryTab& tab, RepositoryState* state, QWidget* parent)
    : QWidget(parent), m_tab(tab), m_state(state) {
    setObjectName(QStringLiteral("tabItem"));
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setToolTip(tab.path);
    setAccessibleName(tab.name);

    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("closeTabButton"));
    m_close->setAutoRaise(true);
    m_close->setFixedSize(closeSize, closeSize);
    m_close->setIconSize(QSize(9, 9));
    m_close->setToolTip(QStringLiteral("Close Tab (Ctrl+W)"));
    m_close->setFocusPolicy(Qt::NoFocus);
    m_close->setCursor(Qt::ArrowCursor);
    // Almost transparent, so that the whole square takes the click.
    m_close->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; border-radius: 4px; background: rgba(128,128,128,3); }"
        "QToolButton:hover { background: rgba(128,128,128,46); }"));
    connect(m_close, &QToolButton::clicked, this, &TabItemView::closeRequested);
    updateCloseButton();

    if (state) {
        connect(state, &RepositoryState::currentBranchChanged, this, &TabItemView::contentChanged);
        connect(state, &RepositoryState::changesChanged, this, &TabItemView::contentChanged);
    }
}

void TabItemView::setTab(const RepositoryTab& tab) {
    m_tab = tab;
    setToolTip(tab.path);
    setAccessibleName(tab.name);
    contentChanged();
}

void TabItemView::setActive(bool active) {
    if (active == m_active)
        return;
    m_active = active;
    updateCloseButton();
    contentChanged(); // the name's weight changes its width
}

void TabItemView::setHovered(bool hovered) {
    if (hovered == m_hovered)
        return;
    m_hovered = hovered;
    updateCloseButton();
    update();
}

void TabItemView::setDragging(bool dragging) {
    if (dragging == m_dragging)
        return;
    m_dragging = dragging;
    if (dragging) {
        auto* effect = new QGraphicsOpacityEffect(this);
        effect->setOpacity(0.5);
        setGraphicsEffect(effect);
    } else {
        setGraphicsEffect(nullptr);
    }
}

QString TabItemView::branchText() const {
    return m_state ? m_state->currentBranch() : QString();
}

bool TabItemView::showsChangesDot() const {
    return m_state && !m_state->changes().isEmpty();
}

TabItemView::Metrics TabItemView::metrics() const {
    Metrics m;
    m.nameFont = font();
    m.nameFont.setWeight(m_active ? QFont::Medium : QFont::Normal);
    if (m_active)
        m.nameFont.setWeight(QFont::DemiBold);
    m.separatorFont = font();
    m.separatorFont.setPointSizeF(font().pointSizeF() * 0.85);
    m.branchFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m.branchFont.setPointSizeF(font().pointSizeF() * 0.9);

    const QFontMetrics nameMetrics(m.nameFont);
    m.name = nameMetrics.elidedText(m_tab.name, Qt::ElideRight, maximumNameWidth);
    m.nameWidth = nameMetrics.horizontalAdvance(m.name);
    const QString branch = branchText();
    if (!branch.isEmpty()) {
        const QFontMetrics branchMetrics(m.branchFont);
        m.branch = branchMetrics.elidedText(branch, Qt::ElideMiddle, maximumBranchWidth);
        m.branchWidth = branchMetrics.horizontalAdvance(m.branch);
        m.separatorWidth = QFontMetrics(m.separatorFont).horizontalAdvance(branchSeparator);
    }
    return m;
}

QSize TabItemView::sizeHint() const {
    const Metrics m = metrics();
    int width = horizontalPadding + dotSize + spacing + m.nameWidth;
    if (!m.branch.isEmpty())
        width += spacing + m.separatorWidth + spacing + m.branchWidth;
    if (showsChangesDot())
        width += spacing + dotSize;
    // The close button's place is kept while it is hidden, so hovering never shifts the bar.
    width += spacing + closeSize + horizontalPadding - 4;
    const int height = std::max(QFontMetrics(m.nameFont).height(), closeSize) + 2 * verticalPadding;
    return {width, height};
}

void TabItemView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QColor blue = ViewColors::blue(pal);
    const QColor secondary = ViewColors::secondaryLabel(pal);

    QColor fill = Qt::transparent;
    if (m_active) {
        fill = blue;
        fill.setAlphaF(0.12);
    } else if (m_hovered) {
        fill = pal.color(QPalette::WindowText);
        fill.setAlphaF(0.08);
    }
    if (fill.alpha() > 0) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        painter.fillPath(path, fill);
    }

    const Metrics m = metrics();
    const int centreY = height() / 2;
    int x = horizontalPadding;

    QColor dot = m_active ? blue : secondary;
    if (!m_active)
        dot.setAlphaF(dot.alphaF() * 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(dot);
    painter.drawEllipse(QRectF(x, centreY - dotSize / 2.0, dotSize, dotSize));
    x += dotSize + spacing;

    painter.setFont(m.nameFont);
    painter.setPen(pal.color(QPalette::WindowText));
    painter.drawText(QRect(x, 0, m.nameWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft,
                     m.name);
    x += m.nameWidth;

    if (!m.branch.isEmpty()) {
        x += spacing;
        painter.setFont(m.separatorFont);
        painter.setPen(ViewColors::tertiaryLabel(pal));
        painter.drawText(QRect(x, 0, m.separatorWidth + 1, height()), Qt::AlignVCenter,
                         branchSeparator);
        x += m.separatorWidth + spacing;
        painter.setFont(m.branchFont);
        painter.setPen(secondary);
        painter.drawText(QRect(x, 0, m.branchWidth + 1, height()), Qt::AlignVCenter, m.branch);
        x += m.branchWidth;
    }

    if (showsChangesDot()) {
        x += spacing;
        painter.setPen(Qt::NoPen);
        painter.setBrush(ViewColors::orange(pal));
        painter.drawEllipse(QRectF(x, centreY - dotSize / 2.0, dotSize, dotSize));
    }
}

void TabItemView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_close->move(width() - horizontalPadding + 4 - closeSize, (height() - closeSize) / 2);
}

void TabItemView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    Q_EMIT hoverChanged(true);
}

void TabItemView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    Q_EMIT hoverChanged(false);
}

void TabItemView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    m_pressed = true;
    m_dragReported = false;
    m_pressPosition = event->position().toPoint();
    Q_EMIT selectRequested();
    event->accept();
}

void TabItemView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    if (!m_dragReported) {
        if ((event->position().toPoint() - m_pressPosition).manhattanLength() <
            QApplication::startDragDistance())
            return;
        m_dragReported = true;
        Q_EMIT dragStarted();
    }
    Q_EMIT dragMoved(event->globalPosition().toPoint());
}

void TabItemView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const bool wasDragging = m_dragReported;
    m_pressed = false;
    m_dragReported = false;
    if (wasDragging)
        Q_EMIT dragFinished();
}

void TabItemView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange)
        updateCloseButton();
}

void TabItemView::updateCloseButton() {
    m_close->setIcon(QIcon(tintedSymbol(
        QStringLiteral("xmark"), ViewColors::secondaryLabel(palette()), 9, devicePixelRatioF())));
    m_close->setVisible(m_active || m_hovered);
}

void TabItemView::contentChanged() {
    updateGeometry();
    update();
}

} // namespace tolvane
