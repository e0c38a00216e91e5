#include "ViewTestSupport.h"
#include "engine/GitRunnerConfig.h"
#include "graph/CommitGraphCalculator.h"
#include "settings/AppSettings.h"
#include "state/HistoryEditor.h"
#include "state/RepositoryState.h"
#include "state/SignatureBadges.h"
#include "state/StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/SigningKeys.h"
#include "support/TestEnvironment.h"
#include "support/historyShapes.h"
#include "ui/changes/ChangesListModel.h"
#include "ui/changes/ChangesView.h"
#include "ui/common/ConfirmationAlert.h"
#include "ui/common/viewColors.h"
#include "ui/diff/DiffView.h"
#include "ui/diff/HunkDiffView.h"
#include "ui/diff/HunkScrollArea.h"
#include "ui/history/CommitGraphView.h"
#include "ui/history/CommitLogModel.h"
#include "ui/history/CommitLogView.h"
#include "ui/history/CommitRowDelegate.h"
#include "ui/history/GraphInteraction.h"
#include "ui/history/refBadges.h"
#include "ui/historyedit/HistoryPlanView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QCheckBox>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace tolvane;

namespace {

QStringList menuTexts(CommitLogView& view, const GitCommit& commit, QMenu* menu) {
    view.buildContextMenu(commit, menu);
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            texts.append(action->text());
    }
    return texts;
}

void trigger(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text)
            return action->trigger();
    }
    QFAIL(qPrintable(QStringLiteral("no menu item ") + text));
}

// main with a feature branch merged back, a tag and a remote-looking branch name.
void makeBranchyHistory(test::RepoFixture& repo) {
    repo.writeFile(QStringLiteral("a.txt"), "1\n");
    repo.commitAll(QStringLiteral("First commit"));
    repo.writeFile(QStringLiteral("a.txt"), "2\n");
    repo.commitAll(QStringLiteral("Second commit"));
    repo.git({QStringLiteral("tag"), QStringLiteral("v1.0")});
    repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-b"),
              QStringLiteral("feature")});
    repo.writeFile(QStringLiteral("f.txt"), "f1\n");
    repo.commitAll(QStringLiteral("Feature work"));
    repo.writeFile(QStringLiteral("f.txt"), "f2\n");
    repo.commitAll(QStringLiteral("More feature work 🚀 עברית"));
    repo.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("main")});
    repo.writeFile(QStringLiteral("b.txt"), "b\n");
    repo.commitAll(QStringLiteral("Work on main"));
    repo.advanceClock();
    repo.git({QStringLiteral("merge"), QStringLiteral("-q"), QStringLiteral("--no-ff"),
              QStringLiteral("-m"), QStringLiteral("Merge feature"), QStringLiteral("feature")});
}

// Makes `history` in the repository with git fast-import and checks out its HEAD branch.
void importHistory(test::RepoFixture& repo, const test::ShapedHistory& history) {
    QProcess git;
    git.setWorkingDirectory(repo.path());
    git.start(QStringLiteral("/usr/bin/git"),
              {QStringLiteral("fast-import"), QStringLiteral("--quiet")});
    git.write(test::fastImportStream(history));
    git.closeWriteChannel();
    QVERIFY(git.waitForFinished(-1));
    QCOMPARE(git.exitCode(), 0);
    for (const test::ShapedCommit& c : history.commits) {
        for (const QString& ref : c.refs) {
            if (ref.startsWith(u"HEAD -> "))
                repo.git({QStringLiteral("symbolic-ref"), QStringLiteral("HEAD"),
                          QStringLiteral("refs/heads/") + ref.mid(8)});
        }
    }
    repo.git(
        {QStringLiteral("update-ref"), QStringLiteral("-d"), QStringLiteral("refs/heads/scratch")});
    repo.git({QStringLiteral("reset"), QStringLiteral("-q"), QStringLiteral("--hard")});
}

test::ShapedHistory historyShaped(const QString& shape) {
    if (shape == u"octopus")
        return test::octopusHistory(3000);
    if (shape == u"release")
        return test::releaseBranchHistory(3000);
    return test::gitLikeHistory(3000);
}

// The rows the list shows now.
QPair<int, int> rowsOnScreen(CommitLogView& view) {
    QListView* list = view.list();
    const int first = list->indexAt(QPoint(1, 0)).row();
    int last = list->indexAt(QPoint(1, list->viewport()->height() - 1)).row();
    if (last < 0)
        last = view.model()->rowCount() - 1;
    return {first, std::min<int>(last, int(view.graph().rows.size()) - 1)};
}

bool onScreen(CommitLogView& view, int row) {
    return view.list()->viewport()->rect().intersects(
        view.list()->visualRect(view.model()->index(row)));
}

} // namespace

class TestCommitLogView : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void init() {
        AppSettings::setShowCommitGraph(true);
        AppSettings::setMaxGraphColumns(10);
        AppSettings::setShortenBranchLines(true);
    }
    void badgesAndGraphGeometry();
    void historyWithBranchesAndMerges();
    void pagingAndGraphRecomputation();
    void readableGraphOnRealHistories_data();
    void readableGraphOnRealHistories();
    void graphArrowsHoverAndWidth();
    void tagSheet();
    void branchCheckoutAndDateFromTheMenu();
    void confirmationsFollowTheirFlags();
    void endToEndStageLinesAndCommit();
    void historyPlanFromTheMenuAndKeys();
    void signatureBadgesFillInAfterPainting();
};

void TestCommitLogView::badgesAndGraphGeometry() {
    const QStringList labels = parseRefs(QStringLiteral("HEAD -> main, origin/main, tag: v1.0"));
    QCOMPARE(labels, (QStringList{QStringLiteral("HEAD"), QStringLiteral("main"),
                                  QStringLiteral("origin/main"), QStringLiteral("tag: v1.0")}));
    QCOMPARE(refColor(labels[0]), ViewColors::red());
    QCOMPARE(refColor(labels[1]), ViewColors::green());
    QCOMPARE(refColor(labels[2]), ViewColors::purple());
    QCOMPARE(refColor(labels[3]), ViewColors::orange());
    QCOMPARE(parseRefs(QStringLiteral("HEAD")), QStringList{QStringLiteral("HEAD")});

    // Five visible lanes of eight: 12 × 5 + 8 + 10 points, dots from x = 64.
    CommitGraphData data;
    data.column = 6;
    data.maxColumn = 7;
    data.lines = {{6, LineType::Commit, Qt::red}, {1, LineType::PassThrough, Qt::green}};
    QCOMPARE(CommitGraphView::canvasWidth(data, 5, 12), 78.0);
    QCOMPARE(CommitGraphView::laneX(7, 5, 12), 12.0 * 4 + 6 + 4);
    QImage image(80, 50, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        CommitGraphView::paint(painter, QPointF(0, 0), data, 5, 12, 50, Qt::black);
    }
    // The node in lane 6 is not drawn; lane 1 is; the dots are.
    QCOMPARE(image.pixelColor(int(CommitGraphView::laneX(1, 5, 12)), 5).green() > 100, true);
    QCOMPARE(image.pixelColor(int(CommitGraphView::laneX(6, 5, 12)), 25).alpha(), 0);
    QVERIFY(image.pixelColor(65, 25).alpha() > 0);
}

void TestCommitLogView::historyWithBranchesAndMerges() {
    test::RepoFixture repo;
    makeBranchyHistory(repo);
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    CommitLogView view(state.get(), nullptr);
    view.resize(520, 420);
    view.show();
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("historyCount"))->text(),
             QString::number(state->commits().size()) + QStringLiteral(" commits"));
    QVERIFY(!state->hasMoreCommits());
    QVERIFY(!test::child<QPushButton>(&view, QStringLiteral("loadMoreCommitsButton")));
    QCOMPARE(view.model()->rowCount(), state->commits().size());

    // The merge row has its second parent's lane leaving downwards.
    const GitCommit head = state->commits().first();
    QCOMPARE(head.message, QStringLiteral("Merge feature"));

    // Dates are put in words when painted, counted to the clock's now, and a timer repaints the
    // rows: they age while the list is open.
    QCOMPARE(
        QString::number(head.authorTime),
        repo.git({QStringLiteral("log"), QStringLiteral("-1"), QStringLiteral("--format=%at")}));
    auto now = std::make_shared<qint64>(head.authorTime + 150);
    view.delegate()->setClock([now] { return *now; });
    QCOMPARE(view.delegate()->dateText(head), QStringLiteral("3 minutes ago"));
    *now += 3600;
    QCOMPARE(view.delegate()->dateText(head), QStringLiteral("63 minutes ago"));
    const auto* aging = view.findChild<QTimer*>(QStringLiteral("relativeDateTimer"));
    QVERIFY(aging && aging->isActive() && aging->interval() <= 60 * 1000);
    const CommitGraphData headData = view.graph().rows.value(0);
    QVERIFY(headData.isHead);
    QVERIFY(std::any_of(headData.lines.cbegin(), headData.lines.cend(),
                        [](const GraphLine& l) { return l.type == LineType::MergeFrom; }));

    // Menus of the HEAD row and an older one.
    QMenu headMenu;
    const QStringList headItems = menuTexts(view, head, &headMenu);
    QVERIFY(headItems.contains(QStringLiteral("Pop Commit")));
    QVERIFY(!headItems.contains(QStringLiteral("Cherry-pick…")));
    QVERIFY(!headItems.contains(QStringLiteral("Reset to Here…")));
    QCOMPARE(headItems.first(), QStringLiteral("Copy Commit Hash"));
    QMenu oldMenu;
    const QStringList oldItems = menuTexts(view, state->commits().last(), &oldMenu);
    QVERIFY(oldItems.contains(QStringLiteral("Cherry-pick…")));
    QVERIFY(oldItems.contains(QStringLiteral("Reset to Here…")));
    QVERIFY(!oldItems.contains(QStringLiteral("Pop Commit")));

    // Clicking rows selects; Ctrl adds; the squash item appears for two adjacent commits.
    const QRect first = view.list()->visualRect(view.model()->index(0));
    const QRect second = view.list()->visualRect(view.model()->index(1));
    QTest::mouseClick(view.list()->viewport(), Qt::LeftButton, {}, first.center());
    QCOMPARE(state->selectedCommits(), QSet<QString>{head.id});
    QTest::mouseClick(view.list()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      second.center());
    QCOMPARE(state->selectedCommits().size(), 2);
    if (state->canSquashSelectedCommits()) {
        QMenu squashMenu;
        QVERIFY(menuTexts(view, head, &squashMenu).contains(QStringLiteral("Squash 2 Commits…")));
    }

    // Pop through the dialog.
    trigger(&headMenu, QStringLiteral("Pop Commit"));
    auto* dialog = view.findChild<ConfirmationAlert*>(QStringLiteral("popCommitDialog"));
    QVERIFY(dialog);
    QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("dialogTitle"))->text(),
             QStringLiteral("Pop Commit?"));
    QTest::mouseClick(dialog->button(QStringLiteral("Cancel")), Qt::LeftButton);
    QVERIFY(!state->showPopCommitConfirmation());

    // The branch filter button.
    auto* filter = test::child<QToolButton>(&view, QStringLiteral("branchFilterButton"));
    const bool hiding = state->hideResetBranches();
    QCOMPARE(filter->toolTip(), hiding ? QStringLiteral("Show all branches")
                                       : QStringLiteral("Show current branch only"));
    QTest::mouseClick(filter, Qt::LeftButton);
    QCOMPARE(state->hideResetBranches(), !hiding);
    QTRY_VERIFY_WITH_TIMEOUT(!state->isLoading(), 20000);

    test::saveLightAndDark(&view, QStringLiteral("history-graph"));

    // Without the graph every row starts 8 points in.
    AppSettings::setShowCommitGraph(false);
    QCOMPARE(view.delegate()->textLeft(), 8.0);
    AppSettings::setShowCommitGraph(true);
    QVERIFY(view.delegate()->textLeft() > 8.0);
}

void TestCommitLogView::pagingAndGraphRecomputation() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "1\n");
    repo.commitAll(QStringLiteral("start"));
    test::importCommits(repo, 350);
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    QVERIFY(state->hasMoreCommits());
    CommitLogView view(state.get(), nullptr);
    view.resize(500, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTRY_COMPARE(view.graphComputations(), 1);
    view.list()->viewport()->repaint();
    view.list()->verticalScrollBar()->setValue(500);
    view.list()->viewport()->repaint();
    QCOMPARE(view.graphComputations(), 1); // painting and scrolling reuse the layout

    // Scrolling to the end loads the next page by itself.
    const qsizetype before = state->commits().size();
    view.list()->scrollToBottom();
    QTRY_VERIFY_WITH_TIMEOUT(state->commits().size() > before, 20000);
    QTRY_VERIFY(!state->isLoadingMore());
    view.list()->viewport()->repaint();
    QCOMPARE(view.graphComputations(), 2);
    QCOMPARE(view.graph().rows.size(), state->commits().size());

    // The button stays and loads the page after.
    QVERIFY(state->hasMoreCommits());
    auto* more = test::child<QPushButton>(&view, QStringLiteral("loadMoreCommitsButton"));
    QVERIFY(more);
    QCOMPARE(more->text(), QStringLiteral("Load More Commits"));
    const qsizetype scrolled = state->commits().size();
    QTest::mouseClick(more, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(state->commits().size() > scrolled, 20000);
    QTRY_VERIFY(!state->isLoadingMore());
    QVERIFY(state->hasMoreCommits());
}

void TestCommitLogView::readableGraphOnRealHistories_data() {
    QTest::addColumn<QString>("shape");
    QTest::newRow("git's own: many concurrent topics") << QStringLiteral("git");
    QTest::newRow("octopus merges") << QStringLiteral("octopus");
    QTest::newRow("long-lived release branches") << QStringLiteral("release");
}

// A pane 450 wide over the first 600 commits, with long lines shortened and not; the
// screenshots are for people to judge whether a topic can be followed from merge to fork.
void TestCommitLogView::readableGraphOnRealHistories() {
    QFETCH(QString, shape);
    test::RepoFixture repo;
    importHistory(repo, historyShaped(shape));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    const QString deep = repo.git({QStringLiteral("rev-parse"), QStringLiteral("HEAD~300")});
    QVERIFY(test::await(state->loadCommitsThrough(deep)));
    CommitLogView view(state.get(), nullptr);
    view.resize(450, 1500);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    CommitRowDelegate* delegate = view.delegate();
    for (const bool shorten : {true, false}) {
        AppSettings::setShortenBranchLines(shorten);
        view.list()->scrollToTop();
        view.list()->viewport()->repaint();
        QTRY_COMPARE(delegate->graphWidth(), view.graphInteraction()->targetWidth());
        // Subjects keep more than half of the pane.
        QVERIFY(delegate->textLeft() <= view.list()->viewport()->width() * 0.45);
        const auto [first, last] = rowsOnScreen(view);
        QVERIFY(last - first > 20);
        for (int r = first; shorten && r <= last; ++r)
            QVERIFY2(view.graph().rows[r].column < delegate->visibleColumns(),
                     qPrintable(QStringLiteral("row %1 has no node on screen").arg(r)));
        const QString name = QStringLiteral("history-%1-%2")
                                 .arg(shape, shorten ? u"shortened"_qs : u"unshortened"_qs);
        test::saveLightAndDark(&view, name);
        // Further down, where the topics' own commits are.
        view.list()->scrollTo(view.model()->index(400), QAbstractItemView::PositionAtTop);
        QTRY_COMPARE(delegate->graphWidth(), view.graphInteraction()->targetWidth());
        test::saveLightAndDark(&view, name + QStringLiteral("-row400"));
    }
    // A page loaded meanwhile continues the unshortened layout to the rows of the whole list.
    test::await(state->loadMoreCommits());
    QCOMPARE(view.graph(),
             CommitGraphCalculator::layoutRows(state->commits(), state->headCommitHash()));
}

// Arrows of shortened lines lead to their commits (loading pages when needed), the graph
// under the pointer brings its commit's lines forward, and the graph column follows the rows on
// screen without jumping.
void TestCommitLogView::graphArrowsHoverAndWidth() {
    test::RepoFixture repo;
    importHistory(repo, test::gitLikeHistory(3000));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    CommitLogView view(state.get(), nullptr);
    view.resize(450, 900);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QListView* list = view.list();
    QWidget* viewport = list->viewport();
    GraphInteraction* interaction = view.graphInteraction();
    const auto arrowPoint = [&](int row, const GraphLine& arrow) {
        const QRect rect = list->visualRect(view.model()->index(row));
        const qreal x = CommitGraphView::laneX(arrow.column, view.delegate()->visibleColumns(),
                                               CommitGraphView::defaultColumnWidth);
        const int y = arrow.type == LineType::ArrowUp ? 8 : 25 + 16;
        return QPoint(rect.left() + int(x), rect.top() + y);
    };
    const auto findArrow = [&](LineType type, auto wanted) -> QPair<int, GraphLine> {
        const CommitGraphLayout& layout = view.graph();
        for (int r = 0; r < layout.rows.size(); ++r) {
            for (const GraphLine& line : layout.rows[r].lines) {
                if (line.type == type && wanted(r, line))
                    return {r, line};
            }
        }
        return {-1, {}};
    };

    // A downward arrow to a listed commit below the screen: its tooltip names the commit, a
    // click brings it on screen and selects nothing.
    const int rows = int(view.graph().rows.size());
    const auto [from, down] = findArrow(LineType::ArrowDown, [&](int r, const GraphLine& l) {
        return r < 10 && l.target < rows && !onScreen(view, l.target);
    });
    QVERIFY(from >= 0);
    const GitCommit* target = view.model()->commit(down.target);
    QCOMPARE(interaction->arrowToolTip(down), QStringLiteral("Continues to ") + target->shortHash +
                                                  QLatin1Char(' ') + target->message +
                                                  QStringLiteral("\nClick to go there."));
    const QSet<QString> selected = state->selectedCommits();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, arrowPoint(from, down));
    QTRY_VERIFY(onScreen(view, down.target));
    QCOMPARE(state->selectedCommits(), selected);

    // Its upward arrow, above that commit, leads back up to the nearest commit it comes from.
    const auto [resumed, up] = findArrow(
        LineType::ArrowUp, [&](int, const GraphLine& l) { return l.target == down.target; });
    QVERIFY(resumed > from && resumed < down.target);
    QVERIFY(up.source >= from && up.source < resumed);
    list->scrollTo(view.model()->index(resumed));
    viewport->repaint();
    QVERIFY(interaction->arrowToolTip(up).startsWith(u"Comes from "_qs));
    QTest::mouseClick(viewport, Qt::LeftButton, {}, arrowPoint(resumed, up));
    QTRY_VERIFY(onScreen(view, up.source));

    // An arrow to a commit not loaded yet loads pages down to it.
    const auto [edge, away] =
        findArrow(LineType::ArrowDown, [&](int, const GraphLine& l) { return l.target >= rows; });
    QVERIFY(edge >= 0);
    const QString missing = view.graph().missingParents.at(away.target - rows);
    QVERIFY(interaction->arrowToolTip(away).contains(u"not loaded yet"_qs));
    list->scrollTo(view.model()->index(edge));
    viewport->repaint();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, arrowPoint(edge, away));
    QTRY_VERIFY_WITH_TIMEOUT(view.model()->rowCount() > rows && !state->isLoadingMore(), 20000);
    int found = -1;
    for (int r = 0; r < view.model()->rowCount() && found < 0; ++r) {
        if (view.model()->commit(r) && view.model()->commit(r)->id == missing)
            found = r;
    }
    QVERIFY(found >= rows);
    QTRY_VERIFY(onScreen(view, found));
    test::saveLightAndDark(&view, QStringLiteral("history-git-after-following-an-arrow"));

    // The pointer over a node highlights that commit; over the subjects, nothing.
    list->scrollToTop();
    QTRY_COMPARE(view.delegate()->graphWidth(), interaction->targetWidth());
    const int hovered = 3;
    const QRect rect = list->visualRect(view.model()->index(hovered));
    const int nodeX = int(CommitGraphView::laneX(view.graph().rows[hovered].column,
                                                 view.delegate()->visibleColumns(),
                                                 CommitGraphView::defaultColumnWidth));
    QTest::mouseMove(viewport, QPoint(rect.left() + nodeX, rect.center().y()));
    QTRY_COMPARE(interaction->highlight().row(), hovered);
    test::saveLightAndDark(&view, QStringLiteral("history-git-hover"));
    QTest::mouseMove(viewport, QPoint(rect.right() - 20, rect.center().y()));
    QTRY_VERIFY(!interaction->highlight().isActive());

    // Scrolling: the width follows the widest row on screen, and when it grows it glides from
    // where it was instead of jumping.
    bool glided = false;
    QScrollBar* bar = list->verticalScrollBar();
    for (int page = 0; page < 12 && bar->value() < bar->maximum(); ++page) {
        const qreal before = view.delegate()->graphWidth();
        bar->setValue(bar->value() + bar->pageStep());
        const qreal target = interaction->targetWidth();
        if (target > before + 1) {
            QCOMPARE(view.delegate()->graphWidth(), before);
            glided = true;
        }
        QTRY_COMPARE(view.delegate()->graphWidth(), target);
        const auto [first, last] = rowsOnScreen(view);
        qreal widest = CommitRowDelegate::noGraphGap;
        for (int r = first; r <= last; ++r)
            widest = std::max(widest, CommitGraphView::canvasWidth(
                                          view.graph().rows[r], view.delegate()->visibleColumns(),
                                          CommitGraphView::defaultColumnWidth));
        QCOMPARE(target, widest);
    }
    QVERIFY(glided);
}

void TestCommitLogView::tagSheet() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "1\n");
    repo.commitAll(QStringLiteral("Only commit"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    CommitLogView view(state.get(), nullptr);
    view.show();
    QMenu menu;
    menuTexts(view, state->commits().first(), &menu);
    trigger(&menu, QStringLiteral("Tag this Commit…"));
    auto* sheet = view.findChild<ConfirmationAlert*>(QStringLiteral("tagCommitSheet"));
    QVERIFY(sheet);
    QCOMPARE(test::child<QLabel>(sheet, QStringLiteral("dialogMessage"))->text(),
             state->commits().first().shortHash + QStringLiteral(" – Only commit"));
    auto* name = test::child<QLineEdit>(sheet, QStringLiteral("dialogField0"));
    QCOMPARE(name->placeholderText(), QStringLiteral("Tag name (e.g. v1.31.0)"));
    QCOMPARE(test::child<QLineEdit>(sheet, QStringLiteral("dialogField1"))->placeholderText(),
             QStringLiteral("Message (optional)"));
    QVERIFY(!sheet->button(QStringLiteral("Create Tag"))->isEnabled());
    QTest::keyClicks(name, QStringLiteral("v2.0"));
    QVERIFY(sheet->button(QStringLiteral("Create Tag"))->isEnabled());
    QTest::mouseClick(sheet->button(QStringLiteral("Create Tag")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(repo.git({QStringLiteral("tag")}).contains(QStringLiteral("v2.0")),
                             20000);
}

void TestCommitLogView::branchCheckoutAndDateFromTheMenu() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "1\n");
    repo.commitAll(QStringLiteral("start"));
    // One commit a day from 2024-01-02 on: commit 20 is the one of 2024-01-22.
    test::importCommits(repo, 300, QStringLiteral("main"), 24 * 60 * 60);
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    CommitLogView view(state.get(), nullptr);
    view.resize(500, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const GitCommit head = state->commits().first();
    const GitCommit older = state->commits().at(1);

    QMenu headMenu;
    const QStringList headTexts = menuTexts(view, head, &headMenu);
    QVERIFY(headTexts.contains(QStringLiteral("Create Branch Here…")));
    QVERIFY(headTexts.contains(QStringLiteral("Go to Date…")));
    QVERIFY(!headTexts.contains(QStringLiteral("Check Out Commit…")));

    QStringList answers{QStringLiteral("bad name"), QStringLiteral("at-older")};
    QStringList warnings;
    view.setBranchNamePrompt(
        [&](const QString&) -> std::optional<QString> { return answers.takeFirst(); });
    view.setWarningAlert([&](const QString& title, const QString&) { warnings.append(title); });
    QMenu menu;
    menuTexts(view, older, &menu);
    trigger(&menu, QStringLiteral("Create Branch Here…"));
    QCOMPARE(warnings, QStringList{QStringLiteral("Invalid Branch Name")});
    QTRY_COMPARE_WITH_TIMEOUT(
        repo.git({QStringLiteral("branch"), QStringLiteral("--list"), QStringLiteral("at-older"),
                  QStringLiteral("--format=%(objectname)")}),
        older.id, 20000);

    trigger(&menu, QStringLiteral("Check Out Commit…"));
    auto* checkout = view.findChild<ConfirmationAlert*>(QStringLiteral("checkoutCommitDialog"));
    QVERIFY(checkout && checkout->isVisible());
    QTest::mouseClick(checkout->button(QStringLiteral("Check Out")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(state->headCommitHash(), older.id, 20000);
    QCOMPARE(repo.gitStatus(
                 {QStringLiteral("symbolic-ref"), QStringLiteral("-q"), QStringLiteral("HEAD")}),
             1);

    // Going to a date far down lists the history to it and scrolls its commit into view.
    const QString twenty = repo.git({QStringLiteral("rev-parse"), QStringLiteral("main~279")});
    view.setDatePrompt([] { return std::optional<QDate>(QDate(2024, 1, 22)); });
    trigger(&menu, QStringLiteral("Go to Date…"));
    QTRY_VERIFY_WITH_TIMEOUT(state->selectedCommit() && state->selectedCommit()->id == twenty,
                             20000);
    int row = -1;
    for (int r = 0; r < view.model()->rowCount(); ++r) {
        if (view.model()->commit(r) && view.model()->commit(r)->id == twenty)
            row = r;
    }
    QVERIFY(row > 100);
    QTRY_VERIFY(view.list()->viewport()->rect().intersects(
        view.list()->visualRect(view.model()->index(row))));
}

void TestCommitLogView::confirmationsFollowTheirFlags() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "1\n");
    repo.commitAll(QStringLiteral("First"));
    repo.writeFile(QStringLiteral("a.txt"), "2\n");
    repo.commitAll(QStringLiteral("Second"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    const GitCommit head = state->commits().first();
    const GitCommit first = state->commits().last();

    // A flag already on when the view is made shows its dialog at once.
    state->askPopCommit();
    CommitLogView view(state.get(), nullptr);
    view.show();
    QPointer<ConfirmationAlert> pop =
        view.findChild<ConfirmationAlert*>(QStringLiteral("popCommitDialog"));
    QVERIFY(pop && pop->isVisible());
    QTest::keyClick(pop, Qt::Key_Escape);
    QVERIFY(!state->showPopCommitConfirmation());
    QTRY_VERIFY(!pop);

    // Escape on a sheet is its Cancel: the sheet closes and the reset never starts, so its
    // subject is still there.
    state->askResetToCommit(first);
    QTRY_VERIFY_WITH_TIMEOUT(view.findChild<ConfirmationAlert*>(QStringLiteral("resetSheet")),
                             20000);
    auto* sheet = view.findChild<ConfirmationAlert*>(QStringLiteral("resetSheet"));
    QTest::keyClicks(test::child<QLineEdit>(sheet, QStringLiteral("dialogField0")),
                     QStringLiteral("saved"));
    QCOMPARE(state->resetBranchName(), QStringLiteral("saved"));
    QTest::keyClick(sheet, Qt::Key_Escape);
    QVERIFY(!state->showResetSheet());
    QCOMPARE(state->commitToReset(), std::optional<GitCommit>(first));

    // A pressed button closes its dialog and clears the flag before the operation starts.
    state->askRevertCommit(head);
    QPointer<ConfirmationAlert> revert =
        view.findChild<ConfirmationAlert*>(QStringLiteral("revertCommitDialog"));
    QVERIFY(revert);
    bool closedFirst = false;
    connect(state.get(), &RepositoryState::commitToRevertChanged, &view, [&] {
        closedFirst = !state->showRevertConfirmation() && revert && !revert->isVisible();
    });
    QTest::mouseClick(revert->button(QStringLiteral("Revert")), Qt::LeftButton);
    QVERIFY(closedFirst);
    QTRY_VERIFY_WITH_TIMEOUT(
        test::logMessages().contains(QStringLiteral("Reverted ") + head.shortHash +
                                     QStringLiteral(" — changes staged for review")),
        20000);

    // Publishing names the remote's address exactly as it is configured.
    repo.git({QStringLiteral("remote"), QStringLiteral("add"), QStringLiteral("origin"),
              QStringLiteral("ssh://git@localhost:22877/srv/repo.git")});
    test::await(state->push());
    auto* publish = view.findChild<ConfirmationAlert*>(QStringLiteral("publishBranchDialog"));
    QVERIFY(publish && publish->isVisible());
    QCOMPARE(test::child<QLabel>(publish, QStringLiteral("dialogMessage"))->text(),
             QStringLiteral("The local branch \"main\" will be published to "
                            "ssh://git@localhost:22877/srv/repo.git and become visible to everyone "
                            "who clones this repository."));
    test::saveLightAndDark(publish, QStringLiteral("publish-dialog"));
    QTest::keyClick(publish, Qt::Key_Escape);
    QVERIFY(!state->showPublishBranchConfirmation());
}

void TestCommitLogView::endToEndStageLinesAndCommit() {
    test::RepoFixture repo;
    QByteArray original;
    for (int i = 1; i <= 8; ++i)
        original += "row " + QByteArray::number(i) + "\n";
    repo.writeFile(QStringLiteral("notes.txt"), original);
    repo.commitAll(QStringLiteral("Add notes"));
    QByteArray edited = original;
    edited.replace("row 3\nrow 4\n", "row three\nrow four\n");
    repo.writeFile(QStringLiteral("notes.txt"), edited);

    auto state = test::openState(repo.path());
    test::await(state->refresh());
    QWidget window;
    window.setObjectName(QStringLiteral("repositoryWindow"));
    auto* layout = new QHBoxLayout(&window);
    auto* splitter = new QSplitter(&window);
    auto* changes = new ChangesView(state.get(), splitter);
    auto* history = new CommitLogView(state.get(), splitter);
    auto* diff = new DiffView(state.get(), splitter);
    splitter->addWidget(changes);
    splitter->addWidget(history);
    splitter->addWidget(diff);
    splitter->setSizes({260, 340, 600});
    layout->addWidget(splitter);
    window.resize(1200, 640);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Select the unstaged file by clicking its row.
    ChangesListModel* model = changes->model();
    int row = -1;
    for (int r = 0; r < model->rowCount(); ++r) {
        if (const FileChange* f = model->file(r);
            f && f->path == QStringLiteral("notes.txt") && !f->isStaged)
            row = r;
    }
    QVERIFY(row >= 0);
    QTest::mouseClick(changes->listOfRow(row)->viewport(), Qt::LeftButton, {},
                      changes->listOfRow(row)->visualRect(changes->viewIndex(row)).center());
    QTRY_COMPARE_WITH_TIMEOUT(diff->mode(), DiffView::Mode::Hunks, 20000);

    // Pick "+row three" and "-row 3" in the hunk and stage just them.
    HunkScrollArea* area = diff->hunkView()->scrollArea();
    const DiffHunk hunk = area->hunks().at(0);
    QTest::mouseClick(area->viewport(), Qt::LeftButton, {},
                      area->partRect(0, HunkBlockView::Part::LineSelectionToggle).center());
    for (const QString& line : {QStringLiteral("-row 3"), QStringLiteral("+row three")}) {
        const int index = int(hunk.lines.indexOf(line));
        QVERIFY(index > 0);
        QTest::mouseClick(area->viewport(), Qt::LeftButton, {},
                          area->partRect(0, HunkBlockView::Part::LineCheckbox, index).center());
    }
    QCOMPARE(state->lineSelectionsByHunkID().value(hunk.id).size(), 2);
    test::saveLightAndDark(&window, QStringLiteral("window-line-selection"));
    QTest::mouseClick(area->viewport(), Qt::LeftButton, {},
                      area->partRect(0, HunkBlockView::Part::StageLines).center());
    QTRY_VERIFY_WITH_TIMEOUT(
        test::findChange(*state, QStringLiteral("notes.txt"), true).has_value() &&
            !state->isLoadingDiff(),
        20000);

    // Write the message and commit with the keyboard.
    auto* message = test::child<QPlainTextEdit>(changes, QStringLiteral("commitMessageEdit"));
    QTest::mouseClick(message->viewport(), Qt::LeftButton);
    QTest::keyClicks(message, QStringLiteral("Rename row 3"));
    auto* commitButton = test::child<QPushButton>(changes, QStringLiteral("commitButton"));
    QCOMPARE(commitButton->text(), QStringLiteral("Commit (1 file)"));
    QVERIFY(commitButton->isEnabled());
    QTest::keyClick(message, Qt::Key_Return, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(!state->commits().isEmpty() &&
                                 state->commits().first().message == QStringLiteral("Rename row 3"),
                             20000);
    QTRY_VERIFY_WITH_TIMEOUT(!state->isCommitting(), 20000);

    // The top of the history is that commit, with exactly the two chosen lines.
    CommitLogModel* log = history->model();
    QCOMPARE(log->commit(0)->message, QStringLiteral("Rename row 3"));
    const QString shown =
        repo.git({QStringLiteral("show"), QStringLiteral("--format="), QStringLiteral("HEAD")});
    QStringList changed;
    for (const QString& line : shown.split(QLatin1Char('\n'))) {
        if ((line.startsWith(QLatin1Char('+')) || line.startsWith(QLatin1Char('-'))) &&
            !line.startsWith(QStringLiteral("+++")) && !line.startsWith(QStringLiteral("---")))
            changed.append(line);
    }
    QCOMPARE(changed, (QStringList{QStringLiteral("-row 3"), QStringLiteral("+row three")}));
    // The rest is still waiting in the working tree.
    QVERIFY(test::findChange(*state, QStringLiteral("notes.txt"), false).has_value());
    QVERIFY(message->toPlainText().isEmpty());
    test::saveLightAndDark(&window, QStringLiteral("window-after-commit"));
}

void TestCommitLogView::historyPlanFromTheMenuAndKeys() {
    GitRunnerConfig config = GitRunnerConfig::current();
    config.helperExecutable = QStringLiteral(TOLVANE_TEST_HELPER);
    GitRunnerConfig::set(config);
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("base.txt"), "base\n");
    const QString base = repo.commitAll(QStringLiteral("base"));
    const QStringList subjects{"Add the parser", "Teach the parser numbers", "Add tests",
                               "fixup! Add the parser", "Write the manual"};
    for (qsizetype i = 0; i < subjects.size(); ++i) {
        repo.writeFile(QStringLiteral("f%1.txt").arg(i), QByteArray::number(i) + "\n");
        repo.commitAll(subjects[i]);
    }
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    CommitLogView view(state.get(), nullptr);
    view.resize(720, 420);
    view.show();
    view.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&view));
    auto* plan = view.findChild<HistoryPlanView*>(QStringLiteral("historyPlanView"));
    QVERIFY(plan);
    QStringList asked;
    plan->setMessagePrompt([&asked](const QString& title, const QString& text) {
        asked.append(text);
        return std::optional<QString>(title.startsWith(QStringLiteral("Reword"))
                                          ? QStringLiteral("Add a parser for the input")
                                          : QStringLiteral("Tests and the manual"));
    });
    HistoryEditor& editor = state->historyEditor();
    const GitCommit oldest = state->commits()[subjects.size() - 1];
    QMenu menu;
    menuTexts(view, oldest, &menu);
    trigger(&menu, QStringLiteral("Edit History…"));
    QTRY_VERIFY_WITH_TIMEOUT(editor.isEditing(), 20000);
    QVERIFY(plan->isVisible());
    QVERIFY(!view.list()->isVisible());
    QListWidget* list = plan->list();
    QCOMPARE(list->count(), 5);
    QVERIFY(list->item(0)->text().contains(QStringLiteral("Write the manual")));

    // "Write the manual" goes below "Add tests" and squashes into it.
    list->setFocus();
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
    QCOMPARE(editor.rows()[3].subject, QStringLiteral("Write the manual"));
    QTest::keyClick(list, Qt::Key_S);
    QCOMPARE(editor.rows()[3].action, PlanAction::Squash);
    QCOMPARE(asked.last(), QStringLiteral("Add tests\n\nWrite the manual"));
    // The oldest cannot be squashed: the refusal shows and nothing changes.
    const QList<PlanRow> before = editor.rows();
    list->setCurrentRow(4);
    QTest::keyClick(list, Qt::Key_F);
    QCOMPARE(editor.rows(), before);
    QVERIFY(test::child<QLabel>(plan, QStringLiteral("historyPlanRefusal"))->isVisible());
    QTest::keyClick(list, Qt::Key_R);
    QCOMPARE(editor.rows()[0].action, PlanAction::Reword);
    test::child<QCheckBox>(plan, QStringLiteral("historyPlanPlaceFixups"))->click();
    QCOMPARE(editor.rows()[1].subject, QStringLiteral("fixup! Add the parser"));
    QCOMPARE(editor.rows()[1].action, PlanAction::Fixup);
    QVERIFY(list->item(3)->text().contains(QStringLiteral("fixup")));
    test::saveLightAndDark(&view, QStringLiteral("history-edit-plan"));

    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(!editor.isEditing() && !editor.isRunning(), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(view.list()->isVisible(), 20000);
    QCOMPARE(repo.git({QStringLiteral("log"), QStringLiteral("--format=%s"),
                       base + QStringLiteral("..HEAD")}),
             QStringLiteral("Tests and the manual\nTeach the parser numbers\n"
                            "Add a parser for the input"));

    // Escape leaves the history as it was.
    const QString head = repo.head();
    test::await(state->refresh());
    view.list()->setFocus();
    state->selectCommit(state->commits()[1], false, false);
    QTest::keyClick(view.list(), Qt::Key_E, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(editor.isEditing(), 20000);
    QCOMPARE(editor.rows().size(), 2);
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!editor.isEditing());
    QCOMPARE(repo.head(), head);
    GitRunnerConfig::set(GitRunnerConfig{});
}

void TestCommitLogView::signatureBadgesFillInAfterPainting() {
    test::RepoFixture repo;
    repo.commitAll(QStringLiteral("Plain commit"));
    test::OpenPgpKey keys;
    test::SshSigningKey ssh(QStringLiteral("signer@example.com"));
    test::SshSigningKey stranger(QStringLiteral("stranger@example.com"));
    QVERIFY(keys.isValid() && ssh.isValid() && stranger.isValid());
    const auto sign = [&](const QString& message, const QStringList& settings) {
        QStringList args;
        for (const QString& setting : settings)
            args << QStringLiteral("-c") << setting;
        args << QStringLiteral("commit") << QStringLiteral("-q") << QStringLiteral("-S")
             << QStringLiteral("--allow-empty") << QStringLiteral("-m") << message;
        repo.advanceClock();
        repo.git(args);
    };
    sign(QStringLiteral("Signed with OpenPGP"),
         {QStringLiteral("user.signingkey=") + keys.fingerprint()});
    sign(QStringLiteral("Signed with a stranger's SSH key"),
         {QStringLiteral("gpg.format=ssh"),
          QStringLiteral("user.signingkey=") + stranger.publicKeyFile()});
    sign(QStringLiteral("Signed with SSH"),
         {QStringLiteral("gpg.format=ssh"),
          QStringLiteral("user.signingkey=") + ssh.publicKeyFile()});
    repo.git({QStringLiteral("config"), QStringLiteral("--global"),
              QStringLiteral("gpg.ssh.allowedSignersFile"), ssh.allowedSignersFile()});
    const auto unset = qScopeGuard([&] {
        repo.git({QStringLiteral("config"), QStringLiteral("--global"), QStringLiteral("--unset"),
                  QStringLiteral("gpg.ssh.allowedSignersFile")});
    });

    auto state = test::openState(repo.path());
    test::await(state->refresh());
    CommitLogView view(state.get(), nullptr);
    view.resize(520, 300);
    view.show();
    QSignalSpy checked(&state->signatureBadges(), &SignatureBadges::checked);
    // Painting asks; the answers come afterwards.
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QList<GitCommit> commits = state->commits();
    QVERIFY(QTest::qWaitFor(
        [&] {
            return std::all_of(commits.cbegin(), commits.cend(), [&](const GitCommit& commit) {
                return state->signatureBadges().check(commit.id).has_value();
            });
        },
        30000));
    QVERIFY(!checked.isEmpty());
    QCOMPARE(commits.size(), 4);
    const auto stateOf = [&](int row) {
        return state->signatureBadges().check(commits.at(row).id).value_or(SignatureCheck{}).state;
    };
    QCOMPARE(stateOf(0), SignatureState::Verified);
    QCOMPARE(stateOf(1), SignatureState::UnknownKey);
    QCOMPARE(stateOf(2), SignatureState::Verified);
    QCOMPARE(stateOf(3), SignatureState::Unsigned);
    QTest::qWait(50);
    test::saveLightAndDark(&view, QStringLiteral("history-signature-badges"));
}

QTEST_MAIN(TestCommitLogView)
#include "tst_CommitLogView.moc"
