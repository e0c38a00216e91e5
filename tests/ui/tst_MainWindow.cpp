#include "ViewTestSupport.h"
#include "app/AppState.h"
#include "settings/AppSettings.h"
#include "state/RepositoryState.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/MainWindow.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/clone/CloneDialog.h"
#include "ui/common/ShortcutsWindow.h"
#include "ui/operations/OperationsWindow.h"
#include "ui/window/AboutDialog.h"
#include "ui/window/ContentView.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/TabBarView.h"
#include "ui/window/TabItemView.h"
#include "ui/window/WelcomeView.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <memory>

using namespace tolvane;

namespace {

QString screenshotPath(const QString& name) {
    QString folder = qEnvironmentVariable("TOLVANE_BUILD_DIR");
    if (folder.isEmpty())
        folder = QDir::currentPath();
    folder += QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name;
}

QStringList itemNames(TabBarView* bar) {
    QStringList names;
    for (TabItemView* item : bar->items())
        names.append(item->tab().name);
    return names;
}

void hover(QWidget* widget, bool inside) {
    if (inside) {
        const QPointF centre = QRectF(widget->rect()).center();
        QEnterEvent enter(centre, centre, widget->mapToGlobal(centre));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;
    std::unique_ptr<AppearanceManager> m_appearance;
    std::unique_ptr<test::RepoFixture> m_a, m_b, m_c;

    struct Window {
        AppState app;
        MainWindow window{app};
        int chooserCalls = 0;
        std::optional<QString> chooserAnswer;
        Window() {
            app.setFolderChooser([this](const QString& title) {
                ++chooserCalls;
                Q_ASSERT(title == QStringLiteral("Choose a Git Repository"));
                return chooserAnswer;
            });
            window.show();
        }
        ContentView* content() const { return window.contentView(); }
        TabBarView* bar() const { return content()->tabBar(); }
        bool enabled(const char* action) const {
            return window.action(QString::fromLatin1(action))->isEnabled();
        }
    };

private Q_SLOTS:
    void initTestCase() {
        m_appearance = std::make_unique<AppearanceManager>();
        m_a = std::make_unique<test::RepoFixture>(QStringLiteral("tolvane"));
        m_b = std::make_unique<test::RepoFixture>(QStringLiteral("website"));
        m_c = std::make_unique<test::RepoFixture>(QStringLiteral("notes"));
        for (test::RepoFixture* repo : {m_a.get(), m_b.get(), m_c.get()}) {
            repo->writeFile(QStringLiteral("README.md"), "hello\n");
            repo->commitAll(QStringLiteral("first"));
        }
        m_a->writeFile(QStringLiteral("README.md"), "hello again\n"); // uncommitted
    }

    void init() {
        AppSettings::remove(SettingsKey::savedRepositoryBookmarks);
        AppSettings::remove(SettingsKey::lastActiveRepositoryPath);
    }

    void withoutRepositoriesOnlyTheWelcomeScreen() {
        Window w;
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QVERIFY(!w.bar()->isVisible());
        QVERIFY(w.content()->welcomeView()->isVisible());
        QVERIFY(!w.content()->currentRepositoryView());
        QVERIFY(!w.enabled("closeTabAction") && !w.enabled("repositoryHealthAction"));
        QVERIFY(!w.enabled("nextTabAction"));
        QVERIFY(!w.enabled("previousTabAction"));
        QVERIFY(w.enabled("openRepositoryAction") && w.enabled("newTabAction"));
        QVERIFY(w.enabled("refreshAction"));
        QCOMPARE(w.window.minimumSize(), QSize(900, 600));
    }

    void tabsShowNameBranchAndChangesAndCloseBackToWelcome() {
        Window w;
        test::await(w.app.openRepository(m_a->path()));
        QVERIFY(!w.enabled("nextTabAction") && !w.enabled("previousTabAction"));
        QVERIFY(w.enabled("closeTabAction") && w.enabled("repositoryHealthAction"));
        test::await(w.app.openRepository(m_b->path()));
        QVERIFY(w.bar()->isVisible());
        QCOMPARE(w.bar()->height(), TabBarView::barHeight);
        QCOMPARE(itemNames(w.bar()), (QStringList{"tolvane", "website"}));
        TabItemView* a = w.bar()->items()[0];
        TabItemView* b = w.bar()->items()[1];
        QCOMPARE(a->branchText(), QStringLiteral("main"));
        QCOMPARE(b->branchText(), QStringLiteral("main"));
        QVERIFY(a->showsChangesDot());
        QVERIFY(!b->showsChangesDot());
        QVERIFY(b->isActive() && !a->isActive());
        QVERIFY(w.enabled("closeTabAction") && w.enabled("nextTabAction") &&
                w.enabled("previousTabAction"));
        QCOMPARE(w.window.windowTitle(), QStringLiteral("website — Tolvane"));
        // One separator between the two entries, none after the last.
        QCOMPARE(w.bar()->findChildren<QWidget*>(QStringLiteral("tabSeparator")).size(), 1);

        // Clicking the first entry shows its repository.
        QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(20, a->height() / 2));
        QVERIFY(a->isActive());
        QCOMPARE(w.content()->currentRepositoryView()->state(), w.app.activeRepositoryState());

        // Closing the tab that has the keyboard hands it to the tab shown next, where it was
        // last, and never leaves it on nothing; the last tab's close hands it to the welcome.
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        // The last control of the shown view that takes the keyboard.
        const auto shownList = [&w] {
            QWidget* found = nullptr;
            for (QWidget* widget : w.content()->currentRepositoryView()->findChildren<QWidget*>())
                if (widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus))
                    found = widget;
            return found;
        };
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(20, b->height() / 2));
        QWidget* inB = shownList();
        QVERIFY(inB);
        inB->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), inB);
        QTest::mouseClick(a, Qt::LeftButton, {}, QPoint(20, a->height() / 2));
        QWidget* inA = shownList();
        QVERIFY(inA);
        inA->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), inA);
        QTest::keyClick(&w.window, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(w.app.tabs().size(), 1);
        QCOMPARE(QApplication::focusWidget(), inB);
        QTest::keyClick(&w.window, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(w.content()->welcomeView()->isVisible());
        QVERIFY(QApplication::focusWidget() &&
                w.content()->welcomeView()->isAncestorOf(QApplication::focusWidget()));
        test::await(w.app.openRepository(m_a->path()));
        test::await(w.app.openRepository(m_b->path()));

        for (const char* scheme : {"light", "dark"}) {
            AppSettings::setAppearance(QString::fromLatin1(scheme));
            m_appearance->apply();
            w.window.resize(1200, 760);
            QCoreApplication::processEvents();
            w.window.grab().save(
                screenshotPath(QStringLiteral("repository-two-tabs-%1.png").arg(scheme)));
            w.app.closeTab(w.app.tabs().last());
            w.app.closeTab(w.app.tabs().last());
            QTRY_VERIFY(w.content()->welcomeView()->isVisible());
            QVERIFY(!w.bar()->isVisible());
            w.window.grab().save(screenshotPath(QStringLiteral("welcome-%1.png").arg(scheme)));
            test::await(w.app.openRepository(m_a->path()));
            test::await(w.app.openRepository(m_b->path()));
        }
        AppSettings::setAppearance(QStringLiteral("system"));
        m_appearance->apply();
    }

    void closeButtonOnActiveAndHoveredTabOnly() {
        Window w;
        for (test::RepoFixture* repo : {m_a.get(), m_b.get(), m_c.get()})
            test::await(w.app.openRepository(repo->path()));
        const QList<TabItemView*> items = w.bar()->items();
        QVERIFY(!items[0]->closeButton()->isVisible());
        QVERIFY(!items[1]->closeButton()->isVisible());
        QVERIFY(items[2]->closeButton()->isVisible());

        hover(items[0], true);
        QCOMPARE(w.bar()->hoveredTab(), items[0]->tab().id);
        QVERIFY(items[0]->closeButton()->isVisible());
        QVERIFY(!items[1]->closeButton()->isVisible());
        const QRect before = items[1]->geometry();
        hover(items[0], false);
        QVERIFY(!items[0]->closeButton()->isVisible());
        QVERIFY(!w.bar()->hoveredTab());
        QCOMPARE(items[1]->geometry(), before); // hovering never shifts the bar

        hover(items[0], true);
        QCOMPARE(items[0]->closeButton()->toolTip(), QStringLiteral("Close Tab (Ctrl+W)"));
        QTest::mouseClick(items[0]->closeButton(), Qt::LeftButton);
        QCOMPARE(itemNames(w.bar()), (QStringList{"website", "notes"}));
        QCOMPARE(w.app.activeTab()->name, QStringLiteral("notes"));
    }

    void draggingTheFirstTabOverTheThirdReordersLive() {
        Window w;
        for (test::RepoFixture* repo : {m_a.get(), m_b.get(), m_c.get()})
            test::await(w.app.openRepository(repo->path()));
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        TabItemView* first = w.bar()->items()[0];
        TabItemView* third = w.bar()->items()[2];
        const QPoint start(20, first->height() / 2);
        QTest::mousePress(first, Qt::LeftButton, {}, start);
        QTest::mouseMove(first, start + QPoint(QApplication::startDragDistance() + 2, 0));
        QCOMPARE(w.bar()->draggingTab(), first->tab().id);
        QCOMPARE(first->opacity(), 0.5);
        QVERIFY(first->graphicsEffect());
        QCOMPARE(itemNames(w.bar()), (QStringList{"tolvane", "website", "notes"}));

        const QPoint overThird = first->mapFromGlobal(third->mapToGlobal(third->rect().center()));
        QTest::mouseMove(first, overThird);
        QCOMPARE(itemNames(w.bar()), (QStringList{"website", "notes", "tolvane"}));
        QStringList saved;
        const QList<QByteArray> grants = AppSettings::savedRepositoryBookmarks().value();
        for (const QByteArray& grant : grants)
            saved.append(QString::fromUtf8(grant));
        QCOMPARE(saved, (QStringList{m_b->path(), m_c->path(), m_a->path()}));
        // Moving on over the same entry does not move again.
        QTest::mouseMove(first, first->mapFromGlobal(third->mapToGlobal(QPoint(2, 2))));
        QCOMPARE(itemNames(w.bar()), (QStringList{"website", "notes", "tolvane"}));

        QTest::mouseRelease(first, Qt::LeftButton, {}, overThird);
        QVERIFY(!w.bar()->draggingTab());
        QCOMPARE(first->opacity(), 1.0);
    }

    void newTabAndOpenRepositoryReachTheChooser() {
        Window w;
        w.window.action(QStringLiteral("openRepositoryAction"))->trigger();
        w.window.action(QStringLiteral("newTabAction"))->trigger();
        QCOMPARE(w.chooserCalls, 2);
        QCOMPARE(w.window.action(QStringLiteral("newTabAction"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_T));
        QCOMPARE(w.window.action(QStringLiteral("openRepositoryAction"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_O));

        w.chooserAnswer = m_a->path();
        w.window.action(QStringLiteral("newTabAction"))->trigger();
        QTRY_COMPARE(w.app.tabs().size(), 1);
        QToolButton* plus = w.bar()->newTabButton();
        QCOMPARE(plus->toolTip(), QStringLiteral("Open Repository (Ctrl+T)"));
        w.chooserAnswer = std::nullopt;
        QTest::mouseClick(plus, Qt::LeftButton);
        QCOMPARE(w.chooserCalls, 4);

        test::await(w.app.openRepository(m_b->path()));
        w.window.action(QStringLiteral("nextTabAction"))->trigger();
        QCOMPARE(w.app.activeTab()->name, QStringLiteral("tolvane"));
        w.window.action(QStringLiteral("previousTabAction"))->trigger();
        QCOMPARE(w.app.activeTab()->name, QStringLiteral("website"));
        w.window.action(QStringLiteral("closeTabAction"))->trigger();
        QCOMPARE(w.app.tabs().size(), 1);
        QVERIFY(!w.enabled("nextTabAction"));
    }

    void everyTabShortcutFiresExactlyOnce() {
        // An action that reports a press as ambiguous does nothing at all.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Ambiguous shortcut")));
        Window w;
        for (test::RepoFixture* repo : {m_a.get(), m_b.get(), m_c.get()})
            test::await(w.app.openRepository(repo->path()));
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        int nextCount = 0, previousCount = 0;
        connect(w.window.action(QStringLiteral("nextTabAction")), &QAction::triggered, this,
                [&] { ++nextCount; });
        connect(w.window.action(QStringLiteral("previousTabAction")), &QAction::triggered, this,
                [&] { ++previousCount; });
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier,
                                    ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            bool next;
        } presses[] = {
            {Qt::Key_BracketRight, ctrlShift, true},
            {Qt::Key_BraceRight, ctrlShift, true},
            {Qt::Key_Tab, ctrl, true},
            {Qt::Key_PageDown, ctrl, true},
            {Qt::Key_BracketLeft, ctrlShift, false},
            {Qt::Key_BraceLeft, ctrlShift, false},
            {Qt::Key_Backtab, ctrlShift, false},
            {Qt::Key_PageUp, ctrl, false},
        };
        QStringList order;
        for (const auto& press : presses) {
            const int before = press.next ? nextCount : previousCount;
            const QString active = w.app.activeTab()->name;
            QTest::keyClick(&w.window, press.key, press.modifiers);
            QCOMPARE((press.next ? nextCount : previousCount) - before, 1);
            QCOMPARE(nextCount + previousCount, int(&press - presses) + 1);
            QVERIFY(w.app.activeTab()->name != active);
        }
        // Tab order wraps: four steps forward and four back end where they started.
        QCOMPARE(w.app.activeTab()->name, QStringLiteral("notes"));
        int helpCount = 0;
        w.window.setHelpHandler([&] { ++helpCount; });
        QTest::keyClick(&w.window, Qt::Key_Slash, ctrlShift);
        QCOMPARE(helpCount, 1);
        QTest::keyClick(&w.window, Qt::Key_Question, ctrlShift);
        QCOMPARE(helpCount, 2);
        // Ctrl+Shift+O opens the clone dialog, whose help opens its own page.
        QStringList pages;
        w.window.setHelpPageHandler([&](const QString& page) { pages.append(page); });
        QTest::keyClick(&w.window, Qt::Key_O, ctrlShift);
        CloneDialog* clone = nullptr;
        QTRY_VERIFY((clone = w.window.findChild<CloneDialog*>()) && clone->isVisible());
        test::child<QPushButton>(clone, QStringLiteral("cloneHelp"))->click();
        QCOMPARE(pages, QStringList{QStringLiteral("cloning.html")});
        clone->reject();

        // The shortcuts window lists every menu item's keys, read from the menus themselves, and
        // the keys of the lists; one press opens one window, Escape closes it.
        QTest::keyClick(&w.window, Qt::Key_F1, ctrl);
        QTest::keyClick(&w.window, Qt::Key_F1, ctrl);
        QCOMPARE(w.window.findChildren<ShortcutsWindow*>().size(), 1);
        auto* shortcuts = w.window.findChild<ShortcutsWindow*>();
        QVERIFY(QTest::qWaitForWindowExposed(shortcuts));
        QStringList lines;
        for (QTreeWidgetItemIterator it(shortcuts->list()); *it; ++it)
            lines << (*it)->text(0) + QLatin1Char('=') + (*it)->text(1);
        for (const QString& expected :
             {QStringLiteral("Refresh=Ctrl+R"), QStringLiteral("Close Tab=Ctrl+W"),
              QStringLiteral("Stage the selected files=S"),
              QStringLiteral("Open the menu of the selected row=Menu or Shift+F10")})
            QVERIFY2(lines.contains(expected), qPrintable(expected));
        QVERIFY(lines.filter(QStringLiteral("Next Tab=")).value(0).contains(u"Ctrl+PgDown"));
        QCOMPARE(lines.filter(QStringLiteral("Tolvane Help=")).size(), 1);
        const QStringList problems = test::accessibilityProblems(shortcuts);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        test::saveLightAndDark(shortcuts, QStringLiteral("keyboard-shortcuts"));
        QTest::keyClick(shortcuts->list(), Qt::Key_Escape);
        QTRY_VERIFY(!w.window.findChild<ShortcutsWindow*>());
    }

    void theErrorAlertShowsAndClearsTheMessage() {
        Window w;
        QTemporaryDir plain;
        w.chooserAnswer = plain.path();
        w.window.action(QStringLiteral("openRepositoryAction"))->trigger();
        QTRY_VERIFY(w.content()->errorAlert());
        QMessageBox* alert = w.content()->errorAlert();
        QTRY_VERIFY(alert->isVisible());
        QCOMPARE(alert->windowTitle(), QStringLiteral("Error"));
        QCOMPARE(alert->text(), QStringLiteral("Not a valid Git repository."));
        QCOMPARE(alert->buttons().size(), 1);
        QCOMPARE(alert->buttons().first()->text(), QStringLiteral("OK"));
        QVERIFY(w.app.tabs().isEmpty());
        QTest::mouseClick(alert->buttons().first(), Qt::LeftButton);
        QVERIFY(!w.app.errorMessage());
        QTRY_VERIFY(!w.content()->errorAlert());

        // Dismissed with Escape: also cleared.
        w.app.setErrorMessage(QStringLiteral("Something failed"));
        QTRY_VERIFY(w.content()->errorAlert() && w.content()->errorAlert()->isVisible());
        QTest::keyClick(w.content()->errorAlert(), Qt::Key_Escape);
        QTRY_VERIFY(!w.app.errorMessage());
    }

    void refreshesHalfASecondAfterBecomingActive() {
        Window w;
        test::await(w.app.openRepository(m_b->path()));
        RepositoryState* state = w.app.activeRepositoryState();
        QVERIFY(state->changes().isEmpty());
        m_b->writeFile(QStringLiteral("new.txt"), "x\n");
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(w.content()->activationRefreshTimer().isActive());
        QCOMPARE(w.content()->activationRefreshTimer().interval(), 500);
        QTRY_COMPARE(state->changes().size(), 1);
        QFile::remove(m_b->path() + QStringLiteral("/new.txt"));
        // Leaving again before the delay cancels it.
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
        QVERIFY(!w.content()->activationRefreshTimer().isActive());
    }

    void aHundredTabsAndALongBranchKeepTheWindowUsable() {
        Window w;
        test::RepoFixture longBranch(QStringLiteral("long"));
        longBranch.writeFile(QStringLiteral("f"), "x\n");
        longBranch.commitAll(QStringLiteral("one"));
        longBranch.git({QStringLiteral("checkout"), QStringLiteral("-q"), QStringLiteral("-b"),
                        QString(200, QLatin1Char('b'))});
        test::await(w.app.openRepository(longBranch.path()));
        TabItemView* item = w.bar()->items().first();
        QCOMPARE(item->branchText().size(), 200);
        QVERIFY(item->sizeHint().width() < 500);
        QVERIFY(w.window.minimumSizeHint().width() <= 900);
        QVERIFY(w.content()->currentRepositoryView()->width() <= w.window.width());

        QList<RepositoryTab> tabs = w.app.tabs();
        for (int i = 0; i < 100; ++i)
            tabs.append({QUuid::createUuid(), QStringLiteral("/nowhere/%1").arg(i),
                         QStringLiteral("repository-%1").arg(i), std::nullopt});
        w.app.setTabs(tabs);
        QCOMPARE(w.bar()->items().size(), 101);
        QCoreApplication::processEvents();
        // The "+" stays inside the window and clickable.
        QToolButton* plus = w.bar()->newTabButton();
        QVERIFY(plus->isVisible());
        QVERIFY(w.window.rect().contains(QRect(plus->mapTo(&w.window, QPoint()), plus->size())));
        QCOMPARE(w.window.width(), 1200);
        w.app.setActiveTabId(tabs.last().id); // a tab without a state shows the welcome screen
        QVERIFY(w.content()->welcomeView()->isVisible());
        w.window.grab().save(screenshotPath(QStringLiteral("hundred-tabs.png")));
    }

    void thirtyTabsKeepTheActiveOneWhollyVisible() {
        Window w;
        w.window.resize(900, 600);
        test::await(w.app.openRepository(m_a->path()));
        QList<RepositoryTab> tabs = w.app.tabs();
        for (int i = 0; i < 29; ++i)
            tabs.append({QUuid::createUuid(), QStringLiteral("/nowhere/%1").arg(i),
                         QStringLiteral("repository-%1").arg(i), std::nullopt});
        w.app.setTabs(tabs);
        QScrollArea* scroll = w.bar()->scrollArea();
        const auto whollyShown = [&](const QUuid& id) {
            TabItemView* item = w.bar()->item(id);
            const QRect shown(item->mapTo(scroll->viewport(), QPoint()), item->size());
            return scroll->viewport()->rect().contains(shown);
        };
        // Overflowing, the bar says so with a menu of every tab.
        QToolButton* list = w.bar()->tabListButton();
        QTRY_VERIFY(list->isVisible());
        for (const int index : {29, 0, 17, 28, 1}) {
            w.app.setActiveTabId(tabs[index].id);
            QTRY_VERIFY2(whollyShown(tabs[index].id), qPrintable(QString::number(index)));
        }
        // A narrower window keeps it in view too.
        w.window.resize(700, 600);
        QTRY_VERIFY(whollyShown(tabs[1].id));
        QMenu* menu = list->menu();
        Q_EMIT menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 30);
        QVERIFY(menu->actions().at(1)->isChecked());
        menu->actions().at(22)->trigger();
        QCOMPARE(w.app.activeTabId(), tabs[22].id);
        QTRY_VERIFY(whollyShown(tabs[22].id));
        test::saveLightAndDark(&w.window, QStringLiteral("thirty-tabs"));

        // Few tabs fit: no menu.
        w.app.setTabs(tabs.mid(0, 2));
        QTRY_VERIFY(!list->isVisible());
    }

    void aRepositoryRemovedWhileOpen() {
        Window w;
        test::RepoFixture doomed(QStringLiteral("doomed"));
        doomed.writeFile(QStringLiteral("f"), "x\n");
        doomed.commitAll(QStringLiteral("one"));
        test::await(w.app.openRepository(m_c->path()));
        test::await(w.app.openRepository(doomed.path()));
        RepositoryView* view = w.content()->currentRepositoryView();
        QVERIFY(view && !view->missingPage()->isVisible());
        // Moved away, it shows why instead of an empty history; back, it shows again.
        const QString away = doomed.siblingPath(QStringLiteral("moved"));
        QVERIFY(QDir().rename(doomed.path(), away));
        test::await(w.app.refreshActiveTab());
        QVERIFY(view->missingPage()->isVisible());
        QVERIFY(!view->historyPane()->isVisible());
        QVERIFY(view->findChild<QLabel*>(QStringLiteral("repositoryMissingPageText"))
                    ->text()
                    .contains(doomed.path()));
        for (const char* scheme : {"light", "dark"}) {
            AppSettings::setAppearance(QString::fromLatin1(scheme));
            m_appearance->apply();
            QCoreApplication::processEvents();
            w.window.grab().save(
                screenshotPath(QStringLiteral("repository-missing-%1.png").arg(scheme)));
        }
        AppSettings::setAppearance(QStringLiteral("system"));
        m_appearance->apply();
        QVERIFY(QDir().rename(away, doomed.path()));
        test::await(w.app.refreshActiveTab());
        QVERIFY(!view->missingPage()->isVisible() && view->historyPane()->isVisible());

        QVERIFY(QDir(doomed.path()).removeRecursively());
        test::await(w.app.refreshActiveTab());
        QTest::mouseClick(view->findChild<QPushButton*>(QStringLiteral("closeMissingTabButton")),
                          Qt::LeftButton);
        QCOMPARE(w.app.tabs().size(), 1);
        QCOMPARE(w.app.activeTab()->name, QStringLiteral("notes"));
        QTRY_COMPARE(w.content()->currentRepositoryView()->state(), w.app.activeRepositoryState());
    }

    void editMenuUndoesByNameAndTheOperationsWindowUndoesToAPoint() {
        test::RepoFixture repo(QStringLiteral("journal"));
        repo.writeFile(QStringLiteral("a.txt"), "a\n");
        repo.commitAll(QStringLiteral("first"));
        Window w;
        test::await(w.app.openRepository(repo.path()));
        RepositoryState* state = w.app.activeRepositoryState();
        QAction* undo = w.window.action(QStringLiteral("undoOperationAction"));
        QAction* redo = w.window.action(QStringLiteral("redoOperationAction"));
        QVERIFY(!undo->isEnabled() && !redo->isEnabled());
        test::await(state->createBranchWithName(QStringLiteral("topic")));
        test::await(state->createTagWithName(QStringLiteral("v1"), std::nullopt));
        QCOMPARE(undo->text(), QStringLiteral("Undo Create Tag 'v1'"));
        QVERIFY(undo->isEnabled());

        // Ctrl+Z in a text field is the field's own undo, not the repository's.
        auto* field = new QLineEdit(&w.window);
        field->show();
        field->setFocus();
        QTest::keyClicks(field, QStringLiteral("typed"));
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();
        QCOMPARE(field->text(), QString());
        QCOMPARE(repo.git({"tag"}), QStringLiteral("v1"));
        delete field;
        undo->trigger();
        QTRY_COMPARE(repo.git({"tag"}), QString());
        QTRY_COMPARE(redo->text(), QStringLiteral("Redo Create Tag 'v1'"));
        QCOMPARE(undo->text(), QStringLiteral("Undo Create Branch 'topic'"));
        redo->trigger();
        QTRY_COMPARE(repo.git({"tag"}), QStringLiteral("v1"));

        w.window.action(QStringLiteral("operationsWindowAction"))->trigger();
        auto* operations = w.window.findChild<OperationsWindow*>();
        QVERIFY(operations && operations->isVisible());
        auto* list = operations->findChild<QTreeWidget*>(QStringLiteral("operationsList"));
        auto* undoToHere = operations->findChild<QPushButton*>(QStringLiteral("undoToHereButton"));
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("Create Tag 'v1'"));
        QVERIFY(!undoToHere->isEnabled());
        for (const char* scheme : {"light", "dark"}) {
            AppSettings::setAppearance(QString::fromLatin1(scheme));
            m_appearance->apply();
            QCoreApplication::processEvents();
            operations->grab().save(
                screenshotPath(QStringLiteral("operations-%1.png").arg(scheme)));
        }
        AppSettings::setAppearance(QStringLiteral("system"));
        m_appearance->apply();

        // Undo to the branch's creation takes the tag made after it back too.
        list->setCurrentItem(list->topLevelItem(1));
        // Enabled once the redo before has finished writing its entry.
        QTRY_VERIFY(undoToHere->isEnabled());
        QTest::mouseClick(undoToHere, Qt::LeftButton);
        QTRY_COMPARE(repo.git({"branch", "--show-current"}), QStringLiteral("main"));
        QCOMPARE(repo.git({"tag"}), QString());
        QTRY_COMPARE(list->topLevelItem(1)->text(2), QStringLiteral("Undone"));
        QVERIFY(!undo->isEnabled());
        QCOMPARE(redo->text(), QStringLiteral("Redo Create Branch 'topic'"));
    }

    void aboutShowsNameVersionAndIcon() {
        QCOMPARE(AboutDialog::displayVersion(QString()), QStringLiteral("dev"));
        QCOMPARE(AboutDialog::displayVersion(QStringLiteral("1.2.0")), QStringLiteral("1.2.0"));
        Window w;
        QPixmap icon(128, 128);
        icon.fill(Qt::blue);
        w.window.setAboutInfo(QString(), icon);
        w.window.action(QStringLiteral("aboutAction"))->trigger();
        auto* dialog = w.window.findChild<AboutDialog*>(QStringLiteral("aboutDialog"));
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("aboutName"))->text(), "Tolvane");
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("aboutVersion"))->text(),
                 QStringLiteral("Version dev"));
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("aboutIcon"))->pixmap().size(),
                 QSize(128, 128));
        dialog->close();
    }

    void sizeAndPositionComeBackNextTime() {
        QSettings store(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"));
        store.remove(QLatin1String(MainWindow::autosaveName));
        {
            Window first;
            QVERIFY(QTest::qWaitForWindowExposed(&first.window));
            first.window.setGeometry(QRect(40, 30, 1010, 650));
            QTRY_COMPARE(first.window.size(), QSize(1010, 650));
            first.window.close();
        }
        Window second;
        QVERIFY(QTest::qWaitForWindowExposed(&second.window));
        QCOMPARE(second.window.geometry(), QRect(40, 30, 1010, 650));
        store.remove(QLatin1String(MainWindow::autosaveName));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_MainWindow.moc"
