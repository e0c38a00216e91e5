#include "engine/configListing.h"

#include "engine/gitText.h"

namespace tolvane {

bool ConfigListing::isTrue(const QString& key) const {
    const QString text = last.value(key).trimmed().toLower();
    if (text == u"true" || text == u"yes" || text == u"on")
        return true;
    bool number = false;
    const int value = text.toInt(&number);
    return number && value != 0;
}

ConfigListing parseConfigListing(const QByteArray& listing) {
    ConfigListing result;
    for (const QByteArray& record : listing.split('\0')) {
        if (record.isEmpty())
            continue;
        const qsizetype newline = record.indexOf('\n');
        // A key without a line break is set without a value, which git reads as true.
        const QString key = decodeGitBytes(newline < 0 ? record : record.left(newline)).toLower();
        const QString value =
            newline < 0 ? QStringLiteral("true") : decodeGitBytes(record.mid(newline + 1));
        result.last.insert(key, value);
        result.all[key].append(value);
    }
    return result;
}

} // namespace tolvane
