#include "engine/blameParser.h"

#include "engine/StringArena.h"
#include "engine/byteCounting.h"
#include "engine/gitText.h"
#include "engine/statusParser.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <optional>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tolvane {
namespace {

bool isHeader(QStringView line) {
    if (line.size() < 40)
        return false;
    for (qsizetype i = 0; i < 40; ++i) {
        const QChar c = line[i];
        const bool hex =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!hex)
            return false;
    }
    return true;
}

#ifdef __SSE2__
// Whether all sixteen bytes are hex digits. Bytes past ASCII are negative as signed bytes, so
// they fail both ranges.
bool allHex(const char* at) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i lower = _mm_or_si128(c, _mm_set1_epi8(0x20));
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(c, _mm_set1_epi8('9' + 1)));
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(lower, _mm_set1_epi8('a' - 1)),
                                         _mm_cmplt_epi8(lower, _mm_set1_epi8('f' + 1)));
    return _mm_movemask_epi8(_mm_or_si128(digit, letter)) == 0xFFFF;
}
#endif

// Nearly every row that is looked at is a header, so this is on every line's path.
bool isHeader(QByteArrayView line) {
    if (line.size() < 40)
        return false;
    const char* data = line.data();
#ifdef __SSE2__
    return allHex(data) && allHex(data + 16) && allHex(data + 24);
#else
    bool hex = true;
    for (qsizetype i = 0; i < 40; ++i) {
        const uchar c = uchar(data[i]);
        hex &= (uchar(c - '0') < 10) | (uchar((c | 0x20) - 'a') < 6);
    }
    return hex;
#endif
}

// What the header lines of one commit said; git prints them only at the commit's first line.
struct BlameCommit {
    QString hash;
    QString shortHash;
    std::optional<QString> author;
    std::optional<QString> date;
    QString previousHash;
    QString previousPath;
    // The record its latest line shares.
    std::shared_ptr<const GitBlameCommit> record;
};

bool sameText(const QString& a, const QString& b) {
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

// The record a line of `commit` shares, given the author and date it takes. It is made again
// only when they differ from its last line's, which well-formed output never does.
std::shared_ptr<const GitBlameCommit> recordFor(BlameCommit& commit, const QString& author,
                                                const QString& date) {
    const GitBlameCommit* record = commit.record.get();
    if (!record || !sameText(record->author, author) || !sameText(record->date, date) ||
        !sameText(record->previousHash, commit.previousHash) ||
        !sameText(record->previousPath, commit.previousPath)) {
        commit.record = std::make_shared<const GitBlameCommit>(GitBlameCommit{
            commit.hash, commit.shortHash, author, date, commit.previousHash, commit.previousPath});
    }
    return commit.record;
}

// A commit's id as the header row gives it, at least 40 hex digits. Ids are random already, so
// two words of it hash well enough, at a fraction of what a general string hash costs.
// Ids compared a word at a time, inline: they are looked up once per line.
bool sameId(QByteArrayView a, QByteArrayView b) {
    if (a.size() != b.size())
        return false;
    qsizetype i = 0;
    for (; i + 8 <= a.size(); i += 8) {
        quint64 x;
        quint64 y;
        std::memcpy(&x, a.data() + i, sizeof x);
        std::memcpy(&y, b.data() + i, sizeof y);
        if (x != y)
            return false;
    }
    for (; i < a.size(); ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

struct CommitKey {
    QByteArrayView id;
    friend bool operator==(const CommitKey& a, const CommitKey& b) { return sameId(a.id, b.id); }
    friend size_t qHash(const CommitKey& key, size_t seed = 0) noexcept {
        quint64 first;
        quint64 second;
        std::memcpy(&first, key.id.data(), sizeof first);
        std::memcpy(&second, key.id.data() + 8, sizeof second);
        return ::qHash(first ^ (second * 0x9E3779B97F4A7C15ull) ^ quint64(key.id.size()), seed);
    }
};

// A line number as QString::toInt reads it: plain short digit runs directly, anything else
// through the decoded text, so that odd input gives what it always gave.
int lineNumber(QByteArrayView digits) {
    if (digits.isEmpty() || digits.size() > 9)
        return decodeGitBytes(digits).toInt();
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return decodeGitBytes(digits).toInt();
        value = value * 10 + (c - '0');
    }
    return value;
}

// Author dates for one parse. Converting to local time through Qt reads the system's zone
// file again for every commit, most of a blame's time; here the zone is read once, and the C
// library then converts exactly as Qt does for times it hands to it. A day is formatted once.
class BlameDates {
public:
    BlameDates() { tzset(); }

    QString operator()(QStringView secondsSinceEpoch) {
        bool ok = false;
        const qint64 seconds = secondsSinceEpoch.toLongLong(&ok);
        // Qt converts times before 1970 or past 2038 its own way; those go through it.
        tm local{};
        const time_t time = time_t(seconds);
        if (!ok || seconds < 0 || seconds > std::numeric_limits<qint32>::max() ||
            !localtime_r(&time, &local))
            return blameDate(secondsSinceEpoch);
        const QDate day(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        auto found = m_days.constFind(day.toJulianDay());
        if (found == m_days.cend())
            found = m_days.insert(day.toJulianDay(), m_locale.toString(day, QLocale::ShortFormat));
        return *found;
    }

private:
    QLocale m_locale;
    QHash<qint64, QString> m_days;
};

} // namespace

QString blameDate(QStringView secondsSinceEpoch) {
    bool ok = false;
    double seconds = secondsSinceEpoch.toDouble(&ok);
    // Far outside any real date; also keeps the conversion to an integer defined.
    if (!ok || !std::isfinite(seconds) || std::fabs(seconds) > 1e14)
        seconds = 0;
    const QDateTime instant = QDateTime::fromSecsSinceEpoch(qint64(seconds));
    return QLocale().toString(instant.date(), QLocale::ShortFormat);
}

QList<GitBlameLine> parseBlame(const QString& output) {
    QList<GitBlameLine> lines;
    if (output.isEmpty())
        return lines;
    const QList<QStringView> rows = QStringView(output).split(QChar(u'\n'));
    QHash<QString, BlameCommit> commits;
    BlameDates dates;
    QString lastAuthor;
    QString lastDate;
    int counter = 0;
    qsizetype i = 0;
    while (i < rows.size()) {
        const QStringView header = rows[i];
        if (!isHeader(header)) {
            ++i;
            continue;
        }
        const qsizetype space = header.indexOf(u' ');
        const QString hash = (space < 0 ? header : header.first(space)).toString();
        int originalLine = 0;
        if (space >= 0) {
            const QStringView numbers = header.sliced(space + 1);
            const qsizetype end = numbers.indexOf(u' ');
            originalLine = (end < 0 ? numbers : numbers.first(end)).toInt();
        }
        BlameCommit& commit = commits[hash];
        if (commit.hash.isEmpty()) {
            commit.hash = hash;
            commit.shortHash = hash.left(7);
        }
        ++counter;
        qsizetype j = i + 1;
        bool produced = false;
        for (; j < rows.size(); ++j) {
            const QStringView row = rows[j];
            if (row.startsWith(u'\t')) {
                lines.append(GitBlameLine{counter,
                                          recordFor(commit, commit.author.value_or(lastAuthor),
                                                    commit.date.value_or(lastDate)),
                                          row.sliced(1).toString(), originalLine});
                produced = true;
                break;
            }
            if (row.startsWith(u"author ")) {
                lastAuthor = row.sliced(7).toString();
                commit.author = lastAuthor;
            } else if (row.startsWith(u"previous ")) {
                // "previous <hash> <path>"; the path is quoted when it holds unusual bytes.
                const QStringView rest = row.sliced(9);
                const qsizetype gap = rest.indexOf(u' ');
                if (gap > 0) {
                    QString path = rest.sliced(gap + 1).toString();
                    if (path.size() >= 2 && path.startsWith(u'"') && path.endsWith(u'"'))
                        path = unescapeGitPath(path.sliced(1, path.size() - 2));
                    commit.previousHash = rest.first(gap).toString();
                    commit.previousPath = path;
                }
            } else if (row.startsWith(u"author-time ")) {
                lastDate = dates(row.sliced(12));
                commit.date = lastDate;
            }
        }
        if (!produced)
            break;
        i = j + 1;
    }
    return lines;
}

QList<GitBlameLine> parseBlameBytes(QByteArrayView output) {
    // Read as parseBlame reads the decoded text, row by row: a header, its commit's lines, then
    // the line's content after a tab; rows outside that shape are skipped.
    QList<GitBlameLine> lines;
    // A line's content is the only row that starts with a tab.
    lines.reserve(countPair(output, '\n', '\t') + 1);
    QList<BlameCommit> commits;
    QHash<CommitKey, qsizetype> commitIndex;
    StringArena arena;
    BlameDates dates;
    QString lastAuthor;
    QString lastDate;
    int counter = 0;
    BlameCommit* current = nullptr;
    qsizetype lastCommit = -1;
    QByteArrayView lastHash;
    int originalLine = 0;
    qsizetype start = 0;
    while (start < output.size()) {
        const void* newline =
            std::memchr(output.data() + start, '\n', size_t(output.size() - start));
        const qsizetype end =
            newline ? static_cast<const char*>(newline) - output.data() : output.size();
        const QByteArrayView row = output.sliced(start, end - start);
        start = end + 1;
        if (!current) {
            if (!isHeader(row))
                continue;
            const qsizetype space = row.indexOf(' ');
            const QByteArrayView hash = space < 0 ? row : row.first(space);
            // Neighbouring lines mostly come from one commit.
            if (!(lastCommit >= 0 && sameId(lastHash, hash))) {
                auto found = commitIndex.constFind(CommitKey{hash});
                if (found == commitIndex.cend()) {
                    // The row starts with 40 hex digits, so the short hash is its first 7 bytes.
                    commits.append(BlameCommit{
                        arena.decode(hash), arena.decode(hash.first(7)), {}, {}, {}, {}, {}});
                    found = commitIndex.insert(CommitKey{hash}, commits.size() - 1);
                }
                lastCommit = *found;
                lastHash = hash;
            }
            current = &commits[lastCommit];
            originalLine = 0;
            if (space >= 0) {
                const QByteArrayView numbers = row.sliced(space + 1);
                const qsizetype gap = numbers.indexOf(' ');
                originalLine = lineNumber(gap < 0 ? numbers : numbers.first(gap));
            }
            ++counter;
            continue;
        }
        if (row.startsWith('\t')) {
            const QString& author = current->author ? *current->author : lastAuthor;
            const QString& date = current->date ? *current->date : lastDate;
            // Filled in place: moving a finished line into the list costs as much again.
            GitBlameLine& line = lines.emplaceBack();
            line.id = counter;
            line.commit = recordFor(*current, author, date);
            line.content = arena.decode(row.sliced(1));
            line.originalLine = originalLine;
            current = nullptr;
        } else if (row.startsWith("author ")) {
            lastAuthor = arena.decode(row.sliced(7));
            current->author = lastAuthor;
        } else if (row.startsWith("previous ")) {
            const QByteArrayView rest = row.sliced(9);
            const qsizetype gap = rest.indexOf(' ');
            if (gap > 0) {
                const QByteArrayView path = rest.sliced(gap + 1);
                const bool quoted = path.size() >= 2 && path.startsWith('"') && path.endsWith('"');
                current->previousHash = arena.decode(rest.first(gap));
                current->previousPath =
                    quoted ? arena.place(
                                 unescapeGitPath(decodeGitBytes(path.sliced(1, path.size() - 2))))
                           : arena.decode(path);
            }
        } else if (row.startsWith("author-time ")) {
            lastDate = dates(decodeGitBytes(row.sliced(12)));
            current->date = lastDate;
        }
    }
    return lines;
}

} // namespace tolvane
