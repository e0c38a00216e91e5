// Stashes, amending the last commit, and getting discarded changes back, on real repositories.
#include "StateTestSupport.h"
#include "engine/gitText.h"
#include "state/confirmationDialogs.h"
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
        // The popped stash is gone, and so is its diff.
        QVERIFY(!state->selectedStash().has_value());
        QVERIFY(!state->selectedCommit().has_value());
        QVERIFY(state->diffText().isEmpty());
        QVERIFY(state->commitFiles().isEmpty());
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

        await(state->selectStash(state->stashes()[0]));
        await(state->applyStash(state->stashes()[0], false));
        QCOMPARE(state->stashes().size(), 1);
        QCOMPARE(repo.readFile(QStringLiteral("edited.txt")), QByteArray("2\n"));
        QVERIFY(logged(QStringLiteral("Applied stash@{0}")));
        // Applied, it stays, and stays shown.
        QVERIFY(state->selectedStash().has_value());
        QVERIFY(state->diffText().contains(QStringLiteral("+++ b/edited.txt")));

        // A stash list changed behind our back: the old entry names another stash now.
        const StashEntry listed = state->stashes()[0];
        repo.git({"stash", "-q"});
        state->askDropStash(listed);
        QVERIFY(state->showDropStashConfirmation());
        await(state->confirmDropStash());
        QVERIFY(logged(QStringLiteral("the stash list has changed")));
        QCOMPARE(state->stashes().size(), 2);

        QVERIFY(state->discardedChanges().isEmpty()); // neither a pop nor a refused drop
        state->askDropStash(state->stashes()[1]);
        await(state->confirmDropStash());
        QCOMPARE(state->stashes().size(), 1);
        QVERIFY(logged(QStringLiteral("Dropped stash@{1}")));

        // The dropped stash is among the recently discarded changes and comes back from there.
        QCOMPARE(state->discardedChanges().size(), 1);
        const DiscardedChange dropped = state->discardedChanges()[0];
        QVERIFY(dropped.isStash);
        QVERIFY2(dropped.description.startsWith(QStringLiteral("Dropped stash: WIP on main: ")),
                 qPrintable(dropped.description));
        repo.git({"gc", "-q", "--prune=now"});
        await(state->selectDiscardedChange(dropped));
        QVERIFY(state->diffText().contains(QStringLiteral("+++ b/edited.txt")));
        repo.git({"reset", "-q", "--hard"});
        QCOMPARE(repo.readFile(QStringLiteral("edited.txt")), QByteArray("1\n"));
        await(state->restoreDiscarded(dropped));
        QVERIFY(logged(QStringLiteral("Restored \"Dropped stash: WIP on main: ")));
        QCOMPARE(repo.readFile(QStringLiteral("edited.txt")), QByteArray("2\n"));
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
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Popping stash@{0} stopped on conflicts in 1 file; the stash was "
                                "kept"));
        QCOMPARE(LogStore::shared().entries().last().level, LogLevel::Info);
        QCOMPARE(state->conflicts().size(), 1);
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

        // Pushed to another branch, which this one does not track: still a pushed commit.
        repo.git({"push", "-q", "origin", "HEAD:refs/heads/elsewhere"});
        const QString elsewhere = repo.head();
        await(state->setAmending(true));
        state->setCommitMessage(QStringLiteral("Amended again"));
        await(state->commitChanges());
        QVERIFY(state->showAmendPushedConfirmation());
        QCOMPARE(repo.head(), elsewhere);
        state->setShowAmendPushedConfirmation(false);
        await(state->confirmAmendPushed());
        QCOMPARE(repo.git({"log", "-1", "--format=%s"}), QStringLiteral("Amended again"));

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

    // A save cut short (the tab closed between the discard and its second snapshot) still
    // knows what the discard was to leave: its Restore brings back the files left so, keeps a
    // newer edit apart from the change, and refuses the file edited over it, which stays intact.
    void cutShortSaveNeverOverwritesANewerEdit() {
        RepoFixture repo;
        const QByteArray lines("1\n2\n3\n4\n5\n6\n7\n8\n9\n");
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.writeFile(QStringLiteral("b.txt"), "b\n");
        repo.writeFile(QStringLiteral("c.txt"), lines);
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "A\n");
        repo.writeFile(QStringLiteral("b.txt"), "B\n");
        const GitService git(repo.path());
        await(saveBeforeDiscard(git, QStringLiteral("Both"), {"a.txt", "b.txt"}));
        repo.git({"restore", "a.txt", "b.txt"});
        repo.writeFile(QStringLiteral("b.txt"), "newer\n");

        // Two hunks; the first is discarded on its own, and that save is cut short too.
        repo.writeFile(QStringLiteral("c.txt"), "ONE\n2\n3\n4\n5\n6\n7\n8\nNINE\n");
        const QString diff = decodeGitBytes(repo.gitOutput({"diff", "--", "c.txt"}));
        const QString firstHunk = diff.left(diff.lastIndexOf(QStringLiteral("\n@@")) + 1);
        QVERIFY(firstHunk.contains(QStringLiteral("+ONE")) && !firstHunk.contains(u"NINE"));
        await(saveBeforeDiscard(git, QStringLiteral("Hunk"), {"c.txt"}, firstHunk));
        await(git.discardPatch(firstHunk));
        QCOMPARE(repo.readFile(QStringLiteral("c.txt")),
                 QByteArray("1\n2\n3\n4\n5\n6\n7\n8\nNINE\n"));

        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->discardedChanges().size(), 2);
        await(state->restoreDiscarded(state->discardedChanges()[0]));
        QCOMPARE(repo.readFile(QStringLiteral("c.txt")),
                 QByteArray("ONE\n2\n3\n4\n5\n6\n7\n8\nNINE\n"));

        await(state->restoreDiscarded(state->discardedChanges()[1]));
        QCOMPARE(repo.readFile(QStringLiteral("a.txt")), QByteArray("A\n"));
        QCOMPARE(repo.readFile(QStringLiteral("b.txt")), QByteArray("newer\n"));
        QVERIFY(
            logged(QStringLiteral("Restored \"Both\" except b.txt: changed since the discard")));

        // Nothing of it fits any more: refused as a whole, and nothing is touched.
        LogStore::shared().setEntries({});
        await(state->restoreDiscarded(state->discardedChanges()[1]));
        QVERIFY(logged(QStringLiteral("Failed to restore \"Both\": ")));
        QCOMPARE(repo.readFile(QStringLiteral("b.txt")), QByteArray("newer\n"));

        // Saves that never recorded what the discard left (made by earlier versions) count a
        // file at its index version as left by the discard.
        repo.writeFile(QStringLiteral("a.txt"), "old a\n");
        repo.writeFile(QStringLiteral("b.txt"), "old save\n");
        repo.git({"add", "a.txt", "b.txt"});
        const QString tree = repo.git({"write-tree"});
        repo.git({"reset", "-q"});
        const QString legacy = repo.git({"commit-tree", "-m", "Legacy\n\nb.txt\na.txt", tree});
        repo.git({"update-ref", "refs/tolvane/discarded/0000000000001-00000000", legacy});
        repo.git({"checkout", "--", "a.txt", "b.txt"});
        repo.writeFile(QStringLiteral("a.txt"), "edited after\n");
        await(state->refresh());
        await(state->restoreDiscarded(state->discardedChanges().last()));
        QCOMPARE(repo.readFile(QStringLiteral("b.txt")), QByteArray("old save\n"));
        QCOMPARE(repo.readFile(QStringLiteral("a.txt")), QByteArray("edited after\n"));
        QVERIFY(logged(QStringLiteral("Restored \"Legacy\" except a.txt")));
    }

    // Saves keep their scratch index in the worktree's own git folder, closed to others; they
    // never show in a history, branch or tag list; and Delete removes one for good.
    void savesArePrivateUnlistedAndDeletable() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({"tag", "v1"});
        repo.git({"config", "core.logAllRefUpdates", "always"});
        const QString linked = repo.addWorktree(QStringLiteral("linked"), {}, "side");
        const QString gitDir = repo.git({"rev-parse", "--absolute-git-dir"}, linked);
        QVERIFY(gitDir.contains(QStringLiteral("/worktrees/")));
        QFile secret(linked + QStringLiteral("/a.txt"));
        QVERIFY(secret.open(QIODevice::WriteOnly | QIODevice::Truncate));
        secret.write("secret\n");
        secret.close();
        const auto state = openState(linked);
        await(state->refresh());
        if (state->hideResetBranches())
            await(state->toggleHideResetBranches());

        QTemporaryDir scratch;
        const QString seen = scratch.filePath(QStringLiteral("seen"));
        {
            GitStandIn noting("[ -n \"$GIT_INDEX_FILE\" ] && stat -c '%a %n' "
                              "\"$(dirname \"$GIT_INDEX_FILE\")\" >> '" +
                              seen.toUtf8() + "'");
            state->askDiscardChanges(*findChange(*state, QStringLiteral("a.txt"), false));
            await(state->confirmDiscardChanges());
        }
        QFile noted(seen);
        QVERIFY(noted.open(QIODevice::ReadOnly));
        const QStringList folders =
            QString::fromUtf8(noted.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(!folders.isEmpty());
        for (const QString& folder : folders)
            QCOMPARE(folder, QStringLiteral("700 ") + gitDir + QStringLiteral("/tolvane"));
        // Only the operations journal stays; no temporary index is left behind.
        QCOMPARE(QDir(gitDir + QStringLiteral("/tolvane"))
                     .entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{QStringLiteral("undo-journal.json")});

        QCOMPARE(state->discardedChanges().size(), 1);
        const DiscardedChange save = state->discardedChanges()[0];
        const QStringList hidden{save.hash, repo.git({"rev-parse", save.hash + "^"})};
        for (const GitCommit& commit : state->commits())
            QVERIFY(!hidden.contains(commit.id));
        QCOMPARE(state->commits().size(), 1);
        for (const GitBranch& branch : state->branches())
            QVERIFY2(!branch.name.contains(u"tolvane"), qPrintable(branch.name));
        QCOMPARE(state->tags(), QStringList{"v1"});
        await(state->searchHistory(QStringLiteral("discard")));
        QVERIFY(state->commits().isEmpty());
        await(state->searchHistory(QString()));

        // Delete asks first, then nothing refers to what the save held.
        state->askDeleteDiscarded(save);
        QVERIFY(state->showDeleteDiscardedConfirmation());
        const ConfirmationDialog dialog = deleteDiscardedDialog(*state);
        QCOMPARE(dialog.title, QStringLiteral("Delete Saved Changes?"));
        QVERIFY(dialog.message.contains(QStringLiteral("\"Discarded changes to a.txt\"")));
        QVERIFY(repo.gitStatus({"reflog", "exists", save.ref}) == 0);
        await(state->confirmDeleteDiscarded());
        QVERIFY(logged(QStringLiteral("Deleted \"Discarded changes to a.txt\"")));
        QVERIFY(state->discardedChanges().isEmpty());
        QCOMPARE(repo.git({"for-each-ref", "refs/tolvane/discarded/"}), QString());
        QVERIFY(repo.gitStatus({"reflog", "exists", save.ref}) != 0);
        repo.git({"reflog", "expire", "--expire=now", "--all"});
        repo.git({"gc", "-q", "--prune=now"});
        QVERIFY(repo.gitStatus({"cat-file", "-e", save.hash}) != 0);
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateStashes)
#include "tst_RepositoryStateStashes.moc"
