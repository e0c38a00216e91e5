#include "StateTestSupport.h"
#include "platform/KeychainHelper.h"
#include "state/CredentialPrompts.h"
#include "support/AwaitTask.h"
#include "support/SmartHttpServer.h"
#include "support/TestEnvironment.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

// The stored token reaches git over HTTP as the password of user "x-access-token", for every
// network operation of the repository state, and never a prompt. Needs a running secret store
// (scripts/in-keyring.sh).
class TestRepositoryStateTokenLending : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;
    QTemporaryDir m_root;
    std::unique_ptr<SmartHttpServer> m_server;

    QString barePath() const { return m_root.filePath(QStringLiteral("origin.git")); }

    static bool hasBranch(RepoFixture& repo, const QString& bare, const QString& name) {
        return repo.gitStatus({QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                               QStringLiteral("-q"), QStringLiteral("refs/heads/") + name},
                              nullptr, bare) == 0;
    }

private Q_SLOTS:
    void initTestCase() {
        qunsetenv("GIT_ASKPASS");
        qunsetenv("SSH_ASKPASS");
        m_server = std::make_unique<SmartHttpServer>(
            m_root.path(), QStringLiteral("x-access-token"), QStringLiteral("s3cret-token"));
        QVERIFY(m_server->isRunning());
        GitRunnerConfig config = GitRunnerConfig::current();
        config.gitHubWebOrigin = m_server->origin();
        config.helperExecutable = QStringLiteral(TOLVANE_TEST_HELPER);
        GitRunnerConfig::set(config);
    }

    void cleanupTestCase() {
        KeychainHelper::deleteToken();
        GitRunnerConfig::set(GitRunnerConfig{});
    }

    static QStringList errorMessages() {
        QStringList messages;
        for (const LogEntry& entry : LogStore::shared().entries()) {
            if (entry.level == LogLevel::Error)
                messages.append(entry.message);
        }
        return messages;
    }

    void init() {
        LogStore::shared().setEntries({});
        QDir(barePath()).removeRecursively();
    }

    void rightTokenPushesFetchesAndDeletes() {
        QVERIFY(KeychainHelper::saveToken(QStringLiteral("s3cret-token")));
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"),
                  QStringLiteral("-b"), QStringLiteral("main"), barePath()});
        repo.git({QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("origin"),
                  m_server->url(QStringLiteral("origin.git"))});
        const auto state = openState(repo.path());
        await(state->refresh());

        await(state->push());
        QVERIFY(state->showPublishBranchConfirmation());
        await(state->confirmPublishBranch());
        QCOMPARE(logMessages().first(), QStringLiteral("Published main to origin"));
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("main")}, barePath()),
                 repo.head());

        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString head = repo.commitAll(QStringLiteral("second"));
        LogStore::shared().setEntries({});
        await(state->push());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Pushed successfully")});
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("main")}, barePath()), head);

        // A branch that appears on the server only is fetched, then deleted there.
        repo.git({QStringLiteral("push"), QStringLiteral("-q"), barePath(),
                  QStringLiteral("main:feature")});
        await(state->fetch());
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched origin"));
        QVERIFY(repo.gitStatus({QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                                QStringLiteral("-q"), QStringLiteral("origin/feature")}) == 0);

        await(state->askDeleteRemoteBranch(
            GitBranch::make(QStringLiteral("origin/feature"), false, true)));
        await(state->confirmDeleteRemoteBranch());
        QCOMPARE(logMessages().last(), QStringLiteral("Deleted remote branch origin/feature"));
        QVERIFY(!hasBranch(repo, barePath(), QStringLiteral("feature")));
    }

    void wrongTokenFailsAndMissingTokenAsks() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"),
                  QStringLiteral("-b"), QStringLiteral("main"), barePath()});
        repo.git({QStringLiteral("push"), QStringLiteral("-q"), barePath(),
                  QStringLiteral("main:main"), QStringLiteral("main:feature")});
        repo.git({QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("origin"),
                  m_server->url(QStringLiteral("origin.git"))});
        repo.git({QStringLiteral("config"), QStringLiteral("branch.main.remote"),
                  QStringLiteral("origin")});
        repo.git({QStringLiteral("config"), QStringLiteral("branch.main.merge"),
                  QStringLiteral("refs/heads/main")});
        repo.git({QStringLiteral("update-ref"), QStringLiteral("refs/remotes/origin/main"), root});
        repo.git(
            {QStringLiteral("update-ref"), QStringLiteral("refs/remotes/origin/feature"), root});
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        repo.commitAll(QStringLiteral("unpushed"));
        const auto state = openState(repo.path());
        await(state->refresh());

        QVERIFY(KeychainHelper::saveToken(QStringLiteral("wrong-token")));
        await(state->fetch());
        await(state->push());
        await(state->askDeleteRemoteBranch(
            GitBranch::make(QStringLiteral("origin/feature"), false, true)));
        await(state->confirmDeleteRemoteBranch());
        const QStringList messages = errorMessages();
        QCOMPARE(messages.size(), 3);
        QVERIFY(messages.at(0).startsWith(QStringLiteral("Fetch failed: ")));
        QVERIFY(messages.at(1).startsWith(QStringLiteral("Push failed: ")));
        QVERIFY(messages.at(2).startsWith(QStringLiteral("Cannot delete remote branch: ")));
        for (const QString& message : messages)
            QVERIFY2(message.contains(QStringLiteral("did not accept the user name and password")),
                     qPrintable(message));
        // git's own words stay in the log.
        QVERIFY(logMessages().filter(QStringLiteral("Authentication failed")).size() == 3);
        // The rejected token is the sign-in's, not a remembered password: it stays.
        QVERIFY(KeychainHelper::getToken());
        QVERIFY(!state->isLoading());
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("main")}, barePath()), root);
        QVERIFY(hasBranch(repo, barePath(), QStringLiteral("feature")));

        // Without a stored token the tab asks; cancelling ends the fetch without an error.
        QVERIFY(KeychainHelper::deleteToken());
        LogStore::shared().setEntries({});
        auto fetch = state->fetch();
        CredentialPrompts& prompts = state->credentialPrompts();
        QTRY_VERIFY_WITH_TIMEOUT(prompts.prompt().has_value(), 30000);
        QCOMPARE(prompts.prompt()->kind, CredentialPrompt::Kind::Credential);
        QCOMPARE(prompts.prompt()->title,
                 QStringLiteral("Username for '%1'").arg(m_server->origin()));
        prompts.cancel();
        await(std::move(fetch));
        QVERIFY(errorMessages().isEmpty());
        QCOMPARE(logMessages().last(), QStringLiteral("Fetch cancelled"));
    }

    // Hooks and ssh wrappers that a push or fetch starts see neither the token nor anything
    // that leads to it other than our helper, which asks the secret store itself.
    void tokenNeverReachesHooksOrSshWrappers() {
        QVERIFY(KeychainHelper::saveToken(QStringLiteral("s3cret-token")));
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("init"), QStringLiteral("-q"), QStringLiteral("--bare"),
                  QStringLiteral("-b"), QStringLiteral("main"), barePath()});
        repo.git(
            {QStringLiteral("push"), QStringLiteral("-q"), barePath(), QStringLiteral("main")});
        repo.git({QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("origin"),
                  m_server->url(QStringLiteral("origin.git"))});
        repo.git({QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("mirror"),
                  QStringLiteral("ssh://mirror.invalid") + barePath()});
        repo.git({QStringLiteral("config"), QStringLiteral("branch.main.remote"),
                  QStringLiteral("origin")});
        repo.git({QStringLiteral("config"), QStringLiteral("branch.main.merge"),
                  QStringLiteral("refs/heads/main")});

        const QString dump = m_root.filePath(QStringLiteral("seen.txt"));
        const QByteArray record = "{ echo \"== $0\"; printf '%s\\n' \"$@\"; env; "
                                  "tr '\\0' ' ' < /proc/$PPID/cmdline; echo; } >> '" +
                                  dump.toUtf8() + "'\n";
        const QString hook = repo.path() + QStringLiteral("/.git/hooks/pre-push");
        QFile hookFile(hook);
        QVERIFY(hookFile.open(QIODevice::WriteOnly));
        hookFile.write("#!/bin/sh\n" + record + "cat > /dev/null\n");
        hookFile.close();
        hookFile.setPermissions(hookFile.permissions() | QFileDevice::ExeOwner);
        // Serves the fetch itself: runs the command ssh would have run on the other side.
        const QString wrapper = m_root.filePath(QStringLiteral("ssh-wrapper"));
        QFile wrapperFile(wrapper);
        QVERIFY(wrapperFile.open(QIODevice::WriteOnly));
        wrapperFile.write("#!/bin/sh\n" + record + "for last; do :; done\nexec sh -c \"$last\"\n");
        wrapperFile.close();
        wrapperFile.setPermissions(wrapperFile.permissions() | QFileDevice::ExeOwner);
        repo.git({QStringLiteral("config"), QStringLiteral("core.sshCommand"), wrapper});

        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->fetch());
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched origin and mirror"));
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString head = repo.commitAll(QStringLiteral("second"));
        await(state->refresh());
        await(state->push());
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("main")}, barePath()), head);

        QFile seen(dump);
        QVERIFY(seen.open(QIODevice::ReadOnly));
        const QByteArray text = seen.readAll();
        QVERIFY(text.contains("hooks/pre-push\n"));
        QVERIFY(text.contains("== " + wrapper.toUtf8()));
        QVERIFY(text.contains("GIT_ASKPASS="));
        QVERIFY2(!text.contains("s3cret-token"), text.constData());
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateTokenLending)
#include "tst_RepositoryStateTokenLending.moc"
