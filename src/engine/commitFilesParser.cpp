#include "engine/commitFilesParser.h"

#include "engine/gitText.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace tolvane {
namespace {

qsizetype findNul(QStringView text, qsizetype from) {
    return text.indexOf(QChar(u'\0'), from);
}
qsizetype findNul(QByteArrayView text, qsizetype from) {
    if (from >= text.size())
        return -1;
    const void* at = std::memchr(text.data() + from, 0, size_t(text.size() - from));
    return at ? static_cast<const char*>(at) - text.data() : -1;
}
qsizetype countNuls(QStringView text) {
    return std::count(text.begin(), text.end(), QChar(u'\0'));
}
qsizetype countNuls(QByteArrayView text) {
    return std::count(text.begin(), text.end(), '\0');
}
QString toText(QStringView text) {
    return text.toString();
}
QString toText(QByteArrayView bytes) {
    return decodeGitBytes(bytes);
}

// The status letter of a status record; a status record holds no path, so blanks and line
// breaks around it are only padding. Null when it holds nothing else. The letter stays valid
// until the next call; it is handed out by reference because copies of shared strings cost
// atomic operations, a large share of the time per entry.
class StatusLetters {
public:
    const QString* letter(QStringView record) {
        const QStringView status = record.trimmed();
        if (status.isEmpty())
            return nullptr;
        m_other = status.first(1).toString();
        return &m_other;
    }
    // Letters are ASCII in all but malformed output, so the few there are share their strings;
    // anything else is read as the decoded text would be.
    const QString* letter(QByteArrayView record) {
        for (const char c : record) {
            const uchar u = uchar(c);
            if (u == ' ' || (u >= '\t' && u <= '\r'))
                continue;
            if (u >= 0x80)
                return letter(QStringView(decodeGitBytes(record)));
            QString& shared = m_ascii[u];
            if (shared.isNull())
                shared = QString(QChar(u));
            return &shared;
        }
        return nullptr;
    }

private:
    QString m_ascii[128];
    QString m_other;
};

template <typename View> QList<CommitFileEntry> parseRecords(View text) {
    QList<CommitFileEntry> entries;
    // Each entry takes at least two records; reserving spares the list's regrowth, which moves
    // every entry made so far.
    entries.reserve((countNuls(text) + 1) / 2);
    StatusLetters letters;
    qsizetype start = 0;
    const auto next = [&text, &start]() -> std::optional<View> {
        if (start > text.size())
            return std::nullopt;
        qsizetype end = findNul(text, start);
        if (end < 0)
            end = text.size();
        const View record = text.sliced(start, end - start);
        start = end + 1;
        return record;
    };
    while (const auto record = next()) {
        const QString* letter = letters.letter(*record);
        if (!letter)
            continue;
        const auto path = next();
        if (!path)
            break;
        QString shown = toText(*path);
        const QChar first = letter->front();
        if (first == u'R' || first == u'C') {
            if (const auto newPath = next())
                shown += QStringLiteral(" \u2192 ") + toText(*newPath);
        }
        if (!shown.isEmpty())
            entries.append(CommitFileEntry{*letter, std::move(shown)});
    }
    return entries;
}

} // namespace

QList<CommitFileEntry> parseCommitFiles(const QString& output) {
    return parseRecords(QStringView(output));
}

QList<CommitFileEntry> parseCommitFilesBytes(QByteArrayView output) {
    return parseRecords(output);
}

} // namespace tolvane
