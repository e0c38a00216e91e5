#include "state/listedChanges.h"

#include <QSet>
#include <QStringList>

namespace tolvane {

bool isDotFile(const QString& path) {
    static const QSet<QString> alwaysVisible{
        QStringLiteral(".gitignore"), QStringLiteral(".gitattributes"),
        QStringLiteral(".gitmodules"), QStringLiteral(".gitmessage"), QStringLiteral(".mailmap")};
    const QStringList pieces = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return false;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        if (pieces[i].startsWith(QLatin1Char('.')))
            return true;
    }
    return pieces.last().startsWith(QLatin1Char('.')) && !alwaysVisible.contains(pieces.last());
}

namespace {

bool isUnstagedChange(const FileChange& change) {
    return !change.isStaged && change.status != ChangeStatus::Conflict &&
           change.status != ChangeStatus::Unmodified;
}

} // namespace

QList<FileChange> listedUnstagedChanges(const QList<FileChange>& changes, bool showDotFiles) {
    QList<FileChange> listed;
    for (const FileChange& change : changes) {
        if (isUnstagedChange(change) && (showDotFiles || !isDotFile(change.path)))
            listed.append(change);
    }
    return listed;
}

qsizetype hiddenUnstagedCount(const QList<FileChange>& changes, bool showDotFiles) {
    if (showDotFiles)
        return 0;
    qsizetype hidden = 0;
    for (const FileChange& change : changes)
        hidden += isUnstagedChange(change) && isDotFile(change.path);
    return hidden;
}

QString hiddenFilesText(qsizetype count) {
    return QString::number(count) +
           (count == 1 ? QStringLiteral(" hidden file") : QStringLiteral(" hidden files"));
}

} // namespace tolvane
