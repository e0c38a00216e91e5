#pragma once

#include "ui/appearance/AppearanceManager.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace tolvane::test {

inline QString screenshotDir() {
    QString base = qEnvironmentVariable("TOLVANE_BUILD_DIR");
    if (base.isEmpty())
        base = QDir::currentPath();
    const QString dir = base + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

template <typename T> T* child(QObject* root, const QString& name) {
    return root->findChild<T*>(name);
}

// Saves `widget` as it is drawn now, once with the light and once with the dark palette.
inline void saveLightAndDark(QWidget* widget, const QString& name) {
    const QPalette original = QApplication::palette();
    const struct {
        QPalette palette;
        const char* suffix;
    } schemes[] = {{AppearanceManager::lightPalette(), "light"},
                   {AppearanceManager::darkPalette(), "dark"}};
    for (const auto& scheme : schemes) {
        QApplication::setPalette(scheme.palette);
        QApplication::processEvents();
        widget->grab().save(screenshotDir() + QLatin1Char('/') + name + QLatin1Char('-') +
                            QLatin1String(scheme.suffix) + QStringLiteral(".png"));
    }
    QApplication::setPalette(original);
}

} // namespace tolvane::test
