#include "ui/common/MessageBar.h"

#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvane {
namespace {

// A message is an alert to assistive technology, so that a screen reader speaks it when it
// appears rather than leaving it to be found.
QAccessibleInterface* messageAccessible(const QString& key, QObject* object) {
    if (key != QLatin1String(MessageBarItem::staticMetaObject.className()))
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
}

void announce(MessageBarItem* item) {
    QAccessibleEvent event(item, QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}

} // namespace

MessageBar::MessageBar(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(&messageAccessible);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("messageBar"));
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(10, 8, 10, 8);
    m_layout->setSpacing(6);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    hide();
}

int MessageBar::durationFor(const QString& text, Kind kind) {
    // About a second more for every 40 characters a reader needs beyond a short line.
    const int base = kind == Kind::Failure ? 8000 : 5000;
    const int extra = int(std::max<qsizetype>(0, text.size() - 80) / 40) * 1000;
    return base + std::min(extra, 12000);
}

void MessageBar::showMessage(const QString& text, Kind kind) {
    for (const QPointer<MessageBarItem>& item : std::as_const(m_items)) {
        if (item && item->text() == text && item->kind() == kind) {
            item->restart();
            announce(item);
            return;
        }
    }
    while (m_items.size() >= maximumShown)
        removeItem(m_items.first());
    auto* item = new MessageBarItem(text, kind, this);
    m_items.append(item);
    m_layout->addWidget(item);
    connect(item, &MessageBarItem::dismissed, this, [this, item] { removeItem(item); });
    connect(item, &MessageBarItem::showLogRequested, this, &MessageBar::showLogRequested);
    show();
    announce(item);
}

QStringList MessageBar::messages() const {
    QStringList texts;
    for (const QPointer<MessageBarItem>& item : m_items) {
        if (item)
            texts.append(item->text());
    }
    return texts;
}

void MessageBar::removeItem(MessageBarItem* item) {
    m_items.removeAll(item);
    m_layout->removeWidget(item);
    item->hide();
    item->deleteLater();
    setVisible(!m_items.isEmpty());
}

MessageBarItem::MessageBarItem(const QString& text, MessageBar::Kind kind, QWidget* parent)
    : QFrame(parent), m_text(text), m_kind(kind) {
    const bool failure = kind == MessageBar::Kind::Failure;
    setObjectName(failure ? QStringLiteral("messageBarFailure")
                          : QStringLiteral("messageBarSuccess"));
    setAccessibleName(text);
    setAccessibleDescription(
        failure ? QCoreApplication::translate("tolvane::MessageBar", "Error")
                : QCoreApplication::translate("tolvane::MessageBar", "Information"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 6, 6, 6);
    layout->setSpacing(10);
    m_icon = new QLabel(this);
    updateIcon();
    layout->addWidget(m_icon, 0, Qt::AlignVCenter);

    QString shown = text.trimmed();
    if (shown.size() > MessageBar::shownCharacters)
        shown = shown.left(MessageBar::shownCharacters) + QStringLiteral("…");
    auto* label = new QLabel(shown, this);
    label->setObjectName(QStringLiteral("messageBarText"));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    if (shown != text)
        label->setToolTip(text);
    layout->addWidget(label, 1);

    if (failure) {
        auto* showLog = new QPushButton(QStringLiteral("Show Log"), this);
        showLog->setObjectName(QStringLiteral("messageBarShowLog"));
        showLog->setAutoDefault(false);
        showLog->setFocusPolicy(Qt::TabFocus);
        connect(showLog, &QPushButton::clicked, this, &MessageBarItem::showLogRequested);
        layout->addWidget(showLog, 0, Qt::AlignVCenter);
    }
    auto* dismiss = new QToolButton(this);
    dismiss->setObjectName(QStringLiteral("messageBarDismiss"));
    dismiss->setIcon(symbolIcon(QStringLiteral("xmark")));
    dismiss->setIconSize(QSize(12, 12));
    dismiss->setAutoRaise(true);
    dismiss->setToolTip(QStringLiteral("Dismiss"));
    dismiss->setFocusPolicy(Qt::TabFocus);
    connect(dismiss, &QToolButton::clicked, this, &MessageBarItem::dismissed);
    layout->addWidget(dismiss, 0, Qt::AlignVCenter);

    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, &MessageBarItem::dismissed);
    restart();
}

void MessageBarItem::restart() {
    m_expiry.start(MessageBar::durationFor(m_text, m_kind));
}

QColor MessageBarItem::accent() const {
    return m_kind == MessageBar::Kind::Failure ? ViewColors::red() : ViewColors::green(palette());
}

void MessageBarItem::updateIcon() {
    const QString symbol = m_kind == MessageBar::Kind::Failure
                               ? QStringLiteral("exclamationmark.triangle.fill")
                               : QStringLiteral("checkmark.circle.fill");
    m_icon->setPixmap(tintedSymbol(symbol, accent(), 16, devicePixelRatioF()));
}

void MessageBarItem::paintEvent(QPaintEvent*) {
    // A light wash of the accent keeps the window's own text colour readable in both schemes.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = accent();
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(ViewColors::withAlpha(color, 0.55), 1));
    painter.setBrush(ViewColors::withAlpha(color, ViewColors::isDark(palette()) ? 0.20 : 0.12));
    painter.drawRoundedRect(box, 6, 6);
}

void MessageBarItem::enterEvent(QEnterEvent* event) {
    m_expiry.stop();
    QFrame::enterEvent(event);
}

void MessageBarItem::leaveEvent(QEvent* event) {
    restart();
    QFrame::leaveEvent(event);
}

void MessageBarItem::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange && m_icon)
        updateIcon();
    QFrame::changeEvent(event);
}

} // namespace tolvane
