#include "diff/DiffParser.h"
#include "diff/diffLineClassifier.h"

#include <QRegularExpression>
#include <QTest>

using namespace tolvane;

namespace {

QStringList L(std::initializer_list<const char*> lines) {
    QStringList out;
    for (const char* line : lines)
        out.append(QString::fromUtf8(line));
    return out;
}

DiffHunk hunkOf(const QStringList& lines, int id = 0) {
    return DiffParser::makeHunk(id, lines.constFirst(), lines);
}

// Selects the infos whose raw line is one of `rawLines`.
QSet<QUuid> select(const QList<DiffLineInfo>& infos, const QStringList& rawLines) {
    QSet<QUuid> ids;
    for (const DiffLineInfo& info : infos) {
        if (rawLines.contains(info.rawLine))
            ids.insert(info.id);
    }
    return ids;
}

std::optional<DiffHunk> partial(const QStringList& lines, const QStringList& selectedRawLines,
                                PatchDirection direction = PatchDirection::Forward) {
    const DiffHunk hunk = hunkOf(lines);
    const QList<DiffLineInfo> infos = DiffParser::buildLineInfos(hunk);
    return DiffParser::buildPartialHunk(hunk, select(infos, selectedRawLines), infos, direction);
}

const char* const noNewline = "\\ No newline at end of file";

} // namespace

class TestDiffModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parseEmptyAndHunklessTexts() {
        const ParsedFileDiff empty = DiffParser::parse(QString());
        QCOMPARE(empty.headerLines, QStringList{QString()});
        QVERIFY(empty.hunks.isEmpty());

        const QString binary = QStringLiteral("diff --git a/x.png b/x.png\nindex 1..2 100644\n"
                                              "Binary files a/x.png and b/x.png differ\n");
        const ParsedFileDiff parsed = DiffParser::parse(binary);
        QCOMPARE(parsed.headerLines.size(), 4);
        QCOMPARE(parsed.headerLines.last(), QString());
        QVERIFY(parsed.hunks.isEmpty());
    }

    void parseSplitsHeaderAndHunks() {
        const QString text = QStringLiteral("diff --git a/f b/f\n"
                                            "index 1..2 100644\n"
                                            "--- a/f\n"
                                            "+++ b/f\n"
                                            "@@ -1,2 +1,2 @@ fn\n"
                                            "-a\n"
                                            "+b\n"
                                            " c\n"
                                            "@@ -9,2 +9,1 @@\n"
                                            " x\n"
                                            "---x\n"
                                            "\\ No newline at end of file\n"
                                            "diff --git a/g b/g");
        const ParsedFileDiff parsed = DiffParser::parse(text);
        QCOMPARE(parsed.headerLines,
                 L({"diff --git a/f b/f", "index 1..2 100644", "--- a/f", "+++ b/f"}));
        QCOMPARE(parsed.hunks.size(), 2);
        const DiffHunk& first = parsed.hunks.at(0);
        const DiffHunk& second = parsed.hunks.at(1);
        QCOMPARE(first.id, 0);
        QCOMPARE(second.id, 1);
        QCOMPARE(first.header, QStringLiteral("@@ -1,2 +1,2 @@ fn"));
        QCOMPARE(first.lines, L({"@@ -1,2 +1,2 @@ fn", "-a", "+b", " c"}));
        QCOMPARE(first.addedCount, 1);
        QCOMPARE(first.removedCount, 1);
        QCOMPARE(second.lines.constFirst(), second.header);
        // A following file's header lands in the last hunk; a "---x" body line is a removal.
        QCOMPARE(second.lines.last(), QStringLiteral("diff --git a/g b/g"));
        QCOMPARE(second.addedCount, 0);
        QCOMPARE(second.removedCount, 1);
    }

    void parseKeepsTheEmptyLastLine() {
        const ParsedFileDiff parsed =
            DiffParser::parse(QStringLiteral("@@ -0,0 +1,3 @@\n+a\n+b\n+c\n"));
        QVERIFY(parsed.headerLines.isEmpty());
        QCOMPARE(parsed.hunks.size(), 1);
        QCOMPARE(parsed.hunks[0].lines, L({"@@ -0,0 +1,3 @@", "+a", "+b", "+c", ""}));
        QCOMPARE(parsed.hunks[0].addedCount, 3);
        QCOMPARE(parsed.hunks[0].removedCount, 0);
    }

    void parseToleratesOddInput() {
        // CRLF stays part of each line; stray "@@" opens a hunk; one-character lines count by
        // their first character.
        const ParsedFileDiff crlf =
            DiffParser::parse(QStringLiteral("--- a\r\n@@ -1 +1 @@\r\n-a\r\n+b\r\n"));
        QCOMPARE(crlf.headerLines, L({"--- a\r"}));
        QCOMPARE(crlf.hunks[0].lines, L({"@@ -1 +1 @@\r", "-a\r", "+b\r", ""}));
        QCOMPARE(crlf.hunks[0].removedCount, 1);

        const ParsedFileDiff stray = DiffParser::parse(QStringLiteral("@@\n+\n-\n\\\n \n@@@"));
        QCOMPARE(stray.hunks.size(), 2);
        QCOMPARE(stray.hunks[0].addedCount, 1);
        QCOMPARE(stray.hunks[0].removedCount, 1);
        QCOMPARE(stray.hunks[1].lines, L({"@@@"}));

        const QString huge = QStringLiteral("@@ -1 +1 @@\n+") + QString(200000, u'x');
        QCOMPARE(DiffParser::parse(huge).hunks[0].lines[1].size(), 200001);
    }

    void lineInfosCoverOnlyChangeLines() {
        const DiffHunk hunk =
            hunkOf(L({"@@ -1,3 +1,3 @@", " x", "-a", noNewline, "+b", "", "+", "---y"}));
        const QList<DiffLineInfo> infos = DiffParser::buildLineInfos(hunk);
        QCOMPARE(infos.size(), 4);
        QCOMPARE(infos[0].lineIndex, 2);
        QCOMPARE(infos[0].lineType, DiffLineType::Deletion);
        QCOMPARE(infos[0].rawLine, QStringLiteral("-a"));
        QCOMPARE(infos[0].content, QStringLiteral("a"));
        QCOMPARE(infos[1].lineIndex, 4);
        QCOMPARE(infos[1].lineType, DiffLineType::Addition);
        QCOMPARE(infos[2].lineIndex, 6);
        QCOMPARE(infos[2].content, QString());
        QCOMPARE(infos[3].lineType, DiffLineType::Deletion);
        QCOMPARE(infos[3].content, QStringLiteral("--y"));
        QSet<QUuid> ids;
        for (const DiffLineInfo& info : infos) {
            QVERIFY(!info.id.isNull());
            QCOMPARE(info.id.version(), QUuid::Random);
            ids.insert(info.id);
        }
        QCOMPARE(ids.size(), infos.size());
        // A second build makes new ids, so old selections cannot match it.
        QVERIFY(!ids.contains(DiffParser::buildLineInfos(hunk).constFirst().id));
    }

    void classifyDisplayLines_data() {
        QTest::addColumn<QString>("text");
        // Each expected line: type letter (F H + - C), content, old number, new number (-1 none).
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("git diff") << QStringLiteral("diff --git a/f b/f\nindex 1..2\n--- a/f\n"
                                                    "+++ b/f\n@@ -3,3 +3,3 @@ fn\n a\n-b\n+c\n d")
                                  << L({"F|diff --git a/f b/f|-1|-1", "F|index 1..2|-1|-1",
                                        "F|--- a/f|-1|-1", "F|+++ b/f|-1|-1",
                                        "H|@@ -3,3 +3,3 @@ fn|-1|-1", "C|a|3|3", "-|b|4|-1",
                                        "+|c|-1|4", "C|d|5|5"});
        QTest::newRow("counts omitted")
            << QStringLiteral("@@ -7 +7 @@\n x") << L({"H|@@ -7 +7 @@|-1|-1", "C|x|7|7"});
        QTest::newRow("unparsable keeps counters")
            << QStringLiteral("@@ -3 +5 @@\n@@ -x +y @@\n a\n@@\n b\n@@ -1 +z @@\n c")
            << L({"H|@@ -3 +5 @@|-1|-1", "H|@@ -x +y @@|-1|-1", "C|a|3|5", "H|@@|-1|-1", "C|b|4|6",
                  "H|@@ -1 +z @@|-1|-1", "C|c|1|7"});
        QTest::newRow("dashes inside and outside a hunk")
            << QStringLiteral("---x\n+++y\n@@ -1 +1 @@\n---x\n++++y\n+\n-")
            << L({"F|---x|-1|-1", "F|+++y|-1|-1", "H|@@ -1 +1 @@|-1|-1", "-|--x|1|-1",
                  "+|+++y|-1|1", "+||-1|2", "-||2|-1"});
        QTest::newRow("diff line ends the hunk")
            << QStringLiteral("@@ -1 +1 @@\n a\ndiff --git a/g b/g\n--- a/g\nindex 0")
            << L({"H|@@ -1 +1 @@|-1|-1", "C|a|1|1", "F|diff --git a/g b/g|-1|-1", "F|--- a/g|-1|-1",
                  "F|index 0|-1|-1"});
        QTest::newRow("marker, notices and empty lines")
            << QStringLiteral("@@ -1 +1 @@\n-a\n\\ No newline at end of file\nNew file: x\n"
                              "\u2500\u2500 Diff truncated \u2500\u2500\n\nBinary files differ")
            << L({"H|@@ -1 +1 @@|-1|-1", "-|a|1|-1", "C|\\ No newline at end of file|-1|-1",
                  "F|New file: x|-1|-1", "F|\u2500\u2500 Diff truncated \u2500\u2500|-1|-1",
                  "C||-1|-1", "C|Binary files differ|-1|-1"});
        QTest::newRow("empty text") << QString() << L({"C||-1|-1"});
        QTest::newRow("crlf") << QStringLiteral("@@ -2 +2 @@\r\n x\r\n")
                              << L({"H|@@ -2 +2 @@\r|-1|-1", "C|x\r|2|2", "C||-1|-1"});
        QTest::newRow("huge numbers saturate")
            << QStringLiteral("@@ -9223372036854775807 +99999999999999999999 @@\n a\n b")
            << L({"H|@@ -9223372036854775807 +99999999999999999999 @@|-1|-1",
                  "C|a|9223372036854775807|1", "C|b|9223372036854775807|2"});
        QTest::newRow("untracked file numbered from 1")
            << QStringLiteral("New file: x\n\u2500\u2500\n\n+a\n+b")
            << L({"F|New file: x|-1|-1", "F|\u2500\u2500|-1|-1", "C||-1|-1", "+|a|-1|1",
                  "+|b|-1|2"});
        QTest::newRow("commit message and diffstat not numbered")
            << QStringLiteral("commit 1234\nAuthor: A\n\n    Subject\n    Body\n---\n"
                              " f | 2 +-\n 1 file changed\n\ndiff --git a/f b/f\n"
                              "@@ -4 +4 @@\n x\n-y\n+z")
            << L({"C|commit 1234|-1|-1", "C|Author: A|-1|-1", "C||-1|-1", "C|   Subject|-1|-1",
                  "C|   Body|-1|-1", "F|---|-1|-1", "C|f | 2 +-|-1|-1", "C|1 file changed|-1|-1",
                  "C||-1|-1", "F|diff --git a/f b/f|-1|-1", "H|@@ -4 +4 @@|-1|-1", "C|x|4|4",
                  "-|y|5|-1", "+|z|-1|5"});
    }

    void classifyDisplayLines() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        const QList<DiffLine> lines = parseDiffLines(text);
        QStringList actual;
        QSet<QUuid> ids;
        for (const DiffLine& line : lines) {
            const char* letters = "FH+-C";
            actual.append(QStringLiteral("%1|%2|%3|%4")
                              .arg(QChar::fromLatin1(letters[int(line.type)]), line.content)
                              .arg(line.oldNum.value_or(-1))
                              .arg(line.newNum.value_or(-1)));
            ids.insert(line.id);
        }
        QCOMPARE(actual, expected);
        QCOMPARE(ids.size(), lines.size());
    }

    void buildPatchDropsTrailingEmptyLines() {
        const DiffHunk first = hunkOf(L({"@@ -1 +1 @@", "-a", "", "+b"}));
        const DiffHunk last = hunkOf(L({"@@ -5 +5 @@", "-c", "+d", "", ""}), 1);
        QCOMPARE(DiffParser::buildPatch(L({"--- a/f", "+++ b/f"}), {first, last}),
                 QStringLiteral("--- a/f\n+++ b/f\n@@ -1 +1 @@\n-a\n\n+b\n@@ -5 +5 @@\n-c\n+d\n"));
        QCOMPARE(DiffParser::buildPatch({}, {}), QStringLiteral("\n"));
    }

    void partialHunkForward_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("expected"); // empty: refused

        const QStringList simple = L({"@@ -10,3 +10,3 @@ fn", " x", "-a", "+b", " y"});
        QTest::newRow("only addition")
            << simple << L({"+b"}) << L({"@@ -10,3 +10,4 @@ fn", " x", " a", "+b", " y"});
        QTest::newRow("only removal")
            << simple << L({"-a"}) << L({"@@ -10,3 +10,2 @@ fn", " x", "-a", " y"});
        QTest::newRow("block pairwise")
            << L({"@@ -1,2 +1,2 @@", "-a", "-b", "+c", "+d"}) << L({"-a", "-b", "+c", "+d"})
            << L({"@@ -1,2 +1,2 @@", "-a", "+c", "-b", "+d"});
        QTest::newRow("nothing selected") << simple << QStringList() << QStringList();
        QTest::newRow("counts omitted") << L({"@@ -1 +1 @@", "-a", "+b"}) << L({"-a", "+b"})
                                        << L({"@@ -1,1 +1,1 @@", "-a", "+b"});

        const QStringList lastLine = L({"@@ -3,1 +3,1 @@", "-a", noNewline, "+b", noNewline});
        QTest::newRow("marker kept before addition refused")
            << lastLine << L({"+b"}) << QStringList();
        QTest::newRow("whole last-line change accepted") << lastLine << L({"-a", "+b"}) << lastLine;
        QTest::newRow("last removal alone accepted")
            << lastLine << L({"-a"}) << L({"@@ -3,1 +3,0 @@", "-a", noNewline});
        // Pairwise order puts the kept "b" after "+c", whose marker then would no longer end the
        // new side: the result would glue "c" and "b" into one line.
        QTest::newRow("marker followed by context refused")
            << L({"@@ -1,2 +1,1 @@", "-a", "-b", noNewline, "+c", noNewline}) << L({"-a", "+c"})
            << QStringList();
        QTest::newRow("trailing empty line is not context")
            << L({"@@ -0,0 +1,2 @@", "+a", "+b", ""}) << L({"+b"}) << L({"@@ -0,0 +1,1 @@", "+b"});
    }

    void partialHunkForward() {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, expected);
        const std::optional<DiffHunk> result = partial(lines, selected);
        if (expected.isEmpty()) {
            QVERIFY(!result);
            return;
        }
        QVERIFY(result);
        QCOMPARE(result->lines, expected);
        QCOMPARE(result->header, expected.constFirst());
        QCOMPARE(result->addedCount, int(selected.filter(QRegularExpression("^\\+")).size()));
        QCOMPARE(result->removedCount, int(selected.filter(QRegularExpression("^-")).size()));
    }

    void partialHunkReverse_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("expected");

        const QStringList simple = L({"@@ -10,3 +10,3 @@ fn", " x", "-a", "+b", " y"});
        QTest::newRow("only addition")
            << simple << L({"+b"}) << L({"@@ -10,2 +10,3 @@ fn", " x", "+b", " y"});
        QTest::newRow("only removal")
            << simple << L({"-a"}) << L({"@@ -10,4 +10,3 @@ fn", " x", "-a", " b", " y"});
        const QStringList lastLine = L({"@@ -3,1 +3,1 @@", "-a", noNewline, "+b", noNewline});
        QTest::newRow("restoring a removal before a kept last line refused")
            << lastLine << L({"-a"}) << QStringList();
        QTest::newRow("last addition alone accepted")
            << lastLine << L({"+b"}) << L({"@@ -3,0 +3,1 @@", "+b", noNewline});
        QTest::newRow("whole last-line change accepted") << lastLine << L({"-a", "+b"}) << lastLine;
    }

    void partialHunkReverse() {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, expected);
        const std::optional<DiffHunk> result = partial(lines, selected, PatchDirection::Reverse);
        if (expected.isEmpty()) {
            QVERIFY(!result);
            return;
        }
        QVERIFY(result);
        QCOMPARE(result->lines, expected);
    }

    void partialHunkIgnoresForeignIds() {
        const DiffHunk hunk = hunkOf(L({"@@ -1 +1 @@", "-a", "+b"}), 4);
        const QList<DiffLineInfo> infos = DiffParser::buildLineInfos(hunk);
        const QList<DiffLineInfo> otherInfos = DiffParser::buildLineInfos(hunk);
        QSet<QUuid> foreign;
        for (const DiffLineInfo& info : otherInfos)
            foreign.insert(info.id);
        QVERIFY(!DiffParser::buildPartialHunk(hunk, foreign, infos));
        QVERIFY(!DiffParser::buildPartialHunk(hunk, {}, infos));
        const auto kept = DiffParser::buildPartialHunk(hunk, {infos[1].id}, infos);
        QVERIFY(kept);
        QCOMPARE(kept->id, 4);
    }

    void recalculateHunkHeader_data() {
        QTest::addColumn<QString>("header");
        QTest::addColumn<QString>("expected");
        QTest::newRow("full") << QStringLiteral("@@ -12,7 +12,8 @@ func foo()")
                              << QStringLiteral("@@ -12,2 +12,3 @@ func foo()");
        QTest::newRow("counts omitted")
            << QStringLiteral("@@ -1 +1 @@") << QStringLiteral("@@ -1,2 +1,3 @@");
        QTest::newRow("tabs and spaces")
            << QStringLiteral("@@\t -4,1   +5 \t@@x") << QStringLiteral("@@ -4,2 +5,3 @@x");
        QTest::newRow("empty start")
            << QStringLiteral("@@ -,3 + @@") << QStringLiteral("@@ -1,2 +1,3 @@");
        QTest::newRow("no markers") << QStringLiteral("-1 +1") << QStringLiteral("-1 +1");
        QTest::newRow("one marker") << QStringLiteral("@@ -1 +1") << QStringLiteral("@@ -1 +1");
        QTest::newRow("three pieces")
            << QStringLiteral("@@@ -1 +1 +1 @@@") << QStringLiteral("@@@ -1 +1 +1 @@@");
        QTest::newRow("crlf") << QStringLiteral("@@ -1 +1 @@\r")
                              << QStringLiteral("@@ -1,2 +1,3 @@\r");
    }

    void recalculateHunkHeader() {
        QFETCH(QString, header);
        QFETCH(QString, expected);
        QCOMPARE(DiffParser::recalculateHunkHeader(header, 2, 3), expected);
    }

    void changesWithinLines_data() {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("added");
        // The marked text of each range, in order.
        QTest::addColumn<QStringList>("removedMarks");
        QTest::addColumn<QStringList>("addedMarks");
        QTest::newRow("inserted word")
            << QStringLiteral("let total = price;") << QStringLiteral("let total = net price;")
            << L({}) << L({"net"});
        QTest::newRow("changed number")
            << QStringLiteral("    timeout = 30; // seconds")
            << QStringLiteral("    timeout = 45; // seconds") << L({"30"}) << L({"45"});
        QTest::newRow("whole changed line")
            << QStringLiteral("return a;") << QStringLiteral("  throw error(b)") << L({}) << L({});
        QTest::newRow("neighbouring words form one range")
            << QStringLiteral("if (a < b) go();") << QStringLiteral("if (x > y) go();")
            << L({"a < b"}) << L({"x > y"});
        QTest::newRow("removed word and regex characters")
            << QStringLiteral("match(\"a.*b\", flags)") << QStringLiteral("match(\"a.*b\")")
            << L({", flags"}) << L({});
        QTest::newRow("indentation only")
            << QStringLiteral("  call();") << QStringLiteral("    call();") << L({"  "})
            << L({"    "});
        QTest::newRow("emoji kept whole")
            << QStringLiteral("say \U0001F600 now") << QStringLiteral("say \U0001F601 now")
            << L({"\U0001F600"}) << L({"\U0001F601"});
        QTest::newRow("identical")
            << QStringLiteral("same") << QStringLiteral("same") << L({}) << L({});
        const QString longLine = QString(10'001, u'x');
        QTest::newRow("too long to compare")
            << longLine << QString(longLine).replace(0, 1, QStringLiteral("y x")) << L({}) << L({});
    }

    void changesWithinLines() {
        QFETCH(QString, removed);
        QFETCH(QString, added);
        QFETCH(QStringList, removedMarks);
        QFETCH(QStringList, addedMarks);
        const auto marks = [](const QString& line, const QList<InlineRange>& ranges) {
            QStringList out;
            for (const InlineRange& r : ranges)
                out.append(line.mid(r.start, r.length));
            return out;
        };
        const InlineChangePair pair = compareLineWords(removed, added);
        QCOMPARE(marks(removed, pair.removed), removedMarks);
        QCOMPARE(marks(added, pair.added), addedMarks);

        // The same pair inside a hunk and in the plain view, behind their signs.
        const DiffHunk hunk = hunkOf({QStringLiteral("@@ -1,3 +1,3 @@"), QStringLiteral(" ctx"),
                                      u'-' + removed, u'+' + added});
        const QList<InlineRange>* hunkRemoved = inlineRangesAt(hunk.inlineChanges, 2);
        const QList<InlineRange>* hunkAdded = inlineRangesAt(hunk.inlineChanges, 3);
        QCOMPARE(hunkRemoved ? *hunkRemoved : QList<InlineRange>(), pair.removed);
        QCOMPARE(hunkAdded ? *hunkAdded : QList<InlineRange>(), pair.added);
        const QList<DiffLine> plain = parseDiffLines(hunk.lines.join(u'\n'));
        QCOMPARE(plain.at(2).changes, pair.removed);
        QCOMPARE(plain.at(3).changes, pair.added);
    }

    void changesWithinLinesPairBlocks() {
        // Two removed lines against three added ones, with a missing-newline marker in between:
        // the first two added lines are compared, the third stands alone.
        const DiffHunk hunk = hunkOf(L({"@@ -1,4 +1,5 @@", "-one 1", "-two 2", noNewline, "+one 10",
                                        "+two 20", "+three 3", " four", "+five 5"}));
        QList<int> indexes;
        for (const InlineLineChanges& change : hunk.inlineChanges)
            indexes.append(change.lineIndex);
        QCOMPARE(indexes, (QList<int>{1, 2, 4, 5}));
        QCOMPARE(*inlineRangesAt(hunk.inlineChanges, 5), (QList<InlineRange>{{4, 2}}));
        QVERIFY(!inlineRangesAt(hunk.inlineChanges, 6));
        QVERIFY(!inlineRangesAt(hunk.inlineChanges, 8));

        const QList<DiffLine> plain = parseDiffLines(
            QStringLiteral("diff --git a/f b/f\n--- a/f\n+++ b/f\n@@ -1,2 +1,2 @@\n-x = 1\n"
                           " ctx\n+x = 2\ndiff --git a/g b/g\n@@ -1 +1 @@\n-y = 1\n+y = 3"));
        QStringList marked;
        for (const DiffLine& line : plain) {
            for (const InlineRange& r : line.changes)
                marked.append(line.content.mid(r.start, r.length));
        }
        // A context line between them breaks the first pair.
        QCOMPARE(marked, L({"1", "3"}));
    }
};

QTEST_GUILESS_MAIN(TestDiffModel)
#include "tst_DiffModel.moc"
