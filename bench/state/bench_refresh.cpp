// Measures what a refresh costs beyond the git processes it waits for, on a large working tree
// and on a long history, the time to load a large diff and stage one line of it, and what saving
// the discarded text adds to discarding one hunk.
#include "engine/GitRunStats.h"
#include "engine/GitService.h"
#include "engine/discardedChanges.h"
#include "state/RepositoryState.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace tolvane;

namespace {

void git(const QString& dir, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("/usr/bin/git"), args);
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    if (p.exitCode() != 0)
        qFatal("git %s failed: %s", qPrintable(args.join(' ')),
               p.readAllStandardError().constData());
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(content);
}

void initRepo(const QString& dir) {
    QDir().mkpath(dir);
    git(dir, {"init", "-q", "-b", "main"});
    git(dir, {"config", "user.name", "Bench"});
    git(dir, {"config", "user.email", "bench@example.com"});
}

// 100,000 tracked files, 12,000 of them changed: staged, unstaged and untracked mixed.
QString largeWorkingTree(const QString& root) {
    const QString dir = root + "/tree";
    initRepo(dir);
    for (int d = 0; d < 100; ++d) {
        QDir().mkpath(dir + QString("/d%1").arg(d));
        for (int f = 0; f < 1000; ++f)
            writeFile(dir + QString("/d%1/f%2.txt").arg(d).arg(f), QByteArray::number(f) + "\n");
    }
    git(dir, {"add", "-A"});
    git(dir, {"commit", "-q", "-m", "files"});
    for (int i = 0; i < 6000; ++i)
        writeFile(dir + QString("/d%1/f%2.txt").arg(i % 100).arg(i / 100), "changed\n");
    QStringList staged{"add", "--"};
    for (int i = 6000; i < 9000; ++i) {
        const QString rel = QString("d%1/f%2.txt").arg(i % 100).arg(i / 100);
        writeFile(dir + "/" + rel, "staged\n");
        staged << rel;
    }
    git(dir, staged);
    for (int i = 0; i < 3000; ++i)
        writeFile(dir + QString("/d%1/new%2.txt").arg(i % 100).arg(i), "new\n");
    return dir;
}

// A history of 80,000 commits with a few hundred refs, made in one fast-import run.
QString longHistory(const QString& root) {
    const QString dir = root + "/history";
    initRepo(dir);
    QByteArray stream;
    for (int i = 0; i < 80000; ++i) {
        const QByteArray msg = "commit " + QByteArray::number(i) + "\n";
        stream += "commit refs/heads/main\nmark :" + QByteArray::number(i + 1) + "\n";
        stream += "committer Bench <bench@example.com> " + QByteArray::number(1600000000 + i) +
                  " +0000\n";
        stream += "data " + QByteArray::number(msg.size()) + "\n" + msg;
        const QByteArray content = QByteArray::number(i) + "\n";
        stream += "M 100644 inline f" + QByteArray::number(i % 500) + ".txt\ndata " +
                  QByteArray::number(content.size()) + "\n" + content + "\n";
        if (i % 250 == 0)
            stream += "reset refs/tags/t" + QByteArray::number(i) +
                      "\nfrom :" + QByteArray::number(i + 1) + "\n\n";
    }
    git(dir, {"fast-import", "--quiet"}, stream);
    git(dir, {"reset", "-q", "--hard"});
    return dir;
}

void measureRefresh(benchmark::State& state, const QString& dir) {
    RepositoryState repository(RepositoryTab{QUuid::createUuid(), dir, "bench", std::nullopt});
    QCoro::waitFor(repository.refresh()); // warm the caches once
    double gitSeconds = 0;
    double totalSeconds = 0;
    for (auto _ : state) {
        GitRunStats::reset();
        QElapsedTimer timer;
        timer.start();
        QCoro::waitFor(repository.refresh());
        const double total = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(total);
        totalSeconds += total;
        gitSeconds += GitRunStats::processNanoseconds / 1e9;
    }
    const double n = double(state.iterations());
    state.counters["git_ms"] = 1000 * gitSeconds / n;
    state.counters["refresh_ms"] = 1000 * totalSeconds / n;
    state.counters["ratio"] = totalSeconds / gitSeconds;
    state.counters["over_1.05x_ms"] = 1000 * (totalSeconds - 1.05 * gitSeconds) / n;
    state.counters["changes"] = double(repository.changes().size());
    state.counters["commits"] = double(repository.commits().size());
}

QTemporaryDir& workspace() {
    static QTemporaryDir dir;
    return dir;
}

// Built once and shared by the benchmarks that need it.
const QString& largeWorkingTreeDir() {
    static const QString dir = largeWorkingTree(workspace().path());
    return dir;
}

void BM_RefreshLargeWorkingTree(benchmark::State& state) {
    measureRefresh(state, largeWorkingTreeDir());
}
BENCHMARK(BM_RefreshLargeWorkingTree)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// The two large queries of a wide-tree refresh on their own: the time each takes beyond its git
// process (starting, reading and parsing on the worker, handing the result back).
template <typename Query> void measureQuery(benchmark::State& state, Query query) {
    const GitService git(largeWorkingTreeDir());
    qsizetype items = QCoro::waitFor(query(git)).size(); // warm the caches once
    double gitSeconds = 0;
    double totalSeconds = 0;
    for (auto _ : state) {
        GitRunStats::reset();
        QElapsedTimer timer;
        timer.start();
        items = QCoro::waitFor(query(git)).size();
        const double total = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(total);
        totalSeconds += total;
        gitSeconds += GitRunStats::processNanoseconds / 1e9;
    }
    const double n = double(state.iterations());
    state.counters["git_ms"] = 1000 * gitSeconds / n;
    state.counters["beyond_git_ms"] = 1000 * (totalSeconds - gitSeconds) / n;
    state.counters["items"] = double(items);
}

void BM_WideTreeStatus(benchmark::State& state) {
    measureQuery(state, [](const GitService& git) { return git.status(); });
}
BENCHMARK(BM_WideTreeStatus)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_WideTreeTrackedFiles(benchmark::State& state) {
    measureQuery(state, [](const GitService& git) { return git.trackedFiles(); });
}
BENCHMARK(BM_WideTreeTrackedFiles)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// Argument 1 writes a commit-graph first, argument 0 removes it. TOLVANE_BENCH_HISTORY names a
// history of your own instead (bench/engine/make_long_history.py makes one with branches).
void BM_RefreshLongHistory(benchmark::State& state) {
    static const QString dir = qEnvironmentVariableIsSet("TOLVANE_BENCH_HISTORY")
                                   ? qEnvironmentVariable("TOLVANE_BENCH_HISTORY")
                                   : longHistory(workspace().path());
    QFile::remove(dir + "/.git/objects/info/commit-graph");
    QDir(dir + "/.git/objects/info/commit-graphs").removeRecursively();
    if (state.range(0) == 1)
        git(dir, {"commit-graph", "write", "--reachable"});
    measureRefresh(state, dir);
}
BENCHMARK(BM_RefreshLongHistory)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// A file whose diff is about 500,000 characters: load it, then stage one line of it.
void BM_LoadLargeDiffAndStageOneLine(benchmark::State& state) {
    const QString dir = workspace().path() + "/bigdiff";
    initRepo(dir);
    QByteArray original;
    QByteArray changed;
    for (int i = 0; i < 10000; ++i) {
        original += "line number " + QByteArray::number(i) + " of the file\n";
        changed +=
            (i % 2 ? "LINE NUMBER " : "line number ") + QByteArray::number(i) + " of the file\n";
    }
    writeFile(dir + "/big.txt", original);
    git(dir, {"add", "-A"});
    git(dir, {"commit", "-q", "-m", "base"});
    writeFile(dir + "/big.txt", changed);

    RepositoryState repository(RepositoryTab{QUuid::createUuid(), dir, "bench", std::nullopt});
    QCoro::waitFor(repository.refresh());
    const FileChange file = repository.changes().first();
    double loadMs = 0;
    double stageMs = 0;
    qsizetype diffChars = 0;
    for (auto _ : state) {
        git(dir, {"reset", "-q"});
        QCoro::waitFor(repository.refresh());
        QElapsedTimer timer;
        timer.start();
        QCoro::waitFor(repository.loadDiff(file, true));
        const double load = timer.nsecsElapsed() / 1e6;
        diffChars = repository.diffText().size();
        repository.buildLineInfoCache();
        const DiffHunk hunk = repository.parsedDiff()->hunks.first();
        repository.toggleLineSelection(repository.lineInfoByHunkID().value(hunk.id).first().id,
                                       hunk.id);
        timer.restart();
        QCoro::waitFor(repository.stageSelectedLines(hunk));
        const double stage = timer.nsecsElapsed() / 1e6;
        state.SetIterationTime((load + stage) / 1000);
        loadMs += load;
        stageMs += stage;
    }
    const double n = double(state.iterations());
    state.counters["loadDiff_ms"] = loadMs / n;
    state.counters["stageLine_ms"] = stageMs / n;
    state.counters["diff_chars"] = double(diffChars);
}
BENCHMARK(BM_LoadLargeDiffAndStageOneLine)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Discarding one hunk in the 100,000-file working tree: argument 0 applies the reversed patch
// alone, argument 1 also saves what it removes before and after, as the hunk discard does.
void BM_DiscardOneHunkLargeWorkingTree(benchmark::State& state) {
    const QString& dir = largeWorkingTreeDir();
    const QString path = QStringLiteral("d99/f999.txt");
    const bool save = state.range(0) == 1;
    GitService service(dir);
    double beforeMs = 0;
    double afterMs = 0;
    for (auto _ : state) {
        writeFile(dir + "/" + path, "999\nchanged\n");
        const QString patch = QCoro::waitFor(service.runExact({"diff", "--", path}));
        QElapsedTimer timer;
        timer.start();
        std::optional<DiscardSave> saved;
        if (save)
            saved = QCoro::waitFor(saveBeforeDiscard(service, "Discarded 1 hunk", {path}));
        const qint64 before = timer.nsecsElapsed();
        QCoro::waitFor(service.discardPatch(patch));
        const qint64 discarded = timer.nsecsElapsed();
        if (saved)
            QCoro::waitFor(completeDiscardSave(service, *saved));
        const qint64 total = timer.nsecsElapsed();
        beforeMs += before / 1e6;
        afterMs += (total - discarded) / 1e6;
        state.SetIterationTime(total / 1e9);
    }
    if (save)
        QCoro::waitFor(pruneDiscardedChanges(service, 0));
    // The hunk discard waits only for the first part; the second runs beside its refresh.
    state.counters["save_before_ms"] = beforeMs / double(state.iterations());
    state.counters["save_after_ms"] = afterMs / double(state.iterations());
}
BENCHMARK(BM_DiscardOneHunkLargeWorkingTree)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
