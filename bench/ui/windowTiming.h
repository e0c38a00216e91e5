// Shows, paints and times view benchmarks' windows the same way in every program here.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <QWindow>

namespace tolvane::bench {

// Shows `widget` and waits until its window can be painted.
inline void showAndExpose(QWidget* widget) {
    widget->show();
    QElapsedTimer timer;
    timer.start();
    while (!(widget->windowHandle() && widget->windowHandle()->isExposed()) &&
           timer.elapsed() < 5000)
        QCoreApplication::processEvents();
    if (!widget->windowHandle() || !widget->windowHandle()->isExposed())
        qFatal("the window was never exposed; run with QT_QPA_PLATFORM=offscreen");
    QCoreApplication::processEvents();
}

// Paints `widget` now, then lets any events the change posted run, so that the frame is final.
inline void paintFrame(QWidget* widget) {
    widget->repaint();
    QCoreApplication::processEvents();
}

inline double elapsedMs(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace tolvane::bench
