#include "engine/submoduleParser.h"

#include <QStringList>

namespace tolvane {

QList<SubmoduleStatusLine> parseSubmoduleStatus(const QString& output) {
    QList<SubmoduleStatusLine> lines;
    for (const QString& line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.size() < 3)
            continue;
        const QChar mark = line.at(0);
        const qsizetype space = line.indexOf(QLatin1Char(' '), 1);
        if (space <= 1)
            continue;
        QString path = line.mid(space + 1);
        // A described commit follows the path in parentheses; only then is there a " (".
        if ((mark == QLatin1Char(' ') || mark == QLatin1Char('+')) &&
            path.endsWith(QLatin1Char(')'))) {
            const qsizetype open = path.lastIndexOf(QStringLiteral(" ("));
            if (open > 0)
                path.truncate(open);
        }
        if (path.isEmpty())
            continue;
        lines.append(SubmoduleStatusLine{mark, line.mid(1, space - 1), path});
    }
    return lines;
}

QHash<QString, SubmoduleChange> parseSubmoduleChanges(const QByteArray& output) {
    QHash<QString, SubmoduleChange> changes;
    const QList<QByteArray> records = output.split('\0');
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QByteArray& record = records[i];
        // "1 XY sub mH mI mW hH hI path", "2 ... Xscore path" followed by the source path in a
        // record of its own, "u XY sub m1 m2 m3 mW h1 h2 h3 path".
        int fields = 0;
        if (record.startsWith("1 "))
            fields = 8;
        else if (record.startsWith("2 "))
            fields = 9;
        else if (record.startsWith("u "))
            fields = 10;
        else
            continue;
        if (record.startsWith("2 "))
            ++i;
        qsizetype position = 0;
        QList<QByteArray> parts;
        for (int f = 0; f < fields; ++f) {
            const qsizetype space = record.indexOf(' ', position);
            if (space < 0)
                break;
            parts.append(record.mid(position, space - position));
            position = space + 1;
        }
        if (parts.size() != fields || parts[2].size() != 4 || parts[2][0] != 'S')
            continue;
        const QByteArray& xy = parts[1];
        const QByteArray& sub = parts[2];
        SubmoduleChange change;
        change.pointerStaged = xy.size() == 2 && xy[0] != '.';
        change.commitChanged = sub[1] == 'C';
        change.modifiedInside = sub[2] == 'M';
        changes.insert(QString::fromUtf8(record.mid(position)), change);
    }
    return changes;
}

GitSubmodule makeSubmodule(const SubmoduleStatusLine& checkedOut, const QString& recordedCommit,
                           const SubmoduleChange& change, bool checkedOutBehind) {
    GitSubmodule submodule;
    submodule.path = checkedOut.path;
    submodule.recordedCommit = recordedCommit;
    submodule.pointerStaged = change.pointerStaged;
    if (checkedOut.mark == QLatin1Char('-')) {
        submodule.state = SubmoduleState::NotInitialized;
        return submodule;
    }
    submodule.checkedOutCommit = checkedOut.commit;
    const bool differs = checkedOut.mark == QLatin1Char('+') ||
                         (!recordedCommit.isEmpty() && checkedOut.commit != recordedCommit);
    if (differs)
        submodule.state = checkedOutBehind ? SubmoduleState::OutOfDate : SubmoduleState::NewCommit;
    else if (change.modifiedInside)
        submodule.state = SubmoduleState::ModifiedInside;
    else if (change.pointerStaged)
        submodule.state = SubmoduleState::NewCommit;
    else
        submodule.state = SubmoduleState::UpToDate;
    return submodule;
}

QString submoduleStateText(const GitSubmodule& submodule) {
    switch (submodule.state) {
    case SubmoduleState::NotInitialized:
        return QStringLiteral("Not initialized");
    case SubmoduleState::UpToDate:
        return QStringLiteral("Up to date");
    case SubmoduleState::OutOfDate:
        return QStringLiteral("Out of date");
    case SubmoduleState::ModifiedInside:
        return QStringLiteral("Modified inside");
    case SubmoduleState::NewCommit:
        return submodule.pointerStaged ? QStringLiteral("New commit recorded")
                                       : QStringLiteral("New commit checked out");
    }
    return QString();
}

} // namespace tolvane
