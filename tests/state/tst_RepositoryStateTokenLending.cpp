#include "StateTestSupport.h"
#include "platform/KeychainHelper.h"
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
        // Nothing may ask for a password in a window either.
        qunsetenv("GIT_ASKPASS");
        qunsetenv("SSH_ASKPASS");
        m_server = std::make_unique<SmartHttpServer>(
            m_root.path(), QStringLiteral("x-access-token"), QStringLiteral("s3cret-token"));
        QVERIFY(m_server->isRunning());
        GitRunnerConfig config = GitRunnerConfig::current();
        config.gitHubWebOrigin = m_server->origin();
        GitRunnerConfig::set(config);
    }

    void cleanupTestCase() {
        KeychainHelper::deleteToken();
        GitRunnerConfig::set(GitRunnerConfig{});
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
        QCOMPARE(logMessages().last(), QStringLiteral("Fetched all remotes"));
        QVERIFY(repo.gitStatus({QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                                QStringLiteral("-q"), QStringLiteral("origin/feature")}) == 0);

        await(state->askDeleteRemoteBranch(
            GitBranch::make(QStringLiteral("origin/feature"), false, true)));
        await(state->confirmDeleteRemoteBranch());
        QCOMPARE(logMessages().last(), QStringLiteral("Deleted remote branch origin/feature"));
        QVERIFY(!hasBranch(repo, barePath(), QStringLiteral("feature")));
    }

    void wrongOrMissingTokenFailsWithoutPrompting() {
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
        const QStringList messages = logMessages();
        QCOMPARE(messages.size(), 3);
        QVERIFY(messages.at(0).startsWith(QStringLiteral("Fetch failed: ")));
        QVERIFY(messages.at(1).startsWith(QStringLiteral("Push failed: ")));
        QVERIFY(messages.at(2).startsWith(QStringLiteral("Cannot delete remote branch: ")));
        for (const QString& message : messages)
            QVERIFY2(message.contains(QStringLiteral("Authentication failed")),
                     qPrintable(message));
        QVERIFY(!state->isLoading());
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("main")}, barePath()), root);
        QVERIFY(hasBranch(repo, barePath(), QStringLiteral("feature")));

        // Without a stored token git has no credentials and may not ask for them.
        QVERIFY(KeychainHelper::deleteToken());
        LogStore::shared().setEntries({});
        await(state->fetch());
        QCOMPARE(logMessages().size(), 1);
        QVERIFY(logMessages().first().startsWith(QStringLiteral("Fetch failed: ")));
        QVERIFY2(logMessages().first().contains(QStringLiteral("terminal prompts disabled")),
                 qPrintable(logMessages().first()));
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateTokenLending)
#include "tst_RepositoryStateTokenLending.moc"
