// Parsers and name rules on text git cannot be made to print (truncated, malformed, foreign),
// plus the rules that are pure by nature. Real git output is covered by tst_GitQueries.
#include "engine/AppKitDialogs.h"
#include "engine/GitService.h"
#include "engine/StringArena.h"
#include "engine/binaryNumstat.h"
#include "engine/blameParser.h"
#include "engine/branchParser.h"
#include "engine/branchTracking.h"
#include "engine/commitFilesParser.h"
#include "engine/commitMessageText.h"
#include "engine/commitRefusal.h"
#include "engine/conflictState.h"
#include "engine/conflictText.h"
#include "engine/gitText.h"
#include "engine/lineSplitting.h"
#include "engine/logParser.h"
#include "engine/remoteParser.h"
#include "engine/repositoryPrograms.h"
#include "engine/signatureChecks.h"
#include "engine/signingConfiguration.h"
#include "engine/stashParser.h"
#include "engine/submoduleParser.h"
#include "engine/statusParser.h"
#include "engine/transferProgress.h"
#include "engine/worktreeParser.h"

#include <QDateTime>
#include <QDir>
#include <QLocale>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <ctime>

using namespace tolvane;

namespace {

// A byte array of a literal that holds NUL bytes.
template <qsizetype N> QByteArray zeroed(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

QString nul(const char* text) {
    return QString::fromUtf8(text).replace(u'|', QChar(u'\0'));
}

const QString hashA = QStringLiteral("a").repeated(40);
const QString hashB = QStringLiteral("b").repeated(40);

// GitBlameLine defines no equality; the parsers' results are compared field by field.
bool sameBlameLines(const QList<GitBlameLine>& a, const QList<GitBlameLine>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.id == y.id && x.commitHash() == y.commitHash() && x.shortHash() == y.shortHash() &&
               x.author() == y.author() && x.date() == y.date() && x.content == y.content &&
               x.originalLine == y.originalLine && x.previousHash() == y.previousHash() &&
               x.previousPath() == y.previousPath();
    });
}

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

        // Straight from git's bytes: the same changes, paths that are not UTF-8 kept, and
        // letters that are not ASCII read as the decoded text reads them.
        QCOMPARE(parseStatusBytes(encodeGitBytes(output)), expected);
        const QByteArray bytes("R  caf\xe9\0\xff old\0M\xc3\xa9 x\0\xe2\x82\xac\0 M a\r\n", 30);
        const QList<FileChange> fromBytes = parseStatusBytes(bytes);
        QCOMPARE(fromBytes, parseStatus(decodeGitBytes(bytes)));
        QCOMPARE(fromBytes.size(), 3);
        QCOMPARE(encodeGitBytes(fromBytes[0].path), QByteArray("caf\xe9"));
        QCOMPARE(encodeGitBytes(*fromBytes[0].oldPath), QByteArray("\xff old"));
        QCOMPARE(fromBytes[1].path, QStringLiteral("x"));
        QVERIFY(parseStatusBytes(QByteArray()).isEmpty());
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
        QCOMPARE(commits[0].fullMessage.toString(), QStringLiteral("m1"));
        QCOMPARE(commits[0].refs, QString());
        QCOMPARE(commits[1].fullMessage.toString(), QStringLiteral("full"));
        QCOMPARE(commits[1].refs, QStringLiteral("r3"));
        QVERIFY(commits[1].parents.isEmpty());
        QCOMPARE(commits[2].id, QStringLiteral("h4"));
        // Split at single spaces after trimming, as git never prints two in a row.
        QCOMPARE(commits[2].parents, (QStringList{"p1", "", "p2"}));

        const QList<GitCommit> fiveFields = parseLog(nul("h|s|a|d|m"));
        QCOMPARE(fiveFields.size(), 1);
        QCOMPARE(fiveFields[0].fullMessage.toString(), QStringLiteral("m"));
        QVERIFY(parseLog(QString()).isEmpty());

        // Straight from git's bytes, the same commits.
        QCOMPARE(parseLogBytes(encodeGitBytes(output)), commits);
        QVERIFY(parseLogBytes(QByteArray()).isEmpty());
    }

    void decodesGitBytesLosslessly_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("ascii") << QByteArray("plain text, longer than one word of eight");
        QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80");
        QTest::newRow("invalid") << QByteArray("a\xff b\xc3 \xed\xa0\x80 \xc0\xaf");
        QTest::newRow("leading marks") << QByteArray("\xef\xbb\xbf\xef\xbb\xbfsubject");
        QTest::newRow("mark after invalid") << QByteArray("\xff\xef\xbb\xbfx");
        // U+1F4DD is the pair D83D DCDD: its second half lies where escaped bytes do.
        QTest::newRow("pair ending like an escape") << QByteArray("\xf0\x9f\x93\x9d notes");
        QTest::newRow("pair then invalid") << QByteArray("\xff\xf0\x9f\x93\x9d\xdd");
    }

    void decodesGitBytesLosslessly() {
        QFETCH(QByteArray, bytes);
        const QString decoded = decodeGitBytes(bytes);
        QCOMPARE(encodeGitBytes(decoded), bytes);
        const bool valid = QUtf8StringView(bytes).isValidUtf8();
        QCOMPARE(hasEscapedBytes(decoded), !valid);
        QCOMPARE(displayText(decoded).contains(QChar::ReplacementCharacter), !valid);
    }

    void parsesLogBytesLosslessly() {
        // Invalid UTF-8 in author, subject and body; a body of multi-byte text; a parent listed
        // before its own record.
        QByteArray bytes = QByteArrayLiteral(
            "c1\0s1\0Ann \xff\0d\0sub\xfe\0 b\xc3\xa9\xff\n\n\0\0c2\0---END---\n");
        bytes += QByteArrayLiteral(
            "c2\0s2\0Ann \xff\0d\0two\0\xe2\x82\xac \xf0\x9f\x98\x80\0\0\0---END---\n");
        const QList<GitCommit> commits = parseLogBytes(bytes);
        QCOMPARE(commits.size(), 2);
        QCOMPARE(commits, parseLog(decodeGitBytes(bytes)));
        QCOMPARE(encodeGitBytes(commits[0].author), QByteArray("Ann \xff"));
        QCOMPARE(encodeGitBytes(commits[0].message), QByteArray("sub\xfe"));
        QCOMPARE(commits[0].fullMessage.bytes(), QByteArray("b\xc3\xa9\xff"));
        QCOMPARE(commits[0].fullMessage.toString(), QStringView(u"b\u00e9\xdcff").toString());
        QCOMPARE(commits[1].fullMessage.toString(), QString::fromUtf8("\u20ac \U0001F600"));
        QCOMPARE(commits[0].parents, QStringList{QStringLiteral("c2")});
        // Repeated authors and a parent's id are one string, not one per mention.
        QCOMPARE(commits[0].author.constData(), commits[1].author.constData());
        QCOMPARE(commits[0].parents[0].constData(), commits[1].id.constData());
    }

    void parsesLargeOutputsFromBytesExactly() {
        // Outputs far larger than the parsers' string blocks, with names that are not ASCII,
        // not UTF-8 or longer than a block takes, give what the decoded text gives; strings kept
        // after their lists are gone stay whole and change alone.
        const QList<QByteArray> names{"src/a.cpp",
                                      "caf\xc3\xa9/\xf0\x9f\x98\x80.txt",
                                      "bad\xff\xfe name",
                                      QByteArray(5000, 'x'),
                                      "",
                                      "\xef\xbb\xbf"};
        const auto name = [&names](int i) {
            return names[i % names.size()] + QByteArray::number(i);
        };
        QByteArray status;
        QByteArray files;
        QByteArray log;
        QByteArray blame;
        QByteArray branches;
        for (int i = 0; i < 3000; ++i) {
            status += QByteArray(i % 7 == 0 ? "R  " : i % 3 ? " M " : "MM ") + name(i) + '\0';
            if (i % 7 == 0)
                status += name(i + 1) + '\0';
            files += QByteArray(i % 5 == 0 ? "R100" : "M") + '\0' + name(i) + '\0';
            if (i % 5 == 0)
                files += name(i + 2) + '\0';
            const QByteArray id = QByteArray::number(i).rightJustified(40, 'a');
            log += id + '\0' + id.left(7) + '\0' + name(i % 40) + '\0' + "1704110400" + '\0' +
                   name(i) + '\0' + name(i).repeated(i % 4) + '\0' + '\0' +
                   QByteArray::number(i + 1).rightJustified(40, 'a') + '\0' + "---END---\n";
            const QByteArray commit = QByteArray::number(i % 50).rightJustified(40, 'b');
            blame += commit + ' ' + QByteArray::number(i) + ' ' + QByteArray::number(i) + '\n';
            if (i < 50)
                blame += "author " + name(i) + "\nauthor-time 1700000000\nprevious " + commit +
                         ' ' + name(i) + '\n';
            blame += '\t' + name(i) + '\n';
            branches += name(i) + (i % 11 == 0 ? " * *\n" : "  \n");
        }

        const QList<FileChange> changes = parseStatusBytes(status);
        QCOMPARE(changes, parseStatus(decodeGitBytes(status)));
        const QList<CommitFileEntry> entries = parseCommitFilesBytes(files);
        QCOMPARE(entries, parseCommitFiles(decodeGitBytes(files)));
        const QList<GitCommit> commits = parseLogBytes(log);
        QCOMPARE(commits, parseLog(decodeGitBytes(log)));
        {
            // A stream parsed a few records at a time into one arena, which goes before the
            // commits do, gives the same commits.
            QList<GitCommit> pieces;
            {
                StringArena arena;
                const QByteArray end = "---END---\n";
                for (qsizetype from = 0, cut = 0; from < log.size(); from = cut) {
                    cut = log.indexOf(end, from + (from * 7 + 1) % 900) + end.size();
                    cut = cut < end.size() ? log.size() : cut;
                    pieces += parseLogBytes(QByteArrayView(log).sliced(from, cut - from), arena);
                }
            }
            QCOMPARE(pieces, commits);
        }
        QList<GitBlameLine> lines = parseBlameBytes(blame);
        QVERIFY(sameBlameLines(lines, parseBlame(decodeGitBytes(blame))));
        QCOMPARE(lines.size(), 3000);
        const QList<GitBranch> local = parseLocalBranchesBytes(branches);
        const QList<GitBranch> localText = parseLocalBranches(decodeGitBytes(branches));
        QCOMPARE(local.size(), localText.size());
        for (qsizetype i = 0; i < local.size(); ++i) {
            QCOMPARE(local[i].name, localText[i].name);
            QCOMPARE(local[i].isCurrent, localText[i].isCurrent);
            QVERIFY(local[i].id != localText[i].id);
        }
        // Markers go from the decoded name: taken from the bytes, they would join the bytes
        // around them into one character.
        const QByteArray joined("b\xdf *\x8b *\n");
        QCOMPARE(parseLocalBranchesBytes(joined).constFirst().name,
                 parseLocalBranches(decodeGitBytes(joined)).constFirst().name);

        QString path = changes[1000].path;
        QString content = lines[2999].content;
        QString neighbour = lines[2998].content;
        const QString expectedPath = decodeGitBytes(encodeGitBytes(path));
        const QString expectedContent = decodeGitBytes(name(2999));
        lines = {};
        QCOMPARE(content, expectedContent);
        QCOMPARE(content.constData()[content.size()], QChar(u'\0'));
        content += QChar(u'!');
        QCOMPARE(neighbour, decodeGitBytes(name(2998)));
        QCOMPARE(content, expectedContent + QChar(u'!'));
        path.append(u'/');
        QCOMPARE(changes[1000].path + u'/', path);
        QVERIFY(path.startsWith(expectedPath));
    }

    void arenaStringsOutliveTheirArenaOnAnyThread() {
        // Strings of a block go to other threads, which change, append to and drop them after
        // the arena that made them is gone; the sanitizers watch every block's count.
        QList<QString> texts;
        QList<QByteArray> bytes;
        {
            StringArena arena;
            for (int i = 0; i < 4000; ++i) {
                texts.append(arena.decode(QByteArray("name ") + QByteArray::number(i)));
                texts.append(arena.share(texts.last()));
                bytes.append(arena.copy(QByteArray("id") + QByteArray::number(i)));
            }
        }
        QList<QFuture<int>> workers;
        for (int part = 0; part < 4; ++part) {
            auto work = [part, texts, bytes]() mutable {
                int same = 0;
                for (qsizetype i = part; i < texts.size(); i += 4) {
                    const QString expected = QStringLiteral("name %1").arg(i / 2);
                    same += texts[i] == expected;
                    texts[i] += u'!';
                    texts[i][0] = u'N';
                    same += texts[i] == u'N' + expected.mid(1) + u'!';
                }
                for (qsizetype i = part; i < bytes.size(); i += 4) {
                    bytes[i].append('.');
                    same += bytes[i] == "id" + QByteArray::number(i) + '.';
                }
                texts = {};
                bytes = {};
                return same;
            };
            workers.append(QtConcurrent::run(std::move(work)));
        }
        texts = {};
        bytes = {};
        int same = 0;
        for (QFuture<int>& worker : workers)
            same += worker.result();
        QCOMPARE(same, 8000 * 2 + 4000);
    }

    void overridesOnlyTheRepositorysFilterDrivers() {
        // scope, origin, "key\nvalue" records as `git config --show-scope --show-origin -z`
        // prints them.
        const QByteArray listing =
            QByteArray("system|file:/etc/gitconfig|filter.lfs.process\ngit-lfs filter-process|"
                       "global|file:/home/u/.gitconfig|filter.lfs.required\ntrue|"
                       "global|file:/home/u/.gitconfig|filter.mine.clean\nmine|"
                       "local|file:.git/config|filter.lfs.process\nevil|"
                       "local|file:.git/config|include.path\n../../shared.cfg|"
                       "local|file:/r/shared.cfg|filter.a.b.clean\nx|"
                       "worktree|file:.git/config.worktree|includeif.onbranch:main.path\n~/more|"
                       "command|command line:|filter.mine.smudge\ncmd|"
                       "local|file:.git/config|truncated")
                .replace('|', '\0');
        const RepositoryProgramOverrides overrides =
            parseRepositoryProgramOverrides(listing, QStringLiteral("/r/work"));
        using Setting = QPair<QString, QString>;
        // The user's own driver comes back; a driver only the repository names runs nothing;
        // a driver the repository never touched is left alone.
        QCOMPARE(overrides.settings,
                 (QList<Setting>{{"filter.lfs.clean", ""},
                                 {"filter.lfs.smudge", ""},
                                 {"filter.lfs.process", "git-lfs filter-process"},
                                 {"filter.lfs.required", "true"},
                                 {"filter.a.b.clean", ""},
                                 {"filter.a.b.smudge", ""},
                                 {"filter.a.b.process", ""},
                                 {"filter.a.b.required", "false"}}));
        QCOMPARE(overrides.configurationFiles,
                 (QStringList{"/r/work/.git/config", "/r/shared.cfg",
                              "/r/work/.git/config.worktree", QDir::homePath() + "/more"}));
        QCOMPARE(parseRepositoryProgramOverrides({}, QStringLiteral("/r")),
                 RepositoryProgramOverrides{});
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
        const auto record = [](const char* name, const char* subject) {
            return QString::fromUtf8(name) + QStringLiteral("\0abc\0") + QStringLiteral("1700\0") +
                   QString::fromUtf8(subject) + QChar(u'\0');
        };
        const auto entry = [](int index, const QString& subject, const QString& branch) {
            return StashEntry{index, subject, QStringLiteral("abc"), 1700, branch};
        };
        QTest::newRow("message given")
            << record("stash@{0}", "On main: a|||b") // any text, separators included
            << QList<StashEntry>{
                   entry(0, QStringLiteral("On main: a|||b"), QStringLiteral("main"))};
        QTest::newRow("work in progress, then a detached one")
            << record("stash@{1}", "WIP on feature/x: 1234567 Fix it") +
                   record("stash@{2}", "WIP on (no branch): 89abcde Other")
            << QList<StashEntry>{entry(1, QStringLiteral("WIP on feature/x: 1234567 Fix it"),
                                       QStringLiteral("feature/x")),
                                 entry(2, QStringLiteral("WIP on (no branch): 89abcde Other"),
                                       QStringLiteral("(no branch)"))};
        QTest::newRow("no branch named")
            << record("stash@{0}", "custom")
            << QList<StashEntry>{entry(0, QStringLiteral("custom"), QString())};
        QTest::newRow("signed number")
            << record("stash@{+3}", "") << QList<StashEntry>{entry(3, QString(), QString())};
        QTest::newRow("bad names")
            << record("stash@{}", "a") + record("stash@{x}", "b") + record("stash@{ 1}", "c") +
                   record("stash@{99999999999}", "d") + record("stash{0}", "e")
            << QList<StashEntry>{};
        QTest::newRow("bad time or no commit")
            << QStringLiteral("stash@{0}\0abc\0soon\0s\0stash@{1}\0\0001\0s\0")
            << QList<StashEntry>{};
        QTest::newRow("cut short")
            << QStringLiteral("stash@{0}\0abc\0001700") << QList<StashEntry>{};
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

    void parsesRemoteConfig_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QList<GitRemote>>("expected");
        QTest::newRow("none") << QByteArray() << QList<GitRemote>{};
        QTest::newRow("push address follows fetch")
            << QByteArrayLiteral("remote.origin.url\n/srv/a.git\0remote.upstream.url\nssh://h/b\0")
            << QList<GitRemote>{{"origin", "/srv/a.git", "/srv/a.git"},
                                {"upstream", "ssh://h/b", "ssh://h/b"}};
        // A push address of its own wins whichever comes first; later urls do not count.
        QTest::newRow("own push address")
            << QByteArrayLiteral("remote.o.pushurl\nP\0remote.o.url\nF\0remote.o.url\nF2\0"
                          "remote.o.pushurl\nP2\0")
            << QList<GitRemote>{{"o", "F", "P"}};
        QTest::newRow("dotted name, odd case, value with spaces and newline")
            << QByteArrayLiteral("remote.my.fork.URL\n/a b/c\nd\0remote..url\nx\0junk\0")
            << QList<GitRemote>{{"my.fork", "/a b/c\nd", "/a b/c\nd"}};
    }
    void parsesRemoteConfig() {
        QFETCH(QByteArray, output);
        QFETCH(QList<GitRemote>, expected);
        QCOMPARE(parseRemoteConfig(output), expected);
        QCOMPARE(joinedNames({}), QString());
        QCOMPARE(joinedNames({"a", "b", "c"}), QStringLiteral("a, b and c"));
    }

    void parsesSubmoduleStatus() {
        const QString output =
            QStringLiteral("-1111111111111111111111111111111111111111 libs/not yet\n"
                           " 2222222222222222222222222222222222222222 libs/ok (v1.0)\n"
                           "+3333333333333333333333333333333333333333 odd (name) (heads/main)\n"
                           "+4444444444444444444444444444444444444444 undescribed\n"
                           "U0000000000000000000000000000000000000000 conflicted\n"
                           "x\n");
        const QList<SubmoduleStatusLine> lines = parseSubmoduleStatus(output);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], (SubmoduleStatusLine{u'-', QString(40, u'1'), "libs/not yet"}));
        QCOMPARE(lines[1].path, QStringLiteral("libs/ok"));
        QCOMPARE(lines[2].path, QStringLiteral("odd (name)"));
        QCOMPARE(lines[3].path, QStringLiteral("undescribed"));
        QCOMPARE(lines[4].mark, QChar(u'U'));

        // Submodule entries of porcelain v2, with a rename record that takes the next one along;
        // files are ignored.
        const QByteArray status = QByteArrayLiteral("1 .M SCM. 160000 160000 160000 a a sub one\0"
                                "1 M. S... 160000 160000 160000 a b staged\0"
                                "1 .M N... 100644 100644 100644 a a file.txt\0"
                                "2 R. S... 160000 160000 160000 a a R100 moved\0was\0"
                                "u UU S... 160000 160000 160000 160000 a b c conflicted\0"
                                "? untracked\0");
        const QHash<QString, SubmoduleChange> changes = parseSubmoduleChanges(status);
        QCOMPARE(changes.size(), 4);
        QCOMPARE(changes.value("sub one"), (SubmoduleChange{false, true, true}));
        QCOMPARE(changes.value("staged"), (SubmoduleChange{true, false, false}));
        QVERIFY(changes.contains("moved") && !changes.contains("was"));
        QVERIFY(!changes.contains("file.txt"));
    }

    void namesSubmoduleStates_data() {
        QTest::addColumn<QChar>("mark");
        QTest::addColumn<QString>("recorded");
        QTest::addColumn<bool>("staged");
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("behind");
        QTest::addColumn<QString>("text");
        const QString c = QStringLiteral("c");
        QTest::newRow("not initialized") << QChar(u'-') << c << false << true << true
                                         << "Not initialized";
        QTest::newRow("up to date") << QChar(u' ') << c << false << false << false << "Up to date";
        QTest::newRow("behind the pointer") << QChar(u'+') << "r" << false << true << true
                                            << "Out of date";
        QTest::newRow("moved on inside") << QChar(u'+') << "r" << false << false << false
                                         << "New commit checked out";
        QTest::newRow("pointer staged") << QChar(u' ') << c << true << false << false
                                        << "New commit recorded";
        QTest::newRow("modified wins over staged") << QChar(u' ') << c << true << true << false
                                                   << "Modified inside";
    }
    void namesSubmoduleStates() {
        QFETCH(QChar, mark);
        QFETCH(QString, recorded);
        QFETCH(bool, staged);
        QFETCH(bool, modified);
        QFETCH(bool, behind);
        QFETCH(QString, text);
        const GitSubmodule submodule =
            makeSubmodule({mark, QStringLiteral("c"), QStringLiteral("p")}, recorded,
                          {staged, mark == u'+', modified}, behind);
        QCOMPARE(submoduleStateText(submodule), text);
        QCOMPARE(submodule.checkedOutCommit.isEmpty(), mark == u'-');
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
        QTest::newRow("status padded with non-ASCII blanks, letter not ASCII")
            << nul("\u00a0R100\u3000|a|b|\u00e9|c|")
            << QList<CommitFileEntry>{{"R", QStringLiteral("a \u2192 b")}, {"\u00e9", "c"}};
        QTest::newRow("names as git knows them")
            << nul("A|a\tb|M|\"q\" x\n|") + decodeGitBytes(QByteArrayView("D\0caf\xe9\0", 7))
            << QList<CommitFileEntry>{
                   {"A", "a\tb"}, {"M", "\"q\" x\n"}, {"D", decodeGitBytes("caf\xe9")}};
    }
    void parsesCommitFiles() {
        QFETCH(QString, output);
        QFETCH(QList<CommitFileEntry>, expected);
        QCOMPARE(parseCommitFiles(output), expected);
        QCOMPARE(parseCommitFilesBytes(encodeGitBytes(output)), expected);
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
        QCOMPARE(lines[0].author(), QStringLiteral("Ann"));
        QCOMPARE(lines[0].date(), epoch);
        QCOMPARE(lines[0].shortHash(), hashA.left(7));
        QCOMPARE(lines[1].id, 2);
        QCOMPARE(lines[1].content, QStringLiteral("second"));
        QCOMPARE(lines[1].author(), QStringLiteral("Ann"));
        // A header with no author lines of its own takes the last author and date seen.
        QCOMPARE(lines[2].commitHash(), hashB);
        QCOMPARE(lines[2].author(), QStringLiteral("Bob"));
        QCOMPARE(lines[2].date(), epoch);
        QCOMPARE(lines[2].content, QStringLiteral("third\r"));
        QVERIFY(parseBlame(QString()).isEmpty());
        QVERIFY(sameBlameLines(parseBlameBytes(encodeGitBytes(output)), lines));

        // Straight from git's bytes: names and contents that are not UTF-8 keep their bytes,
        // and a quoted previous path is unquoted.
        const QByteArray bytes = encodeGitBytes(hashA) + " 3 1\nauthor Ren\xe9\nprevious " +
                                 encodeGitBytes(hashB) + " \"caf\\303\\251\"\n\tline \xff\r\n";
        const QList<GitBlameLine> fromBytes = parseBlameBytes(bytes);
        QVERIFY(sameBlameLines(fromBytes, parseBlame(decodeGitBytes(bytes))));
        QCOMPARE(fromBytes.size(), 1);
        QCOMPARE(encodeGitBytes(fromBytes[0].author()), QByteArray("Ren\xe9"));
        QCOMPARE(encodeGitBytes(fromBytes[0].content), QByteArray("line \xff\r"));
        QCOMPARE(fromBytes[0].previousPath(), QStringLiteral("caf\u00e9"));
        QCOMPARE(fromBytes[0].originalLine, 3);
        QCOMPARE(blameDate(u"1e99"), epoch);
        QCOMPARE(blameDate(u"-1e99"), epoch);

        // Headers of a commit that come again with another author: each line keeps what held
        // at it, and lines that agree share one record.
        const QString repeated = hashA + QStringLiteral(" 1 1\nauthor Ann\n\tone\n") + hashA +
                                 QStringLiteral(" 2 2\nauthor Zed\n\ttwo\n") + hashA +
                                 QStringLiteral(" 3 3\n\tthree\n");
        for (const QList<GitBlameLine>& again :
             {parseBlame(repeated), parseBlameBytes(encodeGitBytes(repeated))}) {
            QCOMPARE(again.size(), 3);
            QCOMPARE(again[0].author(), QStringLiteral("Ann"));
            QCOMPARE(again[1].author(), QStringLiteral("Zed"));
            QCOMPARE(again[2].author(), QStringLiteral("Zed"));
            QCOMPARE(again[1].commit, again[2].commit);
        }
    }

    // Dates are the author's day in the local zone, as Qt converts it, on both sides of local
    // midnight, of a change to summer time and of the range the C library converts.
    void blameDatesFollowTheLocalZone() {
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "America/New_York");
        tzset();
        for (const qint64 seconds : {1704085199ll, 1704085200ll, 1710054000ll, 1710050399ll,
                                     2147483647ll, 2147483648ll, -1ll, 0ll}) {
            const QByteArray output = encodeGitBytes(hashA) + " 1 1\nauthor-time " +
                                      QByteArray::number(seconds) + "\n\tline\n";
            const QString expected = QLocale().toString(
                QDateTime::fromSecsSinceEpoch(seconds).date(), QLocale::ShortFormat);
            QCOMPARE(parseBlameBytes(output).value(0).date(), expected);
            QCOMPARE(parseBlame(decodeGitBytes(output)).value(0).date(), expected);
        }
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
    }

    void testsNumstatAndLines() {
        QVERIFY(numstatShowsBinary(QStringLiteral("-\t-\timage.png")));
        QVERIFY(!numstatShowsBinary(QStringLiteral("3\t1\ttext.txt")));
        QVERIFY(!numstatShowsBinary(QStringLiteral("-\t-")));
        QVERIFY(!numstatShowsBinary(QString()));
        QCOMPARE(nonEmptyLines(QStringLiteral("a\n\n\"q\\tx\"\r\n b ")),
                 (QStringList{"a", "\"q\\tx\"\r", " b "}));
    }

    void parsesConflictBlocks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("plain");
        QTest::addColumn<QStringList>("sides"); // ours|base|theirs per block, base "-" if absent
        QTest::addColumn<QString>("labels");
        QTest::addColumn<int>("markerSize");
        // Lines that open or close a block, paired or not, count as markers left in the file.
        QTest::addColumn<bool>("marked");
        QTest::newRow("merge style") << QStringLiteral("a\n<<<<<<< HEAD\nb\n=======\nc\nd\n>>>>>>> "
                                                       "feature\ne\n")
                                     << QStringList{"a\n", "e\n"} << QStringList{"b\n|-|c\nd\n"}
                                     << QStringLiteral("HEAD>feature") << 7 << true;
        QTest::newRow("diff3, empty ours, crlf")
            << QStringLiteral("<<<<<<< HEAD\r\n||||||| base\r\nx\r\n=======\r\ny\r\n>>>>>>> "
                              "1a2b3c4 (pick)\r\nz")
            << QStringList{"", "z"} << QStringList{"|x\r\n|y\r\n"}
            << QStringLiteral("HEAD>1a2b3c4 (pick)") << 7 << true;
        QTest::newRow("two blocks, bare markers")
            << QStringLiteral(
                   "<<<<<<<\n1\n=======\n2\n>>>>>>>\nmid\n<<<<<<< A\n3\n=======\n>>>>>>> B\n")
            << QStringList{"", "mid\n", ""} << QStringList{"1\n|-|2\n", "3\n|-|"}
            << QStringLiteral(">;A>B") << 7 << true;
        // Look-alike lines are text: a longer run, a separator with text after it, an unclosed
        // block, and an end marker outside any block.
        QTest::newRow("not markers")
            << QStringLiteral("<<<<<<<< x\n======= y\n>>>>>>> z\n<<<<<<< open\nq\n=======\nr\n")
            << QStringList{"<<<<<<<< x\n======= y\n>>>>>>> z\n<<<<<<< open\nq\n=======\nr\n"}
            << QStringList{} << QString() << 7 << true;
        QTest::newRow("restart inside block")
            << QStringLiteral("<<<<<<< a\nx\n<<<<<<< b\ny\n=======\nz\n>>>>>>> c\n")
            << QStringList{"<<<<<<< a\nx\n", ""} << QStringList{"y\n|-|z\n"}
            << QStringLiteral("b>c") << 7 << true;
        // The path's conflict-marker-size: seven-character lines are the file's own text.
        QTest::newRow("marker size 10")
            << QStringLiteral("<<<<<<< text\n<<<<<<<<<< HEAD\no\n||||||||||\nb\n==========\n"
                              "=======\n>>>>>>>>>> t\n")
            << QStringList{"<<<<<<< text\n", ""} << QStringList{"o\n|b\n|=======\n"}
            << QStringLiteral("HEAD>t") << 10 << true;
        QTest::newRow("separators only") << QStringLiteral("Title\n=======\n||||||| x\n")
                                         << QStringList{"Title\n=======\n||||||| x\n"}
                                         << QStringList{} << QString() << 7 << false;
    }
    void parsesConflictBlocks() {
        QFETCH(QString, text);
        QFETCH(QStringList, plain);
        QFETCH(QStringList, sides);
        QFETCH(QString, labels);
        QFETCH(int, markerSize);
        QFETCH(bool, marked);
        const ConflictText parsed = parseConflictText(text, markerSize);
        QCOMPARE(hasConflictMarkers(text, markerSize), marked);
        QCOMPARE(parsed.plain, plain);
        QStringList gotSides;
        QStringList gotLabels;
        for (const ConflictBlock& block : parsed.blocks) {
            gotSides << block.ours + u'|' + block.base.value_or(QStringLiteral("-")) + u'|' +
                            block.theirs;
            gotLabels << block.oursLabel + u'>' + block.theirsLabel;
        }
        QCOMPARE(gotSides, sides);
        QCOMPARE(gotLabels.join(u';'), labels);
        // Taking every side in turn and joining rebuilds each side's file.
        if (!parsed.blocks.isEmpty()) {
            const QList<BlockChoice> both(parsed.blocks.size(), BlockChoice::Both);
            QString expected = parsed.plain[0];
            for (qsizetype i = 0; i < parsed.blocks.size(); ++i)
                expected += parsed.blocks[i].ours + parsed.blocks[i].theirs + parsed.plain[i + 1];
            QCOMPARE(resolveConflictText(parsed, both), expected);
        } else {
            QCOMPARE(resolveConflictText(parsed, {}), text);
        }
    }

    void readsConflictMarkerSizes() {
        QCOMPARE(parseConflictMarkerSize(nul("f|conflict-marker-size|10|")), 10);
        QCOMPARE(parseConflictMarkerSize(nul("f|conflict-marker-size|12abc|")), 12);
        for (const char* value : {"unspecified", "set", "unset", "0", "-3"})
            QCOMPARE(parseConflictMarkerSize(
                         nul(qPrintable(QStringLiteral("f|conflict-marker-size|%1|").arg(value)))),
                     defaultConflictMarkerSize);
    }

    void resolvesConflictBlocks() {
        const ConflictText parsed = parseConflictText(QStringLiteral(
            "a\r\n<<<<<<< HEAD\r\nours\r\n=======\r\ntheirs\r\n>>>>>>> x\r\nb\r\n<<<<<<< HEAD\r\n"
            "o2\n||||||| base\nb2\n=======\nt2\n>>>>>>> x\nc"));
        QCOMPARE(parsed.blocks.size(), 2);
        QCOMPARE(resolveConflictText(parsed, {BlockChoice::Ours, BlockChoice::Theirs}),
                 QStringLiteral("a\r\nours\r\nb\r\nt2\nc"));
        QCOMPARE(resolveConflictText(parsed, {BlockChoice::Theirs, BlockChoice::Both}),
                 QStringLiteral("a\r\ntheirs\r\nb\r\no2\nt2\nc"));
        QCOMPARE(resolveConflictText(parsed, {BlockChoice::Ours, BlockChoice::Undecided}),
                 std::nullopt);
        QCOMPARE(resolveConflictText(parsed, {BlockChoice::Ours}), std::nullopt);
    }

    void stripsPreparedMessages() {
        QCOMPARE(stripCommentLines(
                     QStringLiteral("Merge branch 'x'\n\n  body #1\n\n# Conflicts:\n#\tf.txt\n")),
                 QStringLiteral("Merge branch 'x'\n\n  body #1"));
        QCOMPARE(stripCommentLines(QStringLiteral("# only\n#\n")), QString());
    }

    void parsesUnmergedStages() {
        const QString m = QStringLiteral("100644 ") + hashA;
        const QString output =
            nul(qPrintable(m + " 1\tuu|" + m + " 2\tuu|" + m + " 3\tuu|" + m + " 2\taa|" + m +
                           " 3\taa|" + m + " 1\tdd|" + m + " 2\tau|" + m + " 3\tua|" + m +
                           " 1\tdu|" + m + " 3\tdu|" + m + " 1\tud|" + m + " 2\tud|" + m +
                           " 0\tzero|" + m + " 2\t|garbage|" + m + " 2\tsp ace\t.txt|"));
        QList<std::pair<QString, ConflictKind>> got;
        for (const UnmergedEntry& entry : parseUnmergedEntries(output))
            got.append({entry.path, entry.kind});
        const QList<std::pair<QString, ConflictKind>> expected{
            {"uu", ConflictKind::BothModified},  {"aa", ConflictKind::BothAdded},
            {"dd", ConflictKind::BothDeleted},   {"au", ConflictKind::AddedByUs},
            {"ua", ConflictKind::AddedByThem},   {"du", ConflictKind::DeletedByUs},
            {"ud", ConflictKind::DeletedByThem}, {"sp ace\t.txt", ConflictKind::AddedByUs}};
        QCOMPARE(got, expected);
        // The status letters name the same kinds; letters that are no conflict name none.
        const QStringList letters{"UU", "AA", "DD", "AU", "UA", "DU", "UD"};
        for (qsizetype i = 0; i < letters.size(); ++i)
            QCOMPARE(conflictKindForLetters(letters[i][0], letters[i][1]), expected[i].second);
        QCOMPARE(conflictKindForLetters(u'M', u'M'), std::nullopt);
        QCOMPARE(conflictKindForLetters(u'A', u'D'), std::nullopt);
    }

    void detectsOperations_data() {
        QTest::addColumn<OperationStateFiles>("files");
        QTest::addColumn<QString>("expected"); // kind:subject:commit:step/steps
        QTest::newRow("nothing") << OperationStateFiles{} << "0:::0/0";
        QTest::newRow("merge of a branch")
            << OperationStateFiles{{"MERGE_HEAD", hashA + "\n"},
                                   {"MERGE_MSG",
                                    "Merge branch 'feat/x' into main\n\n# Conflicts:\n"}}
            << "1:feat/x:" + hashA + ":0/0";
        QTest::newRow("merge of a remote branch, crlf")
            << OperationStateFiles{{"MERGE_HEAD", hashA + "\n" + hashB + "\n"},
                                   {"MERGE_MSG", "Merge remote-tracking branch 'origin/it's'\r\n"}}
            << "1:origin/it's:" + hashA + ":0/0";
        QTest::newRow("merge, message names nothing")
            << OperationStateFiles{{"MERGE_HEAD", hashA}, {"MERGE_MSG", "my own words\n"}}
            << "1:aaaaaaa:" + hashA + ":0/0";
        QTest::newRow("cherry-pick")
            << OperationStateFiles{{"CHERRY_PICK_HEAD", hashB + "\n"}, {"MERGE_MSG", "x\n"}}
            << "2:bbbbbbb:" + hashB + ":0/0";
        QTest::newRow("revert") << OperationStateFiles{{"REVERT_HEAD", hashA + "\n"}}
                                << "3:aaaaaaa:" + hashA + ":0/0";
        QTest::newRow("rebase wins over a pick it stopped in")
            << OperationStateFiles{{"rebase-merge", ""},
                                   {"rebase-merge/head-name", "refs/heads/topic\n"},
                                   {"rebase-merge/onto", hashA + "\n"},
                                   {"rebase-merge/msgnum", "2\n"},
                                   {"rebase-merge/end", "3\n"},
                                   {"CHERRY_PICK_HEAD", hashB}}
            << "4:topic:" + hashA + ":2/3";
        QTest::newRow("apply rebase")
            << OperationStateFiles{{"rebase-apply", ""},
                                   {"rebase-apply/head-name", "detached HEAD\n"},
                                   {"rebase-apply/next", "1\n"},
                                   {"rebase-apply/last", "4\n"}}
            << "4:detached HEAD::1/4";
        QTest::newRow("am") << OperationStateFiles{{"rebase-apply", ""},
                                                   {"rebase-apply/applying", ""},
                                                   {"rebase-apply/next", "2\n"},
                                                   {"rebase-apply/last", "2\n"}}
                            << "5:::2/2";
    }
    void detectsOperations() {
        QFETCH(OperationStateFiles, files);
        QFETCH(QString, expected);
        const RepositoryOperation op = detectOperation(files);
        QCOMPARE(QStringLiteral("%1:%2:%3:%4/%5")
                     .arg(int(op.kind))
                     .arg(op.subject, op.commit)
                     .arg(op.step)
                     .arg(op.steps),
                 expected);
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

    void parsesBranchTracking_data() {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("branch");
        QTest::addColumn<int>("ahead");
        QTest::addColumn<int>("behind");
        QTest::addColumn<bool>("gone");
        QTest::addColumn<QString>("counts");
        const auto line = [](const QByteArray& track) {
            return QByteArrayLiteral("refs/heads/main\0refs/remotes/origin/main\0origin/main\0") +
                   track;
        };
        QTest::newRow("both") << line("ahead 2, behind 1") << "main" << 2 << 1 << false
                              << QStringLiteral("↑2 ↓1");
        QTest::newRow("ahead") << line("ahead 12") << "main" << 12 << 0 << false
                               << QStringLiteral("↑12");
        QTest::newRow("behind") << line("behind 3") << "main" << 0 << 3 << false
                                << QStringLiteral("↓3");
        QTest::newRow("in step") << line("") << "main" << 0 << 0 << false << QString();
        QTest::newRow("gone") << line("gone") << "main" << 0 << 0 << true << QString();
        QTest::newRow("slashed name")
            << QByteArrayLiteral(
                   "refs/heads/topic/x\0refs/remotes/origin/main\0origin/main\0behind 1")
            << "topic/x" << 0 << 1 << false << QStringLiteral("↓1");
        // No upstream, words we do not know, and a torn line are left out.
        QTest::newRow("untracked") << QByteArrayLiteral("refs/heads/main\0\0\0") << QString() << 0
                                   << 0 << false << QString();
        QTest::newRow("unknown words")
            << line("voraus 2") << QString() << 0 << 0 << false << QString();
        QTest::newRow("torn") << QByteArrayLiteral("refs/heads/main\0refs/remotes/origin/main")
                              << QString() << 0 << 0 << false << QString();
    }
    void parsesBranchTracking() {
        QFETCH(QByteArray, output);
        QFETCH(QString, branch);
        QFETCH(int, ahead);
        QFETCH(int, behind);
        QFETCH(bool, gone);
        QFETCH(QString, counts);
        // A second, untracked branch around it changes nothing.
        const QByteArray text = QByteArrayLiteral("refs/heads/other\0\0\0\n") + output +
                                QByteArrayLiteral("\nrefs/heads/z\0\0\0\n");
        const BranchTrackingMap map = parseBranchTracking(decodeGitBytes(text));
        if (branch.isEmpty()) {
            QVERIFY(map.isEmpty());
            return;
        }
        QCOMPARE(map.size(), 1);
        const BranchTracking tracking = map.value(branch);
        QCOMPARE(tracking.upstream, QStringLiteral("refs/remotes/origin/main"));
        QCOMPARE(tracking.upstreamName, QStringLiteral("origin/main"));
        QCOMPARE(tracking.ahead, ahead);
        QCOMPARE(tracking.behind, behind);
        QCOMPARE(tracking.gone, gone);
        QCOMPARE(trackingCountsText(tracking), counts);
    }

    void describesTracking() {
        BranchTracking tracking{QStringLiteral("refs/remotes/origin/main"),
                                QStringLiteral("origin/main"), 1, 0, false};
        QCOMPARE(trackingDescription(tracking), QStringLiteral("1 commit ahead of origin/main"));
        tracking.behind = 2;
        QCOMPARE(trackingDescription(tracking),
                 QStringLiteral("1 commit ahead of origin/main, 2 behind"));
        tracking.ahead = 0;
        QCOMPARE(trackingDescription(tracking), QStringLiteral("2 commits behind origin/main"));
        tracking.behind = 0;
        QCOMPARE(trackingDescription(tracking), QStringLiteral("Up to date with origin/main"));
        tracking.gone = true;
        QCOMPARE(trackingDescription(tracking), QStringLiteral("origin/main no longer exists"));
    }

    void parsesTransferProgress_data() {
        using Phase = TransferProgress::Phase;
        QTest::addColumn<QString>("line");
        // A phase of -1 means the line is no progress at all.
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("percent");
        QTest::addColumn<qint64>("done");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<bool>("finished");
        QTest::newRow("receiving with rate")
            << "Receiving objects:  45% (450/1000), 1.20 MiB | 3.40 MiB/s" << int(Phase::Receiving)
            << 45 << qint64(450) << qint64(1000) << "1.20 MiB"
            << "3.40 MiB/s" << false;
        QTest::newRow("receiving done")
            << "Receiving objects: 100% (9/9), 415 bytes | 415.00 KiB/s, done."
            << int(Phase::Receiving) << 100 << qint64(9) << qint64(9) << "415 bytes"
            << "415.00 KiB/s" << true;
        QTest::newRow("receiving before any rate")
            << "Receiving objects:   0% (1/250000)" << int(Phase::Receiving) << 0 << qint64(1)
            << qint64(250000) << ""
            << "" << false;
        QTest::newRow("resolving done")
            << "Resolving deltas: 100% (12/12), done." << int(Phase::Resolving) << 100 << qint64(12)
            << qint64(12) << ""
            << "" << true;
        QTest::newRow("updating files")
            << "Updating files:  61% (613/1000)" << int(Phase::CheckingOut) << 61 << qint64(613)
            << qint64(1000) << ""
            << "" << false;
        QTest::newRow("checking out")
            << "Checking out files:   7% (7/100)" << int(Phase::CheckingOut) << 7 << qint64(7)
            << qint64(100) << ""
            << "" << false;
        QTest::newRow("remote counting, padded")
            << "remote: Counting objects:  22% (2/9)        " << int(Phase::Preparing) << 22
            << qint64(2) << qint64(9) << ""
            << "" << false;
        QTest::newRow("remote enumerating, a bare count")
            << "remote: Enumerating objects: 1234, done." << int(Phase::Preparing) << -1
            << qint64(1234) << qint64(0) << ""
            << "" << true;
        QTest::newRow("a message")
            << "Cloning into 'x'..." << -1 << -1 << qint64(0) << qint64(0) << ""
            << "" << false;
        QTest::newRow("an error naming a phase")
            << "fatal: Receiving objects failed" << -1 << -1 << qint64(0) << qint64(0) << ""
            << "" << false;
        QTest::newRow("phase without numbers")
            << "Receiving objects: lots" << -1 << -1 << qint64(0) << qint64(0) << ""
            << "" << false;
        QTest::newRow("over a hundred percent")
            << "Receiving objects: 250% (5/2)" << -1 << -1 << qint64(0) << qint64(0) << ""
            << "" << false;
        QTest::newRow("unclosed count")
            << "Receiving objects: 45% (450/1000" << -1 << -1 << qint64(0) << qint64(0) << ""
            << "" << false;
        QTest::newRow("huge count") << "Receiving objects: 1% (99999999999999999999999/2)" << -1
                                    << -1 << qint64(0) << qint64(0) << ""
                                    << "" << false;
    }

    void parsesTransferProgress() {
        QFETCH(QString, line);
        QFETCH(int, phase);
        QFETCH(int, percent);
        QFETCH(qint64, done);
        QFETCH(qint64, total);
        QFETCH(QString, amount);
        QFETCH(QString, rate);
        QFETCH(bool, finished);
        const std::optional<TransferProgress> parsed = parseProgressLine(line);
        QCOMPARE(parsed.has_value(), phase >= 0);
        if (!parsed)
            return;
        QCOMPARE(int(parsed->phase), phase);
        QCOMPARE(parsed->percent.value_or(-1), percent);
        QCOMPARE(parsed->done, done);
        QCOMPARE(parsed->total, total);
        QCOMPARE(parsed->amount, amount);
        QCOMPARE(parsed->rate, rate);
        QCOMPARE(parsed->finished, finished);
    }

    void scansAProgressStreamInPieces() {
        // git's standard error as it arrives: one line rewritten with '\r', messages on their
        // own lines, and a piece that ends inside a line.
        const QString stream = QStringLiteral(
            "Cloning into 'x'...\n"
            "remote: Counting objects: 100% (9/9), done.        \n"
            "Receiving objects:  11% (1/9)\rReceiving objects:  55% (5/9), 1 KiB | 2 KiB/s\r"
            "warning: something to note\r\n"
            "Receiving objects:  88% (8/9)\rResolving del");
        const ProgressScan first = scanProgress(stream);
        QVERIFY(first.latest);
        QCOMPARE(first.latest->phase, TransferProgress::Phase::Receiving);
        QCOMPARE(first.latest->percent, 88);
        QCOMPARE(first.messages,
                 (QStringList{"Cloning into 'x'...", "warning: something to note"}));
        QCOMPARE(stream.mid(first.consumed), QStringLiteral("Resolving del"));

        const QString rest = stream.mid(first.consumed) + QStringLiteral("tas: 50% (1/2)\r");
        const ProgressScan second = scanProgress(rest);
        QCOMPARE(second.latest->phase, TransferProgress::Phase::Resolving);
        QCOMPARE(second.latest->percent, 50);
        QCOMPARE(second.consumed, rest.size());

        const ProgressScan none = scanProgress(u"no line end yet");
        QVERIFY(!none.latest);
        QVERIFY(none.messages.isEmpty());
        QCOMPARE(none.consumed, 0);
    }

    void tellsSigningFailuresAndRefusingHooks() {
        // Signing refused by each kind of program; other failures are not signing failures.
        QVERIFY(isSigningFailure(QStringLiteral(
            "error: gpg failed to sign the data\nfatal: failed to write commit object")));
        QVERIFY(isSigningFailure(
            QStringLiteral("error: Couldn't load public key /k: No such file or directory?\n\n"
                           "fatal: failed to write commit object")));
        QVERIFY(!isSigningFailure(QStringLiteral("fatal: failed to write commit object")));
        QVERIFY(!isSigningFailure(QStringLiteral("error: gpg failed to sign the data")));
        QVERIFY(!isSigningFailure(QStringLiteral("lint: unsigned int is not allowed")));

        // Only the command's own hooks count, not one run by a git inside a hook, and only one
        // that failed.
        const QByteArray trace =
            R"({"event":"version","sid":"top"}
{"event":"child_start","sid":"top","child_id":0,"child_class":"hook","hook_name":"pre-commit"}
{"event":"child_start","sid":"top/inner","child_id":0,"child_class":"hook","hook_name":"post-checkout"}
{"event":"child_exit","sid":"top/inner","child_id":0,"code":1}
{"event":"child_exit","sid":"top","child_id":0,"code":0}
{"event":"child_start","sid":"top","child_id":1,"child_class":"editor","hook_name":"x"}
{"event":"child_exit","sid":"top","child_id":1,"code":1}
)";
        QCOMPARE(rejectingHook(trace), std::nullopt);
        const QByteArray refused =
            trace +
            R"({"event":"child_start","sid":"top","child_id":2,"child_class":"hook","hook_name":"commit-msg"}
{"event":"child_exit","sid":"top","child_id":2,"code":1}
not json
)";
        QCOMPARE(rejectingHook(refused), std::optional<QString>(QStringLiteral("commit-msg")));

        QCOMPARE(lastLines(QStringLiteral("a\nb\nc\n"), 2), QStringLiteral("b\nc"));
        QCOMPARE(lastLines(QStringLiteral("a\nb"), 5), QStringLiteral("a\nb"));
        QCOMPARE(lastLines(QString(), 5), QString());
    }

    void describesSigningConfiguration_data() {
        QTest::addColumn<QByteArray>("listing");
        QTest::addColumn<QString>("description");
        QTest::newRow("nothing set") << QByteArray() << QStringLiteral("Commits are not signed.");
        QTest::newRow("key without signing")
            << zeroed("user.signingkey\nABCD\0") << QStringLiteral("Commits are not signed.");
        QTest::newRow("turned off again") << zeroed("commit.gpgsign\ntrue\0commit.gpgsign\nfalse\0")
                                          << QStringLiteral("Commits are not signed.");
        QTest::newRow("OpenPGP with a key")
            << zeroed("commit.gpgsign\nyes\0user.signingkey\nABCD1234\0")
            << QStringLiteral("Commits are signed with OpenPGP key ABCD1234.");
        QTest::newRow("bare key means true")
            << zeroed("commit.gpgsign\0")
            << QStringLiteral("Commits are signed with the OpenPGP key of your committer "
                              "e-mail address.");
        QTest::newRow("SSH key file")
            << zeroed("commit.gpgsign\ntrue\0gpg.format\nSSH\0user.signingkey\n~/.ssh/k.pub\0")
            << QStringLiteral("Commits are signed with SSH key ~/.ssh/k.pub.");
        QTest::newRow("SSH literal key shows its comment")
            << zeroed("commit.gpgsign\ntrue\0gpg.format\nssh\0user.signingkey\n"
                      "key::ssh-ed25519 AAAAC3Nza me@laptop\0")
            << QStringLiteral("Commits are signed with SSH key me@laptop.");
        QTest::newRow("SSH without a key")
            << zeroed("commit.gpgsign\ntrue\0gpg.format\nssh\0")
            << QStringLiteral("Commits are signed with SSH, but no key is set "
                              "(user.signingkey), so git will refuse to commit.");
        QTest::newRow("X.509") << zeroed("commit.gpgsign\ntrue\0gpg.format\nx509\0")
                               << QStringLiteral("Commits are signed with your X.509 certificate.");
    }
    void describesSigningConfiguration() {
        QFETCH(QByteArray, listing);
        QFETCH(QString, description);
        QCOMPARE(describeSigning(parseConfigListing(listing).last), description);
    }

    void readsSignaturesAndPinsVerifiers() {
        constexpr char raw[] =
            "commit aaaa\ntree t\nauthor a <a> 1 +0000\ncommitter a <a> 1 +0000\n\n    plain\n"
            "    gpgsig in the message only\n\0"
            "commit bbbb\ntree t\nparent aaaa\nauthor a <a> 1 +0000\ncommitter a <a> 1 +0000\n"
            "gpgsig -----BEGIN SSH SIGNATURE-----\n U1NI\n -----END SSH SIGNATURE-----\n\n"
            "    ssh\n\0"
            "commit cccc\ntree t\nauthor a <a> 1 +0000\ncommitter a <a> 1 +0000\n"
            "gpgsig -----BEGIN PGP SIGNATURE-----\n x\n -----END PGP SIGNATURE-----\n\n    pgp\n";
        const QHash<QString, QString> kinds = signedCommits(zeroed(raw));
        QCOMPARE(kinds,
                 (QHash<QString, QString>{{QStringLiteral("bbbb"), QStringLiteral("ssh")},
                                          {QStringLiteral("cccc"), QStringLiteral("openpgp")}}));

        const QByteArray log = "g\x1fG\x1f"
                               "Ann\x1f"
                               "K1\x1fGood signature\n\x1e\n"
                               "u\x1fU\x1f\x1fK2\x1f\x1e\nb\x1f"
                               "B\x1f\x1f\x1f\x1e\n"
                               "x\x1fX\x1f\x1f\x1f\x1ey\x1fY\x1f\x1f\x1f\x1e"
                               "r\x1fR\x1f\x1f\x1f\x1e"
                               "e\x1f"
                               "E\x1f\x1f\x1f\x1e"
                               "n\x1fN\x1f\x1f\x1f\x1e";
        const QHash<QString, SignatureCheck> checks = parseSignatureLog(log);
        QCOMPARE(checks.value(QStringLiteral("g")),
                 (SignatureCheck{SignatureState::Verified, QStringLiteral("Ann"),
                                 QStringLiteral("K1"), QStringLiteral("Good signature")}));
        const QList<std::pair<const char*, SignatureState>> states{
            {"u", SignatureState::UnknownKey}, {"b", SignatureState::Bad},
            {"x", SignatureState::Expired},    {"y", SignatureState::Expired},
            {"r", SignatureState::Revoked},    {"e", SignatureState::CannotCheck},
            {"n", SignatureState::Unsigned}};
        for (const auto& [id, state] : states)
            QCOMPARE(checks.value(QString::fromLatin1(id)).state, state);
        QCOMPARE(describeSignature(checks.value(QStringLiteral("g"))),
                 QStringLiteral("Signed by Ann (key K1): good signature, verified."));

        // Every verifier is pinned, to the user's own or git's default program.
        const VerificationSetup defaults = verificationSetup({});
        QVERIFY(!defaults.sshAllowedSigners);
        const QByteArray global =
            zeroed("gpg.program\n/opt/gpg2\0gpg.ssh.allowedsignersfile\n~/allowed\0");
        const VerificationSetup own = verificationSetup(global);
        QVERIFY(own.sshAllowedSigners);
        const auto setting = [](const VerificationSetup& setup, const char* key) {
            for (const auto& [name, value] : setup.settings)
                if (name == QLatin1String(key))
                    return value;
            return QStringLiteral("(unset)");
        };
        for (const char* key : {"gpg.program", "gpg.openpgp.program"}) {
            QCOMPARE(setting(defaults, key), QStringLiteral("gpg"));
            QCOMPARE(setting(own, key), QStringLiteral("/opt/gpg2"));
        }
        QCOMPARE(setting(defaults, "gpg.x509.program"), QStringLiteral("gpgsm"));
        QCOMPARE(setting(defaults, "gpg.ssh.program"), QStringLiteral("ssh-keygen"));
        QCOMPARE(setting(own, "gpg.ssh.allowedsignersfile"), QStringLiteral("~/allowed"));
    }

    void cleansMessagesAsGitDoes_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("commentChar");
        QTest::addColumn<QString>("expected");
        const QString stripped = QStringLiteral("Subject\n\nBody  # kept\n;not a comment");
        QTest::newRow("default") << QString() << QStringLiteral("#") << stripped;
        QTest::newRow("strip") << QStringLiteral("strip") << QStringLiteral("#") << stripped;
        QTest::newRow("other comment char")
            << QStringLiteral("strip") << QStringLiteral(";")
            << QStringLiteral("# Write a subject\nSubject\n\nBody  # kept\n# ---- >8 ----");
        QTest::newRow("whitespace")
            << QStringLiteral("whitespace") << QStringLiteral("#")
            << QStringLiteral("# Write a subject\nSubject\n\nBody  # kept\n;not a comment\n"
                              "# ---- >8 ----");
        QTest::newRow("verbatim") << QStringLiteral("verbatim") << QStringLiteral("#")
                                  << QStringLiteral("\n# Write a subject\nSubject   \n\n\nBody  "
                                                    "# kept\n;not a comment\n# ---- >8 ----\n\n");
    }
    void cleansMessagesAsGitDoes() {
        QFETCH(QString, mode);
        QFETCH(QString, commentChar);
        QFETCH(QString, expected);
        const QString text = QStringLiteral("\n# Write a subject\nSubject   \n\n\nBody  # kept\n"
                                            ";not a comment\n# ---- >8 ----\n\n");
        QCOMPARE(cleanedUpMessage(text, mode, commentChar.front()), expected);
    }

    void picksTheWordsSpellingLooksAt() {
        const QSet<QString> staged = diffIdentifiers(
            QStringLiteral("+int frobnicate(Widget* wdgt) {\n-    return qux_count;\n"));
        QVERIFY(staged.contains(QStringLiteral("frobnicate")));
        QVERIFY(staged.contains(QStringLiteral("qux_count")));
        const QString line = QStringLiteral(
            "Fix teh `mispeled` frobnicate in src/main.cpp, see https://x.org/a; don't "
            "parseArgs or run --verbos on v2 (really).");
        QStringList words;
        for (const WordSpan& span : wordsToCheck(line, staged))
            words.append(line.mid(span.start, span.length));
        QCOMPARE(
            words,
            (QStringList{QStringLiteral("Fix"), QStringLiteral("teh"), QStringLiteral("in"),
                         QStringLiteral("see"), QStringLiteral("don't"), QStringLiteral("or"),
                         QStringLiteral("run"), QStringLiteral("on"), QStringLiteral("really")}));
    }
};

QTEST_GUILESS_MAIN(TestEngineParsers)
#include "tst_EngineParsers.moc"
