#include "engine/ChangeStatus.h"
#include "engine/FileChange.h"
#include "engine/GitBranch.h"
#include "engine/GitCommit.h"
#include "engine/GitWorktree.h"
#include "engine/StashEntry.h"
#include "engine/networkEnvironment.h"
#include "helper/credentialRequest.h"
#include "state/CredentialPrompt.h"
#include "state/RepositoryTab.h"
#include "state/SidebarTab.h"
#include "state/cloneRequest.h"

#include <QLocalServer>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;

class TestValueTypes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileChangeIdsSeparateTheTwoAreas() {
        const FileChange staged{ChangeStatus::Modified, QStringLiteral("src/a b.txt"), true, {}};
        const FileChange unstaged{ChangeStatus::Modified, QStringLiteral("src/a b.txt"), false, {}};
        QCOMPARE(staged.id(), QStringLiteral("src/a b.txt:true"));
        QCOMPARE(unstaged.id(), QStringLiteral("src/a b.txt:false"));
        QVERIFY(staged != unstaged);
        QCOMPARE(QSet<FileChange>({staged, unstaged, staged}).size(), 2);

        FileChange renamed{ChangeStatus::Renamed, QStringLiteral("new"), true,
                           QStringLiteral("old")};
        FileChange withoutOldPath = renamed;
        withoutOldPath.oldPath.reset();
        QVERIFY(renamed != withoutOldPath);
        QCOMPARE(renamed.id(), withoutOldPath.id());
    }

    void branchesFromTwoParsesDiffer() {
        const GitBranch a = GitBranch::make(QStringLiteral("main"), true, false);
        const GitBranch b = GitBranch::make(QStringLiteral("main"), true, false);
        QVERIFY(a != b);
        QVERIFY(a.id != b.id);
        QCOMPARE(a, a);
        QCOMPARE(QSet<GitBranch>({a, b}).size(), 2);
    }

    void tabsAreEqualByIdOnly() {
        const QUuid id = QUuid::createUuid();
        const RepositoryTab a{id, QStringLiteral("/a"), QStringLiteral("a"), std::nullopt};
        const RepositoryTab b{id, QStringLiteral("/b"), QStringLiteral("other"), QByteArray("x")};
        const RepositoryTab c{QUuid::createUuid(), QStringLiteral("/a"), QStringLiteral("a"),
                              std::nullopt};
        QCOMPARE(a, b);
        QVERIFY(a != c);
    }

    void commitEqualityCoversEveryField() {
        const GitCommit base{QStringLiteral("abc"),
                             QStringLiteral("ab"),
                             QStringLiteral("A"),
                             1704110400,
                             QStringLiteral("m"),
                             QStringLiteral("m"),
                             QString(),
                             {QStringLiteral("p")},
                             0};
        GitCommit other = base;
        QCOMPARE(other, base);
        QCOMPARE(qHash(other), qHash(base));
        other.graphColumn = 1;
        QVERIFY(other != base);
        other = base;
        other.parents.clear();
        QVERIFY(other != base);
        other = base;
        other.refs = QStringLiteral("tag: v1");
        QVERIFY(other != base);
    }

    void worktreeAndStashEquality() {
        const GitWorktree w{QStringLiteral("/r"),
                            QStringLiteral("/r"),
                            QStringLiteral("main"),
                            QStringLiteral("abc"),
                            true,
                            false};
        GitWorktree detached = w;
        detached.isDetached = true;
        QVERIFY(w != detached);
        QCOMPARE((StashEntry{0, QStringLiteral("WIP")}), (StashEntry{0, QStringLiteral("WIP")}));
        QVERIFY((StashEntry{0, QStringLiteral("WIP")}) != (StashEntry{1, QStringLiteral("WIP")}));
    }

    void changeStatusFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected"); // -1 for none
        QTest::newRow("M") << QStringLiteral("M") << int(ChangeStatus::Modified);
        QTest::newRow("A") << QStringLiteral("A") << int(ChangeStatus::Added);
        QTest::newRow("D") << QStringLiteral("D") << int(ChangeStatus::Deleted);
        QTest::newRow("R") << QStringLiteral("R") << int(ChangeStatus::Renamed);
        QTest::newRow("?") << QStringLiteral("?") << int(ChangeStatus::Untracked);
        QTest::newRow("C") << QStringLiteral("C") << int(ChangeStatus::Copied);
        QTest::newRow("space") << QStringLiteral(" ") << int(ChangeStatus::Unmodified);
        QTest::newRow("U") << QStringLiteral("U") << int(ChangeStatus::Conflict);
        QTest::newRow("X") << QStringLiteral("X") << -1;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("lower m") << QStringLiteral("m") << -1;
        QTest::newRow("two letters") << QStringLiteral("MM") << -1;
    }
    void changeStatusFromText() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        const auto status = tolvane::changeStatusFromText(text);
        QCOMPARE(status.has_value() ? int(*status) : -1, expected);
        if (status)
            QCOMPARE(changeStatusText(*status), text);
    }

    void sidebarTabs() {
        QStringList titles;
        for (const SidebarTab tab : allSidebarTabs)
            titles.append(sidebarTabText(tab));
        QCOMPARE(titles, (QStringList{QStringLiteral("Changes"), QStringLiteral("Branches"),
                                      QStringLiteral("Trees"), QStringLiteral("Tags"),
                                      QStringLiteral("Stashes"), QStringLiteral("Submodules")}));
        QCOMPARE(sidebarTabFromText(QStringLiteral("Trees")), SidebarTab::Trees);
        QVERIFY(!sidebarTabFromText(QStringLiteral("trees")).has_value());
    }

    // What git and ssh ask through askpass, read the way the dialog shows it.
    void askpassPrompts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fingerprint");
        using Kind = CredentialPrompt::Kind;
        QTest::newRow("key passphrase under home")
            << "Enter passphrase for key '/home/me/.ssh/id_ed25519': "
            << "" << int(Kind::Secret) << "Passphrase for key '~/.ssh/id_ed25519'"
            << "";
        QTest::newRow("key outside home")
            << "Enter passphrase for key '/keys/deploy': "
            << "" << int(Kind::Secret) << "Passphrase for key '/keys/deploy'"
            << "";
        QTest::newRow("ssh password") << "git@example.com's password: "
                                      << "" << int(Kind::Secret) << "Password for 'git@example.com'"
                                      << "";
        QTest::newRow("git user name")
            << "Username for 'https://example.com': "
            << "" << int(Kind::Text) << "Username for 'https://example.com'"
            << "";
        QTest::newRow("git password")
            << "Password for 'https://me@example.com': "
            << "" << int(Kind::Secret) << "Password for 'https://me@example.com'"
            << "";
        QTest::newRow("new host on port 22")
            << "The authenticity of host 'example.com (192.0.2.1)' can't be established.\n"
               "ECDSA key fingerprint is SHA256:abc+/def.\n"
               "Are you sure you want to continue connecting (yes/no/[fingerprint])? "
            << "" << int(Kind::HostKey) << "Connect to example.com for the first time?"
            << "SHA256:abc+/def";
        QTest::newRow("agent confirmation")
            << "Allow use of key /home/me/.ssh/id_rsa?\nKey fingerprint SHA256:x."
            << "confirm" << int(Kind::Confirm) << "Key fingerprint SHA256:x."
            << "";
        QTest::newRow("security key PIN")
            << "Enter PIN for ED25519-SK key /k: "
            << "" << int(Kind::Secret) << "Enter PIN for ED25519-SK key /k"
            << "";
    }

    void askpassPrompts() {
        QFETCH(QString, text);
        QFETCH(QString, hint);
        QFETCH(int, kind);
        QFETCH(QString, title);
        QFETCH(QString, fingerprint);
        const CredentialPrompt prompt = promptFromAskpass(text, hint, QStringLiteral("/home/me"));
        QCOMPARE(int(prompt.kind), kind);
        QCOMPARE(prompt.title, title);
        QCOMPARE(prompt.fingerprint, fingerprint);
    }

    void remoteFailureSummaries_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("start");
        QTest::newRow("key refused, default keys")
            << "git@example.com: Permission denied (publickey)."
            << "The server refused your SSH key (tried ~/.ssh/id_rsa, ~/.ssh/id_ed25519).";
        QTest::newRow("changed host key")
            << "@@@ WARNING: REMOTE HOST IDENTIFICATION HAS CHANGED! @@@\nHost key verification "
               "failed."
            << "The server's host key has changed.";
        QTest::newRow("new host refused") << "Host key verification failed.\nfatal: Could not"
                                          << "The server's host key was not accepted";
        QTest::newRow("key refused")
            << "git@example.com: Permission denied (publickey).\nfatal: Could not read"
            << "The server refused your SSH key. Add your public key";
        QTest::newRow("key refused, file named")
            << "Load key \"/home/me/.ssh/id_rsa\": bad permissions\ngit@h: Permission denied "
               "(publickey)."
            << "The server refused your SSH key (tried /home/me/.ssh/id_rsa).";
        QTest::newRow("unknown ssh host")
            << "ssh: Could not resolve hostname nowhere: Name or service not known"
            << "The server's name is unknown.";
        QTest::newRow("unknown https host")
            << "fatal: unable to access 'https://nowhere/': Could not resolve host: nowhere"
            << "The server's name is unknown.";
        QTest::newRow("refused") << "ssh: connect to host h port 22: Connection refused"
                                 << "The server refused the connection.";
        QTest::newRow("timed out") << "ssh: connect to host h port 22: Connection timed out"
                                   << "The server did not answer in time.";
        QTest::newRow("401") << "fatal: Authentication failed for 'https://h/r.git/'"
                             << "The server did not accept the user name and password (HTTP 401).";
        QTest::newRow("403") << "fatal: unable to access 'https://h/': The requested URL returned "
                                "error: 403"
                             << "The server refused access (HTTP 403).";
        QTest::newRow("certificate")
            << "fatal: unable to access 'https://h/': SSL certificate problem: self-signed "
               "certificate"
            << "The server's certificate is not trusted by this system.";
        QTest::newRow("anything else") << "fatal: couldn't find remote ref nope"
                                       << "";
    }

    void remoteFailureSummaries() {
        QFETCH(QString, message);
        QFETCH(QString, start);
        const QString summary = remoteFailureSummary(
            message,
            QTest::currentDataTag() == QByteArray("key refused, default keys")
                ? QStringList{QStringLiteral("~/.ssh/id_rsa"), QStringLiteral("~/.ssh/id_ed25519")}
                : QStringList());
        if (start.isEmpty())
            QVERIFY(summary.isEmpty());
        else
            QVERIFY2(summary.startsWith(start), qPrintable(summary));
        QVERIFY(!summary.contains(u'\n'));
    }

    void credentialFieldsAndTheGitHubOrigin() {
        const CredentialFields fields = parseCredentialFields(
            "protocol=https\nhost=github.com\nusername=me\nwwwauth[]=Basic\n\npassword=late\n");
        QCOMPARE(fields, (CredentialFields{QStringLiteral("https"), QStringLiteral("github.com"),
                                           QString(), QStringLiteral("me"), QString()}));
        const QString origin = QStringLiteral("https://github.com");
        QVERIFY(isGitHubOrigin(fields, origin));
        QVERIFY(!isGitHubOrigin({QStringLiteral("http"), QStringLiteral("github.com")}, origin));
        QVERIFY(
            !isGitHubOrigin({QStringLiteral("https"), QStringLiteral("github.com.evil")}, origin));
        QVERIFY(
            !isGitHubOrigin({QStringLiteral("https"), QStringLiteral("gist.github.com")}, origin));
        QVERIFY(isGitHubOrigin({QStringLiteral("http"), QStringLiteral("127.0.0.1:8080")},
                               QStringLiteral("http://127.0.0.1:8080")));
        QVERIFY(
            !isGitHubOrigin({QStringLiteral("https"), QStringLiteral("github.com")}, QString()));
    }

    // Only sockets that exist count, the session's own address first.
    void agentSocketsOfTheSession() {
        QTemporaryDir runtime;
        QDir(runtime.path()).mkpath(QStringLiteral("keyring"));
        QDir(runtime.path()).mkpath(QStringLiteral("gcr"));
        QFile plain(runtime.filePath(QStringLiteral("keyring/ssh")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QLocalServer gcr;
        QVERIFY(gcr.listen(runtime.filePath(QStringLiteral("gcr/ssh"))));
        QLocalServer session;
        QVERIFY(session.listen(runtime.filePath(QStringLiteral("session-agent"))));

        const std::optional<AgentSocket> fromFolder = findAgentSocket(QString(), runtime.path());
        QVERIFY(fromFolder);
        QCOMPARE(fromFolder->path, gcr.fullServerName());
        const std::optional<AgentSocket> fromSession = findAgentSocket(
            QStringLiteral("HOME=/home/me\nSSH_AUTH_SOCK=") + session.fullServerName() + u'\n',
            runtime.path());
        QCOMPARE(fromSession->path, session.fullServerName());
        QCOMPARE(fromSession->source, QStringLiteral("the user session's environment"));
        QCOMPARE(findAgentSocket(QStringLiteral("SSH_AUTH_SOCK=/gone\n"), QString()), std::nullopt);
        QCOMPARE(shellQuoted(QStringLiteral("/a b/it's")), QStringLiteral("'/a b/it'\\''s'"));

        QTemporaryDir home;
        QDir(home.path()).mkpath(QStringLiteral(".ssh"));
        for (const char* name : {".ssh/id_ed25519", ".ssh/id_ed25519.pub", ".ssh/other"}) {
            QFile key(home.filePath(QLatin1String(name)));
            QVERIFY(key.open(QIODevice::WriteOnly));
        }
        QCOMPARE(defaultSshKeyFiles(home.path()), QStringList{QStringLiteral("~/.ssh/id_ed25519")});
    }

    void cloneAddresses_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("offered");
        QTest::newRow("https with .git") << "https://host/team/tool.git"
                                         << "tool" << true;
        QTest::newRow("trailing slashes") << "https://host/team/tool.git//"
                                          << "tool" << true;
        QTest::newRow("query") << "https://host/team/tool?ref=x"
                               << "tool" << true;
        QTest::newRow("scp form") << "git@host:team/tool.git"
                                  << "tool" << true;
        QTest::newRow("scp form at the top") << "git@host:tool"
                                             << "tool" << true;
        QTest::newRow("ssh with port") << "ssh://git@host:2222/srv/tool.git"
                                       << "tool" << true;
        QTest::newRow("a .git folder") << "/srv/tool/.git"
                                       << "tool" << false;
        QTest::newRow("bundle") << "/tmp/tool.bundle"
                                << "tool" << false;
        QTest::newRow("bare host") << "https://example.com/"
                                   << "" << false;
        QTest::newRow("only .git") << "https://host/.git"
                                   << "" << false;
        QTest::newRow("sentence") << "see https://host/a.git"
                                  << "a" << false;
        QTest::newRow("two lines") << "https://host/a.git\nhttps://host/b.git"
                                   << "b" << false;
        QTest::newRow("mail address") << "someone@example.com"
                                      << "someone@example.com" << false;
    }

    void cloneAddresses() {
        QFETCH(QString, address);
        QFETCH(QString, folder);
        QFETCH(bool, offered);
        QCOMPARE(folderNameForAddress(address), folder);
        QCOMPARE(looksLikeCloneAddress(address), offered);
    }

    void cloneArgumentsAndFailures() {
        // A local path becomes a file:// address only where git would ignore an option.
        CloneRequest request{.address = QStringLiteral("-x/../repo"),
                             .parentFolder = QStringLiteral("/work"),
                             .folderName = QStringLiteral("-n")};
        QCOMPARE(
            cloneArguments(request),
            (QStringList{"clone", "--progress", "--recurse-submodules", "--", "-x/../repo", "-n"}));
        request.latestOnly = true;
        request.sparse = true;
        QCOMPARE(cloneArguments(request),
                 (QStringList{"clone", "--progress", "--no-checkout", "--depth", "1", "--",
                              "file:///work/repo", "-n"}));
        request.address = QStringLiteral("host:path with space");
        QCOMPARE(cloneSource(request), request.address);

        QVERIFY(cloneFailureSummary(QStringLiteral("error: unable to write file x: No space left "
                                                   "on device\nfatal: unable to checkout"),
                                    QStringLiteral("x"))
                    .startsWith(QStringLiteral("The disk is full.")));
        QVERIFY(cloneFailureSummary(QStringLiteral("fatal: unable to access 'https://h/': Could "
                                                   "not resolve host: h"),
                                    QStringLiteral("x"))
                    .startsWith(QStringLiteral("The server's name is unknown.")));
        const QString unknown = QStringLiteral("fatal: something new");
        QCOMPARE(cloneFailureSummary(unknown, QStringLiteral("x")), unknown);
    }
};

QTEST_GUILESS_MAIN(TestValueTypes)
#include "tst_ValueTypes.moc"
