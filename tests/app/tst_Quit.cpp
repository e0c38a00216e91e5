// Quitting with work in flight: each scenario runs in a child copy of this program that does what
// main does (event loop, quit, stop git work, destroy the window's objects, return), so that the
// sanitizers watch the real end of a process.
#include "app/AppState.h"
#include "engine/GitRunnerConfig.h"
#include "engine/GitService.h"
#include "github/GitHubService.h"
#include "state/RepositoryState.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>

using namespace tolvane;

namespace {

// A git that hangs on `slowCommand` (ignoring the terminate request, with a child of its own
// whose pid it writes down) and runs the real git otherwise.
QString hangingGit(const QTemporaryDir& tools, const QByteArray& slowCommand) {
    const QString path = tools.filePath(QStringLiteral("git"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\nfor a in \"$@\"; do if [ \"$a\" = " + slowCommand +
               " ]; then trap '' TERM; sleep 60 & echo $! > '" +
               tools.filePath(QStringLiteral("child.pid")).toUtf8() +
               "'; wait; fi; done\nexec /usr/bin/git \"$@\"\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

int runScenario(const QString& scenario, const QString& toolsPath) {
    test::TestEnvironment environment;
    QTemporaryDir tools(toolsPath + QStringLiteral("/XXXXXX"));
    tools.setAutoRemove(false);
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("root"));
    repo.addBareOrigin();

    if (scenario == u"pipe") {
        // An untracked link to a named pipe that nobody writes.
        const QString pipe = tools.filePath(QStringLiteral("pipe"));
        if (::mkfifo(QFile::encodeName(pipe).constData(), 0600) != 0 ||
            !QFile::link(pipe, repo.path() + QStringLiteral("/pipe-link")))
            return 2;
    }

    AppState appState(QStringLiteral("http://127.0.0.1:9"));
    int status = 0;
    QTimer::singleShot(0, [&] {
        if (scenario == u"pipe") {
            // Selected as soon as it is listed, then quit while its diff is being made.
            appState.openRepository(repo.path());
            auto* poll = new QTimer(QCoreApplication::instance());
            QObject::connect(poll, &QTimer::timeout, [&appState, poll] {
                RepositoryState* state = appState.tabs().isEmpty()
                                             ? nullptr
                                             : appState.repositoryState(appState.tabs().first().id);
                for (const FileChange& file :
                     state ? state->allDisplayFiles() : QList<FileChange>{}) {
                    if (file.path == u"pipe-link") {
                        poll->stop();
                        state->loadDiff(file, true);
                        QTimer::singleShot(300, QCoreApplication::instance(),
                                           &QCoreApplication::quit);
                    }
                }
            });
            poll->start(20);
            QTimer::singleShot(20000, [&status] {
                status = 3; // never listed
                QCoreApplication::quit();
            });
            return;
        }
        // Started without awaiting, as the views do.
        if (scenario == u"token") {
            appState.gitHub().createRepository(QStringLiteral("x"), std::nullopt, false, false);
            QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
            return;
        }
        GitRunnerConfig config;
        config.gitExecutable =
            hangingGit(tools, scenario == u"fetch" ? QByteArray("fetch") : QByteArray("status"));
        config.terminationGrace = std::chrono::milliseconds(500);
        GitRunnerConfig::set(config);
        appState.openRepository(repo.path());
        if (scenario == u"fetch") {
            QTimer::singleShot(
                200, [&] { appState.repositoryState(appState.tabs().first().id)->fetch(); });
        }
        QTimer::singleShot(600, QCoreApplication::instance(), &QCoreApplication::quit);
    });
    const int exitCode = QCoreApplication::exec();
    GitService::shutDown();
    return status != 0 ? status : exitCode;
}

} // namespace

class TestQuit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void quitsInOrderWithWorkInFlight_data() {
        QTest::addColumn<QString>("scenario");
        QTest::newRow("during a fetch") << QStringLiteral("fetch");
        QTest::newRow("during a refresh") << QStringLiteral("refresh");
        QTest::newRow("during a token lookup") << QStringLiteral("token");
        QTest::newRow("after selecting a link to a pipe") << QStringLiteral("pipe");
    }
    void quitsInOrderWithWorkInFlight() {
        QFETCH(QString, scenario);
        QTemporaryDir tools;
        QProcess child;
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--scenario"), scenario, tools.path()});
        QVERIFY(child.waitForFinished(60000));
        const QString errors = QString::fromUtf8(child.readAllStandardError());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == 0, qPrintable(errors));
        for (const char* fault : {"AddressSanitizer", "runtime error", "QBasicTimer", "malloc"})
            QVERIFY2(!errors.contains(QLatin1String(fault)), qPrintable(errors));
        // The hung git and what it started are gone, not left behind.
        QVERIFY2(clock.elapsed() < 30000, "the hung command held up the quit");
        const QStringList folders = QDir(tools.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& folder : folders) {
            QFile pidFile(tools.filePath(folder + QStringLiteral("/child.pid")));
            if (!pidFile.open(QIODevice::ReadOnly))
                continue;
            QFile stat(QStringLiteral("/proc/") + QString::fromUtf8(pidFile.readAll().trimmed()) +
                       QStringLiteral("/stat"));
            QVERIFY(!stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z "));
        }
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--scenario")
        return runScenario(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestQuit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Quit.moc"
