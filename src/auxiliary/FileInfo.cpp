#include "auxiliary/FileInfo.h"

#include <QLocale>
#include <QRegularExpression>

namespace tolvane {

QString FileInfo::formatDate(const std::optional<QDateTime>& date) {
    if (!date || !date->isValid())
        return QStringLiteral("—");
    // Qt knows short and long forms only; the medium one is the long date without the weekday
    // and with the month abbreviated, and the long time without the zone.
    const QLocale locale;
    static const QRegularExpression weekday(QStringLiteral("[,\\s]*dddd[,\\s]*"));
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt\\b\\s*"));
    QString dateFormat = locale.dateFormat(QLocale::LongFormat);
    dateFormat.replace(weekday, QStringLiteral(" "));
    dateFormat.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.replace(zone, QString());
    const QDateTime local = date->toLocalTime();
    return locale.toString(local.date(), dateFormat.trimmed()) + QLatin1Char(' ') +
           locale.toString(local.time(), timeFormat.trimmed());
}

} // namespace tolvane
