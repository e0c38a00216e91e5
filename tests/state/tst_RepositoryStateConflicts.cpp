// Operations stopped on conflicts, on real repositories: what is in progress, each conflict
// kind, taking sides, the conflict view's written bytes, aborting and finishing.
#include "StateTestSupport.h"
#include "state/confirmationDialogs.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

namespace {

QHash<QString, ConflictKind> kinds(const RepositoryState& state) {
    QHash<QString, ConflictKind> result;
    for (const UnmergedEntry& entry : state.conflicts())
        result.insert(entry.path, entry.kind);
    return result;
}

bool fileExists(const RepoFixture& repo, const QString& path) {
    return QFileInfo::exists(QDir(repo.path()).filePath(path));
}

// The refs our saves of discarded files live under, read from git itself.
QString savedDiscards(RepoFixture& repo) {
    return repo.git({"for-each-ref", "--format=%(refname)", "refs/tolvane/discarded/"});
}

// A both-modified conflict in "f.txt" from `operation` ("merge", "cherry-pick", "revert",
// "stash"); leaves the repository on main with the operation stopped.
void makeStoppedOperation(RepoFixture& repo, const QString& operation) {
    repo.writeFile(QStringLiteral("f.txt"), "base\n");
    repo.writeFile(QStringLiteral("other.txt"), "o\n");
    repo.commitAll(QStringLiteral("base"));
    if (operation == QLatin1String("stash")) {
        repo.writeFile(QStringLiteral("f.txt"), "stashed\n");
        repo.git({"stash", "-q"});
        repo.writeFile(QStringLiteral("f.txt"), "committed\n");
        repo.commitAll(QStringLiteral("committed"));
        QCOMPARE(repo.gitStatus({"stash", "pop", "-q"}), 1);
        return;
    }
    if (operation == QLatin1String("revert")) {
        repo.writeFile(QStringLiteral("f.txt"), "changed\n");
        repo.commitAll(QStringLiteral("change"));
        repo.writeFile(QStringLiteral("f.txt"), "changed again\n");
        repo.commitAll(QStringLiteral("change again"));
        QCOMPARE(repo.gitStatus({"revert", "--no-edit", "HEAD~1"}), 1);
        return;
    }
    repo.git({"branch", "theirs"});
    repo.writeFile(QStringLiteral("f.txt"), "ours\n");
    repo.commitAll(QStringLiteral("ours"));
    repo.git({"checkout", "-q", "theirs"});
    repo.writeFile(QStringLiteral("f.txt"), "theirs\n");
    repo.commitAll(QStringLiteral("theirs"));
    // Someone else wrote their side, so that a pick can show whose authorship it keeps.
    repo.git({"commit", "-q", "--amend", "--no-edit", "--author=Other Person <other@example.com>"});
    repo.git({"checkout", "-q", "main"});
    repo.advanceClock();
    QCOMPARE(repo.gitStatus({operation, "theirs"}), 1);
}

} // namespace

class TestRepositoryStateConflicts : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    // One merge leaves every kind: both sides change, add or delete, and a rename to two names
    // gives a both-deleted source and a file added on each side.
    void everyKindResolvedThenMergeCommitted() {
        RepoFixture repo;
        repo.writeFile("uu", "base\n");
        repo.writeFile("ud", "base\n");
        repo.writeFile("du", "base\n");
        repo.writeFile("renamed", "one\ntwo\nthree\n");
        repo.commitAll("base");
        repo.git({"branch", "theirs"});
        repo.writeFile("uu", "ours\n");
        repo.writeFile("ud", "ours\n");
        repo.writeFile("aa", "ours added\n");
        QFile::remove(QDir(repo.path()).filePath("du"));
        repo.git({"mv", "renamed", "au"});
        repo.commitAll("ours");
        repo.git({"checkout", "-q", "theirs"});
        repo.writeFile("uu", "theirs\n");
        QFile::remove(QDir(repo.path()).filePath("ud"));
        repo.writeFile("du", "theirs\n");
        repo.writeFile("aa", "theirs added\n");
        repo.git({"mv", "renamed", "ua"});
        repo.commitAll("theirs");
        repo.git({"checkout", "-q", "main"});
        repo.advanceClock();
        QCOMPARE(repo.gitStatus({"merge", "theirs"}), 1);
        const QString ours = repo.head();
        const QString theirs = repo.git({"rev-parse", "theirs"});

        const auto state = openState(repo.path());
        await(state->refresh());
        const QHash<QString, ConflictKind> expected{
            {"uu", ConflictKind::BothModified},     {"aa", ConflictKind::BothAdded},
            {"renamed", ConflictKind::BothDeleted}, {"au", ConflictKind::AddedByUs},
            {"ua", ConflictKind::AddedByThem},      {"du", ConflictKind::DeletedByUs},
            {"ud", ConflictKind::DeletedByThem}};
        QCOMPARE(kinds(*state), expected);
        QCOMPARE(state->operation().kind, OperationKind::Merge);
        QCOMPARE(state->operationTitle(), QStringLiteral("Merging theirs into main"));
        QCOMPARE(state->conflictSummary(), QStringLiteral("7 conflicted files"));
        QVERIFY(!state->canContinueOperation());
        QCOMPARE(state->continueOperationLabel(), QStringLiteral("Commit Merge"));
        // git's prepared message, without its comment lines, waits in the commit box.
        QCOMPARE(state->commitMessage(), QStringLiteral("Merge branch 'theirs'"));

        await(state->takeConflictSide("uu", false));
        QCOMPARE(repo.readFile("uu"), QByteArray("theirs\n"));
        await(state->takeConflictSide("aa", true));
        QCOMPARE(repo.readFile("aa"), QByteArray("ours added\n"));
        // Taking the side that deleted a file deletes it; keeping it takes the other side.
        await(state->takeConflictSide("ud", false));
        QVERIFY(!fileExists(repo, "ud"));
        await(state->keepConflictedFile("du"));
        QCOMPARE(repo.readFile("du"), QByteArray("theirs\n"));
        await(state->markConflictResolved("renamed"));
        await(state->keepConflictedFile("au"));
        await(state->deleteConflictedFile("ua"));
        QVERIFY(!fileExists(repo, "ua"));
        QVERIFY(state->conflicts().isEmpty());
        // Every file was as git left it, so nothing needed saving.
        QCOMPARE(savedDiscards(repo), QString());
        QVERIFY(state->canContinueOperation());
        QCOMPARE(state->conflictSummary(), QStringLiteral("No conflicts left"));
        QString porcelain;
        repo.gitStatus({"status", "--porcelain"}, &porcelain);
        QVERIFY2(!porcelain.contains(u'U'), qPrintable(porcelain));

        await(state->continueOperation());
        QCOMPARE(repo.git({"log", "-1", "--format=%P"}), ours + u' ' + theirs);
        QCOMPARE(repo.git({"log", "-1", "--format=%B"}), QStringLiteral("Merge branch 'theirs'"));
        QCOMPARE(state->operation().kind, OperationKind::None);
        QVERIFY(state->commitMessage().isEmpty());
        QCOMPARE(repo.git({"show", "HEAD:au"}), QStringLiteral("one\ntwo\nthree"));
        QVERIFY(logMessages().contains(QStringLiteral("Committed: Merging theirs into main")));
    }

    void abortRestores_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("title");
        QTest::newRow("merge") << "merge" << int(OperationKind::Merge)
                               << "Merging theirs into main";
        QTest::newRow("cherry-pick")
            << "cherry-pick" << int(OperationKind::CherryPick) << "Cherry-picking %1";
        QTest::newRow("revert") << "revert" << int(OperationKind::Revert) << "Reverting %1";
    }
    void abortRestores() {
        QFETCH(QString, operation);
        QFETCH(int, kind);
        QFETCH(QString, title);
        RepoFixture repo;
        makeStoppedOperation(repo, operation);
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(int(state->operation().kind), kind);
        const QString shownTitle = title.contains(QStringLiteral("%1"))
                                       ? title.arg(state->operation().commit.left(7))
                                       : title;
        QCOMPARE(state->operationTitle(), shownTitle);
        QCOMPARE(kinds(*state),
                 (QHash<QString, ConflictKind>{{"f.txt", ConflictKind::BothModified}}));
        const QString head = repo.head();

        state->askAbortOperation();
        QVERIFY(state->showAbortOperationConfirmation());
        const ConfirmationDialog dialog = abortOperationDialog(*state);
        QCOMPARE(dialog.buttons.size(), 2);
        QCOMPARE(dialog.buttons[1].text, QStringLiteral("Abort"));
        await(dialog.buttons[1].action());
        QCOMPARE(repo.head(), head);
        QString porcelain;
        repo.gitStatus({"status", "--porcelain"}, &porcelain);
        QCOMPARE(porcelain, QString());
        QCOMPARE(state->operation().kind, OperationKind::None);
        QVERIFY(state->conflicts().isEmpty());
        QVERIFY(state->commitMessage().isEmpty());
        QCOMPARE(logMessages().last(), QStringLiteral("Aborted: ") + shownTitle);
    }

    void stashPopConflictHasNoOperation() {
        RepoFixture repo;
        makeStoppedOperation(repo, "stash");
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->operation().kind, OperationKind::None);
        QCOMPARE(kinds(*state),
                 (QHash<QString, ConflictKind>{{"f.txt", ConflictKind::BothModified}}));
        QVERIFY(!state->canContinueOperation());
        await(state->takeConflictSide("f.txt", false));
        QCOMPARE(repo.readFile("f.txt"), QByteArray("stashed\n"));
        QVERIFY(state->conflicts().isEmpty());
    }

    void cherryPickContinuesWithOriginalAuthor() {
        RepoFixture repo;
        makeStoppedOperation(repo, "cherry-pick");
        const QString head = repo.head();
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->commitMessage(), QStringLiteral("theirs"));
        QVERIFY(!state->canContinueOperation());
        await(state->continueOperation()); // refused while a conflict is left
        QCOMPARE(repo.head(), head);
        await(state->takeConflictSide("f.txt", false));
        QVERIFY(state->canContinueOperation());
        QCOMPARE(state->continueOperationLabel(), QStringLiteral("Continue"));
        state->setCommitMessage("theirs, reworded");
        await(state->continueOperation());
        QCOMPARE(repo.git({"log", "-1", "--format=%P|%an <%ae>|%B"}),
                 head + "|Other Person <other@example.com>|theirs, reworded");
        QCOMPARE(state->operation().kind, OperationKind::None);
    }

    // A rebase continues without an editor and keeps the stopped commit's message.
    void rebaseContinues() {
        RepoFixture repo;
        makeStoppedOperation(repo, "merge");
        repo.git({"merge", "--abort"});
        const QString ours = repo.head();
        repo.git({"checkout", "-q", "theirs"});
        QCOMPARE(repo.gitStatus({"rebase", "--merge", "-q", "main"}), 1);
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->operationTitle(), QStringLiteral("Rebasing theirs onto ") + ours.left(7) +
                                              QStringLiteral(" (1 of 1)"));
        QCOMPARE(state->continueOperationLabel(), QStringLiteral("Continue"));
        await(state->takeConflictSide("f.txt", false));
        await(state->continueOperation());
        QCOMPARE(state->operation().kind, OperationKind::None);
        QCOMPARE(repo.git({"log", "-1", "--format=%P|%s"}), ours + QStringLiteral("|theirs"));
        QCOMPARE(repo.git({"branch", "--show-current"}), QStringLiteral("theirs"));
        QCOMPARE(logMessages().last(), QStringLiteral("Continued: Rebasing theirs onto ") +
                                           ours.left(7) + QStringLiteral(" (1 of 1)"));
    }

    // The conflict view writes exactly the chosen sides, CRLF kept, and nothing while a block
    // is undecided or when the file changed after it was shown.
    void conflictViewWritesChosenBlocks() {
        RepoFixture repo;
        repo.git({"config", "merge.conflictStyle", "diff3"});
        repo.writeFile("f.txt", "top\r\na\r\nmid\r\nb\r\nend\r\n");
        repo.commitAll("base");
        repo.git({"branch", "theirs"});
        repo.writeFile("f.txt", "top\r\na ours\r\nmid\r\nb ours\r\nend\r\n");
        repo.commitAll("ours");
        repo.git({"checkout", "-q", "theirs"});
        repo.writeFile("f.txt", "top\r\na theirs\r\nmid\r\nb theirs\r\nend\r\n");
        repo.commitAll("theirs");
        repo.git({"checkout", "-q", "main"});
        QCOMPARE(repo.gitStatus({"merge", "theirs"}), 1);
        const QByteArray conflicted = repo.readFile("f.txt");

        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadConflict("f.txt"));
        QVERIFY(state->conflictText());
        QVERIFY(!state->conflictIsBinary());
        QCOMPARE(state->conflictText()->blocks.size(), 2);
        QCOMPARE(state->conflictText()->blocks[0].base, QStringLiteral("a\r\n"));
        QCOMPARE(state->conflictChoices(),
                 (QList<BlockChoice>{BlockChoice::Undecided, BlockChoice::Undecided}));

        state->chooseConflictBlock(0, BlockChoice::Both);
        QVERIFY(!await(state->writeConflictResolution()));
        QCOMPARE(repo.readFile("f.txt"), conflicted);
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Not written: f.txt still has 1 undecided block"));

        state->chooseConflictBlock(1, BlockChoice::Theirs);
        QVERIFY(await(state->writeConflictResolution()));
        QCOMPARE(repo.readFile("f.txt"),
                 QByteArray("top\r\na ours\r\na theirs\r\nmid\r\nb theirs\r\nend\r\n"));
        // Reloaded: nothing is left to decide, and the path is still conflicted until marked.
        QCOMPARE(state->conflictText()->blocks.size(), 0);
        QCOMPARE(state->conflicts().size(), 1);

        // Chosen over a file that changed meanwhile: the change is kept.
        repo.git({"checkout", "-m", "--", "f.txt"});
        await(state->loadConflict("f.txt"));
        state->chooseConflictBlock(0, BlockChoice::Ours);
        state->chooseConflictBlock(1, BlockChoice::Ours);
        repo.writeFile("f.txt", "edited elsewhere\n");
        QVERIFY(!await(state->writeConflictResolution()));
        QCOMPARE(repo.readFile("f.txt"), QByteArray("edited elsewhere\n"));
        QVERIFY(logMessages().last().startsWith("Could not write f.txt"));

        await(state->markConflictResolved("f.txt"));
        QVERIFY(state->conflicts().isEmpty());
        QCOMPARE(repo.stagedBytes("f.txt"), QByteArray("edited elsewhere\n"));
    }

    // A hand-merged file replaced by one side is saved first and comes back from the recently
    // discarded changes; a file as git left it is replaced without a save.
    void takingASideOverAHandEditKeepsACopy() {
        RepoFixture repo;
        makeStoppedOperation(repo, "merge");
        const auto state = openState(repo.path());
        await(state->refresh());
        repo.writeFile("f.txt", "hand merged\r\nours and theirs\n");
        await(state->takeConflictSide("f.txt", false));
        QCOMPARE(repo.readFile("f.txt"), QByteArray("theirs\n"));
        QVERIFY(state->conflicts().isEmpty());
        QCOMPARE(state->discardedChanges().size(), 1);
        QCOMPARE(state->discardedChanges()[0].paths, QStringList{"f.txt"});
        QCOMPARE(state->discardedChanges()[0].description,
                 QStringLiteral("Took their version of f.txt"));
        await(state->restoreDiscarded(state->discardedChanges()[0]));
        QCOMPARE(repo.readFile("f.txt"), QByteArray("hand merged\r\nours and theirs\n"));

        // A file one side deleted, edited by hand, then deleted with that side.
        RepoFixture deleted;
        deleted.writeFile("d.txt", "base\n");
        deleted.commitAll("base");
        deleted.git({"branch", "theirs"});
        deleted.writeFile("d.txt", "ours\n");
        deleted.commitAll("ours");
        deleted.git({"checkout", "-q", "theirs"});
        deleted.git({"rm", "-q", "d.txt"});
        deleted.commitAll("theirs");
        deleted.git({"checkout", "-q", "main"});
        QCOMPARE(deleted.gitStatus({"merge", "theirs"}), 1);
        const auto deletedState = openState(deleted.path());
        await(deletedState->refresh());
        deleted.writeFile("d.txt", "ours, edited\n");
        await(deletedState->deleteConflictedFile("d.txt"));
        QVERIFY(!fileExists(deleted, "d.txt"));
        QCOMPARE(deletedState->discardedChanges().size(), 1);
        await(deletedState->restoreDiscarded(deletedState->discardedChanges()[0]));
        QCOMPARE(deleted.readFile("d.txt"), QByteArray("ours, edited\n"));
    }

    // Marking resolved and committing ask while conflict markers are left; a marker-like line
    // their side brought in whole is no reason to ask.
    void markersLeftAreAskedAbout() {
        RepoFixture repo;
        repo.writeFile("f.txt", "base\n");
        repo.commitAll("base");
        repo.git({"branch", "theirs"});
        repo.writeFile("f.txt", "ours\n");
        repo.commitAll("ours");
        repo.git({"checkout", "-q", "theirs"});
        repo.writeFile("f.txt", "theirs\n");
        repo.writeFile("example.txt", "<<<<<<< a marker shown as an example\n");
        repo.commitAll("theirs");
        repo.git({"checkout", "-q", "main"});
        QCOMPARE(repo.gitStatus({"merge", "theirs"}), 1);
        const QString head = repo.head();
        const auto state = openState(repo.path());
        await(state->refresh());

        await(state->markConflictResolved("f.txt"));
        QVERIFY(state->showMarkResolvedConfirmation());
        QCOMPARE(state->conflicts().size(), 1);
        const ConfirmationDialog mark = markResolvedWithMarkersDialog(*state);
        QCOMPARE(mark.message,
                 QStringLiteral("f.txt still contains conflict markers. Mark it resolved anyway?"));
        QCOMPARE(mark.buttons.size(), 2);
        await(mark.buttons[1].action());
        QVERIFY(state->conflicts().isEmpty());
        QVERIFY(repo.stagedBytes("f.txt").startsWith("<<<<<<< HEAD\n"));

        await(state->continueOperation());
        QVERIFY(state->showContinueWithMarkersConfirmation());
        QCOMPARE(state->filesWithConflictMarkers(), QStringList{"f.txt"});
        QCOMPARE(repo.head(), head);
        QCOMPARE(state->operation().kind, OperationKind::Merge);
        const ConfirmationDialog commit = continueWithMarkersDialog(*state);
        QCOMPARE(commit.title, QStringLiteral("Commit Merge?"));
        QCOMPARE(commit.message, QStringLiteral("f.txt still contains conflict markers. Commit "
                                                "the merge anyway?"));
        state->setShowContinueWithMarkersConfirmation(false);

        // Mended: staged without a question, and committed without one.
        repo.writeFile("f.txt", "ours and theirs\n");
        await(state->markConflictResolved("f.txt"));
        QVERIFY(!state->showMarkResolvedConfirmation());
        QCOMPARE(repo.stagedBytes("f.txt"), QByteArray("ours and theirs\n"));
        await(state->continueOperation());
        QVERIFY(!state->showContinueWithMarkersConfirmation());
        QCOMPARE(repo.git({"rev-list", "--count", "--merges", "HEAD"}), QStringLiteral("1"));
        QCOMPARE(state->operation().kind, OperationKind::None);
    }

    // Committing anyway, once asked, commits what is staged.
    void commitMergeWithMarkersWhenConfirmed() {
        RepoFixture repo;
        makeStoppedOperation(repo, "merge");
        const auto state = openState(repo.path());
        await(state->refresh());
        repo.git({"add", "f.txt"});
        await(state->refresh());
        QVERIFY(state->canContinueOperation());
        await(state->continueOperation());
        QVERIFY(state->showContinueWithMarkersConfirmation());
        await(continueWithMarkersDialog(*state).buttons[1].action());
        QCOMPARE(state->operation().kind, OperationKind::None);
        QVERIFY(repo.git({"show", "HEAD:f.txt"}).startsWith("<<<<<<< HEAD"));
    }

    // With conflict-marker-size 10 the view shows git's blocks and writes them; a marker it
    // cannot pair is never reported as written; an untouched file is taken without a save.
    void markerSizeFromAttributes() {
        RepoFixture repo;
        repo.git({"config", "merge.conflictStyle", "diff3"});
        repo.writeFile(".gitattributes", "*.txt conflict-marker-size=10\n");
        repo.writeFile("f.txt", "top\na\nend\n");
        repo.writeFile("g.txt", "g\n");
        repo.commitAll("base");
        repo.git({"branch", "theirs"});
        repo.writeFile("f.txt", "top\na ours\nend\n");
        repo.writeFile("g.txt", "g ours\n");
        repo.commitAll("ours");
        repo.git({"checkout", "-q", "theirs"});
        repo.writeFile("f.txt", "top\na theirs\nend\n");
        repo.writeFile("g.txt", "g theirs\n");
        repo.commitAll("theirs");
        repo.git({"checkout", "-q", "main"});
        QCOMPARE(repo.gitStatus({"merge", "theirs"}), 1);
        QVERIFY(repo.readFile("f.txt").contains("<<<<<<<<<< HEAD\n"));
        const auto state = openState(repo.path());
        await(state->refresh());

        await(state->takeConflictSide("g.txt", true));
        QCOMPARE(repo.readFile("g.txt"), QByteArray("g ours\n"));
        QCOMPARE(savedDiscards(repo), QString());

        await(state->loadConflict("f.txt"));
        QVERIFY(state->conflictText());
        QCOMPARE(state->conflictText()->blocks.size(), 1);
        const ConflictBlock& block = state->conflictText()->blocks[0];
        QCOMPARE(block.ours, QStringLiteral("a ours\n"));
        QCOMPARE(block.base, std::optional<QString>(QStringLiteral("a\n")));
        QCOMPARE(block.theirs, QStringLiteral("a theirs\n"));
        QCOMPARE(block.theirsLabel, QStringLiteral("theirs"));
        state->chooseConflictBlock(0, BlockChoice::Theirs);
        QVERIFY(await(state->writeConflictResolution()));
        QCOMPARE(repo.readFile("f.txt"), QByteArray("top\na theirs\nend\n"));

        // A stray opening marker outside the block stays: nothing is written or claimed.
        repo.git({"checkout", "-m", "--", "f.txt"});
        const QByteArray stray = "<<<<<<<<<< left over\n" + repo.readFile("f.txt");
        repo.writeFile("f.txt", stray);
        await(state->loadConflict("f.txt"));
        QCOMPARE(state->conflictText()->blocks.size(), 1);
        state->chooseConflictBlock(0, BlockChoice::Ours);
        LogStore::shared().setEntries({});
        QVERIFY(!await(state->writeConflictResolution()));
        QCOMPARE(repo.readFile("f.txt"), stray);
        QCOMPARE(logMessages(), QStringList{"Not written: f.txt would still contain conflict "
                                            "markers — edit them out by hand"});
    }

    void binaryConflictTakesWholeSides() {
        RepoFixture repo;
        const QByteArray base("\x00\x01"
                              "base\r\n",
                              8);
        const QByteArray ours("\x00\x02ours\r\n", 8);
        const QByteArray theirs("\x00\x03"
                                "their\n",
                                8);
        repo.writeFile("bin.dat", base);
        repo.commitAll("base");
        repo.git({"branch", "theirs"});
        repo.writeFile("bin.dat", ours);
        repo.commitAll("ours");
        repo.git({"checkout", "-q", "theirs"});
        repo.writeFile("bin.dat", theirs);
        repo.commitAll("theirs");
        repo.git({"checkout", "-q", "main"});
        QCOMPARE(repo.gitStatus({"merge", "theirs"}), 1);
        const auto state = openState(repo.path());
        await(state->refresh());
        const std::optional<FileChange> change = findChange(*state, "bin.dat", false);
        QVERIFY(change);
        QCOMPARE(change->status, ChangeStatus::Conflict);
        await(state->loadDiff(*change, true));
        QVERIFY(waitForDiff(*state));
        // The combined diff is never offered hunk by hunk.
        QVERIFY(!state->showHunkView());
        QVERIFY(QTest::qWaitFor([&] { return state->conflictIsBinary(); }, 20000));
        QVERIFY(!state->conflictText());
        await(state->takeConflictSide("bin.dat", false));
        QCOMPARE(repo.readFile("bin.dat"), theirs);
        QCOMPARE(repo.stagedBytes("bin.dat"), theirs);
        QVERIFY(state->conflicts().isEmpty());
    }

    // Text conflicts show as git's combined diff, never as hunks with stage buttons.
    void conflictedTextShowsNoHunks() {
        RepoFixture repo;
        makeStoppedOperation(repo, "merge");
        const auto state = openState(repo.path());
        await(state->refresh());
        const std::optional<FileChange> change = findChange(*state, "f.txt", false);
        QVERIFY(change);
        await(state->loadDiff(*change, true));
        QVERIFY(waitForDiff(*state));
        QVERIFY(!state->showHunkView());
        QVERIFY(!state->parsedDiff());
        QVERIFY(state->diffText().contains(QStringLiteral("@@@")));
        QVERIFY(QTest::qWaitFor([&] { return state->conflictText().has_value(); }, 20000));
        QCOMPARE(state->conflictFile()->kind, ConflictKind::BothModified);
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateConflicts)
#include "tst_RepositoryStateConflicts.moc"
