// Read, diff, blame and file queries against real repositories.
#include "GitRecorder.h"
#include "engine/GitService.h"
#include "engine/blameParser.h"
#include "engine/conflictState.h"
#include "engine/gitText.h"
#include "engine/historyQueries.h"
#include "engine/relativeDate.h"
#include "engine/repositoryHealth.h"
#include "engine/statusParser.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

using namespace tolvane;

namespace {

QString canonical(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

template <typename T> std::optional<GitError> errorOf(QCoro::Task<T> task) {
    try {
        test::await(std::move(task));
    } catch (const GitError& error) {
        return error;
    }
    return std::nullopt;
}

// Feeds index entries to `git update-index --index-info`, which is how unmerged stages that a
// merge rarely leaves behind (DD, AU, UA) are made for real.
void setIndexEntries(const QString& repo, const QByteArray& entries) {
    QProcess process;
    process.setWorkingDirectory(repo);
    process.start(QStringLiteral("/usr/bin/git"),
                  {QStringLiteral("update-index"), QStringLiteral("--index-info")});
    process.write(entries);
    process.closeWriteChannel();
    process.waitForFinished(-1);
    QCOMPARE(process.exitCode(), 0);
}

} // namespace

class TestGitQueries : public QObject {
    Q_OBJECT

    test::TestEnvironment m_environment;
    // One history shared by the read-only tests; built once because it takes some forty runs.
    std::unique_ptr<test::RepoFixture> m_history;
    QString m_root, m_second, m_feature, m_merge, m_rename, m_side;
    QString m_attachedWorktree, m_detachedWorktree;

private Q_SLOTS:
    void initTestCase() {
        m_history = std::make_unique<test::RepoFixture>();
        auto& repo = *m_history;
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        m_root = repo.commitAll(QStringLiteral("first"));
        repo.git({"tag", "v1"});
        repo.git({"checkout", "-q", "-b", "feature"});
        repo.writeFile(QStringLiteral("f.txt"), "f\n");
        m_feature = repo.commitAll(QStringLiteral("feature work\n\nBody line\n"));
        repo.git({"checkout", "-q", "main"});
        repo.writeFile(QStringLiteral("b.txt"), "b\nb\nb\n");
        m_second = repo.commitAll(QStringLiteral("second"));
        repo.advanceClock();
        repo.git({"merge", "-q", "--no-ff", "-m", "Merge feature", "feature"});
        m_merge = repo.head();
        repo.git({"mv", "b.txt", "c.txt"});
        m_rename = repo.commitAll(QStringLiteral("rename"));
        repo.advanceClock();
        repo.git({"tag", "-a", "v2", "-m", "annotated"});
        repo.addBareOrigin();
        repo.git({"checkout", "-q", "-b", "side"});
        repo.writeFile(QStringLiteral("s.txt"), "s\n");
        m_side = repo.commitAll(QStringLiteral("side only"));
        repo.git({"checkout", "-q", "main"});
        repo.writeFile(QStringLiteral("a.txt"), "stashed\n");
        repo.advanceClock();
        repo.git({"stash", "push", "-q", "-m", "first stash"});
        repo.writeFile(QStringLiteral("a.txt"), "stashed again\n");
        repo.advanceClock();
        repo.git({"stash", "push", "-q", "-m", "with|||bars"});
        m_attachedWorktree = repo.addWorktree(QStringLiteral("wt attached"), {}, "wt-branch");
        m_detachedWorktree = repo.addWorktree(QStringLiteral("wt-detached"), {"--detach", "HEAD"});
    }
    void cleanupTestCase() { m_history.reset(); }

    // The history works its relative dates out when painting; they must read as git's do, at
    // every step from seconds to years and on each side of where git rounds to the next unit.
    void relativeDatesReadAsGitsDo() {
        const QString time = m_history->git({"log", "-1", "--format=%at", m_root});
        const qint64 authored = time.toLongLong();
        QList<qint64> ages{-5, 0, 1, 59, 60, 600, 86400 * 3 + 7, 86400 * 40, 86400 * 200};
        // Where git's rounding changes its answer, in seconds.
        const QList<qint64> edges{90,
                                  89 * 60 + 30,
                                  5370,
                                  35 * 3600 + 1800,
                                  13 * 86400 + 43200,
                                  69 * 86400 + 43200,
                                  364 * 86400 + 43200,
                                  86400 * 548,
                                  1824 * 86400 + 43200,
                                  86400 * 365 * 7};
        for (const qint64 edge : edges)
            ages << edge - 1 << edge << edge + 1;
        for (const qint64 age : ages) {
            QProcess git;
            git.setWorkingDirectory(m_history->path());
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("GIT_TEST_DATE_NOW"),
                               QString::number(authored + age));
            environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
            git.setProcessEnvironment(environment);
            git.start(QStringLiteral("/usr/bin/git"), {QStringLiteral("log"), QStringLiteral("-1"),
                                                       QStringLiteral("--format=%ar"), m_root});
            QVERIFY(git.waitForFinished(-1));
            const QString expected = QString::fromUtf8(git.readAllStandardOutput()).trimmed();
            QCOMPARE(gitRelativeDate(authored, authored + age), expected);
        }
    }

    void logFields() {
        GitService git(m_history->path());
        const QList<GitCommit> commits = test::await(git.log(100, false));
        QCOMPARE(commits.size(), 5);
        const QStringList order{m_rename, m_merge, m_second, m_feature, m_root};
        for (int i = 0; i < order.size(); ++i)
            QCOMPARE(commits[i].id, order[i]);

        const GitCommit& newest = commits[0];
        QCOMPARE(newest.message, QStringLiteral("rename"));
        QCOMPARE(newest.fullMessage.toString(), newest.message);
        QCOMPARE(newest.shortHash, m_history->git({"rev-parse", "--short", m_rename}));
        QCOMPARE(newest.author, QStringLiteral("Test User"));
        QCOMPARE(QString::number(newest.authorTime),
                 m_history->git({"log", "-1", "--format=%at", m_rename}));
        QVERIFY2(newest.refs.contains(QStringLiteral("HEAD -> main")), qPrintable(newest.refs));
        QVERIFY(newest.refs.contains(QStringLiteral("tag: v2")));
        QVERIFY(newest.refs.contains(QStringLiteral("origin/main")));
        QCOMPARE(newest.parents, QStringList{m_merge});
        QCOMPARE(newest.graphColumn, 0);

        QCOMPARE(commits[1].parents, (QStringList{m_second, m_feature}));
        QCOMPARE(commits[2].refs, QString());
        QCOMPARE(commits[3].message, QStringLiteral("feature work"));
        QCOMPARE(commits[3].fullMessage.toString(), QStringLiteral("feature work\n\nBody line"));
        QVERIFY(commits[3].refs.contains(QStringLiteral("feature")));
        QVERIFY(commits[4].parents.isEmpty());
        QCOMPARE(commits[4].refs, QStringLiteral("tag: v1"));
    }

    void logLimitAndAllBranches() {
        test::GitRecorder recorder;
        GitService git(m_history->path());
        QCOMPARE(test::await(git.log(2, false)).size(), 2);
        const QList<GitCommit> all = test::await(git.log(100, true));
        QVERIFY(std::any_of(all.begin(), all.end(),
                            [&](const GitCommit& c) { return c.id == m_side; }));
        const auto logCalls = [&] {
            QList<QStringList> calls = recorder.calls();
            calls.removeIf([](const QStringList& call) { return call.value(0) != u"log"; });
            return calls;
        };
        QList<QStringList> calls = logCalls();
        QCOMPARE(calls.size(), 2);
        QCOMPARE(calls[0].mid(2), QStringList{"-2"});
        QCOMPARE(calls[1].mid(2), (QStringList{"-100", "--exclude=refs/tolvane/*", "--all"}));
        QCOMPARE(calls[0].mid(0, 2),
                 (QStringList{"log", "--format=%H%x00%h%x00%an%x00%at%x00%s%x00%B%x00%D%x00%P%x00"
                                     "---END---"}));

        // With a commit-graph, HEAD's history comes in date order, which then costs git no more.
        // Every ref's history does not: git would first walk down to the oldest tag.
        test::RepoFixture withGraph;
        withGraph.writeFile(QStringLiteral("a.txt"), "a\n");
        withGraph.commitAll(QStringLiteral("only"));
        withGraph.git({"commit-graph", "write", "--reachable"});
        recorder.clear();
        const GitService graphGit(withGraph.path());
        QCOMPARE(test::await(graphGit.log(2, false)).size(), 1);
        QCOMPARE(test::await(graphGit.log(2, true)).size(), 1);
        const QString linked = withGraph.addWorktree(QStringLiteral("linked"), {}, "linked");
        QCOMPARE(test::await(GitService(linked).log(2, false)).size(), 1);
        calls = logCalls();
        QCOMPARE(calls.size(), 3);
        QCOMPARE(calls[0].mid(2), (QStringList{"-2", "--date-order"}));
        QCOMPARE(calls[1].mid(2), (QStringList{"-2", "--exclude=refs/tolvane/*", "--all"}));
        QCOMPARE(calls[2].mid(2), (QStringList{"-2", "--date-order"}));
    }

    void logOfEmptyRepositoryThrows() {
        test::RepoFixture empty;
        const auto error = errorOf(GitService(empty.path()).log(100, false));
        QVERIFY(error);
        QVERIFY2(error->message().contains(QStringLiteral("does not have any commits")),
                 qPrintable(error->message()));
    }

    void branchesLocalThenRemote() {
        const QList<GitBranch> branches = test::await(GitService(m_history->path()).branches());
        QStringList names;
        for (const GitBranch& b : branches)
            names.append(b.name + (b.isCurrent ? "*" : "") + (b.isRemote ? "@" : ""));
        QCOMPARE(names, (QStringList{"feature", "main*", "side", "wt-branch", "origin/main@"}));
        QCOMPARE(m_history->git({"branch", "-r"}).contains(QStringLiteral("origin/HEAD")), true);

        // A detached HEAD comes first, marked, and is the only entry that is no branch.
        const QList<GitBranch> detached = test::await(GitService(m_detachedWorktree).branches());
        const QString described =
            m_history->git({"branch", "--format=%(refname)"}, m_detachedWorktree)
                .section(u'\n', 0, 0);
        QCOMPARE("(" + detached.value(0).name + ")", described);
        QVERIFY(detached[0].isDetached && detached[0].isCurrent && !detached[0].isRemote);
        QCOMPARE(std::count_if(detached.begin(), detached.end(),
                               [](const GitBranch& b) { return b.isDetached || b.isCurrent; }),
                 1);
    }

    void trackedFilesFollowTheIndex() {
        // The list is reused while git lists the same names, so it must notice every change,
        // and two repositories must never see each other's files.
        test::RepoFixture first;
        first.writeFile(QStringLiteral("a.txt"), "a\n");
        first.commitAll(QStringLiteral("one"));
        test::RepoFixture second;
        second.writeFile(QStringLiteral("z.txt"), "z\n");
        second.commitAll(QStringLiteral("one"));
        const GitService git(first.path());
        QCOMPARE(test::await(git.trackedFiles()), QStringList{"a.txt"});
        QCOMPARE(test::await(GitService(second.path()).trackedFiles()), QStringList{"z.txt"});
        QCOMPARE(test::await(git.trackedFiles()), QStringList{"a.txt"});
        first.writeFile(QStringLiteral("b.txt"), "b\n");
        first.git({"add", "b.txt"});
        QCOMPARE(test::await(git.trackedFiles()), (QStringList{"a.txt", "b.txt"}));
        first.git({"rm", "-q", "--cached", "a.txt"});
        QCOMPARE(test::await(git.trackedFiles()), QStringList{"b.txt"});
    }

    void branchesFailWhenEitherCommandFails() {
        QTemporaryDir notARepository;
        QVERIFY(errorOf(GitService(notARepository.path()).branches()));
    }

    void tagsTrackedFilesAndTopLevel() {
        GitService git(m_history->path());
        QCOMPARE(test::await(git.tags()), (QStringList{"v2", "v1"}));
        QCOMPARE(test::await(git.trackedFiles()), (QStringList{"a.txt", "c.txt", "f.txt"}));
        QCOMPARE(canonical(test::await(git.topLevel()).value_or(QString())),
                 canonical(m_history->path()));

        QDir(m_history->path()).mkpath(QStringLiteral("sub/dir"));
        const auto fromSub = test::await(GitService(m_history->path() + "/sub/dir").topLevel());
        QCOMPARE(canonical(fromSub.value_or(QString())), canonical(m_history->path()));
        QTemporaryDir outside;
        QCOMPARE(test::await(GitService(outside.path()).topLevel()), std::nullopt);
        QCOMPARE(test::await(GitService(outside.path() + "/missing").topLevel()), std::nullopt);
        QVERIFY(errorOf(GitService(outside.path()).tags()));
    }

    // Any subject is listed, whatever characters it holds, with its commit, time and branch.
    void stashListKeepsEverySubject() {
        const QList<StashEntry> stashes = test::await(GitService(m_history->path()).stashList());
        QCOMPARE(stashes.size(), 2);
        QCOMPARE(stashes[0].index, 0);
        QCOMPARE(stashes[0].message, QStringLiteral("On main: with|||bars"));
        QCOMPARE(stashes[1].message, QStringLiteral("On main: first stash"));
        QCOMPARE(stashes[1].branch, QStringLiteral("main"));
        QCOMPARE(stashes[1].hash, m_history->git({"rev-parse", "stash@{1}"}));
        QCOMPARE(QString::number(stashes[1].time),
                 m_history->git({"log", "-1", "--format=%ct", "stash@{1}"}));
    }

    void worktreesMainLinkedAndDetached() {
        const QList<GitWorktree> worktrees =
            test::await(GitService(m_history->path()).worktreeList());
        QCOMPARE(worktrees.size(), 3);
        QCOMPARE(canonical(worktrees[0].path), canonical(m_history->path()));
        QCOMPARE(worktrees[0].id, worktrees[0].path);
        QVERIFY(worktrees[0].isMain);
        QCOMPARE(worktrees[0].branch, QStringLiteral("main"));
        QCOMPARE(worktrees[0].commitHash, m_rename);

        QCOMPARE(canonical(worktrees[1].path), canonical(m_attachedWorktree));
        QVERIFY(!worktrees[1].isMain);
        QCOMPARE(worktrees[1].branch, QStringLiteral("wt-branch"));
        QVERIFY(!worktrees[1].isDetached);

        QCOMPARE(canonical(worktrees[2].path), canonical(m_detachedWorktree));
        QVERIFY(worktrees[2].isDetached);
        QCOMPARE(worktrees[2].branch, QString());
        QCOMPARE(worktrees[2].commitHash, m_rename);

        // Asked from a linked worktree, the main one is still listed first.
        const QList<GitWorktree> fromLinked =
            test::await(GitService(m_attachedWorktree).worktreeList());
        QCOMPARE(fromLinked.size(), 3);
        QVERIFY(fromLinked[0].isMain);
        QCOMPARE(canonical(fromLinked[0].path), canonical(m_history->path()));
    }

    void upstreamAndAncestry() {
        GitService git(m_history->path());
        QVERIFY(test::await(git.branchHasUpstream(QStringLiteral("main"))));
        QVERIFY(!test::await(git.branchHasUpstream(QStringLiteral("feature"))));
        QVERIFY(!test::await(git.branchHasUpstream(QStringLiteral("no-such-branch"))));
        QVERIFY(test::await(git.isAncestorOfHead(m_root)));
        QVERIFY(test::await(git.isAncestorOfHead(m_rename)));
        QVERIFY(!test::await(git.isAncestorOfHead(m_side)));
        QVERIFY(!test::await(git.isAncestorOfHead(QStringLiteral("0123456"))));
        QTemporaryDir outside;
        QVERIFY(!test::await(GitService(outside.path()).isAncestorOfHead(m_root)));
    }

    void commitDiffAndFiles() {
        GitService git(m_history->path());
        const LimitedOutput whole = test::await(git.diffForCommit(m_merge));
        QVERIFY(whole.complete);
        const QString merge = whole.text;
        QVERIFY(merge.startsWith(QStringLiteral("commit ") + m_merge));
        QVERIFY(merge.contains(QStringLiteral(" f.txt | 1 +")));
        QVERIFY(merge.contains(QStringLiteral("+++ b/f.txt")));
        QVERIFY(!merge.contains(QStringLiteral("b.txt")));
        // Read in part, git is stopped at the limit and the beginning is kept byte for byte.
        const LimitedOutput part = test::await(git.diffForCommit(m_merge, 40));
        QVERIFY(!part.complete);
        QCOMPARE(part.text, merge.left(40));
        QCOMPARE(test::await(git.diffForCommit(m_merge, merge.toUtf8().size() + 1)), whole);

        QCOMPARE(test::await(git.filesForCommit(m_merge)),
                 (QList<CommitFileEntry>{{"A", "f.txt"}}));
        QCOMPARE(test::await(git.filesForCommit(m_rename)),
                 (QList<CommitFileEntry>{{"R", QStringLiteral("b.txt \u2192 c.txt")}}));
        QCOMPARE(test::await(git.filesForCommit(m_root)), (QList<CommitFileEntry>{{"A", "a.txt"}}));
        QVERIFY(errorOf(git.filesForCommit(QStringLiteral("no-such-commit"))));
        QVERIFY(errorOf(git.diffForCommit(QStringLiteral("no-such-commit"))));
    }

    void statusColumns() {
        test::RepoFixture repo;
        for (const char* name : {"mod-work", "mod-index", "mod-both", "del-index", "del-work",
                                 "ren-old", "typechange"})
            repo.writeFile(QString::fromLatin1(name), QByteArray(name) + "\nline\n");
        repo.commitAll(QStringLiteral("base"));
        repo.writeFile(QStringLiteral("mod-work"), "changed\n");
        repo.writeFile(QStringLiteral("mod-index"), "changed\n");
        repo.writeFile(QStringLiteral("mod-both"), "changed\n");
        repo.git({"add", "mod-index", "mod-both"});
        repo.writeFile(QStringLiteral("mod-both"), "changed twice\n");
        repo.writeFile(QStringLiteral("added"), "new\n");
        repo.writeFile(QStringLiteral("added-mod"), "new\n");
        repo.git({"add", "added", "added-mod"});
        repo.writeFile(QStringLiteral("added-mod"), "newer\n");
        repo.git({"rm", "-q", "del-index"});
        QFile::remove(repo.path() + "/del-work");
        repo.git({"mv", "ren-old", "ren new"});
        repo.writeFile(QStringLiteral("dir/untracked"), "u\n");
        QFile::remove(repo.path() + "/typechange");
        QFile::link(QStringLiteral("mod-work"), repo.path() + "/typechange");

        const QList<FileChange> changes = test::await(GitService(repo.path()).status());
        const QList<FileChange> expected{
            {ChangeStatus::Added, "added", true, std::nullopt},
            {ChangeStatus::Added, "added-mod", true, std::nullopt},
            {ChangeStatus::Modified, "added-mod", false, std::nullopt},
            {ChangeStatus::Deleted, "del-index", true, std::nullopt},
            {ChangeStatus::Deleted, "del-work", false, std::nullopt},
            {ChangeStatus::Modified, "mod-both", true, std::nullopt},
            {ChangeStatus::Modified, "mod-both", false, std::nullopt},
            {ChangeStatus::Modified, "mod-index", true, std::nullopt},
            {ChangeStatus::Modified, "mod-work", false, std::nullopt},
            {ChangeStatus::Renamed, "ren new", true, QStringLiteral("ren-old")},
            {ChangeStatus::Untracked, "dir/untracked", false, std::nullopt},
        };
        // The type change (" T") produces nothing.
        QCOMPARE(changes, expected);
        QCOMPARE(changes[0].id(), QStringLiteral("added:true"));
        QCOMPARE(changes[2].id(), QStringLiteral("added-mod:false"));
    }

    void unusualPathsAsGitKnowsThem() {
        test::RepoFixture repo;
        // Every character git would quote, and bytes that are not UTF-8.
        const QList<QByteArray> names{"-dash.txt",       "with space.txt",  "caf\xc3\xa9.txt",
                                      "say \"hi\".txt",  "back\\slash.txt", "tab\there.txt",
                                      "c\a\b\v\f\r.txt", "line\nfeed.txt",  "caf\xe9.txt"};
        for (const QByteArray& name : names)
            repo.writeFileByName(name, "x\n");
        repo.writeFile(QStringLiteral("old\tname"), "r\n");
        // A Latin-1 message: git stores the bytes as given.
        QFile message(repo.siblingPath(QStringLiteral("message.txt")));
        QVERIFY(message.open(QIODevice::WriteOnly));
        message.write("caf\xe9 base\n");
        message.close();
        repo.git({"add", "-A"});
        repo.advanceClock();
        repo.git({"commit", "-q", "-F", message.fileName()});
        const QString base = repo.head();
        for (const QByteArray& name : names)
            repo.writeFileByName(name, "y\n");
        repo.git({"mv", "old\tname", "new \"name\""});

        GitService git(repo.path());
        const QList<FileChange> changes = test::await(git.status());
        QList<QByteArray> modified;
        for (const FileChange& change : changes) {
            if (change.status == ChangeStatus::Modified)
                modified.append(encodeGitBytes(change.path));
        }
        QList<QByteArray> sorted = names;
        std::sort(sorted.begin(), sorted.end());
        std::sort(modified.begin(), modified.end());
        QCOMPARE(modified, sorted);
        const auto rename = std::find_if(changes.begin(), changes.end(), [](const FileChange& c) {
            return c.status == ChangeStatus::Renamed;
        });
        QVERIFY(rename != changes.end());
        QCOMPARE(rename->path, QStringLiteral("new \"name\""));
        QCOMPARE(rename->oldPath, std::optional<QString>(QStringLiteral("old\tname")));

        // The tracked list and a commit's files hold exactly the names ls-files prints.
        QList<QByteArray> listed = repo.gitOutput({"ls-files", "-z"}).split('\0');
        listed.removeAll(QByteArray());
        QList<QByteArray> tracked;
        for (const QString& path : test::await(git.trackedFiles()))
            tracked.append(encodeGitBytes(path));
        QCOMPARE(tracked, listed);
        QList<QByteArray> committed;
        for (const CommitFileEntry& entry : test::await(git.filesForCommit(base)))
            committed.append(encodeGitBytes(entry.path));
        listed.replace(listed.indexOf("new \"name\""), "old\tname");
        std::sort(listed.begin(), listed.end());
        QCOMPARE(committed, listed);

        const QList<GitCommit> history = test::await(git.log(10));
        QCOMPARE(history.size(), 1);
        QCOMPARE(encodeGitBytes(history[0].message),
                 repo.gitOutput({"log", "-1", "--format=%s"}).trimmed());
    }

    void statusConflicts() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("keep"), "k\n");
        repo.commitAll(QStringLiteral("base"));
        repo.makeConflict(QStringLiteral("both-modified.txt"));
        const QString blob = repo.git({"hash-object", "-w", "keep"});
        const QByteArray mode = "100644 " + blob.toLatin1() + " ";
        // Stages: 1 base, 2 ours, 3 theirs.
        setIndexEntries(repo.path(), mode + "1\tdd\n" + mode + "2\tau\n" + mode + "2\taa\n" + mode +
                                         "3\taa\n" + mode + "3\tua\n" + mode + "1\tud\n" + mode +
                                         "2\tud\n" + mode + "1\tdu\n" + mode + "3\tdu\n");
        QString porcelain;
        repo.gitStatus({"status", "--porcelain"}, &porcelain);
        for (const char* line :
             {"UU both-modified.txt", "DD dd", "AU au", "AA aa", "UA ua", "UD ud", "DU du"})
            QVERIFY2(porcelain.contains(QLatin1String(line)), qPrintable(porcelain));
        // The kind read from the index stages agrees with the one git prints as letters.
        const QList<UnmergedEntry> unmerged =
            parseUnmergedEntries(decodeGitBytes(repo.gitOutput({"ls-files", "-u", "-z"})));
        QCOMPARE(unmerged.size(), 7);
        for (const UnmergedEntry& entry : unmerged) {
            const qsizetype at = porcelain.indexOf(u' ' + entry.path + u'\n');
            const qsizetype line = at < 0 ? porcelain.indexOf(u' ' + entry.path) : at;
            QVERIFY2(line >= 2, qPrintable(entry.path));
            QCOMPARE(conflictKindForLetters(porcelain[line - 2], porcelain[line - 1]), entry.kind);
        }

        const QList<FileChange> changes = test::await(GitService(repo.path()).status());
        QCOMPARE(changes.size(), 7);
        for (const FileChange& change : changes) {
            QCOMPARE(change.status, ChangeStatus::Conflict);
            QVERIFY(!change.isStaged);
            QCOMPARE(change.oldPath, std::nullopt);
        }
    }

    // The operation is read from the state files of the worktree git runs in.
    void operationInProgress() {
        test::RepoFixture repo;
        const GitService git(repo.path());
        QCOMPARE(test::await(readOperationState(git)).kind, OperationKind::None);
        repo.writeFile(QStringLiteral("other"), "o\n");
        repo.makeConflict(QStringLiteral("f.txt"));
        const QString theirs = repo.git({"rev-parse", "theirs"});
        QCOMPARE(test::await(readOperationState(git)),
                 (RepositoryOperation{OperationKind::Merge, "theirs", theirs}));
        QVERIFY(test::await(readPreparedMessage(git)).startsWith("Merge branch 'theirs'"));

        // A linked worktree keeps its own state: the main one shows the merge, this one a pick.
        const QString ours = repo.head();
        const QString linked = repo.addWorktree(QStringLiteral("linked"), {ours}, "side");
        QCOMPARE(repo.gitStatus({"cherry-pick", "theirs"}, nullptr, linked), 1);
        const GitService linkedGit(linked);
        QCOMPARE(test::await(readOperationState(linkedGit)),
                 (RepositoryOperation{OperationKind::CherryPick, theirs.left(7), theirs}));
        repo.git({"cherry-pick", "--abort"}, linked);
        QCOMPARE(test::await(readOperationState(linkedGit)).kind, OperationKind::None);
        QCOMPARE(test::await(readOperationState(git)).kind, OperationKind::Merge);

        // Reverting the commit that added the file conflicts with our change to it.
        repo.git({"merge", "--abort"});
        const QString added = repo.git({"rev-parse", "HEAD~1"});
        QCOMPARE(repo.gitStatus({"revert", "--no-edit", added}), 1);
        QCOMPARE(test::await(readOperationState(git)),
                 (RepositoryOperation{OperationKind::Revert, added.left(7), added}));
        repo.git({"revert", "--abort"});

        repo.git({"checkout", "-q", "theirs"});
        QCOMPARE(repo.gitStatus({"rebase", "--merge", "-q", ours}), 1);
        QCOMPARE(test::await(readOperationState(git)),
                 (RepositoryOperation{OperationKind::Rebase, "theirs", ours, 1, 1}));
        repo.git({"rebase", "--abort"});
        QCOMPARE(test::await(readPreparedMessage(git)), QString());
    }

    void diffQueries() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("old.txt"), "one\ntwo\nthree\nfour\n");
        repo.writeFile(QStringLiteral("text.txt"), "t\n");
        repo.writeFile(QStringLiteral("image.bin"), QByteArray("\x00\x01\x02", 3));
        repo.writeFile(QStringLiteral("-dash.txt"), "d\n");
        repo.commitAll(QStringLiteral("base"));
        repo.git({"mv", "old.txt", "new.txt"});
        repo.writeFile(QStringLiteral("text.txt"), "t2\n");
        repo.writeFile(QStringLiteral("image.bin"), QByteArray("\x00\x03", 2));
        repo.writeFile(QStringLiteral("-dash.txt"), "d2\n");
        repo.writeFile(QStringLiteral("untracked.txt"), "u\n");

        test::GitRecorder recorder;
        GitService git(repo.path());
        const QString rename = test::await(git.diff("new.txt", QStringLiteral("old.txt"), true));
        QVERIFY2(rename.contains(QStringLiteral("rename from old.txt")), qPrintable(rename));
        QVERIFY(rename.contains(QStringLiteral("rename to new.txt")));
        QCOMPARE(recorder.calls().last(),
                 (QStringList{"diff", "--no-ext-diff", "--no-textconv", "--no-color",
                              "--submodule=log", "--cached", "--", "old.txt", "new.txt"}));
        // Without the old path the staged side is just a new file.
        QVERIFY(test::await(git.diff("new.txt", std::nullopt, true)).contains("new file mode"));

        const QString text = test::await(git.diff("text.txt", std::nullopt, false));
        QVERIFY(text.contains(QStringLiteral("+t2")));
        QCOMPARE(recorder.calls().last(),
                 (QStringList{"diff", "--no-ext-diff", "--no-textconv", "--no-color",
                              "--submodule=log", "--", "text.txt"}));
        QCOMPARE(test::await(git.diff("untracked.txt", std::nullopt, false)), QString());
        QVERIFY(test::await(git.diff("-dash.txt", std::nullopt, false)).contains("+d2"));

        QVERIFY(test::await(git.isBinaryFile("image.bin")));
        QVERIFY(!test::await(git.isBinaryFile("text.txt")));
        QVERIFY(!test::await(git.isBinaryFile("new.txt"))); // staged only
        QVERIFY(!test::await(git.isBinaryFile("untracked.txt")));
        QVERIFY(!test::await(git.isBinaryFile("-dash.txt")));
        QTemporaryDir outside;
        QVERIFY(!test::await(GitService(outside.path()).isBinaryFile("image.bin")));
        QVERIFY(errorOf(GitService(outside.path()).diff("x", std::nullopt, false)));
    }

    void blameReusesCommitDetails() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("-notes.txt"), "one\ntwo\n");
        const QString first = repo.commitAll(QStringLiteral("first"));
        repo.writeFile(QStringLiteral("-notes.txt"), "one\ntwo\nthree\n\tindented\n");
        const QString second = repo.commitAll(QStringLiteral("second"));

        test::GitRecorder recorder;
        const QList<GitBlameLine> lines =
            test::await(GitService(repo.path()).blame(QStringLiteral("-notes.txt")));
        QCOMPARE(recorder.calls().value(0),
                 (QStringList{"blame", "--porcelain", "--no-textconv", "--", "-notes.txt"}));
        QCOMPARE(lines.size(), 4);
        const auto day = [](qint64 seconds) {
            return QLocale().toString(QDateTime::fromSecsSinceEpoch(seconds).date(),
                                      QLocale::ShortFormat);
        };
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(lines[i].id, i + 1);
            QCOMPARE(lines[i].author(), QStringLiteral("Test User"));
        }
        QCOMPARE(lines[0].commitHash(), first);
        QCOMPARE(lines[1].commitHash(), first);
        QCOMPARE(lines[0].date(), day(1704110400));
        QCOMPARE(lines[1].date(), lines[0].date());
        QCOMPARE(lines[2].commitHash(), second);
        QCOMPARE(lines[2].shortHash(), second.left(7));
        QCOMPARE(lines[2].date(), day(1704110460));
        QCOMPARE(lines[0].content, QStringLiteral("one"));
        QCOMPARE(lines[3].content, QStringLiteral("\tindented"));

        repo.writeFile(QStringLiteral("loose.txt"), "x\n");
        const auto error = errorOf(GitService(repo.path()).blame(QStringLiteral("loose.txt")));
        QVERIFY(error);
        QVERIFY2(error->message().contains(QStringLiteral("no such path")),
                 qPrintable(error->message()));
    }

    void findInHistoryFileHistoryAndBlameBack() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("notes.txt"), "alpha\nbeta\ngamma\n");
        const QString add = repo.commitAll(QStringLiteral("Add notes\n\nMentions a.b*c literally"));
        repo.writeFile(QStringLiteral("notes.txt"), "alpha\nbeta 2\ngamma\n");
        repo.git({"commit", "-qam", "Tweak beta", "--author=Zo\u00eb Example <zoe@example.org>"});
        const QString tweak = repo.head();
        QDir(repo.path()).mkpath(QStringLiteral("docs"));
        repo.git({"mv", "notes.txt", "docs/notes.md"});
        const QString move = repo.commitAll(QStringLiteral("Move notes"));
        repo.writeFile(QStringLiteral("docs/notes.md"), "alpha\nbeta 2\ngamma 3\n");
        const QString fix = repo.commitAll(QStringLiteral("fix GAMMA"));
        repo.writeFile(QStringLiteral("other.txt"), "x\n");
        const QString other = repo.commitAll(QStringLiteral("other"));
        GitService git(repo.path());

        const auto ids = [&](const QString& text, int limit = 100) {
            QStringList out;
            for (const GitCommit& c : test::await(searchHistory(git, text, limit, false)).commits)
                out.append(c.id);
            return out;
        };
        QCOMPARE(ids(QStringLiteral("gamma")), QStringList{fix});         // subject, any case
        QCOMPARE(ids(QStringLiteral("A.B*C")), QStringList{add});         // body, literally
        QCOMPARE(ids(QStringLiteral("a.*c")), QStringList());             // not a pattern
        QCOMPARE(ids(QStringLiteral("ZOE@example")), QStringList{tweak}); // e-mail
        QCOMPARE(ids(QStringLiteral("zo\u00eb ex")), QStringList{tweak}); // name
        QCOMPARE(test::await(findCommitByPrefix(git, move.left(7).toUpper()))->id, move);
        QVERIFY(!test::await(findCommitByPrefix(git, QStringLiteral("--all"))));
        QVERIFY(!test::await(findCommitByPrefix(git, QStringLiteral("ffffffff"))));
        QCOMPARE(ids(QStringLiteral("Test User")), (QStringList{other, fix, move, add}));
        const HistorySearchPage page =
            test::await(searchHistory(git, QStringLiteral("test user"), 2, false));
        QCOMPARE(page.commits.size(), 2);
        QVERIFY(!page.complete);
        QVERIFY(test::await(searchHistory(git, QStringLiteral("zoe"), 2, false)).complete);

        QCOMPARE(test::await(resolveCommit(git, add.left(6))), std::optional<QString>(add));
        QCOMPARE(test::await(resolveCommit(git, QStringLiteral("--all"))), std::nullopt);
        QCOMPARE(test::await(commitsAbove(git, tweak, false)), std::optional<int>(3));

        // The file's history follows the rename, with the path the file had in each commit.
        const QList<FileHistoryEntry> history =
            test::await(fileHistory(git, QStringLiteral("docs/notes.md"), 100));
        QStringList rows;
        for (const FileHistoryEntry& e : history)
            rows.append(e.commit.id + u' ' + e.path + u' ' + e.oldPath);
        QCOMPARE(rows, (QStringList{fix + " docs/notes.md ", move + " docs/notes.md notes.txt",
                                    tweak + " notes.txt ", add + " notes.txt "}));
        QCOMPARE(test::await(fileHistory(git, QStringLiteral("docs/notes.md"), 1)).size(), 1);
        const QString renameDiff = test::await(fileDiffForCommit(git, move,
                                                                 {QStringLiteral("notes.txt"),
                                                                  QStringLiteral("docs/notes.md")}))
                                       .text;
        QVERIFY2(renameDiff.contains(QStringLiteral("rename from notes.txt")),
                 qPrintable(renameDiff));
        const QString tweakDiff =
            test::await(fileDiffForCommit(git, other, {QStringLiteral("docs/notes.md")})).text;
        QVERIFY(!tweakDiff.contains(QStringLiteral("other.txt\n")));

        // Blame records where each line came from, so the user can step back past a commit.
        const QList<GitBlameLine> now = test::await(git.blame(QStringLiteral("docs/notes.md")));
        QCOMPARE(now.size(), 3);
        QCOMPARE(now[2].commitHash(), fix);
        QCOMPARE(now[2].originalLine, 3);
        QCOMPARE(now[2].previousHash(), move);
        QCOMPARE(now[2].previousPath(), QStringLiteral("docs/notes.md"));
        QCOMPARE(now[1].commitHash(), tweak);
        QCOMPARE(now[1].previousHash(), add);
        QCOMPARE(now[1].previousPath(), QStringLiteral("notes.txt"));
        QCOMPARE(now[0].previousHash(), QString()); // added with the file
        const QList<GitBlameLine> before =
            test::await(blameAtRevision(git, now[1].previousHash(), now[1].previousPath()));
        QCOMPARE(before.size(), 3);
        QCOMPARE(before[1].content, QStringLiteral("beta"));
        QCOMPARE(before[1].commitHash(), add);
    }

    void lineBeforeChanges_data() {
        QTest::addColumn<QString>("diff");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("expected");
        const QString twoHunks = QStringLiteral("diff --git a/f b/f\n@@ -0,0 +1,2 @@\n+n\n+n\n"
                                                "@@ -4 +6 @@\n-d\n+D\n@@ -9,2 +11,0 @@\n-x\n-y\n");
        QTest::newRow("above every change") << twoHunks << 0 << 1;
        QTest::newRow("inserted line") << twoHunks << 2 << 1;
        QTest::newRow("shifted by insertion") << twoHunks << 4 << 2;
        QTest::newRow("changed line") << twoHunks << 6 << 4;
        QTest::newRow("right before a deletion") << twoHunks << 11 << 9;
        QTest::newRow("after a deletion") << twoHunks << 12 << 12;
        QTest::newRow("no changes") << QString() << 7 << 7;
        // Malformed numbers must not overflow into a line before the first.
        QTest::newRow("huge deletion")
            << QStringLiteral("@@ -1,2147483647 +1,0 @@\n") << 2147483647 << 2147483647;
        QTest::newRow("empty range") << QStringLiteral("@@ -4  +6 @@\n") << 7 << 7;
    }

    void lineBeforeChanges() {
        QFETCH(QString, diff);
        QFETCH(int, line);
        QFETCH(int, expected);
        QCOMPARE(tolvane::lineBeforeChanges(diff, line), expected);
    }

    // Each figure and switch is read as plain git left it, before and after git turns it on.
    void healthFactsFollowTheRepository() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("src/a.txt"), "a\n");
        repo.writeFile(QStringLiteral("docs/b.txt"), "b\n");
        repo.writeFile(QStringLiteral("top.txt"), "t\n");
        repo.commitAll(QStringLiteral("first"));
        repo.writeFile(QStringLiteral("src/a.txt"), "a2\n");
        repo.commitAll(QStringLiteral("second"));
        repo.writeFile(QStringLiteral("new.txt"), "untracked\n");
        const GitService git(repo.path());

        const HealthFacts before = test::await(readHealthFacts(git));
        QCOMPARE(before.reachableCommits, 2);
        QCOMPARE(before.trackedFiles, 3);
        QCOMPARE(before.untrackedFiles, 1);
        QVERIFY(before.objects.looseObjects >= 8);
        QCOMPARE(before.objects.packs, 0);
        QVERIFY(!before.graph.present);
        QVERIFY(!before.untrackedCache && !before.manyFiles && !before.writeCommitGraphOnFetch);
        QVERIFY(!before.maintenanceRegistered && !before.multiPackIndex && !before.sparseCheckout);
        QVERIFY(!before.promisor);
        // git itself answers whether its monitor runs on this system.
        QProcess daemon;
        daemon.setWorkingDirectory(repo.path());
        daemon.start(QStringLiteral("/usr/bin/git"),
                     {QStringLiteral("fsmonitor--daemon"), QStringLiteral("status")});
        daemon.waitForFinished(-1);
        const bool unsupported = daemon.readAllStandardError().contains("not supported");
        QCOMPARE(before.fsmonitorAvailable, !unsupported);
        const QList<HealthItem> offItems = healthItems(before);
        for (const HealthItem& item : offItems) {
            if (item.id != u"fsmonitor" || !unsupported)
                QVERIFY2(!item.on, qPrintable(item.id));
        }
        QCOMPARE(offItems.first().figure, QStringLiteral("2 commits without a commit-graph"));

        repo.git({QStringLiteral("commit-graph"), QStringLiteral("write"),
                  QStringLiteral("--reachable"), QStringLiteral("--changed-paths")});
        repo.git({QStringLiteral("repack"), QStringLiteral("-dq")});
        repo.git({QStringLiteral("multi-pack-index"), QStringLiteral("write")});
        for (const char* key :
             {"core.untrackedCache", "feature.manyFiles", "fetch.writeCommitGraph"})
            repo.git({QStringLiteral("config"), QString::fromLatin1(key), QStringLiteral("true")});
        repo.git({QStringLiteral("maintenance"), QStringLiteral("register")});
        repo.git({QStringLiteral("sparse-checkout"), QStringLiteral("set"),
                  QStringLiteral("--cone"), QStringLiteral("src")});

        const HealthFacts after = test::await(readHealthFacts(git));
        QVERIFY(after.graph.present && after.graph.changedPaths);
        QCOMPARE(after.graph.commits, 2);
        QCOMPARE(after.objects.looseObjects, 0);
        QCOMPARE(after.objects.packs, 1);
        QVERIFY(after.multiPackIndex && after.untrackedCache && after.manyFiles);
        QVERIFY(after.writeCommitGraphOnFetch && after.maintenanceRegistered);
        QVERIFY(after.sparseCheckout && after.sparseCone);
        QCOMPARE(after.sparseFolders, QStringList{QStringLiteral("src")});
        QCOMPARE(after.trackedFiles, 3); // still tracked, only left out of the working tree
        for (const HealthItem& item : healthItems(after)) {
            if (item.id != u"fsmonitor" && item.id != u"partial-clone")
                QVERIFY2(item.on, qPrintable(item.id));
        }
        QCOMPARE(healthItems(after).first().figure,
                 QStringLiteral("0 commits without a commit-graph"));

        // A new commit is outside the graph until it is written again.
        repo.git({QStringLiteral("commit"), QStringLiteral("-q"), QStringLiteral("--allow-empty"),
                  QStringLiteral("-m"), QStringLiteral("third")});
        const HealthFacts later = test::await(readHealthFacts(git));
        QCOMPARE(later.reachableCommits - later.graph.commits, 1);
        QVERIFY(!healthItems(later).first().on);

        // A chain of graph files counts every layer.
        repo.git({QStringLiteral("commit-graph"), QStringLiteral("write"),
                  QStringLiteral("--reachable"), QStringLiteral("--split=no-merge"),
                  QStringLiteral("--changed-paths")});
        const HealthFacts split = test::await(readHealthFacts(git));
        QCOMPARE(split.graph.commits, 3);
        QVERIFY(!parseCommitGraphFile("CGPH\1\1\3\0short"));
        QVERIFY(!parseCommitGraphFile(QByteArray(64, 'x')));
    }

    void partialCloneNamesItsPromisor() {
        test::RepoFixture server(QStringLiteral("server"));
        server.writeFile(QStringLiteral("a.txt"), "a\n");
        server.commitAll(QStringLiteral("first"));
        server.git({QStringLiteral("config"), QStringLiteral("uploadpack.allowFilter"),
                    QStringLiteral("true")});
        const QString clone = server.siblingPath(QStringLiteral("clone"));
        server.git({QStringLiteral("clone"), QStringLiteral("-q"),
                    QStringLiteral("--filter=blob:none"), QStringLiteral("--origin=upstream"),
                    QStringLiteral("file://") + server.path(), clone});
        const HealthFacts facts = test::await(readHealthFacts(GitService(clone)));
        QCOMPARE(facts.promisor,
                 (PromisorRemote{QStringLiteral("upstream"), QStringLiteral("blob:none")}));
        QCOMPARE(healthItems(facts).last().figure,
                 QStringLiteral("From upstream with the filter blob:none"));
        QVERIFY(!test::await(readHealthFacts(GitService(server.path()))).promisor);
        // A remote turned promisor by hand is found without extensions.partialClone.
        const QByteArray byHand = QByteArray("remote.Mirror.promisor\ntrue") + QByteArray(1, '\0') +
                                  QByteArray("remote.Mirror.partialclonefilter\ntree:0");
        QCOMPARE(parsePromisorRemote(byHand),
                 (PromisorRemote{QStringLiteral("Mirror"), QStringLiteral("tree:0")}));
    }

    void readsFileContent() {
        test::RepoFixture repo;
        repo.writeFile(QStringLiteral("dir/\u00e9.txt"), "h\xc3\xa9llo\n");
        repo.writeFile(QStringLiteral("latin1.txt"), "caf\xe9\n");
        GitService git(repo.path());
        QCOMPARE(test::await(git.readFileContent(QStringLiteral("dir/\u00e9.txt"))),
                 QStringLiteral("h\u00e9llo\n"));
        QCOMPARE(test::await(git.readFileContent(QStringLiteral("latin1.txt"))), QString());
        QCOMPARE(test::await(git.readFileContent(QStringLiteral("missing.txt"))), QString());
        QCOMPARE(test::await(git.readFileContent(QStringLiteral("dir"))), QString());
    }
};

QTEST_GUILESS_MAIN(TestGitQueries)
#include "tst_GitQueries.moc"
