#include "ui/common/windowFrame.h"

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

} // namespace tolvane
