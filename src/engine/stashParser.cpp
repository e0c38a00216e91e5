#include "engine/stashParser.h"

#include <limits>
#include <optional>

namespace tolvane {
namespace {

// An optional sign and decimal digits only: no white space, no overflow.
std::optional<int> strictDecimal(QStringView text) {
    bool negative = false;
    if (text.startsWith(u'+') || text.startsWith(u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

// The branch git names in a stash's subject: "On <branch>: <message>" for a stash given a
// message, "WIP on <branch>: <commit> <subject>" otherwise. A branch name holds no colon.
QString branchOfStashSubject(QStringView subject) {
    for (QStringView prefix : {QStringView(u"WIP on "), QStringView(u"On ")}) {
        if (!subject.startsWith(prefix))
            continue;
        const QStringView rest = subject.sliced(prefix.size());
        const qsizetype colon = rest.indexOf(u':');
        if (colon > 0)
            return rest.first(colon).toString();
    }
    return QString();
}

} // namespace

QList<StashEntry> parseStashList(const QString& output) {
    QList<StashEntry> entries;
    const QList<QStringView> fields = QStringView(output).split(QChar(u'\0'));
    static const QString opening = QStringLiteral("stash@{");
    for (qsizetype i = 0; i + 3 < fields.size(); i += 4) {
        const QStringView name = fields[i];
        if (!name.startsWith(opening) || !name.endsWith(u'}'))
            continue;
        const std::optional<int> index =
            strictDecimal(name.sliced(opening.size(), name.size() - opening.size() - 1));
        bool timeOk = false;
        const qint64 time = fields[i + 2].toLongLong(&timeOk);
        if (!index || !timeOk || fields[i + 1].isEmpty())
            continue;
        const QStringView subject = fields[i + 3];
        entries.append(StashEntry{.index = *index,
                                  .message = subject.toString(),
                                  .hash = fields[i + 1].toString(),
                                  .time = time,
                                  .branch = branchOfStashSubject(subject)});
    }
    return entries;
}

} // namespace tolvane
