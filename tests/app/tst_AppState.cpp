#include "app/AppState.h"
#include "app/commandLine.h"
#include "github/GitHubService.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace tolvane;

namespace {

QString canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

QStringList tabNames(const AppState& app) {
    QStringList names;
    for (const RepositoryTab& tab : app.tabs())
        names.append(tab.name);
    return names;
}

QStringList savedPaths() {
    QStringList paths;
    for (const QByteArray& grant :
         AppSettings::savedRepositoryBookmarks().value_or(QList<QByteArray>{}))
        paths.append(QString::fromUtf8(grant));
    return paths;
}

QString activeName(const AppState& app) {
    const auto tab = app.activeTab();
    return tab ? tab->name : QString();
}

} // namespace

class TestAppState : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;
    // Three small repositories named so that their tabs read A, B, C.
    std::unique_ptr<test::RepoFixture> m_a, m_b, m_c;

    void openAll(AppState& app) {
        for (test::RepoFixture* repo : {m_a.get(), m_b.get(), m_c.get()})
            test::await(app.openRepository(repo->path()));
        QCOMPARE(tabNames(app), (QStringList{"A", "B", "C"}));
    }

private Q_SLOTS:
    void initTestCase() {
        m_a = std::make_unique<test::RepoFixture>(QStringLiteral("A"));
        m_b = std::make_unique<test::RepoFixture>(QStringLiteral("B"));
        m_c = std::make_unique<test::RepoFixture>(QStringLiteral("C"));
        for (test::RepoFixture* repo : {m_a.get(), m_b.get(), m_c.get()}) {
            repo->writeFile(QStringLiteral("sub/dir/file.txt"), "content\n");
            repo->commitAll(QStringLiteral("first"));
        }
    }

    void init() {
        AppSettings::remove(SettingsKey::savedRepositoryBookmarks);
        AppSettings::remove(SettingsKey::lastActiveRepositoryPath);
        AppSettings::remove(SettingsKey::hasGitHubToken);
        AppSettings::remove(SettingsKey::gitHubUsername);
    }

    void openingNormalisesToTheTopLevelAndReusesTabs() {
        AppState app;
        QSignalSpy added(&app, &AppState::repositoryStateAdded);
        test::await(app.openRepository(m_a->path() + QStringLiteral("/sub/dir")));
        QCOMPARE(app.tabs().size(), 1);
        const RepositoryTab tab = app.tabs().first();
        QCOMPARE(canonical(tab.path), canonical(m_a->path()));
        QCOMPARE(tab.name, QStringLiteral("A"));
        // The grant is the folder the user chose, so that it is what comes back next launch.
        QCOMPARE(QString::fromUtf8(tab.bookmarkData.value()), m_a->path() + "/sub/dir");
        QCOMPARE(app.activeTabId(), tab.id);
        QCOMPARE(added.size(), 1);
        RepositoryState* state = app.repositoryState(tab.id);
        QVERIFY(state);
        QCOMPARE(state->parent(), &app);
        QCOMPARE(state->currentBranch(), QStringLiteral("main")); // refreshed before returning
        QCOMPARE(savedPaths(), QStringList{m_a->path() + "/sub/dir"});
        QCOMPARE(AppSettings::lastActiveRepositoryPath(), tab.path);

        test::await(app.openRepository(m_b->path()));
        QCOMPARE(activeName(app), QStringLiteral("B"));

        // Same folder again, its top level through another subfolder, and a spelling with a
        // trailing slash: each activates the existing tab.
        test::await(app.openRepository(m_a->path() + QStringLiteral("/sub")));
        QCOMPARE(app.tabs().size(), 2);
        QCOMPARE(activeName(app), QStringLiteral("A"));
        test::await(app.openRepository(m_b->path() + QStringLiteral("/")));
        QCOMPARE(app.tabs().size(), 2);
        QCOMPARE(activeName(app), QStringLiteral("B"));
        QCOMPARE(AppSettings::lastActiveRepositoryPath(), app.activeTab()->path);
        QVERIFY(!app.errorMessage());
        QCOMPARE(added.size(), 2);
    }

    void openingTheSameFolderTwiceAtOnceGivesOneTab() {
        AppState app;
        auto first = app.openRepository(m_c->path());
        auto second = app.openRepository(m_c->path());
        test::await(std::move(first));
        test::await(std::move(second));
        QCOMPARE(tabNames(app), QStringList{"C"});
    }

    void aFolderThatIsNoRepositoryIsRefused() {
        AppState app;
        test::await(app.openRepository(m_a->path()));
        QTemporaryDir plain;
        const QStringList refused{plain.path(), plain.path() + QStringLiteral("/missing"),
                                  m_a->path() + QStringLiteral("/.git"), QString()};
        for (const QString& path : refused) {
            app.setErrorMessage(std::nullopt);
            test::await(app.openRepository(path));
            QCOMPARE(app.errorMessage(), QStringLiteral("Not a valid Git repository."));
            QCOMPARE(tabNames(app), QStringList{"A"});
            QCOMPARE(activeName(app), QStringLiteral("A"));
        }
        QCOMPARE(savedPaths(), QStringList{m_a->path()});

        // A repository git refuses to read (owned by someone else, under its safe.directory
        // rule) shows git's own explanation, as plain git prints it. git's test switch stands
        // in for a folder of another owner.
        qputenv("GIT_TEST_ASSUME_DIFFERENT_OWNER", "1");
        const auto restore = qScopeGuard([] { qunsetenv("GIT_TEST_ASSUME_DIFFERENT_OWNER"); });
        QProcess plainGit;
        plainGit.setWorkingDirectory(m_b->path());
        plainGit.start(QStringLiteral("/usr/bin/git"),
                       {QStringLiteral("rev-parse"), QStringLiteral("--is-inside-work-tree")});
        plainGit.waitForFinished(-1);
        const QString explanation = QString::fromUtf8(plainGit.readAllStandardError()).trimmed();
        QVERIFY2(explanation.contains(QStringLiteral("safe.directory")), qPrintable(explanation));
        test::await(app.openRepository(m_b->path()));
        QCOMPARE(app.errorMessage(), explanation);
        QCOMPARE(tabNames(app), QStringList{"A"});
    }

    void closingActivatesTheNeighbour() {
        AppState app;
        openAll(app);
        QSignalSpy removed(&app, &AppState::repositoryStateRemoved);
        const RepositoryTab a = app.tabs()[0], b = app.tabs()[1], c = app.tabs()[2];
        QPointer<RepositoryState> cState = app.repositoryState(c.id);

        app.selectTab(b);
        app.closeTab(b); // the right-hand neighbour takes over
        QCOMPARE(tabNames(app), (QStringList{"A", "C"}));
        QCOMPARE(activeName(app), QStringLiteral("C"));
        QCOMPARE(removed.size(), 1);
        QVERIFY(!app.repositoryState(b.id));

        app.closeTab(c); // the active last tab: the new last one takes over
        QCOMPARE(activeName(app), QStringLiteral("A"));
        QCOMPARE(savedPaths(), QStringList{m_a->path()});
        QTRY_VERIFY(!cState); // the state goes with its tab

        app.closeTab(c); // unknown now: nothing happens
        QCOMPARE(tabNames(app), QStringList{"A"});
        app.closeTab(a);
        QVERIFY(app.tabs().isEmpty());
        QVERIFY(!app.activeTabId());
        QVERIFY(!app.activeRepositoryState());
        QCOMPARE(savedPaths(), QStringList{});
        // No tab is active, so the last active path stays what it was.
        QCOMPARE(AppSettings::lastActiveRepositoryPath(), a.path);
    }

    void closingAnInactiveTabKeepsTheActiveOne() {
        AppState app;
        openAll(app);
        app.closeTab(app.tabs()[0]);
        QCOMPARE(activeName(app), QStringLiteral("C"));
    }

    void movingReordersAndSaves() {
        AppState app;
        openAll(app);
        const QUuid a = app.tabs()[0].id, c = app.tabs()[2].id;
        app.moveTab(a, c);
        QCOMPARE(tabNames(app), (QStringList{"B", "C", "A"}));
        QCOMPARE(savedPaths(), (QStringList{m_b->path(), m_c->path(), m_a->path()}));

        AppState other;
        openAll(other);
        other.moveTab(other.tabs()[2].id, other.tabs()[0].id);
        QCOMPARE(tabNames(other), (QStringList{"C", "A", "B"}));
        QCOMPARE(savedPaths(), (QStringList{m_c->path(), m_a->path(), m_b->path()}));

        QSignalSpy changed(&other, &AppState::tabsChanged);
        other.moveTab(a, a);
        other.moveTab(QUuid::createUuid(), other.tabs()[0].id);
        QCOMPARE(changed.size(), 0);
    }

    void cyclingWrapsAndNeedsTwoTabs() {
        AppState app;
        test::await(app.openRepository(m_a->path()));
        app.selectNextTab();
        app.selectPreviousTab();
        QCOMPARE(activeName(app), QStringLiteral("A"));

        test::await(app.openRepository(m_b->path()));
        test::await(app.openRepository(m_c->path()));
        const QString saved = AppSettings::lastActiveRepositoryPath().value();
        app.selectNextTab(); // last → first
        QCOMPARE(activeName(app), QStringLiteral("A"));
        app.selectPreviousTab(); // first → last
        QCOMPARE(activeName(app), QStringLiteral("C"));
        app.selectPreviousTab();
        QCOMPARE(activeName(app), QStringLiteral("B"));
        // Switching this way neither saves nor refreshes.
        QCOMPARE(AppSettings::lastActiveRepositoryPath(), saved);

        app.setActiveTabId(QUuid::createUuid());
        app.selectNextTab();
        QVERIFY(!app.activeTab());
    }

    void selectingSavesAndRefreshes() {
        AppState app;
        openAll(app);
        RepositoryState* a = app.repositoryState(app.tabs()[0].id);
        m_a->writeFile(QStringLiteral("new.txt"), "x\n");
        app.selectTab(app.tabs()[0]);
        QCOMPARE(AppSettings::lastActiveRepositoryPath(), m_a->path());
        QTRY_COMPARE(a->changes().size(), 1);
        QFile::remove(m_a->path() + QStringLiteral("/new.txt"));

        // A tab that is not open any more is not selected.
        const RepositoryTab stale{QUuid::createUuid(), m_b->path(), QStringLiteral("B"), {}};
        app.selectTab(stale);
        QCOMPARE(activeName(app), QStringLiteral("A"));
    }

    void restoringReopensTabsInOrder() {
        {
            AppState app;
            openAll(app);
            app.selectTab(app.tabs()[1]);
        }
        AppState restored;
        QVERIFY(restored.tabs().isEmpty()); // nothing before restoreTabs
        // Each tab's first refresh completes before the next tab appears.
        QStringList branchesWhenAdded;
        connect(&restored, &AppState::tabsChanged, this, [&] {
            if (restored.tabs().size() > 1) {
                const RepositoryTab previous = restored.tabs()[restored.tabs().size() - 2];
                branchesWhenAdded.append(restored.repositoryState(previous.id)->currentBranch());
            }
        });
        test::await(restored.restoreTabs());
        QCOMPARE(tabNames(restored), (QStringList{"A", "B", "C"}));
        QCOMPARE(activeName(restored), QStringLiteral("B"));
        QCOMPARE(branchesWhenAdded, (QStringList{"main", "main"}));
        QCOMPARE(restored.repositoryState(restored.tabs()[2].id)->currentBranch(), "main");

        AppSettings::remove(SettingsKey::lastActiveRepositoryPath);
        AppState withoutLastActive;
        test::await(withoutLastActive.restoreTabs());
        QCOMPARE(activeName(withoutLastActive), QStringLiteral("A"));
    }

    void restoringSkipsVanishedFoldersAndSavesNothing() {
        test::RepoFixture gone(QStringLiteral("Gone"));
        test::RepoFixture unmade(QStringLiteral("Unmade"));
        {
            AppState app;
            test::await(app.openRepository(m_a->path()));
            test::await(app.openRepository(gone.path()));
            test::await(app.openRepository(unmade.path()));
            test::await(app.openRepository(m_c->path()));
            app.selectTab(app.tabs()[1]);
        }
        const QList<QByteArray> stored = AppSettings::savedRepositoryBookmarks().value();
        QVERIFY(QDir(gone.path()).removeRecursively());
        QVERIFY(QDir(unmade.path() + QStringLiteral("/.git")).removeRecursively());

        AppState restored;
        test::await(restored.restoreTabs());
        QCOMPARE(tabNames(restored), (QStringList{"A", "C"}));
        // The last active folder is gone, so the first restored tab is active.
        QCOMPARE(activeName(restored), QStringLiteral("A"));
        QVERIFY(!restored.errorMessage());
        // Restoring rewrote nothing: the dead grants stay until the next save.
        QCOMPARE(AppSettings::savedRepositoryBookmarks().value(), stored);
        QCOMPARE(AppSettings::lastActiveRepositoryPath(), gone.path());
    }

    void aChangeDuringRestoreIsSavedAfterwardsWithEveryTab() {
        {
            AppState app;
            openAll(app);
        }
        AppState restored;
        connect(&restored, &AppState::tabsChanged, this, [&] {
            if (restored.tabs().size() == 1)
                restored.selectTab(restored.tabs().first());
        });
        auto restore = restored.restoreTabs();
        QVERIFY(restored.isRestoring());
        // Saving now would drop B and C from the stored list.
        QCOMPARE(savedPaths(), (QStringList{m_a->path(), m_b->path(), m_c->path()}));
        test::await(std::move(restore));
        QVERIFY(!restored.isRestoring());
        QCOMPARE(savedPaths(), (QStringList{m_a->path(), m_b->path(), m_c->path()}));
        // C was last active, so restoring C activated it after the user's choice of A.
        QCOMPARE(activeName(restored), QStringLiteral("C"));
        QCOMPARE(AppSettings::lastActiveRepositoryPath().value(), restored.activeTab()->path);
    }

    void restoringAToplevelGrantOfASubfolder() {
        {
            AppState app;
            test::await(app.openRepository(m_b->path() + QStringLiteral("/sub")));
            test::await(app.openRepository(m_b->path())); // same top level: no second grant
        }
        AppState restored;
        test::await(restored.restoreTabs());
        QCOMPARE(tabNames(restored), QStringList{"B"});
        QCOMPARE(canonical(restored.tabs().first().path), canonical(m_b->path()));
        QCOMPARE(activeName(restored), QStringLiteral("B"));
    }

    void damagedSettingsRestoreNothing() {
        const QList<QVariant> damaged{QVariant(QStringLiteral("not a list")),
                                      QVariant(QVariantList{m_a->path().toUtf8(), 42}),
                                      QVariant(QStringList{m_a->path()}), QVariant(17)};
        for (const QVariant& value : damaged) {
            AppSettings::setRawValue(SettingsKey::savedRepositoryBookmarks, value);
            AppSettings::setRawValue(SettingsKey::lastActiveRepositoryPath, QVariantList{1, 2});
            AppState app;
            test::await(app.restoreTabs());
            QVERIFY(app.tabs().isEmpty());
            QVERIFY(!app.activeTabId());
        }
        // Grants that are bytes but no folder path are skipped one by one.
        AppSettings::setRawValue(
            SettingsKey::savedRepositoryBookmarks,
            QVariantList{QByteArray("\xff\xfe", 2), QByteArray(), m_c->path().toUtf8()});
        AppState app;
        test::await(app.restoreTabs());
        QCOMPARE(tabNames(app), QStringList{"C"});
    }

    void aRepositoryRemovedWhileOpenKeepsTheOtherTabs() {
        test::RepoFixture doomed(QStringLiteral("Doomed"));
        doomed.writeFile(QStringLiteral("f"), "x\n");
        doomed.commitAll(QStringLiteral("one"));
        AppState app;
        test::await(app.openRepository(m_a->path()));
        test::await(app.openRepository(doomed.path()));
        const QString renamed = doomed.siblingPath(QStringLiteral("Renamed"));
        QVERIFY(QDir().rename(doomed.path(), renamed));
        test::await(app.refreshActiveTab());
        QCOMPARE(tabNames(app), (QStringList{"A", "Doomed"}));
        app.closeTab(app.tabs()[1]);
        QCOMPARE(activeName(app), QStringLiteral("A"));
        QVERIFY(QDir().rename(renamed, doomed.path()));
    }

    void gitHubSummary() {
        AppSettings::setHasGitHubToken(true);
        AppSettings::setGitHubUsername(QStringLiteral("octocat"));
        AppState app;
        QVERIFY(app.hasGitHubToken());
        QCOMPARE(app.gitHubUsername(), QStringLiteral("octocat"));
        QCOMPARE(app.gitHub().baseURL(), QStringLiteral("https://api.github.com"));

        app.saveGitHubCredentials(std::nullopt); // signing out
        QVERIFY(!app.hasGitHubToken());
        QVERIFY(!app.gitHubUsername());
        QVERIFY(!AppSettings::rawValue(SettingsKey::gitHubUsername).isValid());
        QCOMPARE(AppSettings::rawValue(SettingsKey::hasGitHubToken).toBool(), false);
        QVERIFY(AppSettings::rawValue(SettingsKey::hasGitHubToken).isValid());

        app.saveGitHubCredentials(QStringLiteral("hubber"));
        AppState again;
        QVERIFY(again.hasGitHubToken());
        QCOMPARE(again.gitHubUsername(), QStringLiteral("hubber"));

        AppSettings::setRawValue(SettingsKey::hasGitHubToken, QVariantList{1});
        AppState damaged;
        QVERIFY(!damaged.hasGitHubToken());
    }

    void commandLineOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("text");
        using Action = CommandLineRequest::Action;
        QTest::newRow("help") << QStringList{"tolvane", "--help"} << int(Action::ShowHelp)
                              << "Usage: tolvane [options] [PATH...]\n";
        QTest::newRow("short help beside an unknown option")
            << QStringList{"tolvane", "-platform", "x", "-h"} << int(Action::ShowHelp)
            << "Usage: tolvane [options] [PATH...]\n";
        QTest::newRow("version") << QStringList{"tolvane", "x", "--version"}
                                 << int(Action::ShowVersion) << "Tolvane 1.2.3\n";
        QTest::newRow("unknown option")
            << QStringList{"tolvane", "--frobnicate"} << int(Action::Fail)
            << "tolvane: Unknown option 'frobnicate'.\n";
    }

    void commandLineOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, text);
        const CommandLineRequest request =
            parseCommandLine(arguments, QStringLiteral("/"), QStringLiteral("1.2.3"));
        QCOMPARE(int(request.action), action);
        QVERIFY2(request.text.startsWith(text), qPrintable(request.text));
        QVERIFY(request.paths.isEmpty());
    }

    // Paths given at start-up open after the saved tabs, through the same checks as the open
    // panel; each one that cannot be opened is named in the alert.
    void commandLinePaths_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("tabs");
        QTest::addColumn<QString>("error");
        QTest::newRow("no path") << QStringList{} << QStringList{} << QStringList{"C"} << QString();
        // Relative to the working folder (B), cleaned, "file:" URLs taken as paths.
        QTest::newRow("two paths")
            << QStringList{"file://$A", "sub/dir/.."} << QStringList{"$A", "$B/sub"}
            << QStringList{"C", "A", "B"} << QString();
        QTest::newRow("a file inside a repository")
            << QStringList{"$A/sub/dir/file.txt"} << QStringList{"$A/sub/dir/file.txt"}
            << QStringList{"C", "A"} << QString();
        QTest::newRow("an open repository again")
            << QStringList{"$C/sub"} << QStringList{"$C/sub"} << QStringList{"C"} << QString();
        QTest::newRow("a missing path")
            << QStringList{"$A/missing", "$A"} << QStringList{"$A/missing", "$A"}
            << QStringList{"C", "A"} << "Cannot open “$A/missing”: No such file or folder.";
        QTest::newRow("a non-repository") << QStringList{"$PLAIN", "$A/.git"}
                                          << QStringList{"$PLAIN", "$A/.git"} << QStringList{"C"}
                                          << "Cannot open “$PLAIN”: Not a valid Git repository.\n"
                                             "Cannot open “$A/.git”: Not a valid Git repository.";
    }

    void commandLinePaths() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, paths);
        QFETCH(QStringList, tabs);
        QFETCH(QString, error);
        QTemporaryDir plain;
        const auto expand = [&](QString text) {
            return text.replace("$PLAIN", plain.path())
                .replace("$A", m_a->path())
                .replace("$B", m_b->path())
                .replace("$C", m_c->path());
        };
        QStringList expanded{QStringLiteral("tolvane")};
        for (const QString& argument : arguments)
            expanded.append(expand(argument));
        const CommandLineRequest request =
            parseCommandLine(expanded, m_b->path(), QStringLiteral("1.2.3"));
        QCOMPARE(int(request.action), int(CommandLineRequest::Action::Run));
        QStringList expectedPaths;
        for (const QString& path : paths)
            expectedPaths.append(expand(path));
        QCOMPARE(request.paths, expectedPaths);

        {
            AppState previous;
            test::await(previous.openRepository(m_c->path()));
        }
        AppState app;
        auto restore = app.restoreTabs();
        // Given while the saved tab is still being restored: they wait for it.
        auto open = app.openPaths(request.paths);
        QVERIFY(app.tabs().isEmpty());
        test::await(std::move(restore));
        test::await(std::move(open));
        QCOMPARE(tabNames(app), tabs);
        QCOMPARE(activeName(app), tabs.last());
        QCOMPARE(app.errorMessage().value_or(QString()), expand(error));
        if (tabs.contains("A"))
            QCOMPARE(canonical(app.tabs()[1].path), canonical(m_a->path()));
    }

    void theOpenPanelGoesThroughTheChooser() {
        AppState app;
        QStringList titles;
        std::optional<QString> answer;
        app.setFolderChooser([&](const QString& title) {
            titles.append(title);
            return answer;
        });
        test::await(app.showOpenPanel()); // cancelled
        QVERIFY(app.tabs().isEmpty());
        answer = m_b->path();
        test::await(app.showOpenPanel());
        QCOMPARE(tabNames(app), QStringList{"B"});
        QCOMPARE(titles, (QStringList{"Choose a Git Repository", "Choose a Git Repository"}));
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_AppState.moc"
