#include "engine/branchTracking.h"

#include "engine/gitEnvironment.h"

namespace tolvane {
namespace {

const QString headsPrefix = QStringLiteral("refs/heads/");

QString commits(int count) {
    return QString::number(count) +
           (count == 1 ? QStringLiteral(" commit") : QStringLiteral(" commits"));
}

} // namespace

QStringList branchTrackingArguments() {
    return {QStringLiteral("for-each-ref"),
            QStringLiteral("--format=%(refname)%00%(upstream)%00%(upstream:short)%00"
                           "%(upstream:track,nobracket)"),
            headsPrefix};
}

BranchTrackingMap parseBranchTracking(const QString& output) {
    BranchTrackingMap map;
    for (QStringView line : QStringView(output).tokenize(u'\n', Qt::SkipEmptyParts)) {
        const QList<QStringView> fields = line.split(u'\0');
        if (fields.size() != 4 || !fields[0].startsWith(headsPrefix) || fields[1].isEmpty())
            continue;
        BranchTracking tracking;
        tracking.upstream = fields[1].toString();
        tracking.upstreamName = fields[2].toString();
        const QStringView track = fields[3].trimmed();
        if (track == u"gone") {
            tracking.gone = true;
        } else {
            bool valid = true;
            for (QStringView part : track.tokenize(u',', Qt::SkipEmptyParts)) {
                part = part.trimmed();
                bool ok = false;
                if (part.startsWith(u"ahead "))
                    tracking.ahead = part.sliced(6).toInt(&ok);
                else if (part.startsWith(u"behind "))
                    tracking.behind = part.sliced(7).toInt(&ok);
                valid = valid && ok;
            }
            if (!valid)
                continue;
        }
        map.insert(fields[0].sliced(headsPrefix.size()).toString(), tracking);
    }
    return map;
}

QCoro::Task<BranchTrackingMap> branchTracking(GitService git) {
    const QStringList args = branchTrackingArguments();
    const QString output = co_await git.run(args, false, englishOutputEnvironment());
    co_return parseBranchTracking(output);
}

QString trackingCountsText(const BranchTracking& tracking) {
    QStringList parts;
    if (tracking.ahead > 0)
        parts.append(QStringLiteral("↑") + QString::number(tracking.ahead));
    if (tracking.behind > 0)
        parts.append(QStringLiteral("↓") + QString::number(tracking.behind));
    return parts.join(u' ');
}

QString trackingDescription(const BranchTracking& tracking) {
    if (tracking.gone)
        return tracking.upstreamName + QStringLiteral(" no longer exists");
    if (tracking.ahead == 0 && tracking.behind == 0)
        return QStringLiteral("Up to date with ") + tracking.upstreamName;
    if (tracking.behind == 0)
        return commits(tracking.ahead) + QStringLiteral(" ahead of ") + tracking.upstreamName;
    if (tracking.ahead == 0)
        return commits(tracking.behind) + QStringLiteral(" behind ") + tracking.upstreamName;
    return commits(tracking.ahead) + QStringLiteral(" ahead of ") + tracking.upstreamName +
           QStringLiteral(", ") + QString::number(tracking.behind) + QStringLiteral(" behind");
}

} // namespace tolvane
