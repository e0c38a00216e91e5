#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace tolvane {

// The last value of each configuration key (lower-cased) in `git config -z --get-regexp`
// output, and every value of the keys that may repeat.
struct ConfigListing {
    QHash<QString, QString> last;
    QHash<QString, QStringList> all;
    QString value(const QString& key) const { return last.value(key); }
    bool isTrue(const QString& key) const;
};
ConfigListing parseConfigListing(const QByteArray& listing);

} // namespace tolvane
