#include "graph/graphPalette.h"

namespace tolvane {

const std::array<QColor, 8>& graphPalette() {
    // Qt's named (SVG) colours.
    static const std::array<QColor, 8> palette{
        QColor(u"blue"), QColor(u"green"), QColor(u"orange"), QColor(u"purple"),
        QColor(u"pink"), QColor(u"cyan"),  QColor(u"yellow"), QColor(u"red"),
    };
    return palette;
}

} // namespace tolvane
