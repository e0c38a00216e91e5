// Measures the painted views on large inputs: the time from new content to the first painted
// frame and the repaint time of a scrolled frame for the plain diff, the hunk view and the
// history list; the part of opening a long history that is not spent in git; the resident
// memory with 10,000 loaded commits; and one more entry in a log window that shows 100,000.
// Run with QT_QPA_PLATFORM=offscreen.
#include "diff/DiffParser.h"
#include "engine/GitRunStats.h"
#include "log/LogStore.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"
#include "support/historyShapes.h"
#include "ui/diff/DiffView.h"
#include "ui/diff/HunkDiffView.h"
#include "ui/diff/HunkScrollArea.h"
#include "ui/diff/ImprovedDiffContentView.h"
#include "ui/history/CommitLogView.h"
#include "ui/history/CommitRowDelegate.h"
#include "ui/log/LogListView.h"
#include "ui/log/LogWindowView.h"

#include "windowTiming.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QWindow>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

using namespace tolvane;

namespace {

// ---- git fixtures -------------------------------------------------------------------------

void git(const QString& dir, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("/usr/bin/git"), args);
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(-1);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("git %s failed: %s", qPrintable(args.join(' ')),
               p.readAllStandardError().constData());
}

QByteArray gitOutput(const QString& dir, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("/usr/bin/git"), args);
    p.waitForFinished(-1);
    return p.readAllStandardOutput();
}

QTemporaryDir& workspace() {
    static QTemporaryDir dir;
    return dir;
}

QString initRepo(const QString& name) {
    const QString dir = workspace().path() + QLatin1Char('/') + name;
    QDir().mkpath(dir);
    git(dir, {"init", "-q", "-b", "main"});
    git(dir, {"config", "user.name", "Bench"});
    git(dir, {"config", "user.email", "bench@example.com"});
    return dir;
}

// A commit message sized like those of a large project's history: log-normal lengths with a
// median of about 480 bytes, a mean of about 680 and 1,400 at the 90th percentile; a subject
// line, a blank line and a body wrapped at 72 columns.
QByteArray realisticMessage(QRandomGenerator& random, int number) {
    static const char* const words[] = {"the",    "parser",  "reads", "commit", "graph",
                                        "when",   "index",   "refs",  "object", "pack",
                                        "which",  "without", "fix",   "branch", "merge",
                                        "memory", "before",  "after", "tests",  "cache"};
    // Box-Muller: a normal deviate for the log-normal length.
    const double u1 = std::max(random.generateDouble(), 1e-12);
    const double u2 = random.generateDouble();
    const double normal = std::sqrt(-2 * std::log(u1)) * std::cos(2 * M_PI * u2);
    const qsizetype length =
        std::clamp<qsizetype>(qsizetype(480 * std::exp(0.834 * normal)), 40, 20'000);
    QByteArray msg = "area: change number " + QByteArray::number(number) + " of the history\n";
    if (msg.size() < length)
        msg += '\n';
    qsizetype column = 0;
    while (msg.size() < length) {
        const QByteArray word = words[random.bounded(20)];
        if (column + word.size() + 1 > 72) {
            msg += '\n';
            column = 0;
        } else if (column > 0) {
            msg += ' ';
            ++column;
        }
        msg += word;
        column += word.size();
    }
    return msg + '\n';
}

// A history of `count` commits made in one fast-import run: main with a topic branch of three
// commits forked and merged back every 20 commits. Every `tagEvery` commits get a tag; the
// last `branchRefs` topic tips keep a local and a remote-tracking branch. Refs are packed, as
// after a clone. With `realistic`, messages are sized as in a large project and the commits
// come from 2,500 authors; otherwise they are one short line by one author.
QString generatedHistory(const QString& name, int count, int tagEvery, int branchRefs,
                         bool realistic = false) {
    QRandomGenerator random(23);
    const QString dir = initRepo(name);
    QByteArray stream;
    stream.reserve(count * (realistic ? 900 : 200));
    int mark = 0;
    int mainTip = 0;
    int made = 0;
    int topic = 0;
    QList<int> topicTips;
    const auto commit = [&](const QByteArray& ref, int from, int merge) {
        ++mark;
        ++made;
        const QByteArray msg = realistic
                                   ? realisticMessage(random, made)
                                   : "Change number " + QByteArray::number(made) +
                                         " touches file f" + QByteArray::number(made % 500) + "\n";
        const QByteArray author =
            realistic ? "Author Name " + QByteArray::number(random.bounded(2500)) : "Bench Author";
        stream += "commit " + ref + "\nmark :" + QByteArray::number(mark) + "\n";
        stream += "author " + author + " <bench@example.com> " +
                  QByteArray::number(1600000000 + made * 60) + " +0000\n";
        stream += "committer Bench <bench@example.com> " +
                  QByteArray::number(1600000000 + made * 60) + " +0000\n";
        stream += "data " + QByteArray::number(msg.size()) + "\n" + msg;
        if (from)
            stream += "from :" + QByteArray::number(from) + "\n";
        if (merge)
            stream += "merge :" + QByteArray::number(merge) + "\n";
        const QByteArray content = QByteArray::number(made) + "\n";
        stream += "M 100644 inline f" + QByteArray::number(made % 500) + ".txt\ndata " +
                  QByteArray::number(content.size()) + "\n" + content + "\n";
        if (made % tagEvery == 0)
            stream += "reset refs/tags/v" + QByteArray::number(made) +
                      "\nfrom :" + QByteArray::number(mark) + "\n\n";
        return mark;
    };
    mainTip = commit("refs/heads/main", 0, 0);
    while (made < count) {
        if (made % 20 == 0 && made + 5 <= count) {
            const QByteArray ref = "refs/heads/topic" + QByteArray::number(topic++ % 8);
            int tip = commit(ref, mainTip, 0);
            tip = commit(ref, tip, 0);
            tip = commit(ref, tip, 0);
            topicTips.append(tip);
            mainTip = commit("refs/heads/main", mainTip, 0);
            mainTip = commit("refs/heads/main", mainTip, tip);
        } else {
            mainTip = commit("refs/heads/main", mainTip, 0);
        }
    }
    const qsizetype firstKept = std::max<qsizetype>(0, topicTips.size() - branchRefs);
    for (qsizetype i = firstKept; i < topicTips.size(); ++i) {
        const QByteArray from = "\nfrom :" + QByteArray::number(topicTips[i]) + "\n\n";
        stream += "reset refs/heads/feature/" + QByteArray::number(i) + from;
        stream += "reset refs/remotes/origin/feature/" + QByteArray::number(i) + from;
    }
    git(dir, {"fast-import", "--quiet"}, stream);
    for (int t = 0; t < 8; ++t)
        git(dir, {"branch", "-q", "-D", QStringLiteral("topic%1").arg(t)});
    git(dir, {"reset", "-q", "--hard"});
    git(dir, {"pack-refs", "--all"});
    return dir;
}

// ---- generated inputs -----------------------------------------------------------------------

// A plain diff of about `chars` characters: context, removed and added lines of code-like text.
QString largeDiff(qsizetype chars) {
    QString text = QStringLiteral("diff --git a/src/big.cpp b/src/big.cpp\n"
                                  "index 1111111..2222222 100644\n"
                                  "--- a/src/big.cpp\n+++ b/src/big.cpp\n"
                                  "@@ -1,9000 +1,9000 @@ namespace big {\n");
    text.reserve(chars + 200);
    for (int i = 0; text.size() < chars; ++i) {
        const QString body =
            QStringLiteral("\tvalue_%1 = compute(%1, \"text of the line\");").arg(i);
        text += (i % 5 == 1   ? QLatin1Char('-')
                 : i % 5 == 2 ? QLatin1Char('+')
                              : QLatin1Char(' ')) +
                body + QLatin1Char('\n');
    }
    return text;
}

// A diff whose only content line is `chars` characters long.
QString oneLineDiff(qsizetype chars) {
    QString line;
    line.reserve(chars);
    while (line.size() < chars)
        line += QStringLiteral("lorem ipsum dolor sit amet ");
    line.truncate(chars);
    return QStringLiteral("diff --git a/one.txt b/one.txt\n--- a/one.txt\n+++ b/one.txt\n"
                          "@@ -0,0 +1 @@\n+") +
           line;
}

// A file diff of `count` hunks of eight lines each.
QString manyHunksDiff(int count) {
    QString text = QStringLiteral("diff --git a/big.txt b/big.txt\nindex 1111111..2222222 100644\n"
                                  "--- a/big.txt\n+++ b/big.txt\n");
    for (int h = 0; h < count; ++h) {
        const int at = 1 + h * 20;
        text += QStringLiteral("@@ -%1,7 +%1,7 @@ section %2\n").arg(at).arg(h);
        for (int i = 0; i < 3; ++i)
            text += QStringLiteral(" context line %1 of hunk %2\n").arg(i).arg(h);
        text += QStringLiteral("-old value %1\n+new value %1\n").arg(h);
        for (int i = 3; i < 6; ++i)
            text += QStringLiteral(" context line %1 of hunk %2\n").arg(i).arg(h);
    }
    return text;
}

QString randomHash(QRandomGenerator& random) {
    static const char hex[] = "0123456789abcdef";
    QString id(40, u'0');
    for (QChar& c : id)
        c = QLatin1Char(hex[random.bounded(16)]);
    return id;
}

// Newest first, like the log: `branches` lines of work that take commits in random turns and
// are merged into main now and then, with tags and a decorated tip.
QList<GitCommit> makeHistory(int count, int branches, quint32 seed) {
    QRandomGenerator random(seed);
    QList<GitCommit> commits;
    commits.reserve(count);
    QList<QString> tips(branches);
    const auto add = [&](QStringList parents) {
        GitCommit c;
        c.id = randomHash(random);
        c.shortHash = c.id.left(7);
        c.author = QStringLiteral("Bench Author");
        c.authorTime = 1704110400 - 86400 * (count - commits.size());
        c.message = QStringLiteral("Change %1 to the parser and its tests").arg(commits.size());
        c.fullMessage = c.message;
        c.parents = std::move(parents);
        if (commits.size() % 400 == 0)
            c.refs = QStringLiteral("tag: v1.%1").arg(commits.size() / 400);
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
    commits.first().refs = QStringLiteral("HEAD -> main, origin/main");
    return commits;
}

// ---- painting -------------------------------------------------------------------------------

// Counts the paint events a widget receives, to check that a measured frame really painted.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

using tolvane::bench::elapsedMs;
using tolvane::bench::paintFrame;
using tolvane::bench::showAndExpose;

// Mean and worst repaint of `frames` frames, each scrolled on by a page of `bar` (back to the
// start at the end).
struct ScrollTimes {
    double meanMs = 0;
    double maxMs = 0;
};
ScrollTimes measureScrolling(QScrollBar* bar, QWidget* viewport, int frames) {
    ScrollTimes times;
    for (int i = 0; i < frames; ++i) {
        QElapsedTimer timer;
        timer.start();
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next > bar->maximum() ? 0 : next);
        paintFrame(viewport);
        const double ms = elapsedMs(timer);
        times.meanMs += ms / frames;
        times.maxMs = std::max(times.maxMs, ms);
    }
    return times;
}

std::unique_ptr<RepositoryState> openState(const QString& dir) {
    return std::make_unique<RepositoryState>(
        RepositoryTab{QUuid::createUuid(), dir, QStringLiteral("bench"), std::nullopt});
}

const QString& smallRepo() {
    static const QString dir = [] {
        const QString path = initRepo(QStringLiteral("small"));
        QFile file(path + QStringLiteral("/a.txt"));
        file.open(QIODevice::WriteOnly);
        file.write("a\n");
        file.close();
        git(path, {"add", "-A"});
        git(path, {"commit", "-q", "-m", "initial"});
        return path;
    }();
    return dir;
}

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

constexpr int scrollFrames = 100;

// ---- memory --------------------------------------------------------------------------------

// Registered first, so that no earlier benchmark has grown the heap. Run each size on its own
// (--benchmark_filter) for a resident figure that no other case has grown.
void BM_MemoryWithCommits(benchmark::State& bench) {
    const int wanted = int(bench.range(0));
    const QString dir =
        generatedHistory(QStringLiteral("memory%1").arg(wanted), wanted + 500, 50, 100, true);
    const double baseline = residentMegabytes();
    double resident = 0;
    qsizetype loaded = 0;
    double loadMs = 0;
    for (auto _ : bench) {
        auto state = openState(dir);
        CommitLogView view(state.get());
        view.resize(600, 900);
        showAndExpose(&view);
        QElapsedTimer timer;
        timer.start();
        QCoro::waitFor(state->refresh());
        // Pages of 100, as "Load More Commits" asks, up to 10,000; beyond that the way a jump
        // to a deep commit loads, so that the large case does not take an hour.
        while (state->commits().size() < std::min(wanted, 10'000) && state->hasMoreCommits())
            QCoro::waitFor(state->loadMoreCommits());
        if (state->commits().size() < wanted) {
            const QString deep =
                QString::fromUtf8(
                    gitOutput(dir,
                              {"rev-list", "--skip=" + QString::number(wanted - 1), "-1", "main"}))
                    .trimmed();
            QCoro::waitFor(state->loadCommitsThrough(deep));
        }
        loadMs = elapsedMs(timer);
        paintFrame(&view);
        view.list()->scrollToBottom();
        paintFrame(&view);
        state->selectCommit(state->commits().constLast(), false, false);
        QCoreApplication::processEvents();
        paintFrame(&view);
        bench.SetIterationTime(loadMs / 1000);
        resident = residentMegabytes();
        loaded = state->commits().size();
    }
    if (loaded < wanted)
        bench.SkipWithError("fewer commits loaded than asked");
    bench.counters["rss_MB"] = resident;
    bench.counters["rss_before_MB"] = baseline;
    bench.counters["rss_growth_MB"] = resident - baseline;
    bench.counters["commits"] = double(loaded);
    bench.counters["load_ms"] = loadMs;
}

BENCHMARK(BM_MemoryWithCommits)
    ->ArgName("commits")
    ->Arg(10'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// ---- plain diff ----------------------------------------------------------------------------

void measurePlainDiff(benchmark::State& bench, const QString& text, bool sideways) {
    auto state = openState(smallRepo());
    DiffView view(state.get());
    view.resize(1000, 800);
    showAndExpose(&view);
    GitCommit commit;
    commit.id = QStringLiteral("0123456789abcdef0123456789abcdef01234567");
    state->setSelectedCommit(commit);
    ImprovedDiffContentView* plain = view.plainView();
    PaintCounter paints(plain->viewport());

    double firstMs = 0;
    double blockedMs = 0;
    ScrollTimes scroll;
    int firstPaints = 0;
    for (auto _ : bench) {
        state->setDiffText({});
        paintFrame(&view);
        const int before = paints.count;
        QElapsedTimer timer;
        timer.start();
        state->setDiffText(text);
        blockedMs += elapsedMs(timer);
        // A long text is classified on a worker; the frame that counts shows its lines.
        while (plain->isClassifying())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        paintFrame(&view);
        const double ms = elapsedMs(timer);
        bench.SetIterationTime(ms / 1000);
        firstMs += ms;
        firstPaints += paints.count - before;
        QScrollBar* bar = sideways ? plain->horizontalScrollBar() : plain->verticalScrollBar();
        const ScrollTimes t = measureScrolling(bar, plain->viewport(), scrollFrames);
        scroll.meanMs += t.meanMs;
        scroll.maxMs = std::max(scroll.maxMs, t.maxMs);
    }
    if (view.mode() != DiffView::Mode::Plain || firstPaints == 0)
        bench.SkipWithError("the plain view did not paint the diff");
    const double n = double(bench.iterations());
    bench.counters["first_frame_ms"] = firstMs / n;
    // How long the interface thread is held by the new text before it can paint anything.
    bench.counters["set_text_ms"] = blockedMs / n;
    bench.counters["scroll_frame_ms"] = scroll.meanMs / n;
    bench.counters["scroll_frame_max_ms"] = scroll.maxMs;
    bench.counters["chars"] = double(text.size());
    bench.counters["rows"] = double(plain->lines().size());
    bench.counters["paints_per_open"] = firstPaints / n;
}

void BM_PlainDiff500kChars(benchmark::State& bench) {
    static const QString text = largeDiff(500'000);
    measurePlainDiff(bench, text, false);
}
BENCHMARK(BM_PlainDiff500kChars)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_PlainDiffOneLine500kChars(benchmark::State& bench) {
    static const QString text = oneLineDiff(500'000);
    measurePlainDiff(bench, text, true);
}
BENCHMARK(BM_PlainDiffOneLine500kChars)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// ---- hunk view -----------------------------------------------------------------------------

void BM_HunkView2000Hunks(benchmark::State& bench) {
    static const ParsedFileDiff parsed = DiffParser::parse(manyHunksDiff(2000));
    auto state = openState(smallRepo());
    DiffView view(state.get());
    view.resize(1000, 800);
    showAndExpose(&view);
    state->setShowHunkView(true);
    state->setSelectedFile(
        FileChange{ChangeStatus::Modified, QStringLiteral("big.txt"), false, std::nullopt});
    HunkScrollArea* area = view.hunkView()->scrollArea();
    PaintCounter paints(area->viewport());

    double openMs = 0;
    ScrollTimes scroll;
    int openPaints = 0;
    for (auto _ : bench) {
        // The view appears anew, as after a diff load.
        state->setParsedDiff(std::nullopt);
        paintFrame(&view);
        const int before = paints.count;
        QElapsedTimer timer;
        timer.start();
        state->setParsedDiff(parsed);
        paintFrame(&view);
        const double ms = elapsedMs(timer);
        bench.SetIterationTime(ms / 1000);
        openMs += ms;
        openPaints += paints.count - before;
        const ScrollTimes t =
            measureScrolling(area->verticalScrollBar(), area->viewport(), scrollFrames);
        scroll.meanMs += t.meanMs;
        scroll.maxMs = std::max(scroll.maxMs, t.maxMs);
    }
    if (view.mode() != DiffView::Mode::Hunks || openPaints == 0)
        bench.SkipWithError("the hunk view did not paint the hunks");
    const double n = double(bench.iterations());
    bench.counters["open_ms"] = openMs / n;
    bench.counters["scroll_frame_ms"] = scroll.meanMs / n;
    bench.counters["scroll_frame_max_ms"] = scroll.maxMs;
    bench.counters["hunks"] = double(area->hunks().size());
    bench.counters["paints_per_open"] = openPaints / n;
}
BENCHMARK(BM_HunkView2000Hunks)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// ---- history list --------------------------------------------------------------------------

// Shapes: 0 forty lines of work merged into main at random; 1 git's own (many concurrent
// topics merged into a mainline). Graph: 1 long lines shortened (the default), 0 not.
void BM_History10000Commits(benchmark::State& bench) {
    static const QList<GitCommit> random = makeHistory(10000, 40, 1234);
    static const QList<GitCommit> gitShaped = [] {
        QList<GitCommit> log = test::logOf(test::gitLikeHistory(10000));
        for (GitCommit& c : log) {
            if (c.refs.contains(QLatin1String("HEAD -> ")))
                c.refs = QStringLiteral("HEAD -> main, origin/main");
        }
        return log;
    }();
    const QList<GitCommit>& commits = bench.range(0) == 0 ? random : gitShaped;
    AppSettings::setShortenBranchLines(bench.range(1) != 0);
    auto state = openState(smallRepo());
    CommitLogView view(state.get());
    view.resize(600, 900);
    showAndExpose(&view);
    QListView* list = view.list();
    PaintCounter paints(list->viewport());

    double firstMs = 0;
    double publishMs = 0;
    ScrollTimes scroll;
    int changes = 0;
    QObject::connect(state.get(), &RepositoryState::commitsChanged, [&changes] { ++changes; });
    int firstPaints = 0;
    const int layoutsBefore = view.graphComputations();
    for (auto _ : bench) {
        state->setCommits({});
        state->setHeadCommitHash({});
        paintFrame(&view);
        const int before = paints.count;
        QElapsedTimer timer;
        timer.start();
        // A refresh publishes HEAD, then the list.
        state->setHeadCommitHash(commits.first().id);
        state->setCommits(commits);
        const double publishedMs = elapsedMs(timer);
        paintFrame(&view);
        const double ms = elapsedMs(timer);
        bench.SetIterationTime(ms / 1000);
        firstMs += ms;
        publishMs += publishedMs;
        firstPaints += paints.count - before;
        const ScrollTimes t =
            measureScrolling(list->verticalScrollBar(), list->viewport(), scrollFrames);
        scroll.meanMs += t.meanMs;
        scroll.maxMs = std::max(scroll.maxMs, t.maxMs);
    }
    if (list->model()->rowCount() < 10000 || firstPaints == 0)
        bench.SkipWithError("the history did not paint the commits");
    int lanes = 0;
    for (const CommitGraphData& data : view.graph().rows)
        lanes = std::max(lanes, data.maxColumn + 1);
    const double n = double(bench.iterations());
    bench.counters["first_frame_ms"] = firstMs / n;
    // The part spent handing the list to the view, before the frame.
    bench.counters["publish_ms"] = publishMs / n;
    bench.counters["scroll_frame_ms"] = scroll.meanMs / n;
    bench.counters["scroll_frame_max_ms"] = scroll.maxMs;
    bench.counters["commits"] = double(commits.size());
    bench.counters["lanes"] = lanes;
    // 1.0 means one layout per change of the list (HEAD changes along with it), however many
    // rows and frames were painted.
    bench.counters["layouts_per_change"] =
        double(view.graphComputations() - layoutsBefore) / changes;
    bench.counters["paints_per_open"] = firstPaints / n;
}
BENCHMARK(BM_History10000Commits)
    ->ArgNames({"shape", "shortened"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

// ---- opening a long history ----------------------------------------------------------------

void BM_OpenLongHistory(benchmark::State& bench) {
    // About 80,000 commits; 2,700 tags and 2 x 600 branches.
    static const QString dir = generatedHistory(QStringLiteral("long"), 80'000, 30, 600);
    {
        // Once untimed, so that every timed run finds git's files in the page cache.
        auto warm = openState(dir);
        QCoro::waitFor(warm->refresh());
    }
    double totalMs = 0;
    double refreshMs = 0;
    double gitMs = 0;
    qsizetype rows = 0;
    qint64 processes = 0;
    int paintedRows = 0;
    int paintsDuringRefresh = 0;
    // 2: a window tall enough for all of the first 100 rows; 1: an ordinary window of 900
    // pixels; 0: no view, the state's own share, for comparison.
    const int viewKind = int(bench.range(0));
    for (auto _ : bench) {
        auto state = openState(dir);
        std::optional<CommitLogView> view;
        PaintCounter* paints = nullptr; // owned by the viewport
        if (viewKind != 0) {
            view.emplace(state.get());
            view->resize(600, 900);
            showAndExpose(&*view);
            const int chrome = view->height() - view->list()->viewport()->height();
            if (viewKind == 2)
                view->resize(600, chrome + 100 * CommitRowDelegate::rowHeight);
            QCoreApplication::processEvents();
            paintFrame(&*view);
            paints = new PaintCounter(view->list()->viewport());
        }

        GitRunStats::reset();
        QElapsedTimer timer;
        timer.start();
        QCoro::waitFor(state->refresh());
        refreshMs += elapsedMs(timer);
        if (view) {
            paintsDuringRefresh += paints->count;
            paintFrame(&*view);
        }
        const double ms = elapsedMs(timer);
        const double git = double(GitRunStats::processNanoseconds) / 1e6;
        bench.SetIterationTime(ms / 1000);
        totalMs += ms;
        gitMs += git;
        processes = GitRunStats::processCount;
        rows = state->commits().size();
        if (view)
            paintedRows = view->list()->viewport()->height() / CommitRowDelegate::rowHeight;
    }
    const double n = double(bench.iterations());
    bench.counters["total_ms"] = totalMs / n;
    bench.counters["git_ms"] = gitMs / n;
    bench.counters["beyond_git_ms"] = (totalMs - gitMs) / n;
    // Where the time beyond git goes: the refresh itself, and the frame painted after it.
    bench.counters["refresh_beyond_git_ms"] = (refreshMs - gitMs) / n;
    bench.counters["final_frame_ms"] = (totalMs - refreshMs) / n;
    bench.counters["paints_during_refresh"] = paintsDuringRefresh / n;
    bench.counters["git_processes"] = double(processes);
    bench.counters["rows_loaded"] = double(rows);
    bench.counters["rows_on_screen"] = paintedRows;
}
BENCHMARK(BM_OpenLongHistory)
    ->ArgName("view")
    ->Arg(2)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// ---- log window ------------------------------------------------------------------------------

// One entry added to a log window that already lists 10,000 or 100,000: the time from the add
// to the painted frame that shows the new row at the bottom, which should not grow with the log.
void BM_LogWindowAppend(benchmark::State& bench) {
    const int shown = int(bench.range(0));
    QList<LogEntry> entries;
    entries.reserve(shown);
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 0; i < shown; ++i)
        entries.append(LogEntry{QUuid::createUuid(), now,
                                i % 7 == 0 ? LogLevel::Error : LogLevel::Success,
                                QStringLiteral("Fetched origin: %1 new commits on main").arg(i),
                                QStringLiteral("bench")});
    LogStore::shared().setEntries(entries);
    LogWindowView view(LogStore::shared(), nullptr);
    view.resize(600, 400);
    showAndExpose(&view);
    paintFrame(&view);
    LogListView* list = view.listView();
    PaintCounter paints(list->viewport());

    double totalMs = 0;
    double worstMs = 0;
    int painted = 0;
    int added = 0;
    for (auto _ : bench) {
        const int before = paints.count;
        QElapsedTimer timer;
        timer.start();
        LogStore::shared().add(QStringLiteral("Pushed main to origin (%1)").arg(added++),
                               LogLevel::Success, QStringLiteral("bench"));
        // Runs the queued scroll to the newest row, then paints.
        QCoreApplication::processEvents();
        paintFrame(list->viewport());
        const double ms = elapsedMs(timer);
        bench.SetIterationTime(ms / 1000);
        totalMs += ms;
        worstMs = std::max(worstMs, ms);
        painted += paints.count > before;
    }
    const int rows = list->model()->rowCount();
    const QRect last = list->visualRect(list->model()->index(rows - 1, 0));
    if (rows != shown + added || !list->viewport()->rect().contains(last.bottomLeft()) ||
        painted != added)
        bench.SkipWithError("the newest entry was not painted in view");
    bench.counters["entries"] = rows;
    bench.counters["append_frame_ms"] = totalMs / double(bench.iterations());
    bench.counters["append_frame_max_ms"] = worstMs;
    LogStore::shared().setEntries({});
}
BENCHMARK(BM_LogWindowAppend)
    ->ArgName("entries")
    ->Arg(10'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The program's settings at their defaults, never the user's own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, workspace().path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
