#include "ui/history/refBadges.h"

#include "ui/common/viewColors.h"

namespace tolvane {

QStringList parseRefs(const QString& refs) {
    QStringList labels;
    for (const QString& raw : refs.split(QStringLiteral(", "))) {
        // Spaces only; other white space is part of the name as git printed it.
        qsizetype begin = 0, end = raw.size();
        while (begin < end && raw[begin] == u' ')
            ++begin;
        while (end > begin && raw[end - 1] == u' ')
            --end;
        const QString piece = raw.mid(begin, end - begin);
        if (piece.isEmpty())
            continue;
        if (piece.startsWith(QStringLiteral("HEAD -> "))) {
            labels.append(QStringLiteral("HEAD"));
            if (piece.size() > 8)
                labels.append(piece.mid(8));
        } else {
            labels.append(piece);
        }
    }
    return labels;
}

QColor refColor(const QString& label) {
    if (label == u"HEAD")
        return ViewColors::red();
    if (label.startsWith(QStringLiteral("tag:")))
        return ViewColors::orange();
    if (label.contains(QStringLiteral("origin")))
        return ViewColors::purple();
    return ViewColors::green();
}

} // namespace tolvane
