#include "engine/historyQueries.h"

#include "engine/StringArena.h"
#include "engine/blameParser.h"
#include "engine/gitText.h"
#include "engine/logParser.h"

#include <QSet>
#include <algorithm>
#include <limits>

namespace tolvane {

namespace {

// The log format with the committer time appended as a ninth field; parseLog reads eight.
QString searchFormat() {
    QString format = logFormatArgument;
    format.insert(format.lastIndexOf(QStringLiteral("%x00---END---")), QStringLiteral("%x00%ct"));
    return format;
}

qint64 committerTime(const QString& record) {
    return record.toLongLong();
}

// Pieces of git's bytes between each occurrence of `separator`, empty ones included, as
// QStringView::tokenize cuts the decoded text: the separators are ASCII, so the cuts fall at the
// same places and each piece decodes alone to what the decoded text holds there.
template <typename Visit>
void forEachPiece(QByteArrayView bytes, QByteArrayView separator, Visit visit) {
    qsizetype start = 0;
    while (true) {
        const qsizetype at = bytes.indexOf(separator, start);
        if (at < 0) {
            visit(bytes.sliced(start));
            return;
        }
        visit(bytes.sliced(start, at - start));
        start = at + separator.size();
    }
}

// parseLogBytes drops the ninth field, so it is read here from the same pieces.
QList<std::pair<GitCommit, qint64>> parseTimedLog(const QByteArray& output) {
    QList<std::pair<GitCommit, qint64>> result;
    const QList<GitCommit> commits = parseLogBytes(output);
    QHash<QString, qint64> times;
    forEachPiece(output, QByteArrayView("\0---END---", 10), [&times](QByteArrayView piece) {
        QByteArrayView fields[9];
        int count = 0;
        forEachPiece(piece, QByteArrayView("\0", 1), [&](QByteArrayView field) {
            if (count < 9)
                fields[count] = field;
            ++count;
        });
        if (count >= 9)
            times.insert(decodeGitBytes(fields[0]).trimmed(),
                         committerTime(decodeGitBytes(fields[8])));
    });
    result.reserve(commits.size());
    for (const GitCommit& commit : commits)
        result.append({commit, times.value(commit.id)});
    return result;
}

const QStringList noExternalTools{QStringLiteral("--no-ext-diff"), QStringLiteral("--no-textconv"),
                                  QStringLiteral("--no-color")};

} // namespace

bool looksLikeHashPrefix(const QString& text) {
    if (text.size() < 4 || text.size() > 40)
        return false;
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
}

// HEAD and the full ref names among `alsoRefs`: the tips the current-branch history walks from.
// Anything else could be read as an option or a range.
static QStringList historyTips(const QStringList& alsoRefs) {
    QStringList tips{QStringLiteral("HEAD")};
    for (const QString& ref : alsoRefs) {
        if (ref.startsWith(QLatin1StringView("refs/")))
            tips.append(ref);
    }
    return tips;
}

QStringList historySearchArguments(const QString& text, HistoryMatch match, int limit,
                                   bool allBranches, const QStringList& alsoRefs) {
    // git joins --grep and --author with "and", so each kind of match is its own run.
    QStringList args{QStringLiteral("log"), searchFormat(),
                     QStringLiteral("-") + QString::number(limit),
                     QStringLiteral("--regexp-ignore-case"), QStringLiteral("--fixed-strings")};
    if (allBranches)
        args.append(allRefsArguments);
    else
        args.append(historyTips(alsoRefs));
    args.append(match == HistoryMatch::Message ? QStringLiteral("--grep=") + text
                                               : QStringLiteral("--author=") + text);
    return args;
}

QCoro::Task<HistorySearchPage> searchHistory(GitService git, QString text, int limit,
                                             bool allBranches, QStringList alsoRefs) {
    // Both kinds of match run side by side: the page costs the slower of the two.
    const QStringList messageArgs =
        historySearchArguments(text, HistoryMatch::Message, limit, allBranches, alsoRefs);
    const QStringList authorArgs =
        historySearchArguments(text, HistoryMatch::Author, limit, allBranches, alsoRefs);
    auto messageRun = git.runParsedBytes(messageArgs, &parseTimedLog);
    auto authorRun = git.runParsedBytes(authorArgs, &parseTimedLog);
    const auto byMessage = co_await std::move(messageRun);
    const auto byAuthor = co_await std::move(authorRun);

    QList<std::pair<GitCommit, qint64>> merged = byMessage + byAuthor;
    std::stable_sort(merged.begin(), merged.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    HistorySearchPage page;
    QSet<QString> seen;
    // Only the newest `limit` of the union are certain: older ones of one kind may still be
    // preceded by unloaded matches of the other.
    int taken = 0;
    for (const auto& entry : std::as_const(merged)) {
        if (seen.contains(entry.first.id))
            continue;
        if (taken == limit) {
            page.complete = false;
            break;
        }
        seen.insert(entry.first.id);
        page.commits.append(entry.first);
        ++taken;
    }
    if (byMessage.size() >= limit || byAuthor.size() >= limit)
        page.complete = false;
    co_return page;
}

QCoro::Task<std::optional<GitCommit>> findCommitByPrefix(GitService git, QString prefix) {
    if (!looksLikeHashPrefix(prefix))
        co_return std::nullopt;
    const QStringList args{QStringLiteral("log"), logFormatArgument, QStringLiteral("--no-walk"),
                           QStringLiteral("-1"), prefix + QStringLiteral("^{commit}")};
    try {
        const QList<GitCommit> found = co_await git.runParsed(args, &parseLog);
        co_return found.isEmpty() ? std::nullopt : std::optional<GitCommit>(found.constFirst());
    } catch (const GitError&) {
        // Not an abbreviation of any commit, or of more than one.
        co_return std::nullopt;
    }
}

QCoro::Task<std::optional<QString>> resolveCommit(GitService git, QString revision) {
    const QStringList args{QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                           QStringLiteral("--quiet"), QStringLiteral("--end-of-options"),
                           revision + QStringLiteral("^{commit}")};
    try {
        const QString hash = co_await git.run(args);
        co_return hash.isEmpty() ? std::nullopt : std::optional<QString>(hash);
    } catch (const GitError&) {
        co_return std::nullopt;
    }
}

QCoro::Task<std::optional<int>> commitsAbove(GitService git, QString hash, bool allBranches,
                                             QStringList alsoRefs) {
    QStringList args{QStringLiteral("rev-list"), QStringLiteral("--count")};
    if (allBranches) {
        args.append(allRefsArguments);
    } else {
        args.append(historyTips(alsoRefs));
    }
    args.append(QStringLiteral("^") + hash);
    try {
        const QString count = co_await git.run(args);
        bool ok = false;
        const int value = count.toInt(&ok);
        co_return ok ? std::optional<int>(value) : std::nullopt;
    } catch (const GitError&) {
        co_return std::nullopt;
    }
}

QStringList fileHistoryArguments(const QString& path, int limit) {
    // A record separator before each commit keeps the name list after it apart from the next.
    QString format = logFormatArgument;
    format.insert(int(qstrlen("--format=")), QStringLiteral("%x1e"));
    QStringList args{QStringLiteral("log"),           format,
                     QStringLiteral("--name-status"), QStringLiteral("-z"),
                     QStringLiteral("--follow"),      QStringLiteral("-") + QString::number(limit)};
    args += noExternalTools;
    args << QStringLiteral("--") << path;
    return args;
}

QList<FileHistoryEntry> parseFileHistory(const QString& output) {
    QList<FileHistoryEntry> entries;
    static const QString end = QStringView(u"\0---END---", 10).toString();
    QString laterPath;
    for (QStringView record : QStringView(output).tokenize(QChar(u'\x1e'), Qt::SkipEmptyParts)) {
        const qsizetype at = record.indexOf(end);
        if (at < 0)
            continue;
        const QList<GitCommit> commits = parseLog(record.first(at + end.size()).toString());
        if (commits.isEmpty())
            continue;
        QList<QStringView> names;
        for (QStringView token : record.sliced(at + end.size()).split(u'\0')) {
            token = token.trimmed();
            if (!token.isEmpty())
                names.append(token);
        }
        FileHistoryEntry entry{commits.constFirst(), laterPath, QString()};
        if (names.size() >= 3 && (names[0].startsWith(u'R') || names[0].startsWith(u'C'))) {
            entry.oldPath = names[1].toString();
            entry.path = names[2].toString();
        } else if (names.size() >= 2) {
            entry.path = names[1].toString();
        }
        // A commit without names (a merge) keeps the path of the newer commit.
        laterPath = entry.oldPath.isEmpty() ? entry.path : entry.oldPath;
        entries.append(std::move(entry));
    }
    return entries;
}

QList<FileHistoryEntry> parseFileHistoryBytes(QByteArrayView output) {
    // Cut as parseFileHistory cuts the decoded text; only the commit and the names are decoded.
    QList<FileHistoryEntry> entries;
    const QByteArrayView end("\0---END---", 10);
    QString laterPath;
    // One arena for all records: one each would keep a block alive per commit.
    StringArena arena;
    forEachPiece(output, QByteArrayView("\x1e", 1), [&](QByteArrayView record) {
        if (record.isEmpty())
            return;
        const qsizetype at = record.indexOf(end);
        if (at < 0)
            return;
        const QList<GitCommit> commits = parseLogBytes(record.first(at + end.size()), arena);
        if (commits.isEmpty())
            return;
        QStringList names;
        forEachPiece(record.sliced(at + end.size()), QByteArrayView("\0", 1),
                     [&names](QByteArrayView token) {
                         QString name = decodeGitBytes(token).trimmed();
                         if (!name.isEmpty())
                             names.append(std::move(name));
                     });
        FileHistoryEntry entry{commits.constFirst(), laterPath, QString()};
        if (names.size() >= 3 && (names[0].startsWith(u'R') || names[0].startsWith(u'C'))) {
            entry.oldPath = names[1];
            entry.path = names[2];
        } else if (names.size() >= 2) {
            entry.path = names[1];
        }
        // A commit without names (a merge) keeps the path of the newer commit.
        laterPath = entry.oldPath.isEmpty() ? entry.path : entry.oldPath;
        entries.append(std::move(entry));
    });
    return entries;
}

QCoro::Task<QList<FileHistoryEntry>> fileHistory(GitService git, QString path, int limit) {
    const QStringList args = fileHistoryArguments(path, limit);
    QList<FileHistoryEntry> entries = co_await git.runParsedBytes(args, &parseFileHistoryBytes);
    if (!entries.isEmpty() && entries.constFirst().path.isEmpty())
        entries.first().path = path;
    co_return entries;
}

QCoro::Task<LimitedOutput> fileDiffForCommit(GitService git, QString hash, QStringList paths,
                                             qint64 maxBytes) {
    QStringList args{QStringLiteral("show"),    QStringLiteral("--stat"),
                     QStringLiteral("--patch"), QStringLiteral("-M"),
                     QStringLiteral("-m"),      QStringLiteral("--first-parent")};
    args += noExternalTools;
    args << hash << QStringLiteral("--");
    args += paths;
    co_return co_await git.runLimited(args, maxBytes);
}

int lineBeforeChanges(const QString& zeroContextDiff, int line) {
    // 64-bit sums: numbers in a malformed diff must not overflow.
    qint64 offset = 0;
    const auto clamped = [](qint64 value) {
        return int(std::clamp<qint64>(value, 1, std::numeric_limits<int>::max()));
    };
    for (QStringView row : QStringView(zeroContextDiff).tokenize(QChar(u'\n'))) {
        if (!row.startsWith(u"@@ -"))
            continue;
        // "@@ -a[,b] +c[,d] @@": a missing count means one line.
        const QList<QStringView> pieces = row.split(u' ');
        if (pieces.size() < 3 || pieces[1].size() < 2 || pieces[2].size() < 2)
            continue;
        const auto range = [](QStringView piece) {
            piece = piece.sliced(1);
            const qsizetype comma = piece.indexOf(u',');
            return std::pair<qint64, qint64>{(comma < 0 ? piece : piece.first(comma)).toInt(),
                                             comma < 0 ? 1 : piece.sliced(comma + 1).toInt()};
        };
        const auto [oldStart, oldCount] = range(pieces[1]);
        const auto [newStart, newCount] = range(pieces[2]);
        if (newCount > 0 && line >= newStart && line < newStart + newCount)
            return clamped(oldCount > 0 ? oldStart + std::min(line - newStart, oldCount - 1)
                                        : oldStart);
        // With no new lines the hunk sits after line newStart.
        if (newCount > 0 ? line < newStart : line <= newStart)
            break;
        offset += oldCount - newCount;
    }
    return clamped(line + offset);
}

QCoro::Task<int> lineInParent(GitService git, QString parent, QString hash, QStringList paths,
                              int line) {
    QStringList args{QStringLiteral("diff"), QStringLiteral("-U0"), QStringLiteral("-M")};
    args += noExternalTools;
    args << parent << hash << QStringLiteral("--");
    args += paths;
    try {
        const QString diff = co_await git.run(args);
        co_return lineBeforeChanges(diff, line);
    } catch (const GitError&) {
        co_return line;
    }
}

QCoro::Task<QList<GitBlameLine>> blameAtRevision(GitService git, QString revision, QString path) {
    const QStringList args{QStringLiteral("blame"),
                           QStringLiteral("--porcelain"),
                           QStringLiteral("--no-textconv"),
                           revision,
                           QStringLiteral("--"),
                           path};
    co_return co_await git.runParsedBytes(args, &parseBlameBytes);
}

} // namespace tolvane
