#include "engine/statusParser.h"

#include "engine/gitText.h"

#include <cstring>
#include <optional>

namespace tolvane {
namespace {

std::optional<ChangeStatus> statusForLetter(QChar letter) {
    switch (letter.unicode()) {
    case u'M':
        return ChangeStatus::Modified;
    case u'A':
        return ChangeStatus::Added;
    case u'D':
        return ChangeStatus::Deleted;
    case u'R':
        return ChangeStatus::Renamed;
    case u'C':
        return ChangeStatus::Copied;
    case u'?':
        return ChangeStatus::Untracked;
    default:
        return std::nullopt;
    }
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
QString toText(QStringView text) {
    return text.toString();
}
QString toText(QByteArrayView bytes) {
    return decodeGitBytes(bytes);
}

// A record's two status letters and its path; a record too short to hold them gives nothing.
struct StatusRecord {
    QChar x;
    QChar y;
    QString path;
};
std::optional<StatusRecord> splitRecord(QStringView record) {
    if (record.size() < 3)
        return std::nullopt;
    return StatusRecord{record[0], record[1], record.sliced(3).toString()};
}
// The letters and the blank after them are ASCII in all but malformed output; then only the
// path needs decoding, and anything else is read as the decoded text would be.
std::optional<StatusRecord> splitRecord(QByteArrayView record) {
    if (record.size() < 3)
        return std::nullopt;
    const auto ascii = [&record](qsizetype i) { return uchar(record[i]) < 0x80; };
    if (!ascii(0) || !ascii(1) || !ascii(2))
        return splitRecord(QStringView(decodeGitBytes(record)));
    return StatusRecord{QChar(uchar(record[0])), QChar(uchar(record[1])),
                        decodeGitBytes(record.sliced(3))};
}

template <typename View> QList<FileChange> parseRecords(View text) {
    QList<FileChange> changes;
    const auto movedFrom = [](QChar c) { return c == u'R' || c == u'C'; };
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
        std::optional<StatusRecord> record = splitRecord(*next);
        if (!record)
            continue;
        const QChar x = record->x;
        const QChar y = record->y;
        QString path = std::move(record->path);
        // A rename or copy, in either column, is followed by its source path as its own record.
        std::optional<QString> oldPath;
        if (movedFrom(x) || movedFrom(y)) {
            if (const std::optional<View> source = nextRecord())
                oldPath = toText(*source);
        }
        if (path.isEmpty())
            continue;
        if (x == u'U' || y == u'U' || (x == u'A' && y == u'A') || (x == u'D' && y == u'D')) {
            changes.append(
                FileChange{ChangeStatus::Conflict, std::move(path), false, std::nullopt});
            continue;
        }
        // The path moves into the last change that names it: copies of shared strings cost
        // atomic operations, a large share of the time per record.
        const std::optional<ChangeStatus> staged =
            x != u'?' ? statusForLetter(x) : std::optional<ChangeStatus>();
        const std::optional<ChangeStatus> unstaged = statusForLetter(y);
        if (staged) {
            std::optional<QString> source = movedFrom(x) ? std::move(oldPath) : std::nullopt;
            if (unstaged)
                changes.append(FileChange{*staged, path, true, std::move(source)});
            else
                changes.append(FileChange{*staged, std::move(path), true, std::move(source)});
        }
        if (unstaged)
            changes.append(FileChange{*unstaged, std::move(path), false, std::nullopt});
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
    return parseRecords(QStringView(output));
}

QList<FileChange> parseStatusBytes(QByteArrayView output) {
    return parseRecords(output);
}

} // namespace tolvane
