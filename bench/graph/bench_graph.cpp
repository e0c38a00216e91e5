// Commit-graph layout on generated histories: one lane per branch with a given number of
// concurrent branches, and the compact layout on the shapes of real histories (git's own: many
// concurrent topics merged into a mainline; octopus merges; long-lived release branches).
#include "graph/CommitGraphCalculator.h"
#include "graph/LaneGraphLayouter.h"
#include "graph/compactGraphLayout.h"
#include "support/historyShapes.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>

#include <memory>

using namespace tolvane;

namespace {

QString randomHash(QRandomGenerator& random) {
    static const char hex[] = "0123456789abcdef";
    QString id(40, u'0');
    for (QChar& c : id)
        c = QLatin1Char(hex[random.bounded(16)]);
    return id;
}

// Newest first, like the log. Branches fork from main, take commits in random turns and are
// merged back into main now and then, after which they start again from main's tip.
QList<GitCommit> makeHistory(int count, int branches) {
    QRandomGenerator random(1234);
    QList<GitCommit> commits;
    commits.reserve(count);
    QList<QString> tips(branches);
    const auto add = [&](QStringList parents) {
        GitCommit c;
        c.id = randomHash(random);
        c.parents = std::move(parents);
        commits.append(c);
        return c.id;
    };
    tips[0] = add({});
    while (commits.size() < count) {
        const int b = int(random.bounded(branches));
        if (b != 0 && !tips[b].isEmpty() && random.bounded(3 * branches) == 0) {
            tips[0] = add({tips[0], tips[b]});
            tips[b].clear();
        } else {
            tips[b] = add({tips[b].isEmpty() ? tips[0] : tips[b]});
        }
    }
    std::reverse(commits.begin(), commits.end());
    for (GitCommit& c : commits) {
        if (c.id == tips[0]) {
            c.refs = QStringLiteral("HEAD -> main, origin/main");
            break;
        }
    }
    return commits;
}

void BM_Calculate(benchmark::State& state) {
    const QList<GitCommit> commits = makeHistory(int(state.range(0)), int(state.range(1)));
    const QString head = commits.constFirst().id;
    int lanes = 0;
    for (auto _ : state) {
        QHash<QString, CommitGraphData> graph = CommitGraphCalculator::calculate(commits, head);
        lanes = graph.value(commits.constLast().id).maxColumn + 1;
        benchmark::DoNotOptimize(graph);
    }
    state.SetItemsProcessed(state.iterations() * commits.size());
    state.counters["lanes"] = lanes;
    state.counters["ns_per_commit"] =
        benchmark::Counter(double(commits.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
BENCHMARK(BM_Calculate)
    ->ArgNames({"commits", "branches"})
    ->Args({10000, 5})
    ->Args({100000, 5})
    ->Args({10000, 40})
    ->Args({100000, 40})
    ->Unit(benchmark::kMillisecond);

const QList<GitCommit>& shapedLog(int shape, int count) {
    static QHash<qint64, QList<GitCommit>> made;
    const qint64 key = qint64(shape) << 32 | count;
    if (!made.contains(key)) {
        const test::ShapedHistory history = shape == 0   ? test::gitLikeHistory(count)
                                            : shape == 1 ? test::octopusHistory(count)
                                                         : test::releaseBranchHistory(count);
        made.insert(key, test::logOf(history));
    }
    return made[key];
}

void BM_Compact(benchmark::State& state) {
    const QList<GitCommit>& commits = shapedLog(int(state.range(0)), int(state.range(1)));
    const QString head = commits.constFirst().id;
    int widest = 0;
    qint64 arrows = 0;
    for (auto _ : state) {
        CommitGraphLayout layout = compactGraphLayout(commits, head, CompactGraphOptions{});
        benchmark::DoNotOptimize(layout);
        state.PauseTiming();
        widest = 0;
        arrows = 0;
        for (const CommitGraphData& row : std::as_const(layout.rows)) {
            widest = std::max(widest, row.maxColumn + 1);
            for (const GraphLine& line : row.lines)
                arrows += line.type == LineType::ArrowDown;
        }
        // Freeing the rows is not part of the layout.
        layout = {};
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * commits.size());
    state.counters["widest_row"] = widest;
    state.counters["cut_lines"] = double(arrows);
    state.counters["ns_per_commit"] =
        benchmark::Counter(double(commits.size()), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}
// Shapes: 0 git's own, 1 octopus merges, 2 release branches.
BENCHMARK(BM_Compact)
    ->ArgNames({"shape", "commits"})
    ->Args({0, 10000})
    ->Args({0, 100000})
    ->Args({1, 100000})
    ->Args({2, 100000})
    ->Unit(benchmark::kMillisecond);

// One page of 100 rows appended to a git-like history `depth` rows deep. Modes: 0, lanes per
// branch laid out whole again; 1, the same continued from the previous page; 2, the compact
// layout continued from the previous page.
void BM_PageAtDepth(benchmark::State& state) {
    const int depth = int(state.range(0));
    const int mode = int(state.range(1));
    const QList<GitCommit>& all = shapedLog(0, depth + 100 * 40);
    const QString head = all.constFirst().id;
    LaneGraphLayouter lanes;
    std::unique_ptr<CompactGraphLayouter> compact;
    CommitGraphLayout layout;
    QList<GitCommit> page = all.first(depth); // made and freed untimed: the list grows in place
    const auto layOut = [&] {
        if (mode == 0) {
            layout = CommitGraphCalculator::layoutRows(page, head);
        } else if (mode == 1) {
            lanes.layOut(page, head, layout);
        } else {
            compact =
                compact ? std::make_unique<CompactGraphLayouter>(page, head, CompactGraphOptions{},
                                                                 std::move(*compact), layout)
                        : std::make_unique<CompactGraphLayouter>(page, head, CompactGraphOptions{});
            compact->layOutThrough(int(page.size()) - 1, layout);
        }
    };
    layOut();
    for (auto _ : state) {
        state.PauseTiming();
        page = all.first(std::min(page.size() + 100, all.size()));
        state.ResumeTiming();
        layOut();
        benchmark::DoNotOptimize(layout);
    }
    state.counters["rows"] = double(layout.rows.size());
}
BENCHMARK(BM_PageAtDepth)
    ->ArgNames({"depth", "mode"})
    ->ArgsProduct({{10000, 80000}, {0, 1, 2}})
    ->Iterations(30)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
