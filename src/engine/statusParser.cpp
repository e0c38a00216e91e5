#include "engine/statusParser.h"

#include "engine/gitText.h"

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
    QList<FileChange> changes;
    const auto movedFrom = [](QChar c) { return c == u'R' || c == u'C'; };
    // Records are read in place, one NUL at a time; a wide tree has tens of thousands.
    const QStringView text(output);
    qsizetype start = 0;
    const auto nextRecord = [&text, &start]() -> std::optional<QStringView> {
        if (start > text.size())
            return std::nullopt;
        qsizetype end = text.indexOf(QChar(u'\0'), start);
        if (end < 0)
            end = text.size();
        const QStringView record = text.sliced(start, end - start);
        start = end + 1;
        return record;
    };
    while (const std::optional<QStringView> next = nextRecord()) {
        const QStringView record = *next;
        if (record.size() < 3)
            continue;
        const QChar x = record[0];
        const QChar y = record[1];
        const QString path = record.sliced(3).toString();
        // A rename or copy, in either column, is followed by its source path as its own record.
        std::optional<QString> oldPath;
        if (movedFrom(x) || movedFrom(y)) {
            if (const std::optional<QStringView> source = nextRecord())
                oldPath = source->toString();
        }
        if (path.isEmpty())
            continue;
        if (x == u'U' || y == u'U' || (x == u'A' && y == u'A') || (x == u'D' && y == u'D')) {
            changes.append(FileChange{ChangeStatus::Conflict, path, false, std::nullopt});
            continue;
        }
        if (x != u'?') {
            if (const auto staged = statusForLetter(x))
                changes.append(
                    FileChange{*staged, path, true, movedFrom(x) ? oldPath : std::nullopt});
        }
        if (const auto unstaged = statusForLetter(y))
            changes.append(FileChange{*unstaged, path, false, std::nullopt});
    }
    return changes;
}

} // namespace tolvane
