#include "engine/branchParser.h"

#include "engine/StringArena.h"
#include "engine/byteCounting.h"
#include "engine/gitText.h"

#include <QRandomGenerator>
#include <cstring>

namespace tolvane {
namespace {

// Ids for the branches of one parse. Asking the shared generator for every one costs a lock
// each; the ids need only be distinct, so one random seed drives a fast sequence instead.
class BranchIds {
public:
    QUuid next() {
        const quint64 high = mix();
        const quint64 low = mix();
        // Marked as a random (version 4) id of the RFC 4122 variant, as GitBranch::freshId
        // makes them.
        return QUuid(uint(high >> 32), ushort(high >> 16), ushort((high & 0x0FFF) | 0x4000),
                     uchar(((low >> 56) & 0x3F) | 0x80), uchar(low >> 48), uchar(low >> 40),
                     uchar(low >> 32), uchar(low >> 24), uchar(low >> 16), uchar(low >> 8),
                     uchar(low));
    }

private:
    // splitmix64: a different output for every step of the counter.
    quint64 mix() {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    quint64 m_state = QRandomGenerator::global()->generate64();
};

char16_t unit(QStringView text, qsizetype i) {
    return text[i].unicode();
}
char16_t unit(QByteArrayView text, qsizetype i) {
    return uchar(text[i]);
}

// Only spaces and tabs, as lineSplitting.h trims.
template <typename View> View trimBlanks(View text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [&text](qsizetype i) {
        return unit(text, i) == ' ' || unit(text, i) == '\t';
    };
    while (begin < end && blank(begin))
        ++begin;
    while (end > begin && blank(end - 1))
        --end;
    return text.sliced(begin, end - begin);
}

template <typename View> bool holdsMarker(View text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (unit(text, i) == ' ' && unit(text, i + 1) == '*')
            return true;
    }
    return false;
}

bool holdsSpace(QStringView text) {
    return text.contains(u' ');
}
bool holdsSpace(QByteArrayView text) {
    return !text.isEmpty() && std::memchr(text.data(), ' ', size_t(text.size())) != nullptr;
}

template <typename View> bool endsWithHead(View text) {
    const char head[] = "/HEAD";
    const qsizetype length = qsizetype(sizeof head) - 1;
    if (text.size() < length)
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        if (unit(text, text.size() - length + i) != char16_t(head[i]))
            return false;
    }
    return true;
}

// A name that holds " *" anywhere loses every one of them (left to right, as QString::remove
// does), and the blanks they leave at either end.
QString withoutMarkers(QStringView name, StringArena*) {
    QString text = name.toString();
    text.remove(QStringLiteral(" *"));
    return trimBlanks(QStringView(text)).toString();
}
// Removing them from the decoded text, not from the bytes: that could join the bytes on either
// side into one character.
QString withoutMarkers(QByteArrayView name, StringArena*) {
    return withoutMarkers(QStringView(decodeGitBytes(name)), nullptr);
}

QString toText(QStringView text, StringArena*) {
    return text.toString();
}
QString toText(QByteArrayView bytes, StringArena* arena) {
    return arena->decode(bytes);
}

qsizetype lineFeeds(QStringView text) {
    return text.count(QChar(u'\n'));
}
qsizetype lineFeeds(QByteArrayView text) {
    return countByte(text, '\n');
}

// Where the line starting at `from` ends: its line feed, or the end of the text.
qsizetype lineEnd(QStringView text, qsizetype from) {
    const qsizetype end = text.indexOf(QChar(u'\n'), from);
    return end < 0 ? text.size() : end;
}
qsizetype lineEnd(QByteArrayView text, qsizetype from) {
    if (from >= text.size())
        return text.size();
    const void* end = std::memchr(text.data() + from, '\n', size_t(text.size() - from));
    return end ? static_cast<const char*>(end) - text.data() : text.size();
}

// Lines in place, each without its line feed; the last may be empty.
template <typename View, typename Visit> void forEachLine(View text, Visit visit) {
    qsizetype start = 0;
    while (start <= text.size()) {
        const qsizetype end = lineEnd(text, start);
        visit(text.sliced(start, end - start));
        start = end + 1;
    }
}

// Filled in place: moving a finished branch into the list costs as much again.
void add(QList<GitBranch>& branches, BranchIds& ids, QString&& name, bool isCurrent, bool isRemote,
         bool isDetached) {
    GitBranch& branch = branches.emplaceBack();
    branch.id = ids.next();
    branch.name = std::move(name);
    branch.isCurrent = isCurrent;
    branch.isRemote = isRemote;
    branch.isDetached = isDetached;
}

// git prints ASCII markers and blanks around the names, so both forms of the output are cut at
// the same places and only the names need decoding.
template <typename View> QList<GitBranch> parseLocal(View output, StringArena* arena) {
    QList<GitBranch> branches;
    branches.reserve(lineFeeds(output) + 1);
    BranchIds ids;
    forEachLine(output, [&](View line) {
        if (line.isEmpty())
            return;
        const View trimmed = trimBlanks(line);
        const bool isCurrent = !trimmed.isEmpty() && unit(trimmed, trimmed.size() - 1) == '*';
        // Nearly every line is a name alone: without a space it holds no marker and is no
        // description, and its bytes decode to the name. A space is ASCII in both forms.
        if (!holdsSpace(trimmed)) {
            if (!trimmed.isEmpty())
                add(branches, ids, toText(trimmed, arena), isCurrent, false, false);
            return;
        }
        // Most other lines hold no " *" but the marker; only those that do need the copy.
        QString name =
            holdsMarker(trimmed) ? withoutMarkers(trimmed, arena) : toText(trimmed, arena);
        if (name.isEmpty())
            return;
        // A branch name never holds a space: this is git's description of a HEAD that is on no
        // branch, such as "(HEAD detached at 1a2b3c4)" or "(no branch, rebasing main)".
        if (name.contains(u' ')) {
            if (name.startsWith(u'(') && name.endsWith(u')'))
                name = name.sliced(1, name.size() - 2);
            add(branches, ids, std::move(name), isCurrent, false, true);
            return;
        }
        add(branches, ids, std::move(name), isCurrent, false, false);
    });
    return branches;
}

template <typename View> QList<GitBranch> parseRemote(View output, StringArena* arena) {
    QList<GitBranch> branches;
    branches.reserve(lineFeeds(output) + 1);
    BranchIds ids;
    forEachLine(output, [&](View line) {
        const View trimmed = trimBlanks(line);
        if (trimmed.isEmpty() || endsWithHead(trimmed))
            return;
        add(branches, ids, toText(trimmed, arena), false, true, false);
    });
    return branches;
}

} // namespace

QList<GitBranch> parseLocalBranches(const QString& output) {
    return parseLocal(QStringView(output), nullptr);
}

QList<GitBranch> parseRemoteBranches(const QString& output) {
    return parseRemote(QStringView(output), nullptr);
}

QList<GitBranch> parseLocalBranchesBytes(QByteArrayView output) {
    StringArena arena;
    return parseLocal(output, &arena);
}

QList<GitBranch> parseRemoteBranchesBytes(QByteArrayView output) {
    StringArena arena;
    return parseRemote(output, &arena);
}

} // namespace tolvane
