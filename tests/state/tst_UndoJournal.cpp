// The journal of operations: its file format and decisions as tables, then undo and redo of each
// covered operation on real repositories, refusals, a restart with garbage collection, and random
// sequences undone back to where they began.
#include "StateTestSupport.h"
#include "state/UndoJournal.h"
#include "state/journalRules.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

namespace {

const QString A = QStringLiteral("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa");
const QString B = QStringLiteral("bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb");
const QString C = QStringLiteral("cccccccccccccccccccccccccccccccccccccccc");

RepositorySnapshot snapshot(QMap<QString, QString> refs, QString headRef = "refs/heads/main",
                            QString index = "t1", QStringList stashes = {}) {
    RepositorySnapshot s;
    s.refs = std::move(refs);
    s.headRef = std::move(headRef);
    s.headId = s.refs.value(s.headRef);
    s.indexTree = index;
    s.workTree = index;
    s.stashIds = stashes;
    for (qsizetype i = 0; i < stashes.size(); ++i)
        s.stashMessages.append(QStringLiteral("On main: %1").arg(i));
    return s;
}

// Everything an undo must put back: refs, HEAD, stashes, the index, and every file's bytes.
QByteArray fingerprint(RepoFixture& repo) {
    QByteArray text = repo.gitOutput(
        {"for-each-ref", "--format=%(refname) %(objectname)", "refs/heads/", "refs/tags/"});
    QString head;
    repo.gitStatus({"symbolic-ref", "-q", "HEAD"}, &head);
    text += "HEAD " + head.toUtf8() + ' ' + repo.gitOutput({"rev-parse", "HEAD"});
    text += repo.gitOutput({"stash", "list", "--format=%H"});
    text += repo.gitOutput({"ls-files", "-s"});
    QStringList files;
    QDirIterator it(repo.path(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = QDir(repo.path()).relativeFilePath(it.next());
        if (!file.startsWith(QStringLiteral(".git/")))
            files.append(file);
    }
    files.sort();
    for (const QString& file : files)
        text += file.toUtf8() + ":\n" + repo.readFile(file) + '\n';
    return text;
}

GitBranch branchNamed(const RepositoryState& state, const QString& name) {
    for (const GitBranch& branch : state.branches())
        if (branch.name == name)
            return branch;
    return GitBranch::make(name, false, false);
}

GitCommit commitOf(RepoFixture& repo, const QString& rev) {
    GitCommit commit;
    commit.id = repo.git({"rev-parse", rev});
    commit.shortHash = commit.id.left(7);
    commit.parents = repo.git({"log", "-1", "--format=%P", rev}).split(u' ', Qt::SkipEmptyParts);
    return commit;
}

} // namespace

Q_DECLARE_METATYPE(tolvane::RepositorySnapshot)
Q_DECLARE_METATYPE(tolvane::PathState)
Q_DECLARE_METATYPE(QList<tolvane::RefMove>)

class TestUndoJournal : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    void journalTextRoundTrips_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("entries");
        QTest::newRow("not json") << QByteArray("{oops") << -1;
        QTest::newRow("unknown version") << QByteArray(R"({"version":2,"entries":[]})") << -1;
        QTest::newRow("empty") << QByteArray(R"({"version":1,"entries":[]})") << 0;
        QTest::newRow("entry without snapshots is left out")
            << QByteArray(R"({"version":1,"entries":[{"id":"x","time":"2026-01-01T00:00:00Z",)"
                          R"("state":"done","description":"Commit"}]})")
            << 0;
        QTest::newRow("unknown state is left out")
            << QByteArray(R"({"version":1,"entries":[{"id":"x","time":"2026-01-01T00:00:00Z",)"
                          R"("state":"maybe","before":{"head":"","headId":"","refs":{}},)"
                          R"("after":{"head":"","headId":"","refs":{}}}]})")
            << 0;
    }
    void journalTextRoundTrips() {
        QFETCH(QByteArray, text);
        QFETCH(int, entries);
        const std::optional<QList<JournalEntry>> parsed = parseJournal(text);
        QCOMPARE(parsed.has_value(), entries >= 0);
        if (parsed)
            QCOMPARE(parsed->size(), entries);

        // Whatever is written reads back the same, state and stashes included.
        JournalEntry entry{.id = "e1",
                           .time = QDateTime(QDate(2026, 3, 1), QTime(10, 0, 0, 5), Qt::UTC),
                           .description = "Delete Branch 'feature'",
                           .before = snapshot({{"refs/heads/main", A}, {"refs/heads/feature", B}},
                                              "refs/heads/main", "t1", {C}),
                           .after = snapshot({{"refs/heads/main", A}}, "", "t2"),
                           .state = JournalEntryState::Undone};
        entry.after.headId = A;
        const QList<JournalEntry> list{entry, JournalEntry{.id = "e2",
                                                           .time = entry.time.addDays(1),
                                                           .description = "Commit",
                                                           .before = entry.after,
                                                           .after = entry.before}};
        QCOMPARE(parseJournal(serializeJournal(list)), std::optional(list));
    }

    void snapshotMoves_data() {
        QTest::addColumn<RepositorySnapshot>("from");
        QTest::addColumn<RepositorySnapshot>("to");
        QTest::addColumn<RepositorySnapshot>("now");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QList<RefMove>>("refs");
        QTest::addColumn<bool>("moveHead");

        const auto main = [](const QString& id) { return snapshot({{"refs/heads/main", id}}); };
        QTest::newRow("a commit is taken back")
            << main(B) << main(A) << main(B) << QString()
            << QList<RefMove>{{"refs/heads/main", B, A}} << false;
        QTest::newRow("a commit made since in a terminal")
            << main(B) << main(A) << main(C) << QString("branch 'main' was moved since")
            << QList<RefMove>{} << false;
        QTest::newRow("a deleted branch comes back")
            << main(A) << snapshot({{"refs/heads/main", A}, {"refs/heads/f", B}}) << main(A)
            << QString() << QList<RefMove>{{"refs/heads/f", QString(), B}} << false;
        QTest::newRow("a branch deleted since")
            << snapshot({{"refs/heads/main", A}, {"refs/tags/v1", B}}) << main(A) << main(A)
            << QString("tag 'v1' was deleted since") << QList<RefMove>{} << false;
        QTest::newRow("a checkout is taken back")
            << snapshot({{"refs/heads/main", A}, {"refs/heads/f", B}}, "refs/heads/f")
            << snapshot({{"refs/heads/main", A}, {"refs/heads/f", B}})
            << snapshot({{"refs/heads/main", A}, {"refs/heads/f", B}}, "refs/heads/f") << QString()
            << QList<RefMove>{} << true;
        QTest::newRow("another branch checked out since")
            << snapshot({{"refs/heads/main", A}, {"refs/heads/f", B}}, "refs/heads/f")
            << snapshot({{"refs/heads/main", A}, {"refs/heads/f", B}})
            << snapshot({{"refs/heads/main", A}, {"refs/heads/f", B}}, "")
            << QString("checked out since") << QList<RefMove>{} << false;
        QTest::newRow("stashes changed since")
            << snapshot({{"refs/heads/main", A}}, "refs/heads/main", "t1", {C})
            << snapshot({{"refs/heads/main", A}}, "refs/heads/main", "t1", {})
            << snapshot({{"refs/heads/main", A}}, "refs/heads/main", "t1", {B, C})
            << QString("stashes changed") << QList<RefMove>{} << false;
        QTest::newRow("an operation left in conflicts")
            << snapshot({{"refs/heads/main", A}}, "refs/heads/main", "")
            << snapshot({{"refs/heads/main", A}}, "refs/heads/main", "t1")
            << snapshot({{"refs/heads/main", A}}, "refs/heads/main", "")
            << QString("stopped on conflicts") << QList<RefMove>{} << false;
    }
    void snapshotMoves() {
        QFETCH(RepositorySnapshot, from);
        QFETCH(RepositorySnapshot, to);
        QFETCH(RepositorySnapshot, now);
        QFETCH(QString, refusal);
        QFETCH(QList<RefMove>, refs);
        QFETCH(bool, moveHead);
        const SnapshotMove move = planSnapshotMove(from, to, now);
        QVERIFY2(refusal.isEmpty() ? move.refusal.isEmpty() : move.refusal.contains(refusal),
                 qPrintable(move.refusal));
        QCOMPARE(move.refs, refs);
        QCOMPARE(move.moveHead, moveHead);
    }

    void pathMoves_data() {
        QTest::addColumn<PathState>("path");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<bool>("writeFile");
        const TreeEntry a{"100644", A};
        const TreeEntry b{"100644", B};
        // A checkout taken back: both the index and the file go from b to a.
        const PathState moved{.path = "f",
                              .fromIndex = b,
                              .toIndex = a,
                              .fromWork = b,
                              .toWork = a,
                              .index = B,
                              .workTree = B};
        QTest::newRow("file as the operation left it") << moved << false << true;
        PathState there = moved;
        there.workTree = A;
        QTest::newRow("file already as the undo leaves it") << there << false << false;
        PathState edited = moved;
        edited.workTree = C;
        QTest::newRow("file edited since") << edited << true << false;
        PathState staged = moved;
        staged.index = C;
        QTest::newRow("edit staged since") << staged << true << false;
        PathState untracked{.path = "n", .toIndex = a, .toWork = a, .workTree = C};
        QTest::newRow("untracked file in the way") << untracked << true << false;
        PathState gone{.path = "n", .fromIndex = a, .fromWork = a, .index = A, .workTree = A};
        QTest::newRow("file the undo removes") << gone << false << true;
        PathState folder = gone;
        folder.workTree = "?";
        QTest::newRow("a folder where the file was") << folder << true << false;
        // A discard taken back: only the file differs between the two sides.
        PathState discarded{.path = "d",
                            .fromIndex = a,
                            .toIndex = a,
                            .fromWork = a,
                            .toWork = b,
                            .index = A,
                            .workTree = A};
        QTest::newRow("discarded file comes back") << discarded << false << true;
    }
    void pathMoves() {
        QFETCH(PathState, path);
        QFETCH(bool, refused);
        QFETCH(bool, writeFile);
        const PathPlan plan = planPathMoves({path});
        QCOMPARE(plan.refused, refused ? QStringList{path.path} : QStringList{});
        if (!refused) {
            QCOMPARE(plan.steps.size(), 1);
            QCOMPARE(plan.steps[0].writeFile, writeFile);
            QCOMPARE(plan.steps[0].index, path.toIndex);
            QCOMPARE(plan.steps[0].work, path.toWork);
        }
    }

    void undoRedoOrderAndExpiry() {
        const QDateTime now(QDate(2026, 6, 1), QTime(12, 0), Qt::UTC);
        QList<JournalEntry> entries;
        for (int i = 0; i < 5; ++i)
            entries.append(JournalEntry{.id = QString::number(i), .time = now.addDays(i - 40)});
        entries[1].state = JournalEntryState::Abandoned;
        entries[3].state = JournalEntryState::Undone;
        entries[4].state = JournalEntryState::Undone;
        QCOMPARE(entryToUndo(entries), 2);
        QCOMPARE(entryToRedo(entries), 3);
        entries[2].state = JournalEntryState::Undone;
        QCOMPARE(entryToUndo(entries), 0);
        QCOMPARE(entryToRedo(entries), 2);

        // Old entries go only beyond the count kept, and never one younger than the days kept.
        QCOMPARE(entriesToExpire(entries, now, 30, 2).size(), 3);
        QCOMPARE(entriesToExpire(entries, now, 30, 4).size(), 1);
        QCOMPARE(entriesToExpire(entries, now, 38, 0).size(), 3);
    }

    void undoAndRedoEachOperation_data() {
        QTest::addColumn<QString>("operation");
        for (const char* name :
             {"commit", "amend", "merge", "cherry-pick", "revert", "pop", "reset", "create branch",
              "delete branch", "rename branch", "create tag", "delete tag", "stash", "apply stash",
              "pop stash", "drop stash", "discard", "checkout", "checkout commit"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void undoAndRedoEachOperation() {
        QFETCH(QString, operation);
        RepoFixture repo;
        repo.writeFile("a.txt", "a1\n");
        repo.writeFile("b.txt", "b1\n");
        repo.writeFile("d.txt", "d1\n");
        repo.commitAll("root");
        repo.git({"tag", "v1"});
        repo.git({"switch", "-q", "-c", "feature"});
        repo.writeFile("f.txt", "f1\n");
        repo.writeFile("a.txt", "a-feature\n");
        repo.commitAll("feature work");
        repo.git({"switch", "-q", "main"});
        repo.writeFile("b.txt", "b2\n");
        repo.commitAll("second");
        repo.writeFile("s.txt", "stash me\n");
        repo.git({"add", "s.txt"});
        repo.git({"stash", "push", "-q", "-m", "kept"});
        // Work in progress that every operation must leave or take along, and bring back (git
        // refuses to merge, pick or revert over staged work).
        repo.writeFile("d.txt", "d-edited\n");
        repo.writeFile("untracked.txt", "mine\n");
        if (operation != "merge" && operation != "cherry-pick" && operation != "revert") {
            repo.writeFile("c.txt", "staged\n");
            repo.git({"add", "c.txt"});
        }
        // A hard reset takes no work along; applying wants a second stash.
        if (operation == "reset" || operation == "apply stash" || operation == "pop stash")
            repo.git({"stash", "push", "-q"});

        const auto state = openState(repo.path());
        await(state->refresh());
        const QByteArray before = fingerprint(repo);
        if (operation == "commit") {
            state->setCommitMessage("new");
            await(state->commitChanges());
        } else if (operation == "amend") {
            await(state->setAmending(true));
            state->setCommitMessage("amended");
            await(state->commitChanges());
        } else if (operation == "merge") {
            await(state->askMergeBranch(branchNamed(*state, "feature")));
            await(state->confirmMergeBranch());
        } else if (operation == "cherry-pick") {
            state->askCherryPickCommit(commitOf(repo, "feature"));
            await(state->confirmCherryPickCommit());
        } else if (operation == "revert") {
            state->askRevertCommit(commitOf(repo, "HEAD"));
            await(state->confirmRevertCommit());
        } else if (operation == "pop") {
            await(state->confirmPopCommit());
        } else if (operation == "reset") {
            await(state->askResetToCommit(commitOf(repo, "HEAD~1")));
            state->setResetBranchName("saved");
            await(state->confirmReset());
        } else if (operation == "create branch") {
            await(state->createBranchWithName("topic"));
        } else if (operation == "delete branch") {
            await(state->askDeleteBranch(branchNamed(*state, "feature")));
            await(state->confirmForceDeleteBranch());
        } else if (operation == "rename branch") {
            await(state->askRenameBranch(branchNamed(*state, "feature"), "renamed"));
        } else if (operation == "create tag") {
            await(state->createTagWithName("v2", QStringLiteral("annotated")));
        } else if (operation == "delete tag") {
            state->askDeleteTag("v1");
            await(state->confirmDeleteTag());
        } else if (operation == "stash") {
            state->askStashChanges();
            await(state->confirmStashChanges());
        } else if (operation == "apply stash" || operation == "pop stash") {
            await(state->applyStash(state->stashes()[1], operation == "pop stash"));
        } else if (operation == "drop stash") {
            state->askDropStash(state->stashes()[0]);
            await(state->confirmDropStash());
        } else if (operation == "discard") {
            state->askDiscardChanges(*findChange(*state, "d.txt", false));
            await(state->confirmDiscardChanges());
        } else if (operation == "checkout") {
            await(state->checkoutBranch(branchNamed(*state, "feature")));
        } else if (operation == "checkout commit") {
            state->askCheckoutCommit(commitOf(repo, "v1"));
            await(state->confirmCheckoutCommit());
        }
        const QByteArray after = fingerprint(repo);
        QVERIFY2(after != before, qPrintable(logMessages().join('\n')));
        UndoJournal& journal = state->undoJournal();
        QCOMPARE(journal.entries().size(), 1);
        const QString title = journal.entries().last().description;
        QCOMPARE(journal.undoTitle(), QStringLiteral("Undo ") + title);

        QVERIFY2(await(journal.undo()), qPrintable(logMessages().join('\n')));
        QCOMPARE(fingerprint(repo), before);
        QVERIFY(journal.undoTitle().isEmpty());
        QCOMPARE(journal.redoTitle(), QStringLiteral("Redo ") + title);

        QVERIFY2(await(journal.redo()), qPrintable(logMessages().join('\n')));
        QCOMPARE(fingerprint(repo), after);
        QVERIFY(journal.redoTitle().isEmpty());
    }

    void undoRefusesToLoseWorkOrRewindATerminal() {
        RepoFixture repo;
        repo.writeFile("a.txt", "main\n");
        repo.commitAll("root");
        repo.git({"switch", "-q", "-c", "feature"});
        repo.writeFile("a.txt", "feature\n");
        repo.writeFile("only.txt", "feature\n");
        repo.commitAll("feature");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->checkoutBranch(branchNamed(*state, "main")));

        // The file the undo would replace was edited since: nothing moves.
        repo.writeFile("a.txt", "precious\n");
        QVERIFY(!await(state->undoJournal().undo()));
        QCOMPARE(repo.readFile("a.txt"), QByteArray("precious\n"));
        QCOMPARE(repo.git({"branch", "--show-current"}), QStringLiteral("main"));
        QVERIFY(logMessages().last().contains("would overwrite changes to a.txt"));

        // Untracked work where the undo would put a file is work too.
        repo.writeFile("a.txt", "main\n");
        repo.writeFile("only.txt", "mine\n");
        QVERIFY(!await(state->undoJournal().undo()));
        QCOMPARE(repo.readFile("only.txt"), QByteArray("mine\n"));
        QFile::remove(repo.path() + "/only.txt");
        QVERIFY(await(state->undoJournal().undo()));
        QCOMPARE(repo.git({"branch", "--show-current"}), QStringLiteral("feature"));
        QCOMPARE(repo.readFile("only.txt"), QByteArray("feature\n"));

        // A commit made in a terminal since: the branch is not rewound over it.
        repo.writeFile("b.txt", "b\n");
        repo.git({"add", "b.txt"});
        state->setCommitMessage("from the window");
        await(state->commitChanges());
        const QString terminal = repo.commitAll("from a terminal");
        QVERIFY(!await(state->undoJournal().undo()));
        QCOMPARE(repo.head(), terminal);
        QVERIFY(logMessages().last().contains("branch 'feature' was moved since"));
    }

    void undoAfterRestartAndGarbageCollection() {
        RepoFixture repo;
        repo.writeFile("a.txt", "1\n");
        repo.commitAll("root");
        repo.writeFile("a.txt", "2\n");
        const QString second = repo.commitAll("second");
        const QString root = repo.git({"rev-parse", "HEAD~1"});
        {
            const auto state = openState(repo.path());
            await(state->refresh());
            await(state->askResetToCommit(commitOf(repo, "HEAD~1")));
            state->setResetBranchName("saved");
            await(state->confirmReset());
            await(state->askDeleteBranch(branchNamed(*state, "saved")));
            await(state->confirmForceDeleteBranch());
            QCOMPARE(state->undoJournal().entries().size(), 2);
        }
        // Nothing but our own refs keeps the second commit now.
        repo.git({"reflog", "expire", "--expire=now", "--all"});
        repo.git({"gc", "-q", "--prune=now"});
        QCOMPARE(repo.gitStatus({"cat-file", "-e", second}), 0);
        QVERIFY(
            repo.git({"log", "--exclude=refs/tolvane/*", "--all", "--format=%H"}).indexOf(second) <
            0);

        const auto state = openState(repo.path());
        await(state->undoJournal().load());
        QCOMPARE(state->undoJournal().undoTitle(), QStringLiteral("Undo Delete Branch 'saved'"));
        QVERIFY(await(state->undoJournal().undo()));
        QVERIFY(await(state->undoJournal().undo()));
        QCOMPARE(repo.head(), second);
        QCOMPARE(repo.readFile("a.txt"), QByteArray("2\n"));
        QCOMPARE(repo.git({"branch", "--list", "saved"}), QString());
        QCOMPARE(state->undoJournal().redoTitle(), QStringLiteral("Redo Reset to ") + root.left(7));
    }

    // Random operations on a generated repository, each undone in reverse order, end exactly
    // where they began. The operations run as a terminal would run them, between the journal's
    // two calls, so that many run in a few seconds.
    void randomSequencesUndoneEndWhereTheyBegan() {
        for (quint32 seed : {20261208u}) {
            RepoFixture repo;
            repo.writeFile("a.txt", "a\n");
            repo.writeFile("dir/b.txt", "b\n");
            repo.commitAll("root");
            repo.git({"branch", "side"});
            repo.writeFile("a.txt", "a2\n");
            repo.commitAll("main 2");
            repo.writeFile("dir/b.txt", "dirty\n");
            repo.writeFile("loose.txt", "untracked\n");
            const QByteArray start = fingerprint(repo);
            UndoJournal journal([&repo] { return GitService(repo.path()); });
            QRandomGenerator random(seed);
            int recorded = 0;
            for (int i = 0; i < 30; ++i) {
                const int kind = int(random.bounded(10));
                const QString n = QString::number(i);
                UndoJournal::Ticket ticket = await(journal.begin("step " + n));
                QString ignored;
                switch (kind) {
                case 0:
                case 1:
                    repo.writeFile(kind == 0 ? "a.txt" : "dir/n" + n + ".txt", n.toUtf8());
                    repo.gitStatus({"add", "-A", "a.txt", "dir"}, &ignored);
                    repo.gitStatus({"commit", "-q", "-m", n}, &ignored);
                    break;
                case 2:
                    repo.gitStatus({"branch", "b" + n}, &ignored);
                    break;
                case 3:
                    repo.gitStatus({"tag", "-a", "-m", n, "t" + n}, &ignored);
                    break;
                case 4:
                    repo.gitStatus({"switch", "-q", random.bounded(2) ? "side" : "main"}, &ignored);
                    break;
                case 5:
                    repo.gitStatus({"stash", "push", "-q"}, &ignored);
                    break;
                case 6:
                    repo.gitStatus({"stash", random.bounded(2) ? "pop" : "drop", "-q"}, &ignored);
                    break;
                case 7:
                    repo.gitStatus({"reset", "-q", "--hard", "HEAD~1"}, &ignored);
                    break;
                case 8:
                    repo.gitStatus({"cherry-pick", random.bounded(2) ? "side" : "main"}, &ignored);
                    repo.gitStatus({"cherry-pick", "--abort"}, &ignored);
                    break;
                default:
                    repo.gitStatus({"commit", "-q", "--amend", "-m", "amended " + n}, &ignored);
                }
                const qsizetype entries = journal.entries().size();
                await(UndoJournal::finish(std::move(ticket)));
                recorded += journal.entries().size() > entries ? 1 : 0;
            }
            QVERIFY(recorded > 10);
            for (int i = 0; i < recorded; ++i)
                QVERIFY2(await(journal.undo()), qPrintable(logMessages().join('\n')));
            QCOMPARE(fingerprint(repo), start);
        }
    }
};

QTEST_GUILESS_MAIN(TestUndoJournal)
#include "tst_UndoJournal.moc"
