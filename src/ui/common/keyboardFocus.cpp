#include "ui/common/keyboardFocus.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QStackedWidget>
#include <QTabBar>

namespace tolvane {
namespace {

bool acceptsTab(const QWidget* widget) {
    return (widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled();
}

// Drawn over the focused widget as its child, so that it moves, clips and goes with it; the mouse
// goes through it.
class OutlineFrame : public QWidget {
public:
    explicit OutlineFrame(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("focusOutline"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(palette().color(QPalette::Active, QPalette::Highlight));
        pen.setWidthF(2);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
    }
};

// Moves the one outline to each newly focused widget.
class FocusFollower : public QObject {
public:
    explicit FocusFollower(QObject* parent) : QObject(parent) {
        connect(qApp, &QApplication::focusChanged, this,
                [this](QWidget*, QWidget* now) { follow(now); });
        follow(QApplication::focusWidget());
    }

    QWidget* shown() const { return m_frame && m_frame->isVisible() ? m_frame.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_target && m_frame) {
            switch (event->type()) {
            case QEvent::Resize:
                m_frame->setGeometry(m_target->rect());
                break;
            case QEvent::ChildAdded:
                // A child added later lies above the outline until it is raised again.
                m_frame->raise();
                break;
            default:
                break;
            }
        }
        return false;
    }

private:
    void follow(QWidget* focus) {
        if (m_target)
            m_target->removeEventFilter(this);
        m_target = nullptr;
        // A list's viewport holds the keyboard for its list; the outline goes round the frame.
        QWidget* target = focus;
        if (target && target->parentWidget())
            if (auto* area = qobject_cast<QAbstractScrollArea*>(target->parentWidget());
                area && area->viewport() == target)
                target = area;
        if (!target || target->isWindow() || marksOwnFocus(target)) {
            // Left with the widget it was on, hidden; it goes when that widget goes.
            if (m_frame)
                m_frame->hide();
            return;
        }
        m_target = target;
        if (m_frame)
            m_frame->setParent(target);
        else
            m_frame = new OutlineFrame(target);
        m_frame->setGeometry(target->rect());
        m_frame->raise();
        m_frame->show();
        target->installEventFilter(this);
    }

    QPointer<QWidget> m_target;
    QPointer<OutlineFrame> m_frame;
};

QPointer<FocusFollower>& follower() {
    static QPointer<FocusFollower> instance;
    return instance;
}

} // namespace

QWidget* firstKeyboardTarget(QWidget* root) {
    if (!root)
        return nullptr;
    if (acceptsTab(root))
        return root;
    QWidget* button = nullptr;
    const QList<QWidget*> children = root->findChildren<QWidget*>();
    for (QWidget* child : children) {
        if (!acceptsTab(child))
            continue;
        if (!qobject_cast<QAbstractButton*>(child))
            return child;
        if (!button)
            button = child;
    }
    return button;
}

void showPageKeepingFocus(QStackedWidget* stack, QWidget* page) {
    if (stack->currentWidget() == page)
        return;
    QWidget* focus = QApplication::focusWidget();
    const bool leaving = focus && stack->isAncestorOf(focus) && !page->isAncestorOf(focus);
    // The stack holds the keyboard while the pages change.
    if (leaving)
        stack->setFocus(Qt::OtherFocusReason);
    stack->setCurrentWidget(page);
    if (!leaving || QApplication::focusWidget() != stack)
        return;
    QWidget* target = page->focusWidget();
    if (!target || !page->isAncestorOf(target) || !acceptsTab(target))
        target = firstKeyboardTarget(page);
    if (target)
        target->setFocus(Qt::OtherFocusReason);
}

bool marksOwnFocus(const QWidget* widget) {
    return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
           qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QAbstractSlider*>(widget) || qobject_cast<const QTabBar*>(widget);
}

void installFocusOutline() {
    if (!follower())
        follower() = new FocusFollower(qApp);
}

QWidget* focusOutlineWidget() {
    return follower() ? follower()->shown() : nullptr;
}

} // namespace tolvane
