#pragma once

#include <QColor>
#include <QString>

namespace tolvane {

// The hue (0..1) a commit's blame tint gets: a 31-multiplier hash over the first six characters
// of the commit hash, taken modulo 360 degrees. The same commit always gets the same hue; an
// empty hash gives 0.
double commitHue(const QString& commitHash);

// The pastel tint of a commit: that hue at saturation 0.3 and brightness 0.95, opaque.
QColor commitColor(const QString& commitHash);

} // namespace tolvane
