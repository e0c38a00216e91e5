// Finding in a long history through the repository state: the first page of a search, a
// hash-prefix jump and a blame-to-commit jump to a commit 50,000 rows deep, each against the git
// commands it needs run alone. The repository comes from make_long_history.py --varied (80,000
// commits, several hundred authors), or from the folder named by TOLVANE_BENCH_SEARCH_HISTORY.
#include "engine/GitService.h"
#include "engine/historyQueries.h"
#include "engine/logParser.h"
#include "state/RepositoryState.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tolvane;

namespace {

const QString& repository() {
    static QTemporaryDir workspace;
    static const QString dir = [] {
        const QString given = qEnvironmentVariable("TOLVANE_BENCH_SEARCH_HISTORY");
        if (!given.isEmpty())
            return given;
        const QString made = workspace.path() + "/varied";
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start("/usr/bin/python3", {TOLVANE_HISTORY_SCRIPT, made, "--varied"});
        p.waitForFinished(-1);
        return made;
    }();
    return dir;
}

double msSince(const QElapsedTimer& timer) {
    return timer.nsecsElapsed() / 1e6;
}

// The time of one git command alone, its output read and dropped.
double gitMs(const GitService& git, const QStringList& args) {
    QElapsedTimer timer;
    timer.start();
    QCoro::waitFor(git.runParsed(args, [](const QString& out) { return out.size(); }));
    return msSince(timer);
}

std::unique_ptr<RepositoryState> openState() {
    const QString& dir = repository();
    auto state = std::make_unique<RepositoryState>(
        RepositoryTab{QUuid::createUuid(), dir, QDir(dir).dirName(), std::nullopt});
    QCoro::waitFor(state->refresh());
    return state;
}

// Arg: 0 a common author, 1 a rare author, 2 words of subjects.
void BM_StateSearchFirstPage(benchmark::State& bench) {
    const QString texts[] = {"dev001 person", "dev377@example", "Speed Up Leak"};
    const QString text = texts[bench.range(0)];
    auto state = openState();
    const GitService git(repository());
    double git_ = 0, total = 0;
    for (auto _ : bench) {
        git_ +=
            std::max(gitMs(git, historySearchArguments(text, HistoryMatch::Message, 100, false)),
                     gitMs(git, historySearchArguments(text, HistoryMatch::Author, 100, false)));
        state->clearHistorySearch();
        QElapsedTimer timer;
        timer.start();
        QCoro::waitFor(state->searchHistory(text));
        const double ms = msSince(timer);
        total += ms;
        bench.SetIterationTime(ms / 1000);
    }
    const double n = double(bench.iterations());
    bench.counters["slower_git_ms"] = git_ / n;
    bench.counters["first_page_ms"] = total / n;
    bench.counters["beyond_git_ms"] = (total - git_) / n;
    bench.counters["rows"] = double(state->commits().size());
}
BENCHMARK(BM_StateSearchFirstPage)
    ->ArgNames({"kind"})
    ->DenseRange(0, 2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Waits until the selected commit is `id`.
double msUntilSelected(RepositoryState& state, const QString& id, const QElapsedTimer& timer) {
    QEventLoop loop;
    double at = -1;
    const auto check = [&] {
        if (at < 0 && state.selectedCommit() && state.selectedCommit()->id == id) {
            at = msSince(timer);
            loop.quit();
        }
    };
    QObject::connect(&state, &RepositoryState::selectedCommitChanged, &loop, check);
    check();
    if (at < 0)
        loop.exec();
    return at;
}

// A hash prefix typed into the search: the commit is shown and selected from one short git run.
void BM_HashPrefixJump(benchmark::State& bench) {
    auto state = openState();
    const GitService git(repository());
    const QString deep = QCoro::waitFor(git.run({"rev-list", "--skip=50000", "-1", "HEAD"}));
    const QString prefix = deep.left(10);
    double git_ = 0, total = 0;
    for (auto _ : bench) {
        git_ += gitMs(git, {"log", logFormatArgument, "--no-walk", "-1", prefix + "^{commit}"});
        state->clearHistorySearch();
        QElapsedTimer timer;
        timer.start();
        QCoro::Task<> search = state->searchHistory(prefix);
        const double ms = msUntilSelected(*state, deep, timer);
        total += ms;
        bench.SetIterationTime(ms / 1000);
        QCoro::waitFor(std::move(search));
    }
    const double n = double(bench.iterations());
    bench.counters["git_ms"] = git_ / n;
    bench.counters["selected_ms"] = total / n;
    bench.counters["beyond_git_ms"] = (total - git_) / n;
}
BENCHMARK(BM_HashPrefixJump)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// A blame group's commit 50,000 rows deep selected in the full history: one count, one page load.
void BM_BlameCommitJump(benchmark::State& bench) {
    const GitService git(repository());
    const QString deep = QCoro::waitFor(git.run({"rev-list", "--skip=50000", "-1", "HEAD"}));
    double git_ = 0, total = 0;
    qsizetype rows = 0;
    for (auto _ : bench) {
        auto state = openState();
        const double count = gitMs(git, {"rev-list", "--count", "HEAD", "^" + deep});
        const int above = *QCoro::waitFor(commitsAbove(git, deep, false));
        const double page =
            gitMs(git, {"log", logFormatArgument, QStringLiteral("-%1").arg(above + 100)});
        git_ += count + page;
        QElapsedTimer timer;
        timer.start();
        QCoro::waitFor(state->showCommitInHistory(deep));
        const double ms = msSince(timer);
        total += ms;
        rows = state->commits().size();
        bench.SetIterationTime(ms / 1000);
    }
    const double n = double(bench.iterations());
    bench.counters["git_ms"] = git_ / n;
    bench.counters["selected_ms"] = total / n;
    bench.counters["beyond_git_ms"] = (total - git_) / n;
    bench.counters["rows"] = double(rows);
}
BENCHMARK(BM_BlameCommitJump)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
