#pragma once

#include <QColor>
#include <QIcon>
#include <QString>
#include <QStringList>

namespace tolvane {

// The icon for a symbol name of the design ("folder", "arrow.triangle.branch", ...): the desktop
// theme's icon when the theme has one, otherwise the bundled SVG.
QIcon symbolIcon(const QString& symbolName);

// Every symbol name the table knows, sorted.
QStringList symbolNames();

// The bundled SVG drawn in one colour, for symbols shown tinted (secondary text, status colours).
QPixmap tintedSymbol(const QString& symbolName, const QColor& color, int size,
                     qreal devicePixelRatio);

// The bundled SVG in the palette's button text colour, and in its disabled one when the button
// is off: an icon that stays readable on a dark palette. Set it again when the palette changes.
QIcon paletteSymbolIcon(const QString& symbolName, const QPalette& palette, int size,
                        qreal devicePixelRatio);

} // namespace tolvane
