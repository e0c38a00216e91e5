#include "engine/statusParser.h"

#include "engine/StringArena.h"
#include "engine/byteCounting.h"
#include "engine/gitText.h"

#include <array>
#include <cstring>
#include <optional>

namespace tolvane {
namespace {

// A table rather than a switch: the letters of a large status vary from record to record, and
// the jumps of a switch were mispredicted for many of them.
constexpr auto letterStatuses = [] {
    std::array<signed char, 128> table{};
    table.fill(-1);
    table['M'] = static_cast<signed char>(ChangeStatus::Modified);
    table['A'] = static_cast<signed char>(ChangeStatus::Added);
    table['D'] = static_cast<signed char>(ChangeStatus::Deleted);
    table['R'] = static_cast<signed char>(ChangeStatus::Renamed);
    table['C'] = static_cast<signed char>(ChangeStatus::Copied);
    table['?'] = static_cast<signed char>(ChangeStatus::Untracked);
    return table;
}();

std::optional<ChangeStatus> statusForLetter(QChar letter) {
    const char16_t u = letter.unicode();
    if (u >= letterStatuses.size() || letterStatuses[u] < 0)
        return std::nullopt;
    return ChangeStatus(letterStatuses[u]);
}

bool isOctalDigit(QChar c) {
    return c >= u'0' && c <= u'7';
}

// The byte of a one-letter C escape, or none for a letter git does not escape with.
std::optional<char> escapedByte(QChar letter) {
    switch (letter.unicode()) {
    case u'a':
        return '\a';
    case u'b':
        return '\b';
    case u't':
        return '\t';
    case u'n':
        return '\n';
    case u'v':
        return '\v';
    case u'f':
        return '\f';
    case u'r':
        return '\r';
    case u'"':
        return '"';
    case u'\\':
        return '\\';
    default:
        return std::nullopt;
    }
}

qsizetype findNul(QStringView text, qsizetype from) {
    return text.indexOf(QChar(u'\0'), from);
}
qsizetype findNul(QByteArrayView text, qsizetype from) {
    if (from >= text.size())
        return -1;
    const void* at = std::memchr(text.data() + from, 0, size_t(text.size() - from));
    return at ? static_cast<const char*>(at) - text.data() : -1;
}
// A record's two status letters and its path; a record too short to hold them gives nothing.
struct StatusRecord {
    QChar x;
    QChar y;
    QString path;
};
// The decoded text is copied; git's bytes are decoded into the strings of one arena.
struct TextReader {
    QString operator()(QStringView text) const { return text.toString(); }
    QString share(const QString& text) const { return text; }
};
struct BytesReader {
    StringArena& arena;
    QString operator()(QByteArrayView bytes) const { return arena.decode(bytes); }
    QString share(const QString& text) const { return arena.share(text); }
};

std::optional<StatusRecord> splitRecord(QStringView record, TextReader read) {
    if (record.size() < 3)
        return std::nullopt;
    return StatusRecord{record[0], record[1], read(record.sliced(3))};
}
// The letters and the blank after them are ASCII in all but malformed output; then only the
// path needs decoding, and anything else is read as the decoded text would be.
std::optional<StatusRecord> splitRecord(QByteArrayView record, BytesReader read) {
    if (record.size() < 3)
        return std::nullopt;
    const auto ascii = [&record](qsizetype i) { return uchar(record[i]) < 0x80; };
    if (!ascii(0) || !ascii(1) || !ascii(2))
        return splitRecord(QStringView(decodeGitBytes(record)), TextReader{});
    return StatusRecord{QChar(uchar(record[0])), QChar(uchar(record[1])), read(record.sliced(3))};
}

bool movedFrom(QChar c) {
    return c == u'R' || c == u'C';
}

qsizetype countNuls(QStringView text) {
    return text.count(QChar(u'\0'));
}
qsizetype countNuls(QByteArrayView text) {
    return countByte(text, '\0');
}

template <typename View, typename Reader> QList<FileChange> parseRecords(View text, Reader read) {
    QList<FileChange> changes;
    // Records give one change each, two when both columns are changed: room for one in eight
    // of those spares the regrowth, which copies every change made so far, in nearly all trees.
    const qsizetype records = countNuls(text) + 1;
    changes.reserve(records + records / 8);
    // Records are read in place, one NUL at a time; a wide tree has tens of thousands.
    qsizetype start = 0;
    const auto nextRecord = [&text, &start]() -> std::optional<View> {
        if (start > text.size())
            return std::nullopt;
        qsizetype end = findNul(text, start);
        if (end < 0)
            end = text.size();
        const View record = text.sliced(start, end - start);
        start = end + 1;
        return record;
    };
    while (const std::optional<View> next = nextRecord()) {
        std::optional<StatusRecord> record = splitRecord(*next, read);
        if (!record)
            continue;
        const QChar x = record->x;
        const QChar y = record->y;
        QString path = std::move(record->path);
        // A rename or copy, in either column, is followed by its source path as its own record.
        std::optional<QString> oldPath;
        if (movedFrom(x) || movedFrom(y)) {
            if (const std::optional<View> source = nextRecord())
                oldPath = read(*source);
        }
        if (path.isEmpty())
            continue;
        // Changes are filled in place, and the path moves into the last one that names it:
        // moving finished values and copying shared strings were a large share of the time.
        const auto add = [&changes](ChangeStatus status, QString&& path,
                                    bool isStaged) -> FileChange& {
            FileChange& change = changes.emplaceBack();
            change.status = status;
            change.path = std::move(path);
            change.isStaged = isStaged;
            return change;
        };
        if (x == u'U' || y == u'U' || (x == u'A' && y == u'A') || (x == u'D' && y == u'D')) {
            add(ChangeStatus::Conflict, std::move(path), false);
            continue;
        }
        const std::optional<ChangeStatus> staged =
            x != u'?' ? statusForLetter(x) : std::optional<ChangeStatus>();
        const std::optional<ChangeStatus> unstaged = statusForLetter(y);
        if (staged) {
            FileChange& change = add(*staged, unstaged ? read.share(path) : std::move(path), true);
            if (movedFrom(x))
                change.oldPath = std::move(oldPath);
        }
        if (unstaged)
            add(*unstaged, std::move(path), false);
    }
    return changes;
}

} // namespace

QString unescapeGitPath(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    qsizetype runStart = 0; // start of plain text not yet copied
    auto flush = [&](qsizetype end) {
        if (end > runStart)
            bytes += encodeGitBytes(QStringView(text).sliced(runStart, end - runStart));
    };
    while (i < n) {
        if (text[i] != u'\\' || i + 1 >= n) {
            ++i;
            continue;
        }
        flush(i);
        const QChar next = text[i + 1];
        if (const auto byte = escapedByte(next)) {
            bytes += *byte;
            i += 2;
        } else if (next >= u'0' && next <= u'3' && i + 3 < n && isOctalDigit(text[i + 2]) &&
                   isOctalDigit(text[i + 3])) {
            const int value = (next.unicode() - u'0') * 64 + (text[i + 2].unicode() - u'0') * 8 +
                              (text[i + 3].unicode() - u'0');
            bytes += char(value);
            i += 4;
        } else {
            // An unknown escape keeps its backslash; the next character is then read normally.
            bytes += '\\';
            i += 1;
        }
        runStart = i;
    }
    if (runStart == 0)
        return text;
    flush(n);
    return decodeGitBytes(bytes);
}

QList<FileChange> parseStatus(const QString& output) {
    return parseRecords(QStringView(output), TextReader{});
}

QList<FileChange> parseStatusBytes(QByteArrayView output) {
    StringArena arena;
    return parseRecords(output, BytesReader{arena});
}

} // namespace tolvane
