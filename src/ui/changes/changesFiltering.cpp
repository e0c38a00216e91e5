#include "ui/changes/changesFiltering.h"

#include <QSet>
#include <algorithm>

namespace tolvane {

QList<FileChange> stagedRows(const QList<FileChange>& changes) {
    QList<FileChange> rows;
    for (const FileChange& change : changes) {
        if (change.isStaged)
            rows.append(change);
    }
    return rows;
}

QList<FileChange> unstagedRows(const QList<FileChange>& changes, const QStringList& trackedFiles,
                               bool showDotFiles, bool showAllFiles) {
    QList<FileChange> rows;
    QSet<QString> changed;
    for (const FileChange& change : changes) {
        changed.insert(change.path);
        // Conflicted files are listed in the conflicts section above instead.
        if (!change.isStaged && change.status != ChangeStatus::Conflict &&
            (showDotFiles || !isDotFile(change.path)))
            rows.append(change);
    }
    if (!showAllFiles)
        return rows;
    QStringList unchanged;
    for (const QString& path : trackedFiles) {
        if (!changed.contains(path) && (showDotFiles || !isDotFile(path)))
            unchanged.append(path);
    }
    // Plain code-unit order, as a byte-wise sort would give.
    std::sort(unchanged.begin(), unchanged.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    for (const QString& path : std::as_const(unchanged))
        rows.append(FileChange{ChangeStatus::Unmodified, path, false, std::nullopt});
    return rows;
}

bool pathMatchesFilter(QStringView path, QStringView filter) {
    const QList<QStringView> parts = filter.trimmed().split(u'/', Qt::SkipEmptyParts);
    const QList<QStringView> segments = path.split(u'/', Qt::SkipEmptyParts);
    qsizetype next = 0;
    for (const QStringView part : parts) {
        while (next < segments.size() && !segments[next].contains(part, Qt::CaseInsensitive))
            ++next;
        if (next == segments.size())
            return false;
        ++next;
    }
    return true;
}

std::optional<QString> extensionIgnorePattern(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? path : path.mid(dot + 1);
    if (extension.size() >= 10)
        return std::nullopt;
    return QStringLiteral("*.") + extension;
}

std::optional<QString> folderIgnorePattern(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return std::nullopt;
    return path.left(slash) + QLatin1Char('/');
}

} // namespace tolvane
