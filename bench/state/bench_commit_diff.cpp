// Peak memory of showing a commit whose patch is far larger than what the diff area shows: three
// added files of about 135 MB each, so that `git show --patch` prints some 400 MB. The counter
// "peak_rss_mb" is the process's peak resident size after the commit was shown.
#include "engine/GitService.h"
#include "state/RepositoryState.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace tolvane;

namespace {

void git(const QString& dir, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("/usr/bin/git"), args);
    p.waitForFinished(-1);
    if (p.exitCode() != 0)
        qFatal("git %s failed: %s", qPrintable(args.join(' ')),
               p.readAllStandardError().constData());
}

QString hugeCommitRepository(const QString& root) {
    const QString dir = root + QStringLiteral("/huge");
    QDir().mkpath(dir);
    git(dir, {"init", "-q", "-b", "main"});
    git(dir, {"config", "user.name", "Bench"});
    git(dir, {"config", "user.email", "bench@example.com"});
    // Text lines, so that git prints every one of them.
    QByteArray line(63, 'x');
    line += '\n';
    for (int f = 0; f < 3; ++f) {
        QFile file(dir + QStringLiteral("/big%1.txt").arg(f));
        file.open(QIODevice::WriteOnly);
        const QByteArray block = line.repeated(16 * 1024);
        for (int i = 0; i < 135; ++i)
            file.write(block);
    }
    git(dir, {"add", "-A"});
    git(dir, {"commit", "-q", "-m", "three large files"});
    return dir;
}

long peakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void BM_ShowHugeCommit(benchmark::State& state) {
    QTemporaryDir root;
    const QString dir = hugeCommitRepository(root.path());
    RepositoryState repository(RepositoryTab{QUuid::createUuid(), dir, "bench", std::nullopt});
    QCoro::waitFor(repository.refresh());
    const GitCommit commit = repository.commits().first();
    for (auto _ : state) {
        QCoro::waitFor(repository.loadCommitDiff(commit, true));
        benchmark::DoNotOptimize(repository.diffText().size());
    }
    state.counters["peak_rss_mb"] = double(peakResidentMegabytes());
    state.counters["shown_chars"] = double(repository.diffText().size());
}
BENCHMARK(BM_ShowHugeCommit)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
