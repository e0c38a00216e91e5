#include "StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace tolvane;
using namespace tolvane::test;

class TestRepositoryStateWorkingTree : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

    static QString stagedContent(RepoFixture& repo, const QString& path) {
        return repo.git({QStringLiteral("show"), QStringLiteral(":") + path});
    }

private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    void stagingMovesTheSelectionToTheStagedEntry() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.writeFile(QStringLiteral("-dash.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        repo.writeFile(QStringLiteral("-dash.txt"), "2\n");
        const auto state = openState(repo.path());
        await(state->refresh());

        const FileChange unstaged = *findChange(*state, QStringLiteral("a.txt"), false);
        state->selectFile(unstaged, false, false);
        await(state->stageFile(unstaged));
        QCOMPARE(state->selectedFile()->id(), QStringLiteral("a.txt:true"));
        QCOMPARE(state->selectedFiles(), QSet<QString>{QStringLiteral("a.txt:true")});
        QVERIFY(waitForDiff(*state));
        QVERIFY(state->diffText().contains(QStringLiteral("+2")));

        // An unselected file (whose name looks like an option) is staged and selected too.
        const FileChange dashed = *findChange(*state, QStringLiteral("-dash.txt"), false);
        await(state->stageFile(dashed));
        QCOMPARE(state->selectedFile()->id(), QStringLiteral("-dash.txt:true"));
        QCOMPARE(stagedContent(repo, QStringLiteral("-dash.txt")), QStringLiteral("2"));

        await(state->unstageFile(*findChange(*state, QStringLiteral("-dash.txt"), true)));
        QCOMPARE(state->selectedFile()->id(), QStringLiteral("-dash.txt:false"));
        QCOMPARE(stagedContent(repo, QStringLiteral("-dash.txt")), QStringLiteral("1"));
        QVERIFY(waitForDiff(*state));
        QVERIFY(logMessages().isEmpty());
    }

    void stageAndUnstageSeveralAndAll() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        repo.writeFile(QStringLiteral("b.txt"), "new\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->stageFiles(state->changes()));
        QCOMPARE(state->changes().size(), 2);
        for (const FileChange& change : state->changes())
            QVERIFY(change.isStaged);
        await(state->unstageAll());
        for (const FileChange& change : state->changes())
            QVERIFY(!change.isStaged);
        await(state->stageAll());
        await(state->unstageFiles({*findChange(*state, QStringLiteral("b.txt"), true)}));
        QVERIFY(findChange(*state, QStringLiteral("b.txt"), false).has_value());
        QVERIFY(findChange(*state, QStringLiteral("a.txt"), true).has_value());

        // A failing file is logged and the others still go through.
        await(state->stageFiles(
            {FileChange{ChangeStatus::Modified, QStringLiteral("missing.txt"), false, {}},
             *findChange(*state, QStringLiteral("b.txt"), false)}));
        QCOMPARE(logMessages().size(), 1);
        QVERIFY(logMessages().first().startsWith(
            QStringLiteral("Failed to stage missing.txt: fatal:")));
        QVERIFY(findChange(*state, QStringLiteral("b.txt"), true).has_value());
    }

    void discardLogsTheFileNameOnly() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("docs/readme.md"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("docs/readme.md"), "2\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        state->askDiscardChanges(state->changes().first());
        QVERIFY(state->showDiscardConfirmation());
        await(state->confirmDiscardChanges());
        QCOMPARE(logMessages(), QStringList{QStringLiteral("Discarded changes to readme.md")});
        QCOMPARE(repo.readFile(QStringLiteral("docs/readme.md")), QByteArray("1\n"));
        QVERIFY(!state->fileToDiscard().has_value());
        QVERIFY(state->changes().isEmpty());

        // A second confirm has no subject left.
        await(state->confirmDiscardChanges());
        QCOMPARE(logMessages().size(), 1);
    }

    void discardSelectionSkipsUntrackedAndStaged() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        repo.git({QStringLiteral("add"), QStringLiteral("a.txt")});
        repo.writeFile(QStringLiteral("new.txt"), "n\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        const QList<FileChange> files = state->allDisplayFiles();
        state->selectFile(files[0], false, false);
        state->selectFile(files[1], true, false);
        QCOMPARE(state->selectedFilesList().size(), 2);
        state->askDiscardSelectedChanges();
        QVERIFY(state->showDiscardConfirmation());
        QVERIFY(state->filesToDiscard().isEmpty());
        GitStandIn recorder("echo \"$@\" >> \"$HOME/git-calls.txt\"");
        await(state->confirmDiscardChanges());
        QVERIFY(logMessages().isEmpty());
        QFile calls(m_environment.home() + QStringLiteral("/git-calls.txt"));
        QVERIFY(calls.open(QIODevice::ReadOnly));
        const QString recorded = QString::fromUtf8(calls.readAll());
        QVERIFY(!recorded.contains(QStringLiteral("restore")));
        QVERIFY(recorded.contains(QStringLiteral("status"))); // it still refreshed
        QCOMPARE(repo.readFile(QStringLiteral("new.txt")), QByteArray("n\n"));
    }

    void trashAndDiscardAll() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.writeFile(QStringLiteral("sub/b.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        repo.writeFile(QStringLiteral("sub/b.txt"), "2\n");
        repo.writeFile(QStringLiteral("sub/new.txt"), "n\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        state->askDeleteFile(*findChange(*state, QStringLiteral("sub/new.txt"), false));
        await(state->confirmDeleteFile());
        QCOMPARE(logMessages().last(), QStringLiteral("Moved new.txt to the Trash"));
        QVERIFY(!QFile::exists(repo.path() + QStringLiteral("/sub/new.txt")));

        state->askDeleteFile(
            FileChange{ChangeStatus::Untracked, QStringLiteral("ghost.txt"), false, {}});
        await(state->confirmDeleteFile());
        QVERIFY(logMessages().last().startsWith(QStringLiteral("Failed to delete ghost.txt: ")));

        await(state->confirmDiscardAllChanges());
        QCOMPARE(logMessages().last(), QStringLiteral("Discarded all changes"));
        QVERIFY(state->changes().isEmpty());
    }

    void gitignoreEntries() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("build.log"), "x\n");
        repo.writeFile(QStringLiteral("tmp/x.o"), "x\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        const QList<FileChange> files = state->allDisplayFiles();
        state->selectFile(files[0], false, false);
        state->selectFile(files[1], true, false);
        await(state->addSelectedToGitignore());
        QCOMPARE(logMessages().last(), QStringLiteral("Added 2 files to .gitignore"));
        await(state->addPatternToGitignore(QStringLiteral("*.tmp")));
        QCOMPARE(logMessages().last(), QStringLiteral("Added '*.tmp' to .gitignore"));
        QCOMPARE(repo.readFile(QStringLiteral(".gitignore")),
                 QByteArray("build.log\ntmp/x.o\n*.tmp\n"));
        QCOMPARE(state->changes().size(), 1); // only .gitignore itself is left
        QVERIFY(waitForDiff(*state));
    }

    void newFilesAndFolders() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("src/main.c"), "int main;\n");
        repo.commitAll(QStringLiteral("root"));
        const auto state = openState(repo.path());
        await(state->refresh());
        const FileChange near{ChangeStatus::Modified, QStringLiteral("src/main.c"), false, {}};
        const FileChange atRoot{ChangeStatus::Modified, QStringLiteral("top.txt"), false, {}};

        QList<NamePrompt> prompts;
        QString answer;
        state->setNamePrompt([&](const NamePrompt& prompt) -> std::optional<QString> {
            prompts.append(prompt);
            return answer.isNull() ? std::nullopt : std::optional<QString>(answer);
        });

        answer = QStringLiteral(" \tnotes.txt  ");
        state->createNewFile(near);
        QCOMPARE(prompts.last().title, QStringLiteral("New File"));
        QCOMPARE(prompts.last().message, QStringLiteral("Create in src/:"));
        QCOMPARE(prompts.last().placeholder, QStringLiteral("filename.txt"));
        QVERIFY(QFile::exists(repo.path() + QStringLiteral("/src/notes.txt")));
        QCOMPARE(logMessages().last(), QStringLiteral("Created file src/notes.txt"));

        state->createNewFile(near);
        QCOMPARE(logMessages().last(), QStringLiteral("File already exists: src/notes.txt"));

        // Only spaces: the directory itself exists.
        answer = QStringLiteral("   ");
        state->createNewFile(near);
        QCOMPARE(logMessages().last(), QStringLiteral("File already exists: src/"));
        state->createNewFile(atRoot);
        QCOMPARE(prompts.last().message, QStringLiteral("Enter file name:"));
        QCOMPARE(logMessages().last(), QStringLiteral("File already exists: "));

        answer = QStringLiteral("a/b");
        state->createNewFolder(near);
        QCOMPARE(prompts.last().title, QStringLiteral("New Folder"));
        QCOMPARE(prompts.last().placeholder, QStringLiteral("folder-name"));
        QVERIFY(QFileInfo(repo.path() + QStringLiteral("/src/a/b")).isDir());
        QCOMPARE(logMessages().last(), QStringLiteral("Created folder src/a/b"));
        state->createNewFolder(atRoot);
        QCOMPARE(prompts.last().message, QStringLiteral("Enter folder name:"));

        // A creation that fails is reported, not logged as created.
        answer = QStringLiteral("nested/missing/file.txt");
        state->createNewFile(atRoot);
        QVERIFY(logMessages().last().startsWith(QStringLiteral("Failed to create file: ")));

        const qsizetype before = logMessages().size();
        answer = QString(); // cancelled
        state->createNewFile(near);
        answer = QStringLiteral("");
        state->createNewFile(near);
        QCOMPARE(logMessages().size(), before);
        QTest::qWait(200); // let the background refreshes finish
    }

    void closingATabWhileGitRunsIsQuiet() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        auto state = openState(repo.path());
        GitStandIn slow("sleep 0.3");
        auto task = state->stageAll();
        state.reset();
        await(std::move(task));
        QVERIFY(logMessages().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateWorkingTree)
#include "tst_RepositoryStateWorkingTree.moc"
