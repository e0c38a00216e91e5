#include "StateTestSupport.h"
#include "platform/CredentialStore.h"
#include "state/CloneState.h"
#include "state/CredentialPrompts.h"
#include "support/AwaitTask.h"
#include "support/SmartHttpServer.h"
#include "support/SshServer.h"
#include "support/TestEnvironment.h"

#include <QDirIterator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

namespace {

using Kind = CredentialPrompt::Kind;

// Processes other than this one whose command line mentions `text` (the test's own ssh
// configuration).
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
        QByteArray line = cmdline.readAll();
        line.replace('\0', ' ');
        if (line.contains(text.toUtf8()))
            ++count;
    }
    return count;
}

} // namespace

// Network commands against a real sshd and a real smart-HTTP server with basic authentication:
// every question reaches the tab's prompt object through our askpass and credential helper, and
// the test answers it there as the dialog would. Runs inside scripts/in-keyring.sh.
class TestRepositoryStateRemoteAuthentication : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;
    QTemporaryDir m_root;
    QTemporaryDir m_runtime;
    std::unique_ptr<SshServer> m_ssh;
    QString m_key;
    QString m_sshConfig;
    QString m_knownHosts;

    QString writeSshConfig(bool useAgent) {
        QFile file(m_sshConfig);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write("Host *\n  UserKnownHostsFile " + m_knownHosts.toUtf8() +
                   "\n  GlobalKnownHostsFile /dev/null\n  IdentityFile " + m_key.toUtf8() +
                   "\n  IdentitiesOnly yes\n  StrictHostKeyChecking ask\n  UpdateHostKeys no\n"
                   "  PasswordAuthentication no\n  KbdInteractiveAuthentication no\n"
                   "  LogLevel ERROR\n" +
                   (useAgent ? QByteArray() : QByteArray("  IdentityAgent none\n")));
        return m_sshConfig;
    }

    // A clone-like repository whose origin is the bare one over ssh.
    std::unique_ptr<RepoFixture> sshRepository() {
        auto repo = std::make_unique<RepoFixture>();
        repo->writeFile(QStringLiteral("f.txt"), "1\n");
        repo->commitAll(QStringLiteral("root"));
        const QString bare = m_root.filePath(QStringLiteral("ssh-origin.git"));
        if (!QFileInfo::exists(bare)) {
            repo->git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"),
                       QStringLiteral("-b"), QStringLiteral("main"), bare});
            repo->git(
                {QStringLiteral("push"), QStringLiteral("-q"), bare, QStringLiteral("main:main")});
        }
        repo->git({QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("origin"),
                   m_ssh->url(bare)});
        repo->git({QStringLiteral("config"), QStringLiteral("core.sshCommand"),
                   QStringLiteral("ssh -F ") + m_sshConfig});
        return repo;
    }

    // Writes the key the server shows now into the known hosts, as a first contact would.
    void trustCurrentHostKey() {
        QProcess scan;
        scan.start(QStringLiteral("/usr/bin/ssh-keyscan"),
                   {QStringLiteral("-p"), QString::number(m_ssh->port()), QStringLiteral("-t"),
                    QStringLiteral("ed25519"), QStringLiteral("127.0.0.1")});
        QVERIFY(scan.waitForFinished(20000));
        QFile known(m_knownHosts);
        QVERIFY(known.open(QIODevice::WriteOnly));
        known.write(scan.readAllStandardOutput());
    }

    // Runs a command that must ask nothing; a question is cancelled and fails the test.
    static bool finishesWithoutQuestions(QCoro::Task<> task, CredentialPrompts& prompts) {
        bool done = false;
        auto watched = [](QCoro::Task<> inner, bool& flag) -> QCoro::Task<> {
            co_await std::move(inner);
            flag = true;
        }(std::move(task), done);
        QTest::qWaitFor([&] { return done || prompts.prompt().has_value(); }, 60000);
        if (done)
            return true;
        if (prompts.prompt())
            qWarning("asked: %s", qPrintable(prompts.prompt()->title));
        prompts.cancel();
        await(std::move(watched));
        return false;
    }

    static bool waitForPrompt(CredentialPrompts& prompts, Kind kind) {
        return QTest::qWaitFor(
            [&] { return prompts.prompt().has_value() && prompts.prompt()->kind == kind; }, 30000);
    }

private Q_SLOTS:
    void initTestCase() {
        // An agent or askpass of the machine running the tests must not answer for the dialog.
        qunsetenv("SSH_AUTH_SOCK");
        qunsetenv("SSH_ASKPASS");
        qunsetenv("GIT_ASKPASS");
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        GitRunnerConfig config = GitRunnerConfig::current();
        config.helperExecutable = QStringLiteral(TOLVANE_TEST_HELPER);
        GitRunnerConfig::set(config);

        m_ssh = std::make_unique<SshServer>();
        QVERIFY2(m_ssh->isRunning(), qPrintable(m_ssh->error()));
        m_key = m_root.filePath(QStringLiteral("id_ed25519"));
        QVERIFY(SshServer::makeKey(m_key, QStringLiteral("correct horse")));
        m_ssh->authorize(m_key + QStringLiteral(".pub"));
        m_sshConfig = m_root.filePath(QStringLiteral("ssh_config"));
        m_knownHosts = m_root.filePath(QStringLiteral("known_hosts"));
        writeSshConfig(false);
    }

    void init() { LogStore::shared().setEntries({}); }

    // In order: the host is new, then known; the key needs its passphrase each time.
    void firstContactThenWrongAndRightPassphrase() {
        QFile::remove(m_knownHosts);
        auto repo = sshRepository();
        const auto state = openState(repo->path());
        CredentialPrompts& prompts = state->credentialPrompts();
        auto fetch = state->fetch();

        QVERIFY(waitForPrompt(prompts, Kind::HostKey));
        QCOMPARE(prompts.prompt()->host, QStringLiteral("[127.0.0.1]:%1").arg(m_ssh->port()));
        QCOMPARE(prompts.prompt()->keyType, QStringLiteral("ED25519"));
        QCOMPARE(prompts.prompt()->fingerprint, m_ssh->hostKeyFingerprint());
        QCOMPARE(prompts.prompt()->remote, QStringLiteral("all remotes"));
        prompts.accept();

        QVERIFY(waitForPrompt(prompts, Kind::Secret));
        QCOMPARE(prompts.prompt()->title, QStringLiteral("Passphrase for key '%1'").arg(m_key));
        QVERIFY(!prompts.prompt()->retry);
        const quint64 first = prompts.prompt()->id;
        prompts.answer(QStringLiteral("wrong horse"));
        QVERIFY(QTest::qWaitFor([&] { return prompts.prompt() && prompts.prompt()->id != first; },
                                30000));
        QCOMPARE(prompts.prompt()->kind, Kind::Secret);
        QVERIFY(prompts.prompt()->retry);
        prompts.answer(QStringLiteral("correct horse"));
        await(std::move(fetch));
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched origin"));
        QVERIFY(!prompts.prompt());
        QFile known(m_knownHosts);
        QVERIFY(known.open(QIODevice::ReadOnly));
        QVERIFY(known.readAll().contains("ssh-ed25519"));
    }

    void cancelWhileAskedEndsTheCommand() {
        auto repo = sshRepository();
        const auto state = openState(repo->path());
        CredentialPrompts& prompts = state->credentialPrompts();
        auto fetch = state->fetch();
        QVERIFY(waitForPrompt(prompts, Kind::Secret));
        QVERIFY(processesMentioning(m_sshConfig) > 0);
        prompts.cancel();
        await(std::move(fetch));
        QVERIFY(!prompts.prompt());
        QVERIFY(state->runningNetworkCommands().isEmpty());
        QCOMPARE(processesMentioning(m_sshConfig), 0);
        const QList<LogEntry> entries = LogStore::shared().entries();
        QCOMPARE(entries.last().message, QStringLiteral("Fetch cancelled"));
        QCOMPARE(entries.last().level, LogLevel::Info);
        for (const LogEntry& entry : entries)
            QVERIFY2(entry.level != LogLevel::Error, qPrintable(entry.message));
    }

    void closingTheTabWithdrawsItsQuestion() {
        auto repo = sshRepository();
        auto state = openState(repo->path());
        auto fetch = state->fetch();
        QVERIFY(waitForPrompt(state->credentialPrompts(), Kind::Secret));
        state.reset();
        await(std::move(fetch));
        QVERIFY(QTest::qWaitFor([&] { return processesMentioning(m_sshConfig) == 0; }, 20000));
    }

    void twoTabsAskInTheirOwnPrompts() {
        auto firstRepo = sshRepository();
        auto secondRepo = sshRepository();
        const auto first = openState(firstRepo->path());
        const auto second = openState(secondRepo->path());
        auto firstFetch = first->fetch();
        auto secondFetch = second->fetch();
        QVERIFY(waitForPrompt(first->credentialPrompts(), Kind::Secret));
        QVERIFY(waitForPrompt(second->credentialPrompts(), Kind::Secret));
        second->credentialPrompts().answer(QStringLiteral("correct horse"));
        await(std::move(secondFetch));
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched origin"));
        // The other tab's question is still waiting, untouched.
        QCOMPARE(first->credentialPrompts().prompt()->kind, Kind::Secret);
        first->credentialPrompts().answer(QStringLiteral("correct horse"));
        await(std::move(firstFetch));
        QCOMPARE(logMessages().size(), 2);
    }

    void changedHostKeyIsRefusedAndShownWhole() {
        trustCurrentHostKey();
        QVERIFY2(m_ssh->replaceHostKey(), qPrintable(m_ssh->error()));
        auto repo = sshRepository();
        const auto state = openState(repo->path());
        CredentialPrompts& prompts = state->credentialPrompts();
        QSignalSpy asked(&prompts, &CredentialPrompts::promptChanged);
        await(state->fetch());
        QVERIFY2(prompts.prompt(), qPrintable(logMessages().join(u'\n')));
        QCOMPARE(prompts.prompt()->kind, Kind::HostKeyChanged);
        QVERIFY(prompts.prompt()->detail.contains(
            QStringLiteral("REMOTE HOST IDENTIFICATION HAS CHANGED")));
        QCOMPARE(prompts.prompt()->fingerprint, m_ssh->hostKeyFingerprint());
        // Nothing was asked before the refusal: only the notice itself was shown.
        QCOMPARE(asked.count(), 1);
        QVERIFY(logMessages().last().startsWith(
            QStringLiteral("Fetch failed: The server's host key has changed.")));
        prompts.accept();
        QVERIFY(prompts.prompt());
        prompts.dismiss();
        QVERIFY(!prompts.prompt());
    }

    void agentFoundInTheSessionAnswersForTheKey() {
        SshAgent agent(m_runtime.filePath(QStringLiteral("keyring/ssh")));
        QVERIFY(agent.isRunning());
        QVERIFY(agent.add(m_key, QStringLiteral("correct horse")));
        writeSshConfig(true);
        // The host is known already: only the key could ask.
        trustCurrentHostKey();

        auto repo = sshRepository();
        const auto state = openState(repo->path());
        QVERIFY(finishesWithoutQuestions(state->fetch(), state->credentialPrompts()));
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched origin"));
        QVERIFY(logMessages().contains(
            QStringLiteral("Using the SSH agent at %1 (found in %1)").arg(agent.socketPath())));
        writeSshConfig(false);
    }

    void httpPasswordAskedKeptReusedAndErasedWhenRefused() {
        const QString bare = m_root.filePath(QStringLiteral("http-origin.git"));
        SmartHttpServer server(m_root.path(), QStringLiteral("alice"), QStringLiteral("pw 1"));
        QVERIFY(server.isRunning());
        const NetworkCredentialKey key = NetworkCredentialKey::fromGit(
            QStringLiteral("http"), server.origin().mid(int(qstrlen("http://"))),
            QStringLiteral("alice"));
        QVERIFY(key.port);
        QVERIFY(CredentialStore::erase(key));

        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"),
                  QStringLiteral("-b"), QStringLiteral("main"), bare});
        repo.git({QStringLiteral("push"), QStringLiteral("-q"), bare, QStringLiteral("main")});
        repo.git({QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("origin"),
                  server.url(QStringLiteral("http-origin.git"))});
        const auto state = openState(repo.path());
        CredentialPrompts& prompts = state->credentialPrompts();

        auto fetch = state->fetch();
        QVERIFY(waitForPrompt(prompts, Kind::Credential));
        QCOMPARE(prompts.prompt()->title, QStringLiteral("Username for '%1'").arg(server.origin()));
        prompts.answerCredential(QStringLiteral("alice"), QStringLiteral("pw 1"), true);
        await(std::move(fetch));
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched origin"));
        const std::optional<NetworkCredential> kept = CredentialStore::find(key);
        QVERIFY(kept);
        QCOMPARE(kept->user, QStringLiteral("alice"));
        QCOMPARE(kept->password, QStringLiteral("pw 1"));

        // Kept: used again without a question.
        QVERIFY(finishesWithoutQuestions(state->fetch(), prompts));
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched origin"));

        // A password the server no longer takes is erased after its refusal.
        QVERIFY(CredentialStore::store(key, QStringLiteral("old password")));
        QVERIFY(finishesWithoutQuestions(state->fetch(), prompts));
        QVERIFY2(logMessages().last().startsWith(QStringLiteral(
                     "Fetch failed: The server did not accept the user name and password")),
                 qPrintable(logMessages().last()));
        QVERIFY(!CredentialStore::find(key));

        // Not ticked: asked, used, but not kept.
        auto again = state->fetch();
        QVERIFY(waitForPrompt(prompts, Kind::Credential));
        prompts.answerCredential(QStringLiteral("alice"), QStringLiteral("pw 1"), false);
        await(std::move(again));
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched origin"));
        QVERIFY(!CredentialStore::find(key));
    }

    void cloneAsksForThePasswordWithoutATab() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        const QString bare = m_root.filePath(QStringLiteral("http-clone-origin.git"));
        repo.git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"),
                  QStringLiteral("-b"), QStringLiteral("main"), bare});
        repo.git({QStringLiteral("push"), QStringLiteral("-q"), bare, QStringLiteral("main")});
        SmartHttpServer server(m_root.path(), QStringLiteral("carol"), QStringLiteral("pw 2"));
        QVERIFY(server.isRunning());
        QTemporaryDir parent;
        CloneState clone;
        CredentialPrompts& prompts = clone.prompts();
        const CloneRequest request{.address = server.url(QStringLiteral("http-clone-origin.git")),
                                   .parentFolder = parent.path(),
                                   .folderName = QStringLiteral("copy")};
        const QString target = QDir(parent.path()).filePath(QStringLiteral("copy"));

        // Cancelling the question ends the clone as cancelled, with nothing left behind.
        auto refused = clone.clone(request);
        QVERIFY(waitForPrompt(prompts, Kind::Credential));
        QCOMPARE(prompts.prompt()->title, QStringLiteral("Username for '%1'").arg(server.origin()));
        QVERIFY(QFileInfo::exists(target));
        prompts.cancel();
        QVERIFY(!await(std::move(refused)));
        QVERIFY(!clone.errorMessage());
        QVERIFY(!QFileInfo::exists(target));

        // A wrong password is an error that says so; the right one clones.
        auto wrong = clone.clone(request);
        QVERIFY(waitForPrompt(prompts, Kind::Credential));
        prompts.answerCredential(QStringLiteral("carol"), QStringLiteral("nope"), false);
        QVERIFY(!await(std::move(wrong)));
        QVERIFY2(clone.errorMessage().value_or(QString()).startsWith(
                     QStringLiteral("The server did not accept the user name and password")),
                 qPrintable(clone.errorMessage().value_or(QString())));
        QVERIFY(!QFileInfo::exists(target));

        QSignalSpy cloned(&clone, &CloneState::cloned);
        auto accepted = clone.clone(request);
        QVERIFY(waitForPrompt(prompts, Kind::Credential));
        prompts.answerCredential(QStringLiteral("carol"), QStringLiteral("pw 2"), false);
        QCOMPARE(await(std::move(accepted)), std::optional<QString>(target));
        QCOMPARE(cloned.size(), 1);
        QVERIFY(!clone.errorMessage());
        QCOMPARE(QFile(target + QStringLiteral("/f.txt")).exists(), true);
    }

    void sshCloneAsksForTheHostAndThePassphrase() {
        const auto repo = sshRepository();
        writeSshConfig(false);
        QFile known(m_knownHosts);
        QVERIFY(known.open(QIODevice::WriteOnly | QIODevice::Truncate));
        known.close();
        // A clone has no repository whose configuration could name the ssh to use.
        qputenv("GIT_SSH_COMMAND", (QStringLiteral("ssh -F ") + m_sshConfig).toUtf8());
        const auto restore = qScopeGuard([] { qunsetenv("GIT_SSH_COMMAND"); });
        QTemporaryDir parent;
        CloneState clone;
        CredentialPrompts& prompts = clone.prompts();
        const QString address = m_ssh->url(m_root.filePath(QStringLiteral("ssh-origin.git")));
        auto task = clone.clone(CloneRequest{.address = address,
                                             .parentFolder = parent.path(),
                                             .folderName = QStringLiteral("over-ssh")});
        QVERIFY(waitForPrompt(prompts, Kind::HostKey));
        QCOMPARE(prompts.prompt()->fingerprint, m_ssh->hostKeyFingerprint());
        QCOMPARE(prompts.prompt()->remote, address);
        prompts.accept();
        QVERIFY(waitForPrompt(prompts, Kind::Secret));
        QCOMPARE(prompts.prompt()->title, QStringLiteral("Passphrase for key '%1'").arg(m_key));
        prompts.answer(QStringLiteral("correct horse"));
        const std::optional<QString> path = await(std::move(task));
        QVERIFY2(path, qPrintable(clone.errorMessage().value_or(QString())));
        QVERIFY(QFileInfo::exists(*path + QStringLiteral("/f.txt")));
        QVERIFY(!prompts.prompt());
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateRemoteAuthentication)
#include "tst_RepositoryStateRemoteAuthentication.moc"
