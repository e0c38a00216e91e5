// Parsing, classifying and partial-patch building on generated diffs.
#include "diff/DiffParser.h"
#include "diff/diffLineClassifier.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>
#include <atomic>
#include <cstdlib>

// Counts heap allocations (Qt's containers call malloc directly) so that the report shows how
// many allocations each line costs.
namespace {
std::atomic<long long> allocations{0};
} // namespace

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* malloc(size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
void* realloc(void* p, size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
}

using namespace tolvane;

namespace {

QString randomText(QRandomGenerator& random) {
    static const char* const words[] = {"int", "return", "value",   "const", "auto", "if",
                                        "for", "while",  "QString", "list",  "(",    ");",
                                        "{",   "}",      "=",       "+",     "->",   "m_count"};
    QString line;
    const int count = int(random.bounded(12));
    for (int i = 0; i < count; ++i) {
        if (i)
            line += u' ';
        line += QLatin1String(words[random.bounded(18)]);
    }
    return line;
}

// A git-style diff of one file, cut at a line boundary near `size` characters.
QString makeDiff(qsizetype size) {
    QRandomGenerator random(42);
    QString text = QStringLiteral("diff --git a/src/file.cpp b/src/file.cpp\n"
                                  "index 1234567..89abcde 100644\n"
                                  "--- a/src/file.cpp\n+++ b/src/file.cpp\n");
    int line = 1;
    while (text.size() < size) {
        text += QStringLiteral("@@ -%1,12 +%1,12 @@ void function()\n").arg(line);
        for (int i = 0; i < 12; ++i) {
            const int kind = int(random.bounded(6));
            text += kind == 0 ? u'-' : kind == 1 ? u'+' : u' ';
            text += randomText(random);
            text += u'\n';
        }
        line += 40;
    }
    text.truncate(text.lastIndexOf(u'\n', size - 1) + 1);
    return text;
}

void BM_Parse(benchmark::State& state) {
    const QString text = makeDiff(500000);
    const long long before = allocations.load();
    qsizetype lines = 0;
    for (auto _ : state) {
        ParsedFileDiff parsed = DiffParser::parse(text);
        lines = parsed.headerLines.size();
        for (const DiffHunk& h : parsed.hunks)
            lines += h.lines.size();
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["chars"] = double(text.size());
    state.counters["allocs_per_line"] =
        double(allocations.load() - before) / double(state.iterations()) / double(lines);
}
BENCHMARK(BM_Parse)->Unit(benchmark::kMicrosecond);

void BM_ParseDiffLines(benchmark::State& state) {
    const QString text = makeDiff(500000);
    const long long before = allocations.load();
    qsizetype lines = 0;
    for (auto _ : state) {
        QList<DiffLine> result = parseDiffLines(text);
        lines = result.size();
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(state.iterations() * text.size());
    state.counters["chars"] = double(text.size());
    state.counters["allocs_per_line"] =
        double(allocations.load() - before) / double(state.iterations()) / double(lines);
}
BENCHMARK(BM_ParseDiffLines)->Unit(benchmark::kMicrosecond);

void BM_BuildPartialHunk(benchmark::State& state) {
    // 10,000 body lines in blocks of three removals, three additions and two context lines.
    QRandomGenerator random(7);
    QStringList lines{QStringLiteral("@@ -1,6000 +1,6000 @@ fn")};
    while (lines.size() <= 10000) {
        const int position = int(lines.size() - 1) % 8;
        const QChar sign = position < 3 ? u'-' : position < 6 ? u'+' : u' ';
        lines.append(sign + randomText(random));
    }
    const DiffHunk hunk = DiffParser::makeHunk(0, lines.constFirst(), lines);
    const QList<DiffLineInfo> infos = DiffParser::buildLineInfos(hunk);
    QSet<QUuid> selected;
    for (qsizetype i = 0; i < infos.size(); i += 2)
        selected.insert(infos.at(i).id);
    for (auto _ : state) {
        std::optional<DiffHunk> partial = DiffParser::buildPartialHunk(hunk, selected, infos);
        if (!partial)
            state.SkipWithError("refused");
        benchmark::DoNotOptimize(partial);
    }
    state.counters["lines"] = double(hunk.lines.size() - 1);
    state.counters["selected"] = double(selected.size());
}
BENCHMARK(BM_BuildPartialHunk)->Unit(benchmark::kMicrosecond);

// The diff the view benchmark opens: 2,000 hunks of eight lines, one changed line pair each. The
// parse runs on the worker before the hunk view opens, so its cost adds to the open time.
void BM_ParseManyHunks(benchmark::State& state) {
    QString text = QStringLiteral("diff --git a/big.txt b/big.txt\nindex 1111111..2222222 100644\n"
                                  "--- a/big.txt\n+++ b/big.txt\n");
    for (int h = 0; h < 2000; ++h) {
        text += QStringLiteral("@@ -%1,7 +%1,7 @@ section %2\n").arg(1 + h * 20).arg(h);
        for (int i = 0; i < 3; ++i)
            text += QStringLiteral(" context line %1 of hunk %2\n").arg(i).arg(h);
        text += QStringLiteral("-old value %1\n+new value %1\n").arg(h);
        for (int i = 3; i < 6; ++i)
            text += QStringLiteral(" context line %1 of hunk %2\n").arg(i).arg(h);
    }
    for (auto _ : state) {
        ParsedFileDiff parsed = DiffParser::parse(text);
        benchmark::DoNotOptimize(parsed);
    }
    state.counters["chars"] = double(text.size());
}
BENCHMARK(BM_ParseManyHunks)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
