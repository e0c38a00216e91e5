#include "ui/SymbolIcon.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace tolvane {
namespace {

struct SymbolEntry {
    const char* themeName; // freedesktop icon-theme name, or empty
    const char* fallback;  // bundled SVG under :/icons
};

// One table for every symbol the interface uses.
const QHash<QString, SymbolEntry>& symbolTable() {
    static const QHash<QString, SymbolEntry> table{
        {QStringLiteral("arrow.triangle.branch"), {"", ":/icons/arrow.triangle.branch.svg"}},
        {QStringLiteral("folder"), {"folder", ":/icons/folder.svg"}},
    };
    return table;
}

} // namespace

QIcon symbolIcon(const QString& symbolName) {
    const auto it = symbolTable().constFind(symbolName);
    if (it == symbolTable().cend())
        return {};
    const QString themeName = QString::fromLatin1(it->themeName);
    if (!themeName.isEmpty() && QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);
    return QIcon(QString::fromLatin1(it->fallback));
}

QPixmap tintedSymbol(const QString& symbolName, const QColor& color, int size,
                     qreal devicePixelRatio) {
    const auto it = symbolTable().constFind(symbolName);
    if (it == symbolTable().cend())
        return {};
    QSvgRenderer renderer(QString::fromLatin1(it->fallback));
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, size, size), color);
    return pixmap;
}

} // namespace tolvane
