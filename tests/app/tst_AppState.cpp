#include "app/AppState.h"
#include "app/commandLine.h"
#include "github/GitHubService.h"
#include "settings/AppSettings.h"
#include "state/CloneState.h"
#include "state/RepositoryState.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
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

// Processes other than this one whose command line mentions `text`.
int processesMentioning(const QString& text) {
    int count = 0;
    const QString self = QString::number(QCoreApplication::applicationPid());
    QDirIterator entries(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QString folder = entries.next();
        if (QFileInfo(folder).fileName() == self)
            continue;
        QFile cmdline(folder + QStringLiteral("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        if (cmdline.readAll().replace('\0', ' ').contains(text.toUtf8()))
            ++count;
    }
    return count;
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
    // A project with folders, two commits and a submodule, served from a bare repository.
    std::unique_ptr<test::RepoFixture> m_project, m_library;
    QString m_projectBare;
    QTemporaryDir m_clones;

    // Clones through the application and waits until the clone's tab is open (or it failed).
    std::optional<QString> cloneAndOpen(AppState& app, const CloneRequest& request) {
        const qsizetype tabsBefore = app.tabs().size();
        std::optional<QString> path = test::await(app.clone().clone(request));
        if (path)
            [&] { QVERIFY(QTest::qWaitFor([&] { return app.tabs().size() > tabsBefore; })); }();
        return path;
    }

    CloneRequest cloneOf(const QString& address, const QString& name) const {
        return CloneRequest{
            .address = address, .parentFolder = m_clones.path(), .folderName = name};
    }

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

        m_library = std::make_unique<test::RepoFixture>(QStringLiteral("library"));
        m_library->writeFile(QStringLiteral("lib.txt"), "library\n");
        m_library->commitAll(QStringLiteral("library"));
        m_project = std::make_unique<test::RepoFixture>(QStringLiteral("project"));
        m_project->writeFile(QStringLiteral("README"), "old\n");
        m_project->writeFile(QStringLiteral("docs/guide.txt"), "guide\n");
        m_project->writeFile(QStringLiteral("src/main.c"), "int main;\n");
        m_project->writeFile(QStringLiteral("tests/t.c"), "test\n");
        m_project->commitAll(QStringLiteral("first"));
        m_project->git({QStringLiteral("submodule"), QStringLiteral("add"), QStringLiteral("-q"),
                        m_library->path(), QStringLiteral("lib")});
        m_project->writeFile(QStringLiteral("README"), "new\n");
        m_project->commitAll(QStringLiteral("second"));
        m_projectBare = m_project->siblingPath(QStringLiteral("project.git"));
        m_project->git({QStringLiteral("clone"), QStringLiteral("-q"), QStringLiteral("--bare"),
                        m_project->path(), m_projectBare});
        // A partial clone needs a server that accepts filters.
        m_project->git({QStringLiteral("config"), QStringLiteral("uploadpack.allowFilter"),
                        QStringLiteral("true")},
                       m_projectBare);
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

    void cloningWithEachOption_data() {
        QTest::addColumn<bool>("fileUrl");
        QTest::addColumn<bool>("blobless");
        QTest::addColumn<bool>("sparse");
        QTest::addColumn<bool>("latestOnly");
        QTest::newRow("plain path, with submodules") << false << false << false << false;
        QTest::newRow("blobless from a plain path") << false << true << false << false;
        QTest::newRow("sparse over file://") << true << false << true << false;
        QTest::newRow("latest commit only") << false << false << false << true;
        QTest::newRow("all at once") << true << true << true << true;
    }

    void cloningWithEachOption() {
        QFETCH(bool, fileUrl);
        QFETCH(bool, blobless);
        QFETCH(bool, sparse);
        QFETCH(bool, latestOnly);
        AppState app;
        const QString name = QStringLiteral("clone %1")
                                 .arg(QString::fromLatin1(QTest::currentDataTag()))
                                 .replace(u'/', u'-');
        CloneRequest request =
            cloneOf(fileUrl ? QUrl::fromLocalFile(m_projectBare).toString() : m_projectBare, name);
        request.blobless = blobless;
        request.sparse = sparse;
        request.latestOnly = latestOnly;
        QStringList offered;
        // A submodule inside a picked folder is checked out, the others are left alone.
        const QStringList picked = latestOnly ? QStringList{"docs", "lib"} : QStringList{"docs"};
        connect(&app.clone(), &CloneState::sparseFolderChoiceChanged, this, [&] {
            if (const auto folders = app.clone().sparseFolderChoice()) {
                offered = *folders;
                app.clone().chooseSparseFolders(picked);
            }
        });
        const std::optional<QString> path = cloneAndOpen(app, request);
        QVERIFY2(path, qPrintable(app.clone().errorMessage().value_or(QString())));
        QCOMPARE(tabNames(app), QStringList{name});
        QCOMPARE(canonical(app.tabs().first().path), canonical(*path));
        QVERIFY(!app.clone().running());
        QCOMPARE(AppSettings::cloneParentFolder(), m_clones.path());
        test::RepoFixture& git = *m_project;
        const QDir clone(*path);

        QCOMPARE(clone.exists(QStringLiteral("README")), true);
        QCOMPARE(
            git.git({QStringLiteral("rev-list"), QStringLiteral("--count"), QStringLiteral("HEAD")},
                    *path),
            latestOnly ? QStringLiteral("1") : QStringLiteral("2"));
        QCOMPARE(clone.exists(QStringLiteral("lib/lib.txt")), !sparse || picked.contains("lib"));
        const QString objects =
            git.git({QStringLiteral("rev-list"), QStringLiteral("--objects"),
                     QStringLiteral("--all"), QStringLiteral("--missing=print")},
                    *path);
        // The first README is a blob no checkout needed: only a blobless clone lacks it.
        const QString oldReadme =
            git.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD~1:README")});
        QCOMPARE(objects.contains(u'?' + oldReadme), blobless && !latestOnly);
        QCOMPARE(objects.contains(QRegularExpression(QStringLiteral("^\\?"),
                                                     QRegularExpression::MultilineOption)),
                 blobless && (!latestOnly || sparse));
        QCOMPARE(clone.exists(QStringLiteral("docs/guide.txt")), true);
        QCOMPARE(clone.exists(QStringLiteral("src/main.c")), !sparse);
        if (sparse) {
            QCOMPARE(offered, (QStringList{"docs", "lib", "src", "tests"}));
            QCOMPARE(git.git({QStringLiteral("sparse-checkout"), QStringLiteral("list")}, *path),
                     picked.join(u'\n'));
        }
        QCOMPARE(git.git({QStringLiteral("status"), QStringLiteral("--porcelain")}, *path),
                 QString());
    }

    void cloneFailuresSayWhatToDoAndLeaveNoFolder_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("error");
        QTest::newRow("folder exists and is not empty")
            << "BARE"
            << "occupied"
            << "The folder “occupied” already exists and is not empty.";
        QTest::newRow("nothing at the address") << "MISSING"
                                                << "nothing"
                                                << "No Git repository was found at this address.";
        QTest::newRow("no repository there") << "PLAIN"
                                             << "plain"
                                             << "No Git repository was found at this address.";
        QTest::newRow("no name") << "BARE"
                                 << ""
                                 << "Enter a name for the new folder";
    }

    void cloneFailuresSayWhatToDoAndLeaveNoFolder() {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QFETCH(QString, error);
        AppState app;
        const QDir parent(m_clones.path());
        QVERIFY(parent.mkpath(QStringLiteral("occupied")));
        QFile kept(parent.filePath(QStringLiteral("occupied/kept.txt")));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.close();
        QTemporaryDir plain;
        address.replace(QStringLiteral("BARE"), m_projectBare)
            .replace(QStringLiteral("MISSING"), m_clones.filePath(QStringLiteral("no-such")))
            .replace(QStringLiteral("PLAIN"), plain.path());
        const QStringList before = parent.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY(!test::await(app.clone().clone(cloneOf(address, name))));
        const QString message = app.clone().errorMessage().value_or(QString());
        QVERIFY2(message.startsWith(error), qPrintable(message));
        QVERIFY(!message.contains(u'\n'));
        QVERIFY(!app.clone().running());
        QVERIFY(app.tabs().isEmpty());
        QCOMPARE(parent.entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QVERIFY(QFileInfo::exists(kept.fileName()));
    }

    void cancellingHalfwayLeavesNoFolderAndNoProcess() {
        // Incompressible contents big enough that the transfer is still running when cancelled.
        test::RepoFixture big(QStringLiteral("big-project"));
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (int i = 0; i < 120; ++i) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()),
                                                  block.size() / 4);
            big.writeFile(QStringLiteral("data/%1.bin").arg(i), block);
        }
        big.commitAll(QStringLiteral("large"));
        big.git(
            {QStringLiteral("config"), QStringLiteral("pack.compression"), QStringLiteral("0")});
        const QString name =
            QStringLiteral("cancelled-clone-%1").arg(QCoreApplication::applicationPid());
        AppState app;
        CloneState& clone = app.clone();
        auto task = clone.clone(cloneOf(QUrl::fromLocalFile(big.path()).toString(), name));
        QVERIFY(clone.running());
        QVERIFY(QTest::qWaitFor(
            [&] {
                return !clone.running() ||
                       (clone.progress() &&
                        clone.progress()->phase == TransferProgress::Phase::Receiving);
            },
            60000));
        QVERIFY2(clone.running(), "the clone ended before it could be cancelled");
        QVERIFY(QFileInfo::exists(m_clones.filePath(name)));
        clone.cancel();
        QVERIFY(!test::await(std::move(task)));
        QVERIFY(!clone.running());
        QVERIFY(!clone.errorMessage());
        QVERIFY(!QFileInfo::exists(m_clones.filePath(name)));
        QCOMPARE(processesMentioning(name), 0);
        QCOMPARE(processesMentioning(big.path()), 0);
        QVERIFY(app.tabs().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAppState)
#include "tst_AppState.moc"
