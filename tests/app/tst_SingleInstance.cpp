// One running copy per session: the second launch is the real program, started on a private
// session bus of this test's own (never the developer's), handing its paths to this process.
#include "app/AppState.h"
#include "platform/SingleInstance.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace tolvane;

namespace {

const QString applicationId = QStringLiteral("org.tolvane.Tolvane");

QString program() {
    return qEnvironmentVariable("TOLVANE_BUILD_DIR") + QStringLiteral("/tolvane");
}

QStringList tabNames(const AppState& app) {
    QStringList names;
    for (const RepositoryTab& tab : app.tabs())
        names.append(tab.name);
    return names;
}

// The program with its settings in `configHome`, so that a test sees whether it wrote any.
void startProgram(QProcess& process, const QStringList& arguments, const QString& configHome,
                  const QString& busAddress = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!busAddress.isEmpty())
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program(), arguments);
}

QString settingsFile(const QString& configHome) {
    return configHome + QStringLiteral("/Tolvane/Tolvane.conf");
}

} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;
    QProcess m_bus;
    std::unique_ptr<test::RepoFixture> m_a, m_b;

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QFile::exists(program()), qPrintable(program()));
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--print-address=1")});
        QVERIFY(m_bus.waitForReadyRead(10000));
        // Before anything in this process connects to a session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.readLine().trimmed());

        m_a = std::make_unique<test::RepoFixture>(QStringLiteral("A"));
        m_b = std::make_unique<test::RepoFixture>(QStringLiteral("B"));
        for (test::RepoFixture* repo : {m_a.get(), m_b.get()}) {
            repo->writeFile(QStringLiteral("sub/file.txt"), "content\n");
            repo->commitAll(QStringLiteral("first"));
        }
    }

    void cleanupTestCase() {
        m_bus.terminate();
        m_bus.waitForFinished();
    }

    void aSecondLaunchHandsItsPathsToTheFirst() {
        SingleInstance first(applicationId);
        QCOMPARE(first.start({}), SingleInstance::Role::Primary);
        AppState app;
        QSignalSpy requests(&first, &SingleInstance::activationRequested);
        connect(&first, &SingleInstance::activationRequested, &app,
                [&app](const QStringList& paths) { app.openPaths(paths); });

        // Relative to the second launch's own working folder, and a file inside a repository.
        QTemporaryDir configHome;
        QProcess second;
        second.setWorkingDirectory(m_b->path());
        startProgram(second, {m_a->path(), QStringLiteral("sub/file.txt")}, configHome.path());
        QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 60000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0][0].toStringList(),
                 (QStringList{m_a->path(), m_b->path() + QStringLiteral("/sub/file.txt")}));
        QTRY_COMPARE_WITH_TIMEOUT(tabNames(app), (QStringList{"A", "B"}), 20000);
        QVERIFY(!app.errorMessage());
        // It handed over before touching any setting.
        QVERIFY(!QFile::exists(settingsFile(configHome.path())));

        // A bare launch only asks for the window.
        QProcess bare;
        startProgram(bare, {}, configHome.path());
        QTRY_COMPARE_WITH_TIMEOUT(bare.state(), QProcess::NotRunning, 60000);
        QCOMPARE(bare.exitCode(), 0);
        QCOMPARE(requests.size(), 2);
        QVERIFY(requests[1][0].toStringList().isEmpty());

        // A bad path is the first copy's to report; the launch that named it still succeeds.
        QProcess missing;
        startProgram(missing, {QStringLiteral("/no/such/folder")}, configHome.path());
        QTRY_COMPARE_WITH_TIMEOUT(missing.state(), QProcess::NotRunning, 60000);
        QCOMPARE(missing.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(app.errorMessage().value_or(QString()),
                                  QStringLiteral("Cannot open “/no/such/folder”: No such file "
                                                 "or folder."),
                                  20000);
        QVERIFY(!QFile::exists(settingsFile(configHome.path())));
    }

    void theNameIsFreeAgainOnceTheFirstEnds() {
        {
            SingleInstance first(applicationId);
            QCOMPARE(first.start({}), SingleInstance::Role::Primary);
        }
        SingleInstance next(applicationId);
        QCOMPARE(next.start({}), SingleInstance::Role::Primary);
    }

    void withoutABusEveryLaunchRunsAlone() {
        // This process owns the name on its bus; a launch that sees no bus runs anyway.
        SingleInstance first(applicationId);
        QCOMPARE(first.start({}), SingleInstance::Role::Primary);
        QSignalSpy requests(&first, &SingleInstance::activationRequested);

        QTemporaryDir configHome;
        QProcess alone;
        startProgram(alone, {m_a->path()}, configHome.path(),
                     QStringLiteral("unix:path=") + configHome.filePath(QStringLiteral("no-bus")));
        QVERIFY(alone.waitForStarted());
        const auto savedGrants = [&] {
            QSettings settings(settingsFile(configHome.path()), QSettings::IniFormat);
            return settings.value(QStringLiteral("savedRepositoryBookmarks")).toList();
        };
        // It opened its path as a tab and saved it: a whole start, not a hand-over.
        QTRY_VERIFY_WITH_TIMEOUT(savedGrants().contains(m_a->path().toUtf8()), 60000);
        QCOMPARE(alone.state(), QProcess::Running);
        QCOMPARE(requests.size(), 0);
        alone.terminate();
        QVERIFY(alone.waitForFinished(20000));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_SingleInstance.moc"
