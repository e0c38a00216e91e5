// Opening a long, branchy history: the history query a refresh awaits, against the plain
// default-order log it stands in for and against --date-order, without and with a commit-graph.
// The repository comes from make_long_history.py (80,000 commits, 40 branches), or from the
// folder named by TOLVANE_BENCH_HISTORY.
#include "engine/GitRunStats.h"
#include "engine/GitService.h"
#include "engine/commitOrder.h"
#include "engine/historyQueries.h"
#include "engine/logParser.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tolvane;

namespace {

void runOrDie(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(program, args);
    p.waitForFinished(-1);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("%s %s failed", qPrintable(program), qPrintable(args.join(' ')));
}

const QString& repository() {
    static QTemporaryDir workspace;
    static const QString dir = [] {
        const QString given = qEnvironmentVariable("TOLVANE_BENCH_HISTORY");
        if (!given.isEmpty())
            return given;
        const QString made = workspace.path() + "/history";
        QElapsedTimer timer;
        timer.start();
        runOrDie("/usr/bin/python3", {TOLVANE_HISTORY_SCRIPT, made});
        qInfo("made the history in %.1f s", timer.nsecsElapsed() / 1e9);
        return made;
    }();
    return dir;
}

void setCommitGraph(const QString& dir, bool wanted) {
    const QString info = dir + "/.git/objects/info";
    const bool present = QFile::exists(info + "/commit-graph") ||
                         QFile::exists(info + "/commit-graphs/commit-graph-chain");
    if (wanted && !present)
        runOrDie("/usr/bin/git", {"-C", dir, "commit-graph", "write", "--reachable"});
    if (!wanted && present) {
        QFile::remove(info + "/commit-graph");
        QDir(info + "/commit-graphs").removeRecursively();
    }
}

double msSince(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

// Each iteration times, one after the other: git's default-order log parsed as before (what the
// refresh used to await), the same with --date-order, and GitService::log as it stands.
void BM_OpenHistory(benchmark::State& state) {
    const bool commitGraph = state.range(0) != 0;
    const bool allBranches = state.range(1) != 0;
    const int limit = int(state.range(2));
    const QString& dir = repository();
    setCommitGraph(dir, commitGraph);
    const GitService git(dir);
    QStringList defaultOrder{"log", logFormatArgument, QStringLiteral("-%1").arg(limit)};
    if (allBranches)
        defaultOrder.append("--all");
    const QStringList dateOrder = defaultOrder + QStringList{"--date-order"};
    QCoro::waitFor(git.log(limit, allBranches)); // warm the caches once

    double defaultMs = 0, dateMs = 0, loadMs = 0, loadGitMs = 0;
    qsizetype rows = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QCoro::waitFor(git.runParsed(defaultOrder, &parseLog));
        defaultMs += msSince(timer);

        timer.restart();
        QCoro::waitFor(git.runParsed(dateOrder, &parseLog));
        dateMs += msSince(timer);

        GitRunStats::reset();
        timer.restart();
        rows = QCoro::waitFor(git.log(limit, allBranches)).size();
        const double load = msSince(timer);
        loadMs += load;
        loadGitMs += GitRunStats::processNanoseconds / 1e6;
        state.SetIterationTime(load / 1000);
    }
    const double n = double(state.iterations());
    state.counters["default_order_ms"] = defaultMs / n;
    state.counters["date_order_ms"] = dateMs / n;
    state.counters["history_ms"] = loadMs / n;
    state.counters["history_git_ms"] = loadGitMs / n;
    state.counters["beyond_default_ms"] = (loadMs - defaultMs) / n;
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_OpenHistory)
    ->ArgNames({"graph", "all", "limit"})
    ->ArgsProduct({{0, 1}, {0, 1}, {100, 10000}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The in-memory repair alone, on a page of git's default order across every ref.
void BM_RepairPage(benchmark::State& state) {
    const int limit = int(state.range(0));
    const QString& dir = repository();
    const QStringList args{"log", logFormatArgument, QStringLiteral("-%1").arg(limit), "--all"};
    const QList<GitCommit> page = QCoro::waitFor(GitService(dir).runParsed(args, &parseLog));
    for (auto _ : state) {
        // The query hands over a list it alone holds; a shared one would be copied first.
        state.PauseTiming();
        QList<GitCommit> own = page;
        own.detach();
        state.ResumeTiming();
        const QList<GitCommit> ordered = orderParentsBelowChildren(std::move(own));
        benchmark::DoNotOptimize(ordered.constData());
    }
    state.counters["rows"] = double(page.size());
    state.counters["reordered"] = orderParentsBelowChildren(page) != page;
}
BENCHMARK(BM_RepairPage)->Arg(100)->Arg(10000)->Arg(80000)->Unit(benchmark::kMillisecond);

// A history like the one above with several hundred authors and worded subjects, for searching.
const QString& variedRepository() {
    static QTemporaryDir workspace;
    static const QString dir = [] {
        const QString given = qEnvironmentVariable("TOLVANE_BENCH_SEARCH_HISTORY");
        if (!given.isEmpty())
            return given;
        const QString made = workspace.path() + "/varied";
        runOrDie("/usr/bin/python3", {TOLVANE_HISTORY_SCRIPT, made, "--varied"});
        return made;
    }();
    return dir;
}

// The first page of a search: the message and author runs side by side, against the slower of
// the two git commands run alone. Arg: 0 a common author, 1 a rare author, 2 a subject word.
void BM_SearchFirstPage(benchmark::State& state) {
    const QString& dir = variedRepository();
    const GitService git(dir);
    const QString texts[] = {"dev001 person", "dev377@example", "Speed Up Leak"};
    const QString text = texts[state.range(0)];
    QList<QStringList> commands{historySearchArguments(text, HistoryMatch::Message, 100, false),
                                historySearchArguments(text, HistoryMatch::Author, 100, false)};
    QCoro::waitFor(searchHistory(git, text, 100, false)); // warm the caches once

    double gitMs = 0, searchMs = 0;
    qsizetype rows = 0;
    for (auto _ : state) {
        double slowest = 0;
        for (const QStringList& args : commands) {
            QElapsedTimer timer;
            timer.start();
            QCoro::waitFor(git.runParsed(args, [](const QString& out) { return out.size(); }));
            slowest = std::max(slowest, msSince(timer));
        }
        gitMs += slowest;
        QElapsedTimer timer;
        timer.start();
        rows = QCoro::waitFor(searchHistory(git, text, 100, false)).commits.size();
        const double ms = msSince(timer);
        searchMs += ms;
        state.SetIterationTime(ms / 1000);
    }
    const double n = double(state.iterations());
    state.counters["slowest_git_ms"] = gitMs / n;
    state.counters["search_ms"] = searchMs / n;
    state.counters["beyond_git_ms"] = (searchMs - gitMs) / n;
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_SearchFirstPage)
    ->ArgNames({"kind"})
    ->DenseRange(0, 2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
