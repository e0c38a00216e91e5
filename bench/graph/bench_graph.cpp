// Commit-graph layout on generated histories with a given number of concurrent branches.
#include "graph/CommitGraphCalculator.h"

#include <benchmark/benchmark.h>

#include <QRandomGenerator>

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

} // namespace

BENCHMARK_MAIN();
