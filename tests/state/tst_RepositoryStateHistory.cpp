#include "StateTestSupport.h"
#include "settings/AppSettings.h"
#include "state/HistoryEditor.h"
#include "state/confirmationDialogs.h"
#include "support/AwaitTask.h"
#include "support/SigningKeys.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

namespace {

std::optional<GitCommit> loadedCommit(const RepositoryState& state, const QString& id) {
    for (const GitCommit& commit : state.commits()) {
        if (commit.id == id)
            return commit;
    }
    return std::nullopt;
}

QSet<QString> ids(std::initializer_list<QString> list) {
    return QSet<QString>(list);
}

// A commit that is not (or need not be) in the loaded list.
// Waits until the diff area shows the commit's diff (selection starts loads it does not hand
// back).
bool waitForCommitDiff(const RepositoryState& state, const QString& id) {
    return QTest::qWaitFor(
        [&] {
            return state.selectedCommit() && state.selectedCommit()->id == id &&
                   !state.diffText().isEmpty();
        },
        20000);
}

GitCommit unloadedCommit(const QString& id) {
    GitCommit commit;
    commit.id = id;
    commit.shortHash = id.left(7);
    return commit;
}

// Plans written as "pA sB dC": an action letter (pick, reword, squash, fixup, drop, edit) and
// the commit's letter, oldest first.
const QString actionLetters = QStringLiteral("prsfde");

PlanAction actionOf(QChar letter) {
    return PlanAction(actionLetters.indexOf(letter));
}

QList<PlanRow> lettered(const QString& plan) {
    QList<PlanRow> rows;
    for (const QString& item : plan.split(u' ', Qt::SkipEmptyParts)) {
        const QString name = item.mid(1);
        rows.append(PlanRow{.hash = QString(40, name.front().toLower()),
                            .subject = name,
                            .message = QStringLiteral("Msg ") + name,
                            .action = actionOf(item.front())});
    }
    return rows;
}

QString letters(const QList<PlanRow>& rows) {
    QStringList items;
    for (const PlanRow& row : rows)
        items.append(actionLetters[qsizetype(row.action)] + row.subject);
    return items.join(u' ');
}

// Applies "move 0 2", "act 1 s", "meld 3 1 f" in turn; stops at the first refusal and
// returns it.
QString applyRuleEdits(QList<PlanRow>& rows, const QString& edits) {
    for (const QString& edit : edits.split(u';', Qt::SkipEmptyParts)) {
        const QStringList words = edit.trimmed().split(u' ');
        PlanEdit result;
        if (words[0] == u"move")
            result = movedRow(rows, words[1].toLongLong(), words[2].toLongLong());
        else if (words[0] == u"act")
            result = withAction(rows, words[1].toLongLong(), actionOf(words[2].front()));
        else
            result =
                meldedInto(rows, words[1].toLongLong(), words[2].toLongLong(), words[3] == u"f");
        if (!result.refusal.isEmpty()) {
            if (result.rows != rows)
                return QStringLiteral("a refused edit changed the plan");
            return result.refusal;
        }
        rows = result.rows;
    }
    return QString();
}

// The same edits, and "reword 1 text", "chain 1 text", "auto", through the plan's owner.
void applyPlanEdits(HistoryEditor& editor, const QString& edits) {
    for (const QString& edit : edits.split(u';', Qt::SkipEmptyParts)) {
        const QStringList words = edit.trimmed().split(u' ');
        const qsizetype first = words.value(1).toLongLong();
        const QString rest = words.mid(2).join(u' ');
        if (words[0] == u"move")
            editor.moveRow(first, words[2].toLongLong());
        else if (words[0] == u"act")
            editor.setAction(first, actionOf(words[2].front()));
        else if (words[0] == u"meld")
            editor.meld(first, words[2].toLongLong(), words[3] == u"f");
        else if (words[0] == u"reword")
            editor.setRewordMessage(first, rest);
        else if (words[0] == u"chain")
            editor.setChainMessage(first, rest);
        else if (words[0] == u"auto")
            editor.setPlaceFixups(true);
        QVERIFY2(editor.refusal().isEmpty(), qPrintable(editor.refusal()));
    }
}

// The tree and message of every commit after `base` on HEAD, oldest first.
QStringList treesAndMessages(RepoFixture& repo, const QString& base) {
    return repo
        .git({QStringLiteral("log"), QStringLiteral("--reverse"),
              QStringLiteral("--format=%T %B%x1e"), base + QStringLiteral("..HEAD")})
        .split(QChar(0x1e), Qt::SkipEmptyParts);
}

// Runs plain `git rebase -i` whose editors a user could have written: the todo list is copied in,
// and each message git asks for is the next of `messages` (git's own stays when they run out).
int plainRebase(RepoFixture& repo, const QStringList& arguments, const QString& todo,
                const QStringList& messages) {
    const QString folder = repo.siblingPath(QStringLiteral("plain-editors"));
    QDir().mkpath(folder);
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(QDir(folder).filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    };
    const QString todoFile = write(QStringLiteral("todo"), todo.toUtf8());
    for (qsizetype i = 0; i < messages.size(); ++i)
        write(QString::number(i), messages[i].toUtf8() + "\n");
    write(QStringLiteral("count"), "0");
    const QString editor =
        write(QStringLiteral("editor.sh"), "n=$(cat count); echo $((n + 1)) > count; "
                                           "if [ -f \"$n\" ]; then cp \"$n\" \"$1\"; fi\n");
    QProcess git;
    git.setWorkingDirectory(repo.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GIT_SEQUENCE_EDITOR"),
                       QStringLiteral("cp '%1'").arg(todoFile));
    environment.insert(QStringLiteral("GIT_EDITOR"),
                       QStringLiteral("cd '%1' && sh editor.sh").arg(folder));
    git.setProcessEnvironment(environment);
    git.start(QStringLiteral("/usr/bin/git"), arguments);
    git.waitForFinished(-1);
    return git.exitCode();
}

class HelperProgram {
public:
    HelperProgram() {
        GitRunnerConfig config = GitRunnerConfig::current();
        config.helperExecutable = QStringLiteral(TOLVANE_TEST_HELPER);
        GitRunnerConfig::set(config);
    }
    ~HelperProgram() { GitRunnerConfig::set(GitRunnerConfig{}); }
};

// Sets up signing in `repo` as the row names it; the keys live as long as the returned objects.
struct Signing {
    std::unique_ptr<OpenPgpKey> openPgp;
    std::unique_ptr<SshSigningKey> ssh;
};

Signing configureSigning(RepoFixture& repo, const QString& kind) {
    Signing signing;
    const auto config = [&](const QString& key, const QString& value) {
        repo.git({QStringLiteral("config"), key, value});
    };
    if (kind == QLatin1String("off"))
        return signing;
    if (kind == QLatin1String("ssh")) {
        signing.ssh = std::make_unique<SshSigningKey>(QStringLiteral("signer@example.com"));
        config(QStringLiteral("gpg.format"), QStringLiteral("ssh"));
        config(QStringLiteral("user.signingkey"), signing.ssh->publicKeyFile());
        config(QStringLiteral("gpg.ssh.allowedSignersFile"), signing.ssh->allowedSignersFile());
    } else {
        signing.openPgp = std::make_unique<OpenPgpKey>(
            kind == QLatin1String("openpgp") ? QByteArray() : QByteArray("secret words"));
        config(QStringLiteral("user.signingkey"), signing.openPgp->fingerprint());
    }
    config(QStringLiteral("commit.gpgsign"), QStringLiteral("true"));
    return signing;
}

// Whether HEAD carries a signature, and whether git accepts it.
std::pair<bool, bool> headSignature(RepoFixture& repo) {
    const bool carries = repo.gitOutput({QStringLiteral("cat-file"), QStringLiteral("commit"),
                                         QStringLiteral("HEAD")})
                             .contains("\ngpgsig ");
    const bool verified =
        repo.gitStatus({QStringLiteral("verify-commit"), QStringLiteral("HEAD")}) == 0;
    return {carries, verified};
}

} // namespace

class TestRepositoryStateHistory : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    void commitNeedsAMessageAndRunsOnce() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        repo.git({QStringLiteral("add"), QStringLiteral("a.txt")});
        const auto state = openState(repo.path());
        await(state->refresh());

        state->setCommitMessage(QStringLiteral("  \n\t \n"));
        await(state->commitChanges());
        QCOMPARE(repo.head(), root);
        QVERIFY(logMessages().isEmpty());
        QVERIFY(!state->isCommitting());

        // The second call comes while the first still runs and must start nothing.
        state->setCommitMessage(QStringLiteral("  second \n"));
        QCoro::Task<> first = state->commitChanges();
        QVERIFY(state->isCommitting());
        QCoro::Task<> second = state->commitChanges();
        await(std::move(second));
        await(std::move(first));
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Committed successfully")});
        QCOMPARE(repo.git({QStringLiteral("rev-list"), QStringLiteral("--count"),
                           QStringLiteral("HEAD")}),
                 QStringLiteral("2"));
        QCOMPARE(
            repo.git({QStringLiteral("log"), QStringLiteral("-1"), QStringLiteral("--format=%B")}),
            QStringLiteral("second"));
        QCOMPARE(state->commitMessage(), QString());
        QVERIFY(!state->isCommitting());
        QCOMPARE(state->headCommitHash(), repo.head());

        // Nothing staged: the failure is logged, announced to the window and the message kept;
        // git knows the author, so nobody is asked for one.
        int identityAsked = 0;
        state->setIdentityPrompt([&](const GitIdentity&) -> std::optional<GitIdentity> {
            ++identityAsked;
            return std::nullopt;
        });
        QSignalSpy announced(state.get(), &RepositoryState::outcomeAnnounced);
        state->setCommitMessage(QStringLiteral("nothing"));
        await(state->commitChanges());
        QCOMPARE(logMessages().size(), 2);
        QVERIFY(logMessages().last().startsWith(QStringLiteral("Commit failed: ")));
        QCOMPARE(announced.size(), 1);
        QCOMPARE(announced[0][0].toString(), logMessages().last());
        QCOMPARE(announced[0][1].value<LogLevel>(), LogLevel::Error);
        QCOMPARE(identityAsked, 0);
        QCOMPARE(state->commitMessage(), QStringLiteral("nothing"));
        QVERIFY(!state->isCommitting());
    }

    // git refuses to commit without an author: the user is asked, the answer is written where
    // they chose, and the same message is committed; cancelling leaves everything as it was.
    void aCommitWithoutAnAuthorAsksForOneAndCommitsAgain() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        const QString root = repo.head();
        repo.git({QStringLiteral("config"), QStringLiteral("user.email"),
                  QStringLiteral("half@example.com")});
        const WithoutGitIdentity noIdentity(repo.path());
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        repo.git({QStringLiteral("add"), QStringLiteral("a.txt")});
        const auto state = openState(repo.path());
        await(state->refresh());

        QList<GitIdentity> asked;
        std::optional<GitIdentity> answer;
        state->setIdentityPrompt([&](const GitIdentity& suggested) {
            asked.append(suggested);
            return answer;
        });
        state->setCommitMessage(QStringLiteral("Who wrote this"));
        await(state->commitChanges());
        QCOMPARE(asked.size(), 1);
        // The half git already knows is offered again.
        QCOMPARE(asked[0], (GitIdentity{QString(), QStringLiteral("half@example.com"), false}));
        QCOMPARE(repo.head(), root);
        QCOMPARE(state->commitMessage(), QStringLiteral("Who wrote this"));
        QVERIFY(!state->isCommitting());

        answer =
            GitIdentity{QStringLiteral("-Ada Lovelace"), QStringLiteral("ada@example.com"), false};
        await(state->commitChanges());
        QCOMPARE(asked.size(), 2);
        QVERIFY(repo.head() != root);
        QCOMPARE(repo.git({QStringLiteral("log"), QStringLiteral("-1"),
                           QStringLiteral("--format=%an <%ae>|%s")}),
                 QStringLiteral("-Ada Lovelace <ada@example.com>|Who wrote this"));
        QCOMPARE(repo.git({QStringLiteral("config"), QStringLiteral("--local"),
                           QStringLiteral("user.name")}),
                 QStringLiteral("-Ada Lovelace"));
        QCOMPARE(state->commitMessage(), QString());
        QVERIFY(!state->isCommitting());
        QCOMPARE(logMessages().last(), QStringLiteral("Committed successfully"));

        // Amending names whoever amends as the committer: it asks as well, then amends.
        repo.git({QStringLiteral("config"), QStringLiteral("--local"), QStringLiteral("--unset"),
                  QStringLiteral("user.name")});
        const QString committed = repo.head();
        answer = GitIdentity{QStringLiteral("Grace"), QStringLiteral("grace@example.com"), false};
        state->setAmendLastCommit(true);
        state->setCommitMessage(QStringLiteral("Amended"));
        await(state->commitChanges());
        QCOMPARE(asked.size(), 3);
        QVERIFY(repo.head() != committed);
        QCOMPARE(repo.git({QStringLiteral("log"), QStringLiteral("-1"),
                           QStringLiteral("--format=%an|%cn|%s")}),
                 QStringLiteral("-Ada Lovelace|Grace|Amended"));
        repo.git({QStringLiteral("config"), QStringLiteral("--local"), QStringLiteral("user.name"),
                  QStringLiteral("-Ada Lovelace")});

        // "For all repositories" goes to the global configuration, not the repository's.
        QVERIFY(await(state->setGitIdentity(
            {QStringLiteral("Grace"), QStringLiteral("grace@example.com"), true})));
        QFile global(noIdentity.globalConfig());
        QVERIFY(global.open(QIODevice::ReadOnly));
        const QByteArray globalText = global.readAll();
        QVERIFY(globalText.contains("name = Grace") && globalText.contains("grace@example.com"));
        QCOMPARE(repo.git({QStringLiteral("config"), QStringLiteral("--local"),
                           QStringLiteral("user.name")}),
                 QStringLiteral("-Ada Lovelace"));
        QVERIFY(!await(state->setGitIdentity({QStringLiteral(" "), QString(), true})));
    }

    void popKeepsChangesStagedAndRestoresTheMessage() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        repo.commitAll(QStringLiteral("subject\n\nbody line"));
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->confirmPopCommit());
        QCOMPARE(repo.head(), root);
        QCOMPARE(state->commitMessage(), QStringLiteral("subject\n\nbody line"));
        QCOMPARE(logMessages(),
                 QStringList{QStringLiteral("Commit popped - changes are now staged")});
        QVERIFY(findChange(*state, QStringLiteral("a.txt"), true).has_value());

        // A repository without commits has nothing to pop; the message stays as it is.
        RepoFixture empty(QStringLiteral("empty"));
        const auto emptyState = openState(empty.path());
        await(emptyState->refresh());
        emptyState->setCommitMessage(QStringLiteral("draft"));
        await(emptyState->confirmPopCommit());
        QCOMPARE(logMessages().last(), QStringLiteral("Failed to pop commit"));
        QCOMPARE(emptyState->commitMessage(), QStringLiteral("draft"));
    }

    void squashEligibility() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "r\n");
        const QString r = repo.commitAll(QStringLiteral("R"));
        repo.writeFile(QStringLiteral("f.txt"), "a\n");
        const QString a = repo.commitAll(QStringLiteral("A"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-b"),
                  QStringLiteral("side")});
        repo.writeFile(QStringLiteral("side.txt"), "s\n");
        const QString s = repo.commitAll(QStringLiteral("S"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
        repo.writeFile(QStringLiteral("f.txt"), "b\n");
        const QString b = repo.commitAll(QStringLiteral("B"));
        repo.advanceClock();
        repo.git({QStringLiteral("merge"), QStringLiteral("-q"), QStringLiteral("--no-ff"),
                  QStringLiteral("-m"), QStringLiteral("M"), QStringLiteral("side")});
        const QString m = repo.head();
        repo.writeFile(QStringLiteral("f.txt"), "c\n");
        const QString c = repo.commitAll(QStringLiteral("C"));
        repo.writeFile(QStringLiteral("f.txt"), "d\n");
        const QString d = repo.commitAll(QStringLiteral("D"));
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->headCommitHash(), d);

        state->setSelectedCommits(ids({d, c}));
        QVERIFY(state->canSquashSelectedCommits());
        state->setSelectedCommits(ids({d, c, m}));
        QVERIFY(state->canSquashSelectedCommits()); // the oldest may be a merge
        state->setSelectedCommits(ids({d, c, m, b}));
        QVERIFY(!state->canSquashSelectedCommits()); // a merge inside the run
        state->setSelectedCommits(ids({d, m}));
        QVERIFY(!state->canSquashSelectedCommits()); // gap
        state->setSelectedCommits(ids({c, m}));
        QVERIFY(!state->canSquashSelectedCommits()); // not ending at HEAD
        state->setSelectedCommits(ids({d}));
        QVERIFY(!state->canSquashSelectedCommits());
        state->setSelectedCommits(ids({d, c, m, s, b, a, r}));
        QVERIFY(!state->canSquashSelectedCommits());

        // A linear history down to the root cannot be squashed (the root has no parent).
        RepoFixture linear(QStringLiteral("linear"));
        linear.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = linear.commitAll(QStringLiteral("root"));
        linear.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString top = linear.commitAll(QStringLiteral("top"));
        const auto linearState = openState(linear.path());
        await(linearState->refresh());
        linearState->setSelectedCommits(ids({top, root}));
        QVERIFY(!linearState->canSquashSelectedCommits());
        await(linearState->confirmSquashCommits());
        QCOMPARE(linear.head(), top);
        QVERIFY(logMessages().isEmpty());
    }

    void squashCombinesNewestFirst() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "0\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        QStringList hashes;
        for (int i = 1; i <= 3; ++i) {
            repo.writeFile(QStringLiteral("f.txt"), QByteArray::number(i) + "\n");
            hashes.prepend(repo.commitAll(QStringLiteral("step %1\n\ndetail %1").arg(i)));
        }
        const auto state = openState(repo.path());
        await(state->refresh());
        state->selectCommit(*loadedCommit(*state, hashes.at(0)), false, false);
        state->selectCommit(*loadedCommit(*state, hashes.at(2)), false, true);
        QCOMPARE(state->selectedCommits().size(), 3);
        QVERIFY(state->canSquashSelectedCommits());

        state->askSquashCommits();
        QVERIFY(state->showSquashConfirmation());
        QCOMPARE(state->squashMessage(),
                 QStringLiteral("step 3\n\ndetail 3\n\nstep 2\n\ndetail 2\n\nstep 1\n\ndetail 1"));
        const ConfirmationDialog sheet = squashSheet(*state);
        QCOMPARE(sheet.title, QStringLiteral("Squash 3 Commits"));
        QCOMPARE(sheet.buttons.size(), 2);
        QVERIFY(sheet.buttons.at(1).enabled);

        // The shown commit is squashed away: the diff area lets it go.
        QVERIFY(waitForCommitDiff(*state, hashes.at(2)));
        state->setSquashMessage(QStringLiteral("  combined\n"));
        await(state->confirmSquashCommits());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Squashed 3 commits")});
        QVERIFY(!state->selectedCommit().has_value());
        QVERIFY(state->diffText().isEmpty());
        QVERIFY(state->commitFiles().isEmpty());
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD^")}), root);
        QCOMPARE(
            repo.git({QStringLiteral("log"), QStringLiteral("-1"), QStringLiteral("--format=%B")}),
            QStringLiteral("combined"));
        QCOMPARE(repo.readFile(QStringLiteral("f.txt")), QByteArray("3\n"));
        QVERIFY(state->selectedCommits().isEmpty());
        QVERIFY(!state->commitSelectionAnchor().has_value());
        QCOMPARE(state->headCommitHash(), repo.head());

        // A commit that is not listed but still on a branch stays shown.
        repo.git({QStringLiteral("branch"), QStringLiteral("kept"), hashes.at(1)});
        await(state->loadCommitDiff(unloadedCommit(hashes.at(1)), true));
        await(state->refresh());
        QCOMPARE(state->selectedCommit()->id, hashes.at(1));
        QVERIFY(state->diffText().contains(QStringLiteral("+2")));
    }

    void localAncestry() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("branch"), QStringLiteral("other")});
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString head = repo.commitAll(QStringLiteral("head"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("other")});
        repo.writeFile(QStringLiteral("o.txt"), "o\n");
        const QString other = repo.commitAll(QStringLiteral("other"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
        const auto state = openState(repo.path());
        state->setHideResetBranches(false); // load every branch, so "other" is in the list
        await(state->refresh());
        QVERIFY(loadedCommit(*state, other).has_value());
        QVERIFY(!state->isAncestorOfHead(*loadedCommit(*state, head)));
        QVERIFY(state->isAncestorOfHead(*loadedCommit(*state, root)));
        QVERIFY(!state->isAncestorOfHead(*loadedCommit(*state, other)));
        QVERIFY(!state->isAncestorOfHead(unloadedCommit(QStringLiteral("0123"))));
    }

    void resetRefusals() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-b"),
                  QStringLiteral("other")});
        repo.writeFile(QStringLiteral("o.txt"), "o\n");
        const QString other = repo.commitAll(QStringLiteral("other"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString head = repo.commitAll(QStringLiteral("head"));
        const auto state = openState(repo.path());
        await(state->refresh());
        const GitCommit rootCommit = *loadedCommit(*state, root);

        await(state->askResetToCommit(rootCommit));
        QVERIFY(state->showResetSheet());
        QVERIFY(!resetSheet(*state).buttons.at(1).enabled);
        state->setResetBranchName(QStringLiteral(" \n "));
        await(state->confirmReset());
        QVERIFY(!state->showResetSheet());
        QVERIFY(!state->commitToReset().has_value());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Branch name cannot be empty")});

        await(state->askResetToCommit(rootCommit));
        state->setResetBranchName(QStringLiteral("-x"));
        QVERIFY(resetSheet(*state).buttons.at(1).enabled);
        await(state->confirmReset());
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Invalid branch name: Name cannot start with '-'."));

        const GitCommit outside = unloadedCommit(other);
        await(state->askResetToCommit(outside));
        state->setResetBranchName(QStringLiteral("saved"));
        await(state->confirmReset());
        QCOMPARE(logMessages().last(), QStringLiteral("Reset refused: ") + other.left(7) +
                                           QStringLiteral(" is not in the history of main"));
        QCOMPARE(repo.head(), head);
        QCOMPARE(repo.gitStatus({QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                                 QStringLiteral("-q"), QStringLiteral("refs/heads/saved")}),
                 1);

        // No upstream: the push cannot happen, the local reset stands and is said to, and the
        // way back stays open.
        LogStore::shared().setEntries({});
        await(state->askResetToCommit(rootCommit));
        state->setResetBranchName(QStringLiteral("saved"));
        await(state->confirmReset());
        QCOMPARE(logMessages(),
                 (QStringList{QStringLiteral("Saved current state to branch 'saved'"),
                              QStringLiteral("Reset to ") + rootCommit.shortHash,
                              QStringLiteral("Force push failed: main has no upstream branch on a "
                                             "remote — the branch was reset locally; Undo Last "
                                             "Reset brings it back")}));
        QCOMPARE(repo.head(), root);
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("saved")}), head);
        QCOMPARE(state->headCommitHash(), root);
        QCOMPARE(state->lastResetOriginalHash(), std::optional<QString>(head));
        LogStore::shared().setEntries({});
        await(state->undoLastReset());
        QCOMPARE(logMessages(),
                 (QStringList{QStringLiteral("Restored to previous state"),
                              QStringLiteral("Deleted branch 'saved'"),
                              QStringLiteral("Force push failed: main has no upstream branch on a "
                                             "remote — the branch was restored locally")}));
        QCOMPARE(repo.head(), head);
        QCOMPARE(state->headCommitHash(), head);
        QVERIFY(!state->lastResetBranchName().has_value());
    }

    void resetThenUndoForcePushes() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString head = repo.commitAll(QStringLiteral("head"));
        const QString origin = repo.addBareOrigin();
        const auto state = openState(repo.path());
        await(state->refresh());

        await(state->askResetToCommit(*loadedCommit(*state, root)));
        state->setResetBranchName(QStringLiteral(" saved "));
        await(state->confirmReset());
        QCOMPARE(logMessages(),
                 (QStringList{QStringLiteral("Saved current state to branch 'saved'"),
                              QStringLiteral("Reset to ") + root.left(7),
                              QStringLiteral("Force pushed successfully")}));
        QCOMPARE(repo.head(), root);
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("main")}, origin), root);
        QCOMPARE(state->lastResetBranchName(), std::optional<QString>(QStringLiteral("saved")));
        QCOMPARE(state->lastResetOriginalHash(), std::optional<QString>(head));
        QCOMPARE(state->headCommitHash(), root);
        QCOMPARE(undoResetDialog(*state).message,
                 QStringLiteral("This will restore to the state before the reset, delete the "
                                "'saved' branch, and force push."));

        LogStore::shared().setEntries({});
        await(state->undoLastReset());
        QCOMPARE(logMessages(), (QStringList{QStringLiteral("Restored to previous state"),
                                             QStringLiteral("Deleted branch 'saved'"),
                                             QStringLiteral("Force pushed successfully")}));
        QCOMPARE(repo.head(), head);
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("main")}, origin), head);
        QCOMPARE(repo.gitStatus({QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                                 QStringLiteral("-q"), QStringLiteral("refs/heads/saved")}),
                 1);
        QVERIFY(!state->lastResetBranchName().has_value());
        QCOMPARE(state->headCommitHash(), head);

        await(state->undoLastReset());
        QCOMPARE(logMessages().size(), 3);
        QCOMPARE(repo.head(), head);
    }

    // Another clone ("theirs") pushes to origin while this one has push.default=matching and a
    // stale local copy of another branch; fetches happen while the reset sheet is open.
    void forcePushesTouchOnlyTheCurrentBranchAndLeaseOnWhatWasSeen() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("branch"), QStringLiteral("other")});
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString head = repo.commitAll(QStringLiteral("head"));
        const QString origin = repo.addBareOrigin();
        repo.git({QStringLiteral("push"), QStringLiteral("-q"), QStringLiteral("-u"),
                  QStringLiteral("origin"), QStringLiteral("other")});
        repo.git(
            {QStringLiteral("config"), QStringLiteral("push.default"), QStringLiteral("matching")});
        const QString theirs = repo.siblingPath(QStringLiteral("theirs"));
        repo.git({QStringLiteral("clone"), QStringLiteral("-q"), origin, theirs});
        const auto pushFromTheirs = [&](const QString& branch, const QByteArray& content) {
            repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), branch}, theirs);
            repo.git({QStringLiteral("pull"), QStringLiteral("-q"), QStringLiteral("--ff-only")},
                     theirs);
            QFile file(theirs + QStringLiteral("/theirs.txt"));
            file.open(QIODevice::WriteOnly);
            file.write(content);
            file.close();
            repo.git({QStringLiteral("add"), QStringLiteral("theirs.txt")}, theirs);
            repo.advanceClock();
            repo.git({QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("-m"),
                      QStringLiteral("theirs")},
                     theirs);
            repo.git(
                {QStringLiteral("push"), QStringLiteral("-q"), QStringLiteral("origin"), branch},
                theirs);
            return repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, theirs);
        };
        const auto originTip = [&](const QString& branch) {
            return repo.git({QStringLiteral("rev-parse"), branch}, origin);
        };
        const QString theirOther = pushFromTheirs(QStringLiteral("other"), "o\n");
        repo.git({QStringLiteral("fetch"), QStringLiteral("-q"), QStringLiteral("origin")});
        const auto state = openState(repo.path());
        await(state->refresh());

        // Only main moves; the stale local "other" does not rewind origin's.
        await(state->askResetToCommit(*loadedCommit(*state, root)));
        state->setResetBranchName(QStringLiteral("saved"));
        await(state->confirmReset());
        QCOMPARE(logMessages().last(), QStringLiteral("Force pushed successfully"));
        QCOMPARE(originTip(QStringLiteral("main")), root);
        QCOMPARE(originTip(QStringLiteral("other")), theirOther);

        // Undo refuses to discard uncommitted work in a file it changes, and stays offered.
        repo.writeFile(QStringLiteral("f.txt"), "work in progress\n");
        await(state->undoLastReset());
        QVERIFY2(logMessages().last().startsWith(QStringLiteral("Undo reset refused: ")),
                 qPrintable(logMessages().last()));
        QCOMPARE(repo.readFile(QStringLiteral("f.txt")), QByteArray("work in progress\n"));
        QCOMPARE(repo.head(), root);
        QCOMPARE(state->lastResetBranchName(), std::optional<QString>(QStringLiteral("saved")));
        repo.git({QStringLiteral("checkout"), QStringLiteral("--"), QStringLiteral("f.txt")});
        await(state->undoLastReset());
        QCOMPARE(logMessages().last(), QStringLiteral("Force pushed successfully"));
        QCOMPARE(repo.head(), head);
        QCOMPARE(originTip(QStringLiteral("main")), head);
        QCOMPARE(originTip(QStringLiteral("other")), theirOther);

        // Someone pushes to main while the sheet is open, and a fetch brings it in: the lease is
        // on what the sheet was opened with, so their commit survives.
        LogStore::shared().setEntries({});
        await(state->askResetToCommit(*loadedCommit(*state, root)));
        const QString theirMain = pushFromTheirs(QStringLiteral("main"), "m\n");
        repo.git({QStringLiteral("fetch"), QStringLiteral("-q"), QStringLiteral("origin")});
        state->setResetBranchName(QStringLiteral("saved2"));
        await(state->confirmReset());
        QCOMPARE(originTip(QStringLiteral("main")), theirMain);
        QCOMPARE(originTip(QStringLiteral("other")), theirOther);
        // The push failed, the local reset stands: both are said, and the way back is kept.
        const QStringList messages = logMessages();
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages.at(1), QStringLiteral("Reset to ") + root.left(7));
        QVERIFY2(messages.at(2).startsWith(QStringLiteral("Force push failed: ")),
                 qPrintable(messages.at(2)));
        QVERIFY(messages.at(2).endsWith(
            QStringLiteral(" — the branch was reset locally; Undo Last Reset brings it back")));
        QCOMPARE(repo.head(), root);
        QCOMPARE(state->headCommitHash(), root);
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("saved2")}), head);
        QCOMPARE(state->lastResetBranchName(), std::optional<QString>(QStringLiteral("saved2")));

        // The undo restores locally; its push leases on what the reset left there, which their
        // commit has replaced, so origin keeps it.
        await(state->undoLastReset());
        QCOMPARE(repo.head(), head);
        QVERIFY2(logMessages().last().startsWith(QStringLiteral("Force push failed: ")),
                 qPrintable(logMessages().last()));
        QCOMPARE(originTip(QStringLiteral("main")), theirMain);
    }

    // Undo moves only from where the reset left HEAD, and overwrites no file git does not
    // track (ignored ones included) and no uncommitted change.
    void undoResetKeepsLaterCommitsAndUntrackedFiles() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.writeFile(QStringLiteral("g.txt"), "g\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        repo.writeFile(QStringLiteral("b.txt"), "committed\n");
        const QString head = repo.commitAll(QStringLiteral("head"));
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->askResetToCommit(*loadedCommit(*state, root)));
        state->setResetBranchName(QStringLiteral("saved"));
        await(state->confirmReset());
        QCOMPARE(repo.head(), root);

        const QString refusedInTheWay =
            QStringLiteral("Undo reset refused: b.txt is not tracked now but would be "
                           "overwritten by the restored commit — move it away first");
        repo.writeFile(QStringLiteral("b.txt"), "mine\n");
        await(state->undoLastReset());
        QCOMPARE(logMessages().last(), refusedInTheWay);
        // git itself would overwrite an ignored file.
        repo.writeFile(QStringLiteral(".git/info/exclude"), "b.txt\n");
        await(state->undoLastReset());
        QCOMPARE(logMessages().last(), refusedInTheWay);
        QCOMPARE(repo.readFile(QStringLiteral("b.txt")), QByteArray("mine\n"));
        QCOMPARE(repo.head(), root);
        QCOMPARE(state->lastResetBranchName(), std::optional<QString>(QStringLiteral("saved")));
        QFile::remove(QDir(repo.path()).filePath(QStringLiteral("b.txt")));

        // A commit made after the reset would be on no ref after the undo.
        repo.writeFile(QStringLiteral("later.txt"), "later\n");
        const QString later = repo.commitAll(QStringLiteral("later"));
        await(state->undoLastReset());
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Undo reset refused: the branch has moved since the reset, and "
                                "the undo would drop the commits made since"));
        QCOMPARE(repo.head(), later);
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("saved")}), head);

        // Back where the reset left it, an uncommitted change the undo does not touch stays.
        repo.git({QStringLiteral("reset"), QStringLiteral("-q"), QStringLiteral("--hard"), root});
        repo.writeFile(QStringLiteral("g.txt"), "g, in progress\n");
        await(state->undoLastReset());
        QCOMPARE(repo.head(), head);
        QCOMPARE(repo.readFile(QStringLiteral("g.txt")), QByteArray("g, in progress\n"));
        QCOMPARE(repo.readFile(QStringLiteral("b.txt")), QByteArray("committed\n"));
        QVERIFY(!state->lastResetBranchName().has_value());
    }

    void savedBranchKeepsHeadAsConfirmed() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        repo.commitAll(QStringLiteral("seen"));
        repo.addBareOrigin();
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->askResetToCommit(*loadedCommit(*state, root)));
        // A commit made in a terminal after the last refresh.
        repo.writeFile(QStringLiteral("f.txt"), "3\n");
        const QString later = repo.commitAll(QStringLiteral("later"));
        state->setResetBranchName(QStringLiteral("saved"));
        await(state->confirmReset());
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("saved")}), later);
        QCOMPARE(state->lastResetOriginalHash(), std::optional<QString>(later));
    }

    void squashRefusedByAHookLeavesTheBranchAsItWas() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "0\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString first = repo.commitAll(QStringLiteral("one"));
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString second = repo.commitAll(QStringLiteral("two"));
        repo.writeFile(QStringLiteral(".git/hooks/pre-commit"), "#!/bin/sh\necho no >&2\nexit 1\n");
        QFile::setPermissions(repo.path() + QStringLiteral("/.git/hooks/pre-commit"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        const auto state = openState(repo.path());
        await(state->refresh());
        state->setSelectedCommits(ids({second, first}));
        state->askSquashCommits();
        QSignalSpy announced(state.get(), &RepositoryState::outcomeAnnounced);
        await(state->confirmSquashCommits());
        QCOMPARE(announced.value(0).value(0).toString(),
                 QStringLiteral("pre-commit hook rejected the commit"));
        QCOMPARE(state->hookOutput().hookName(), QStringLiteral("pre-commit"));
        QCOMPARE(state->hookOutput().output(), QStringLiteral("no"));
        QCOMPARE(repo.head(), second);
        QCOMPARE(repo.git({QStringLiteral("status"), QStringLiteral("--porcelain")}), QString());
        QCOMPARE(state->headCommitHash(), second);
        QVERIFY(state->changes().isEmpty());
    }

    // git does the signing, so every way of making a commit signs exactly when git's
    // configuration says so.
    void everyCommitIsSignedAsConfigured_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"off", "openpgp", "openpgp with passphrase", "ssh"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }
    void everyCommitIsSignedAsConfigured() {
        QFETCH(QString, kind);
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        const auto branch = [&](const QString& name, const QString& file) {
            repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-b"), name,
                      QStringLiteral("main")});
            repo.writeFile(file, name.toUtf8() + "\n");
            const QString id = repo.commitAll(name);
            repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
            return id;
        };
        const QString picked = branch(QStringLiteral("pick"), QStringLiteral("p.txt"));
        branch(QStringLiteral("merged"), QStringLiteral("m.txt"));
        branch(QStringLiteral("clash"), QStringLiteral("f.txt"));
        const Signing signing = configureSigning(repo, kind);
        if (signing.openPgp)
            QVERIFY(signing.openPgp->isValid());
        if (signing.ssh)
            QVERIFY(signing.ssh->isValid());
        const bool on = kind != QLatin1String("off");

        const auto state = openState(repo.path());
        await(state->refresh());
        QStringList steps;
        const auto check = [&](const QString& step) {
            const auto [carries, verified] = headSignature(repo);
            if (carries != on || verified != on)
                steps.append(step + QStringLiteral(": ") + logMessages().join(u'|'));
        };
        repo.writeFile(QStringLiteral("c.txt"), "c\n");
        await(state->refresh());
        await(state->stageAll());
        state->setCommitMessage(QStringLiteral("commit"));
        await(state->commitChanges());
        check(QStringLiteral("commit"));

        await(state->setAmending(true));
        state->setCommitMessage(QStringLiteral("amended"));
        await(state->commitChanges());
        check(QStringLiteral("amend"));
        await(state->setAmending(false));

        state->setCommitToCherryPick(unloadedCommit(picked));
        await(state->confirmCherryPickCommit());
        check(QStringLiteral("cherry-pick"));

        await(state->refresh());
        state->setSelectedCommits(
            ids({repo.head(), repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD~1")})}));
        state->askSquashCommits();
        await(state->confirmSquashCommits());
        check(QStringLiteral("squash"));

        await(state->askMergeBranch(GitBranch::make(QStringLiteral("merged"), false, false)));
        await(state->confirmMergeBranch());
        check(QStringLiteral("merge"));

        // A merge that stops on a conflict is finished with a commit.
        await(state->askMergeBranch(GitBranch::make(QStringLiteral("clash"), false, false)));
        await(state->confirmMergeBranch());
        repo.writeFile(QStringLiteral("f.txt"), "both\n");
        repo.git({QStringLiteral("add"), QStringLiteral("f.txt")});
        await(state->refresh());
        await(state->continueOperation());
        check(QStringLiteral("finished merge"));

        QVERIFY2(steps.isEmpty(), qPrintable(steps.join(u'\n')));
        QVERIFY2(logMessages().filter(QStringLiteral("failed")).isEmpty(),
                 qPrintable(logMessages().join(u'\n')));
        QCOMPARE(repo.git({QStringLiteral("rev-list"), QStringLiteral("--count"),
                           QStringLiteral("HEAD")}),
                 QStringLiteral("6"));
        if (signing.openPgp && kind.contains(QLatin1String("passphrase")))
            QVERIFY(signing.openPgp->pinentryQuestions() > 0);
    }

    void aRefusedSignatureLeavesEverythingAsItWas() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-b"),
                  QStringLiteral("side")});
        repo.writeFile(QStringLiteral("s.txt"), "s\n");
        const QString side = repo.commitAll(QStringLiteral("side"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString two = repo.commitAll(QStringLiteral("two"));
        repo.writeFile(QStringLiteral("g.txt"), "3\n");
        const QString head = repo.commitAll(QStringLiteral("three"));
        const Signing signing = configureSigning(repo, QStringLiteral("openpgp with passphrase"));
        QVERIFY(signing.openPgp->isValid());
        signing.openPgp->setPinentryAnswer({}); // the user cancels the passphrase window

        const auto state = openState(repo.path());
        QSignalSpy announced(state.get(), &RepositoryState::outcomeAnnounced);
        await(state->refresh());
        const auto unchanged = [&](const QString& step, const QString& line) {
            QVERIFY2(repo.head() == head, qPrintable(step));
            QCOMPARE(repo.git({QStringLiteral("status"), QStringLiteral("--porcelain")}),
                     step == QLatin1String("commit") ? QStringLiteral("M  f.txt") : QString());
            QVERIFY2(!QFile::exists(repo.path() + QStringLiteral("/.git/MERGE_HEAD")) &&
                         !QFile::exists(repo.path() + QStringLiteral("/.git/CHERRY_PICK_HEAD")),
                     qPrintable(step));
            QVERIFY(!announced.isEmpty());
            QCOMPARE(announced.takeLast().at(0).toString(), line);
            // git's own words are kept for the log.
            QVERIFY2(LogStore::shared().entries().last().message.contains(
                         QLatin1String("failed to write commit object")),
                     qPrintable(logMessages().join(u'|')));
        };
        repo.writeFile(QStringLiteral("f.txt"), "3\n");
        await(state->refresh());
        await(state->stageAll());
        state->setCommitMessage(QStringLiteral("kept"));
        await(state->commitChanges());
        unchanged(QStringLiteral("commit"),
                  QStringLiteral("Commit failed: the commit could not be signed"));
        QCOMPARE(state->commitMessage(), QStringLiteral("kept"));
        repo.git({QStringLiteral("reset"), QStringLiteral("-q"), QStringLiteral("--hard")});

        state->setCommitToCherryPick(unloadedCommit(side));
        await(state->confirmCherryPickCommit());
        unchanged(QStringLiteral("cherry-pick"),
                  QStringLiteral("Cherry-pick failed: the commit could not be signed"));

        await(state->askMergeBranch(GitBranch::make(QStringLiteral("side"), false, false)));
        await(state->confirmMergeBranch());
        unchanged(QStringLiteral("merge"),
                  QStringLiteral("Merge failed: the merge commit could not be signed"));

        await(state->refresh());
        state->setSelectedCommits(ids({head, two}));
        state->askSquashCommits();
        await(state->confirmSquashCommits());
        unchanged(QStringLiteral("squash"),
                  QStringLiteral("Squash failed: the commit could not be signed"));
        QCOMPARE(state->headCommitHash(), head);
        QVERIFY(signing.openPgp->pinentryQuestions() >= 4);
    }

    // Every badge state on commits made for it; verification runs the user's programs only.
    void signatureBadgesTellEachState() {
        RepoFixture repo;
        repo.commitAll(QStringLiteral("root"));
        const QString plain = repo.commitAll(QStringLiteral("plain"));
        OpenPgpKey keys;
        QVERIFY(keys.isValid());
        const QString revoked =
            keys.addKey(QStringLiteral("Gone <gone@example.com>"), QStringLiteral("never"));
        QVERIFY(!revoked.isEmpty());
        SshSigningKey ssh(QStringLiteral("signer@example.com"));
        SshSigningKey stranger(QStringLiteral("stranger@example.com"));
        QVERIFY(ssh.isValid() && stranger.isValid());

        const auto signedCommit = [&](const QString& message, QStringList settings) {
            repo.advanceClock();
            QStringList args;
            for (const QString& setting : settings)
                args << QStringLiteral("-c") << setting;
            args << QStringLiteral("commit") << QStringLiteral("-q") << QStringLiteral("-S")
                 << QStringLiteral("--allow-empty") << QStringLiteral("-m") << message;
            repo.git(args);
            return repo.head();
        };
        const QString pgp = QStringLiteral("user.signingkey=") + keys.fingerprint();
        const QString good = signedCommit(QStringLiteral("good"), {pgp});
        const QString sshGood = signedCommit(
            QStringLiteral("ssh"), {QStringLiteral("gpg.format=ssh"),
                                    QStringLiteral("user.signingkey=") + ssh.publicKeyFile()});
        const QString sshUnknown =
            signedCommit(QStringLiteral("stranger"),
                         {QStringLiteral("gpg.format=ssh"),
                          QStringLiteral("user.signingkey=") + stranger.publicKeyFile()});
        // Made just before it signs, so that a slow machine still signs before it expires.
        const QString expiring =
            keys.addKey(QStringLiteral("Brief <brief@example.com>"), QStringLiteral("seconds=4"));
        // gpg reads the wall clock, which may not keep pace with a monotonic timer here.
        const qint64 briefKeyExpired = QDateTime::currentSecsSinceEpoch() + 5;
        QVERIFY(!expiring.isEmpty());
        const QString beforeExpired = repo.head();
        const QString expired = signedCommit(QStringLiteral("expired"),
                                             {QStringLiteral("user.signingkey=") + expiring});
        QVERIFY(expired != beforeExpired);
        const QString revokedCommit =
            signedCommit(QStringLiteral("revoked"), {QStringLiteral("user.signingkey=") + revoked});
        QVERIFY(keys.revoke(revoked));
        // The same signature over another message.
        QByteArray object =
            repo.gitOutput({QStringLiteral("cat-file"), QStringLiteral("commit"), good});
        object.replace("\n\ngood", "\n\nforged");
        QTemporaryDir scratch;
        const QString forgedFile = scratch.filePath(QStringLiteral("forged"));
        QFile forgedOut(forgedFile);
        QVERIFY(forgedOut.open(QIODevice::WriteOnly));
        forgedOut.write(object);
        forgedOut.close();
        const QString bad = repo.git({QStringLiteral("hash-object"), QStringLiteral("-t"),
                                      QStringLiteral("commit"), QStringLiteral("-w"), forgedFile});
        QString missing;
        {
            OpenPgpKey other; // a key the verifier will not have
            QVERIFY(other.isValid());
            missing = signedCommit(QStringLiteral("missing"),
                                   {QStringLiteral("user.signingkey=") + other.fingerprint()});
        }
        // The brief key expires.
        QTRY_VERIFY_WITH_TIMEOUT(QDateTime::currentSecsSinceEpoch() > briefKeyExpired, 30000);

        // A program the repository names must never run while we only look.
        const QString marker = scratch.filePath(QStringLiteral("marker"));
        const QString program = scratch.filePath(QStringLiteral("gpg"));
        QFile script(program);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho ran >> '" + marker.toUtf8() + "'\nexit 1\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
        for (const char* key :
             {"gpg.program", "gpg.openpgp.program", "gpg.ssh.program", "gpg.x509.program"})
            repo.git({QStringLiteral("config"), QString::fromLatin1(key), program});
        // Nor may the repository choose whose SSH keys count.
        repo.git({QStringLiteral("config"), QStringLiteral("gpg.ssh.allowedSignersFile"),
                  ssh.allowedSignersFile()});

        const auto state = openState(repo.path());
        SignatureBadges& badges = state->signatureBadges();
        const QStringList all{plain,   good,          sshGood, sshUnknown,
                              expired, revokedCommit, bad,     missing};
        const auto checkAll = [&] {
            badges.reset();
            for (const QString& id : all)
                badges.request(id);
            await(badges.checkRequested());
            QHash<QString, SignatureState> states;
            for (const QString& id : all)
                states.insert(id, badges.check(id).value_or(SignatureCheck{}).state);
            return states;
        };
        QHash<QString, SignatureState> states = checkAll();
        QCOMPARE(states.value(plain), SignatureState::Unsigned);
        QCOMPARE(states.value(good), SignatureState::Verified);
        QCOMPARE(states.value(expired), SignatureState::Expired);
        QCOMPARE(states.value(revokedCommit), SignatureState::Revoked);
        QCOMPARE(states.value(bad), SignatureState::Bad);
        QCOMPARE(states.value(missing), SignatureState::CannotCheck);
        // Without an allowed-signers file of the user's own, SSH signatures cannot be checked,
        // and the tooltip says how to set one.
        QCOMPARE(states.value(sshGood), SignatureState::CannotCheck);
        QVERIFY(badges.check(sshGood)->detail.contains(QLatin1String("allowedSignersFile")));
        QCOMPARE(badges.check(good)->signer, QStringLiteral("Test Signer <signer@example.com>"));

        const QStringList setGlobal{QStringLiteral("config"), QStringLiteral("--global"),
                                    QStringLiteral("gpg.ssh.allowedSignersFile"),
                                    ssh.allowedSignersFile()};
        repo.git(setGlobal);
        const auto unset = qScopeGuard([&] {
            repo.git({QStringLiteral("config"), QStringLiteral("--global"),
                      QStringLiteral("--unset"), QStringLiteral("gpg.ssh.allowedSignersFile")});
        });
        states = checkAll();
        QCOMPARE(states.value(sshGood), SignatureState::Verified);
        QCOMPARE(states.value(sshUnknown), SignatureState::UnknownKey);
        QCOMPARE(states.value(good), SignatureState::Verified);
        QVERIFY2(!QFile::exists(marker), "the repository's own signing program ran");

        // The diff header says it in words.
        QCOMPARE(describeSignature(*badges.check(sshGood)).left(29),
                 QStringLiteral("Signed by signer@example.com "));
    }

    void theMessageComesFromTheTemplateAndOutlivesARefusedCommit() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral(".git/template"),
                       "# Say why, not what\nArea: \n\n# Wrapped at 72\n");
        repo.git({QStringLiteral("config"), QStringLiteral("commit.template"),
                  QStringLiteral(".git/template")});
        QByteArray hook = "#!/bin/sh\ni=1\nwhile [ $i -le 250 ]; do echo \"rule $i\"; "
                          "i=$((i+1)); done\necho 'subject too vague' >&2\nexit 1\n";
        repo.writeFile(QStringLiteral(".git/hooks/commit-msg"), hook);
        QFile::setPermissions(repo.path() + QStringLiteral("/.git/hooks/commit-msg"),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ExeOwner);
        const QString head = repo.head();

        auto state = openState(repo.path());
        await(state->refresh());
        await(state->commitMessageMemory().fillFromTemplate());
        QCOMPARE(state->commitMessage(), QStringLiteral("Area:"));

        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        await(state->refresh());
        await(state->stageAll());
        state->setCommitMessage(QStringLiteral("Area: a message worth keeping"));
        QSignalSpy announced(state.get(), &RepositoryState::outcomeAnnounced);
        await(state->commitChanges());
        QCOMPARE(repo.head(), head);
        QCOMPARE(announced.value(0).value(0).toString(),
                 QStringLiteral("commit-msg hook rejected the commit"));
        QCOMPARE(state->hookOutput().hookName(), QStringLiteral("commit-msg"));
        const QStringList lines = state->hookOutput().output().split(u'\n');
        QCOMPARE(lines.size(), HookOutput::keptLines);
        QCOMPARE(lines.first(), QStringLiteral("rule 52"));
        QCOMPARE(lines.last(), QStringLiteral("subject too vague"));
        QCOMPARE(state->commitMessage(), QStringLiteral("Area: a message worth keeping"));

        // The program is closed and opened again.
        state.reset();
        state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->commitMessage(), QStringLiteral("Area: a message worth keeping"));
        QVERIFY(!state->hookOutput().isShown());

        QFile::remove(repo.path() + QStringLiteral("/.git/hooks/commit-msg"));
        await(state->commitChanges());
        QCOMPARE(
            repo.git({QStringLiteral("log"), QStringLiteral("-1"), QStringLiteral("--format=%s")}),
            QStringLiteral("Area: a message worth keeping"));
        QVERIFY(QTest::qWaitFor([&] { return state->commitMessage() == u"Area:"; }, 20000));
        QCOMPARE(AppSettings::keptCommitMessage(repo.path()), QString());
    }

    void revertStagesOrStopsOnConflict() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString a = repo.commitAll(QStringLiteral("two"));
        repo.writeFile(QStringLiteral("f.txt"), "3\n");
        repo.writeFile(QStringLiteral("g.txt"), "g\n");
        const QString b = repo.commitAll(QStringLiteral("three"));
        const auto state = openState(repo.path());
        await(state->refresh());

        state->setCommitToRevert(*loadedCommit(*state, b));
        QCOMPARE(revertCommitDialog(*state).message,
                 QStringLiteral("This will stage the inverse of the changes from ") + b.left(7) +
                     QStringLiteral(" (three). Review the changes before committing."));
        await(state->confirmRevertCommit());
        QVERIFY(!state->commitToRevert().has_value());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Reverted ") + b.left(7) +
                                            QStringLiteral(" — changes staged for review")});
        QCOMPARE(repo.head(), b);
        QVERIFY(findChange(*state, QStringLiteral("g.txt"), true).has_value());
        repo.git({QStringLiteral("reset"), QStringLiteral("-q"), QStringLiteral("--hard")});

        // Reverting "two" clashes with "three", which changed the same line again.
        state->setCommitToRevert(*loadedCommit(*state, a));
        await(state->confirmRevertCommit());
        QCOMPARE(logMessages().last(), QStringLiteral("Revert stopped on conflicts in 1 file"));
        QCOMPARE(LogStore::shared().entries().last().level, LogLevel::Info);
        QCOMPARE(state->operation().kind, OperationKind::Revert);
        const auto conflicted = findChange(*state, QStringLiteral("f.txt"), false);
        QVERIFY(conflicted.has_value());
        QCOMPARE(conflicted->status, ChangeStatus::Conflict);
        repo.git({QStringLiteral("revert"), QStringLiteral("--abort")});

        state->setCommitToRevert(
            unloadedCommit(QStringLiteral("0000000000000000000000000000000000000000")));
        await(state->confirmRevertCommit());
        QVERIFY(logMessages().last().startsWith(QStringLiteral("Revert failed: ")));
        await(state->confirmRevertCommit()); // no subject: nothing happens
        QCOMPARE(logMessages().size(), 3);
    }

    void cherryPickAppliesOrStopsOnConflict() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-b"),
                  QStringLiteral("side")});
        repo.writeFile(QStringLiteral("new.txt"), "n\n");
        const QString clean = repo.commitAll(QStringLiteral("clean"));
        repo.writeFile(QStringLiteral("f.txt"), "side\n");
        const QString clashing = repo.commitAll(QStringLiteral("clashing"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
        repo.writeFile(QStringLiteral("f.txt"), "main\n");
        repo.commitAll(QStringLiteral("main change"));
        const auto state = openState(repo.path());
        state->setHideResetBranches(false);
        await(state->refresh());

        state->setCommitToCherryPick(*loadedCommit(*state, clean));
        const ConfirmationDialog dialog = cherryPickCommitDialog(*state);
        QCOMPARE(dialog.title, QStringLiteral("Cherry-pick Commit?"));
        QCOMPARE(dialog.message,
                 QStringLiteral("This will apply the changes from ") + clean.left(7) +
                     QStringLiteral(" (clean) as a new commit on the current branch."));
        QCOMPARE(dialog.buttons.at(1).role, DialogButtonRole::Normal);
        await(dialog.buttons.at(1).action());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Cherry-picked ") + clean.left(7) +
                                            QStringLiteral(" onto current branch")});
        QCOMPARE(repo.readFile(QStringLiteral("new.txt")), QByteArray("n\n"));

        state->setCommitToCherryPick(*loadedCommit(*state, clashing));
        await(state->confirmCherryPickCommit());
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Cherry-pick stopped on conflicts in 1 file"));
        QCOMPARE(LogStore::shared().entries().last().level, LogLevel::Info);
        QCOMPARE(state->conflicts().size(), 1);
        QCOMPARE(findChange(*state, QStringLiteral("f.txt"), false)->status,
                 ChangeStatus::Conflict);
    }

    void detachedHeadAndEmptyRepository() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        const QString head = repo.commitAll(QStringLiteral("head"));
        repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("--detach")});
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->currentBranch(), QString());

        // The reset goes through locally; the push has no branch to go to.
        await(state->askResetToCommit(unloadedCommit(root)));
        state->setResetBranchName(QStringLiteral("saved"));
        await(state->confirmReset());
        QCOMPARE(logMessages().size(), 3);
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Force push failed: HEAD is not on a branch — the branch was reset "
                                "locally; Undo Last Reset brings it back"));
        QCOMPARE(repo.head(), root);
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("saved")}), head);
        QVERIFY(state->lastResetBranchName().has_value());

        // A repository without commits: the first commit works, a reset has nothing to go to.
        RepoFixture empty(QStringLiteral("empty"));
        const auto emptyState = openState(empty.path());
        await(emptyState->refresh());
        LogStore::shared().setEntries({});
        await(emptyState->askResetToCommit(unloadedCommit(root)));
        emptyState->setResetBranchName(QStringLiteral("saved"));
        await(emptyState->confirmReset());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Reset refused: ") + root.left(7) +
                                            QStringLiteral(" is not in the history of main")});
        empty.writeFile(QStringLiteral("a.txt"), "a\n");
        empty.git({QStringLiteral("add"), QStringLiteral("a.txt")});
        emptyState->setCommitMessage(QStringLiteral("first"));
        await(emptyState->commitChanges());
        QCOMPARE(logMessages().last(), QStringLiteral("Committed successfully"));
        QCOMPARE(emptyState->commits().size(), 1);
    }

    void historyDialogTexts() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        auto state = openState(repo.path());
        await(state->refresh());
        const ConfirmationDialog pop = popCommitDialog(*state);
        QCOMPARE(pop.title, QStringLiteral("Pop Commit?"));
        QCOMPARE(pop.message, QStringLiteral("This will undo the last commit and move its changes "
                                             "back to the staging area. The commit message will "
                                             "be restored."));
        QCOMPARE(pop.buttons.at(0).text, QStringLiteral("Cancel"));
        QCOMPARE(pop.buttons.at(0).role, DialogButtonRole::Cancel);
        QCOMPARE(pop.buttons.at(1).text, QStringLiteral("Pop"));
        QCOMPARE(pop.buttons.at(1).role, DialogButtonRole::Destructive);
        QCOMPARE(revertCommitDialog(*state).message, QString());

        await(state->askResetToCommit(state->commits().first()));
        state->setResetBranchName(QStringLiteral("keep"));
        const ConfirmationDialog reset = resetSheet(*state);
        QCOMPARE(reset.title, QStringLiteral("Reset to ") + state->commits().first().shortHash);
        QCOMPARE(reset.fieldPlaceholders,
                 QStringList{QStringLiteral("Branch name for saved commits")});
        QCOMPARE(reset.buttons.at(1).role, DialogButtonRole::Destructive);
        QVERIFY(reset.buttons.at(1).isDefault);

        // A button pressed after its tab closed does nothing.
        ConfirmationDialog orphan = popCommitDialog(*state);
        const QString head = repo.head();
        state.reset();
        await(orphan.buttons.at(1).action());
        QCOMPARE(repo.head(), head);
    }

    // The history is listed down to the newest commit of the day (or the last before it), that
    // commit selected and brought into view, however many pages down it lies.
    void goToDateListsTheHistoryDownToTheDay() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("start"));
        importCommits(repo, 300, QStringLiteral("main"), 24 * 60 * 60);
        const auto state = openState(repo.path());
        await(state->refresh());
        const qsizetype firstPage = state->commits().size();
        QVERIFY(firstPage < 280);
        QSignalSpy revealed(state.get(), &RepositoryState::commitRevealRequested);

        // Commit 20 was made on 2024-01-22, commit 19 the day before.
        const QString twenty = repo.git({QStringLiteral("rev-parse"), QStringLiteral("main~279")});
        QVERIFY(await(state->goToDate(QDate(2024, 1, 22))));
        QVERIFY(state->selectedCommit().has_value());
        QCOMPARE(state->selectedCommit()->id, twenty);
        QVERIFY(state->commits().size() > 280);
        QCOMPARE(revealed.size(), 1);
        QCOMPARE(revealed.at(0).at(0).toString(), twenty);

        // The current branch only reads the same way.
        await(state->toggleHideResetBranches());
        QVERIFY(await(state->goToDate(QDate(2024, 1, 5))));
        QCOMPARE(state->selectedCommit()->id,
                 repo.git({QStringLiteral("rev-parse"), QStringLiteral("main~296")}));

        QVERIFY(!await(state->goToDate(QDate(2023, 12, 1))));
        QCOMPARE(logMessages().last(),
                 QStringLiteral("No commit was made on or before 2023-12-01"));
    }

    void findInHistoryPagesAndRestoresTheHistory() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("start"));
        repo.writeFile(QStringLiteral("a.txt"), "b\n");
        repo.git({"commit", "-qam", "Fix (parser) [x]\n\nBody mentions Tokenizer",
                  "--author=Zo\u00eb Example <zoe@example.org>"});
        const QString fix = repo.head();
        importCommits(repo, 250);
        const QString deep = repo.git({"rev-parse", "HEAD~180"});
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadMoreCommits());
        QCOMPARE(state->commits().size(), 200);
        const QList<GitCommit> full = state->commits();
        state->selectCommit(full.at(3), false, false);
        QVERIFY(waitForDiff(*state));

        const auto shown = [&] {
            QStringList out;
            for (const GitCommit& c : state->commits())
                out.append(c.id);
            return out;
        };
        await(state->searchHistory(QStringLiteral("(PARSER) [x")));
        QCOMPARE(shown(), QStringList{fix});
        QVERIFY(state->isHistoryFiltered());
        QVERIFY(!state->hasMoreCommits());
        await(state->searchHistory(QStringLiteral("tokenizer")));
        QCOMPARE(shown(), QStringList{fix});
        await(state->searchHistory(QStringLiteral("zoe@EXAMPLE.org")));
        QCOMPARE(shown(), QStringList{fix});
        await(state->searchHistory(QStringLiteral("(p.*r)")));
        QCOMPARE(shown(), QStringList());

        // "commit 1", "commit 10".."19", "commit 100".."199": 111 matches, paged like history.
        await(state->searchHistory(QStringLiteral("commit 1")));
        QCOMPARE(state->commits().size(), 100);
        QVERIFY(state->hasMoreCommits());
        await(state->refresh());
        QCOMPARE(state->commits().size(), 100);
        QCOMPARE(state->historySearch(), QStringLiteral("commit 1"));
        await(state->loadMoreCommits());
        QCOMPARE(state->commits().size(), 111);
        QVERIFY(!state->hasMoreCommits());

        // A hash prefix finds the commit however deep it lies, and selects it.
        await(state->searchHistory(deep.left(9)));
        QCOMPARE(shown().value(0), deep);
        QCOMPARE(state->selectedCommit()->id, deep);

        state->clearHistorySearch();
        QVERIFY(!state->isHistoryFiltered());
        QCOMPARE(state->commits(), full);
        QCOMPARE(state->commitLimit(), 200);
        QCOMPARE(state->selectedCommit()->id, full.at(3).id);
        QCOMPARE(state->selectedCommits(), QSet<QString>{full.at(3).id});
        QVERIFY(waitForDiff(*state));
    }

    void quickTypingSearchesOnceAndStaleAnswersAreDropped() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("alpha"));
        repo.writeFile(QStringLiteral("a.txt"), "b\n");
        const QString beta = repo.commitAll(QStringLiteral("beta"));
        QTemporaryDir logDir;
        const QString calls = logDir.filePath(QStringLiteral("greps"));
        // Records every message search and holds back the one for "slow".
        GitStandIn standIn("for a in \"$@\"; do case \"$a\" in --grep=*) echo \"$a\" >> '" +
                           calls.toUtf8() +
                           "';; esac; done\n"
                           "case \"$*\" in *--grep=slow*) sleep 1;; esac");
        const auto state = openState(repo.path());
        await(state->refresh());

        for (const char* text : {"b", "be", "bet", "beta"})
            state->typeHistorySearch(QString::fromLatin1(text));
        QVERIFY(QTest::qWaitFor(
            [&] { return state->historySearch() == u"beta" && !state->isSearchingHistory(); }));
        QCOMPARE(state->commits().size(), 1);
        QFile file(calls);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("--grep=beta\n"));

        QCoro::Task<> slow = state->searchHistory(QStringLiteral("slow"));
        await(state->searchHistory(QStringLiteral("alpha")));
        await(std::move(slow));
        QCOMPARE(state->historySearch(), QStringLiteral("alpha"));
        QCOMPARE(state->commits().size(), 1);
        QCOMPARE(state->commits().constFirst().message, QStringLiteral("alpha"));
        QVERIFY(!state->isSearchingHistory());
        Q_UNUSED(beta);
    }

    void fileHistoryFollowsRenamesAndShowsThatFileAlone() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("old.txt"), "one\n");
        repo.writeFile(QStringLiteral("other.txt"), "x\n");
        const QString created = repo.commitAll(QStringLiteral("create"));
        repo.writeFile(QStringLiteral("other.txt"), "y\n");
        repo.commitAll(QStringLiteral("unrelated"));
        repo.git({"mv", "old.txt", "new.txt"});
        repo.writeFile(QStringLiteral("other.txt"), "z\n");
        const QString renamed = repo.commitAll(QStringLiteral("rename"));
        repo.writeFile(QStringLiteral("new.txt"), "one\ntwo\n");
        const QString edited = repo.commitAll(QStringLiteral("edit"));
        const auto state = openState(repo.path());
        await(state->refresh());
        const QList<GitCommit> full = state->commits();

        await(state->showFileHistory(QStringLiteral("new.txt")));
        QCOMPARE(state->fileHistoryPath(), QStringLiteral("new.txt"));
        QStringList shown;
        for (const GitCommit& c : state->commits())
            shown.append(c.id);
        QCOMPARE(shown, (QStringList{edited, renamed, created}));
        state->selectCommit(state->commits().at(1), false, false);
        QVERIFY(waitForDiff(*state));
        QVERIFY(QTest::qWaitFor([&] { return !state->diffText().isEmpty(); }));
        QVERIFY2(state->diffText().contains(QStringLiteral("rename from old.txt")),
                 qPrintable(state->diffText()));
        QVERIFY(!state->diffText().contains(QStringLiteral("other.txt")));
        state->selectCommit(state->commits().at(2), false, false);
        QVERIFY(QTest::qWaitFor([&] { return state->diffText().contains(u"old.txt"); }));
        QVERIFY(!state->diffText().contains(QStringLiteral("other.txt")));

        state->closeFileHistory();
        QCOMPARE(state->fileHistoryPath(), QString());
        QCOMPARE(state->commits(), full);
    }

    void planRules_data() {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("refused");
        // Messages git will ask for: "C=..." by the commit whose step asks.
        QTest::addColumn<QString>("messages");
        QTest::newRow("reorder") << "pA pB pC"
                                 << "move 0 2"
                                 << "pB pC pA" << false << "";
        QTest::newRow("squash chain goes after the chain's end")
            << "pA pB pC pD pE"
            << "meld 3 1 s; meld 4 2 s"
            << "pA pB sD sE pC" << false << "e=Msg B\n\nMsg D\n\nMsg E";
        QTest::newRow("fixup into a squash keeps the squash's message")
            << "pA sB fC pD"
            << ""
            << "pA sB fC pD" << false << "c=Msg A\n\nMsg B";
        QTest::newRow("fixups alone ask for nothing") << "pA fB fC"
                                                      << ""
                                                      << "pA fB fC" << false << "";
        QTest::newRow("dropped rows are skipped when melding")
            << "pA dB sC"
            << ""
            << "pA dB sC" << false << "c=Msg A\n\nMsg C";
        QTest::newRow("drop of the first row makes the next a pick")
            << "pA dB sC fD"
            << "act 0 d"
            << "dA dB pC fD" << false << "";
        QTest::newRow("squash on the oldest kept row is refused") << "dA pB pC"
                                                                  << "act 1 f"
                                                                  << "dA pB pC" << true << "";
        QTest::newRow("nothing melds into a dropped row") << "pA dB pC"
                                                          << "meld 2 1 s"
                                                          << "pA dB pC" << true << "";
        QTest::newRow("moving a squash to the bottom makes it a pick") << "pA sB pC"
                                                                       << "move 1 0"
                                                                       << "pB pA pC" << false << "";
        QTest::newRow("a row cannot meld into itself") << "pA pB"
                                                       << "meld 1 1 f"
                                                       << "pA pB" << true << "";
    }

    void planRules() {
        QFETCH(QString, plan);
        QFETCH(QString, edits);
        QFETCH(QString, expected);
        QFETCH(bool, refused);
        QFETCH(QString, messages);
        QList<PlanRow> rows = lettered(plan);
        const QString refusal = applyRuleEdits(rows, edits);
        QCOMPARE(letters(rows), expected);
        QCOMPARE(!refusal.isEmpty(), refused);
        QCOMPARE(refusal == QStringLiteral("a refused edit changed the plan"), false);
        QStringList asked;
        for (const PlannedMessage& message : plannedMessages(rows))
            asked.append(message.hash.left(1) + u'=' + message.message);
        QCOMPARE(asked.join(u';'), messages);
        QCOMPARE(planProblem(rows).isEmpty(), !expected.startsWith(u's') &&
                                                  !expected.startsWith(u'f') &&
                                                  expected.contains(u'p'));
    }

    void autosquashPlacement_data() {
        QTest::addColumn<QStringList>("subjects");
        QTest::addColumn<QString>("expected");
        QTest::newRow("by subject, nested, in order")
            << QStringList{"A", "B", "fixup! A", "squash! B", "fixup! fixup! A"}
            << "pA ffixup! A ffixup! fixup! A pB ssquash! B";
        QTest::newRow("by subject prefix and by id")
            << QStringList{"Add parser", "Tests", "squash! Add", "fixup! 0b0b0b"}
            << "pAdd parser ssquash! Add pTests ffixup! 0b0b0b";
        QTest::newRow("only earlier commits are named")
            << QStringList{"fixup! Later", "Later", "fixup! Nothing"}
            << "pfixup! Later pLater pfixup! Nothing";
    }

    void autosquashPlacement() {
        QFETCH(QStringList, subjects);
        QFETCH(QString, expected);
        QList<PlanRow> rows;
        for (qsizetype i = 0; i < subjects.size(); ++i)
            rows.append(PlanRow{
                .hash = QStringLiteral("%1").arg(int(i + 10), 2, 16, QChar(u'0')).repeated(20),
                .subject = subjects[i],
                .message = subjects[i]});
        QStringList placed;
        for (const PlanRow& row : autosquashed(rows))
            placed.append(actionLetters[qsizetype(row.action)] + row.subject);
        QCOMPARE(placed.join(u' '), expected);
    }

    // The plan carried out by our editors gives the trees and messages that plain
    // `git rebase -i` gives with the same todo list and messages.
    void historyEditMatchesPlainRebase_data() {
        QTest::addColumn<QString>("edits");
        QTest::addColumn<QString>("todo");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("selectedAfter");
        QTest::newRow("reword of the tenth commit")
            << "reword 0 Tenth, reworded"
            << "rA pB pC pD pE pF pG pH pI pJ" << QStringList{"Tenth, reworded"}
            << "Tenth, reworded";
        QTest::newRow("reorder") << "move 0 9; move 8 3"
                                 << "pB pC pD pJ pE pF pG pH pI pA" << QStringList{} << "Change 1";
        QTest::newRow("squash with its message, fixup into a squash")
            << "meld 5 2 s; meld 6 3 f; chain 2 Three to seven"
            << "pA pB pC sF fG pD pE pH pI pJ" << QStringList{"Three to seven"} << "Change 1";
        QTest::newRow("squash with git's joined message, drop of the first row")
            << "act 0 d; act 4 s"
            << "dA pB pC pD sE pF pG pH pI pJ" << QStringList{} << "Change 2";
        QTest::newRow("stop to edit, continued")
            << "act 3 e; reword 5 Sixth; move 0 9"
            << "pB pC eD pE rF pG pH pI pJ pA" << QStringList{"Sixth"} << "Change 1";
        QTest::newRow("placed fixups")
            << "auto"
            << "pA pB fH pC pD pE pF pG pI pJ" << QStringList{} << "Change 1";
    }

    void historyEditMatchesPlainRebase() {
        QFETCH(QString, edits);
        QFETCH(QString, todo);
        QFETCH(QStringList, messages);
        QFETCH(QString, selectedAfter);
        HelperProgram helper;
        RepoFixture repo;
        repo.writeFile(QStringLiteral("base.txt"), "base\n");
        const QString base = repo.commitAll(QStringLiteral("base"));
        QStringList hashes;
        for (int i = 1; i <= 10; ++i) {
            repo.writeFile(QStringLiteral("f%1.txt").arg(i), QByteArray::number(i) + "\n");
            // The eighth names the second for --autosquash.
            hashes.append(repo.commitAll(i == 8 ? QStringLiteral("fixup! Change 2")
                                                : QStringLiteral("Change %1\n\nBody %1").arg(i)));
        }
        const QString original = repo.head();
        // A branch inside the range moves with it, as rebase.updateRefs asks.
        repo.git({QStringLiteral("config"), QStringLiteral("rebase.updateRefs"),
                  QStringLiteral("true")});
        repo.git({QStringLiteral("branch"), QStringLiteral("part"), hashes[4]});
        const QStringList partArgs{QStringLiteral("log"), QStringLiteral("-1"),
                                   QStringLiteral("--format=%T %B"), QStringLiteral("part")};
        const auto state = openState(repo.path());
        await(state->refresh());
        state->selectCommit(*loadedCommit(*state, hashes[0]), false, false);
        HistoryEditor& editor = state->historyEditor();
        await(editor.begin(*loadedCommit(*state, hashes[0])));
        QVERIFY(editor.isEditing());
        QCOMPARE(editor.rows().size(), 10);
        applyPlanEdits(editor, edits);
        await(editor.start());
        if (state->operation().kind == OperationKind::Rebase)
            await(state->continueOperation());
        QCOMPARE(state->operation().kind, OperationKind::None);
        // The plan's files go once the edit is over, whichever way it ended.
        QTRY_VERIFY(!QFileInfo::exists(repo.path() + QStringLiteral("/.git/tolvane-history-edit")));
        const QStringList ours = treesAndMessages(repo, base);
        QVERIFY(QTest::qWaitFor([&] { return state->selectedCommit().has_value(); }, 20000));
        QCOMPARE(state->selectedCommit()->message, selectedAfter);
        // The selection followed the commit to its new id.
        QTRY_COMPARE(repo.gitStatus({QStringLiteral("merge-base"), QStringLiteral("--is-ancestor"),
                                     state->selectedCommit()->id, QStringLiteral("HEAD")}),
                     0);

        const QString ourPart = repo.git(partArgs);

        repo.git(
            {QStringLiteral("reset"), QStringLiteral("-q"), QStringLiteral("--hard"), original});
        repo.git(
            {QStringLiteral("branch"), QStringLiteral("-f"), QStringLiteral("part"), hashes[4]});
        QString plainTodo;
        for (const QString& item : todo.split(u' ')) {
            plainTodo +=
                todoWord(actionOf(item[0])) + u' ' + hashes[item[1].unicode() - 'A'] + u'\n';
            if (item[1] == u'E')
                plainTodo += QStringLiteral("update-ref refs/heads/part\n");
        }
        int status = plainRebase(repo, {QStringLiteral("rebase"), QStringLiteral("-i"), base},
                                 plainTodo, messages);
        if (status == 0 && todo.contains(u'e'))
            status = plainRebase(repo, {QStringLiteral("rebase"), QStringLiteral("--continue")},
                                 plainTodo, messages);
        QCOMPARE(status, 0);
        QCOMPARE(ours, treesAndMessages(repo, base));
        QCOMPARE(ourPart, repo.git(partArgs));
    }

    void historyEditRefusesMerges() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        const QString first = repo.commitAll(QStringLiteral("first"));
        repo.git({QStringLiteral("switch"), QStringLiteral("-q"), QStringLiteral("-c"),
                  QStringLiteral("side")});
        repo.writeFile(QStringLiteral("side.txt"), "side\n");
        repo.commitAll(QStringLiteral("side"));
        repo.git({QStringLiteral("switch"), QStringLiteral("-q"), QStringLiteral("main")});
        repo.writeFile(QStringLiteral("b.txt"), "b\n");
        const QString second = repo.commitAll(QStringLiteral("second"));
        repo.advanceClock();
        repo.git({QStringLiteral("merge"), QStringLiteral("-q"), QStringLiteral("--no-ff"),
                  QStringLiteral("-m"), QStringLiteral("merge side"), QStringLiteral("side")});
        const auto state = openState(repo.path());
        await(state->refresh());
        HistoryEditor& editor = state->historyEditor();
        for (const QString& start : {second, repo.head()}) {
            LogStore::shared().setEntries({});
            await(editor.begin(*loadedCommit(*state, start)));
            QVERIFY(!editor.isEditing());
            QVERIFY2(editor.refusal().contains(QStringLiteral("merge")),
                     qPrintable(editor.refusal()));
            QCOMPARE(logMessages().size(), 1);
        }
        // A commit of another branch is not this branch's history.
        repo.git({QStringLiteral("switch"), QStringLiteral("-q"), QStringLiteral("-c"),
                  QStringLiteral("other"), first});
        repo.writeFile(QStringLiteral("other.txt"), "other\n");
        const GitCommit other = unloadedCommit(repo.commitAll(QStringLiteral("other")));
        repo.git({QStringLiteral("switch"), QStringLiteral("-q"), QStringLiteral("main")});
        await(editor.begin(other));
        QVERIFY(!editor.isEditing());
        QVERIFY2(editor.refusal().contains(QStringLiteral("not on the current branch")),
                 qPrintable(editor.refusal()));
    }

    // A conflict mid-plan stops with the banner's operation; abort restores the branch,
    // continuing finishes the plan with the messages it planned after the stop.
    void historyEditConflictAbortedThenContinued() {
        HelperProgram helper;
        RepoFixture repo;
        repo.writeFile(QStringLiteral("shared.txt"), "0\n");
        const QString base = repo.commitAll(QStringLiteral("base"));
        repo.writeFile(QStringLiteral("shared.txt"), "1\n");
        const QString one = repo.commitAll(QStringLiteral("one"));
        repo.writeFile(QStringLiteral("shared.txt"), "2\n");
        repo.commitAll(QStringLiteral("two"));
        repo.writeFile(QStringLiteral("other.txt"), "x\n");
        repo.commitAll(QStringLiteral("three"));
        const QString original = repo.head();
        const auto state = openState(repo.path());
        await(state->refresh());
        HistoryEditor& editor = state->historyEditor();
        for (const bool abort : {true, false}) {
            await(editor.begin(*loadedCommit(*state, one)));
            editor.moveRow(1, 0);
            editor.setRewordMessage(2, QStringLiteral("three, reworded"));
            await(editor.start());
            QCOMPARE(state->operation().kind, OperationKind::Rebase);
            QCOMPARE(state->conflicts().size(), 1);
            QVERIFY(!editor.isEditing());
            if (abort) {
                state->askAbortOperation();
                await(state->confirmAbortOperation());
                QCOMPARE(repo.head(), original);
                QCOMPARE(state->operation().kind, OperationKind::None);
                continue;
            }
            // Each side in turn: "two" onto the base, then "one" onto it.
            for (const QByteArray resolved : {QByteArray("2\n"), QByteArray("1\n")}) {
                QCOMPARE(state->conflicts().size(), 1);
                repo.writeFile(QStringLiteral("shared.txt"), resolved);
                repo.git({QStringLiteral("add"), QStringLiteral("shared.txt")});
                await(state->refresh());
                await(state->continueOperation());
            }
        }
        QCOMPARE(state->operation().kind, OperationKind::None);
        QCOMPARE(repo.git({QStringLiteral("log"), QStringLiteral("--format=%s"),
                           base + QStringLiteral("..HEAD")}),
                 QStringLiteral("three, reworded\none\ntwo"));
        QCOMPARE(repo.readFile(QStringLiteral("shared.txt")), QByteArray("1\n"));
    }

    void historyEditOfPushedCommitsAsksThenAHookRejects() {
        HelperProgram helper;
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("first"));
        repo.writeFile(QStringLiteral("b.txt"), "b\n");
        const QString second = repo.commitAll(QStringLiteral("second"));
        repo.writeFile(QStringLiteral("c.txt"), "c\n");
        repo.commitAll(QStringLiteral("third"));
        const QString original = repo.head();
        repo.writeFile(QStringLiteral(".git/hooks/pre-commit"),
                       "#!/bin/sh\necho refused >&2\nexit 1\n");
        QFile(repo.path() + QStringLiteral("/.git/hooks/pre-commit"))
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner);
        repo.addBareOrigin();
        const auto state = openState(repo.path());
        await(state->refresh());
        HistoryEditor& editor = state->historyEditor();
        await(editor.begin(*loadedCommit(*state, second)));
        editor.setRewordMessage(0, QStringLiteral("second, reworded"));
        // The commits are on the remote: the user is asked first.
        await(editor.start());
        QVERIFY(editor.showPushedConfirmation());
        QVERIFY(editor.isEditing());
        QCOMPARE(state->operation().kind, OperationKind::None);
        // git does not start over uncommitted changes: the plan stays open to try again.
        repo.writeFile(QStringLiteral("a.txt"), "changed\n");
        await(editor.confirmStartPushed());
        QVERIFY(editor.isEditing());
        QCOMPARE(editor.rows()[0].editedMessage, QStringLiteral("second, reworded"));
        QCOMPARE(repo.head(), original);
        QVERIFY(logMessages().last().startsWith(QStringLiteral("History edit failed")));
        repo.git({QStringLiteral("checkout"), QStringLiteral("--"), QStringLiteral("a.txt")});
        await(state->refresh());
        await(editor.confirmStartPushed());
        QCOMPARE(state->operation().kind, OperationKind::Rebase);
        const QStringList messages = logMessages();
        QVERIFY2(!messages.isEmpty() &&
                     messages.last().startsWith(QStringLiteral("History edit failed")) &&
                     messages.last().contains(QStringLiteral("refused")),
                 qPrintable(messages.join(u'\n')));
        state->askAbortOperation();
        await(state->confirmAbortOperation());
        QCOMPARE(repo.head(), original);
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateHistory)
#include "tst_RepositoryStateHistory.moc"
