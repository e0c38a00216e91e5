#include "engine/commitFilesParser.h"

#include "engine/lineSplitting.h"

namespace tolvane {

QList<CommitFileEntry> parseCommitFiles(const QString& output) {
    QList<CommitFileEntry> entries;
    for (QStringView line : QStringView(output).tokenize(QChar(u'\n'))) {
        const QStringView trimmed = trimSpacesAndTabs(line);
        if (trimmed.isEmpty())
            continue;
        const QList<QStringView> parts = trimmed.split(QChar(u'\t'));
        if (parts.size() < 2 || parts[0].isEmpty())
            continue;
        const QString status = parts[0].first(1).toString();
        QString path = parts[1].toString();
        if ((status == u"R" || status == u"C") && parts.size() >= 3)
            path += QStringLiteral(" \u2192 ") + parts[2].toString();
        entries.append(CommitFileEntry{status, path});
    }
    return entries;
}

} // namespace tolvane
