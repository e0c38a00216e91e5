#include "engine/commitOrder.h"
#include "graph/CommitGraphCalculator.h"
#include "graph/GraphHighlight.h"
#include "graph/LaneGraphLayouter.h"
#include "graph/compactGraphLayout.h"
#include "graph/graphPalette.h"
#include "support/historyShapes.h"

#include <QRandomGenerator>
#include <QTest>

using namespace tolvane;
using namespace Qt::StringLiterals;

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

// Where a line is at a row's top and bottom edges (-1: it does not cross that edge).
int topColumn(const GraphLine& line) {
    switch (line.type) {
    case LineType::PassThrough:
        return line.fromColumn >= 0 ? line.fromColumn : line.column;
    case LineType::BranchTo:
    case LineType::ArrowUp: // its head sits in the top of the row
        return line.column;
    default:
        return -1;
    }
}
int bottomColumn(const GraphLine& line) {
    return line.type == LineType::BranchTo || line.type == LineType::Commit ? -1 : line.column;
}

// The compact layout's promises on one list of commits; returns the first one broken.
QString brokenPromise(const QList<GitCommit>& commits, const CommitGraphLayout& layout,
                      int maxColumns) {
    const int n = int(commits.size());
    if (layout.rows.size() != n)
        return u"one row per commit"_s;
    QHash<QString, int> rowOf;
    for (int r = n - 1; r >= 0; --r)
        rowOf.insert(commits[r].id, r);
    const auto where = [](int row, const char* what) {
        return QStringLiteral("row %1: %2").arg(row).arg(QLatin1String(what));
    };

    // Every node drawn, and no two lines in one column at a row's edges or at its node.
    for (int r = 0; r < n; ++r) {
        const CommitGraphData& row = layout.rows[r];
        int nodes = 0;
        QHash<int, int> top, bottom; // column -> lane; lines joining a lane meet in its column
        QSet<int> lanes;
        for (const GraphLine& line : row.lines) {
            nodes += line.type == LineType::Commit;
            const int t = topColumn(line);
            const int b = bottomColumn(line);
            if ((t >= 0 && top.value(t, line.lane) != line.lane) ||
                (b >= 0 && bottom.value(b, line.lane) != line.lane))
                return where(r, "two lines share a column");
            if (t >= 0)
                top.insert(t, line.lane);
            if (b >= 0)
                bottom.insert(b, line.lane);
            if (line.type == LineType::PassThrough || line.type == LineType::ArrowUp)
                lanes << t << b;
        }
        if (nodes != 1)
            return where(r, "not exactly one node");
        if (row.column < 0 || row.column >= maxColumns)
            return where(r, "node outside the visible columns");
        if (lanes.contains(row.column))
            return where(r, "a lane runs through the node");
        for (const GraphLine& line : row.lines) {
            if (line.type == LineType::ArrowUp && line.column >= 0 &&
                std::count_if(row.lines.cbegin(), row.lines.cend(),
                              [&](const GraphLine& l) { return topColumn(l) == line.column; }) > 1)
                return where(r, "a line comes down onto an upward arrow");
        }
    }

    // Every line to a parent is continuous, or cut into a downward arrow and an upward arrow
    // above the parent that name the same parent and lane.
    const auto findLine = [&](int row, auto match) -> const GraphLine* {
        for (const GraphLine& line : layout.rows[row].lines) {
            if (match(line))
                return &line;
        }
        return nullptr;
    };
    for (int r = 0; r < n; ++r) {
        QSet<int> seen;
        for (const QString& parent : commits[r].parents) {
            const int listed = rowOf.value(parent, -1);
            const int missing = int(layout.missingParents.indexOf(parent));
            const int target = listed > r ? listed : (missing >= 0 ? n + missing : -2);
            if (target == -2)
                return where(r, "a parent neither listed below nor named missing");
            if (seen.contains(target))
                continue; // a repeated parent
            seen.insert(target);
            const GraphLine* out = findLine(r, [&](const GraphLine& l) {
                return l.target == target &&
                       (l.type == LineType::MergeFrom || l.type == LineType::ArrowDown);
            });
            if (!out)
                return where(r, "no line leaves towards a parent");
            const int end = std::min(target, n);
            int from = r;
            int column = out->column;
            const int lane = out->lane;
            if (out->type == LineType::ArrowDown) {
                if (target >= n)
                    continue; // leads out of the list
                for (from = r + 1; from < end; ++from) {
                    const GraphLine* up = findLine(from, [&](const GraphLine& l) {
                        return l.type == LineType::ArrowUp && l.target == target && l.lane == lane;
                    });
                    if (up) {
                        column = up->column;
                        break;
                    }
                }
                if (from == end)
                    return where(r, "a downward arrow without its upward arrow");
            }
            for (int k = from + 1; k < end; ++k) {
                const GraphLine* pass = findLine(k, [&](const GraphLine& l) {
                    return l.type == LineType::PassThrough && topColumn(l) == column &&
                           l.target == target && l.lane == lane;
                });
                if (!pass)
                    return where(k, "a line to a parent breaks off");
                column = pass->column;
            }
            if (target < n && !findLine(target, [&](const GraphLine& l) {
                    return l.type == LineType::BranchTo && l.column == column && l.lane == lane;
                }))
                return where(target, "a line does not reach its commit");
        }
    }
    return {};
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

    // A line of a topic (or of the main line) to a commit `distance` rows down: commits of the
    // main line fill the rows between.
    void compactCutsOnlyLongLinesOffTheMainLine_data() {
        QTest::addColumn<int>("distance");
        QTest::addColumn<bool>("onMainLine");
        QTest::addColumn<bool>("cut");
        QTest::newRow("topic, 30 rows") << 30 << false << false;
        QTest::newRow("topic, 31 rows") << 31 << false << true;
        QTest::newRow("topic, 200 rows") << 200 << false << true;
        QTest::newRow("main line, 200 rows") << 200 << true << false;
    }
    void compactCutsOnlyLongLinesOffTheMainLine() {
        QFETCH(int, distance);
        QFETCH(bool, onMainLine);
        QFETCH(bool, cut);
        // Row 0 has its parent at row `distance`; the rows between are a line of their own
        // (the main line, or a side line when row 0 is the main line).
        QList<GitCommit> commits;
        GitCommit tip = commit("tip", P({"fork"}), onMainLine ? "HEAD -> main" : "topic");
        commits.append(tip);
        for (int i = 1; i < distance; ++i) {
            const QByteArray id = "x" + QByteArray::number(i);
            const QByteArray next = i + 1 < distance ? "x" + QByteArray::number(i + 1) : "fork";
            commits.append(commit(id.constData(), P({next.constData()}),
                                  i == 1 && !onMainLine ? "HEAD -> main" : ""));
        }
        commits.append(commit("fork", {}));
        const CommitGraphLayout layout = compactGraphLayout(commits, {}, CompactGraphOptions{});
        QCOMPARE(brokenPromise(commits, layout, 10), QString());
        const auto has = [&](int row, LineType type) {
            return std::any_of(layout.rows[row].lines.cbegin(), layout.rows[row].lines.cend(),
                               [&](const GraphLine& l) { return l.type == type; });
        };
        QCOMPARE(has(0, LineType::ArrowDown), cut);
        // The line comes back three rows above the commit it leads to.
        QCOMPARE(has(distance - 3, LineType::ArrowUp), cut);
        QCOMPARE(has(distance / 2, LineType::PassThrough), !cut);
        // The main line keeps column 0; the other line takes the next.
        for (int r = 0; r < commits.size() - 1; r += 7)
            QCOMPARE(layout.rows[r].column, (r == 0) == onMainLine ? 0 : 1);
        QCOMPARE(layout.rows.last().column, 0);
    }

    // The layout's promises on the shapes of real histories.
    void compactLayoutKeepsItsPromises_data() {
        QTest::addColumn<QString>("shape");
        QTest::addColumn<int>("loaded"); // rows of the history loaded so far; 0: all
        QTest::addColumn<int>("columns");
        QTest::newRow("linear") << u"linear"_s << 0 << 10;
        QTest::newRow("many concurrent topics") << u"git"_s << 0 << 10;
        QTest::newRow("many concurrent topics, first page") << u"git"_s << 400 << 10;
        QTest::newRow("many concurrent topics, 6 columns") << u"git"_s << 0 << 6;
        QTest::newRow("octopus merges") << u"octopus"_s << 0 << 10;
        QTest::newRow("criss-cross merges") << u"criss-cross"_s << 0 << 10;
        QTest::newRow("many roots") << u"roots"_s << 0 << 10;
        QTest::newRow("release branches") << u"release"_s << 0 << 10;
        QTest::newRow("random, seed 1") << u"random 1"_s << 0 << 10;
        QTest::newRow("random, seed 2, 14 columns") << u"random 2"_s << 0 << 14;
    }
    void compactLayoutKeepsItsPromises() {
        QFETCH(QString, shape);
        QFETCH(int, loaded);
        QFETCH(int, columns);
        const int count = 1500;
        const test::ShapedHistory history =
            shape == u"linear"        ? test::linearHistory(count)
            : shape == u"git"         ? test::gitLikeHistory(count)
            : shape == u"octopus"     ? test::octopusHistory(count)
            : shape == u"criss-cross" ? test::crissCrossHistory(count)
            : shape == u"roots"       ? test::manyRootsHistory(count)
            : shape == u"release"     ? test::releaseBranchHistory(count)
                                      : test::randomHistory(count, shape.back().digitValue());
        QList<GitCommit> commits = test::logOf(history);
        if (loaded > 0)
            commits.resize(loaded);
        const QString head = commits.first().id;
        CompactGraphOptions options;
        options.maxColumns = columns;
        const CommitGraphLayout layout = compactGraphLayout(commits, head, options);
        QCOMPARE(brokenPromise(commits, layout, columns), QString());
        QCOMPARE(layout.missingParents.isEmpty(), loaded == 0);
        QCOMPARE(compactGraphLayout(commits, head, options), layout);
        // Made a part at a time (a view lays out the rows it shows first), the rows are the same.
        CompactGraphLayouter layouter(commits, head, options);
        CommitGraphLayout parts;
        for (int row = 0; row < commits.size(); row += 1 + row % 97)
            layouter.layOutThrough(row, parts);
        layouter.layOutThrough(int(commits.size()) - 1, parts);
        QCOMPARE(parts, layout);

        // Loaded a page at a time, each page's layout continuing the last one's (laid out as far
        // as a view got), the rows are those of the whole list laid out at once.
        std::unique_ptr<CompactGraphLayouter> paged;
        CommitGraphLayout pagedLayout;
        for (qsizetype loaded = 100;; loaded = std::min(loaded + 100, commits.size())) {
            const QList<GitCommit> page = commits.first(loaded);
            const qsizetype laidOut = pagedLayout.rows.size();
            // The rows of the previous page are known to be the same (as the view knows them).
            paged = paged ? std::make_unique<CompactGraphLayouter>(
                                page, head, options, std::move(*paged), pagedLayout, loaded - 100)
                          : std::make_unique<CompactGraphLayouter>(page, head, options);
            // Only the last rows that the new ones can change were dropped.
            QVERIFY(pagedLayout.rows.size() >= laidOut - 40);
            paged->layOutThrough(int(loaded) - 1 - int(loaded / 100 % 3) * 20, pagedLayout);
            if (loaded % 300 == 0 || loaded == commits.size()) {
                paged->layOutThrough(int(loaded) - 1, pagedLayout);
                QCOMPARE(pagedLayout, compactGraphLayout(page, head, options));
            }
            if (loaded == commits.size())
                break;
        }

        // With the setting off, the view's rows are those of the lane-per-branch layout.
        const CommitGraphLayout rows = CommitGraphCalculator::layoutRows(commits, head);
        const auto byId = CommitGraphCalculator::calculate(commits, head);
        for (qsizetype r = 0; r < commits.size(); ++r)
            QCOMPARE(rows.rows[r], byId.value(commits[r].id));

        // That layout, too, continues page by page, keeping the rows above each page; also when
        // the main line first shows on a later page, which moves every lane once.
        QList<GitCommit> mainLater = commits;
        mainLater.first().refs = u"HEAD -> topic"_s;
        mainLater[250].refs = u"main"_s;
        for (const bool late : {false, true}) {
            const QList<GitCommit>& list = late ? mainLater : commits;
            const auto mainRow = std::find_if(list.cbegin(), list.cend(), [](const GitCommit& c) {
                return CommitGraphCalculator::namesMainBranch(c.refs);
            });
            const qsizetype firstMain = mainRow - list.cbegin();
            LaneGraphLayouter lanes;
            CommitGraphLayout lanePages;
            for (qsizetype loaded = 100;; loaded = std::min(loaded + 100, list.size())) {
                const QList<GitCommit> page = list.first(loaded);
                const qsizetype laidOut = lanePages.rows.size();
                const int from = lanes.layOut(page, head, lanePages, late ? laidOut : 0);
                // Kept, unless the first main line commit is in the new rows.
                const bool moved = laidOut > 0 && firstMain >= laidOut && firstMain < loaded;
                QCOMPARE(from, moved ? 0 : int(laidOut));
                if (loaded % 300 == 0 || loaded == list.size())
                    QCOMPARE(lanePages, CommitGraphCalculator::layoutRows(page, head));
                if (loaded == list.size())
                    break;
            }
        }
    }

    // A damaged list can name a parent above its child: the line still leaves at the bottom, and
    // the page after it carries that line on as the whole list does.
    void compactPagesKeepLinesToParentsAboveTheirChild() {
        const QList<std::pair<QString, QStringList>> shape = {
            {u"c0"_s, {u"c1"_s, u"c6"_s}},
            {u"c1"_s, {u"c8"_s, u"c5"_s}},
            {u"c2"_s, {u"c8"_s, u"x1"_s, u"c8"_s}},
            {u"c3"_s, {u"c5"_s}},
            {u"c4"_s, {u"c5"_s}},
            {u"c5"_s, {u"c6"_s}},
            {u"c6"_s, {u"c8"_s, u"c7"_s, u"c7"_s}},
            {u"c7"_s, {u"c6"_s}},
            {u"c8"_s, {}}};
        QList<GitCommit> commits;
        for (const auto& [id, parents] : shape) {
            GitCommit commit;
            commit.id = id;
            commit.parents = parents;
            commits.append(commit);
        }
        CompactGraphOptions options;
        options.cutAfterRows = 3;
        options.resumeRows = 1;
        options.maxColumns = 8;
        options.settleRows = 1;
        const QString head = u"c0"_s;
        CommitGraphLayout pages;
        auto layouter = std::make_unique<CompactGraphLayouter>(commits.first(1), head, options);
        layouter->layOutThrough(0, pages);
        layouter = std::make_unique<CompactGraphLayouter>(commits.first(8), head, options,
                                                          std::move(*layouter), pages, 1);
        layouter->layOutThrough(7, pages);
        layouter = std::make_unique<CompactGraphLayouter>(commits, head, options,
                                                          std::move(*layouter), pages, 8);
        layouter->layOutThrough(8, pages);
        QCOMPARE(pages, compactGraphLayout(commits, head, options));
    }

    // Pointing at a commit brings forward the lines into it and those down to its parents.
    void highlightFollowsACommitsLines() {
        // M merges T2 into main; T2 and T1 fork from B, as does A on main.
        const QList<GitCommit> commits{commit("M", P({"A", "T2"}), "HEAD -> main"),
                                       commit("T2", P({"T1"})), commit("A", P({"B"})),
                                       commit("T1", P({"B"})), commit("B", {})};
        const CommitGraphLayout layout = compactGraphLayout(commits, {}, CompactGraphOptions{});
        QCOMPARE(brokenPromise(commits, layout, 10), QString());
        const auto covered = [&](const GraphHighlight& h, int row) {
            QStringList kinds;
            for (const GraphLine& line : layout.rows[row].lines) {
                if (h.covers(row, line))
                    kinds.append(QStringLiteral("%1@%2").arg(int(line.type)).arg(line.column));
            }
            return kinds.join(u' ');
        };
        const GraphHighlight merge(layout, 0);
        QVERIFY(!covered(merge, 0).isEmpty());
        // Row 1: main's line down to A passes (1@0), the merged line comes into T2 (3@1) and
        // ends at its node (0@1); T2's own line onwards is not the merge's.
        QCOMPARE(covered(merge, 1), u"1@0 3@1 0@1"_s);
        QCOMPARE(covered(merge, 2), u"3@0 0@0"_s); // main's line reaches A
        QCOMPARE(covered(merge, 3), QString());    // nothing below the parents
        const GraphHighlight t1(layout, 3);
        QCOMPARE(covered(t1, 0), QString());
        QVERIFY(covered(t1, 1).contains(u"2@1"_s)); // T2's line leaving towards T1
        QVERIFY(!GraphHighlight().isActive());
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
            // Up to three random parents each can need more lanes than ten columns hold, so
            // only the lines are checked here, not that every node fits.
            const int anyWidth = std::numeric_limits<int>::max();
            QCOMPARE(brokenPromise(commits, compactGraphLayout(commits, {}, {}), anyWidth),
                     QString());

            // Damaged lists: ids repeat, parents are listed above their children or form
            // cycles. The compact layout still keeps its lines whole.
            QList<GitCommit> damaged = commits;
            for (GitCommit& c : damaged) {
                c.id = QStringLiteral("c%1").arg(c.id.mid(1).toInt() % 9);
                if (random.bounded(5) == 0)
                    c.parents.append(QStringLiteral("c%1").arg(random.bounded(9)));
            }
            QCOMPARE(brokenPromise(damaged, compactGraphLayout(damaged, {}, {}), anyWidth),
                     QString());
        }
    }
};

QTEST_GUILESS_MAIN(TestCommitGraph)
#include "tst_CommitGraph.moc"
