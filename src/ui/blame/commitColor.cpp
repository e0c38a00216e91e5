#include "ui/blame/commitColor.h"

#include <QTextBoundaryFinder>

namespace tolvane {

double commitHue(const QString& commitHash) {
    // Characters are user-perceived characters: a CR LF pair is one, worth a line feed.
    qint64 h = 0;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, commitHash);
    qsizetype start = 0;
    for (int count = 0; count < 6 && start < commitHash.size(); ++count) {
        finder.setPosition(start);
        qsizetype end = finder.toNextBoundary();
        if (end < 0)
            end = commitHash.size();
        const QStringView character = QStringView(commitHash).mid(start, end - start);
        qint64 value = 0;
        if (character == u"\r\n")
            value = 10;
        else if (character.size() == 1 && character.at(0).unicode() < 0x80)
            value = character.at(0).unicode();
        // Six characters of at most 127 keep h far below the 64-bit limit.
        h = h * 31 + value;
        start = end;
    }
    return double(h % 360) / 360.0;
}

QColor commitColor(const QString& commitHash) {
    return QColor::fromHsvF(float(commitHue(commitHash)), 0.3f, 0.95f, 1.0f);
}

} // namespace tolvane
