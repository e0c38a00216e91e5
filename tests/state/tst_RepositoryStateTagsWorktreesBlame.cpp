#include "StateTestSupport.h"
#include "state/blameGroups.h"
#include "state/confirmationDialogs.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

namespace {

GitBlameLine blameLine(int id, const QString& hash) {
    GitBlameLine line;
    line.id = id;
    line.commit = std::make_shared<const GitBlameCommit>(
        GitBlameCommit{hash,
                       hash.left(7),
                       QStringLiteral("author of ") + hash,
                       QStringLiteral("2024-01-0") + QString::number(id),
                       {},
                       {}});
    line.content = QStringLiteral("line ") + QString::number(id);
    return line;
}

QString objectType(RepoFixture& repo, const QString& ref) {
    return repo.git({QStringLiteral("cat-file"), QStringLiteral("-t"), ref});
}

} // namespace

class TestRepositoryStateTagsWorktreesBlame : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    void tagACommitFromTheSheet() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString root = repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "2\n");
        repo.commitAll(QStringLiteral("second"));
        const auto state = openState(repo.path());
        await(state->refresh());
        const GitCommit rootCommit = state->commits().last();
        QCOMPARE(rootCommit.id, root);

        state->askTagCommit(rootCommit);
        QVERIFY(state->showTagCommitSheet());
        QCOMPARE(state->tagCommitHash(), root);
        ConfirmationDialog sheet = tagCommitSheet(*state);
        QCOMPARE(sheet.title, QStringLiteral("Tag Commit"));
        QCOMPARE(sheet.message, root.left(7) + QStringLiteral(" – root"));
        QCOMPARE(sheet.fieldPlaceholders, (QStringList{QStringLiteral("Tag name (e.g. v1.31.0)"),
                                                       QStringLiteral("Message (optional)")}));
        QVERIFY(!sheet.buttons.at(1).enabled);

        state->setTagCommitName(QStringLiteral("   "));
        await(state->confirmTagCommit());
        QVERIFY(state->showTagCommitSheet());
        QVERIFY(logMessages().isEmpty());

        state->setTagCommitName(QStringLiteral("v 1"));
        await(state->confirmTagCommit());
        QVERIFY(state->showTagCommitSheet());
        QCOMPARE(logMessages(),
                 QStringList{QStringLiteral("Invalid tag name: Name cannot contain spaces.")});

        // A message of spaces is a message: the tag is annotated.
        state->setTagCommitName(QStringLiteral(" v1.0 "));
        state->setTagCommitMessage(QStringLiteral("   "));
        await(state->confirmTagCommit());
        QVERIFY(!state->showTagCommitSheet());
        QCOMPARE(logMessages().last(), QStringLiteral("Created tag v1.0"));
        QCOMPARE(objectType(repo, QStringLiteral("v1.0")), QStringLiteral("tag"));
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("v1.0^{commit}")}), root);
        QCOMPARE(state->tagCommitName(), QString());
        QCOMPARE(state->tagCommitMessage(), QString());
        QCOMPARE(state->tagCommitHash(), QString());
        QVERIFY(state->tags().contains(QStringLiteral("v1.0")));

        state->askTagCommit(rootCommit);
        state->setTagCommitName(QStringLiteral("light"));
        await(state->confirmTagCommit());
        QCOMPARE(objectType(repo, QStringLiteral("light")), QStringLiteral("commit"));

        state->askTagCommit(rootCommit);
        state->setTagCommitName(QStringLiteral("light"));
        await(state->confirmTagCommit());
        QCOMPARE(logMessages().last(), QStringLiteral("Failed to create tag"));
        QCOMPARE(state->tagCommitName(), QStringLiteral("light"));
    }

    void tagHeadAndDeleteATag() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        const QString head = repo.commitAll(QStringLiteral("root"));
        const auto state = openState(repo.path());
        await(state->refresh());

        state->setNewTagName(QStringLiteral("v2"));
        state->setNewTagMessage(QStringLiteral("release"));
        await(state->createTagWithName(QStringLiteral("v2"), QStringLiteral("release")));
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Created tag v2")});
        QCOMPARE(objectType(repo, QStringLiteral("v2")), QStringLiteral("tag"));
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("v2^{commit}")}), head);
        QCOMPARE(state->newTagName(), QString());
        QCOMPARE(state->newTagMessage(), QString());

        state->setNewTagName(QStringLiteral("v2"));
        await(state->createTagWithName(QStringLiteral("v2"), std::nullopt));
        QCOMPARE(logMessages().last(), QStringLiteral("Failed to create tag"));
        QCOMPARE(state->newTagName(), QStringLiteral("v2"));

        state->setTagToDelete(QStringLiteral("v2"));
        const ConfirmationDialog dialog = deleteTagDialog(*state);
        QCOMPARE(dialog.title, QStringLiteral("Delete Tag?"));
        QCOMPARE(dialog.message, QStringLiteral("Are you sure you want to delete tag \"v2\"?"));
        await(dialog.buttons.at(1).action());
        QCOMPARE(logMessages().last(), QStringLiteral("Deleted tag v2"));
        QCOMPARE(state->tagToDelete(), QString());
        QVERIFY(!state->tags().contains(QStringLiteral("v2")));

        state->setTagToDelete(QStringLiteral("v2"));
        await(state->confirmDeleteTag());
        QCOMPARE(logMessages().last(), QStringLiteral("Cannot delete tag"));

        // A tag named like an option is deleted as a tag.
        repo.git({QStringLiteral("update-ref"), QStringLiteral("refs/tags/-l"), head});
        state->setTagToDelete(QStringLiteral("-l"));
        await(state->confirmDeleteTag());
        QCOMPARE(logMessages().last(), QStringLiteral("Deleted tag -l"));
        QCOMPARE(repo.gitStatus({QStringLiteral("rev-parse"), QStringLiteral("--verify"),
                                 QStringLiteral("-q"), QStringLiteral("refs/tags/-l")}),
                 1);
    }

    void addAndRemoveWorktrees() {
        RepoFixture repo(QStringLiteral("repo"));
        repo.writeFile(QStringLiteral("f.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.git({QStringLiteral("branch"), QStringLiteral("existing")});
        const auto state = openState(repo.path());
        await(state->refresh());
        const QString parent = QFileInfo(repo.path()).dir().path();

        state->setShowAddWorktreeSheet(true);
        QVERIFY(!await(state->addWorktree(QStringLiteral(" -wt"), QString(), false)));
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Folder name cannot start with '-'")});
        QVERIFY(state->showAddWorktreeSheet());
        QVERIFY(!QFileInfo::exists(parent + QStringLiteral("/-wt")));

        QVERIFY(!await(state->addWorktree(QStringLiteral("wt"), QStringLiteral("-x"), true)));
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Invalid branch name: Name cannot start with '-'."));
        QVERIFY(state->showAddWorktreeSheet());

        QVERIFY(await(
            state->addWorktree(QStringLiteral("feature-wt"), QStringLiteral(" feature "), true)));
        QVERIFY(!state->showAddWorktreeSheet());
        QCOMPARE(logMessages().last(), QStringLiteral("Added worktree feature-wt"));
        const QString featurePath = parent + QStringLiteral("/feature-wt");
        QVERIFY(QFileInfo(featurePath + QStringLiteral("/f.txt")).exists());
        QCOMPARE(
            repo.git({QStringLiteral("branch"), QStringLiteral("--show-current")}, featurePath),
            QStringLiteral("feature"));
        QCOMPARE(state->worktrees().size(), 2);

        QVERIFY(await(
            state->addWorktree(QStringLiteral("existing-wt"), QStringLiteral("existing"), false)));
        QCOMPARE(repo.git({QStringLiteral("branch"), QStringLiteral("--show-current")},
                          parent + QStringLiteral("/existing-wt")),
                 QStringLiteral("existing"));

        QVERIFY(!await(state->addWorktree(QStringLiteral("feature-wt"), QString(), false)));
        QVERIFY(logMessages().last().startsWith(QStringLiteral("Failed: ")));
        QVERIFY(logMessages().last().contains(QStringLiteral("already exists")));

        std::optional<GitWorktree> feature;
        for (const GitWorktree& worktree : state->worktrees()) {
            if (QFileInfo(worktree.path).fileName() == QStringLiteral("feature-wt"))
                feature = worktree;
        }
        QVERIFY(feature.has_value());

        // A worktree with changes is not removed without force.
        repo.writeFile(QStringLiteral("../feature-wt/f.txt"), "dirty\n");
        state->setWorktreeToRemove(feature);
        await(state->confirmRemoveWorktree());
        QVERIFY(logMessages().last().startsWith(QStringLiteral("Failed to remove worktree: ")));
        QVERIFY(!state->worktreeToRemove().has_value());
        repo.git({QStringLiteral("checkout"), QStringLiteral("--"), QStringLiteral("f.txt")},
                 featurePath);

        state->setWorktreeToRemove(feature);
        const ConfirmationDialog dialog = removeWorktreeDialog(*state);
        QCOMPARE(dialog.title, QStringLiteral("Remove Worktree?"));
        QCOMPARE(dialog.message,
                 QStringLiteral("Are you sure you want to remove the worktree at \"feature-wt\"?"));
        await(dialog.buttons.at(1).action());
        QCOMPARE(logMessages().last(), QStringLiteral("Removed worktree at feature-wt"));
        QVERIFY(!QFileInfo::exists(featurePath));
        QCOMPARE(state->worktrees().size(), 2);
    }

    void blameGrouping() {
        const QString a = QStringLiteral("aaaaaaaaaa");
        const QString b = QStringLiteral("bbbbbbbbbb");
        QVERIFY(blameGroups({}).isEmpty());

        const QList<BlameGroup> groups =
            blameGroups({blameLine(1, a), blameLine(2, a), blameLine(3, b), blameLine(4, a)});
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups.at(0).id, a + QStringLiteral("-1"));
        QCOMPARE(groups.at(0).lines.size(), 2);
        QCOMPARE(groups.at(0).author, QStringLiteral("author of ") + a);
        QCOMPARE(groups.at(0).date, QStringLiteral("2024-01-01"));
        QCOMPARE(groups.at(1).id, b + QStringLiteral("-3"));
        QCOMPARE(groups.at(1).commitHash, b);
        QCOMPARE(groups.at(2).id, a + QStringLiteral("-4"));
        QCOMPARE(groups.at(2).lines.size(), 1);
        QCOMPARE(groups.at(2).lines.first().content, QStringLiteral("line 4"));

        const QList<BlameGroup> single =
            blameGroups({blameLine(1, a), blameLine(2, a), blameLine(3, a)});
        QCOMPARE(single.size(), 1);
        QCOMPARE(single.first().lines.size(), 3);
    }

    void loadAndCloseBlame() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "one\ntwo\n");
        const QString first = repo.commitAll(QStringLiteral("first"));
        repo.writeFile(QStringLiteral("f.txt"), "one\nTWO\nthree\n");
        const QString second = repo.commitAll(QStringLiteral("second"));
        const auto state = openState(repo.path());
        await(state->refresh());

        await(state->loadBlame(QStringLiteral("f.txt")));
        QVERIFY(state->showBlameView());
        QVERIFY(!state->isLoadingDiff());
        QCOMPARE(state->blameFilePath(), QStringLiteral("f.txt"));
        QCOMPARE(state->blameLines().size(), 3);
        const QList<BlameGroup> groups = blameGroups(state->blameLines());
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups.at(0).commitHash, first);
        QCOMPARE(groups.at(1).commitHash, second);
        QCOMPARE(groups.at(1).id, second + QStringLiteral("-2"));

        state->closeBlameView();
        QVERIFY(!state->showBlameView());
        QVERIFY(state->blameLines().isEmpty());
        QCOMPARE(state->blameFilePath(), QString());

        await(state->loadBlame(QStringLiteral("missing.txt")));
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Failed to load blame")});
        QVERIFY(state->showBlameView());
        QVERIFY(state->blameLines().isEmpty());
        QVERIFY(!state->isLoadingDiff());
    }

    void aSlowerEarlierBlameIsDropped() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("slow.txt"), "slow\n");
        repo.writeFile(QStringLiteral("fast.txt"), "fast 1\nfast 2\n");
        repo.commitAll(QStringLiteral("root"));
        const auto state = openState(repo.path());
        await(state->refresh());
        const GitStandIn slowBlame("case \"$*\" in *blame*slow.txt*) sleep 1 ;; esac");

        QCoro::Task<> older = state->loadBlame(QStringLiteral("slow.txt"));
        QCoro::Task<> newer = state->loadBlame(QStringLiteral("fast.txt"));
        await(std::move(newer));
        await(std::move(older));
        QCOMPARE(state->blameFilePath(), QStringLiteral("fast.txt"));
        QCOMPARE(state->blameLines().size(), 2);
        QCOMPARE(state->blameLines().first().content, QStringLiteral("fast 1"));
        QVERIFY(!state->isLoadingDiff());

        // Closed while loading: the late answer fills nothing and the loading state ends.
        QCoro::Task<> closedEarly = state->loadBlame(QStringLiteral("slow.txt"));
        state->closeBlameView();
        await(std::move(closedEarly));
        QVERIFY(!state->showBlameView());
        QVERIFY(state->blameLines().isEmpty());
        QVERIFY(!state->isLoadingDiff());
        QVERIFY(logMessages().isEmpty());
    }

    void blameWalksBackToCommitsAndEarlierRevisions() {
        RepoFixture repo;
        const QByteArray tail = "the sixth line\nthe seventh line\nthe eighth line\n"
                                "the ninth line\nthe tenth line\n";
        repo.writeFile(QStringLiteral("f.txt"), "a\nb\nc\nd\ne\n" + tail);
        const QString first = repo.commitAll(QStringLiteral("first"));
        importCommits(repo, 150); // pushes the first commits below the first page
        repo.git({"mv", "f.txt", "g.txt"});
        repo.writeFile(QStringLiteral("g.txt"), "new 1\nnew 2\na\nb\nc\nD changed\ne\n" + tail);
        const QString second = repo.commitAll(QStringLiteral("second"));
        const QString parent = repo.git({"rev-parse", second + "^"});
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->commits().size(), 100);

        await(state->loadBlame(QStringLiteral("g.txt")));
        const GitBlameLine changed = state->blameLines().at(5);
        QCOMPARE(changed.commitHash(), second);
        QCOMPARE(state->blameTrail().size(), 1);

        // The group's commit is selected in the history, loaded from deep down in one step, and
        // the history asked to bring it into view.
        QSignalSpy revealed(state.get(), &RepositoryState::commitRevealRequested);
        QVERIFY(await(state->showCommitInHistory(first)));
        QCOMPARE(state->selectedCommit()->id, first);
        QCOMPARE(revealed.size(), 1);
        QCOMPARE(revealed.at(0).at(0).toString(), first);
        QVERIFY(state->commits().size() > 150);
        QVERIFY(await(state->showCommitInHistory(second)));
        QCOMPARE(state->selectedCommit()->id, second);

        // Line 6 of "second" replaced line 4 of the file before it, which had another name.
        await(state->blamePreviousRevision(changed));
        QCOMPARE(state->blameRevision(), parent);
        QCOMPARE(state->blameFilePath(), QStringLiteral("f.txt"));
        QCOMPARE(state->blameFocusLine(), 4);
        QCOMPARE(state->blameLines().size(), 10);
        QCOMPARE(state->blameLines().at(3).content, QStringLiteral("d"));
        QCOMPARE(state->blameTrail().size(), 2);
        QCOMPARE(state->blameTrailPosition(), 1);
        // Unchanged lines below a change keep their place: "e" moved by the two new lines.
        const GitBlameLine e = state->blameLines().at(4);
        await(state->blamePreviousRevision(e));
        QVERIFY(logMessages().last().contains(QStringLiteral("added this line")));
        QCOMPARE(state->blameTrail().size(), 2);

        // The breadcrumb steps forward again, to the working tree's file at the line left.
        await(state->goToBlameStep(0));
        QCOMPARE(state->blameRevision(), QString());
        QCOMPARE(state->blameFilePath(), QStringLiteral("g.txt"));
        QCOMPARE(state->blameFocusLine(), 6);
        QCOMPARE(state->blameTrail().size(), 2);
        await(state->goToBlameStep(1));
        QCOMPARE(state->blameRevision(), parent);
        state->closeBlameView();
        QVERIFY(state->blameTrail().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateTagsWorktreesBlame)
#include "tst_RepositoryStateTagsWorktreesBlame.moc"
