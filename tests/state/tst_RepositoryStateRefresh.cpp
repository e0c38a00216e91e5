#include "StateTestSupport.h"
#include "graph/CommitGraphCalculator.h"
#include "settings/AppSettings.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

namespace {

// The first place where a page shows a parent above its child, or where the graph's line from a
// commit to one of its listed parents is not continued row by row into the parent's node; empty
// when there is none.
QString brokenParentLine(const QList<GitCommit>& commits) {
    const auto graph = CommitGraphCalculator::calculate(commits, QString());
    QHash<QString, qsizetype> rowOf;
    for (qsizetype i = 0; i < commits.size(); ++i)
        rowOf.insert(commits[i].id, i);
    const auto hasLine = [](const CommitGraphData& row, LineType type, int column) {
        return std::any_of(row.lines.begin(), row.lines.end(), [&](const GraphLine& line) {
            return line.type == type && line.column == column;
        });
    };
    for (qsizetype i = 0; i < commits.size(); ++i) {
        const GitCommit& child = commits[i];
        const CommitGraphData& node = graph[child.id];
        // The first parent's line leaves from the node's lane, each further one from its own.
        QList<int> lanes{node.column};
        for (const GraphLine& line : node.lines) {
            if (line.type == LineType::MergeFrom)
                lanes.append(line.column);
        }
        for (qsizetype p = 0; p < child.parents.size(); ++p) {
            const qsizetype j = rowOf.value(child.parents[p], -1);
            if (j < 0)
                continue;
            const QString edge = child.id.left(7) + u" -> "_qs + child.parents[p].left(7);
            if (j <= i)
                return u"parent above its child: "_qs + edge;
            const int lane = lanes.value(p, -1);
            for (qsizetype r = i + 1; r < j; ++r) {
                const CommitGraphData& row = graph[commits[r].id];
                if (row.column == lane || !hasLine(row, LineType::PassThrough, lane))
                    return u"line broken at row %1: "_qs.arg(r) + edge;
            }
            const CommitGraphData& parent = graph[commits[j].id];
            if (parent.column != lane && !hasLine(parent, LineType::BranchTo, lane))
                return u"line misses its parent: "_qs + edge;
        }
    }
    return {};
}

// A git whose log prints its first `bytes` bytes and then fails with `message`.
QByteArray failingAfterBytes(int bytes, const QByteArray& message) {
    return "for a in \"$@\"; do [ \"$a\" = log ] && { /usr/bin/git \"$@\" | head -c " +
           QByteArray::number(bytes) + "; echo '" + message + "' >&2; exit 128; }; done";
}

// git's own default order for one page, as ids and parents.
QList<GitCommit> gitDefaultOrder(RepoFixture& repo, int limit, bool allBranches) {
    QStringList args{"log", "--format=%H %P", QStringLiteral("-%1").arg(limit)};
    if (allBranches)
        args.append("--all");
    QList<GitCommit> commits;
    for (const QString& line : repo.git(args).split(u'\n', Qt::SkipEmptyParts)) {
        GitCommit commit;
        commit.parents = line.split(u' ');
        commit.id = commit.parents.takeFirst();
        commits.append(commit);
    }
    return commits;
}

// A --no-ff merge made in the same second as its branch, and a branch whose clock runs an hour
// behind the commit it starts from.
std::unique_ptr<RepoFixture> sameSecondMergeAndSlowClock() {
    auto repo = std::make_unique<RepoFixture>();
    const auto commitAt = [&](const QString& name, const QByteArray& date) {
        qputenv("GIT_AUTHOR_DATE", date);
        qputenv("GIT_COMMITTER_DATE", date);
        repo->writeFile(name, name.toUtf8());
        repo->git({"add", "-A"});
        repo->git({"commit", "-q", "-m", name});
    };
    commitAt("base", "1704110400 +0000");
    repo->git({"checkout", "-q", "-b", "topic"});
    commitAt("topic", "1704110400 +0000");
    repo->git({"checkout", "-q", "main"});
    repo->git({"merge", "-q", "--no-ff", "-m", "merge topic", "topic"});
    repo->git({"checkout", "-q", "-b", "slow-clock", "HEAD~1"});
    commitAt("slow", "1704106800 +0000");
    repo->git({"checkout", "-q", "main"});
    return repo;
}

// About `count` commits on a dozen branches that fork from main and are merged back now and
// then. Half the commits share their second with the one before, and some branches' clocks run
// hours ahead or behind.
std::unique_ptr<RepoFixture> tangledHistory(quint32 seed, int count) {
    auto repo = std::make_unique<RepoFixture>();
    QRandomGenerator random(seed);
    QList<int> tips(12, 0); // marks; 0 once merged: the branch starts again from main
    QList<qint64> skew(12, 0);
    qint64 clock = 1704110400;
    int mark = 0;
    QByteArray stream;
    const auto commit = [&](int branch, const QList<int>& parents) {
        clock += random.bounded(2);
        const QByteArray n = QByteArray::number(++mark);
        const QByteArray ref = branch == 0 ? "main" : "b" + QByteArray::number(branch);
        stream += "commit refs/heads/" + ref + "\nmark :" + n + "\ncommitter T <t@example.com> " +
                  QByteArray::number(clock + skew[branch]) + " +0000\ndata 0\n";
        for (qsizetype p = 0; p < parents.size(); ++p)
            stream += (p == 0 ? "from :" : "merge :") + QByteArray::number(parents[p]) + "\n";
        stream += "M 100644 inline f\ndata " + QByteArray::number(n.size()) + "\n" + n + "\n";
        return mark;
    };
    tips[0] = commit(0, {});
    while (mark < count) {
        const int b = int(random.bounded(tips.size()));
        if (b != 0 && tips[b] != 0 && random.bounded(4) == 0) {
            tips[0] = commit(0, {tips[0], tips[b]});
            tips[b] = 0;
            skew[b] = QList<qint64>{0, 0, -7200, 3600}.at(random.bounded(4));
        } else {
            tips[b] = commit(b, {tips[b] != 0 ? tips[b] : tips[0]});
        }
    }
    QProcess process;
    process.setWorkingDirectory(repo->path());
    process.start("/usr/bin/git", {"fast-import", "--quiet"});
    process.write(stream);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    repo->git({"reset", "-q", "--hard"});
    return repo;
}

} // namespace

class TestRepositoryStateRefresh : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

    static FileChange change(const QString& path, bool staged,
                             ChangeStatus status = ChangeStatus::Modified) {
        return FileChange{status, path, staged, std::nullopt};
    }

private Q_SLOTS:
    void init() {
        LogStore::shared().setEntries({});
        AppSettings::setShowAllFiles(false);
    }

    void newStateDefaults() {
        RepoFixture repo;
        const auto state = openState(repo.path());
        QCOMPARE(state->selectedTab(), SidebarTab::Changes);
        QCOMPARE(state->commitLimit(), 100);
        QVERIFY(state->hideResetBranches());
        QVERIFY(state->commits().isEmpty());
        QVERIFY(!state->isLoading());
    }

    void firstPageIsHundredCommitsOfTheCurrentBranch() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("branch"), QStringLiteral("other")});
        importCommits(repo, 99); // 100 on main
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("other")});
        repo.commitAll(QStringLiteral("only on other"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});

        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->commits().size(), 100);
        QVERIFY(state->hasMoreCommits());
        for (const GitCommit& commit : state->commits())
            QVERIFY(commit.message != QStringLiteral("only on other"));
        QCOMPARE(state->currentBranch(), QStringLiteral("main"));
        QCOMPARE(state->headCommitHash(), repo.head());
        QVERIFY(!state->isLoading());
        QCOMPARE(state->branches().size(), 2);

        // 100 commits exactly fill the page, so another may exist; the next page has only 100.
        await(state->loadMoreCommits());
        QCOMPARE(state->commitLimit(), 200);
        QCOMPARE(state->commits().size(), 100);
        QVERIFY(!state->hasMoreCommits());
        await(state->loadMoreCommits());
        QCOMPARE(state->commitLimit(), 200);
    }

    // Histories that git's default order lists with parents above children: on every page,
    // with and without all branches, with and without a commit-graph, each parent is drawn below
    // each of its children and the graph's lines reach it.
    void everyPageDrawsParentsBelowChildren() {
        std::vector<std::unique_ptr<RepoFixture>> repos;
        repos.push_back(sameSecondMergeAndSlowClock());
        for (quint32 seed : {1u, 2u, 3u})
            repos.push_back(tangledHistory(seed, 250));
        for (std::size_t n = 0; n < repos.size(); ++n) {
            RepoFixture& repo = *repos[n];
            bool gitMisordersAPage = false;
            for (bool commitGraph : {false, true}) {
                if (commitGraph)
                    repo.git({"commit-graph", "write", "--reachable"});
                for (bool allBranches : {false, true}) {
                    const auto state = openState(repo.path());
                    state->setHideResetBranches(!allBranches);
                    await(state->refresh());
                    for (;;) {
                        const QString where = u"history %1, commit-graph %2, all branches %3, %4 "
                                              u"commits: "_qs.arg(n)
                                                  .arg(commitGraph)
                                                  .arg(allBranches)
                                                  .arg(state->commits().size());
                        QVERIFY2(!state->commits().isEmpty(), qPrintable(where));
                        const QString broken = brokenParentLine(state->commits());
                        QVERIFY2(broken.isEmpty(), qPrintable(where + broken));
                        gitMisordersAPage =
                            gitMisordersAPage ||
                            !brokenParentLine(
                                 gitDefaultOrder(repo, state->commitLimit(), allBranches))
                                 .isEmpty();
                        if (!state->hasMoreCommits())
                            break;
                        QVERIFY(state->commitLimit() < 1000);
                        await(state->loadMoreCommits());
                    }
                }
            }
            // Otherwise this history would prove nothing.
            QVERIFY2(gitMisordersAPage, qPrintable(u"history %1"_qs.arg(n)));
        }
    }

    // Pages read one after the other from one log, with a refresh of the same history in
    // between, list what one read of that length lists: the same commits in the same order, hence
    // the same graph; with and without all branches and a commit-graph. The refresh reads no log.
    void pagedHistoryEqualsOneRead() {
        const auto repo = tangledHistory(7, 450);
        QTemporaryDir logged;
        const QString runs = logged.filePath("runs");
        for (bool commitGraph : {false, true}) {
            if (commitGraph)
                repo->git({"commit-graph", "write", "--reachable"});
            for (bool allBranches : {false, true}) {
                const QString where =
                    u"commit-graph %1, all branches %2"_qs.arg(commitGraph).arg(allBranches);
                const auto state = openState(repo->path());
                // A page appended names the rows above it that stayed: they must have.
                QList<GitCommit> before;
                qsizetype appended = 0;
                QObject::connect(state.get(), &RepositoryState::commitsAppended, state.get(),
                                 [&](qsizetype kept) {
                                     QVERIFY(kept <= before.size());
                                     QVERIFY(state->commits().first(kept) == before.first(kept));
                                     ++appended;
                                 });
                QObject::connect(state.get(), &RepositoryState::commitsChanged, state.get(),
                                 [&] { before = state->commits(); });
                state->setHideResetBranches(!allBranches);
                await(state->refresh());
                await(state->loadMoreCommits());
                {
                    GitStandIn counting("for a in \"$@\"; do [ \"$a\" = log ] && echo log >> '" +
                                        runs.toUtf8() + "'; done");
                    await(state->refresh());
                }
                QVERIFY2(!QFile::exists(runs), qPrintable(where));
                QCOMPARE(state->commits().size(), 200);
                while (state->hasMoreCommits())
                    await(state->loadMoreCommits());
                const int total =
                    repo->git({"rev-list", "--count", allBranches ? "--all" : "HEAD"}).toInt();
                QVERIFY(total > 300);
                QCOMPARE(state->commits().size(), total);
                const QList<GitCommit> oneRead =
                    await(GitService(repo->path()).log(total, allBranches));
                QVERIFY2(state->commits() == oneRead, qPrintable(where));
                QVERIFY(appended > 0);
            }
        }
    }

    // After paging, a new commit and then a rewritten branch each show at the next refresh, with
    // the depth loaded so far, exactly as one read lists them.
    void changedHistoryAfterPagingShowsTheNewState() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        importCommits(repo, 349);
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadMoreCommits());
        await(state->loadMoreCommits());
        QCOMPARE(state->commits().size(), 300);
        const GitService git(repo.path());

        repo.writeFile(QStringLiteral("a.txt"), "new\n");
        repo.commitAll(QStringLiteral("new on top"));
        await(state->refresh());
        QCOMPARE(state->commits().first().message, QStringLiteral("new on top"));
        QVERIFY(state->commits() == await(git.log(300)));

        const QString dropped = repo.git({"rev-parse", "HEAD~3"});
        repo.git({"reset", "-q", "--hard", "HEAD~5"});
        repo.writeFile(QStringLiteral("a.txt"), "rewritten\n");
        repo.commitAll(QStringLiteral("rewritten"));
        await(state->refresh());
        QCOMPARE(state->commits().first().message, QStringLiteral("rewritten"));
        QVERIFY(std::none_of(state->commits().cbegin(), state->commits().cend(),
                             [&](const GitCommit& c) { return c.id == dropped; }));
        QCOMPARE(state->commits().size(), 300);
        QVERIFY(state->commits() == await(git.log(300)));
        await(state->loadMoreCommits());
        QCOMPARE(state->commits().size(), 347);
        QVERIFY(!state->hasMoreCommits());
    }

    // The log read page by page waits in git for the next page; closing the tab ends it.
    void closingTheTabEndsItsLog() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        importCommits(repo, 2000); // far more than a pipe holds
        const auto gitsInRepo = [&] {
            int count = 0;
            const QString folder = QFileInfo(repo.path()).canonicalFilePath();
            for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
                if (QFileInfo(u"/proc/"_qs + pid + u"/cwd"_qs).symLinkTarget() == folder &&
                    QFileInfo(u"/proc/"_qs + pid + u"/exe"_qs).symLinkTarget().endsWith(u"git"_qs))
                    ++count;
            }
            return count;
        };
        auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->commits().size(), 100);
        QCOMPARE(gitsInRepo(), 1);
        state.reset();
        QTRY_COMPARE(gitsInRepo(), 0);
    }

    void ninetyNineCommitsLeaveNoMore() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        importCommits(repo, 98);
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->commits().size(), 99);
        QVERIFY(!state->hasMoreCommits());
    }

    void failedPageKeepsCommitsAndRaisesTheLimit() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        importCommits(repo, 349);
        const auto state = openState(repo.path());
        QList<GitCommit> firstPage;
        {
            // The log breaks after about 150 commits, while the second page is read.
            GitStandIn failingLog(failingAfterBytes(22000, "fatal: log broke"));
            await(state->refresh());
            firstPage = state->commits();
            QCOMPARE(firstPage.size(), 100);
            await(state->loadMoreCommits());
        }
        QCOMPARE(state->commits(), firstPage);
        QVERIFY(state->hasMoreCommits());
        QVERIFY(!state->isLoadingMore());
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Failed to load more commits: fatal: log broke"));
        QCOMPARE(LogStore::shared().entries().last().level, LogLevel::Error);
        await(state->loadMoreCommits());
        QCOMPARE(state->commitLimit(), 300);
        QCOMPARE(state->commits().size(), 300);

        // A refresh keeps the paged length.
        await(state->refresh());
        QCOMPARE(state->commits().size(), 300);
    }

    // Loading down to a commit (an arrow of the graph leads there): pages double until it is
    // listed; a commit that is not in the history loads everything and is not found; a failing
    // log stops the search.
    void loadingDownToACommit() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        importCommits(repo, 649);
        const QString deep = repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD~520")});
        const auto listed = [](const RepositoryState& state, const QString& id) {
            return std::any_of(state.commits().cbegin(), state.commits().cend(),
                               [&](const GitCommit& c) { return c.id == id; });
        };
        {
            const auto state = openState(repo.path());
            GitStandIn failingLog(failingAfterBytes(22000, ""));
            await(state->refresh());
            QVERIFY(!await(state->loadCommitsThrough(deep)));
            QCOMPARE(state->commits().size(), 100);
            QVERIFY(!state->isLoadingMore());
            QVERIFY(logMessages().last().startsWith(u"Failed to load more commits"_qs));
        }
        const auto state = openState(repo.path());
        await(state->refresh());
        QVERIFY(await(state->loadCommitsThrough(deep)));
        QVERIFY(listed(*state, deep));
        QCOMPARE(state->commitLimit(), 800); // 200, 400, 800: three runs of git, not five
        QVERIFY(!state->isLoadingMore());
        QVERIFY(await(state->loadCommitsThrough(deep))); // already listed: nothing to load
        QCOMPARE(state->commitLimit(), 800);

        const QString absent(40, u'e');
        QVERIFY(!await(state->loadCommitsThrough(absent)));
        QCOMPARE(state->commits().size(), 650);
        QVERIFY(!state->hasMoreCommits());
    }

    void failedQueriesEmptyOnlyTheirField() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("tag"), QStringLiteral("v1")});
        const auto state = openState(repo.path());
        GitStandIn failingTags("for a in \"$@\"; do [ \"$a\" = tag ] && exit 1; done");
        await(state->refresh());
        QVERIFY(state->tags().isEmpty());
        QCOMPARE(state->commits().size(), 1);
        QVERIFY(logMessages().isEmpty());
    }

    // A repository moved away, or a mount folder left empty, is missing (and its lists empty, as
    // every query fails); the next refresh after it comes back shows it again.
    void aVanishedRepositoryIsMissingUntilItComesBack() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        const auto state = openState(repo.path());
        await(state->refresh());
        QVERIFY(!state->repositoryMissing());
        const QString away = repo.siblingPath(QStringLiteral("away"));
        QVERIFY(QDir().rename(repo.path(), away));
        await(state->refresh());
        QVERIFY(state->repositoryMissing());
        QVERIFY(!state->isLoading());
        QVERIFY(state->commits().isEmpty());
        QVERIFY(QDir().mkdir(repo.path()));
        await(state->refresh());
        QVERIFY(state->repositoryMissing());
        QVERIFY(QDir().rmdir(repo.path()));
        QVERIFY(QDir().rename(away, repo.path()));
        repo.writeFile(QStringLiteral("b.txt"), "b\n");
        await(state->refresh());
        QVERIFY(!state->repositoryMissing());
        QCOMPARE(state->headCommitHash(), root);
        QCOMPARE(state->changes().size(), 1);
    }

    // Overlapping refreshes: the first is slow and would answer last with what it saw; requests
    // made meanwhile share one later pass, so the state ends on the newest repository.
    void overlappingRefreshesEndOnTheNewest() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("first.txt"), "1\n");
        QTemporaryDir marks;
        const QByteArray slowOnce = marks.filePath(QStringLiteral("slow")).toUtf8();
        const QByteArray passes = marks.filePath(QStringLiteral("passes")).toUtf8();
        const GitStandIn git("if [ \"$3\" = status ]; then echo x >> '" + passes +
                             "'; if [ ! -e '" + slowOnce + "' ]; then touch '" + slowOnce +
                             "'; sleep 1; fi; fi");
        const auto state = openState(repo.path());
        QCoro::Task<> older = state->refresh();
        QTest::qWait(300);
        repo.writeFile(QStringLiteral("second.txt"), "2\n");
        QCoro::Task<> newer = state->refresh();
        QCoro::Task<> newest = state->refresh();
        await(std::move(newer));
        QVERIFY(findChange(*state, QStringLiteral("second.txt"), false).has_value());
        await(std::move(older));
        await(std::move(newest));
        QVERIFY(findChange(*state, QStringLiteral("second.txt"), false).has_value());
        QFile count(QString::fromUtf8(passes));
        QVERIFY(count.open(QIODevice::ReadOnly));
        QCOMPARE(count.readAll().count('\n'), 2);
    }

    // Another program's edits, a `git add` and a commit in a terminal, and edits in a folder
    // made after watching began, all show without a refresh asked for; what happens in an ignored
    // folder brings none.
    void outsideChangesShowByThemselves() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral(".gitignore"), "build/\n");
        repo.writeFile(QStringLiteral("src/deep/x.txt"), "x\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("build/out.o"), "0");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->watchForChanges());
        QVERIFY(state->watcher().isWatching());
        QVERIFY(state->watcher().watchesWorkingTree());
        int passes = 0;
        connect(state.get(), &RepositoryState::isLoadingChanged, state.get(), [&] {
            if (state->isLoading())
                ++passes;
        });

        repo.writeFile(QStringLiteral("src/deep/x.txt"), "edited elsewhere\n");
        QTRY_VERIFY_WITH_TIMEOUT(findChange(*state, QStringLiteral("src/deep/x.txt"), false), 5000);
        repo.git({QStringLiteral("add"), QStringLiteral("src/deep/x.txt")});
        QTRY_VERIFY_WITH_TIMEOUT(findChange(*state, QStringLiteral("src/deep/x.txt"), true), 5000);
        QVERIFY(!findChange(*state, QStringLiteral("src/deep/x.txt"), false));
        repo.git({QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"),
                  QStringLiteral("from a terminal")});
        const QString committed = repo.head();
        QTRY_COMPARE_WITH_TIMEOUT(state->headCommitHash(), committed, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(state->commits().value(0).id, committed, 5000);

        // A folder that did not exist when watching began.
        repo.writeFile(QStringLiteral("fresh/inner/n.txt"), "1\n");
        QTRY_VERIFY_WITH_TIMEOUT(findChange(*state, QStringLiteral("fresh/inner/n.txt"), false),
                                 5000);
        repo.git({QStringLiteral("add"), QStringLiteral("fresh/inner/n.txt")});
        QTRY_VERIFY_WITH_TIMEOUT(findChange(*state, QStringLiteral("fresh/inner/n.txt"), true),
                                 5000);
        repo.writeFile(QStringLiteral("fresh/inner/n.txt"), "2\n");
        QTRY_VERIFY_WITH_TIMEOUT(findChange(*state, QStringLiteral("fresh/inner/n.txt"), false),
                                 5000);

        // Ignored: neither the folder that was there nor one made since is watched.
        QTRY_VERIFY_WITH_TIMEOUT(!state->isLoading(), 5000);
        QTest::qWait(2 * RepositoryWatcher::longestDelayMs);
        const int before = passes;
        repo.writeFile(QStringLiteral("build/out.o"), "1");
        repo.writeFile(QStringLiteral("build/more/a.o"), "1");
        QTest::qWait(2 * RepositoryWatcher::longestDelayMs);
        repo.writeFile(QStringLiteral("build/more/a.o"), "2");
        QTest::qWait(2 * RepositoryWatcher::longestDelayMs);
        QCOMPARE(passes, before);
    }

    // Our own commands refresh once when they are done; what they wrote brings no second pass.
    void ownCommandsRefreshOnce() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "changed\n");
        repo.writeFile(QStringLiteral("dir/b.txt"), "new\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->watchForChanges());
        QVERIFY(state->watcher().watchesWorkingTree());
        int passes = 0;
        connect(state.get(), &RepositoryState::isLoadingChanged, state.get(), [&] {
            if (state->isLoading())
                ++passes;
        });
        const auto settled = [&](int expected) {
            QTest::qWait(3 * RepositoryWatcher::longestDelayMs);
            QCOMPARE(passes, expected);
        };
        settled(0);

        await(state->stageFile(*findChange(*state, QStringLiteral("a.txt"), false)));
        QCOMPARE(passes, 1);
        settled(1);
        await(state->stageAll());
        settled(2);
        state->setCommitMessage(QStringLiteral("ours"));
        await(state->commitChanges());
        QCOMPARE(state->headCommitHash(), repo.head());
        settled(3);
        // A write to the working tree: the file comes back as committed.
        repo.writeFile(QStringLiteral("a.txt"), "again\n");
        QTRY_VERIFY_WITH_TIMEOUT(findChange(*state, QStringLiteral("a.txt"), false), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!state->isLoading(), 5000);
        QCOMPARE(passes, 4);
        state->askDiscardChanges(*findChange(*state, QStringLiteral("a.txt"), false));
        await(state->confirmDiscardChanges());
        QCOMPARE(repo.readFile(QStringLiteral("a.txt")), QByteArray("changed\n"));
        settled(5);
    }

    // A tree with more folders than may be watched is left to the refresh on focus, said once;
    // its git folder is still watched, so a `git add` elsewhere still shows.
    void treeOverTheWatchLimitFallsBack() {
        RepoFixture repo;
        for (const char* path : {"a/1.txt", "b/1.txt", "c/1.txt", "c/d/1.txt"})
            repo.writeFile(QString::fromLatin1(path), "1\n");
        repo.commitAll(QStringLiteral("root"));
        const auto state = openState(repo.path());
        await(state->refresh());
        state->watcher().setWatchLimit(4);
        await(state->watchForChanges());
        QVERIFY(state->watcher().isWatching());
        QVERIFY(!state->watcher().watchesWorkingTree());
        const auto fallbacks = [] {
            const QStringList messages = logMessages();
            return std::count_if(messages.begin(), messages.end(), [](const QString& message) {
                return message.contains(QStringLiteral("working tree is not watched"));
            });
        };
        QCOMPARE(fallbacks(), 1);
        QVERIFY(logMessages().last().contains(QStringLiteral("more than 4 folders")));
        QCOMPARE(LogStore::shared().entries().last().level, LogLevel::Info);

        repo.writeFile(QStringLiteral("a/1.txt"), "2\n");
        repo.git({QStringLiteral("add"), QStringLiteral("a/1.txt")});
        QTRY_VERIFY_WITH_TIMEOUT(findChange(*state, QStringLiteral("a/1.txt"), true), 5000);
        // Watching again (another worktree, the same one) does not say it again.
        await(state->watchForChanges());
        QCOMPARE(fallbacks(), 1);

        // Within the limit, the tree is watched; a tree that grows past it falls back then.
        const auto roomy = openState(repo.path());
        await(roomy->refresh());
        roomy->watcher().setWatchLimit(6);
        await(roomy->watchForChanges());
        QVERIFY(roomy->watcher().watchesWorkingTree());
        repo.writeFile(QStringLiteral("e/f/g/1.txt"), "1\n");
        QTRY_VERIFY_WITH_TIMEOUT(!roomy->watcher().watchesWorkingTree(), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(fallbacks(), 2, 5000);
    }

    // Two index writes asked for at once both land; neither meets the other's index.lock.
    void stagingTwoFilesAtOnce() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        for (const char* name : {"one.txt", "two.txt", "three.txt"})
            repo.writeFile(QString::fromLatin1(name), "x\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        QCoro::Task<> one = state->stageFile(*findChange(*state, QStringLiteral("one.txt"), false));
        QCoro::Task<> two = state->stageFile(*findChange(*state, QStringLiteral("two.txt"), false));
        QCoro::Task<> three =
            state->stageFile(*findChange(*state, QStringLiteral("three.txt"), false));
        await(std::move(three));
        await(std::move(one));
        await(std::move(two));
        for (const char* name : {"one.txt", "two.txt", "three.txt"})
            QVERIFY2(findChange(*state, QString::fromLatin1(name), true).has_value(), name);
        for (const QString& message : logMessages())
            QVERIFY2(!message.contains(QStringLiteral("index.lock")), qPrintable(message));
    }

    void linkedWorktreeProvidesChangesAndBranch() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        const QString worktreePath = repo.path() + QStringLiteral("-wt");
        repo.git({QStringLiteral("worktree"), QStringLiteral("add"), QStringLiteral("-q"),
                  QStringLiteral("-b"), QStringLiteral("feature"), worktreePath});
        repo.commitAll(QStringLiteral("second on main"));
        QFile file(worktreePath + QStringLiteral("/only-in-worktree.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->worktrees().size(), 2);
        const GitWorktree linked = state->worktrees().at(1);
        QCOMPARE(linked.branch, QStringLiteral("feature"));
        await(state->selectWorktree(linked));
        QCOMPARE(state->repoPath(), worktreePath);
        QCOMPARE(state->currentBranch(), QStringLiteral("feature"));
        QCOMPARE(state->changes().size(), 1);
        QCOMPARE(state->changes().first().path, QStringLiteral("only-in-worktree.txt"));
        QCOMPARE(state->commits().size(), 2); // history still of the main repository
        QCOMPARE(state->commits().first().message, QStringLiteral("second on main"));
        QDir(worktreePath).removeRecursively();
    }

    void displayOrderAndShowAllFiles() {
        RepoFixture repo;
        for (const char* name : {"b.txt", "a.txt", "c.txt", "d.txt"})
            repo.writeFile(QString::fromLatin1(name), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("c.txt"), "2\n");
        repo.git({QStringLiteral("add"), QStringLiteral("c.txt")});
        repo.writeFile(QStringLiteral("c.txt"), "3\n");
        repo.writeFile(QStringLiteral("new.txt"), "n\n");
        const auto state = openState(repo.path());
        await(state->refresh());

        QStringList ids;
        for (const FileChange& file : state->allDisplayFiles())
            ids.append(file.id());
        QCOMPARE(ids, (QStringList{QStringLiteral("c.txt:true"), QStringLiteral("c.txt:false"),
                                   QStringLiteral("new.txt:false")}));

        // "All Files" belongs to the tab; the setting is only where a new tab starts.
        AppSettings::setShowAllFiles(true);
        QVERIFY(!state->showAllFiles());
        QVERIFY(openState(repo.path())->showAllFiles());
        state->setShowAllFiles(true);
        ids.clear();
        for (const FileChange& file : state->allDisplayFiles())
            ids.append(file.id());
        QCOMPARE(ids, (QStringList{QStringLiteral("c.txt:true"), QStringLiteral("c.txt:false"),
                                   QStringLiteral("new.txt:false"), QStringLiteral("a.txt:false"),
                                   QStringLiteral("b.txt:false"), QStringLiteral("d.txt:false")}));
        QCOMPARE(state->allDisplayFiles().at(3).status, ChangeStatus::Unmodified);
    }

    void fileSelectionModel() {
        RepoFixture repo;
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            repo.writeFile(QString::fromLatin1(name), "1\n");
        repo.commitAll(QStringLiteral("root"));
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            repo.writeFile(QString::fromLatin1(name), "2\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        const QList<FileChange> files = state->allDisplayFiles();
        QCOMPARE(files.size(), 3);

        // Navigation with nothing selected picks the first file, both ways.
        state->selectPreviousFile(false);
        QCOMPARE(state->selectedFile()->path, QStringLiteral("a.txt"));
        state->selectPreviousFile(false);
        QCOMPARE(state->selectedFile()->path, QStringLiteral("c.txt"));
        state->selectNextFile(false);
        QCOMPARE(state->selectedFile()->path, QStringLiteral("a.txt"));
        QCOMPARE(state->selectedFiles(), QSet<QString>{files[0].id()});
        state->selectNextFile(true);
        state->selectNextFile(true);
        QCOMPARE(state->selectedFiles(),
                 (QSet<QString>{files[0].id(), files[1].id(), files[2].id()}));
        QVERIFY(waitForDiff(*state));

        // Ctrl-click toggles; removing the shown file shows another selected one.
        state->selectFile(files[1], false, false);
        state->selectFile(files[2], true, false);
        QCOMPARE(state->selectedFiles(), (QSet<QString>{files[1].id(), files[2].id()}));
        QCOMPARE(state->selectedFile()->path, QStringLiteral("c.txt"));
        state->selectFile(files[2], true, false);
        QCOMPARE(state->selectedFile()->path, QStringLiteral("b.txt"));
        // Ctrl-click on the only selected file clears the diff area.
        state->selectFile(files[1], true, false);
        QVERIFY(state->selectedFiles().isEmpty());
        QVERIFY(!state->selectedFile().has_value());
        QVERIFY(state->diffText().isEmpty());
        QVERIFY(waitForDiff(*state));
    }

    void shiftClickWithoutAnchor() {
        RepoFixture repo;
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            repo.writeFile(QString::fromLatin1(name), "1\n");
        repo.commitAll(QStringLiteral("root"));
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            repo.writeFile(QString::fromLatin1(name), "2\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        const QList<FileChange> files = state->allDisplayFiles();

        state->selectFile(files[1], false, true);
        QCOMPARE(state->selectedFiles(), QSet<QString>{files[1].id()});
        QCOMPARE(state->selectionAnchor()->id(), files[1].id());
        state->selectFile(files[2], false, true);
        QCOMPARE(state->selectedFiles(), (QSet<QString>{files[1].id(), files[2].id()}));
        state->selectFile(files[0], false, true);
        QCOMPARE(state->selectedFiles(), (QSet<QString>{files[0].id(), files[1].id()}));
        QVERIFY(waitForDiff(*state));
    }

    void commitSelectionModel() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        importCommits(repo, 3);
        const auto state = openState(repo.path());
        await(state->refresh());
        const QList<GitCommit> commits = state->commits();
        QCOMPARE(commits.size(), 4);

        state->selectNextCommit(false);
        QCOMPARE(state->selectedCommit()->id, commits[0].id);
        QVERIFY(!state->fileListFocused());
        state->selectPreviousCommit(false);
        QCOMPARE(state->selectedCommit()->id, commits[3].id);
        state->selectCommit(commits[1], false, false);
        state->selectCommit(commits[3], false, true);
        QCOMPARE(state->selectedCommits(),
                 (QSet<QString>{commits[1].id, commits[2].id, commits[3].id}));
        QCOMPARE(state->selectedCommitsList().first().id, commits[1].id);
        state->selectCommit(commits[3], true, false);
        QCOMPARE(state->selectedCommits().size(), 2);
        QVERIFY(state->selectedCommit().has_value());
        QTest::qWait(50);
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateRefresh)
#include "tst_RepositoryStateRefresh.moc"
