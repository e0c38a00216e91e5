#include "ViewTestSupport.h"
#include "engine/GitRunnerConfig.h"
#include "log/LogStore.h"
#include "state/HealthState.h"
#include "state/RepositoryState.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/common/MessageBar.h"
#include "ui/diff/ImprovedDiffContentView.h"
#include "ui/health/HealthWindow.h"
#include "ui/log/LogWindowController.h"
#include "ui/standardPanes.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/SidebarView.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using namespace tolvane;

// The program's own pane set fills every page and pane of a repository view, and the blame
// area takes the diff area's place while blame is shown.
class TestStandardPanes : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void fillsEveryPane() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        RepositoryState state(
            RepositoryTab{QUuid::createUuid(), repo.path(), QStringLiteral("repo"), std::nullopt});
        test::await(state.refresh());

        RepositoryView view(state);
        installStandardPanes(view, state);
        view.resize(1200, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        const QList<std::pair<SidebarTab, QString>> pages{
            {SidebarTab::Changes, QStringLiteral("changesView")},
            {SidebarTab::Branches, QStringLiteral("branchesView")},
            {SidebarTab::Trees, QStringLiteral("worktreesView")},
            {SidebarTab::Tags, QStringLiteral("tagsView")},
            {SidebarTab::Stashes, QStringLiteral("stashesView")},
            {SidebarTab::Submodules, QStringLiteral("submodulesView")}};
        for (const auto& [tab, name] : pages)
            QCOMPARE(view.sidebar()->page(tab)->objectName(), name);
        QCOMPARE(view.historyPane()->objectName(), QStringLiteral("commitLogView"));
        QCOMPARE(view.detailPane()->objectName(), QStringLiteral("diffView"));
        QCOMPARE(view.blamePane()->objectName(), QStringLiteral("blameView"));
        QVERIFY(view.detailPane()->isVisible());

        // A picture of the whole repository window for people to look at.
        repo.writeFile(QStringLiteral("a.txt"), "1\n2\n");
        repo.writeFile(QStringLiteral("notes.md"), "# Notes\n");
        test::await(state.refresh());
        state.selectFile(state.allDisplayFiles().first(), false, false);
        QTRY_VERIFY(!state.isLoadingDiff());
        QTest::qWait(50);
        const QString shots = qEnvironmentVariable("TOLVANE_BUILD_DIR", QStringLiteral(".")) +
                              QStringLiteral("/screenshots");
        QDir().mkpath(shots);
        view.grab().save(shots + QStringLiteral("/repository-window.png"));

        test::await(state.loadBlame(QStringLiteral("a.txt")));
        QTRY_VERIFY(view.blamePane()->isVisible());
        QVERIFY(!view.detailPane()->isVisible());
        state.closeBlameView();
        QTRY_VERIFY(view.detailPane()->isVisible());
    }

    // A failed commit shows its log text in the window with "Show Log", which opens the log;
    // messages go by themselves or when dismissed, and only the newest few are kept.
    void failuresShowInTheWindowAndOpenTheLog() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        RepositoryState state(
            RepositoryTab{QUuid::createUuid(), repo.path(), QStringLiteral("repo"), std::nullopt});
        test::await(state.refresh());
        RepositoryView view(state);
        installStandardPanes(view, state);
        view.resize(1200, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        MessageBar* bar = view.messageBar();
        QVERIFY(!bar->isVisible());

        state.setCommitMessage(QStringLiteral("nothing staged"));
        test::await(state.commitChanges());
        const QString failure = LogStore::shared().entries().last().message;
        QVERIFY(failure.startsWith(u"Commit failed: "));
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->messages(), QStringList{failure});
        auto* failureItem = bar->findChild<QWidget*>(QStringLiteral("messageBarFailure"));
        QVERIFY(failureItem);
        bar->showMessage(QStringLiteral("Pushed main to origin"), MessageBar::Kind::Success);
        auto* successItem = bar->findChild<QWidget*>(QStringLiteral("messageBarSuccess"));
        QVERIFY(!successItem->findChild<QPushButton*>(QStringLiteral("messageBarShowLog")));
        QTest::qWait(50);
        test::saveLightAndDark(&view, QStringLiteral("message-bar"));

        QTest::mouseClick(failureItem->findChild<QPushButton*>(QStringLiteral("messageBarShowLog")),
                          Qt::LeftButton);
        QWidget* log = LogWindowController::instance().window();
        QVERIFY(log && log->isVisible());
        // Without an event loop the program never quits, so the shared window goes here.
        delete log;

        QTest::mouseClick(failureItem->findChild<QToolButton*>(QStringLiteral("messageBarDismiss")),
                          Qt::LeftButton);
        QCOMPARE(bar->messages(), QStringList{QStringLiteral("Pushed main to origin")});
        // A repeat restarts its message; more than the bar holds drops the oldest.
        for (const char* text : {"one", "two", "two", "three"})
            bar->showMessage(QString::fromLatin1(text), MessageBar::Kind::Failure);
        QCOMPARE(bar->messages(), (QStringList{QStringLiteral("one"), QStringLiteral("two"),
                                               QStringLiteral("three")}));
        QVERIFY(MessageBar::durationFor(QString(400, u'x'), MessageBar::Kind::Failure) >
                MessageBar::durationFor(QStringLiteral("short"), MessageBar::Kind::Failure));
        // Each goes away by itself.
        QTRY_VERIFY_WITH_TIMEOUT(!bar->isVisible(), 15000);
        QVERIFY(bar->messages().isEmpty());
    }

    // Find in history, a file's history, blame walked back and changes within lines, driven
    // the way a user would, with pictures in both colour schemes.
    void historyNavigationInTheWindow() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("src/parser.cpp"),
                       "int parse(const char* text) {\n    int depth = 0;\n"
                       "    return depth + 1;\n}\n");
        repo.writeFile(QStringLiteral("README.md"), "# Demo\n");
        repo.commitAll(QStringLiteral("Add the parser"));
        repo.writeFile(QStringLiteral("src/parser.cpp"),
                       "int parse(const char* text) {\n    int depth = 10;\n"
                       "    return depth + 1;\n}\n");
        repo.commitAll(QStringLiteral("Parser: start deeper"));
        repo.git({"mv", "src/parser.cpp", "src/reader.cpp"});
        repo.commitAll(QStringLiteral("Rename the parser to reader"));
        repo.writeFile(QStringLiteral("README.md"), "# Demo\n\nRead me.\n");
        repo.commitAll(QStringLiteral("Document the demo"));
        RepositoryState state(
            RepositoryTab{QUuid::createUuid(), repo.path(), QStringLiteral("repo"), std::nullopt});
        test::await(state.refresh());
        const QList<GitCommit> full = state.commits();
        RepositoryView view(state);
        installStandardPanes(view, state);
        view.resize(1300, 760);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        auto* field = view.findChild<QLineEdit*>(QStringLiteral("historySearchField"));
        auto* count = view.findChild<QLabel*>(QStringLiteral("historyCount"));
        QVERIFY(field && count);

        // While git looks, the count says so rather than "0 results".
        QStringList whileSearching;
        connect(&state, &RepositoryState::isSearchingHistoryChanged, &view, [&] {
            if (state.isSearchingHistory())
                whileSearching.append(count->text());
        });

        // Ctrl+F, type, the results replace the history; Escape brings it back.
        QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(field->hasFocus());
        QTest::keyClicks(field, QStringLiteral("parser"));
        QTRY_VERIFY(state.historySearch() == u"parser" && !state.isSearchingHistory());
        QVERIFY(!whileSearching.isEmpty());
        QCOMPARE(whileSearching.last(), QStringLiteral("Searching…"));
        QCOMPARE(state.commits().size(), 3);
        QCOMPARE(count->text(), QStringLiteral("3 results"));
        QTest::qWait(50);
        test::saveLightAndDark(&view, QStringLiteral("history-search"));
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(field->text().isEmpty());
        QCOMPARE(state.commits(), full);
        QCOMPARE(count->text(), QStringLiteral("4 commits"));

        // A file's history from the commit's file list, with the banner that closes it.
        test::await(state.showFileHistory(QStringLiteral("src/reader.cpp")));
        auto* banner = view.findChild<QWidget*>(QStringLiteral("fileHistoryBanner"));
        QVERIFY(banner->isVisible());
        QCOMPARE(view.findChild<QLabel*>(QStringLiteral("fileHistoryTitle"))->text(),
                 QStringLiteral("History of src/reader.cpp"));
        QCOMPARE(state.commits().size(), 3);
        state.selectCommit(state.commits().at(1), false, false);
        QTRY_VERIFY(state.diffText().contains(u"depth = 10"));
        QVERIFY(!state.diffText().contains(u"README"));
        QTest::qWait(50);
        test::saveLightAndDark(&view, QStringLiteral("file-history"));
        // Changes within lines: the changed number carries the stronger tint.
        auto* plain = view.findChild<ImprovedDiffContentView*>(QStringLiteral("plainDiffView"));
        QVERIFY(plain);
        QTRY_VERIFY(plain->isVisible());
        test::saveLightAndDark(plain, QStringLiteral("changes-within-lines"));
        QTest::mouseClick(view.findChild<QToolButton*>(QStringLiteral("closeFileHistoryButton")),
                          Qt::LeftButton);
        QVERIFY(!banner->isVisible());
        QCOMPARE(state.commits(), full);

        // The same in the hunk view of a working-tree change.
        repo.writeFile(QStringLiteral("src/reader.cpp"),
                       "int parse(const char* text, int limit) {\n    int depth = 10;\n"
                       "    return depth + 2;\n}\n");
        test::await(state.refresh());
        state.selectFile(state.allDisplayFiles().first(), false, false);
        QTRY_VERIFY(state.showHunkView() && !state.isLoadingDiff());
        QVERIFY(!state.parsedDiff()->hunks.first().inlineChanges.isEmpty());
        QTest::qWait(50);
        test::saveLightAndDark(view.detailPane(), QStringLiteral("changes-within-lines-hunks"));

        // Blame: a click selects the group's commit; the previous revision and back again.
        test::await(state.loadBlame(QStringLiteral("src/reader.cpp")));
        auto* blameList = view.blamePane()->findChild<QListView*>(QStringLiteral("blameList"));
        QTRY_VERIFY(blameList->isVisible() && blameList->model()->rowCount() > 1);
        const QRect second = blameList->visualRect(blameList->model()->index(1, 0));
        QTest::mouseClick(blameList->viewport(), Qt::LeftButton, {}, second.center());
        QTRY_VERIFY(state.selectedCommit() &&
                    state.selectedCommit()->id == state.blameLines().at(1).commitHash());
        test::await(state.blamePreviousRevision(state.blameLines().at(1)));
        QCOMPARE(state.blameFilePath(), QStringLiteral("src/parser.cpp"));
        auto* back = view.findChild<QToolButton*>(QStringLiteral("blameStep0"));
        QVERIFY(back && back->isVisible() && back->isEnabled());
        QTest::qWait(50);
        test::saveLightAndDark(view.blamePane(), QStringLiteral("blame-previous-revision"));
        QTest::mouseClick(back, Qt::LeftButton);
        QTRY_VERIFY(state.blameFilePath() == u"src/reader.cpp" && !state.isLoadingDiff());
        QCOMPARE(state.blameTrailPosition(), 0);
    }

    // The health window runs a command only after its confirmation names it, and its figures
    // follow what git did.
    void healthWindowRunsOnlyConfirmedCommands() {
        test::RepoFixture repo;
        for (int i = 0; i < 12; ++i) {
            repo.writeFile(QStringLiteral("src/file%1.txt").arg(i), QByteArray::number(i) + "\n");
            repo.writeFile(QStringLiteral("docs/page%1.txt").arg(i), "page\n");
            repo.commitAll(QStringLiteral("commit %1").arg(i));
        }
        repo.writeFile(QStringLiteral("scratch.txt"), "new\n");
        RepositoryState state(
            RepositoryTab{QUuid::createUuid(), repo.path(), QStringLiteral("repo"), std::nullopt});
        HealthWindow* window = HealthWindow::showFor(state, nullptr);
        QCOMPARE(HealthWindow::showFor(state, nullptr), window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        HealthState& health = state.health();
        QTRY_VERIFY(!health.isLoading() && !health.items().isEmpty());
        const qint64 loose = health.facts()->objects.looseObjects;
        QVERIFY(loose > 0);
        test::saveLightAndDark(window, QStringLiteral("health-neglected"));

        const auto config = [&repo](const char* key) {
            QString value;
            repo.gitStatus(
                {QStringLiteral("config"), QStringLiteral("--get"), QString::fromLatin1(key)},
                &value);
            return value.trimmed();
        };
        const auto confirmation = [window] {
            return window->findChild<QMessageBox*>(QStringLiteral("healthCommandConfirmation"));
        };

        // Declined: nothing is written.
        QTest::mouseClick(
            window->findChild<QPushButton*>(QStringLiteral("healthButton-commit-graph")),
            Qt::LeftButton);
        QTRY_VERIFY(confirmation());
        QCOMPARE(confirmation()->informativeText(),
                 QStringLiteral("git commit-graph write --reachable --changed-paths"));
        confirmation()->button(QMessageBox::Cancel)->click();
        QTRY_VERIFY(!confirmation());
        QVERIFY(!health.showCommandConfirmation());
        QVERIFY(
            !QFileInfo::exists(repo.path() + QStringLiteral("/.git/objects/info/commit-graph")));

        QTest::mouseClick(
            window->findChild<QPushButton*>(QStringLiteral("healthButton-untracked-cache")),
            Qt::LeftButton);
        QTRY_VERIFY(confirmation());
        QCOMPARE(confirmation()->informativeText(),
                 QStringLiteral("git config core.untrackedCache true"));
        QCOMPARE(config("core.untrackedCache"), QString());
        confirmation()->findChild<QPushButton*>(QStringLiteral("healthRunButton"))->click();
        QTRY_COMPARE(config("core.untrackedCache"), QStringLiteral("true"));
        QTRY_COMPARE(
            window->findChild<QLabel*>(QStringLiteral("healthStatus-untracked-cache"))->text(),
            QStringLiteral("On"));
        QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("healthButton-untracked-cache")));

        // Sparse checkout keeps the chosen folder only.
        QTest::mouseClick(
            window->findChild<QPushButton*>(QStringLiteral("chooseSparseFoldersButton")),
            Qt::LeftButton);
        QTreeWidget* tree = nullptr;
        QTRY_VERIFY((tree = window->findChild<QTreeWidget*>(QStringLiteral("sparseFoldersTree"))));
        QCOMPARE(tree->topLevelItemCount(), 2);
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            if (tree->topLevelItem(i)->text(0) == u"docs")
                tree->topLevelItem(i)->setCheckState(0, Qt::Unchecked);
        }
        qobject_cast<QDialog*>(tree->window())->accept();
        QTRY_VERIFY(confirmation());
        QCOMPARE(confirmation()->informativeText(),
                 QStringLiteral("git sparse-checkout set --cone src"));
        confirmation()->findChild<QPushButton*>(QStringLiteral("healthRunButton"))->click();
        QTRY_VERIFY(!QFileInfo::exists(repo.path() + QStringLiteral("/docs/page0.txt")));
        QVERIFY(QFileInfo::exists(repo.path() + QStringLiteral("/src/file0.txt")));
        QTRY_COMPARE(health.facts()->sparseFolders, QStringList{QStringLiteral("src")});

        // Optimise packs the loose objects and writes the commit-graph, with progress shown.
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("optimiseNowButton")),
                          Qt::LeftButton);
        QVERIFY(health.isOptimising());
        QTRY_VERIFY_WITH_TIMEOUT(!health.isOptimising(), 30000);
        QCOMPARE(health.optimiseTasksDone(), int(optimiseTasks().size()));
        QString counted;
        repo.gitStatus({QStringLiteral("count-objects"), QStringLiteral("-v")}, &counted);
        // git packs loose objects on one run and removes the packed copies on the next.
        QVERIFY(parseCountObjects(counted).packedObjects >= loose);
        QCOMPARE(repo.gitStatus({QStringLiteral("commit-graph"), QStringLiteral("verify")}), 0);
        for (const char* key : {"feature.manyFiles", "fetch.writeCommitGraph"})
            repo.git({QStringLiteral("config"), QString::fromLatin1(key), QStringLiteral("true")});
        repo.git({QStringLiteral("commit-graph"), QStringLiteral("write"),
                  QStringLiteral("--reachable"), QStringLiteral("--changed-paths")});
        test::await(health.reload());
        test::saveLightAndDark(window, QStringLiteral("health-healthy"));
        window->close();
    }

    // Cancel ends the running maintenance task and the rest are not started.
    void optimiseCancels() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        HealthState health{GitService(repo.path())};
        QTemporaryDir folder;
        const QString fake = folder.filePath(QStringLiteral("git"));
        QFile script(fake);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n[ \"$1\" = maintenance ] && sleep 30\nexec /usr/bin/git \"$@\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        GitRunnerConfig config = GitRunnerConfig::current();
        config.gitExecutable = fake;
        GitRunnerConfig::set(config);
        QElapsedTimer timer;
        timer.start();
        auto running = health.optimiseNow();
        QTRY_COMPARE(health.optimiseTask(), optimiseTasks().first());
        health.cancelOptimise();
        QVERIFY(!test::await(std::move(running)));
        GitRunnerConfig::set(GitRunnerConfig{});
        QVERIFY(timer.elapsed() < 25000);
        QCOMPARE(health.optimiseTasksDone(), 0);
        QVERIFY(!health.isOptimising());
        QCOMPARE(LogStore::shared().entries().last().message,
                 QStringLiteral("Optimising cancelled"));
    }

    // In a blobless clone the diff area offers the download instead of the commit's diff.
    void missingContentsOfferADownload() {
        test::RepoFixture server(QStringLiteral("server"));
        server.writeFile(QStringLiteral("a.txt"), "one\n");
        server.commitAll(QStringLiteral("first"));
        server.writeFile(QStringLiteral("a.txt"), "two\n");
        server.commitAll(QStringLiteral("second"));
        server.writeFile(QStringLiteral("a.txt"), "three\n");
        server.commitAll(QStringLiteral("third"));
        server.git({QStringLiteral("config"), QStringLiteral("uploadpack.allowFilter"),
                    QStringLiteral("true")});
        const QString clone = server.siblingPath(QStringLiteral("clone"));
        server.git({QStringLiteral("clone"), QStringLiteral("-q"),
                    QStringLiteral("--filter=blob:none"), QStringLiteral("file://") + server.path(),
                    clone});
        RepositoryState state(
            RepositoryTab{QUuid::createUuid(), clone, QStringLiteral("clone"), std::nullopt});
        test::await(state.refresh());
        RepositoryView view(state);
        installStandardPanes(view, state);
        view.resize(1000, 600);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        auto* bar = view.detailPane()->findChild<QWidget*>(QStringLiteral("missingContentsBar"));
        QVERIFY(bar && !bar->isVisible());
        test::await(state.loadCommitDiff(state.commits().at(1), true));
        QTRY_VERIFY(bar->isVisible());
        test::saveLightAndDark(&view, QStringLiteral("missing-contents"));
        QTest::mouseClick(bar->findChild<QPushButton*>(QStringLiteral("downloadContentsButton")),
                          Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!state.contentsNotDownloaded(), 20000);
        QVERIFY(!bar->isVisible());
        QTRY_VERIFY(state.diffText().contains(QStringLiteral("+two")));
    }
};

QTEST_MAIN(TestStandardPanes)
#include "tst_StandardPanes.moc"
