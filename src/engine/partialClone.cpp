#include "engine/partialClone.h"

#include "engine/gitText.h"

#include <QHash>
#include <QStringList>

namespace tolvane {

std::optional<PromisorRemote> parsePromisorRemote(const QByteArray& listing) {
    QString named;
    QStringList promisors;
    QHash<QString, QString> filters;
    for (const QByteArray& record : listing.split('\0')) {
        const qsizetype newline = record.indexOf('\n');
        if (newline <= 0)
            continue;
        const QString key = decodeGitBytes(record.left(newline)).toLower();
        const QString value = decodeGitBytes(record.mid(newline + 1)).trimmed();
        if (key == u"extensions.partialclone") {
            named = value;
            continue;
        }
        if (!key.startsWith(u"remote."))
            continue;
        const qsizetype lastDot = key.lastIndexOf(u'.');
        // Remote names keep their case; only the section and the variable are case-blind.
        const QString remote = decodeGitBytes(record.mid(7, lastDot - 7));
        if (key.endsWith(u".promisor")) {
            const QString flag = value.toLower();
            const bool on = flag == u"true" || flag == u"yes" || flag == u"on" || flag == u"1";
            promisors.removeAll(remote);
            if (on)
                promisors.append(remote);
        } else if (key.endsWith(u".partialclonefilter")) {
            filters.insert(remote, value);
        }
    }
    const QString name = !named.isEmpty() ? named : promisors.value(0);
    if (name.isEmpty())
        return std::nullopt;
    return PromisorRemote{name, filters.value(name)};
}

bool isMissingContentsMessage(const QString& message) {
    // git names the object it could not get from the promisor, or, from 2.45 on, says that lazy
    // fetching is turned off.
    return message.contains(QLatin1String("from promisor remote")) ||
           message.contains(QLatin1String("lazy fetching disabled"));
}

} // namespace tolvane
