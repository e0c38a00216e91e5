#include "engine/GitRunnerConfig.h"
#include "engine/GitService.h"
#include "engine/PromptChannel.h"
#include "platform/KeychainHelper.h"
#include "support/AwaitTask.h"
#include "support/CapturedStdout.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"

#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace tolvane;

namespace {

// Awaits a runner call from the test's event loop and returns its text or its error.
std::variant<QString, GitError> outcomeOf(QCoro::Task<QString> task) {
    try {
        return test::await(std::move(task));
    } catch (const GitError& error) {
        return error;
    }
}

std::optional<GitError> staticOutcomeOf(QCoro::Task<> task) {
    try {
        test::await(std::move(task));
        return std::nullopt;
    } catch (const GitError& error) {
        return error;
    }
}

QStringList nulSeparated(const QByteArray& bytes) {
    QStringList items;
    for (const QByteArray& part : bytes.split('\0'))
        items.append(QString::fromUtf8(part));
    if (!items.isEmpty() && items.last().isEmpty())
        items.removeLast();
    return items;
}

} // namespace

class TestGitService : public QObject {
    Q_OBJECT

    test::TestEnvironment m_environment;
    QTemporaryDir m_tools;

    // A stand-in for git: a shell script whose body the test chooses.
    QString standIn(const QString& name, const QByteArray& body) {
        const QString path = m_tools.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write("#!/bin/sh\n" + body + "\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        return path;
    }

    void useGit(const QString& executable) {
        GitRunnerConfig config = GitRunnerConfig::current();
        config.gitExecutable = executable;
        GitRunnerConfig::set(config);
    }

private Q_SLOTS:
    void initTestCase() {
        // The channel links our helper once; this test program must never be started as it.
        GitRunnerConfig config;
        config.helperExecutable = QStringLiteral(TOLVANE_TEST_HELPER);
        GitRunnerConfig::set(config);
        QVERIFY(PromptChannel::instance().isListening());
    }
    void init() { GitRunnerConfig::set(GitRunnerConfig{}); }
    void cleanup() {
        GitRunnerConfig::set(GitRunnerConfig{});
        test::CapturedStdout quiet;
        KeychainHelper::deleteToken();
    }

    void keepsLeadingSpaceAndRemovesTrailingLineFeed() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "one\n");
        repo.commitAll(QStringLiteral("first"));
        repo.writeFile(QStringLiteral("a.txt"), "two\n");
        const auto result = outcomeOf(
            GitService(repo.path()).run({QStringLiteral("status"), QStringLiteral("--porcelain")}));
        QCOMPARE(std::get<QString>(result), QStringLiteral(" M a.txt"));
    }

    void decodesOutput_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("only line breaks") << QByteArray("printf '\\n\\r\\n\\n'") << QString();
        QTest::newRow("tabs kept") << QByteArray("printf '\\tx \\n'") << QStringLiteral("\tx ");
        QTest::newRow("invalid UTF-8 byte kept as an escape")
            << QByteArray("printf 'ok\\377\\n'") << QStringLiteral("ok") + QChar(0xDCFF);
        QTest::newRow("unicode line separator trimmed")
            << QByteArray("printf 'x\\342\\200\\250'") << QStringLiteral("x");
        QTest::newRow("stderr ignored on success")
            << QByteArray("echo warn >&2; echo out") << QStringLiteral("out");
    }
    void decodesOutput() {
        QFETCH(QByteArray, script);
        QFETCH(QString, expected);
        useGit(standIn(QStringLiteral("decode"), script));
        const auto result = outcomeOf(GitService(QDir::tempPath()).run({QStringLiteral("x")}));
        QCOMPARE(std::get<QString>(result), expected);
    }

    void reportsFailures_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("error line of exit 128")
            << QByteArray("printf 'fatal: not a git repository\\n' >&2; exit 128") << 128
            << QStringLiteral("fatal: not a git repository");
        QTest::newRow("exit 1 without error output")
            << QByteArray("exit 1") << 1 << QStringLiteral("Git command failed with exit code 1");
        QTest::newRow("error output not UTF-8 shows the replacement character")
            << QByteArray("printf 'bad \\377\\n' >&2; exit 3") << 3 << QStringLiteral("bad \uFFFD");
        QTest::newRow("blank error output")
            << QByteArray("printf ' \\n\\t\\n' >&2; exit 2") << 2
            << QStringLiteral("Git command failed with exit code 2");
        QTest::newRow("reason printed only on standard output")
            << QByteArray("printf 'Auto-merging a.txt\\nCONFLICT (content): Merge conflict in "
                          "a.txt\\n'; exit 1")
            << 1
            << QStringLiteral("Auto-merging a.txt\nCONFLICT (content): Merge conflict in a.txt");
        QTest::newRow("error output wins over standard output")
            << QByteArray("echo out; echo err >&2; exit 1") << 1 << QStringLiteral("err");
        QTest::newRow("long standard output keeps its last lines")
            << QByteArray("seq 1 100; exit 1") << 1 << []() {
                   QStringList lines;
                   for (int i = 61; i <= 100; ++i)
                       lines.append(QString::number(i));
                   return lines.join(u'\n');
               }();
        QTest::newRow("killed by a signal")
            << QByteArray("kill -9 $$") << 9
            << QStringLiteral("Git command was terminated (signal 9)");
    }
    void reportsFailures() {
        QFETCH(QByteArray, script);
        QFETCH(int, code);
        QFETCH(QString, message);
        useGit(standIn(QStringLiteral("fail"), script));
        const auto result = outcomeOf(GitService(QDir::tempPath()).run({QStringLiteral("x")}));
        const auto& error = std::get<GitError>(result);
        QCOMPARE(error.domain(), QStringLiteral("GitService"));
        QCOMPARE(error.code(), code);
        QCOMPARE(error.message(), message);
    }

    void realGitErrorBecomesMessage() {
        test::RepoFixture repo;
        const auto result =
            outcomeOf(GitService(repo.path())
                          .run({QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                                QStringLiteral("nope")}));
        const auto& error = std::get<GitError>(result);
        QCOMPARE(error.code(), 128);
        QCOMPARE(error.message(), QStringLiteral("fatal: Needed a single revision"));
    }

    void terminatesLocalCommandsAfterTheLimit() {
        GitRunnerConfig config;
        config.gitExecutable = standIn(QStringLiteral("slow"), "exec sleep 5");
        config.localTimeLimit = std::chrono::milliseconds(300);
        GitRunnerConfig::set(config);
        const auto result = outcomeOf(GitService(QDir::tempPath()).run({QStringLiteral("x")}));
        const auto& error = std::get<GitError>(result);
        QCOMPARE(error.code(), 15);
        QCOMPARE(error.message(), QStringLiteral("Git command was terminated (signal 15)"));
    }

    // A command that ignores the terminate request is killed, and so is what it started.
    void endsTheWholeProcessGroup_data() {
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("over the time limit") << false;
        QTest::newRow("cancelled network command") << true;
    }
    void endsTheWholeProcessGroup() {
        QFETCH(bool, cancelled);
        const QString pidFile = m_tools.filePath(QStringLiteral("child.pid"));
        QFile::remove(pidFile);
        GitRunnerConfig config;
        config.gitExecutable =
            standIn(QStringLiteral("stubborn"),
                    "trap '' TERM\nsleep 30 &\necho $! > '" + pidFile.toUtf8() + "'\nwait");
        config.localTimeLimit = std::chrono::milliseconds(300);
        config.terminationGrace = std::chrono::milliseconds(300);
        GitRunnerConfig::set(config);
        GitCancellation cancellation;
        if (cancelled)
            QTimer::singleShot(300, [cancellation] { cancellation.cancel(); });
        const GitService service = GitService(QDir::tempPath()).withCancellation(cancellation);
        const auto result = outcomeOf(service.run({QStringLiteral("fetch")}, cancelled));
        const auto& error = std::get<GitError>(result);
        if (cancelled) {
            QCOMPARE(error.kind(), GitError::Kind::Cancelled);
        } else {
            QCOMPARE(error.code(), 9);
            QCOMPARE(error.message(), QStringLiteral("Git command was terminated (signal 9)"));
        }
        QFile file(pidFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray child = file.readAll().trimmed();
        // Gone, or a zombie waiting for init to reap it.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QFile stat(QStringLiteral("/proc/") + QString::fromLatin1(child) +
                           QStringLiteral("/stat"));
                return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
            }(),
            5000);
    }

    void neverTerminatesNetworkCommands() {
        GitRunnerConfig config;
        config.gitExecutable = standIn(QStringLiteral("slownet"), "sleep 1; echo fetched");
        config.localTimeLimit = std::chrono::milliseconds(200);
        GitRunnerConfig::set(config);
        test::CapturedStdout quiet;
        const auto result =
            outcomeOf(GitService(QDir::tempPath()).run({QStringLiteral("fetch")}, true));
        QCOMPARE(std::get<QString>(result), QStringLiteral("fetched"));
    }

    void networkCommandsAskThroughOurHelperAndCarryNoSecret() {
        const QString folder = PromptChannel::folder();
        QVERIFY(!folder.isEmpty());
        QCOMPARE(QFileInfo(folder).permissions() &
                     (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeGroup |
                      QFileDevice::ExeOther),
                 QFileDevice::Permissions());
        const QString dump = m_tools.filePath(QStringLiteral("dump"));
        useGit(standIn(QStringLiteral("recorder"), "cat /proc/$$/cmdline > \"" + dump.toUtf8() +
                                                       ".cmdline\"\n"
                                                       "cat /proc/$$/environ > \"" +
                                                       dump.toUtf8() + ".environ\""));
        {
            test::CapturedStdout quiet;
            QVERIFY(KeychainHelper::saveToken(QStringLiteral("ghp_secret123")));
        }
        qputenv("TOLVANE_GITHUB_TOKEN", "inherited-value");
        auto readBack = [&](const char* suffix) {
            QFile file(dump + QLatin1String(suffix));
            file.open(QIODevice::ReadOnly);
            return nulSeparated(file.readAll());
        };

        const auto result =
            outcomeOf(GitService(QDir::tempPath())
                          .withPromptSession(QStringLiteral("session-1"))
                          .run({QStringLiteral("push"), QStringLiteral("origin")}, true));
        QVERIFY(std::holds_alternative<QString>(result));
        // The shell's own command line is "/bin/sh <script> <arguments...>".
        const QStringList arguments = readBack(".cmdline").mid(2);
        QCOMPARE(arguments,
                 (QStringList{QStringLiteral("-c"), QStringLiteral("core.quotePath=false"),
                              QStringLiteral("push"), QStringLiteral("origin")}));
        const QStringList environment = readBack(".environ");
        for (const QString& variable : environment)
            QVERIFY2(!variable.contains(QStringLiteral("ghp_secret123")) &&
                         !variable.contains(QStringLiteral("inherited-value")),
                     qPrintable(variable));
        const QString askpass = folder + QStringLiteral("/tolvane-askpass");
        QVERIFY(environment.contains(QStringLiteral("GIT_ASKPASS=") + askpass));
        QVERIFY(environment.contains(QStringLiteral("SSH_ASKPASS=") + askpass));
        QVERIFY(environment.contains(QStringLiteral("SSH_ASKPASS_REQUIRE=force")));
        QVERIFY(environment.contains(QStringLiteral("TOLVANE_PROMPT_SESSION=session-1")));
        QVERIFY(environment.contains(QStringLiteral("GIT_TERMINAL_PROMPT=0")));
        // Our credential helper is one more value of credential.helper, never a reset.
        const qsizetype helperKey = environment.indexOf(
            QRegularExpression(QStringLiteral("^GIT_CONFIG_KEY_\\d+=credential\\.helper$")));
        QVERIFY(helperKey >= 0);
        const QString index = environment.at(helperKey).section(u'=', 0, 0).mid(15);
        QVERIFY(environment.contains(
            QStringLiteral("GIT_CONFIG_VALUE_%1=!'%2/tolvane-credential' --github-origin "
                           "'https://github.com'")
                .arg(index, folder)));
        QCOMPARE(environment.filter(QRegularExpression(QStringLiteral("=credential\\."))).size(),
                 1);

        const auto local = outcomeOf(GitService(QDir::tempPath()).run({QStringLiteral("status")}));
        QVERIFY(std::holds_alternative<QString>(local));
        const QStringList localEnvironment = readBack(".environ");
        QVERIFY(localEnvironment.filter(QStringLiteral("ASKPASS")).isEmpty());
        QVERIFY(localEnvironment.filter(QStringLiteral("credential")).isEmpty());
        QVERIFY(localEnvironment.filter(QStringLiteral("TOLVANE_PROMPT")).isEmpty());
        QVERIFY(localEnvironment.filter(QStringLiteral("TOLVANE_GITHUB")).isEmpty());
        qunsetenv("TOLVANE_GITHUB_TOKEN");
    }

    // A real `git credential fill` with the configuration of a network command: the user's own
    // helper answers first; ours gives the stored token only for the GitHub web origin.
    void credentialFillAsksTheUsersHelpersFirst() {
        {
            test::CapturedStdout quiet;
            QVERIFY(KeychainHelper::saveToken(QStringLiteral("tok-\"quoted\" $HOME")));
        }
        auto fill = [](const QByteArray& input) {
            const ProcessConfiguration configuration =
                GitService::processConfiguration(true, QString());
            QProcess process;
            process.setProgram(QStringLiteral("/usr/bin/git"));
            process.setArguments(configuration.arguments +
                                 QStringList{QStringLiteral("credential"), QStringLiteral("fill")});
            process.setProcessEnvironment(configuration.environment);
            process.start();
            process.write(input);
            process.closeWriteChannel();
            // The channel answers on this thread: keep its events flowing.
            QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000);
            return QString::fromUtf8(process.readAllStandardOutput());
        };
        const QString token = fill("protocol=https\nhost=github.com\n\n");
        QVERIFY2(token.contains(QStringLiteral("username=x-access-token\n")), qPrintable(token));
        QVERIFY2(token.contains(QStringLiteral("password=tok-\"quoted\" $HOME\n")),
                 qPrintable(token));
        // Nobody to ask elsewhere (no session), and the token is not for other hosts.
        const QString other = fill("protocol=https\nhost=example.com\n\n");
        QVERIFY2(!other.contains(QStringLiteral("tok-")), qPrintable(other));

        QFile global(QString::fromLocal8Bit(qgetenv("GIT_CONFIG_GLOBAL")));
        QVERIFY(global.open(QIODevice::Append));
        global.write("[credential]\n\thelper = \"!f() { echo username=mine; echo "
                     "password=my-own; }; f\"\n");
        global.close();
        const QString users = fill("protocol=https\nhost=github.com\n\n");
        QVERIFY2(users.contains(QStringLiteral("username=mine\npassword=my-own\n")),
                 qPrintable(users));
    }

    void runStaticReportsOnlyTheExitCode() {
        QTemporaryDir parent;
        const auto error = staticOutcomeOf(GitService::runStatic(
            {QStringLiteral("clone"), QStringLiteral("/nonexistent/repo.git"), QStringLiteral("x")},
            parent.path(), false));
        QVERIFY(error.has_value());
        QCOMPARE(error->code(), 128);
        QCOMPARE(error->message(), QStringLiteral("Git command failed with exit code 128"));

        useGit(standIn(QStringLiteral("staticsignal"), "kill -15 $$"));
        const auto killed =
            staticOutcomeOf(GitService::runStatic({QStringLiteral("x")}, parent.path(), false));
        QCOMPARE(killed->message(), QStringLiteral("Git command failed with exit code 15"));

        useGit(
            standIn(QStringLiteral("staticargs"), "[ \"$1\" = init ] && [ \"$#\" = 1 ] || exit 4"));
        QVERIFY(!staticOutcomeOf(
            GitService::runStatic({QStringLiteral("init")}, parent.path(), false)));
    }

    void launchFailures() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("plain-file"));
        QFile(file).open(QIODevice::WriteOnly);

        const auto missingDirectory = outcomeOf(
            GitService(dir.filePath(QStringLiteral("missing"))).run({QStringLiteral("status")}));
        QCOMPARE(std::get<GitError>(missingDirectory).kind(), GitError::Kind::Launch);

        const auto fileAsDirectory = outcomeOf(GitService(file).run({QStringLiteral("status")}));
        QCOMPARE(std::get<GitError>(fileAsDirectory).kind(), GitError::Kind::Launch);

        useGit(dir.filePath(QStringLiteral("no-such-git")));
        const auto missingGit = outcomeOf(GitService(dir.path()).run({QStringLiteral("status")}));
        QCOMPARE(std::get<GitError>(missingGit).kind(), GitError::Kind::Launch);
        QVERIFY(!std::get<GitError>(missingGit).message().isEmpty());
        const auto missingStatic =
            staticOutcomeOf(GitService::runStatic({QStringLiteral("init")}, dir.path(), false));
        QCOMPARE(missingStatic->kind(), GitError::Kind::Launch);
    }

    void queriesRunConcurrently() {
        // The first query waits for the second to have run: serialised runs would never see it.
        const QString flag = m_tools.filePath(QStringLiteral("second-ran"));
        QFile::remove(flag);
        useGit(standIn(QStringLiteral("parallel"),
                       "eval last=\\${$#}\n"
                       "if [ \"$last\" = first ]; then i=0\n"
                       "  while [ ! -e '" +
                           flag.toUtf8() +
                           "' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done\n"
                           "  [ -e '" +
                           flag.toUtf8() +
                           "' ] && echo together || echo serialised\n"
                           "else touch '" +
                           flag.toUtf8() + "'; echo second; fi"));
        const GitService service(QDir::tempPath());
        auto first = service.run({QStringLiteral("log"), QStringLiteral("first")});
        auto second = service.run({QStringLiteral("log"), QStringLiteral("second")});
        QCOMPARE(test::await(std::move(first)), QStringLiteral("together"));
        QCOMPARE(test::await(std::move(second)), QStringLiteral("second"));
    }

    void writesToOneWorkingTreeRunOneAtATimeInOrder() {
        // Each write appends its start and end; overlapping or reordered runs would interleave.
        const QString trace = m_tools.filePath(QStringLiteral("trace"));
        QFile::remove(trace);
        useGit(standIn(QStringLiteral("writer"), "eval last=\\${$#}\n"
                                                 "echo \"start $last\" >> '" +
                                                     trace.toUtf8() +
                                                     "'\nsleep 0.2\n"
                                                     "echo \"end $last\" >> '" +
                                                     trace.toUtf8() + "'"));
        const GitService service(QDir::tempPath());
        auto a = service.run({QStringLiteral("add"), QStringLiteral("a")});
        auto b = service.run({QStringLiteral("add"), QStringLiteral("b")});
        auto c = service.run({QStringLiteral("add"), QStringLiteral("c")});
        test::await(std::move(c));
        test::await(std::move(a));
        test::await(std::move(b));
        QFile file(trace);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("start a\nend a\nstart b\nend b\nstart c\nend c\n"));
    }
};

QTEST_GUILESS_MAIN(TestGitService)
#include "tst_GitService.moc"
