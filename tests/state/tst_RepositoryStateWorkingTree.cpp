#include "StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include "engine/gitText.h"
#include "settings/AppSettings.h"
#include "state/confirmationDialogs.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using namespace tolvane;
using namespace tolvane::test;

namespace {} // namespace

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

    // A name git would quote, and one that is not UTF-8, go through every operation unchanged.
    void unusualNamesReachGitExactly() {
        RepoFixture repo;
        // "[ab].txt" would match "a.txt" too if the name were read as a pattern.
        const QList<QByteArray> names{"caf\xe9.txt", "back\\slash \"q\"\ttab\r.txt", "[ab].txt"};
        QList<QByteArray> paths;
        for (const QByteArray& name : names)
            paths.append(repo.writeFileByName(name, "x\n"));
        repo.writeFile(QStringLiteral("a.txt"), "x\n");
        repo.commitAll(QStringLiteral("root"));
        for (const QByteArray& name : names)
            repo.writeFileByName(name, "y\n");
        repo.writeFile(QStringLiteral("a.txt"), "y\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        const QByteArray both = names[2] + '\0' + names[1] + '\0' + names[0] + '\0';
        const auto staged = [&] {
            return repo.gitOutput({"diff", "--cached", "--name-only", "-z"});
        };

        QList<FileChange> unstaged;
        for (const QByteArray& name : names) {
            const auto change = findChange(*state, decodeGitBytes(name), false);
            QVERIFY2(change, name.constData());
            unstaged.append(*change);
        }
        await(state->stageFiles(unstaged));
        QCOMPARE(staged(), both);
        QVERIFY(logMessages().isEmpty());
        const FileChange latin1 = *findChange(*state, decodeGitBytes(names[0]), true);
        state->selectFile(latin1, false, false);
        QVERIFY(waitForDiff(*state));
        QVERIFY2(state->diffText().contains(QStringLiteral("\n+y")), qPrintable(state->diffText()));
        for (const QByteArray& name : names)
            await(state->unstageFile(*findChange(*state, decodeGitBytes(name), true)));
        QCOMPARE(staged(), QByteArray());

        await(state->loadBlame(decodeGitBytes(names[0])));
        QCOMPARE(state->blameLines().size(), 1);
        for (int i = 0; i < names.size(); ++i) {
            state->askDiscardChanges(*findChange(*state, decodeGitBytes(names[i]), false));
            await(state->confirmDiscardChanges());
            QCOMPARE(RepoFixture::readFileByName(paths[i]), QByteArray("x\n"));
        }
        QCOMPARE(repo.gitOutput({"status", "--porcelain", "-z"}), QByteArray(" M a.txt\0", 9));
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

    // With dot files hidden, Stage All and Discard All act on the listed files only: nothing
    // hidden, and nothing that appeared since the list was read.
    void bulkActionsLeaveHiddenChangesAlone() {
        AppSettings::setShowDotFiles(false);
        const auto restore = qScopeGuard([] { AppSettings::setShowDotFiles(false); });
        RepoFixture repo;
        repo.writeFile(QStringLiteral(".editorconfig"), "root = true\n");
        repo.writeFile(QStringLiteral("a.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral(".editorconfig"), "root = false\n");
        repo.writeFile(QStringLiteral(".env"), "SECRET=1\n");
        repo.writeFile(QStringLiteral(".config/tool.conf"), "x\n");
        repo.writeFile(QStringLiteral("a.txt"), "2\n");
        repo.writeFile(QStringLiteral("new.txt"), "n\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(state->hiddenUnstagedCount(), 3);
        QCOMPARE(state->listedUnstagedChanges().size(), 2);
        const auto stagedPaths = [&repo] {
            return repo.git({QStringLiteral("diff"), QStringLiteral("--cached"),
                             QStringLiteral("--name-only")});
        };

        repo.writeFile(QStringLiteral("later.txt"), "l\n");
        await(state->stageAll());
        QCOMPARE(stagedPaths(), QStringLiteral("a.txt\nnew.txt"));
        QVERIFY(logMessages().isEmpty());
        await(state->unstageAll());
        QCOMPARE(stagedPaths(), QString());

        QCOMPARE(discardAllDialog(*state).message,
                 QStringLiteral("Are you sure you want to discard all unstaged changes? The 3 "
                                "hidden files are left as they are. Discarded changes can be "
                                "restored from the Stashes page."));
        await(state->confirmDiscardAllChanges());
        QCOMPARE(logMessages().last(), QStringLiteral("Discarded all listed changes; the 3 hidden "
                                                      "files were left as they are"));
        QCOMPARE(repo.readFile(QStringLiteral("a.txt")), QByteArray("1\n"));
        QCOMPARE(repo.readFile(QStringLiteral(".editorconfig")), QByteArray("root = false\n"));

        // Shown, they are listed and staged like any other file.
        AppSettings::setShowDotFiles(true);
        QCOMPARE(state->hiddenUnstagedCount(), 0);
        await(state->stageAll());
        QCOMPARE(stagedPaths(),
                 QStringLiteral(".config/tool.conf\n.editorconfig\n.env\nlater.txt\nnew.txt"));
    }

    void submoduleStatesUpdatesAndStageAll() {
        RepoFixture lib(QStringLiteral("lib"));
        lib.writeFile(QStringLiteral("lib.txt"), "1\n");
        const QString first = lib.commitAll(QStringLiteral("lib 1"));
        RepoFixture repo;
        // Local clones of a submodule need the file protocol, which git refuses by default.
        repo.git({QStringLiteral("config"), QStringLiteral("--global"),
                  QStringLiteral("protocol.file.allow"), QStringLiteral("always")});
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.git({QStringLiteral("submodule"), QStringLiteral("add"), QStringLiteral("-q"),
                  lib.path(), QStringLiteral("lib")});
        repo.commitAll(QStringLiteral("with lib"));
        repo.git({QStringLiteral("branch"), QStringLiteral("lib-one")});
        const QString inside = repo.path() + QStringLiteral("/lib");
        const auto stateOf = [](RepositoryState& state) {
            const QList<GitSubmodule> all = state.submodules().submodules();
            return all.size() == 1 ? submoduleStateText(all[0]) : QStringLiteral("<none>");
        };
        const auto state = openState(repo.path());
        await(state->refresh());
        QCOMPARE(stateOf(*state), QStringLiteral("Up to date"));
        QCOMPARE(state->submodules().submodules().at(0).recordedCommit, first);

        repo.writeFile(QStringLiteral("lib/lib.txt"), "changed inside\n");
        await(state->refresh());
        QCOMPARE(stateOf(*state), QStringLiteral("Modified inside"));

        // A commit made inside shows as a pointer change that Stage All leaves alone.
        repo.git({QStringLiteral("commit"), QStringLiteral("-qam"), QStringLiteral("inside")},
                 inside);
        const QString second = repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD")},
                                        inside);
        repo.writeFile(QStringLiteral("a.txt"), "a2\n");
        await(state->refresh());
        QCOMPARE(stateOf(*state), QStringLiteral("New commit checked out"));
        QVERIFY(findChange(*state, QStringLiteral("lib"), false));
        // Its diff is the commits between the two pointers.
        await(state->loadDiff(*findChange(*state, QStringLiteral("lib"), false), true));
        QVERIFY2(state->diffText().contains(QStringLiteral("> inside")),
                 qPrintable(state->diffText()));
        QVERIFY(!state->diffText().contains(QStringLiteral("Subproject commit")));
        await(state->stageAll());
        QCOMPARE(repo.git({QStringLiteral("diff"), QStringLiteral("--cached"),
                           QStringLiteral("--name-only")}),
                 QStringLiteral("a.txt"));
        // Staged by the user's own choice, it is the new recorded commit.
        await(state->stageFile(*findChange(*state, QStringLiteral("lib"), false)));
        QCOMPARE(stateOf(*state), QStringLiteral("New commit recorded"));
        repo.git({QStringLiteral("commit"), QStringLiteral("-qm"), QStringLiteral("lib 2")});
        repo.git({QStringLiteral("branch"), QStringLiteral("lib-two")});

        // A checkout that moves the pointer back asks, and the update brings the submodule there.
        AppSettings::setUpdateSubmodules(QStringLiteral("ask"));
        await(state->refresh());
        await(state->checkoutBranch(GitBranch::make(QStringLiteral("lib-one"), false, false)));
        QCOMPARE(state->currentBranch(), QStringLiteral("lib-one"));
        QCOMPARE(stateOf(*state), QStringLiteral("Out of date"));
        QVERIFY(state->submodules().showUpdatePrompt());
        QCOMPARE(state->submodules().movedSubmodules(), QStringList{QStringLiteral("lib")});
        await(state->submodules().confirmUpdateMoved());
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, inside), first);
        QCOMPARE(stateOf(*state), QStringLiteral("Up to date"));

        // "Never" leaves it behind; "Always" updates without asking.
        AppSettings::setUpdateSubmodules(QStringLiteral("never"));
        await(state->checkoutBranch(GitBranch::make(QStringLiteral("lib-two"), false, false)));
        QCOMPARE(stateOf(*state), QStringLiteral("Out of date"));
        QVERIFY(!state->submodules().showUpdatePrompt());
        await(state->submodules().update(QStringLiteral("lib")));
        QCOMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, inside), second);
        AppSettings::setUpdateSubmodules(QStringLiteral("always"));
        await(state->checkoutBranch(GitBranch::make(QStringLiteral("lib-one"), false, false)));
        QTRY_COMPARE(repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD")}, inside),
                     first);
        QVERIFY(!state->submodules().showUpdatePrompt());
        AppSettings::setUpdateSubmodules(QStringLiteral("ask"));

        // A clone without its submodules lists it as not initialized until updated.
        const QString clone = repo.siblingPath(QStringLiteral("clone"));
        repo.git({QStringLiteral("clone"), QStringLiteral("-q"), repo.path(), clone});
        const auto cloneState = openState(clone);
        await(cloneState->refresh());
        QCOMPARE(stateOf(*cloneState), QStringLiteral("Not initialized"));
        QVERIFY(cloneState->submodules().submodules().at(0).checkedOutCommit.isEmpty());
        await(cloneState->submodules().updateAll());
        QCOMPARE(stateOf(*cloneState), QStringLiteral("Up to date"));
        QVERIFY(QFile::exists(clone + QStringLiteral("/lib/lib.txt")));
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

        // A .gitignore linking out of the repository is not written through.
        QTemporaryDir outside;
        const QString rules = outside.filePath(QStringLiteral("rules"));
        QVERIFY(QFile::copy(repo.path() + QStringLiteral("/.gitignore"), rules));
        QVERIFY(QFile::remove(repo.path() + QStringLiteral("/.gitignore")));
        QVERIFY(QFile::link(rules, repo.path() + QStringLiteral("/.gitignore")));
        await(state->addPatternToGitignore(QStringLiteral("*.bak")));
        QCOMPARE(logMessages().last(),
                 QStringLiteral("Failed to update .gitignore: .gitignore is a symbolic link to a "
                                "file outside the repository; it was left unchanged"));
        QFile kept(rules);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("build.log\ntmp/x.o\n*.tmp\n"));
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

        // Names that leave the folder they are created in are refused.
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), repo.path() + QStringLiteral("/src/link")));
        const QString parent = QFileInfo(repo.path()).path();
        const QList<std::pair<QString, bool>> escapes{
            {QStringLiteral("../outside.txt"), false},
            {QStringLiteral("a/../../outside.txt"), false},
            {QStringLiteral("link/inside-the-link.txt"), false},
            {QStringLiteral("../../escape"), true},
            {elsewhere.filePath(QStringLiteral("absolute")), true}};
        for (const auto& [name, folder] : escapes) {
            answer = name;
            if (folder)
                state->createNewFolder(near);
            else
                state->createNewFile(near);
            QCOMPARE(logMessages().last(), QStringLiteral("Cannot create ") + name +
                                               QStringLiteral(": the name must stay inside src/"));
        }
        answer = QStringLiteral("../outside.txt");
        state->createNewFile(atRoot);
        QCOMPARE(logMessages().last(), QStringLiteral("Cannot create ../outside.txt: the name must "
                                                      "stay inside the repository"));
        QVERIFY(!QFile::exists(repo.path() + QStringLiteral("/outside.txt")));
        QVERIFY(!QFile::exists(parent + QStringLiteral("/outside.txt")));
        QVERIFY(!QFile::exists(parent + QStringLiteral("/escape")));
        QVERIFY(QDir(elsewhere.path()).isEmpty());

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
