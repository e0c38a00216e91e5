// Writes the application icon as <root>/<size>x<size>/apps/org.tolvane.Tolvane.png for every
// standard size. Run by `cmake --install`.
#include "icon/AppIconGenerator.h"

#include <QDir>
#include <QString>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tolvane_render_icons <hicolor folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int size : tolvane::AppIconGenerator::standardSizes()) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(size);
        const QString file = folder + QStringLiteral("/org.tolvane.Tolvane.png");
        if (!QDir().mkpath(folder) || !tolvane::AppIconGenerator::render(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("-- Installing: %s\n", qPrintable(file));
    }
    return 0;
}
