#include "engine/commitOrder.h"
#include "graph/CommitGraphCalculator.h"
#include "graph/graphPalette.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tolvane;

namespace {

GitCommit commit(const char* id, QStringList parents, const char* refs = "") {
    GitCommit c;
    c.id = QString::fromLatin1(id);
    c.parents = std::move(parents);
    c.refs = QString::fromLatin1(refs);
    return c;
}

QStringList P(std::initializer_list<const char*> ids) {
    QStringList out;
    for (const char* id : ids)
        out.append(QString::fromLatin1(id));
    return out;
}

// A row's lines written as "type@column", e.g. "pass@0 commit@1 merge@2".
QString shape(const CommitGraphData& data) {
    static const char* const names[] = {"commit", "pass", "merge", "branch"};
    QStringList parts;
    for (const GraphLine& line : data.lines) {
        parts.append(
            QStringLiteral("%1@%2").arg(QLatin1String(names[int(line.type)])).arg(line.column));
        if (line.color != graphLaneColor(line.column))
            parts.last() += QStringLiteral("(wrong colour)");
    }
    return parts.join(u' ');
}

} // namespace

class TestCommitGraph : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void emptyListGivesEmptyMap() {
        QVERIFY(CommitGraphCalculator::calculate({}, QStringLiteral("x")).isEmpty());
    }

    void paletteRepeatsEveryEightLanes() {
        QCOMPARE(graphLaneColor(0), QColor(u"blue"));
        QCOMPARE(graphLaneColor(2), QColor(u"orange"));
        QCOMPARE(graphLaneColor(7), QColor(u"red"));
        QCOMPARE(graphLaneColor(8), graphLaneColor(0));
        QCOMPARE(graphLaneColor(13), QColor(u"cyan"));
    }

    void linearHistoryStaysInLaneZero() {
        const auto graph =
            CommitGraphCalculator::calculate({commit("c3", P({"c2"}), "HEAD -> main, origin/main"),
                                              commit("c2", P({"c1"})), commit("c1", {})},
                                             QStringLiteral("c3"));
        QCOMPARE(graph.size(), 3);
        for (const char* id : {"c3", "c2", "c1"}) {
            const CommitGraphData& row = graph[QLatin1String(id)];
            QCOMPARE(row.column, 0);
            QCOMPARE(shape(row), QStringLiteral("commit@0"));
            QCOMPARE(row.maxColumn, 0);
        }
        QVERIFY(graph[u"c3"_qs].isHead);
        QVERIFY(!graph[u"c2"_qs].isHead);
    }

    void featureBranchEndsAtItsForkPoint() {
        // Main's tip is further down, so lane 0 is reserved for it from the first row.
        const auto graph = CommitGraphCalculator::calculate(
            {commit("f2", P({"f1"}), "HEAD -> feature"), commit("f1", P({"b"})),
             commit("m1", P({"b"}), "main"), commit("b", P({"r"})), commit("r", {})},
            QStringLiteral("f2"));
        QCOMPARE(shape(graph[u"f2"_qs]), QStringLiteral("pass@0 commit@1"));
        QCOMPARE(graph[u"f2"_qs].column, 1);
        QVERIFY(graph[u"f2"_qs].isHead);
        QCOMPARE(shape(graph[u"f1"_qs]), QStringLiteral("pass@0 commit@1"));
        QCOMPARE(shape(graph[u"m1"_qs]), QStringLiteral("pass@1 commit@0"));
        QCOMPARE(shape(graph[u"b"_qs]), QStringLiteral("branch@1 commit@0"));
        QCOMPARE(graph[u"b"_qs].column, 0);
        // The freed lane is still counted: maxColumn never shrinks.
        QCOMPARE(shape(graph[u"r"_qs]), QStringLiteral("commit@0"));
        QCOMPARE(graph[u"r"_qs].maxColumn, 1);
    }

    void mergesAndOctopusMerges() {
        const auto graph = CommitGraphCalculator::calculate(
            {commit("o", P({"m", "x", "y"}), "HEAD -> master"), commit("m", P({"a", "b"})),
             commit("x", P({"a"})), commit("y", P({"b"})), commit("a", P({"r"})),
             commit("b", P({"r"})), commit("r", {})},
            QStringLiteral("o"));
        QCOMPARE(shape(graph[u"o"_qs]), QStringLiteral("commit@0 merge@1 merge@2"));
        QCOMPARE(graph[u"o"_qs].maxColumn, 2);
        // "b" gets the lowest free lane: none is free, so a new one.
        QCOMPARE(shape(graph[u"m"_qs]), QStringLiteral("pass@1 pass@2 commit@0 merge@3"));
        // "x" and "y" continue into lanes that already wait for their parents' commits.
        QCOMPARE(shape(graph[u"x"_qs]), QStringLiteral("pass@0 pass@2 pass@3 commit@1"));
        QCOMPARE(shape(graph[u"y"_qs]), QStringLiteral("pass@0 pass@1 pass@3 commit@2"));
        QCOMPARE(shape(graph[u"a"_qs]), QStringLiteral("branch@1 pass@2 pass@3 commit@0"));
        QCOMPARE(shape(graph[u"b"_qs]), QStringLiteral("branch@3 pass@0 commit@2"));
        QCOMPARE(shape(graph[u"r"_qs]), QStringLiteral("branch@2 commit@0"));
        QCOMPARE(graph[u"r"_qs].maxColumn, 3);
    }

    void mergeReusesALaneWaitingForTheParent() {
        const auto graph = CommitGraphCalculator::calculate(
            {commit("t", P({"p"}), "topic"), commit("m", P({"a", "p"}), "main"),
             commit("p", P({"a"})), commit("a", {})},
            {});
        QCOMPARE(shape(graph[u"t"_qs]), QStringLiteral("pass@0 commit@1"));
        QCOMPARE(shape(graph[u"m"_qs]), QStringLiteral("pass@1 commit@0 merge@1"));
        QCOMPARE(shape(graph[u"p"_qs]), QStringLiteral("pass@0 commit@1"));
    }

    void mainLineDetection_data() {
        QTest::addColumn<QString>("refs");
        QTest::addColumn<int>("tipColumn"); // lane of the newest commit
        QTest::newRow("HEAD -> main") << QStringLiteral("HEAD -> main") << 1;
        QTest::newRow("plain master, spaces") << QStringLiteral("tag: v1,  master ") << 1;
        QTest::newRow("remote only") << QStringLiteral("origin/main, HEAD") << 0;
        QTest::newRow("tag named main") << QStringLiteral("tag: main") << 0;
        QTest::newRow("arrow without HEAD") << QStringLiteral("x -> main") << 0;
        QTest::newRow("no separator space") << QStringLiteral("feature,main") << 0;
        QTest::newRow("HEAD -> feature") << QStringLiteral("HEAD -> feature") << 0;
    }

    void mainLineDetection() {
        // The refs sit on the second commit; when they name the main line it owns lane 0 and
        // the unrelated newest commit moves to lane 1.
        QFETCH(QString, refs);
        QFETCH(int, tipColumn);
        GitCommit second = commit("s", {});
        second.refs = refs;
        const auto graph =
            CommitGraphCalculator::calculate({commit("n", P({"o"})), second}, QString());
        QCOMPARE(graph[u"n"_qs].column, tipColumn);
        QCOMPARE(graph[u"s"_qs].column, tipColumn == 1 ? 0 : 1);
    }

    void rootCommitFreesItsLane() {
        const auto graph = CommitGraphCalculator::calculate(
            {commit("x", P({"y"}), "main"), commit("t", P({"u"})), commit("u", {}),
             commit("v", P({"w"})), commit("y", {}), commit("w", {})},
            {});
        QCOMPARE(shape(graph[u"t"_qs]), QStringLiteral("pass@0 commit@1"));
        QCOMPARE(shape(graph[u"u"_qs]), QStringLiteral("pass@0 commit@1"));
        // Lane 1 was freed by the root "u" and is the lowest free lane again.
        QCOMPARE(shape(graph[u"v"_qs]), QStringLiteral("pass@0 commit@1"));
        QCOMPARE(shape(graph[u"y"_qs]), QStringLiteral("pass@1 commit@0"));
        QCOMPARE(shape(graph[u"w"_qs]), QStringLiteral("commit@1"));
        QCOMPARE(graph[u"w"_qs].maxColumn, 1);
    }

    void laterDuplicateReplacesEarlierRow() {
        const auto graph = CommitGraphCalculator::calculate(
            {commit("a", P({"b"}), "main"), commit("b", {}), commit("a", {})}, u"a"_qs);
        QCOMPARE(graph.size(), 2);
        QCOMPARE(shape(graph[u"a"_qs]), QStringLiteral("commit@0"));
        QVERIFY(graph[u"a"_qs].isHead);
    }

    void parentsMoveBelowTheirChildren_data() {
        // Each commit written "id:parent,parent"; the expected order as ids.
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("in order, parent outside the list") << "m:a,b,z b:a a:"
                                                           << "m b a";
        QTest::newRow("same-second merge: first parent above the branch") << "m:a,b a: b:a"
                                                                          << "m b a";
        QTest::newRow("skewed parent waits for its last child, others keep their places")
            << "c:p p:r x: d:p r:"
            << "c x d p r";
        QTest::newRow("the parent's own ancestors follow it down") << "c:p p:q q: d:p"
                                                                   << "c d p q";
        QTest::newRow("a malformed cycle loses no row") << "a:b b:a c:"
                                                        << "c a b";
    }

    void parentsMoveBelowTheirChildren() {
        QFETCH(QString, listed);
        QFETCH(QString, expected);
        QList<GitCommit> commits;
        for (const QString& item : listed.split(u' ')) {
            const QStringList parts = item.split(u':');
            GitCommit c;
            c.id = parts[0];
            c.parents = parts[1].split(u',', Qt::SkipEmptyParts);
            c.message = u"message of "_qs + c.id;
            commits.append(c);
        }
        const QList<GitCommit> ordered = orderParentsBelowChildren(commits);
        QStringList ids;
        for (const GitCommit& c : ordered) {
            ids.append(c.id);
            QCOMPARE(c.message, u"message of "_qs + c.id);
        }
        QCOMPARE(ids.join(u' '), expected);
    }

    // Invariants on random histories: one node line per row at the row's column, lanes listed
    // once, columns within maxColumn, maxColumn never decreasing.
    void randomHistoriesKeepInvariants() {
        QRandomGenerator random(7);
        for (int round = 0; round < 50; ++round) {
            const int count = 1 + int(random.bounded(60));
            QList<GitCommit> commits;
            for (int i = count - 1; i >= 0; --i) {
                GitCommit c;
                c.id = QStringLiteral("c%1").arg(i);
                const int parents = i == 0 ? 0 : int(random.bounded(4));
                for (int p = 0; p < parents; ++p)
                    c.parents.append(QStringLiteral("c%1").arg(random.bounded(i)));
                if (random.bounded(10) == 0)
                    c.refs = QStringLiteral("main");
                commits.append(c);
            }
            const auto graph = CommitGraphCalculator::calculate(commits, QString());
            int previousMax = 0;
            for (const GitCommit& c : commits) {
                const CommitGraphData& row = graph[c.id];
                QVERIFY(row.maxColumn >= previousMax);
                previousMax = row.maxColumn;
                int nodes = 0;
                QSet<int> passing;
                for (const GraphLine& line : row.lines) {
                    QVERIFY(line.column >= 0 && line.column <= row.maxColumn);
                    if (line.type == LineType::Commit) {
                        ++nodes;
                        QCOMPARE(line.column, row.column);
                    } else if (line.type == LineType::PassThrough) {
                        QVERIFY(line.column != row.column);
                        QVERIFY(!passing.contains(line.column));
                        passing.insert(line.column);
                    }
                }
                QCOMPARE(nodes, 1);
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestCommitGraph)
#include "tst_CommitGraph.moc"
