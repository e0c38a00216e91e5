#include "StateTestSupport.h"
#include "state/diffDisplay.h"
#include "support/AwaitTask.h"
#include "support/TestEnvironment.h"

#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

using namespace tolvane;
using namespace tolvane::test;

class TestRepositoryStateDiff : public QObject {
    Q_OBJECT
    TestEnvironment m_environment;

    // Selects the lines of the hunk whose raw text is in `rawLines`.
    static void selectLines(RepositoryState& state, const DiffHunk& hunk,
                            const QStringList& rawLines) {
        for (const DiffLineInfo& info : state.lineInfoByHunkID().value(hunk.id)) {
            if (rawLines.contains(info.rawLine))
                state.toggleLineSelection(info.id, hunk.id);
        }
    }

private Q_SLOTS:
    void init() { LogStore::shared().setEntries({}); }

    void skippedKinds_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("notice");
        QTest::newRow("Cargo.lock") << "Cargo.lock"
                                    << "Diff skipped for .lock file";
        QTest::newRow("file named lock") << "sub/lock"
                                         << "Diff skipped for . file";
        QTest::newRow("file named min.js") << "min.js"
                                           << "Diff skipped for .js file";
        QTest::newRow("upper case") << "DATA.SQLITE"
                                    << "Diff skipped for .sqlite file";
        QTest::newRow("app.min.js diffed") << "app.min.js" << QString();
        QTest::newRow("no extension diffed") << "Makefile" << QString();
    }
    void skippedKinds() {
        QFETCH(QString, path);
        QFETCH(QString, notice);
        QCOMPARE(skippedDiffNotice(path).value_or(QString()), notice);
    }

    void textLimitCountsUserPerceivedCharacters() {
        const QString exact(500'000, QLatin1Char('x'));
        QVERIFY(!cutToGraphemes(exact, 500'000).has_value());
        QVERIFY(trackedDiffDisplay(exact).parsed.has_value());
        const QString over = exact + QLatin1Char('y');
        QCOMPARE(cutToGraphemes(over, 500'000).value_or(QString()), exact);
        const DiffDisplay cut = trackedDiffDisplay(over);
        QVERIFY(!cut.parsed.has_value());
        QVERIFY(cut.text.endsWith(
            QStringLiteral("\n\n── Diff truncated (output too large to display fully) ──")));
        // e + combining acute is one character: 300,000 of them are within the limit.
        QString combined;
        for (int i = 0; i < 300'000; ++i)
            combined += QStringLiteral("e\u0301");
        QVERIFY(!cutToGraphemes(combined, 500'000).has_value());
        QCOMPARE(cutToGraphemes(combined, 2).value_or(QString()), QStringLiteral("e\u0301e\u0301"));

        // A diff read only in part says so even when what was read is short, and drops the line
        // the read stopped in.
        const QString notice =
            QStringLiteral("\n\n── Diff truncated (output too large to display fully) ──");
        QCOMPARE(commitDiffDisplay(LimitedOutput{QStringLiteral("a\nb\nhalf a li"), false}),
                 QStringLiteral("a\nb") + notice);
        QCOMPARE(commitDiffDisplay(LimitedOutput{over, false}), exact + notice);
        QCOMPARE(commitDiffDisplay(LimitedOutput{QStringLiteral("a\nb"), true}),
                 QStringLiteral("a\nb"));
    }

    void untrackedDisplay() {
        const QString separator(41, QChar(0x2500));
        QCOMPARE(untrackedFileDisplay(QStringLiteral("n.txt"), QStringLiteral("a\nb\n")),
                 QStringLiteral("New file: n.txt\n") + separator + QStringLiteral("\n\n+a\n+b\n+"));
    }

    void workingTreeNotices() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("big.bin"), "x");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("empty.txt"), "");
        repo.writeFile(QStringLiteral("exact.txt"), QByteArray(5'000'000, 'a'));
        repo.writeFile(QStringLiteral("over.txt"), QByteArray(5'000'001, 'a'));
        repo.writeFile(QStringLiteral("Cargo.lock"), "x\n");
        repo.writeFile(QStringLiteral("big.bin"), QByteArray("\0\1\2binary", 9));
        // Untracked links to a device that never ends and to a pipe that nobody writes.
        QTemporaryDir elsewhere;
        const QString pipe = elsewhere.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(QFile::link(pipe, repo.path() + QStringLiteral("/pipe-link")));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), repo.path() + QStringLiteral("/zero")));
        const auto state = openState(repo.path());
        await(state->refresh());

        auto shown = [&](const QString& path) {
            await(state->loadDiff(*findChange(*state, path, false), true));
            return state->diffText();
        };
        QCOMPARE(shown(QStringLiteral("empty.txt")),
                 QStringLiteral("Empty file or unable to read"));
        QCOMPARE(shown(QStringLiteral("over.txt")),
                 QStringLiteral("File too large to diff (5.0\u00A0MB)"));
        QCOMPARE(shown(QStringLiteral("Cargo.lock")),
                 QStringLiteral("Diff skipped for .lock file"));
        QCOMPARE(shown(QStringLiteral("big.bin")), QStringLiteral("Binary file"));
        // Neither is read: no memory taken, no worker held.
        QCOMPARE(shown(QStringLiteral("zero")), QStringLiteral("Empty file or unable to read"));
        QCOMPARE(shown(QStringLiteral("pipe-link")),
                 QStringLiteral("Empty file or unable to read"));
        QVERIFY(!state->showHunkView());
        const QString exact = shown(QStringLiteral("exact.txt"));
        QVERIFY(exact.startsWith(QStringLiteral("New file: exact.txt")));
        QVERIFY(exact.endsWith(
            QStringLiteral("── Diff truncated (file too large to display fully) ──")));
        QVERIFY(!state->parsedDiff().has_value());
        QVERIFY(!state->isLoadingDiff());
    }

    void badInputs() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("huge.bin"), "x");
        repo.writeFile(QStringLiteral("bad.txt"), "ok\n");
        repo.commitAll(QStringLiteral("root"));
        // A 2 GB file is judged by its size alone: nothing of it is read.
        QFile huge(repo.path() + QStringLiteral("/huge.bin"));
        QVERIFY(huge.resize(qint64(2'000'000'000)));
        repo.writeFile(QStringLiteral("bad.txt"), "ok\n\xff\xfe broken\n");
        repo.writeFile(QStringLiteral("line\nbreak.txt"), "a\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadDiff(*findChange(*state, QStringLiteral("huge.bin"), false), true));
        QCOMPARE(state->diffText(), QStringLiteral("File too large to diff (2.0\u00A0GB)"));

        // Bytes that are not UTF-8 are shown as escapes and staged exactly as they are.
        await(state->loadDiff(*findChange(*state, QStringLiteral("bad.txt"), false), true));
        QVERIFY(state->diffText().contains(QStringLiteral("+") + QChar(0xDCFF) + QChar(0xDCFE) +
                                           QStringLiteral(" broken")));
        await(state->stageHunks(state->parsedDiff()->hunks));
        QCOMPARE(repo.stagedBytes(QStringLiteral("bad.txt")), QByteArray("ok\n\xff\xfe broken\n"));

        // A path with a line feed is listed, shown and staged like any other.
        const auto odd = findChange(*state, QStringLiteral("line\nbreak.txt"), false);
        QVERIFY(odd.has_value());
        await(state->loadDiff(*odd, true));
        QVERIFY(state->diffText().startsWith(QStringLiteral("New file: line\nbreak.txt")));
        await(state->stageFile(*odd));
        QVERIFY(findChange(*state, QStringLiteral("line\nbreak.txt"), true).has_value());

        // A file that vanished between status and diff.
        const FileChange gone = *findChange(*state, QStringLiteral("huge.bin"), false);
        QFile::remove(repo.path() + QStringLiteral("/huge.bin"));
        await(state->loadDiff(gone, true));
        QVERIFY(!state->isLoadingDiff());
        QVERIFY(state->diffText().contains(QStringLiteral("deleted file mode")));
    }

    void repositoryDeletedWhileOpen() {
        auto repo = std::make_unique<RepoFixture>();
        repo->writeFile(QStringLiteral("a.txt"), "1\n");
        repo->commitAll(QStringLiteral("root"));
        const auto state = openState(repo->path());
        await(state->refresh());
        QCOMPARE(state->commits().size(), 1);
        repo.reset();
        await(state->refresh());
        QVERIFY(state->repositoryMissing());
        QVERIFY(state->commits().isEmpty());
        QVERIFY(state->changes().isEmpty());
        QVERIFY(!state->isLoading());
        await(state->unstageAll());
        QVERIFY(logMessages().last().startsWith(QStringLiteral("Failed to unstage all: ")));
    }

    void laterSelectionWinsOverSlowerEarlierLoad() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("slow.txt"), "1\n");
        repo.writeFile(QStringLiteral("fast.txt"), "1\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("slow.txt"), "slow change\n");
        repo.writeFile(QStringLiteral("fast.txt"), "fast change\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        GitStandIn slowForA("for a in \"$@\"; do [ \"$a\" = slow.txt ] && sleep 0.8; done");
        auto first = state->loadDiff(*findChange(*state, QStringLiteral("slow.txt"), false), true);
        await(state->loadDiff(*findChange(*state, QStringLiteral("fast.txt"), false), true));
        await(std::move(first));
        QVERIFY(state->diffText().contains(QStringLiteral("+fast change")));
        QCOMPARE(state->selectedFile()->path, QStringLiteral("fast.txt"));
        QVERIFY(!state->isLoadingDiff());
    }

    void commitDiffKeepsTheLaterCommit() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("one.txt"), "1\n");
        repo.commitAll(QStringLiteral("first"));
        repo.writeFile(QStringLiteral("two.txt"), "2\n");
        repo.commitAll(QStringLiteral("second"));
        const auto state = openState(repo.path());
        await(state->refresh());
        const GitCommit second = state->commits().at(0);
        const GitCommit first = state->commits().at(1);
        GitStandIn slowFirst(
            ("for a in \"$@\"; do [ \"$a\" = " + first.id.toUtf8() + " ] && sleep 0.8; done"));
        auto slow = state->loadCommitDiff(first, true);
        await(state->loadCommitDiff(second, true));
        await(std::move(slow));
        QCOMPARE(state->selectedCommit()->id, second.id);
        QVERIFY(state->diffText().contains(QStringLiteral("two.txt")));
        QCOMPARE(state->commitFiles().size(), 1);
        QCOMPARE(state->commitFiles().first().path, QStringLiteral("two.txt"));
    }

    // A blobless clone answers history, status, a commit's files and a working-tree diff
    // without asking its server; a commit's diff or a blame waits for the user's download.
    void partialCloneDownloadsOnlyWhenAsked() {
        RepoFixture server(QStringLiteral("server"));
        server.writeFile(QStringLiteral("a.txt"), "one\n");
        server.writeFile(QStringLiteral("old.txt"), QByteArray("shared line\n").repeated(40));
        server.commitAll(QStringLiteral("first"));
        server.writeFile(QStringLiteral("a.txt"), "one\ntwo\n");
        server.git({QStringLiteral("rm"), QStringLiteral("-q"), QStringLiteral("old.txt")});
        server.writeFile(QStringLiteral("new.txt"),
                         QByteArray("shared line\n").repeated(40) + "extra\n");
        server.commitAll(QStringLiteral("second"));
        server.writeFile(QStringLiteral("a.txt"), "one\ntwo\nthree\n");
        server.commitAll(QStringLiteral("third"));
        server.git({QStringLiteral("config"), QStringLiteral("uploadpack.allowFilter"),
                    QStringLiteral("true")});

        // Every contact with the server runs upload-pack once, and leaves a line behind.
        const QString counter = server.siblingPath(QStringLiteral("upload-packs"));
        const QString wrapper = server.siblingPath(QStringLiteral("upload-pack.sh"));
        QFile script(wrapper);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho run >> '" + counter.toUtf8() +
                     "'\nexec git-upload-pack \"$@\"\n");
        script.close();
        script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
        const auto uploads = [&counter] {
            QFile file(counter);
            return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
        };
        const QString clone = server.siblingPath(QStringLiteral("clone"));
        server.git({QStringLiteral("clone"), QStringLiteral("-q"),
                    QStringLiteral("--filter=blob:none"),
                    QStringLiteral("--config=remote.origin.uploadpack=") + wrapper,
                    QStringLiteral("file://") + server.path(), clone});
        const int afterClone = uploads();
        QVERIFY(afterClone >= 1);
        QFile changed(clone + QStringLiteral("/new.txt"));
        QVERIFY(changed.open(QIODevice::Append));
        changed.write("four\n");
        changed.close();

        const auto state = openState(clone);
        await(state->refresh());
        QCOMPARE(state->commits().size(), 3);
        const auto change = findChange(*state, QStringLiteral("new.txt"), false);
        QVERIFY(change.has_value());
        await(state->loadDiff(*change, true));
        QVERIFY(state->diffText().contains(QStringLiteral("+four")));
        QVERIFY(!state->contentsNotDownloaded());

        const GitCommit second = state->commits().at(1);
        await(state->loadCommitDiff(second, true));
        QVERIFY(state->contentsNotDownloaded());
        QCOMPARE(state->diffText(), QStringLiteral("File contents not downloaded yet"));
        // The similar-file rename cannot be judged without contents: a deletion and an addition.
        QStringList paths;
        for (const CommitFileEntry& entry : state->commitFiles())
            paths.append(entry.path);
        paths.sort();
        QCOMPARE(paths, (QStringList{QStringLiteral("a.txt"), QStringLiteral("new.txt"),
                                     QStringLiteral("old.txt")}));
        await(state->loadBlame(QStringLiteral("a.txt")));
        QVERIFY(state->contentsNotDownloaded());
        QVERIFY(state->blameLines().isEmpty());
        QCOMPARE(uploads(), afterClone);
        // Nothing was downloaded, and nothing was said to have failed.
        QVERIFY(!logMessages().join(u'\n').contains(QStringLiteral("Failed")));

        await(state->loadCommitDiff(second, true));
        await(state->downloadMissingContents());
        QVERIFY(uploads() > afterClone);
        QVERIFY(!state->contentsNotDownloaded());
        QVERIFY(state->diffText().contains(QStringLiteral("\n+two")));
        QVERIFY(state->diffText().contains(QStringLiteral("old.txt")));
    }

    void stagingLinesChangesTheIndexExactly() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "a\nb\nc\nd\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "a\nB\nc\nD\nE\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), false), true));
        QVERIFY(state->showHunkView());
        state->buildLineInfoCache();
        const DiffHunk hunk = state->parsedDiff()->hunks.first();

        // Nothing selected: nothing happens.
        await(state->stageSelectedLines(hunk));
        QVERIFY(logMessages().isEmpty());

        selectLines(*state, hunk, {QStringLiteral("-b"), QStringLiteral("+B")});
        await(state->stageSelectedLines(hunk));
        QCOMPARE(logMessages().last(), QStringLiteral("Staged 2 lines"));
        QCOMPARE(repo.git({QStringLiteral("show"), QStringLiteral(":f.txt")}),
                 QStringLiteral("a\nB\nc\nd"));
        // The selection follows the unstaged side of the file, freshly loaded.
        QCOMPARE(state->selectedFile()->id(), QStringLiteral("f.txt:false"));
        QVERIFY(state->lineSelectionsByHunkID().value(hunk.id).isEmpty());

        // Unstage one of the two staged lines from the staged diff.
        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), true), true));
        state->buildLineInfoCache();
        const DiffHunk staged = state->parsedDiff()->hunks.first();
        selectLines(*state, staged, {QStringLiteral("+B")});
        await(state->unstageSelectedLines(staged));
        QCOMPARE(logMessages().last(), QStringLiteral("Unstaged 1 line"));
        QCOMPARE(repo.git({QStringLiteral("show"), QStringLiteral(":f.txt")}),
                 QStringLiteral("a\nc\nd"));
        QCOMPARE(repo.readFile(QStringLiteral("f.txt")), QByteArray("a\nB\nc\nD\nE\n"));
    }

    void hunksAndTheLastHunkClearsTheDiffArea() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "one\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\ntwelve\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), false), true));
        QCOMPARE(state->parsedDiff()->hunks.size(), 2);
        await(state->stageHunks({state->parsedDiff()->hunks.first()}));
        QCOMPARE(logMessages().last(), QStringLiteral("Staged 1 hunk"));
        QCOMPARE(state->parsedDiff()->hunks.size(), 1);

        state->setHunksToDiscard(state->parsedDiff()->hunks);
        await(state->confirmDiscardHunks());
        QCOMPARE(logMessages().last(), QStringLiteral("Discarded 1 hunk"));
        // No unstaged change is left, so the diff area is cleared and the file deselected.
        QVERIFY(!state->selectedFile().has_value());
        QVERIFY(state->diffText().isEmpty());
        QVERIFY(!state->showHunkView());
        QVERIFY(!state->selectedFiles().contains(QStringLiteral("f.txt:false")));
        QCOMPARE(repo.readFile(QStringLiteral("f.txt")),
                 QByteArray("one\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n"));

        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), true), true));
        await(state->unstageHunks(state->parsedDiff()->hunks));
        QCOMPARE(logMessages().last(), QStringLiteral("Unstaged 1 hunk"));
        QVERIFY(!findChange(*state, QStringLiteral("f.txt"), true).has_value());
    }

    void lineSelectionBookkeeping() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "a\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "b\nc\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), false), true));
        state->buildLineInfoCache();
        const DiffHunk hunk = state->parsedDiff()->hunks.first();
        const QList<DiffLineInfo> infos = state->lineInfoByHunkID().value(hunk.id);
        QCOMPARE(infos.size(), 3);
        state->toggleLineSelection(infos[0].id, hunk.id);
        state->toggleLineSelection(infos[0].id, hunk.id);
        QVERIFY(state->lineSelectionsByHunkID().contains(hunk.id));
        QVERIFY(state->lineSelectionsByHunkID().value(hunk.id).isEmpty());
        state->selectAllLinesInHunk(hunk.id);
        state->selectAllLinesInHunk(hunk.id);
        QCOMPARE(state->lineSelectionsByHunkID().value(hunk.id).size(), 3);
        state->selectAllLinesInHunk(99);
        QVERIFY(!state->lineSelectionsByHunkID().contains(99));
        await(state->stageSelectedLines(hunk));
        QCOMPARE(logMessages().last(), QStringLiteral("Staged 3 lines"));
    }

    // A CRLF file keeps its carriage returns through every patch, the last line's included.
    void crlfFilesStageExactly_data() {
        QTest::addColumn<int>("changedLine");
        QTest::newRow("last line changed") << 20;
        QTest::newRow("last diff line is context") << 18;
    }
    void crlfFilesStageExactly() {
        QFETCH(int, changedLine);
        QByteArray original;
        QByteArray edited;
        for (int i = 1; i <= 20; ++i) {
            original += "l" + QByteArray::number(i) + "\r\n";
            edited += (i == changedLine ? "L" : "l") + QByteArray::number(i) + "\r\n";
        }
        RepoFixture repo;
        repo.writeFile(QStringLiteral("crlf.txt"), original);
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("crlf.txt"), edited);
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadDiff(*findChange(*state, QStringLiteral("crlf.txt"), false), true));
        state->buildLineInfoCache();
        DiffHunk hunk = state->parsedDiff()->hunks.first();
        state->selectAllLinesInHunk(hunk.id);
        await(state->stageSelectedLines(hunk));
        QCOMPARE(logMessages().last(), QStringLiteral("Staged 2 lines"));
        QCOMPARE(repo.stagedBytes(QStringLiteral("crlf.txt")), edited);

        await(state->loadDiff(*findChange(*state, QStringLiteral("crlf.txt"), true), true));
        await(state->unstageHunks(state->parsedDiff()->hunks));
        QCOMPARE(logMessages().last(), QStringLiteral("Unstaged 1 hunk"));
        QCOMPARE(repo.stagedBytes(QStringLiteral("crlf.txt")), original);

        await(state->loadDiff(*findChange(*state, QStringLiteral("crlf.txt"), false), true));
        await(state->stageHunks(state->parsedDiff()->hunks));
        QCOMPARE(repo.stagedBytes(QStringLiteral("crlf.txt")), edited);
        repo.git({QStringLiteral("reset"), QStringLiteral("-q")});
        await(state->refresh());
        await(state->loadDiff(*findChange(*state, QStringLiteral("crlf.txt"), false), true));
        state->setHunksToDiscard(state->parsedDiff()->hunks);
        await(state->confirmDiscardHunks());
        QCOMPARE(logMessages().last(), QStringLiteral("Discarded 1 hunk"));
        QCOMPARE(repo.readFile(QStringLiteral("crlf.txt")), original);
    }

    // Part of a file whose header is more than a modification: the index (or the working tree)
    // keeps the file's name and mode and changes only the lines chosen.
    void partialPatchesKeepNameAndMode() {
        QByteArray twenty;
        for (int i = 1; i <= 20; ++i)
            twenty += "l" + QByteArray::number(i) + "\n";
        QByteArray edited = twenty;
        edited.replace("l1\n", "L1\n").replace("l20\n", "L20\n");
        RepoFixture repo;
        repo.writeFile(QStringLiteral("old name.txt"), twenty);
        repo.writeFile(QStringLiteral("mode.txt"), twenty);
        repo.commitAll(QStringLiteral("root"));
        repo.git(
            {QStringLiteral("mv"), QStringLiteral("old name.txt"), QStringLiteral("new name.txt")});
        repo.writeFile(QStringLiteral("new name.txt"), edited);
        repo.git({QStringLiteral("add"), QStringLiteral("new name.txt")});
        repo.writeFile(QStringLiteral("mode.txt"), edited);
        QFile::setPermissions(repo.path() + QStringLiteral("/mode.txt"),
                              QFile::permissions(repo.path() + QStringLiteral("/mode.txt")) |
                                  QFile::ExeOwner);
        repo.writeFile(QStringLiteral("intent.txt"), "x\ny\n");
        repo.git({QStringLiteral("add"), QStringLiteral("-N"), QStringLiteral("intent.txt")});
        const auto state = openState(repo.path());
        await(state->refresh());
        const auto indexEntry = [&](const QString& path) {
            return repo
                .git({QStringLiteral("ls-files"), QStringLiteral("--stage"), QStringLiteral("--"),
                      path})
                .section(u' ', 0, 0);
        };

        // A staged rename: unstaging its first hunk keeps the new name.
        await(state->loadDiff(*findChange(*state, QStringLiteral("new name.txt"), true), true));
        QCOMPARE(state->parsedDiff()->hunks.size(), 2);
        await(state->unstageHunks({state->parsedDiff()->hunks.first()}));
        QCOMPARE(repo.stagedBytes(QStringLiteral("new name.txt")),
                 QByteArray(twenty).replace("l20\n", "L20\n"));
        QVERIFY(indexEntry(QStringLiteral("old name.txt")).isEmpty());

        // A file added with intent only: staging a line stages that line alone.
        await(state->loadDiff(*findChange(*state, QStringLiteral("intent.txt"), false), true));
        state->buildLineInfoCache();
        const DiffHunk hunk = state->parsedDiff()->hunks.first();
        selectLines(*state, hunk, {QStringLiteral("+y")});
        await(state->stageSelectedLines(hunk));
        QCOMPARE(repo.stagedBytes(QStringLiteral("intent.txt")), QByteArray("y\n"));

        // A mode change with edits: staging or discarding one hunk leaves the mode where it is,
        // and staging the last one moves it.
        await(state->loadDiff(*findChange(*state, QStringLiteral("mode.txt"), false), true));
        QCOMPARE(state->parsedDiff()->hunks.size(), 2);
        await(state->stageHunks({state->parsedDiff()->hunks.first()}));
        QCOMPARE(indexEntry(QStringLiteral("mode.txt")), QStringLiteral("100644"));
        QCOMPARE(repo.stagedBytes(QStringLiteral("mode.txt")),
                 QByteArray(twenty).replace("l1\n", "L1\n"));
        repo.writeFile(QStringLiteral("mode.txt"), QByteArray(edited).replace("l10\n", "L10\n"));
        await(state->refresh());
        await(state->loadDiff(*findChange(*state, QStringLiteral("mode.txt"), false), true));
        QCOMPARE(state->parsedDiff()->hunks.size(), 2);
        state->setHunksToDiscard({state->parsedDiff()->hunks.first()});
        await(state->confirmDiscardHunks());
        QCOMPARE(logMessages().last(), QStringLiteral("Discarded 1 hunk"));
        QCOMPARE(repo.readFile(QStringLiteral("mode.txt")),
                 QByteArray(twenty).replace("l1\n", "L1\n").replace("l20\n", "L20\n"));
        QVERIFY(QFileInfo(repo.path() + QStringLiteral("/mode.txt")).isExecutable());
        await(state->stageHunks(state->parsedDiff()->hunks));
        QCOMPARE(indexEntry(QStringLiteral("mode.txt")), QStringLiteral("100755"));
        QCOMPARE(repo.stagedBytes(QStringLiteral("mode.txt")), edited);
    }

    // A diff shown before the file changed elsewhere is reloaded, and its old hunks are refused.
    void staleDiffIsReloadedAndNeverApplied() {
        RepoFixture repo;
        repo.writeFile(QStringLiteral("f.txt"), "a\nb\nc\n");
        repo.writeFile(QStringLiteral("g.txt"), "x\n");
        repo.commitAll(QStringLiteral("root"));
        repo.writeFile(QStringLiteral("f.txt"), "a\nB\nc\n");
        repo.writeFile(QStringLiteral("g.txt"), "y\n");
        const auto state = openState(repo.path());
        await(state->refresh());
        await(state->loadDiff(*findChange(*state, QStringLiteral("f.txt"), false), true));
        const DiffHunk shown = state->parsedDiff()->hunks.first();

        // Changed outside, not refreshed yet: the old hunk no longer exists.
        repo.writeFile(QStringLiteral("f.txt"), "a\nb\nC\n");
        await(state->stageHunks({shown}));
        QVERIFY(logMessages().last().contains(QStringLiteral("changed since its diff was shown")));
        QCOMPARE(repo.stagedBytes(QStringLiteral("f.txt")), QByteArray("a\nb\nc\n"));
        QVERIFY(state->diffText().contains(QStringLiteral("+C")));

        // Discarded outside: a refresh clears the diff instead of keeping dead buttons.
        repo.git({QStringLiteral("checkout"), QStringLiteral("--"), QStringLiteral("f.txt")});
        await(state->refresh());
        QVERIFY(!state->selectedFile().has_value());
        QVERIFY(!state->parsedDiff().has_value());
        state->setHunksToDiscard({shown});
        await(state->confirmDiscardHunks());
        QCOMPARE(repo.readFile(QStringLiteral("f.txt")), QByteArray("a\nb\nc\n"));
    }
};

QTEST_GUILESS_MAIN(TestRepositoryStateDiff)
#include "tst_RepositoryStateDiff.moc"
