#include "engine/logParser.h"

#include <QHash>
#include <cstring>
#include <iterator>

namespace tolvane {
namespace {

// What the parser needs from git's output, whether it arrives as bytes or as decoded text.
qsizetype findNul(QByteArrayView text, qsizetype from) {
    const void* at = std::memchr(text.data() + from, 0, size_t(text.size() - from));
    return at ? static_cast<const char*>(at) - text.data() : -1;
}
qsizetype findNul(QStringView text, qsizetype from) {
    return text.indexOf(QChar(u'\0'), from);
}
// The first character rules out nearly every field start before a full comparison is made.
bool endsRecord(QByteArrayView text, qsizetype nul) {
    return nul + 1 < text.size() && text[nul + 1] == '-' &&
           text.sliced(nul + 1).startsWith("---END---");
}
bool endsRecord(QStringView text, qsizetype nul) {
    return nul + 1 < text.size() && text[nul + 1] == u'-' &&
           text.sliced(nul + 1).startsWith(QLatin1StringView("---END---"));
}
unsigned unit(QByteArrayView text, qsizetype i) {
    return static_cast<unsigned char>(text[i]);
}
unsigned unit(QStringView text, qsizetype i) {
    return text[i].unicode();
}

// git pads with ASCII whitespace only; both forms of the output trim the same characters.
template <typename View> View asciiTrimmed(View text) {
    const auto blank = [](auto c) {
        const auto u = unsigned(c);
        return u == ' ' || (u >= '\t' && u <= '\r');
    };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && blank(unit(text, begin)))
        ++begin;
    while (end > begin && blank(unit(text, end - 1)))
        --end;
    return text.sliced(begin, end - begin);
}

template <typename View> bool sameText(View a, View b) {
    return a.size() == b.size() && (a.isEmpty() || (a.front() == b.front() && a == b));
}
QString toText(QByteArrayView field) {
    return decodeGitBytes(field);
}
QString toText(QStringView field) {
    return field.toString();
}
CommitText toCommitText(QByteArrayView field) {
    return CommitText::fromGitBytes(field.toByteArray());
}
CommitText toCommitText(QStringView field) {
    return CommitText::fromGitBytes(encodeGitBytes(field));
}

// A cheap hash for short keys: ids are random already, and names and dates are short, so
// FNV-1a beats the general-purpose hash QHash would use.
template <typename View> struct Key {
    View text;
    friend bool operator==(const Key& a, const Key& b) { return sameText(a.text, b.text); }
    friend size_t qHash(const Key& key, size_t seed = 0) noexcept {
        size_t hash = 14695981039346656037ull ^ seed;
        for (qsizetype i = 0; i < key.text.size(); ++i) {
            hash ^= size_t(unit(key.text, i));
            hash *= 1099511628211ull;
        }
        return hash;
    }
};

// Equal texts of one output share one string: there are far fewer authors and relative dates
// than commits. Neighbouring commits mostly share the date, so the last one is tried first.
template <typename View> class Interner {
public:
    QString shared(View text) {
        if (m_hasLast && sameText(m_last.text, text))
            return m_lastString;
        auto it = m_strings.constFind(Key<View>{text});
        QString found = it != m_strings.cend() ? *it : toText(text);
        if (it == m_strings.cend())
            m_strings.insert(Key<View>{text}, found);
        m_hasLast = true;
        m_last = Key<View>{text};
        m_lastString = found;
        return found;
    }

private:
    QHash<Key<View>, QString> m_strings;
    bool m_hasLast = false;
    Key<View> m_last{};
    QString m_lastString;
};

// Nearly every id comes back as the parent of a commit listed a few records above it; the ids
// of the last parents seen are kept so that the commit's own id shares their string.
template <typename View> class RecentIds {
public:
    QString parent(View text) {
        for (const Entry& entry : m_entries) {
            if (sameText(entry.text, text))
                return entry.id;
        }
        Entry& entry = m_entries[m_next++ % std::size(m_entries)];
        entry = Entry{text, toText(text)};
        return entry.id;
    }
    QString own(View text) const {
        for (const Entry& entry : m_entries) {
            if (sameText(entry.text, text))
                return entry.id;
        }
        return toText(text);
    }

private:
    struct Entry {
        View text;
        QString id;
    };
    Entry m_entries[16];
    size_t m_next = 0;
};

template <typename View> QList<GitCommit> parseRecords(View text) {
    QList<GitCommit> commits;
    Interner<View> names;
    Interner<View> dates;
    RecentIds<View> ids;
    View fields[8];
    qsizetype start = 0;
    while (start < text.size()) {
        // Fields up to the end marker; fields past the eighth are read by other callers.
        int count = 0;
        qsizetype at = start;
        qsizetype end = -1;
        while (true) {
            const qsizetype nul = findNul(text, at);
            if (nul < 0)
                break;
            if (endsRecord(text, nul)) {
                if (count < 8)
                    fields[count] = text.sliced(at, nul - at);
                ++count;
                end = nul + 10;
                break;
            }
            if (count < 8)
                fields[count] = text.sliced(at, nul - at);
            ++count;
            at = nul + 1;
        }
        if (end < 0) {
            // The last piece has no end marker.
            if (count < 8)
                fields[count] = text.sliced(at);
            ++count;
            end = text.size();
        }
        start = end;
        if (count < 5)
            continue;
        const View id = asciiTrimmed(fields[0]);
        if (id.isEmpty())
            continue;
        GitCommit commit;
        commit.id = ids.own(id);
        commit.shortHash = toText(fields[1]);
        commit.author = names.shared(fields[2]);
        commit.date = dates.shared(fields[3]);
        commit.message = toText(fields[4]);
        commit.fullMessage = count >= 6 ? toCommitText(asciiTrimmed(fields[5]))
                                        : CommitText::fromGitBytes(encodeGitBytes(commit.message));
        if (count >= 7)
            commit.refs = toText(fields[6]);
        if (count >= 8) {
            const View parents = asciiTrimmed(fields[7]);
            qsizetype from = 0;
            while (from < parents.size()) {
                qsizetype space = parents.indexOf(' ', from);
                if (space < 0)
                    space = parents.size();
                commit.parents.append(ids.parent(parents.sliced(from, space - from)));
                from = space + 1;
            }
        }
        commits.append(std::move(commit));
    }
    return commits;
}

} // namespace

QList<GitCommit> parseLog(const QString& output) {
    return parseRecords(QStringView(output));
}

QList<GitCommit> parseLogBytes(QByteArrayView output) {
    return parseRecords(output);
}

} // namespace tolvane
