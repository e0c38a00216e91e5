#pragma once

#include <QColor>
#include <array>

namespace tolvane {

// The lane colours in order: blue, green, orange, purple, pink, cyan, yellow, red.
const std::array<QColor, 8>& graphPalette();

// The colour of lane `lane`: the palette repeats every eight lanes.
inline const QColor& graphLaneColor(int lane) {
    return graphPalette()[size_t(lane) % 8];
}

} // namespace tolvane
