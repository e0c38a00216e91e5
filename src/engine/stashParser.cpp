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

} // namespace

QList<StashEntry> parseStashList(const QString& output) {
    QList<StashEntry> entries;
    if (output.isEmpty())
        return entries;
    static const QString separator = QStringLiteral("|||");
    for (QStringView line : QStringView(output).tokenize(QChar(u'\n'))) {
        const QList<QStringView> parts = line.split(separator);
        if (parts.size() != 2)
            continue;
        QString number = parts[0].toString();
        number.remove(QStringLiteral("stash@{"));
        number.remove(QChar(u'}'));
        if (number.isEmpty())
            continue;
        const std::optional<int> index = strictDecimal(number);
        if (!index)
            continue;
        entries.append(StashEntry{*index, parts[1].toString()});
    }
    return entries;
}

} // namespace tolvane
