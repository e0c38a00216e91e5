#include "engine/commitFilesParser.h"

#include "engine/StringArena.h"
#include "engine/byteCounting.h"
#include "engine/gitText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

namespace tolvane {
namespace {

qsizetype findNul(QStringView text, qsizetype from) {
    return text.indexOf(QChar(u'\0'), from);
}
qsizetype findNul(QByteArrayView text, qsizetype from) {
    // Every other record is a status of a letter or a few: looked at before a call is made.
    const qsizetype near = std::min(text.size(), from + 6);
    for (qsizetype i = from; i < near; ++i) {
        if (text[i] == '\0')
            return i;
    }
    if (near >= text.size())
        return -1;
    const void* at = std::memchr(text.data() + near, 0, size_t(text.size() - near));
    return at ? static_cast<const char*>(at) - text.data() : -1;
}
qsizetype countNuls(QStringView text) {
    return std::count(text.begin(), text.end(), QChar(u'\0'));
}
qsizetype countNuls(QByteArrayView text) {
    return countByte(text, '\0');
}
// The decoded text is copied; git's bytes are decoded into the strings of one arena.
struct TextReader {
    QString operator()(QStringView text) const { return text.toString(); }
    QString joined(QStringView first, QStringView separator, QStringView second) const {
        QString text = first.toString();
        text += separator;
        text += second;
        return text;
    }
};
struct BytesReader {
    StringArena& arena;
    QString operator()(QByteArrayView bytes) const { return arena.decode(bytes); }
    QString joined(QByteArrayView first, QStringView separator, QByteArrayView second) const {
        return arena.decodeJoined(first, separator, second);
    }
};

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
    // Letters are ASCII in all but malformed output; those strings point into a constant table,
    // as string literals do, so that neither copying nor freeing them touches a shared count.
    // Anything else is read as the decoded text would be.
    const QString* letter(QByteArrayView record) {
        for (const char c : record) {
            const uchar u = uchar(c);
            if (u == ' ' || (u >= '\t' && u <= '\r'))
                continue;
            if (u >= 0x80)
                return letter(QStringView(decodeGitBytes(record)));
            QString& shared = m_ascii[u];
            if (shared.isNull())
                shared =
                    QString::fromRawData(reinterpret_cast<const QChar*>(asciiLetters[u].data()), 1);
            return &shared;
        }
        return nullptr;
    }

private:
    // Each ASCII character, null-terminated.
    static constexpr auto asciiLetters = [] {
        std::array<std::array<char16_t, 2>, 128> table{};
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = {char16_t(i), u'\0'};
        return table;
    }();
    QString m_ascii[128];
    QString m_other;
};

template <typename View, typename Reader>
QList<CommitFileEntry> parseRecords(View text, Reader read) {
    QList<CommitFileEntry> entries;
    // Each entry takes at least two records; reserving spares the list's regrowth, which moves
    // every entry made so far.
    entries.reserve((countNuls(text) + 1) / 2);
    StatusLetters letters;
    const QStringView arrow = u" \u2192 ";
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
        const QChar first = letter->front();
        const bool moved = first == u'R' || first == u'C';
        const auto newPath = moved ? next() : std::nullopt;
        QString shown = newPath ? read.joined(*path, arrow, *newPath) : read(*path);
        if (!shown.isEmpty()) {
            CommitFileEntry& entry = entries.emplaceBack();
            entry.status = QString(*letter);
            entry.path = std::move(shown);
        }
    }
    return entries;
}

} // namespace

QList<CommitFileEntry> parseCommitFiles(const QString& output) {
    return parseRecords(QStringView(output), TextReader{});
}

QList<CommitFileEntry> parseCommitFilesBytes(QByteArrayView output) {
    StringArena arena;
    return parseRecords(output, BytesReader{arena});
}

} // namespace tolvane
