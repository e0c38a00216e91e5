#include "ViewTestSupport.h"
#include "engine/gitText.h"
#include "platform/SpellChecker.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"
#include "state/StateTestSupport.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/changes/ChangesListModel.h"
#include "ui/changes/ChangesView.h"
#include "ui/changes/ConflictsSection.h"
#include "ui/changes/FileRowDelegate.h"
#include "ui/changes/changesFiltering.h"
#include "ui/commitmessage/CommitMessageEdit.h"
#include "ui/common/ConfirmationAlert.h"
#include "ui/diff/DiffView.h"

#include <QAccessible>
#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSplitter>
#include <QStyleOptionViewItem>
#include <QTest>
#include <fcntl.h>
#include <unistd.h>

using namespace tolvane;

namespace {

QStringList menuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator())
            texts.append(action->text());
    }
    return texts;
}

int rowOf(ChangesView& view, const QString& path, bool staged) {
    ChangesListModel* model = view.model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (const FileChange* file = model->file(row);
            file && file->path == path && file->isStaged == staged)
            return row;
    }
    return -1;
}

void clickFile(ChangesView& view, const QString& path, bool staged,
               Qt::KeyboardModifiers modifiers = {}) {
    const int row = rowOf(view, path, staged);
    QVERIFY2(row >= 0, qPrintable(path));
    QListView* list = view.listOfRow(row);
    list->scrollTo(view.viewIndex(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers,
                      list->visualRect(view.viewIndex(row)).center());
}

QStringList contextMenu(ChangesView& view, const QString& path, bool staged) {
    const int row = rowOf(view, path, staged);
    if (row < 0)
        return {};
    QMenu menu;
    view.buildContextMenu(*view.model()->file(row), &menu);
    return menuTexts(&menu);
}

} // namespace

class TestChangesView : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void init() {
        AppSettings::setShowAllFiles(false);
        AppSettings::setShowDotFiles(false);
    }
    void pathFilter_data();
    void pathFilter();
    void dotFilesCountsAndCommitButton();
    void rowLimitAndShowMore();
    void sectionsShareTheHeight();
    void selectionByClicks();
    void contextMenusOfMixedSelection();
    void ignorePatternItems();
    void confirmationDialogs();
    void nameThatIsNotUtf8();
    void conflictsBannerSectionAndView();
    void stashConflictsShowTheBannerWithoutOperation();
    void commitBoxGuidesSpellingAndHookPanel();
};

void TestChangesView::pathFilter_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("matches");
    const QString service = QStringLiteral("src/engine/GitService.cpp");
    const QString nested = QStringLiteral("src/engine/git/runner.cpp");
    QTest::newRow("parts of successive segments") << nested << "src/eng/git" << true;
    QTest::newRow("last part in the file name") << service << "src/eng/git" << true;
    QTest::newRow("case ignored") << service << "SRC/Eng/gitservice" << true;
    QTest::newRow("inside a segment") << service << "ngin/vice" << true;
    QTest::newRow("a segment skipped") << nested << "src/runner" << true;
    QTest::newRow("order matters") << service << "eng/src" << false;
    QTest::newRow("one segment per part") << QStringLiteral("src/a.cpp") << "src/src" << false;
    QTest::newRow("part across a slash") << service << "engine/Git" << true;
    QTest::newRow("last part nowhere") << service << "src/engine/gitx" << false;
    QTest::newRow("single part anywhere") << service << "service" << true;
    QTest::newRow("not there") << service << "blame" << false;
    QTest::newRow("empty filter") << service << "" << true;
    QTest::newRow("only slashes and spaces") << service << " // " << true;
    QTest::newRow("trailing slash") << service << "src/" << true;
    QTest::newRow("more parts than segments") << QStringLiteral("a.txt") << "a/t" << false;
}

void TestChangesView::pathFilter() {
    QFETCH(QString, path);
    QFETCH(QString, filter);
    QFETCH(bool, matches);
    QCOMPARE(pathMatchesFilter(path, filter), matches);
}

void TestChangesView::dotFilesCountsAndCommitButton() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.writeFile(QStringLiteral(".editorconfig"), "root = true\n");
    repo.commitAll(QStringLiteral("initial"));
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    ChangesView view(state.get(), nullptr);
    view.resize(360, 600);
    view.show();
    QVERIFY(test::child<QWidget>(&view, QStringLiteral("workingTreeClean"))->isVisible());
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("workingTreeCleanText"))->text(),
             QStringLiteral("Working tree clean"));

    repo.writeFile(QStringLiteral(".gitignore"), "*.log\n");
    repo.writeFile(QStringLiteral(".mailmap"), "x\n");
    repo.writeFile(QStringLiteral(".env"), "SECRET=1\n");
    repo.writeFile(QStringLiteral(".config/tool.conf"), "x\n");
    repo.writeFile(QStringLiteral(".editorconfig"), "root = false\n");
    repo.writeFile(QStringLiteral("a.txt"), "b\n");
    repo.git({QStringLiteral("add"), QStringLiteral("a.txt")});
    test::await(state->refresh());
    QVERIFY(view.list()->isVisible());
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("stagedHeader"))->text(),
             QStringLiteral("Staged (1)"));
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("unstagedHeader"))->text(),
             QStringLiteral("Unstaged (2)"));
    QVERIFY(rowOf(view, QStringLiteral(".gitignore"), false) >= 0);
    QVERIFY(rowOf(view, QStringLiteral(".mailmap"), false) >= 0);
    QCOMPARE(rowOf(view, QStringLiteral(".env"), false), -1);
    auto* commit = test::child<QPushButton>(&view, QStringLiteral("commitButton"));
    QCOMPARE(commit->text(), QStringLiteral("Commit (1 file)"));

    // The hidden changes are said to be there, and Stage All leaves them alone.
    auto* hiddenRow = test::child<QWidget>(&view, QStringLiteral("hiddenFilesRow"));
    QVERIFY(hiddenRow->isVisible());
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("hiddenFilesLabel"))->text(),
             QStringLiteral("3 hidden files"));
    auto* stageAll = test::child<QPushButton>(&view, QStringLiteral("stageAllButton"));
    QTest::mouseClick(stageAll, Qt::LeftButton);
    QTRY_COMPARE(test::child<QLabel>(&view, QStringLiteral("stagedHeader"))->text(),
                 QStringLiteral("Staged (3)"));
    QCOMPARE(repo.git({QStringLiteral("diff"), QStringLiteral("--cached"),
                       QStringLiteral("--name-only")}),
             QStringLiteral(".gitignore\n.mailmap\na.txt"));
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("unstagedHeader"))->text(),
             QStringLiteral("Unstaged (0)"));
    QVERIFY(hiddenRow->isVisible());
    test::saveLightAndDark(&view, QStringLiteral("changes-hidden-files"));

    // "Show" lists them; staged, a hidden file is listed and counted, as the commit will hold it.
    QTest::mouseClick(test::child<QPushButton>(&view, QStringLiteral("showHiddenFilesButton")),
                      Qt::LeftButton);
    QVERIFY(AppSettings::showDotFiles());
    QVERIFY(!hiddenRow->isVisible());
    QVERIFY(rowOf(view, QStringLiteral(".env"), false) >= 0);
    QTest::mouseClick(stageAll, Qt::LeftButton);
    QTRY_COMPARE(test::child<QLabel>(&view, QStringLiteral("stagedHeader"))->text(),
                 QStringLiteral("Staged (6)"));
    AppSettings::setShowDotFiles(false);
    QVERIFY(rowOf(view, QStringLiteral(".env"), true) >= 0);
    QVERIFY(!hiddenRow->isVisible());
    QCOMPARE(commit->text(), QStringLiteral("Commit (6 files)"));

    // A message of only blanks keeps the button off; Ctrl+Return commits once it has text.
    auto* message = test::child<QPlainTextEdit>(&view, QStringLiteral("commitMessageEdit"));
    QCOMPARE(message->placeholderText(), QStringLiteral("Commit message…"));
    QTest::keyClicks(message, QStringLiteral("  "));
    QTest::keyClick(message, Qt::Key_Return);
    QVERIFY(!commit->isEnabled());
    const int threeLines = message->height();
    for (int i = 0; i < 8; ++i)
        QTest::keyClick(message, Qt::Key_Return);
    QVERIFY(message->height() > threeLines);
    const int sixLines = message->height();
    QTest::keyClick(message, Qt::Key_Return);
    QCOMPARE(message->height(), sixLines);
    message->clear();
    QTest::keyClicks(message, QStringLiteral("Add secrets"));
    QCOMPARE(state->commitMessage(), QStringLiteral("Add secrets"));
    QVERIFY(commit->isEnabled());
    QTest::mouseClick(commit, Qt::LeftButton);
    QTRY_VERIFY(state->changes().isEmpty());
    QCOMPARE(repo.git({QStringLiteral("show"), QStringLiteral("--name-only"),
                       QStringLiteral("--format=")})
                 .split(u'\n'),
             (QStringList{".config/tool.conf", ".editorconfig", ".env", ".gitignore", ".mailmap",
                          "a.txt"}));

    // Amend mode: the box takes the last message, the button needs nothing staged, and
    // unticking gives back what was typed.
    QTRY_VERIFY(!state->isCommitting());
    QTest::keyClicks(message, QStringLiteral("draft"));
    auto* amend = test::child<QCheckBox>(&view, QStringLiteral("amendCheck"));
    QCOMPARE(amend->text(), QStringLiteral("Amend last commit"));
    // A check box counts only clicks on its box and its text, not on the rest of its row.
    const QPoint box(8, amend->height() / 2);
    QTest::mouseClick(amend, Qt::LeftButton, {}, box);
    QTRY_COMPARE(message->toPlainText(), QStringLiteral("Add secrets"));
    QCOMPARE(commit->text(), QStringLiteral("Amend Commit"));
    QVERIFY(commit->isEnabled());
    test::saveLightAndDark(&view, QStringLiteral("changes-amend"));
    QTest::mouseClick(amend, Qt::LeftButton, {}, box);
    QCOMPARE(message->toPlainText(), QStringLiteral("draft"));
    QVERIFY(!commit->isEnabled());
    QTest::mouseClick(amend, Qt::LeftButton, {}, box);
    QTRY_COMPARE(message->toPlainText(), QStringLiteral("Add secrets"));
    message->selectAll();
    QTest::keyClicks(message, QStringLiteral("Add the secrets file"));
    QTest::mouseClick(commit, Qt::LeftButton);
    QTRY_VERIFY(!amend->isChecked());
    QCOMPARE(repo.git({QStringLiteral("log"), QStringLiteral("--format=%s")}).split(u'\n').size(),
             2);
    QCOMPARE(repo.git({QStringLiteral("log"), QStringLiteral("-1"), QStringLiteral("--format=%s")}),
             QStringLiteral("Add the secrets file"));
}

void TestChangesView::rowLimitAndShowMore() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("a.txt"), "a\n");
    repo.commitAll(QStringLiteral("initial"));
    for (int i = 0; i < 450; ++i)
        repo.writeFile(QStringLiteral("new/f%1.txt").arg(i, 3, 10, QLatin1Char('0')), "x\n");
    repo.git({QStringLiteral("config"), QStringLiteral("status.showUntrackedFiles"),
              QStringLiteral("all")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    QCOMPARE(state->changes().size(), 450);
    ChangesView view(state.get(), nullptr);
    view.resize(360, 600);
    view.show();
    QCOMPARE(test::child<QLabel>(&view, QStringLiteral("unstagedHeader"))->text(),
             QStringLiteral("Unstaged (450)"));
    QCOMPARE(view.model()->unstagedShown(), 200);
    auto more = [&] { return test::child<QPushButton>(&view, QStringLiteral("showMoreButton")); };
    QCOMPARE(more()->text(), QStringLiteral("Show More (250 remaining)"));
    QTest::mouseClick(more(), Qt::LeftButton);
    QTRY_COMPARE(view.model()->unstagedShown(), 400);
    QCOMPARE(more()->text(), QStringLiteral("Show More (50 remaining)"));
    QTest::mouseClick(more(), Qt::LeftButton);
    QTRY_COMPARE(view.model()->unstagedShown(), 450);
    QVERIFY(!more());

    // "All Files" on and off again starts over at 200 rows.
    test::child<QCheckBox>(&view, QStringLiteral("allFilesToggle"))->click();
    QTRY_VERIFY(state->showAllFiles());
    QCOMPARE(view.unstagedFiles().size(), 451); // a.txt joins as unmodified
    QCOMPARE(view.unstagedFiles().last().status, ChangeStatus::Unmodified);
    // Unchanged files are not counted as unstaged changes.
    auto* header = test::child<QLabel>(&view, QStringLiteral("unstagedHeader"));
    QCOMPARE(header->text(), QStringLiteral("Unstaged (450) · 1 unchanged file"));
    // The toggle is this tab's: neither the setting nor another tab follows it.
    QVERIFY(!AppSettings::showAllFiles());
    QVERIFY(!test::openState(repo.path())->showAllFiles());

    // The filter narrows by path parts; the buttons for all files wait while changes are hidden.
    auto* filter = test::child<QLineEdit>(&view, QStringLiteral("fileFilterField"));
    QVERIFY(filter->isVisible());
    QTest::keyClicks(filter, QStringLiteral("new/f04"));
    QCOMPARE(view.unstagedFiles().size(), 10);
    QCOMPARE(header->text(), QStringLiteral("Unstaged (10) · 0 unchanged files"));
    auto* stageAll = test::child<QPushButton>(&view, QStringLiteral("stageAllButton"));
    QVERIFY(!stageAll->isEnabled());
    filter->setText(QStringLiteral("a.t"));
    QCOMPARE(view.unstagedFiles().size(), 1);
    QCOMPARE(header->text(), QStringLiteral("Unstaged (0) · 1 unchanged file"));
    // Blame and history are offered for a file found this way.
    QMenu found;
    view.buildContextMenu(view.unstagedFiles().first(), &found);
    QVERIFY(menuTexts(&found).contains(QStringLiteral("Show Blame")));
    QVERIFY(menuTexts(&found).contains(QStringLiteral("Show History")));
    test::saveLightAndDark(&view, QStringLiteral("changes-all-files-filter"));
    filter->clear();
    QCOMPARE(view.unstagedFiles().size(), 451);
    QVERIFY(stageAll->isEnabled());
    test::child<QCheckBox>(&view, QStringLiteral("allFilesToggle"))->click();
    QTRY_COMPARE(view.unstagedFileLimit(), 200);
    QCOMPARE(view.model()->unstagedShown(), 200);
}

// However long one section is, both headers stay in sight and each section scrolls on its own.
void TestChangesView::sectionsShareTheHeight() {
    test::RepoFixture repo;
    for (int i = 0; i < 5; ++i)
        repo.writeFile(QStringLiteral("u%1.txt").arg(i), "1\n");
    repo.commitAll(QStringLiteral("initial"));
    for (int i = 0; i < 5; ++i)
        repo.writeFile(QStringLiteral("u%1.txt").arg(i), "2\n");
    for (int i = 0; i < 1000; ++i)
        repo.writeFile(QStringLiteral("s%1.txt").arg(i, 4, 10, QLatin1Char('0')), "x\n");
    repo.git({QStringLiteral("add"), QStringLiteral("s*.txt")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    ChangesView view(state.get(), nullptr);
    view.resize(360, 700);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QListView* staged = view.stagedList();
    QListView* unstaged = view.unstagedList();
    const auto inSight = [&view](QWidget* widget) {
        return widget->isVisible() &&
               view.rect().contains(QRect(widget->mapTo(&view, QPoint(0, 0)), widget->size()));
    };
    const auto rowInSight = [&view](int row) {
        QListView* list = view.listOfRow(row);
        return list->viewport()->rect().contains(list->visualRect(view.viewIndex(row)));
    };
    QVERIFY(inSight(test::child<QLabel>(&view, QStringLiteral("stagedHeader"))));
    QVERIFY(inSight(test::child<QLabel>(&view, QStringLiteral("unstagedHeader"))));
    QVERIFY(inSight(test::child<QPushButton>(&view, QStringLiteral("stageAllButton"))));
    // The short section keeps what it needs; the long one takes the rest and scrolls.
    for (int i = 0; i < 5; ++i) {
        const int row = rowOf(view, QStringLiteral("u%1.txt").arg(i), false);
        QCOMPARE(view.listOfRow(row), unstaged);
        QVERIFY(rowInSight(row));
    }
    QVERIFY(staged->height() > unstaged->height());
    QVERIFY(staged->verticalScrollBar()->maximum() > 0);
    test::saveLightAndDark(&view, QStringLiteral("changes-sections-1000-staged"));

    // Down from the last staged row lands on the first unstaged one, in its own list.
    clickFile(view, QStringLiteral("s0999.txt"), true);
    QVERIFY(rowInSight(rowOf(view, QStringLiteral("s0999.txt"), true)));
    view.activateWindow();
    staged->setFocus();
    QTRY_VERIFY(staged->hasFocus());
    state->selectNextFile(false);
    QCOMPARE(state->selectedFile()->path, QStringLiteral("u0.txt"));
    view.revealFile(state->selectedFile()->id());
    QVERIFY(unstaged->hasFocus());
    QVERIFY(view.list() == unstaged);
    state->selectPreviousFile(false);
    view.revealFile(state->selectedFile()->id());
    QCOMPARE(state->selectedFile()->path, QStringLiteral("s0999.txt"));
    QVERIFY(staged->hasFocus());

    // Both long: each about half.
    for (int i = 0; i < 1000; ++i)
        repo.writeFile(QStringLiteral("n%1.txt").arg(i, 4, 10, QLatin1Char('0')), "x\n");
    test::await(state->refresh());
    const QList<int> halves = view.findChild<QSplitter*>()->sizes();
    QVERIFY2(qAbs(halves[0] - halves[1]) <= 1, qPrintable(QString::number(halves[0])));
    QVERIFY(inSight(test::child<QLabel>(&view, QStringLiteral("unstagedHeader"))));

    // Three staged and a long unstaged list: the staged section shrinks to its rows.
    for (int i = 0; i < 1000; ++i)
        QFile::remove(repo.path() + QStringLiteral("/n%1.txt").arg(i, 4, 10, QLatin1Char('0')));
    repo.git({QStringLiteral("reset"), QStringLiteral("-q")});
    repo.git({QStringLiteral("add"), QStringLiteral("u0.txt"), QStringLiteral("u1.txt"),
              QStringLiteral("u2.txt")});
    test::await(state->refresh());
    QCOMPARE(view.stagedFiles().size(), 3);
    QCOMPARE(staged->height(), 3 * FileRowDelegate::fileRowHeight);
    QCOMPARE(staged->verticalScrollBar()->maximum(), 0);
    QVERIFY(unstaged->verticalScrollBar()->maximum() > 0);
    QVERIFY(inSight(test::child<QLabel>(&view, QStringLiteral("unstagedHeader"))));
    test::saveLightAndDark(&view, QStringLiteral("changes-sections-3-staged"));
}

void TestChangesView::selectionByClicks() {
    test::RepoFixture repo;
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        repo.writeFile(QString::fromLatin1(name), "1\n");
    repo.commitAll(QStringLiteral("initial"));
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        repo.writeFile(QString::fromLatin1(name), "2\n");
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    ChangesView view(state.get(), nullptr);
    view.resize(360, 600);
    view.show();

    auto* message = test::child<QPlainTextEdit>(&view, QStringLiteral("commitMessageEdit"));
    message->setFocus();
    clickFile(view, QStringLiteral("a.txt"), false);
    QVERIFY(!message->hasFocus());
    QCOMPARE(state->selectedFiles(), QSet<QString>{QStringLiteral("a.txt:false")});
    clickFile(view, QStringLiteral("c.txt"), false, Qt::ControlModifier);
    QCOMPARE(state->selectedFiles(),
             (QSet<QString>{QStringLiteral("a.txt:false"), QStringLiteral("c.txt:false")}));
    clickFile(view, QStringLiteral("c.txt"), false, Qt::ControlModifier);
    QCOMPARE(state->selectedFiles(), QSet<QString>{QStringLiteral("a.txt:false")});
    clickFile(view, QStringLiteral("a.txt"), false);
    clickFile(view, QStringLiteral("c.txt"), false, Qt::ShiftModifier);
    QCOMPARE(state->selectedFiles(),
             (QSet<QString>{QStringLiteral("a.txt:false"), QStringLiteral("b.txt:false"),
                            QStringLiteral("c.txt:false")}));
    QVERIFY(test::waitForDiff(*state));
    test::saveLightAndDark(&view, QStringLiteral("changes-selection"));

    // A double click moves a row to the other side and back.
    const auto doubleClickFile = [&](bool staged) {
        const int row = rowOf(view, "d.txt", staged);
        QListView* list = view.listOfRow(row);
        list->scrollTo(view.viewIndex(row));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                           list->visualRect(view.viewIndex(row)).center());
    };
    doubleClickFile(false);
    QTRY_VERIFY_WITH_TIMEOUT(rowOf(view, "d.txt", true) >= 0, 20000);
    QCOMPARE(rowOf(view, "d.txt", false), -1);
    QCOMPARE(repo.gitOutput({"diff", "--cached", "--name-only"}).trimmed(), QByteArray("d.txt"));
    doubleClickFile(true);
    QTRY_VERIFY_WITH_TIMEOUT(rowOf(view, "d.txt", false) >= 0, 20000);
    QCOMPARE(rowOf(view, "d.txt", true), -1);
}

void TestChangesView::contextMenusOfMixedSelection() {
    test::RepoFixture repo;
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        repo.writeFile(QString::fromLatin1(name), "1\n");
    repo.commitAll(QStringLiteral("initial"));
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        repo.writeFile(QString::fromLatin1(name), "2\n");
    repo.writeFile(QStringLiteral("new.txt"), "n\n");
    repo.git({QStringLiteral("add"), QStringLiteral("a.txt")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    ChangesView view(state.get(), nullptr);
    view.show();

    // One file alone: the single forms.
    clickFile(view, QStringLiteral("b.txt"), false);
    const QStringList single = contextMenu(view, QStringLiteral("b.txt"), false);
    QCOMPARE(single,
             (QStringList{QStringLiteral("Open"), QStringLiteral("Open With"),
                          QStringLiteral("Show in File Manager"), QStringLiteral("Stage"),
                          QStringLiteral("Show Blame"), QStringLiteral("Show History"),
                          QStringLiteral("Discard Changes"), QStringLiteral("Get Info"),
                          QStringLiteral("Add to .gitignore"),
                          QStringLiteral("Ignore all *.txt files"), QStringLiteral("New File…"),
                          QStringLiteral("New Folder…"), QStringLiteral("Delete File")}));
    // An untracked file has neither blame, history nor discard.
    const QStringList untracked = contextMenu(view, QStringLiteral("new.txt"), false);
    QVERIFY(!untracked.contains(QStringLiteral("Show Blame")));
    QVERIFY(!untracked.contains(QStringLiteral("Show History")));
    QVERIFY(!untracked.contains(QStringLiteral("Discard Changes")));

    // Three selected, one of them staged.
    clickFile(view, QStringLiteral("a.txt"), true);
    clickFile(view, QStringLiteral("b.txt"), false, Qt::ControlModifier);
    clickFile(view, QStringLiteral("c.txt"), false, Qt::ControlModifier);
    QCOMPARE(state->selectedFiles().size(), 3);
    const QStringList staged = contextMenu(view, QStringLiteral("a.txt"), true);
    QVERIFY(staged.contains(QStringLiteral("Unstage")));
    QVERIFY(staged.contains(QStringLiteral("Show 3 Files in File Manager")));
    QVERIFY(staged.contains(QStringLiteral("Add 3 Files to .gitignore")));
    QVERIFY(staged.contains(QStringLiteral("Delete 3 Files")));
    const QStringList unstaged = contextMenu(view, QStringLiteral("b.txt"), false);
    QVERIFY(unstaged.contains(QStringLiteral("Stage 2 Files")));
    QVERIFY(unstaged.contains(QStringLiteral("Discard Changes in 2 Files")));
    QVERIFY(!unstaged.contains(QStringLiteral("Ignore all *.txt files")));

    // "Open With" ends with the store and the chooser.
    QMenu menu;
    view.buildContextMenu(*test::findChange(*state, QStringLiteral("b.txt"), false), &menu);
    QMenu* openWith = menu.findChild<QMenu*>(QStringLiteral("openWithMenu"));
    QVERIFY(openWith);
    const QStringList apps = menuTexts(openWith);
    QCOMPARE(apps.mid(apps.size() - 2),
             (QStringList{QStringLiteral("Find in Software Center…"), QStringLiteral("Other…")}));

    // Staging two through the menu.
    for (QAction* action : menu.actions()) {
        if (action->text() == QStringLiteral("Stage 2 Files"))
            action->trigger();
    }
    QTRY_VERIFY_WITH_TIMEOUT(test::findChange(*state, QStringLiteral("c.txt"), true).has_value(),
                             20000);
    QVERIFY(test::findChange(*state, QStringLiteral("b.txt"), true).has_value());
}

void TestChangesView::ignorePatternItems() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("keep.txt"), "k\n");
    repo.commitAll(QStringLiteral("initial"));
    repo.writeFile(QStringLiteral("Makefile"), "all:\n");
    repo.writeFile(QStringLiteral("docs/guide.markdown"), "# guide\n");
    repo.writeFile(QStringLiteral("data.abcdefghij"), "x\n");
    repo.git({QStringLiteral("config"), QStringLiteral("status.showUntrackedFiles"),
              QStringLiteral("all")});
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    ChangesView view(state.get(), nullptr);
    view.show();

    QStringList menu = contextMenu(view, QStringLiteral("Makefile"), false);
    QVERIFY(menu.contains(QStringLiteral("Ignore all *.Makefile files")));
    QVERIFY(!menu.join(QLatin1Char('|')).contains(QStringLiteral("Ignore folder")));
    menu = contextMenu(view, QStringLiteral("docs/guide.markdown"), false);
    QVERIFY(menu.contains(QStringLiteral("Ignore all *.markdown files")));
    QVERIFY(menu.contains(QStringLiteral("Ignore folder 'docs/'")));
    menu = contextMenu(view, QStringLiteral("data.abcdefghij"), false);
    QVERIFY(!menu.join(QLatin1Char('|')).contains(QStringLiteral("Ignore all")));

    // The folder item writes its pattern.
    QMenu real;
    view.buildContextMenu(*test::findChange(*state, QStringLiteral("docs/guide.markdown"), false),
                          &real);
    for (QAction* action : real.actions()) {
        if (action->text() == QStringLiteral("Ignore folder 'docs/'"))
            action->trigger();
    }
    QTRY_VERIFY_WITH_TIMEOUT(repo.readFile(QStringLiteral(".gitignore")).contains("docs/"), 20000);
}

void TestChangesView::confirmationDialogs() {
    test::RepoFixture repo;
    repo.writeFile(QStringLiteral("dir/a.txt"), "1\n");
    repo.writeFile(QStringLiteral("b.txt"), "1\n");
    repo.commitAll(QStringLiteral("initial"));
    repo.writeFile(QStringLiteral("dir/a.txt"), "2\n");
    repo.writeFile(QStringLiteral("b.txt"), "2\n");
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    QWidget window;
    auto* view = new ChangesView(state.get(), &window);
    view->resize(360, 500);
    window.show();

    state->askDiscardChanges(*test::findChange(*state, QStringLiteral("dir/a.txt"), false));
    auto* dialog = window.findChild<ConfirmationAlert*>(QStringLiteral("discardDialog"));
    QVERIFY(dialog);
    QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("dialogTitle"))->text(),
             QStringLiteral("Discard Changes?"));
    QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("dialogMessage"))->text(),
             QStringLiteral(
                 "Are you sure you want to discard changes to \"a.txt\"? Discarded changes can be "
                 "restored from the Stashes page."));
    QTest::mouseClick(dialog->button(QStringLiteral("Cancel")), Qt::LeftButton);
    QVERIFY(!state->showDiscardConfirmation());
    QCOMPARE(repo.readFile(QStringLiteral("dir/a.txt")), QByteArray("2\n"));

    // Escape is the Cancel button too: the discard never starts, so its subject stays.
    QTRY_VERIFY(!window.findChild<ConfirmationAlert*>(QStringLiteral("discardDialog")));
    state->askDiscardChanges(*test::findChange(*state, QStringLiteral("dir/a.txt"), false));
    dialog = window.findChild<ConfirmationAlert*>(QStringLiteral("discardDialog"));
    QVERIFY(dialog);
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(!state->showDiscardConfirmation());
    QVERIFY(state->fileToDiscard());

    // Discard All through its header button and Return, which presses the confirming button
    // even while Cancel has the focus.
    QTest::mouseClick(test::child<QPushButton>(view, QStringLiteral("discardAllButton")),
                      Qt::LeftButton);
    dialog = window.findChild<ConfirmationAlert*>(QStringLiteral("discardAllDialog"));
    QVERIFY(dialog);
    QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("dialogTitle"))->text(),
             QStringLiteral("Discard All Changes?"));
    QVERIFY(dialog->button(QStringLiteral("Discard All"))->isDefault());
    QVERIFY(!dialog->button(QStringLiteral("Cancel"))->isDefault());
    dialog->button(QStringLiteral("Cancel"))->setFocus();
    QTest::keyClick(dialog->button(QStringLiteral("Cancel")), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(repo.readFile(QStringLiteral("b.txt")), QByteArray("1\n"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(state->changes().isEmpty(), 20000);
    QVERIFY(!state->showDiscardAllConfirmation());

    // Several files to delete use the plural texts.
    state->setFilesToDelete(
        {FileChange{ChangeStatus::Modified, QStringLiteral("x"), false, std::nullopt},
         FileChange{ChangeStatus::Modified, QStringLiteral("y"), false, std::nullopt}});
    state->setShowDeleteConfirmation(true);
    dialog = window.findChild<ConfirmationAlert*>(QStringLiteral("deleteFileDialog"));
    QVERIFY(dialog);
    QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("dialogTitle"))->text(),
             QStringLiteral("Delete 2 Files?"));
    QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("dialogMessage"))->text(),
             QStringLiteral("Move 2 files to the Trash?"));
    // The state withdrawing the flag closes the dialog.
    state->setShowDeleteConfirmation(false);
    QTRY_VERIFY(!window.findChild<ConfirmationAlert*>(QStringLiteral("deleteFileDialog")));
}

void TestChangesView::nameThatIsNotUtf8() {
    test::RepoFixture repo;
    const QByteArray name = "caf\xe9.txt";
    const QByteArray path = QFile::encodeName(repo.path()) + '/' + name;
    const auto remove = qScopeGuard([&] { ::unlink(path.constData()); });
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    QWidget window;
    auto* view = new ChangesView(state.get(), &window);
    window.show();

    // People read the replacement character; the entry keeps the byte git knows.
    const int row = rowOf(*view, decodeGitBytes(name), false);
    QVERIFY(row >= 0);
    QCOMPARE(view->model()->index(row).data().toString(), QStringLiteral("caf\uFFFD.txt"));
    state->askDeleteFile(*view->model()->file(row));
    auto* dialog = window.findChild<ConfirmationAlert*>(QStringLiteral("deleteFileDialog"));
    QVERIFY(dialog);
    QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("dialogMessage"))->text(),
             QStringLiteral("Move \"caf\uFFFD.txt\" to the Trash?"));
    QTest::mouseClick(dialog->button(QStringLiteral("Cancel")), Qt::LeftButton);

    // A line feed in a name shows as a symbol and the row stays one line: painted alone, the
    // row draws nothing above or below itself.
    repo.writeFileByName("line\nfeed.txt", "x\n");
    test::await(state->refresh());
    const int fed = rowOf(*view, QStringLiteral("line\nfeed.txt"), false);
    QVERIFY(fed >= 0);
    QCOMPARE(view->model()->index(fed).data().toString(), QStringLiteral("line\u21B5feed.txt"));
    QStyleOptionViewItem option;
    option.initFrom(view->listOfRow(fed));
    option.rect = view->listOfRow(fed)->visualRect(view->viewIndex(fed));
    const int rowHeight = option.rect.height();
    option.rect.moveTop(40);
    QImage image(option.rect.width(), rowHeight + 80, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        view->listOfRow(fed)->itemDelegate()->paint(&painter, option, view->viewIndex(fed));
    }
    QImage outside(option.rect.width(), 40, image.format());
    outside.fill(Qt::transparent);
    QCOMPARE(image.copy(0, 0, image.width(), 40), outside);
    QCOMPARE(image.copy(0, 40 + rowHeight, image.width(), 40), outside);
    window.resize(360, 400);
    view->resize(360, 400);
    test::saveLightAndDark(&window, QStringLiteral("changes-line-feed-name"));
}

// A stopped merge: the banner and the conflicts section above the list, the row menus by kind,
// and the conflict view deciding blocks with its buttons until the file is written.
void TestChangesView::conflictsBannerSectionAndView() {
    test::RepoFixture repo;
    repo.git({"config", "merge.conflictStyle", "diff3"});
    repo.writeFile("f.txt", "top\r\nalpha\r\nmid\r\nbeta\r\nend\r\n");
    repo.writeFile("gone.txt", "base\n");
    repo.commitAll("base");
    repo.git({"branch", "feature"});
    repo.writeFile("f.txt", "top\r\nalpha ours\r\nmid\r\nbeta ours\r\nend\r\n");
    repo.git({"rm", "-q", "gone.txt"});
    repo.commitAll("ours");
    repo.git({"checkout", "-q", "feature"});
    repo.writeFile("f.txt", "top\r\nalpha theirs\r\nmid\r\nbeta theirs\r\nend\r\n");
    repo.writeFile("gone.txt", "changed\n");
    repo.commitAll("theirs");
    repo.git({"checkout", "-q", "main"});
    auto state = test::openState(repo.path());
    test::await(state->refresh());

    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* view = new ChangesView(state.get(), &window);
    auto* diff = new DiffView(state.get(), &window);
    view->setFixedWidth(340);
    layout->addWidget(view);
    layout->addWidget(diff, 1);
    window.resize(1100, 640);
    window.show();
    QVERIFY(test::child<QWidget>(view, "workingTreeClean")->isVisible());

    // The merge stops on conflicts: shown at once, without a refresh asked for, and logged as
    // information.
    LogStore::shared().setEntries({});
    test::await(state->askMergeBranch(GitBranch::make(QStringLiteral("feature"), false, false)));
    test::await(state->confirmMergeBranch());
    QCOMPARE(test::logMessages(), QStringList{"Merge stopped on conflicts in 2 files"});
    QVERIFY(test::child<QWidget>(view, "operationBanner")->isVisible());
    QVERIFY(!test::child<QWidget>(view, "workingTreeClean")->isVisible());
    // Commit waits for the conflicts, and says so.
    auto* commit = test::child<QPushButton>(view, "commitButton");
    QVERIFY(!state->commitMessage().isEmpty());
    QVERIFY(!commit->isEnabled());
    QCOMPARE(commit->toolTip(),
             QStringLiteral("Resolve the conflicts first: 2 files are still conflicted"));

    QCOMPARE(test::child<QLabel>(view, "operationTitle")->text(),
             QStringLiteral("Merging feature into main"));
    QCOMPARE(test::child<QLabel>(view, "operationSummary")->text(),
             QStringLiteral("2 conflicted files"));
    auto* commitMerge = test::child<QPushButton>(view, "continueOperationButton");
    QCOMPARE(commitMerge->text(), QStringLiteral("Commit Merge"));
    QVERIFY(!commitMerge->isEnabled());
    QCOMPARE(test::child<QLabel>(view, "conflictsHeader")->text(), QStringLiteral("Conflicts (2)"));
    // Listed once, in the conflicts section.
    QCOMPARE(rowOf(*view, "f.txt", false), -1);
    auto* section = view->findChild<ConflictsSection*>();
    QMenu deletedMenu;
    section->buildContextMenu(*state->conflictFor("gone.txt"), &deletedMenu);
    QCOMPARE(menuTexts(&deletedMenu),
             (QStringList{"Take Ours", "Take Theirs", "Mark Resolved", "Keep File", "Delete File",
                          "Open in Merge Tool", "Open"}));
    QMenu modifiedMenu;
    section->buildContextMenu(*state->conflictFor("f.txt"), &modifiedMenu);
    QVERIFY(!menuTexts(&modifiedMenu).contains("Keep File"));

    QListView* list = section->list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    QCOMPARE(state->selectedFiles(), QSet<QString>{QStringLiteral("f.txt:false")});
    QTRY_COMPARE(diff->mode(), DiffView::Mode::Conflict);
    QTRY_VERIFY(test::child<QWidget>(diff, "conflictBlock1"));
    QCOMPARE(test::child<QPlainTextEdit>(diff, "baseText0")->toPlainText(),
             QStringLiteral("alpha"));
    auto* write = test::child<QPushButton>(diff, "writeResolutionButton");
    QVERIFY(!write->isEnabled());
    test::child<QPushButton>(diff, "useBoth0")->click();
    QVERIFY(test::child<QPushButton>(diff, "useBoth0")->isChecked());
    QVERIFY(!write->isEnabled());
    QVERIFY(test::child<QLabel>(diff, "conflictStatus")
                ->text()
                .startsWith("1 block of 2 still undecided"));
    test::saveLightAndDark(&window, QStringLiteral("conflicts"));
    // A narrow diff pane cuts no button off.
    window.resize(340 + 470, 640);
    QTRY_COMPARE(window.width(), 340 + 470);
    for (const char* name :
         {"takeOursButton", "takeTheirsButton", "mergeToolButton", "markResolvedButton",
          "writeResolutionButton", "useOurs0", "useTheirs0", "useBoth0"}) {
        auto* button = test::child<QPushButton>(diff, name);
        QVERIFY2(button->visibleRegion().boundingRect() == button->rect(), name);
        QVERIFY2(button->width() >= button->sizeHint().width(), name);
    }
    QCOMPARE(test::child<QLabel>(diff, "conflictPath")->width(),
             test::child<QLabel>(diff, "conflictPath")->sizeHint().width());
    test::saveLightAndDark(&window, QStringLiteral("conflicts-narrow"));
    window.resize(1100, 640);

    auto* abort = test::child<QPushButton>(view, "abortOperationButton");
    QTest::mouseClick(abort, Qt::LeftButton);
    auto* dialog = window.findChild<ConfirmationAlert*>(QStringLiteral("abortOperationDialog"));
    QVERIFY(dialog);
    QCOMPARE(test::child<QLabel>(dialog, QStringLiteral("dialogTitle"))->text(),
             QStringLiteral("Abort Merge?"));
    QTest::mouseClick(dialog->button(QStringLiteral("Cancel")), Qt::LeftButton);
    QVERIFY(!state->showAbortOperationConfirmation());

    test::child<QPushButton>(diff, "useTheirs1")->click();
    QVERIFY(write->isEnabled());
    write->click();
    QTRY_COMPARE(repo.readFile("f.txt"),
                 QByteArray("top\r\nalpha ours\r\nalpha theirs\r\nmid\r\nbeta theirs\r\nend\r\n"));
    QTRY_VERIFY(
        test::child<QLabel>(diff, "conflictStatus")->text().startsWith("No conflict markers"));
    test::child<QPushButton>(diff, "markResolvedButton")->click();
    QTRY_COMPARE(state->conflicts().size(), 1);
    QTRY_VERIFY(diff->mode() != DiffView::Mode::Conflict);
    test::await(state->keepConflictedFile("gone.txt"));
    QTRY_VERIFY(commitMerge->isEnabled());
    QCOMPARE(test::child<QLabel>(view, "operationSummary")->text(),
             QStringLiteral("No conflicts left"));
    QVERIFY(commit->isEnabled());
    QCOMPARE(commit->toolTip(), QStringLiteral("Commit (Ctrl+Return)"));
    test::saveLightAndDark(view, QStringLiteral("conflicts-resolved"));
}

// git records nothing for a stash that stops on conflicts; the banner shows them all the same,
// without Abort or Continue, and goes once they are resolved.
void TestChangesView::stashConflictsShowTheBannerWithoutOperation() {
    test::RepoFixture repo;
    repo.writeFile("a.txt", "base\n");
    repo.commitAll("root");
    repo.writeFile("a.txt", "stashed\n");
    repo.git({"stash", "-q"});
    repo.writeFile("a.txt", "committed\n");
    repo.commitAll("other");
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    ChangesView view(state.get());
    view.resize(340, 500);
    view.show();
    auto* banner = test::child<QWidget>(&view, "operationBanner");
    QVERIFY(!banner->isVisible());

    test::await(state->applyStash(state->stashes()[0], true));
    QCOMPARE(state->operation().kind, OperationKind::None);
    QVERIFY(banner->isVisible());
    QCOMPARE(test::child<QLabel>(&view, "operationTitle")->text(),
             QStringLiteral("Conflicts in the working tree"));
    QCOMPARE(test::child<QLabel>(&view, "operationSummary")->text(),
             QStringLiteral("1 conflicted file"));
    QVERIFY(!test::child<QPushButton>(&view, "abortOperationButton")->isVisible());
    QVERIFY(!test::child<QPushButton>(&view, "continueOperationButton")->isVisible());

    test::await(state->takeConflictSide("a.txt", true));
    QTRY_VERIFY(!banner->isVisible());

    // Each file row reads as a sentence: the path, what changed, and on which side.
    repo.writeFile("new.txt", "n\n");
    repo.git({"add", "new.txt"});
    repo.writeFile("loose.txt", "l\n");
    test::await(state->refresh());
    const auto firstRow = [](QListView* list) {
        QAccessibleInterface* row = QAccessible::queryAccessibleInterface(list)->child(0);
        return row ? row->text(QAccessible::Name) : QString();
    };
    QCOMPARE(firstRow(view.stagedList()), QStringLiteral("new.txt, added, staged"));
    QCOMPARE(firstRow(view.unstagedList()), QStringLiteral("loose.txt, untracked, not staged"));
}

void TestChangesView::commitBoxGuidesSpellingAndHookPanel() {
    if (!SpellChecker::shared().isAvailable())
        QSKIP("no Hunspell dictionary installed");
    test::RepoFixture repo;
    repo.writeFile("widget.c", "int main(void) { return 0; }\n");
    repo.commitAll("root");
    repo.writeFile("widget.c", "int main(void) { return frobnicate(wdgt_count); }\n");
    repo.git({"add", "widget.c"});
    repo.writeFile(".git/hooks/pre-commit", "#!/bin/sh\necho 'widget.c:1: call to frobnicate "
                                            "needs a lock' >&2\nexit 1\n");
    QFile::setPermissions(repo.path() + "/.git/hooks/pre-commit",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    auto state = test::openState(repo.path());
    test::await(state->refresh());
    test::await(state->commitMessageMemory().loadStagedIdentifiers());

    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* view = new ChangesView(state.get(), &window);
    layout->addWidget(view);
    window.resize(620, 640);
    window.show();
    auto* edit = test::child<CommitMessageEdit>(view, "commitMessageEdit");
    QVERIFY(edit);
    const QString subject = "Call frobnicate before teh widget count is read, so that counts stay "
                            "right";
    state->setCommitMessage(subject + "\n\nThe wdgt_count was stale; see `wdgt_cnt` and "
                                      "src/widget.c for the reasn.");
    QCOMPARE(edit->misspeltWords(), (QStringList{"teh", "reasn"}));
    QVERIFY(subject.size() > CommitMessageEdit::bodyGuide);
    QVERIFY(edit->marksLongSubject());
    // The guides stand where the columns are.
    const qreal column = QFontMetricsF(edit->font()).horizontalAdvance(QLatin1Char('x'));
    QCOMPARE(qRound((edit->guideX(72) - edit->guideX(50)) / column), 22);

    auto* panel = test::child<QWidget>(view, "hookOutputPanel");
    QVERIFY(panel && !panel->isVisible());
    test::await(state->commitChanges());
    QVERIFY(panel->isVisible());
    QCOMPARE(test::child<QLabel>(panel, "hookOutputTitle")->text(),
             QStringLiteral("pre-commit hook output"));
    QCOMPARE(test::child<QPlainTextEdit>(panel, "hookOutputText")->toPlainText(),
             QStringLiteral("widget.c:1: call to frobnicate needs a lock"));
    QVERIFY(state->commitMessage().startsWith(subject));
    test::saveLightAndDark(&window, "commit-box-spelling-hook");

    // A word added to the dictionary is no longer marked.
    SpellChecker::shared().addWord("reasn");
    state->setCommitMessage("Fix teh reasn");
    QCOMPARE(edit->misspeltWords(), QStringList{"teh"});
    QTest::mouseClick(test::child<QWidget>(panel, "hookOutputClose"), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
}

QTEST_MAIN(TestChangesView)
#include "tst_ChangesView.moc"
