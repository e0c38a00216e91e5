#include "ViewTestSupport.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"
#include "state/StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/changes/ChangesListModel.h"
#include "ui/changes/ChangesView.h"
#include "ui/diff/DiffView.h"
#include "ui/diff/HunkDiffView.h"
#include "ui/diff/HunkScrollArea.h"
#include "ui/diff/viewColors.h"
#include "ui/history/CommitGraphView.h"
#include "ui/history/CommitLogModel.h"
#include "ui/history/CommitLogView.h"
#include "ui/history/CommitRowDelegate.h"
#include "ui/history/StateDialog.h"
#include "ui/history/refBadges.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>
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

} // namespace

class TestCommitLogView : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void init() {
        AppSettings::setShowCommitGraph(true);
        AppSettings::setMaxGraphColumns(10);
    }
    void badgesAndGraphGeometry();
    void historyWithBranchesAndMerges();
    void pagingAndGraphRecomputation();
    void tagSheet();
    void endToEndStageLinesAndCommit();
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
    const CommitGraphData headData = view.graph().value(head.id);
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
    auto* dialog = view.findChild<StateDialog*>(QStringLiteral("popCommitDialog"));
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
    QCOMPARE(view.delegate()->textLeft(head.id), 8.0);
    AppSettings::setShowCommitGraph(true);
    QVERIFY(view.delegate()->textLeft(head.id) > 8.0);
}

void TestCommitLogView::pagingAndGraphRecomputation() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "1\n");
    repo.commitAll(QStringLiteral("start"));
    test::importCommits(repo, 150);
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

    view.list()->scrollToBottom();
    auto* more = test::child<QPushButton>(&view, QStringLiteral("loadMoreCommitsButton"));
    QVERIFY(more);
    QCOMPARE(more->text(), QStringLiteral("Load More Commits"));
    const qsizetype before = state->commits().size();
    QTest::mouseClick(more, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(state->commits().size() > before, 20000);
    view.list()->viewport()->repaint();
    QCOMPARE(view.graphComputations(), 2);
    QCOMPARE(view.graph().size(), state->commits().size());
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
    auto* sheet = view.findChild<StateDialog*>(QStringLiteral("tagCommitSheet"));
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
    QTest::mouseClick(changes->list()->viewport(), Qt::LeftButton, {},
                      changes->list()->visualRect(model->index(row)).center());
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
    QCOMPARE(commitButton->text(), QStringLiteral("Commit (1 files)"));
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

QTEST_MAIN(TestCommitLogView)
#include "tst_CommitLogView.moc"
