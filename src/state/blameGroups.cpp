#include "state/blameGroups.h"

namespace tolvane {
namespace {

BlameGroup closeRun(QList<GitBlameLine> run) {
    const GitBlameLine& first = run.first();
    return BlameGroup{first.commitHash() + QLatin1Char('-') + QString::number(first.id),
                      first.commitHash(), first.author(), first.date(), std::move(run)};
}

} // namespace

QList<BlameGroup> blameGroups(const QList<GitBlameLine>& lines) {
    QList<BlameGroup> groups;
    QList<GitBlameLine> run;
    QString runHash;
    for (const GitBlameLine& line : lines) {
        if (!run.isEmpty() && line.commitHash() == runHash) {
            run.append(line);
            continue;
        }
        if (!run.isEmpty())
            groups.append(closeRun(std::move(run)));
        run = {line};
        runHash = line.commitHash();
    }
    if (!run.isEmpty())
        groups.append(closeRun(std::move(run)));
    return groups;
}

} // namespace tolvane
