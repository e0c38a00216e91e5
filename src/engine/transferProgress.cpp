#include "engine/transferProgress.h"

#include <limits>

namespace tolvane {
namespace {

struct PhaseTitle {
    QStringView title;
    TransferProgress::Phase phase;
};

constexpr PhaseTitle phaseTitles[] = {
    {u"Receiving objects", TransferProgress::Phase::Receiving},
    {u"Resolving deltas", TransferProgress::Phase::Resolving},
    {u"Checking out files", TransferProgress::Phase::CheckingOut},
    {u"Updating files", TransferProgress::Phase::CheckingOut},
    {u"Counting objects", TransferProgress::Phase::Preparing},
    {u"Compressing objects", TransferProgress::Phase::Preparing},
    {u"Enumerating objects", TransferProgress::Phase::Preparing},
};

// Reads digits at `at`; advances past them.
std::optional<qint64> readNumber(QStringView text, qsizetype& at) {
    const qsizetype start = at;
    qint64 value = 0;
    while (at < text.size() && text[at].isDigit() && text[at].unicode() < 0x80) {
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10)
            return std::nullopt;
        value = value * 10 + (text[at].unicode() - u'0');
        ++at;
    }
    if (at == start)
        return std::nullopt;
    return value;
}

void skipSpaces(QStringView text, qsizetype& at) {
    while (at < text.size() && text[at] == u' ')
        ++at;
}

} // namespace

std::optional<TransferProgress> parseProgressLine(QStringView line) {
    line = line.trimmed();
    if (line.startsWith(u"remote: "))
        line = line.mid(8).trimmed();
    const PhaseTitle* found = nullptr;
    for (const PhaseTitle& title : phaseTitles) {
        if (line.startsWith(title.title) && line.mid(title.title.size()).startsWith(u':')) {
            found = &title;
            break;
        }
    }
    if (!found)
        return std::nullopt;
    TransferProgress progress;
    progress.phase = found->phase;
    QStringView rest = line.mid(found->title.size() + 1);
    qsizetype at = 0;
    skipSpaces(rest, at);
    // "45% (450/1000)" or a bare count "1234".
    const std::optional<qint64> first = readNumber(rest, at);
    if (!first)
        return std::nullopt;
    if (at < rest.size() && rest[at] == u'%') {
        if (*first > 100)
            return std::nullopt;
        progress.percent = int(*first);
        ++at;
        skipSpaces(rest, at);
        if (at < rest.size() && rest[at] == u'(') {
            ++at;
            const std::optional<qint64> done = readNumber(rest, at);
            if (!done || at >= rest.size() || rest[at] != u'/')
                return std::nullopt;
            ++at;
            const std::optional<qint64> total = readNumber(rest, at);
            if (!total || at >= rest.size() || rest[at] != u')')
                return std::nullopt;
            ++at;
            progress.done = *done;
            progress.total = *total;
        }
    } else {
        progress.done = *first;
    }
    QStringView tail = rest.mid(at).trimmed();
    if (tail.startsWith(u','))
        tail = tail.mid(1).trimmed();
    if (tail.endsWith(u"done.")) {
        progress.finished = true;
        tail = tail.chopped(5).trimmed();
        if (tail.endsWith(u','))
            tail.chop(1);
    }
    // "1.20 MiB | 3.40 MiB/s"
    if (!tail.isEmpty()) {
        const qsizetype bar = tail.indexOf(u'|');
        if (bar >= 0) {
            progress.amount = tail.first(bar).trimmed().toString();
            progress.rate = tail.mid(bar + 1).trimmed().toString();
        } else {
            progress.amount = tail.trimmed().toString();
        }
    }
    return progress;
}

ProgressScan scanProgress(QStringView text) {
    ProgressScan scan;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        const QStringView line = text.mid(start, i - start);
        start = i + 1;
        if (std::optional<TransferProgress> progress = parseProgressLine(line)) {
            scan.latest = std::move(progress);
            continue;
        }
        const QStringView trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            scan.messages.append(trimmed.toString());
    }
    scan.consumed = start;
    return scan;
}

QString progressPhaseName(TransferProgress::Phase phase) {
    switch (phase) {
    case TransferProgress::Phase::Preparing:
        return QStringLiteral("Preparing");
    case TransferProgress::Phase::Receiving:
        return QStringLiteral("Receiving objects");
    case TransferProgress::Phase::Resolving:
        return QStringLiteral("Resolving deltas");
    case TransferProgress::Phase::CheckingOut:
        return QStringLiteral("Checking out files");
    }
    return {};
}

} // namespace tolvane
