#include "ViewTestSupport.h"
#include "state/RepositoryState.h"
#include "state/StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/diff/DiffHeaderView.h"
#include "ui/diff/DiffLineView.h"
#include "ui/diff/DiffView.h"
#include "ui/diff/HunkDiffView.h"
#include "ui/diff/HunkLineView.h"
#include "ui/diff/HunkScrollArea.h"
#include "ui/diff/ImprovedDiffContentView.h"

#include <QAccessible>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace tolvane;
using Part = HunkBlockView::Part;

namespace {

// Twenty numbered lines; changes at both ends make two hunks.
QByteArray numbered(int from, int to) {
    QByteArray text;
    for (int i = from; i <= to; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    return text;
}

void makeTwoHunkChange(test::RepoFixture& repo) {
    repo.writeFile(QStringLiteral("file.txt"), numbered(1, 20));
    repo.commitAll(QStringLiteral("initial"));
    QByteArray changed = numbered(1, 20);
    changed.replace("line 2\nline 3\n", "line two\n");
    changed.replace("line 19\n", "line nineteen\nline extra\n");
    repo.writeFile(QStringLiteral("file.txt"), changed);
}

void click(HunkScrollArea* area, Part part, int hunk = 0, int line = 0) {
    const QRect rect = area->partRect(hunk, part, line);
    QVERIFY2(!rect.isNull(), "part not present");
    QTest::mouseClick(area->viewport(), Qt::LeftButton, {}, rect.center());
}

// Drags with the left button held over the hunk view's viewport.
void dragTo(HunkScrollArea* area, const QPoint& to) {
    QMouseEvent move(QEvent::MouseMove, to, area->viewport()->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(area->viewport(), &move);
}

} // namespace

class TestDiffViews : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void unstagedAndStagedHunkViews();
    void stagingTwoSelectedLines();
    void plainViewAndCommitFiles();
    void hugeDiffs();
};

void TestDiffViews::unstagedAndStagedHunkViews() {
    test::RepoFixture repo;
    makeTwoHunkChange(repo);
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    DiffView view(state.get(), nullptr);
    view.resize(900, 600);
    view.show();
    QCOMPARE(view.mode(), DiffView::Mode::NothingSelected);
    QCOMPARE(view.header()->texts(),
             QStringList{QStringLiteral("Select a file or commit to view diff")});

    state->selectFile(*test::findChange(*state, QStringLiteral("file.txt"), false), false, false);
    QVERIFY(test::waitForDiff(*state));
    QCOMPARE(view.mode(), DiffView::Mode::Hunks);
    QCOMPARE(view.header()->texts(),
             (QStringList{QStringLiteral("file.txt"), QStringLiteral("2 hunks")}));
    HunkDiffView* hunks = view.hunkView();
    auto* action = test::child<QPushButton>(&view, QStringLiteral("hunkActionButton"));
    auto* caption = test::child<QLabel>(&view, QStringLiteral("hunkSelectionCaption"));
    QCOMPARE(action->text(), QStringLiteral("Stage Selected"));
    QVERIFY(!action->isEnabled());
    QVERIFY(caption->isHidden());

    // An unstaged file has a discard button on every hunk; it shows while the pointer is over it.
    HunkScrollArea* area = hunks->scrollArea();
    QVERIFY(!area->partRect(0, Part::Discard).isNull());
    QVERIFY(!area->partRect(1, Part::Discard).isNull());
    QTest::mouseMove(area->viewport(), area->partRect(1, Part::Checkbox).center());
    QTRY_COMPARE(area->hoveredHunk(), 1);

    // A screen reader gets the painted hunks as rows: each header, then each line with the
    // number it has on its own side ("line 19" is gone from the old file, the new lines are 18
    // and 19 of the new one, as two lines became one above).
    QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(area);
    QStringList spoken;
    for (int i = 0; i < rows->childCount(); ++i)
        spoken << rows->child(i)->text(QAccessible::Name);
    QCOMPARE(spoken.first(), hunks->scrollArea()->hunks().first().header);
    const int second = int(spoken.indexOf(hunks->scrollArea()->hunks().at(1).header));
    QVERIFY(second > 0);
    QCOMPARE(spoken.mid(second + 4, 4),
             (QStringList{"removed line 19: line 19", "added line 18: line nineteen",
                          "added line 19: line extra", "line 20: line 20"}));
    QVERIFY(spoken.contains(QStringLiteral("added line 2: line two")));

    click(area, Part::Checkbox, 1);
    QCOMPARE(caption->text(), QStringLiteral("1 of 2 selected"));
    QVERIFY(caption->isVisible());
    QVERIFY(action->isEnabled());
    QTest::mouseClick(test::child<QPushButton>(&view, QStringLiteral("selectAllHunksButton")),
                      Qt::LeftButton);
    QCOMPARE(caption->text(), QStringLiteral("2 of 2 selected"));
    QTest::mouseClick(test::child<QPushButton>(&view, QStringLiteral("deselectAllHunksButton")),
                      Qt::LeftButton);
    QVERIFY(caption->isHidden());

    // Discarding asks first.
    click(area, Part::Discard, 0);
    QVERIFY(state->showDiscardHunkConfirmation());
    QCOMPARE(state->hunksToDiscard().size(), 1);
    state->setShowDiscardHunkConfirmation(false);

    // Stage only the second hunk with the toolbar.
    click(area, Part::Checkbox, 1);
    QTest::mouseClick(action, Qt::LeftButton);
    QVERIFY(hunks->selectedHunkIDs().isEmpty());
    // Staging refreshes and loads the file's remaining unstaged hunk again.
    QTRY_VERIFY_WITH_TIMEOUT(test::findChange(*state, QStringLiteral("file.txt"), true) &&
                                 !state->isLoadingDiff() && state->parsedDiff() &&
                                 state->parsedDiff()->hunks.size() == 1,
                             20000);
    const QString cached = repo.git({QStringLiteral("diff"), QStringLiteral("--cached")});
    QVERIFY(cached.contains(QStringLiteral("+line nineteen")));
    QVERIFY(!cached.contains(QStringLiteral("line two")));

    // The staged entry offers unstaging and no discarding.
    state->selectFile(*test::findChange(*state, QStringLiteral("file.txt"), true), false, false);
    QVERIFY(test::waitForDiff(*state));
    QCOMPARE(view.mode(), DiffView::Mode::Hunks);
    QCOMPARE(action->text(), QStringLiteral("Unstage Selected"));
    QVERIFY(area->partRect(0, Part::Discard).isNull());
    QCOMPARE(HunkBlockView::helpText(Part::StageOrUnstage, {.isStaged = true}),
             QStringLiteral("Unstage this hunk"));
    click(area, Part::StageOrUnstage, 0);
    QTRY_VERIFY_WITH_TIMEOUT(
        !test::findChange(*state, QStringLiteral("file.txt"), true).has_value(), 20000);
    QVERIFY(repo.git({QStringLiteral("diff"), QStringLiteral("--cached")}).isEmpty());
}

void TestDiffViews::stagingTwoSelectedLines() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("list.txt"), numbered(1, 6));
    repo.commitAll(QStringLiteral("initial"));
    QByteArray changed = numbered(1, 6);
    changed.replace("line 2\nline 3\nline 4\n", "line new\n");
    repo.writeFile(QStringLiteral("list.txt"), changed);
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    DiffView view(state.get(), nullptr);
    view.resize(900, 600);
    view.show();
    state->selectFile(*test::findChange(*state, QStringLiteral("list.txt"), false), false, false);
    QVERIFY(test::waitForDiff(*state));
    HunkScrollArea* area = view.hunkView()->scrollArea();
    const DiffHunk hunk = area->hunks().at(0);

    QVERIFY(area->partRect(0, Part::SelectAllLines).isNull());
    click(area, Part::LineSelectionToggle);
    QVERIFY(area->isLineSelectionShown(hunk.id));
    QVERIFY(area->partRect(0, Part::StageLines).isNull()); // nothing chosen yet
    const int first = int(hunk.lines.indexOf(QStringLiteral("-line 2")));
    const int second = int(hunk.lines.indexOf(QStringLiteral("-line 3")));
    QVERIFY(first > 0 && second > 0);
    const int third = int(hunk.lines.indexOf(QStringLiteral("-line 4")));
    const int added = int(hunk.lines.indexOf(QStringLiteral("+line new")));
    const auto selectedCount = [&] {
        return state->lineSelectionsByHunkID().value(hunk.id).size();
    };
    // Shift-click selects every line from the one clicked before.
    click(area, Part::LineCheckbox, 0, first);
    QCOMPARE(selectedCount(), 1);
    QTest::mouseClick(area->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      area->partRect(0, Part::LineCheckbox, added).center());
    QCOMPARE(selectedCount(), 4);
    // Dragging from a selected line deselects the lines passed over; going back gives them
    // their selection again.
    const QPoint from = area->partRect(0, Part::LineCheckbox, added).center();
    QTest::mousePress(area->viewport(), Qt::LeftButton, {}, from);
    QCOMPARE(selectedCount(), 3);
    dragTo(area, area->partRect(0, Part::LineCheckbox, second).center());
    QCOMPARE(selectedCount(), 1);
    dragTo(area, area->partRect(0, Part::LineCheckbox, third).center());
    QTest::mouseRelease(area->viewport(), Qt::LeftButton, {},
                        area->partRect(0, Part::LineCheckbox, third).center());
    QCOMPARE(selectedCount(), 2);
    QSet<int> chosen;
    for (const DiffLineInfo& info : state->lineInfoByHunkID().value(hunk.id)) {
        if (state->lineSelectionsByHunkID().value(hunk.id).contains(info.id))
            chosen.insert(info.lineIndex);
    }
    QCOMPARE(chosen, (QSet<int>{first, second}));
    QVERIFY(!area->partRect(0, Part::StageLines).isNull());
    QCOMPARE(HunkBlockView::selectedLinesText(2), QStringLiteral("2 lines"));
    QCOMPARE(HunkBlockView::selectedLinesText(1), QStringLiteral("1 line"));
    test::saveLightAndDark(&view, QStringLiteral("hunk-line-selection"));

    click(area, Part::StageLines);
    QTRY_VERIFY_WITH_TIMEOUT(test::findChange(*state, QStringLiteral("list.txt"), true) &&
                                 !state->isLoadingDiff() && state->parsedDiff() &&
                                 state->parsedDiff()->hunks.at(0).removedCount == 1,
                             20000);
    QCOMPARE(view.mode(), DiffView::Mode::Hunks);
    const QString cached = repo.git({QStringLiteral("diff"), QStringLiteral("--cached")});
    QVERIFY(cached.contains(QStringLiteral("-line 2\n-line 3")));
    QVERIFY(!cached.contains(QStringLiteral("-line 4")));
    QVERIFY(!cached.contains(QStringLiteral("+line new")));
    // The reloaded diff starts with nothing chosen and its lines selectable again.
    for (const auto& chosen : state->lineSelectionsByHunkID())
        QVERIFY(chosen.isEmpty());
    QVERIFY(!state->lineInfoByHunkID().isEmpty());
}

void TestDiffViews::plainViewAndCommitFiles() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    DiffView view(state.get(), nullptr);
    view.resize(900, 600);
    view.show();

    GitCommit commit = state->commits().first();
    state->setSelectedCommit(commit);
    state->setCommitFiles({{QStringLiteral("A"), QStringLiteral("a.txt")},
                           {QStringLiteral("M"), QStringLiteral("b.txt")}});
    state->setDiffText(QStringLiteral("diff --git a/a.txt b/a.txt\n@@ -1,2 +1,2 @@\n-old\n+new\n"
                                      " same\n\\ No newline at end of file\n"));
    QCOMPARE(view.mode(), DiffView::Mode::Plain);
    QCOMPARE(view.header()->texts().last(), QStringLiteral("(2 files)"));
    auto* toggle = test::child<QToolButton>(&view, QStringLiteral("commitFilesToggle"));
    auto* list = test::child<QListView>(&view, QStringLiteral("commitFilesList"));
    QCOMPARE(toggle->text(), QStringLiteral("Changed Files (2)"));
    QVERIFY(list->isVisible());
    QCOMPARE(list->height(), 40);
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(list->isHidden());
    QTest::mouseClick(toggle, Qt::LeftButton);
    QVERIFY(list->isVisible());

    const QList<DiffLine>& lines = view.plainView()->lines();
    QCOMPARE(lines.size(), 7); // the final line feed ends in an empty row
    QCOMPARE(lines[2].oldNum, std::optional<qint64>(1));
    QCOMPARE(lines[3].newNum, std::optional<qint64>(1));
    QCOMPARE(lines[5].type, DiffLineType::Context);
    QVERIFY(!lines[5].oldNum && !lines[5].newNum);
    view.plainView()->selectRows(2, 3);
    QCOMPARE(view.plainView()->selectedText(), QStringLiteral("-old\n+new"));
    // Read out, each row is a sentence with the line's own number.
    QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(view.plainView());
    QCOMPARE(rows->role(), QAccessible::List);
    QCOMPARE(rows->childCount(), 7);
    QCOMPARE(rows->child(2)->text(QAccessible::Name), QStringLiteral("removed line 1: old"));
    QCOMPARE(rows->child(3)->text(QAccessible::Name), QStringLiteral("added line 1: new"));
    QCOMPARE(rows->child(4)->text(QAccessible::Name), QStringLiteral("line 2: same"));
    QCOMPARE(rows->indexOfChild(rows->child(3)), 3);
    QCOMPARE(rows->child(3)->rect().height(), view.plainView()->rowHeight());
    QVERIFY(rows->child(2)->state().selected);
    const QStringList problems = test::accessibilityProblems(&view);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
    test::saveLightAndDark(&view, QStringLiteral("commit-diff"));

    // A line that differs only in its ending looks different: its carriage return is marked,
    // in the plain rows and in the hunk rows alike.
    const auto painted = [&](const QString& text, bool hunkRow) {
        QImage image(300, 20, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        if (hunkRow)
            HunkLineView::paint(painter, image.rect(), QStringLiteral("-") + text, false, false,
                                false, DiffLineView::metrics(), view.palette(),
                                HunkLineView::checkboxes(view.palette(), 1.0), 0, nullptr);
        else
            DiffLineView::paint(painter, image.rect(),
                                DiffLine{.type = DiffLineType::Deletion, .content = text},
                                DiffLineView::metrics(), view.palette(), 0, false);
        return image;
    };
    for (const bool hunkRow : {false, true}) {
        QVERIFY(painted(QStringLiteral("same"), hunkRow) !=
                painted(QStringLiteral("same\r"), hunkRow));
    }

    // A click on a changed file brings its diff to the top.
    QString twoFiles = QStringLiteral("diff --git a/a.txt b/a.txt\n@@ -1,100 +1,100 @@\n");
    for (int i = 0; i < 100; ++i)
        twoFiles += QStringLiteral(" line %1\n").arg(i);
    twoFiles += QStringLiteral("diff --git a/b.txt b/b.txt\n@@ -1,100 +1,100 @@\n");
    for (int i = 0; i < 100; ++i)
        twoFiles += QStringLiteral(" line %1\n").arg(i);
    state->setDiffText(twoFiles);
    QCOMPARE(view.plainView()->firstVisibleRow(), 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    QCOMPARE(view.plainView()->lines().at(view.plainView()->firstVisibleRow()).content,
             QStringLiteral("diff --git a/b.txt b/b.txt"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    QCOMPARE(view.plainView()->firstVisibleRow(), 0);

    // A commit whose file list failed to load has no section; an empty diff says so.
    state->setCommitFiles({});
    state->setDiffText({});
    QVERIFY(test::child<QWidget>(&view, QStringLiteral("commitFilesSection"))->isHidden());
    QCOMPARE(view.mode(), DiffView::Mode::NoChanges);
    state->setIsLoadingDiff(true);
    QCOMPARE(view.mode(), DiffView::Mode::Loading);
}

void TestDiffViews::hugeDiffs() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    DiffView view(state.get(), nullptr);
    view.resize(800, 500);
    view.show();
    state->setSelectedCommit(state->commits().first());

    // 100,000 lines: only the rows on screen are drawn, the end is reachable.
    QString text = QStringLiteral("@@ -1,100000 +1,100000 @@\n");
    for (int i = 0; i < 100000; ++i)
        text += (i % 2 ? QStringLiteral("+added ") : QStringLiteral("-removed ")) +
                QString::number(i) + QLatin1Char('\n');
    state->setDiffText(text);
    ImprovedDiffContentView* plain = view.plainView();
    // Classified on a worker: the view is empty at first and fills in when the lines arrive.
    QVERIFY(plain->isClassifying());
    QTRY_COMPARE(plain->lines().size(), 100002);
    plain->verticalScrollBar()->setValue(plain->verticalScrollBar()->maximum());
    QVERIFY(!plain->grab().isNull());
    QVERIFY(plain->verticalScrollBar()->maximum() > 99000);

    // One line of half a million characters scrolls sideways to its end.
    state->setDiffText(QStringLiteral("+") + QString(500000, QLatin1Char('x')));
    QTRY_COMPARE(plain->lines().size(), 1);
    QVERIFY(plain->horizontalScrollBar()->maximum() > 500000 * 5);
    plain->horizontalScrollBar()->setValue(plain->horizontalScrollBar()->maximum());
    QVERIFY(!plain->grab().isNull());

    // A 300-character path is elided in the header, not spilled over.
    FileChange longName{ChangeStatus::Modified,
                        QString(300, QLatin1Char('n')) + QStringLiteral(".txt"), false,
                        std::nullopt};
    state->setSelectedCommit(std::nullopt);
    state->setSelectedFile(longName);
    QCOMPARE(view.header()->texts().first(), longName.path);
    QVERIFY(view.header()->sizeHint().height() < 60);
    QVERIFY(!view.header()->grab().isNull());
}

QTEST_MAIN(TestDiffViews)
#include "tst_DiffViews.moc"
