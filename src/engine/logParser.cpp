#include "engine/logParser.h"

#include "engine/StringArena.h"
#include "engine/byteCounting.h"

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

// A decimal count of seconds; 0 when the field holds anything else.
template <typename View> qint64 secondsField(View text) {
    const View digits = asciiTrimmed(text);
    if (digits.isEmpty() || digits.size() > 18)
        return 0;
    qint64 value = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const unsigned u = unit(digits, i);
        if (u < '0' || u > '9')
            return 0;
        value = value * 10 + qint64(u - '0');
    }
    return value;
}

template <typename View> bool sameText(View a, View b) {
    return a.size() == b.size() && (a.isEmpty() || (a.front() == b.front() && a == b));
}
// The decoded text is copied; git's bytes are decoded into the strings of one arena, which
// spares an allocation per field.
struct TextReader {
    QString text(QStringView field) const { return field.toString(); }
    QString share(const QString& text) const { return text; }
    CommitText message(QStringView field) const {
        return CommitText::fromGitBytes(encodeGitBytes(field));
    }
};
struct BytesReader {
    StringArena& arena;
    QString text(QByteArrayView field) const { return arena.decode(field); }
    QString share(const QString& text) const { return arena.share(text); }
    CommitText message(QByteArrayView field) const {
        return CommitText::fromGitBytes(arena.copy(field));
    }
};

// Cheap hashes for short keys: ids are random already, and names and dates are short, so these
// beat the general-purpose hash QHash would use. Bytes are taken eight at a time, the last eight
// overlapping the others when the length is no multiple of eight.
size_t hashText(QByteArrayView text, size_t seed) {
    const qsizetype size = text.size();
    quint64 hash = seed ^ (quint64(size) * 0x9E3779B97F4A7C15ull);
    const auto mix = [&hash](quint64 word) {
        hash = (hash ^ word) * 0xBF58476D1CE4E5B9ull;
        hash ^= hash >> 29;
        hash *= 0x94D049BB133111EBull;
        hash ^= hash >> 32;
    };
    if (size < 8) {
        quint64 word = 0;
        if (size > 0)
            std::memcpy(&word, text.data(), size_t(size));
        mix(word);
        return size_t(hash);
    }
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        quint64 word;
        std::memcpy(&word, text.data() + i, 8);
        mix(word);
    }
    if (i < size) {
        quint64 word;
        std::memcpy(&word, text.data() + size - 8, 8);
        mix(word);
    }
    return size_t(hash);
}
// FNV-1a for the decoded text.
size_t hashText(QStringView text, size_t seed) {
    size_t hash = 14695981039346656037ull ^ seed;
    for (const QChar c : text) {
        hash ^= size_t(c.unicode());
        hash *= 1099511628211ull;
    }
    return hash;
}

// Keys of the tables below.
template <typename View> struct Key {
    View text;
    friend bool operator==(const Key& a, const Key& b) { return sameText(a.text, b.text); }
    friend size_t qHash(const Key& key, size_t seed = 0) noexcept {
        return hashText(key.text, seed);
    }
};

// Equal texts of one output share one string: there are far fewer authors than commits.
// Neighbouring commits mostly share the author, so the last one is tried first.
template <typename View, typename Reader> class Interner {
public:
    explicit Interner(const Reader& read) : m_read(read) {}
    QString shared(View text) {
        // The string stays in the table and is only shared from there: each copy of a string
        // kept elsewhere would cost atomic operations.
        if (!m_last || !sameText(m_lastText, text)) {
            auto it = m_strings.find(Key<View>{text});
            if (it == m_strings.end())
                it = m_strings.insert(Key<View>{text}, m_read.text(text));
            m_last = &it.value(); // valid until the next insertion, which replaces it
            m_lastText = text;
        }
        return m_read.share(*m_last);
    }

private:
    const Reader& m_read;
    QHash<Key<View>, QString> m_strings;
    const QString* m_last = nullptr;
    View m_lastText;
};

// Nearly every id comes back as the parent of a commit listed a few records above it; the ids
// of the last parents seen are kept so that the commit's own id shares their string.
template <typename View, typename Reader> class RecentIds {
public:
    explicit RecentIds(const Reader& read) : m_read(read) {}
    QString parent(View text) {
        for (const Entry& entry : m_entries) {
            if (sameText(entry.text, text))
                return m_read.share(entry.id);
        }
        Entry& entry = m_entries[m_next++ % std::size(m_entries)];
        entry = Entry{text, m_read.text(text)};
        return m_read.share(entry.id);
    }
    QString own(View text) const {
        for (const Entry& entry : m_entries) {
            if (sameText(entry.text, text))
                return m_read.share(entry.id);
        }
        return m_read.text(text);
    }

private:
    const Reader& m_read;
    struct Entry {
        View text;
        QString id;
    };
    Entry m_entries[16];
    size_t m_next = 0;
};

// At least as many commits as the output holds: each ends with a field that starts with "-".
qsizetype commitCapacity(QStringView) {
    return 0;
}
qsizetype commitCapacity(QByteArrayView text) {
    return countPair(text, '\0', '-') + 1;
}

template <typename View, typename Reader>
QList<GitCommit> parseRecords(View text, const Reader& read) {
    QList<GitCommit> commits;
    // Growing a list of commits copies every one made so far, more than once.
    commits.reserve(commitCapacity(text));
    Interner<View, Reader> names(read);
    RecentIds<View, Reader> ids(read);
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
        // Filled in place: moving a finished commit into the list costs as much again.
        GitCommit& commit = commits.emplaceBack();
        commit.id = ids.own(id);
        commit.shortHash = read.text(fields[1]);
        commit.author = names.shared(fields[2]);
        commit.authorTime = secondsField(fields[3]);
        commit.message = read.text(fields[4]);
        commit.fullMessage = count >= 6 ? read.message(asciiTrimmed(fields[5]))
                                        : CommitText::fromGitBytes(encodeGitBytes(commit.message));
        if (count >= 7)
            commit.refs = read.text(fields[6]);
        if (count >= 8) {
            const View parents = asciiTrimmed(fields[7]);
            if (!parents.isEmpty())
                commit.parents.reserve(parents.count(' ') + 1);
            qsizetype from = 0;
            while (from < parents.size()) {
                qsizetype space = parents.indexOf(' ', from);
                if (space < 0)
                    space = parents.size();
                commit.parents.append(ids.parent(parents.sliced(from, space - from)));
                from = space + 1;
            }
        }
    }
    return commits;
}

} // namespace

QList<GitCommit> parseLog(const QString& output) {
    return parseRecords(QStringView(output), TextReader{});
}

QList<GitCommit> parseLogBytes(QByteArrayView output) {
    StringArena arena;
    return parseLogBytes(output, arena);
}

QList<GitCommit> parseLogBytes(QByteArrayView output, StringArena& arena) {
    return parseRecords(output, BytesReader{arena});
}

} // namespace tolvane
