#include "engine/statusParser.h"

#include <QStringDecoder>
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

QString unquoted(const QString& path) {
    if (path.size() > 1 && path.startsWith(u'"') && path.endsWith(u'"'))
        return unescapeGitPath(path.sliced(1, path.size() - 2));
    return path;
}

bool isOctalDigit(QChar c) {
    return c >= u'0' && c <= u'7';
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
            bytes += QStringView(text).sliced(runStart, end - runStart).toUtf8();
    };
    while (i < n) {
        if (text[i] != u'\\' || i + 1 >= n) {
            ++i;
            continue;
        }
        flush(i);
        const QChar next = text[i + 1];
        if (next == u'\\' || next == u'"' || next == u'n' || next == u't') {
            bytes += next == u'n' ? '\n' : next == u't' ? '\t' : char(next.unicode());
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
    flush(n);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = decoder(bytes);
    if (decoder.hasError())
        return text;
    return decoded;
}

QList<FileChange> parseStatus(const QString& output) {
    QList<FileChange> changes;
    if (output.isEmpty())
        return changes;
    static const QString arrow = QStringLiteral(" -> ");
    for (QStringView lineView : QStringView(output).tokenize(QChar(u'\n'))) {
        if (lineView.size() < 3)
            continue;
        const QChar x = lineView[0];
        const QChar y = lineView[1];
        const QString rest = lineView.sliced(3).toString();
        QString path = rest;
        std::optional<QString> oldPath;
        if (x == u'R' || x == u'C') {
            const qsizetype at = rest.indexOf(arrow);
            if (at >= 0) {
                oldPath = unquoted(rest.first(at));
                path = rest.sliced(at + arrow.size());
            }
        }
        path = unquoted(path);
        if (path.isEmpty())
            continue;
        if (x == u'U' || y == u'U' || (x == u'A' && y == u'A') || (x == u'D' && y == u'D')) {
            changes.append(FileChange{ChangeStatus::Conflict, path, false, std::nullopt});
            continue;
        }
        if (x != u'?') {
            if (const auto staged = statusForLetter(x))
                changes.append(FileChange{*staged, path, true, oldPath});
        }
        if (const auto unstaged = statusForLetter(y))
            changes.append(FileChange{*unstaged, path, false, std::nullopt});
    }
    return changes;
}

} // namespace tolvane
