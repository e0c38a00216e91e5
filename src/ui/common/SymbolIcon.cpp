#include "ui/common/SymbolIcon.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSvgRenderer>

// Resources of a static library are registered only when asked for by name.
static void initIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace tolvane {
namespace {

struct SymbolEntry {
    const char* themeName; // freedesktop icon-theme name, or empty
    const char* fallback;  // bundled SVG under :/icons
};

// One table for every symbol the interface uses. Status symbols drawn in a meaning colour (the
// log levels, the status bar counts) have no theme name: a theme's own colours would fight it.
const QHash<QString, SymbolEntry>& symbolTable() {
    static const bool resourcesReady = (initIconResources(), true);
    Q_UNUSED(resourcesReady);
    static const QHash<QString, SymbolEntry> table{
        {QStringLiteral("arrow.clockwise"), {"view-refresh", ":/icons/arrow.clockwise.svg"}},
        {QStringLiteral("arrow.down"), {"go-down", ":/icons/arrow.down.svg"}},
        {QStringLiteral("arrow.down.circle"), {"", ":/icons/arrow.down.circle.svg"}},
        {QStringLiteral("arrow.down.doc"), {"", ":/icons/arrow.down.doc.svg"}},
        {QStringLiteral("arrow.triangle.branch"), {"", ":/icons/arrow.triangle.branch.svg"}},
        {QStringLiteral("arrow.up"), {"go-up", ":/icons/arrow.up.svg"}},
        {QStringLiteral("arrow.up.doc"), {"", ":/icons/arrow.up.doc.svg"}},
        {QStringLiteral("checkmark.circle"), {"", ":/icons/checkmark.circle.svg"}},
        {QStringLiteral("checkmark.circle.fill"), {"", ":/icons/checkmark.circle.fill.svg"}},
        {QStringLiteral("doc.on.doc"), {"edit-copy", ":/icons/doc.on.doc.svg"}},
        {QStringLiteral("doc.text"), {"text-x-generic", ":/icons/doc.text.svg"}},
        {QStringLiteral("folder"), {"folder", ":/icons/folder.svg"}},
        {QStringLiteral("folder.fill"), {"folder", ":/icons/folder.fill.svg"}},
        {QStringLiteral("info.circle.fill"), {"", ":/icons/info.circle.fill.svg"}},
        {QStringLiteral("pencil.circle"), {"", ":/icons/pencil.circle.svg"}},
        {QStringLiteral("plus"), {"list-add", ":/icons/plus.svg"}},
        {QStringLiteral("xmark"), {"window-close", ":/icons/xmark.svg"}},
        {QStringLiteral("xmark.circle.fill"), {"", ":/icons/xmark.circle.fill.svg"}},
        {QStringLiteral("plus.circle.fill"), {"", ":/icons/plus.circle.fill.svg"}},
        {QStringLiteral("minus.circle.fill"), {"", ":/icons/minus.circle.fill.svg"}},
        {QStringLiteral("pencil.circle.fill"), {"", ":/icons/pencil.circle.fill.svg"}},
        {QStringLiteral("arrow.right.circle.fill"), {"", ":/icons/arrow.right.circle.fill.svg"}},
        {QStringLiteral("questionmark.circle.fill"), {"", ":/icons/questionmark.circle.fill.svg"}},
        {QStringLiteral("arrow.uturn.backward.circle.fill"),
         {"", ":/icons/arrow.uturn.backward.circle.fill.svg"}},
        {QStringLiteral("exclamationmark.triangle.fill"),
         {"", ":/icons/exclamationmark.triangle.fill.svg"}},
        {QStringLiteral("doc.on.doc.fill"), {"", ":/icons/doc.on.doc.fill.svg"}},
        {QStringLiteral("checkmark.square.fill"), {"", ":/icons/checkmark.square.fill.svg"}},
        {QStringLiteral("square"), {"", ":/icons/square.svg"}},
        {QStringLiteral("circle"), {"", ":/icons/circle.svg"}},
        {QStringLiteral("plus.circle"), {"", ":/icons/plus.circle.svg"}},
        {QStringLiteral("minus.circle"), {"", ":/icons/minus.circle.svg"}},
        {QStringLiteral("line.3.horizontal.decrease.circle"),
         {"", ":/icons/line.3.horizontal.decrease.circle.svg"}},
        {QStringLiteral("line.3.horizontal.decrease.circle.fill"),
         {"", ":/icons/line.3.horizontal.decrease.circle.fill.svg"}},
        {QStringLiteral("chevron.down"), {"pan-down-symbolic", ":/icons/chevron.down.svg"}},
        {QStringLiteral("chevron.right"), {"pan-end-symbolic", ":/icons/chevron.right.svg"}},
        {QStringLiteral("doc.text.magnifyingglass"), {"", ":/icons/doc.text.magnifyingglass.svg"}},
        {QStringLiteral("arrowtriangle.right.fill"), {"", ":/icons/arrowtriangle.right.fill.svg"}},
        {QStringLiteral("checkmark"), {"", ":/icons/checkmark.svg"}},
        {QStringLiteral("folder.badge.gearshape"), {"", ":/icons/folder.badge.gearshape.svg"}},
        {QStringLiteral("person.text.rectangle"), {"", ":/icons/person.text.rectangle.svg"}},
        {QStringLiteral("questionmark.circle"), {"", ":/icons/questionmark.circle.svg"}},
        {QStringLiteral("tag"), {"", ":/icons/tag.svg"}},
        {QStringLiteral("key"), {"", ":/icons/key.svg"}},
        {QStringLiteral("lock"), {"", ":/icons/lock.svg"}},
    };
    return table;
}

} // namespace

QStringList symbolNames() {
    QStringList names = symbolTable().keys();
    names.sort();
    return names;
}

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

QIcon paletteSymbolIcon(const QString& symbolName, const QPalette& palette, int size,
                        qreal devicePixelRatio) {
    QIcon icon;
    icon.addPixmap(tintedSymbol(symbolName, palette.color(QPalette::Active, QPalette::ButtonText),
                                size, devicePixelRatio),
                   QIcon::Normal);
    icon.addPixmap(tintedSymbol(symbolName, palette.color(QPalette::Disabled, QPalette::ButtonText),
                                size, devicePixelRatio),
                   QIcon::Disabled);
    return icon;
}

} // namespace tolvane
