// Throughput of the parsers over generated git output of realistic size and shape. Bytes are
// counted as git printed them (UTF-8). "Text" cases start from the decoded text a parser is
// handed; "FromBytes" cases include decoding git's bytes, as the worker does after a run.
#include "engine/blameParser.h"
#include "engine/branchParser.h"
#include "engine/commitFilesParser.h"
#include "engine/gitText.h"
#include "engine/logParser.h"
#include "engine/statusParser.h"
#include "engine/transferProgress.h"

#include <QRandomGenerator>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

using namespace tolvane;

namespace {

QByteArray hash(QRandomGenerator& random) {
    static const char hex[] = "0123456789abcdef";
    QByteArray id(40, '0');
    for (char& c : id)
        c = hex[random.bounded(16)];
    return id;
}

QByteArray words(QRandomGenerator& random, qsizetype length, int wrap) {
    static const char* const list[] = {"the",   "parser", "reads",  "commit", "graph", "when",
                                       "index", "refs",   "object", "pack",   "which", "merge",
                                       "fix",   "branch", "memory", "tests",  "cache", "über"};
    QByteArray text;
    qsizetype column = 0;
    while (text.size() < length) {
        const QByteArray word = list[random.bounded(18)];
        if (wrap && column + word.size() + 1 > wrap) {
            text += '\n';
            column = 0;
        } else if (column > 0) {
            text += ' ';
            ++column;
        }
        text += word;
        column += word.size();
    }
    return text;
}

// Twenty thousand commits as the log query prints them; message sizes as in a large project
// (median about 480 bytes, mean about 680) and 2,500 authors.
const QByteArray& logBytes() {
    static const QByteArray out = [] {
        QRandomGenerator random(1);
        QByteArray text;
        QByteArray parent = hash(random);
        QList<QByteArray> ids;
        for (int i = 0; i < 20'000; ++i)
            ids.append(hash(random));
        for (int i = 0; i < 20'000; ++i) {
            const double u1 = std::max(random.generateDouble(), 1e-12);
            const double normal =
                std::sqrt(-2 * std::log(u1)) * std::cos(2 * M_PI * random.generateDouble());
            const qsizetype length = qsizetype(480 * std::exp(0.834 * normal));
            const QByteArray subject = words(random, 50, 0);
            const QByteArray& id = ids[i];
            QByteArray parents = i + 1 < ids.size() ? ids[i + 1] : QByteArray();
            if (i % 20 == 0 && i + 5 < ids.size())
                parents += ' ' + ids[i + 5];
            text += id + '\0' + id.left(7) + '\0' + "Author Name " +
                    QByteArray::number(random.bounded(2500)) + '\0' +
                    QByteArray::number(1704110400 - 3600 * i) + '\0' + subject + '\0' + subject +
                    "\n\n" + words(random, length, 72) + "\n\n" + '\0' +
                    (i % 100 == 0 ? "tag: v" + QByteArray::number(i) : QByteArray()) + '\0' +
                    parents + '\0' + "---END---\n";
        }
        return text;
    }();
    return out;
}

// `git status --porcelain -z -uall` of 12,000 changes in a deep tree.
const QByteArray& statusBytes() {
    static const QByteArray out = [] {
        QRandomGenerator random(2);
        QByteArray text;
        static const char* const codes[] = {" M", "M ", "MM", "A ", "??", " D", "R "};
        for (int i = 0; i < 12'000; ++i) {
            const QByteArray code = codes[random.bounded(7)];
            const QByteArray path = "src/module" + QByteArray::number(i % 97) + "/part" +
                                    QByteArray::number(i % 13) + "/file_" + QByteArray::number(i) +
                                    ".cpp";
            text += code + ' ' + path + '\0';
            if (code.startsWith('R'))
                text += path + ".old" + '\0';
        }
        return text;
    }();
    return out;
}

// `git show --name-status -z --format=` of a commit touching 20,000 files.
const QByteArray& commitFilesBytes() {
    static const QByteArray out = [] {
        QByteArray text;
        for (int i = 0; i < 20'000; ++i) {
            const QByteArray path =
                "lib/area" + QByteArray::number(i % 50) + "/file_" + QByteArray::number(i) + ".c";
            if (i % 50 == 0)
                text += "R087" + QByteArray(1, '\0') + path + ".old" + '\0' + path + '\0';
            else
                text += (i % 3 ? "M" : "A") + QByteArray(1, '\0') + path + '\0';
        }
        return text;
    }();
    return out;
}

// `git blame --porcelain` of a 20,000-line file written by 300 commits over eight years.
const QByteArray& blameBytes() {
    static const QByteArray out = [] {
        QRandomGenerator random(3);
        QList<QByteArray> commits;
        for (int i = 0; i < 300; ++i)
            commits.append(hash(random));
        QList<bool> seen(300, false);
        QByteArray text;
        for (int line = 1; line <= 20'000; ++line) {
            const int c = int(random.bounded(300));
            text += commits[c] + ' ' + QByteArray::number(line) + ' ' + QByteArray::number(line) +
                    " 1\n";
            if (!seen[c]) {
                seen[c] = true;
                text += "author Author " + QByteArray::number(c % 40) +
                        "\nauthor-mail <a@example.com>\nauthor-time " +
                        QByteArray::number(1450000000 + c * 850'000 + random.bounded(3600)) +
                        "\nauthor-tz +0000\ncommitter C\ncommitter-mail <c@example.com>\n"
                        "committer-time 1600000000\ncommitter-tz +0000\nsummary Change " +
                        QByteArray::number(c) + "\nfilename src/big.cpp\n";
            }
            text += '\t' + words(random, 40, 0) + '\n';
        }
        return text;
    }();
    return out;
}

// `git branch --format=...` of 5,000 local branches.
const QByteArray& branchBytes() {
    static const QByteArray out = [] {
        QByteArray text;
        for (int i = 0; i < 5'000; ++i)
            text += "feature/topic-" + QByteArray::number(i) + (i == 7 ? " *\n" : "  \n");
        return text;
    }();
    return out;
}

template <typename Parse>
void measureText(benchmark::State& state, const QByteArray& bytes, Parse parse) {
    const QString text = decodeGitBytes(bytes);
    qsizetype items = 0;
    for (auto _ : state) {
        auto parsed = parse(text);
        items = parsed.size();
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["items"] = double(items);
}

template <typename Parse>
void measureFromBytes(benchmark::State& state, const QByteArray& bytes, Parse parse) {
    qsizetype items = 0;
    for (auto _ : state) {
        auto parsed = parse(decodeGitBytes(bytes));
        items = parsed.size();
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["items"] = double(items);
}

// Straight from git's bytes, as the queries parse them on the worker.
template <typename Parse>
void measureBytes(benchmark::State& state, const QByteArray& bytes, Parse parse) {
    qsizetype items = 0;
    for (auto _ : state) {
        auto parsed = parse(bytes);
        items = parsed.size();
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["items"] = double(items);
}

void BM_DecodeGitBytes(benchmark::State& state) {
    const QByteArray& bytes = logBytes();
    for (auto _ : state) {
        QString text = decodeGitBytes(bytes);
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_DecodeGitBytes)->Unit(benchmark::kMillisecond);

void BM_ParseLogText(benchmark::State& state) {
    measureText(state, logBytes(), [](const QString& t) { return parseLog(t); });
}
BENCHMARK(BM_ParseLogText)->Unit(benchmark::kMillisecond);

void BM_ParseLogFromBytes(benchmark::State& state) {
    measureFromBytes(state, logBytes(), [](const QString& t) { return parseLog(t); });
}
BENCHMARK(BM_ParseLogFromBytes)->Unit(benchmark::kMillisecond);

void BM_ParseLogBytes(benchmark::State& state) {
    const QByteArray& bytes = logBytes();
    qsizetype items = 0;
    for (auto _ : state) {
        auto parsed = parseLogBytes(bytes);
        items = parsed.size();
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["items"] = double(items);
}
BENCHMARK(BM_ParseLogBytes)->Unit(benchmark::kMillisecond);

// The parse alone: freeing the previous result is left out of the time. A history list is
// freed when it is replaced, not when the next one is parsed, so both figures matter.
void BM_ParseLogBytesWithoutFreeing(benchmark::State& state) {
    const QByteArray& bytes = logBytes();
    qsizetype items = 0;
    for (auto _ : state) {
        auto parsed = parseLogBytes(bytes);
        items = parsed.size();
        benchmark::DoNotOptimize(parsed);
        state.PauseTiming();
        parsed = {};
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
    state.counters["items"] = double(items);
}
BENCHMARK(BM_ParseLogBytesWithoutFreeing)->Unit(benchmark::kMillisecond);

void BM_ParseStatusText(benchmark::State& state) {
    measureText(state, statusBytes(), [](const QString& t) { return parseStatus(t); });
}
BENCHMARK(BM_ParseStatusText)->Unit(benchmark::kMillisecond);

void BM_ParseStatusFromBytes(benchmark::State& state) {
    measureFromBytes(state, statusBytes(), [](const QString& t) { return parseStatus(t); });
}
BENCHMARK(BM_ParseStatusFromBytes)->Unit(benchmark::kMillisecond);

void BM_ParseStatusBytes(benchmark::State& state) {
    measureBytes(state, statusBytes(), [](QByteArrayView b) { return parseStatusBytes(b); });
}
BENCHMARK(BM_ParseStatusBytes)->Unit(benchmark::kMillisecond);

void BM_ParseCommitFilesText(benchmark::State& state) {
    measureText(state, commitFilesBytes(), [](const QString& t) { return parseCommitFiles(t); });
}
BENCHMARK(BM_ParseCommitFilesText)->Unit(benchmark::kMillisecond);

void BM_ParseCommitFilesFromBytes(benchmark::State& state) {
    measureFromBytes(state, commitFilesBytes(),
                     [](const QString& t) { return parseCommitFiles(t); });
}
BENCHMARK(BM_ParseCommitFilesFromBytes)->Unit(benchmark::kMillisecond);

void BM_ParseCommitFilesBytes(benchmark::State& state) {
    measureBytes(state, commitFilesBytes(),
                 [](QByteArrayView b) { return parseCommitFilesBytes(b); });
}
BENCHMARK(BM_ParseCommitFilesBytes)->Unit(benchmark::kMillisecond);

void BM_ParseBlameText(benchmark::State& state) {
    measureText(state, blameBytes(), [](const QString& t) { return parseBlame(t); });
}
BENCHMARK(BM_ParseBlameText)->Unit(benchmark::kMillisecond);

void BM_ParseBlameFromBytes(benchmark::State& state) {
    measureFromBytes(state, blameBytes(), [](const QString& t) { return parseBlame(t); });
}
BENCHMARK(BM_ParseBlameFromBytes)->Unit(benchmark::kMillisecond);

void BM_ParseBlameBytes(benchmark::State& state) {
    measureBytes(state, blameBytes(), [](QByteArrayView b) { return parseBlameBytes(b); });
}
BENCHMARK(BM_ParseBlameBytes)->Unit(benchmark::kMillisecond);

void BM_ParseBranchesText(benchmark::State& state) {
    measureText(state, branchBytes(), [](const QString& t) { return parseLocalBranches(t); });
}
BENCHMARK(BM_ParseBranchesText)->Unit(benchmark::kMillisecond);

void BM_ParseBranchesBytes(benchmark::State& state) {
    measureBytes(state, branchBytes(), [](QByteArrayView b) { return parseLocalBranchesBytes(b); });
}
BENCHMARK(BM_ParseBranchesBytes)->Unit(benchmark::kMillisecond);

} // namespace

// git's progress stream for a clone: 10,000 receiving lines rewritten with '\r', then resolving
// and checking out, read in 4 KiB pieces the way the runner reads standard error.
void BM_ScanTransferProgress(benchmark::State& state) {
    QString stream;
    for (int i = 1; i <= 10000; ++i)
        stream += QStringLiteral("Receiving objects: %1% (%2/10000), %3.%4 MiB | 12.34 MiB/s\r")
                      .arg(i / 100, 3)
                      .arg(i)
                      .arg(i / 10)
                      .arg(i % 100, 2, 10, QLatin1Char('0'));
    for (int i = 1; i <= 2000; ++i)
        stream += QStringLiteral("Resolving deltas: %1% (%2/2000)\r").arg(i / 20, 3).arg(i);
    stream += QStringLiteral("Resolving deltas: 100% (2000/2000), done.\n");
    for (int i = 1; i <= 100; ++i)
        stream += QStringLiteral("Updating files: %1% (%2/100)\r").arg(i, 3).arg(i);
    constexpr qsizetype piece = 4096;
    for (auto _ : state) {
        QString pending;
        int seen = 0;
        for (qsizetype at = 0; at < stream.size(); at += piece) {
            pending += QStringView(stream).mid(at, piece);
            const ProgressScan scan = scanProgress(pending);
            pending.remove(0, scan.consumed);
            seen += scan.latest ? 1 : 0;
        }
        benchmark::DoNotOptimize(seen);
    }
    state.SetItemsProcessed(state.iterations() * 12101);
}
BENCHMARK(BM_ScanTransferProgress)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
