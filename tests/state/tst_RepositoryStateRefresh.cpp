#include "StateTestSupport.h"
#include "settings/AppSettings.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

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
        await(state->refresh());
        const QList<GitCommit> firstPage = state->commits();
        {
            GitStandIn failingLog("for a in \"$@\"; do [ \"$a\" = log ] && { echo 'fatal: log "
                                  "broke' >&2; exit 128; }; done");
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

        AppSettings::setShowAllFiles(true);
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
