#include "ui/common/windowFrame.h"

#include <QAction>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace tolvane {

void restoreWindowFrame(QWidget* window, const QByteArray& savedGeometry) {
    if (!savedGeometry.isEmpty() && window->restoreGeometry(savedGeometry))
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

void closeOnEscape(QWidget* window) {
    auto* close = new QAction(window);
    close->setObjectName(QStringLiteral("closeWindowAction"));
    close->setShortcuts({QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)});
    QObject::connect(close, &QAction::triggered, window, &QWidget::close);
    window->addAction(close);
}

} // namespace tolvane
