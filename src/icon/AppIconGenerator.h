#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

namespace tolvane {

// The application icon, drawn at run time: a rounded square with a branching commit graph.
// Each size is drawn for itself (small sizes get thicker strokes and fewer details), never scaled
// from another size.
class AppIconGenerator {
public:
    // 16, 32, 64, 128, 256 and 512 pixels square.
    [[nodiscard]] static QList<int> standardSizes();
    // The size shown in the About dialog.
    static constexpr int aboutSize = 128;

    // The icon at size × size pixels (transparent outside the rounded square). Needs no
    // application object, so install-time tools can call it.
    [[nodiscard]] static QImage render(int size);
    // One icon holding every standard size. Needs a QGuiApplication.
    [[nodiscard]] static QIcon icon();
};

} // namespace tolvane
