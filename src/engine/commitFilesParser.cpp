#include "engine/commitFilesParser.h"

#include <optional>

namespace tolvane {

QList<CommitFileEntry> parseCommitFiles(const QString& output) {
    QList<CommitFileEntry> entries;
    const QList<QStringView> records = QStringView(output).split(QChar(u'\0'));
    qsizetype r = 0;
    auto next = [&]() -> std::optional<QStringView> {
        if (r >= records.size())
            return std::nullopt;
        return records[r++];
    };
    while (const auto record = next()) {
        // A status record holds no path, so blanks and line breaks around it are only padding.
        const QStringView status = record->trimmed();
        if (status.isEmpty())
            continue;
        const QString letter = status.first(1).toString();
        const auto path = next();
        if (!path)
            break;
        QString shown = path->toString();
        if (letter == u"R" || letter == u"C") {
            if (const auto newPath = next())
                shown += QStringLiteral(" \u2192 ") + newPath->toString();
        }
        if (!shown.isEmpty())
            entries.append(CommitFileEntry{letter, shown});
    }
    return entries;
}

} // namespace tolvane
