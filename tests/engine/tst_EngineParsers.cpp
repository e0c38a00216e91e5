// Parsers and name rules on text git cannot be made to print (truncated, malformed, foreign),
// plus the rules that are pure by nature. Real git output is covered by tst_GitQueries.
#include "engine/AppKitDialogs.h"
#include "engine/GitService.h"
#include "engine/binaryNumstat.h"
#include "engine/blameParser.h"
#include "engine/branchParser.h"
#include "engine/commitFilesParser.h"
#include "engine/gitText.h"
#include "engine/lineSplitting.h"
#include "engine/logParser.h"
#include "engine/stashParser.h"
#include "engine/statusParser.h"
#include "engine/worktreeParser.h"

#include <QDateTime>
#include <QLocale>
#include <QTest>

using namespace tolvane;

namespace {

QString nul(const char* text) {
    return QString::fromUtf8(text).replace(u'|', QChar(u'\0'));
}

const QString hashA = QStringLiteral("a").repeated(40);
const QString hashB = QStringLiteral("b").repeated(40);

} // namespace

class TestEngineParsers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unescapesPaths_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << QStringLiteral("a b/c.txt") << QStringLiteral("a b/c.txt");
        QTest::newRow("tab") << QStringLiteral("a\\tb") << QStringLiteral("a\tb");
        QTest::newRow("line feed") << QStringLiteral("a\\nb") << QStringLiteral("a\nb");
        QTest::newRow("quote and backslash")
            << QStringLiteral("say \\\"hi\\\" \\\\ x") << QStringLiteral("say \"hi\" \\ x");
        QTest::newRow("octal UTF-8")
            << QStringLiteral("caf\\303\\251.txt") << QStringLiteral("caf\u00e9.txt");
        QTest::newRow("unknown escape kept") << QStringLiteral("a\\qb") << QStringLiteral("a\\qb");
        QTest::newRow("every C escape git writes")
            << QStringLiteral("\\a\\b\\f\\r\\v|\\t\\n") << QStringLiteral("\a\b\f\r\v|\t\n");
        QTest::newRow("two digits at end") << QStringLiteral("x\\30") << QStringLiteral("x\\30");
        QTest::newRow("non-octal digit") << QStringLiteral("\\308") << QStringLiteral("\\308");
        QTest::newRow("first digit above 3") << QStringLiteral("\\401") << QStringLiteral("\\401");
        QTest::newRow("trailing backslash") << QStringLiteral("a\\") << QStringLiteral("a\\");
        QTest::newRow("escaped backslash before digits")
            << QStringLiteral("\\\\303") << QStringLiteral("\\303");
        // Bytes that are not UTF-8 stay themselves, as escaped surrogates.
        QTest::newRow("Latin-1 byte")
            << QStringLiteral("caf\\351.txt") << decodeGitBytes("caf\xe9.txt");
        QTest::newRow("half a character")
            << QStringLiteral("\\303 and \\t") << decodeGitBytes("\xc3 and \t");
        QTest::newRow("escaped byte completed by an octal one")
            << decodeGitBytes("\xc3") + QStringLiteral("\\251") << QStringLiteral("\u00e9");
        QTest::newRow("non-ASCII kept")
            << QStringLiteral("\u00e9\\t\U0001F600") << QStringLiteral("\u00e9\t\U0001F600");
    }
    void unescapesPaths() {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(GitService::unescapeGitPath(input), expected);
    }

    void parsesMalformedStatus() {
        // NUL-terminated records; "|" stands for NUL here.
        const QString output = nul("M|"                   // too short
                                   "!! ignored.txt|"      // no column produces
                                   " T typechange|"       // T is not listed
                                   "?? |"                 // empty path
                                   "R  new name|o\tld|"   // rename: new path, then the source
                                   " R moved|from|"       // worktree rename: no source kept
                                   "C  a -> b|a|"         // no arrow splitting
                                   " M line\nfeed.txt\r|" // line breaks are part of the name
                                   "\"\" |"               // nothing usable
                                   "MM \"q\"|"            // quotes are part of the name
                                   "R  last");            // source missing at the end
        const QList<FileChange> expected{
            {ChangeStatus::Renamed, QStringLiteral("new name"), true, QStringLiteral("o\tld")},
            {ChangeStatus::Renamed, QStringLiteral("moved"), false, std::nullopt},
            {ChangeStatus::Copied, QStringLiteral("a -> b"), true, QStringLiteral("a")},
            {ChangeStatus::Modified, QStringLiteral("line\nfeed.txt\r"), false, std::nullopt},
            {ChangeStatus::Modified, QStringLiteral("\"q\""), true, std::nullopt},
            {ChangeStatus::Modified, QStringLiteral("\"q\""), false, std::nullopt},
            {ChangeStatus::Renamed, QStringLiteral("last"), true, std::nullopt},
        };
        QCOMPARE(parseStatus(output), expected);
        QVERIFY(parseStatus(QString()).isEmpty());
    }

    void parsesMalformedLog() {
        const QString output = nul("|short|a|b|subj|body|refs|p|---END---\n" // empty hash
                                   "h1|s1|a1|d1|m1|---END---\n"              // five fields
                                   "h2|s2|a2|d2|---END---\n"                 // four fields
                                   "h3|s3|a3|d3|m3|  full\n\n|r3|---END---\n"
                                   "  h4 |s4|a4|d4|m4|f4|r4|  p1  p2 |---END---\n");
        const QList<GitCommit> commits = parseLog(output);
        QCOMPARE(commits.size(), 3);
        QCOMPARE(commits[0].id, QStringLiteral("h1"));
        // The separator takes the last NUL, so only five fields remain: the subject stands in.
        QCOMPARE(commits[0].fullMessage, QStringLiteral("m1"));
        QCOMPARE(commits[0].refs, QString());
        QCOMPARE(commits[1].fullMessage, QStringLiteral("full"));
        QCOMPARE(commits[1].refs, QStringLiteral("r3"));
        QVERIFY(commits[1].parents.isEmpty());
        QCOMPARE(commits[2].id, QStringLiteral("h4"));
        // Split at single spaces after trimming, as git never prints two in a row.
        QCOMPARE(commits[2].parents, (QStringList{"p1", "", "p2"}));

        const QList<GitCommit> fiveFields = parseLog(nul("h|s|a|d|m"));
        QCOMPARE(fiveFields.size(), 1);
        QCOMPARE(fiveFields[0].fullMessage, QStringLiteral("m"));
        QVERIFY(parseLog(QString()).isEmpty());
    }

    void parsesBranchLines() {
        const QList<GitBranch> local = parseLocalBranches(
            QStringLiteral("main *\n\nfeature \n  \n\tspaced *\t\nodd *name *\n"));
        QCOMPARE(local.size(), 4);
        QCOMPARE(local[0].name, QStringLiteral("main"));
        QVERIFY(local[0].isCurrent);
        QCOMPARE(local[1].name, QStringLiteral("feature"));
        QVERIFY(!local[1].isCurrent);
        QCOMPARE(local[2].name, QStringLiteral("spaced"));
        QVERIFY(local[2].isCurrent);
        QVERIFY(!local[0].isRemote);
        // Every " *" goes, not only the marker at the end.
        QCOMPARE(local[3].name, QStringLiteral("oddname"));
        QVERIFY(local[3].isCurrent);
        QVERIFY(!local[0].isDetached && !local[3].isDetached);

        // git's description of a HEAD on no branch is no branch name (those hold no space).
        const QList<GitBranch> detached = parseLocalBranches(
            QStringLiteral("(HEAD detached at 1a2b3c4) *\n(no branch, rebasing main) *\nmain  \n"));
        QCOMPARE(detached.size(), 3);
        QCOMPARE(detached[0].name, QStringLiteral("HEAD detached at 1a2b3c4"));
        QCOMPARE(detached[1].name, QStringLiteral("no branch, rebasing main"));
        QVERIFY(detached[0].isDetached && detached[0].isCurrent && !detached[0].isRemote);
        QVERIFY(detached[1].isDetached);
        QVERIFY(!detached[2].isDetached && !detached[2].isCurrent);

        const QList<GitBranch> remote = parseRemoteBranches(
            QStringLiteral("origin/HEAD\norigin/main\n\n  upstream/x  \norigin/HEADS\n"));
        QCOMPARE(remote.size(), 3);
        QCOMPARE(remote[0].name, QStringLiteral("origin/main"));
        QCOMPARE(remote[1].name, QStringLiteral("upstream/x"));
        QCOMPARE(remote[2].name, QStringLiteral("origin/HEADS"));
        QVERIFY(remote[0].isRemote && !remote[0].isCurrent);
    }

    void parsesStashLines_data() {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QList<StashEntry>>("expected");
        QTest::newRow("plain") << QStringLiteral("stash@{0}|||WIP on main: x")
                               << QList<StashEntry>{{0, QStringLiteral("WIP on main: x")}};
        QTest::newRow("signed number")
            << QStringLiteral("stash@{+3}|||a\nstash@{-1}|||b")
            << QList<StashEntry>{{3, QStringLiteral("a")}, {-1, QStringLiteral("b")}};
        QTest::newRow("no separator") << QStringLiteral("stash@{0} subject") << QList<StashEntry>{};
        QTest::newRow("no number")
            << QStringLiteral("stash@{}|||a\nstash@{x}|||b\n|||c") << QList<StashEntry>{};
        QTest::newRow("white space around number")
            << QStringLiteral("stash@{ 1}|||a") << QList<StashEntry>{};
        QTest::newRow("overflowing number")
            << QStringLiteral("stash@{99999999999}|||a") << QList<StashEntry>{};
        QTest::newRow("empty subject")
            << QStringLiteral("stash@{2}|||") << QList<StashEntry>{{2, QString()}};
        QTest::newRow("empty") << QString() << QList<StashEntry>{};
    }
    void parsesStashLines() {
        QFETCH(QString, output);
        QFETCH(QList<StashEntry>, expected);
        QCOMPARE(parseStashList(output), expected);
    }

    void parsesWorktreeBlocks() {
        const QString output = QStringLiteral("worktree /repo\n"
                                              "HEAD abc\n"
                                              "detached\n"
                                              "\n"
                                              "HEAD orphan-line-before-any-block\n"
                                              "worktree /bare\n"
                                              "bare\n"
                                              "\n"
                                              "worktree /wt\n"
                                              "branch feature/x\n"
                                              "locked reason\n"
                                              "prunable gitdir file points to non-existent\n"
                                              "worktree \n"
                                              "HEAD ignored\n");
        const QList<GitWorktree> worktrees = parseWorktreeList(output);
        QCOMPARE(worktrees.size(), 3);
        // The stray HEAD line belongs to the first block, which is still open.
        QCOMPARE(worktrees[0],
                 (GitWorktree{"/repo", "/repo", "", "orphan-line-before-any-block", true, true}));
        QCOMPARE(worktrees[1], (GitWorktree{"/bare", "/bare", "", "", false, false}));
        QCOMPARE(worktrees[2], (GitWorktree{"/wt", "/wt", "feature/x", "", false, false}));
        QVERIFY(parseWorktreeList(QStringLiteral("HEAD x\ndetached")).isEmpty());
    }

    void parsesCommitFiles_data() {
        // NUL-terminated records; "|" stands for NUL here.
        QTest::addColumn<QString>("output");
        QTest::addColumn<QList<CommitFileEntry>>("expected");
        QTest::newRow("modified") << nul("M|src/a.cpp|")
                                  << QList<CommitFileEntry>{{"M", "src/a.cpp"}};
        QTest::newRow("rename with score then more")
            << nul("R087|old.txt|new.txt|A|b|")
            << QList<CommitFileEntry>{{"R", QStringLiteral("old.txt \u2192 new.txt")}, {"A", "b"}};
        QTest::newRow("copy") << nul("C100|a|b|")
                              << QList<CommitFileEntry>{{"C", QStringLiteral("a \u2192 b")}};
        QTest::newRow("rename missing new path")
            << nul("R100|old") << QList<CommitFileEntry>{{"R", "old"}};
        QTest::newRow("status without path dropped") << nul("A||\n|M") << QList<CommitFileEntry>{};
        QTest::newRow("names as git knows them")
            << nul("A|a\tb|M|\"q\" x\n|") + decodeGitBytes(QByteArrayView("D\0caf\xe9\0", 7))
            << QList<CommitFileEntry>{
                   {"A", "a\tb"}, {"M", "\"q\" x\n"}, {"D", decodeGitBytes("caf\xe9")}};
    }
    void parsesCommitFiles() {
        QFETCH(QString, output);
        QFETCH(QList<CommitFileEntry>, expected);
        QCOMPARE(parseCommitFiles(output), expected);
    }

    void parsesMalformedBlame() {
        const QString output = hashA +
                               QStringLiteral(" 1 1 2\n"
                                              "author Ann\n"
                                              "author-mail <ann@x>\n"
                                              "author-time soon\n"
                                              "\tfirst\n"
                                              "not a header\n") +
                               hashA.left(39) + QStringLiteral("g 2 2\n\tskipped\n") + hashA +
                               QStringLiteral(" 2 2\n\tsecond\n") + hashB +
                               QStringLiteral("\nauthor Bob\n\tthird\r\n") + hashB +
                               QStringLiteral(" 4 4\nauthor-time 0\n");
        const QList<GitBlameLine> lines = parseBlame(output);
        const QString epoch =
            QLocale().toString(QDateTime::fromSecsSinceEpoch(0).date(), QLocale::ShortFormat);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0].id, 1);
        QCOMPARE(lines[0].author, QStringLiteral("Ann"));
        QCOMPARE(lines[0].date, epoch);
        QCOMPARE(lines[0].shortHash, hashA.left(7));
        QCOMPARE(lines[1].id, 2);
        QCOMPARE(lines[1].content, QStringLiteral("second"));
        QCOMPARE(lines[1].author, QStringLiteral("Ann"));
        // A header with no author lines of its own takes the last author and date seen.
        QCOMPARE(lines[2].commitHash, hashB);
        QCOMPARE(lines[2].author, QStringLiteral("Bob"));
        QCOMPARE(lines[2].date, epoch);
        QCOMPARE(lines[2].content, QStringLiteral("third\r"));
        QVERIFY(parseBlame(QString()).isEmpty());
        QCOMPARE(blameDate(u"1e99"), epoch);
        QCOMPARE(blameDate(u"-1e99"), epoch);
    }

    void testsNumstatAndLines() {
        QVERIFY(numstatShowsBinary(QStringLiteral("-\t-\timage.png")));
        QVERIFY(!numstatShowsBinary(QStringLiteral("3\t1\ttext.txt")));
        QVERIFY(!numstatShowsBinary(QStringLiteral("-\t-")));
        QVERIFY(!numstatShowsBinary(QString()));
        QCOMPARE(nonEmptyLines(QStringLiteral("a\n\n\"q\\tx\"\r\n b ")),
                 (QStringList{"a", "\"q\\tx\"\r", " b "}));
    }

    void validatesRefNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: valid
        const QString empty = QStringLiteral("Name cannot be empty.");
        const QString invalid = QStringLiteral("Name contains invalid character.");
        const QString control = QStringLiteral("Name contains control characters.");
        QTest::newRow("trimmed valid") << QStringLiteral("  feature\t") << QString();
        QTest::newRow("empty") << QString() << empty;
        QTest::newRow("blanks") << QStringLiteral(" \t ") << empty;
        QTest::newRow("space") << QStringLiteral("my branch")
                               << QStringLiteral("Name cannot contain spaces.");
        QTest::newRow("dots") << QStringLiteral("a..b")
                              << QStringLiteral("Name cannot contain '..'.");
        QTest::newRow("leading dot")
            << QStringLiteral(".hidden") << QStringLiteral("Name cannot start or end with '.'.");
        QTest::newRow("trailing dot")
            << QStringLiteral("name.") << QStringLiteral("Name cannot start or end with '.'.");
        QTest::newRow("hyphen") << QStringLiteral("-x")
                                << QStringLiteral("Name cannot start with '-'.");
        QTest::newRow("lock") << QStringLiteral("topic.lock")
                              << QStringLiteral("Name cannot end with '.lock'.");
        QTest::newRow("tilde") << QStringLiteral("a~1") << invalid;
        QTest::newRow("caret") << QStringLiteral("a^") << invalid;
        QTest::newRow("colon") << QStringLiteral("a:b") << invalid;
        QTest::newRow("bracket") << QStringLiteral("a[b") << invalid;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << invalid;
        QTest::newRow("at brace") << QStringLiteral("a@{b")
                                  << QStringLiteral("Name cannot contain '@{'.");
        QTest::newRow("at") << QStringLiteral("@") << QStringLiteral("Name cannot be '@'.");
        QTest::newRow("at inside") << QStringLiteral("a@b") << QString();
        QTest::newRow("double slash")
            << QStringLiteral("a//b") << QStringLiteral("Name cannot contain consecutive slashes.");
        QTest::newRow("leading slash")
            << QStringLiteral("/a") << QStringLiteral("Name cannot start or end with '/'.");
        QTest::newRow("trailing slash")
            << QStringLiteral("a/") << QStringLiteral("Name cannot start or end with '/'.");
        QTest::newRow("star") << QStringLiteral("a*b")
                              << QStringLiteral("Name contains invalid character '*'.");
        QTest::newRow("question") << QStringLiteral("a?b")
                                  << QStringLiteral("Name contains invalid character '?'.");
        QTest::newRow("inner tab") << QStringLiteral("a\tb") << control;
        QTest::newRow("line feed") << QStringLiteral("a\nb") << control;
        QTest::newRow("trailing line feed not trimmed") << QStringLiteral("a\n") << control;
        QTest::newRow("delete") << QStringLiteral("a\x7f") << control;
        QTest::newRow("first offender decides control") << QStringLiteral("a\x01*") << control;
        QTest::newRow("first offender decides star")
            << QStringLiteral("a*\x01") << QStringLiteral("Name contains invalid character '*'.");
        QTest::newRow("path") << QStringLiteral("feature/login") << QString();
        QTest::newRow("version") << QStringLiteral("release-1.2") << QString();
        QTest::newRow("HEAD") << QStringLiteral("HEAD") << QString();
        QTest::newRow("non-ASCII")
            << QStringLiteral("f\u00f6rb\u00e4ttring/\u00e9t\u00e9") << QString();
        QTest::newRow("rule 3 before 4")
            << QStringLiteral(".a..b") << QStringLiteral("Name cannot contain '..'.");
        QTest::newRow("rule 5 before 6")
            << QStringLiteral("-a.lock") << QStringLiteral("Name cannot start with '-'.");
        QTest::newRow("rule 7 before 8") << QStringLiteral("a~@{") << invalid;
        QTest::newRow("rule 10 before 11")
            << QStringLiteral("//a") << QStringLiteral("Name cannot contain consecutive slashes.");
    }
    void validatesRefNames() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        const std::optional<QString> result = AppKitDialogs::validateRefName(name);
        if (message.isEmpty())
            QCOMPARE(result, std::nullopt);
        else
            QCOMPARE(result.value_or(QStringLiteral("<valid>")), message);
    }
};

QTEST_GUILESS_MAIN(TestEngineParsers)
#include "tst_EngineParsers.moc"
