#include "engine/blameParser.h"

#include "engine/statusParser.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <cmath>

namespace tolvane {
namespace {

bool isHeader(QStringView line) {
    if (line.size() < 40)
        return false;
    for (qsizetype i = 0; i < 40; ++i) {
        const QChar c = line[i];
        const bool hex =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!hex)
            return false;
    }
    return true;
}

} // namespace

QString blameDate(QStringView secondsSinceEpoch) {
    bool ok = false;
    double seconds = secondsSinceEpoch.toDouble(&ok);
    // Far outside any real date; also keeps the conversion to an integer defined.
    if (!ok || !std::isfinite(seconds) || std::fabs(seconds) > 1e14)
        seconds = 0;
    const QDateTime instant = QDateTime::fromSecsSinceEpoch(qint64(seconds));
    return QLocale().toString(instant.date(), QLocale::ShortFormat);
}

QList<GitBlameLine> parseBlame(const QString& output) {
    QList<GitBlameLine> lines;
    if (output.isEmpty())
        return lines;
    const QList<QStringView> rows = QStringView(output).split(QChar(u'\n'));
    QHash<QString, QString> authors;
    QHash<QString, QString> dates;
    QHash<QString, std::pair<QString, QString>> previous;
    QString lastAuthor;
    QString lastDate;
    int counter = 0;
    qsizetype i = 0;
    while (i < rows.size()) {
        const QStringView header = rows[i];
        if (!isHeader(header)) {
            ++i;
            continue;
        }
        const qsizetype space = header.indexOf(u' ');
        const QString hash = (space < 0 ? header : header.first(space)).toString();
        int originalLine = 0;
        if (space >= 0) {
            const QStringView numbers = header.sliced(space + 1);
            const qsizetype end = numbers.indexOf(u' ');
            originalLine = (end < 0 ? numbers : numbers.first(end)).toInt();
        }
        ++counter;
        qsizetype j = i + 1;
        bool produced = false;
        for (; j < rows.size(); ++j) {
            const QStringView row = rows[j];
            if (row.startsWith(u'\t')) {
                const std::pair<QString, QString> before = previous.value(hash);
                lines.append(GitBlameLine{counter, hash, hash.left(7),
                                          authors.value(hash, lastAuthor),
                                          dates.value(hash, lastDate), row.sliced(1).toString(),
                                          originalLine, before.first, before.second});
                produced = true;
                break;
            }
            if (row.startsWith(u"author ")) {
                lastAuthor = row.sliced(7).toString();
                authors.insert(hash, lastAuthor);
            } else if (row.startsWith(u"previous ")) {
                // "previous <hash> <path>"; the path is quoted when it holds unusual bytes.
                const QStringView rest = row.sliced(9);
                const qsizetype gap = rest.indexOf(u' ');
                if (gap > 0) {
                    QString path = rest.sliced(gap + 1).toString();
                    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
                        path = unescapeGitPath(path.sliced(1, path.size() - 2));
                    previous.insert(hash, {rest.first(gap).toString(), path});
                }
            } else if (row.startsWith(u"author-time ")) {
                lastDate = blameDate(row.sliced(12));
                dates.insert(hash, lastDate);
            }
        }
        if (!produced)
            break;
        i = j + 1;
    }
    return lines;
}

} // namespace tolvane
