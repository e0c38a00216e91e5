// Stashes, amending the last commit, and getting discarded changes back, on real repositories.
#include "StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

class TestRepositoryStateStashes : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

    static bool logged(const QString& text) {
        for (const QString& message : logMessages())
            if (message.contains(text))
                return true;
        return false;
    }

private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    void stashWithAndWithoutUntrackedThenApplyPopDrop() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("staged.txt"), "1\n");
        repo.writeFile(QStringLiteral("edited.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("staged.txt"), "2\n");
        repo.git({"add", "staged.txt"});
        repo.writeFile(QStringLiteral("edited.txt"), "2\n");
        repo.writeFile(QStringLiteral("new.txt"), "new\n");
        const auto state = openState(repo.path());
        await(state->refresh());

        // Everything, untracked files included.
        state->askStashChanges();
        QVERIFY(state->showStashSheet());
        state->setStashMessage(QStringLiteral("  all of it "));
        state->setStashIncludeUntracked(true);
        await(state->confirmStashChanges());
        QCOMPARE(state->stashes().size(), 1);
        QCOMPARE(state->stashes()[0].message, QStringLiteral("On main: all of it"));
        QCOMPARE(state->stashes()[0].branch, QStringLiteral("main"));
        QVERIFY(state->stashes()[0].time > 0);
        QVERIFY(state->changes().isEmpty());
        QVERIFY(logged(QStringLiteral("Saved working directory and index state On main: all")));

        // Its diff holds the untracked file as well, in the text and in the file list.
        await(state->selectStash(state->stashes()[0]));
        QVERIFY(state->diffText().contains(QStringLiteral("+++ b/new.txt")));
        QVERIFY(state->diffText().contains(QStringLiteral("+++ b/edited.txt")));
        QStringList paths;
        for (const CommitFileEntry& file : state->commitFiles())
            paths.append(file.path);
        paths.sort();
        QCOMPARE(paths, (QStringList{"edited.txt", "new.txt", "staged.txt"}));

        await(state->applyStash(state->stashes()[0], true));
        QVERIFY(state->stashes().isEmpty());
        QCOMPARE(repo.readFile(QStringLiteral("new.txt")), QByteArray("new\n"));
        QCOMPARE(repo.readFile(QStringLiteral("edited.txt")), QByteArray("2\n"));
        QVERIFY(logged(QStringLiteral("Popped stash@{0}")));

        // Without untracked files, keeping what is staged.
        repo.git({"add", "staged.txt"});
        state->askStashChanges();
        QVERIFY(!state->stashIncludeUntracked() && state->stashMessage().isEmpty());
        state->setStashKeepIndex(true);
        await(state->confirmStashChanges());
        QCOMPARE(state->stashes().size(), 1);
        QVERIFY(state->stashes()[0].message.startsWith(QStringLiteral("WIP on main: ")));
        QCOMPARE(repo.git({"status", "--porcelain"}), QStringLiteral("M  staged.txt\n?? new.txt"));
        repo.git({"reset", "-q", "--hard"});

        await(state->applyStash(state->stashes()[0], false));
        QCOMPARE(state->stashes().size(), 1);
        QCOMPARE(repo.readFile(QStringLiteral("edited.txt")), QByteArray("2\n"));
        QVERIFY(logged(QStringLiteral("Applied stash@{0}")));

        // A stash list changed behind our back: the old entry names another stash now.
        const StashEntry listed = state->stashes()[0];
        repo.git({"stash", "-q"});
        state->askDropStash(listed);
        QVERIFY(state->showDropStashConfirmation());
        await(state->confirmDropStash());
        QVERIFY(logged(QStringLiteral("the stash list has changed")));
        QCOMPARE(state->stashes().size(), 2);

        state->askDropStash(state->stashes()[1]);
        await(state->confirmDropStash());
        QCOMPARE(state->stashes().size(), 1);
        QVERIFY(logged(QStringLiteral("Dropped stash@{1}")));
    }

    void conflictingPopKeepsTheStash() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "base\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "stashed\n");
        repo.git({"stash", "-q"});
        repo.writeFile(QStringLiteral("a.txt"), "committed\n");
        repo.commitAll(QStringLiteral("other"));
        const auto state = openState(repo.path());
        await(state->refresh());

        await(state->applyStash(state->stashes()[0], true));
        QCOMPARE(state->stashes().size(), 1);
        bool conflicted = false;
        for (const FileChange& change : state->changes())
            conflicted |= change.path == u"a.txt" && change.status == ChangeStatus::Conflict;
        QVERIFY(conflicted);
        QVERIFY(logged(QStringLiteral("Popping stash@{0} stopped with conflicts in a.txt; the "
                                      "stash was kept")));
    }

    void amendFillsRestoresAndRewritesOnlyTheMessage() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        const QString last = repo.commitAll(QStringLiteral("Last subject\n\nIts body"));
        const QString tree = repo.git({"rev-parse", "HEAD^{tree}"});
        const auto state = openState(repo.path());
        await(state->refresh());

        state->setCommitMessage(QStringLiteral("typed"));
        await(state->setAmending(true));
        QVERIFY(state->amendLastCommit());
        QCOMPARE(state->commitMessage(), QStringLiteral("Last subject\n\nIts body"));
        await(state->setAmending(false));
        QCOMPARE(state->commitMessage(), QStringLiteral("typed"));

        await(state->setAmending(true));
        state->setCommitMessage(QStringLiteral("Better subject"));
        await(state->commitChanges());
        QCOMPARE(repo.git({"log", "-1", "--format=%B"}), QStringLiteral("Better subject"));
        QCOMPARE(repo.git({"rev-parse", "HEAD^{tree}"}), tree);
        QCOMPARE(repo.git({"rev-parse", "HEAD^"}), repo.git({"rev-parse", last + "^"}));
        QVERIFY(!state->amendLastCommit());
        QVERIFY(state->commitMessage().isEmpty());

        // A commit already on the upstream is amended only after the warning.
        repo.addBareOrigin();
        await(state->setAmending(true));
        state->setCommitMessage(QStringLiteral("Pushed, amended"));
        const QString pushed = repo.head();
        await(state->commitChanges());
        QVERIFY(state->showAmendPushedConfirmation());
        QCOMPARE(repo.head(), pushed);
        state->setShowAmendPushedConfirmation(false);
        await(state->confirmAmendPushed());
        QCOMPARE(repo.git({"log", "-1", "--format=%s"}), QStringLiteral("Pushed, amended"));

        // Refused in the middle of a merge, even when amend mode was on before it began.
        await(state->setAmending(true));
        repo.makeConflict(QStringLiteral("c.txt"));
        const QString beforeMerge = repo.head();
        await(state->commitChanges());
        QCOMPARE(repo.head(), beforeMerge);
        QVERIFY(logged(QStringLiteral("Cannot amend while a merge is in progress")));
        await(state->setAmending(false));
        LogStore::shared().setEntries({});
        await(state->setAmending(true));
        QVERIFY(!state->amendLastCommit());
        QVERIFY(logged(QStringLiteral("Cannot amend while a merge is in progress")));

        // And on a repository without any commit.
        RepoFixture empty;
        const auto fresh = openState(empty.path());
        await(fresh->refresh());
        await(fresh->setAmending(true));
        QVERIFY(!fresh->amendLastCommit());
        QVERIFY(logged(QStringLiteral("no commit yet")));
    }

    // Each discard — one file, several, everything, a hunk — is saved first and can be restored
    // byte for byte, after a restart and git's garbage collection too.
    void everyDiscardCanBeRestored() {
        RepoFixture repo;
        const QByteArray binary("\x00\x01\xff\x00", 4);
        repo.writeFile(QStringLiteral("crlf.txt"), "a\r\nb\r\nc\r\n");
        repo.writeFile(QStringLiteral("open.txt"), "x\ny");
        repo.writeFile(QStringLiteral("blob.bin"), binary);
        repo.commitAll(QStringLiteral("root"));
        const QByteArray crlf("a\r\nB\r\nc\r\n");
        const QByteArray open("x\nY");
        const QByteArray changedBinary("\x00\x02", 2);
        const auto write = [&] {
            repo.writeFile(QStringLiteral("crlf.txt"), crlf);
            repo.writeFile(QStringLiteral("open.txt"), open);
            repo.writeFile(QStringLiteral("blob.bin"), changedBinary);
        };
        const auto restoredAll = [&] {
            return repo.readFile(QStringLiteral("crlf.txt")) == crlf &&
                   repo.readFile(QStringLiteral("open.txt")) == open &&
                   repo.readFile(QStringLiteral("blob.bin")) == changedBinary;
        };
        write();
        auto state = openState(repo.path());
        await(state->refresh());

        // One file.
        state->askDiscardChanges(*findChange(*state, QStringLiteral("blob.bin"), false));
        await(state->confirmDiscardChanges());
        QCOMPARE(repo.readFile(QStringLiteral("blob.bin")), binary);
        QCOMPARE(state->discardedChanges().size(), 1);
        QCOMPARE(state->discardedChanges()[0].paths, QStringList{"blob.bin"});
        await(state->restoreDiscarded(state->discardedChanges()[0]));
        QCOMPARE(repo.readFile(QStringLiteral("blob.bin")), changedBinary);

        // Several files.
        state->selectFile(*findChange(*state, QStringLiteral("crlf.txt"), false), false, false);
        state->selectFile(*findChange(*state, QStringLiteral("open.txt"), false), true, false);
        state->askDiscardSelectedChanges();
        await(state->confirmDiscardChanges());
        QCOMPARE(repo.readFile(QStringLiteral("open.txt")), QByteArray("x\ny"));
        QCOMPARE(state->discardedChanges().size(), 2);
        QCOMPARE(state->discardedChanges()[0].paths, (QStringList{"crlf.txt", "open.txt"}));
        await(state->restoreDiscarded(state->discardedChanges()[0]));
        QVERIFY(restoredAll());

        // Everything.
        await(state->confirmDiscardAllChanges());
        QVERIFY(state->changes().isEmpty());
        QCOMPARE(state->discardedChanges().size(), 3);
        QCOMPARE(state->discardedChanges()[0].description, QStringLiteral("Discarded all changes"));

        // A restart finds the saves; garbage collection keeps them.
        state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->discardedChanges().size(), 3);
        repo.git({"gc", "-q", "--prune=now"});
        await(state->selectDiscardedChange(state->discardedChanges()[0]));
        QVERIFY(state->diffText().contains(QStringLiteral("-y\n\\ No newline at end of file\n+Y")));
        QCOMPARE(state->commitFiles().size(), 3);
        await(state->restoreDiscarded(state->discardedChanges()[0]));
        QVERIFY(restoredAll());
        QVERIFY(logged(QStringLiteral("Restored \"Discarded all changes\"")));

        // One hunk.
        const FileChange file = *findChange(*state, QStringLiteral("crlf.txt"), false);
        await(state->loadDiff(file, true));
        QVERIFY(waitForDiff(*state));
        state->askDiscardHunks(state->parsedDiff()->hunks);
        await(state->confirmDiscardHunks());
        QCOMPARE(repo.readFile(QStringLiteral("crlf.txt")), QByteArray("a\r\nb\r\nc\r\n"));
        QVERIFY(QTest::qWaitFor([&] { return state->discardedChanges().size() == 4; }, 20000));
        QCOMPARE(state->discardedChanges()[0].paths, QStringList{"crlf.txt"});
        await(state->restoreDiscarded(state->discardedChanges()[0]));
        QVERIFY(restoredAll());
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateStashes)
#include "tst_RepositoryStateStashes.moc"
