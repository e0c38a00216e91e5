#include "engine/relativeDate.h"

namespace tolvane {
namespace {

QString counted(qint64 count, const char* unit) {
    return QString::number(count) + u' ' + QLatin1StringView(unit) +
           (count == 1 ? QString() : QStringLiteral("s"));
}

QString ago(qint64 count, const char* unit) {
    return counted(count, unit) + QStringLiteral(" ago");
}

} // namespace

QString gitRelativeDate(qint64 time, qint64 now) {
    if (now < time)
        return QStringLiteral("in the future");
    qint64 diff = now - time;
    if (diff < 90)
        return ago(diff, "second");
    // Each step rounds to the nearest whole unit of the next.
    diff = (diff + 30) / 60;
    if (diff < 90)
        return ago(diff, "minute");
    diff = (diff + 30) / 60;
    if (diff < 36)
        return ago(diff, "hour");
    diff = (diff + 12) / 24;
    if (diff < 14)
        return ago(diff, "day");
    if (diff < 70)
        return ago((diff + 3) / 7, "week");
    if (diff < 365)
        return ago((diff + 15) / 30, "month");
    if (diff < 1825) {
        const qint64 totalMonths = (diff * 12 * 2 + 365) / (365 * 2);
        const qint64 years = totalMonths / 12;
        const qint64 months = totalMonths % 12;
        if (months == 0)
            return ago(years, "year");
        return counted(years, "year") + QStringLiteral(", ") + ago(months, "month");
    }
    return ago((diff + 183) / 365, "year");
}

} // namespace tolvane
