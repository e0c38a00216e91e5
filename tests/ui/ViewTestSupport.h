#pragma once

#include "ui/appearance/AppearanceManager.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <functional>

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

// Saves `widget` drawn at each of `scales` (1.5 for 150 %), light and dark: the painted rows,
// symbols and text are drawn for that pixel ratio as they are on a scaled screen.
inline void saveAtScales(QWidget* widget, const QString& name,
                         std::initializer_list<qreal> scales) {
    const QPalette original = QApplication::palette();
    for (const qreal scale : scales) {
        for (const bool dark : {false, true}) {
            QApplication::setPalette(dark ? AppearanceManager::darkPalette()
                                          : AppearanceManager::lightPalette());
            QApplication::processEvents();
            QPixmap picture(widget->size() * scale);
            picture.setDevicePixelRatio(scale);
            picture.fill(Qt::transparent);
            widget->render(&picture);
            picture.save(
                screenshotDir() + QLatin1Char('/') + name + QStringLiteral("-%1x-").arg(scale) +
                (dark ? QStringLiteral("dark") : QStringLiteral("light")) + QStringLiteral(".png"));
        }
    }
    QApplication::setPalette(original);
}

// What a screen reader would miss under `root`: a focusable control without a name, a list whose
// model has rows but that exposes no row items, a row item without text. One line each, naming
// the widget by class and object name.
inline QStringList accessibilityProblems(QWidget* root, int rowsChecked = 40) {
    QStringList problems;
    const auto describe = [](QAccessibleInterface* iface) {
        QObject* object = iface->object();
        return object ? QString::fromLatin1(object->metaObject()->className()) + QLatin1Char(' ') +
                            object->objectName()
                      : QStringLiteral("role %1").arg(int(iface->role()));
    };
    const std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* iface,
                                                                     int depth) {
        if (!iface || !iface->isValid() || depth > 60)
            return;
        const QAccessible::State state = iface->state();
        if (state.invisible)
            return;
        const QString name = iface->text(QAccessible::Name).trimmed();
        if (state.focusable && name.isEmpty() && iface->role() != QAccessible::ListItem &&
            iface->role() != QAccessible::Cell && iface->role() != QAccessible::TreeItem)
            problems << QStringLiteral("no name: ") + describe(iface);
        auto* view = qobject_cast<QAbstractItemView*>(iface->object());
        if (view || iface->role() == QAccessible::List) {
            const int rows =
                view ? (view->model() ? view->model()->rowCount() : 0) : iface->childCount();
            int items = 0;
            for (int i = 0; i < iface->childCount() && items < rowsChecked; ++i) {
                QAccessibleInterface* child = iface->child(i);
                if (!child ||
                    (child->role() != QAccessible::ListItem && child->role() != QAccessible::Cell &&
                     child->role() != QAccessible::TreeItem))
                    continue;
                ++items;
                // A row is read by its first cell; a table may leave other cells empty.
                const auto* cell = child->tableCellInterface();
                if (cell && cell->columnIndex() > 0)
                    continue;
                if (child->text(QAccessible::Name).trimmed().isEmpty())
                    problems << QStringLiteral("row %1 without text: ").arg(items - 1) +
                                    describe(iface);
            }
            if (rows > 0 && items == 0)
                problems << QStringLiteral("no row items: ") + describe(iface);
            return;
        }
        for (int i = 0; i < iface->childCount(); ++i)
            walk(iface->child(i), depth + 1);
    };
    walk(QAccessible::queryAccessibleInterface(root), 0);
    return problems;
}

} // namespace tolvane::test
