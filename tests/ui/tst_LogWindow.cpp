#include "log/LogStore.h"
#include "settings/AppSettings.h"
#include "support/TestEnvironment.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/log/LogListModel.h"
#include "ui/log/LogListView.h"
#include "ui/log/LogWindowController.h"
#include "ui/log/LogWindowView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace tolvane;

namespace {

QString screenshotDir() {
    QString base = qEnvironmentVariable("TOLVANE_BUILD_DIR");
    if (base.isEmpty())
        base = QDir::currentPath();
    const QString dir = base + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

template <typename T> T* child(QWidget* root, const char* name) {
    return root->findChild<T*>(QLatin1String(name));
}

// The last row lies inside the viewport, touching its bottom edge.
bool lastRowAtBottom(LogListView* list) {
    const int rows = list->model()->rowCount();
    if (rows == 0)
        return false;
    const QRect last = list->visualRect(list->model()->index(rows - 1, 0));
    const QRect viewport = list->viewport()->rect();
    return last.isValid() && viewport.contains(last.topLeft()) &&
           last.bottom() <= viewport.bottom() &&
           list->verticalScrollBar()->value() == list->verticalScrollBar()->maximum();
}

} // namespace

class TestLogWindow : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void init() {
        LogStore::shared().setEntries({});
        QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"))
            .remove(QStringLiteral("LogWindow"));
    }

    void emptyLogShowsTheEmptyState() {
        LogWindowController controller;
        QVERIFY(!controller.window());
        controller.show();
        QWidget* window = controller.window();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QStringLiteral("Log"));
        QCOMPARE(window->size(), QSize(600, 400));

        auto* text = child<QLabel>(window, "logEmptyText");
        auto* symbol = child<QLabel>(window, "logEmptySymbol");
        auto* count = child<QLabel>(window, "logCountLabel");
        auto* clear = child<QToolButton>(window, "logClearButton");
        auto* list = child<LogListView>(window, "logList");
        QVERIFY(text && symbol && count && clear && list);
        QCOMPARE(text->text(), QStringLiteral("No log entries"));
        QVERIFY(text->isVisible());
        QVERIFY(!symbol->pixmap().isNull());
        QVERIFY(!list->isVisible());
        QCOMPARE(count->text(), QStringLiteral("0 entries"));
        QVERIFY(!clear->isEnabled());
        QCOMPARE(clear->text(), QStringLiteral("Clear"));
    }

    void countsAndAutoScrollFollowTheStore() {
        LogWindowController controller;
        controller.show();
        QWidget* window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* count = child<QLabel>(window, "logCountLabel");
        auto* clear = child<QToolButton>(window, "logClearButton");
        auto* list = child<LogListView>(window, "logList");

        QSignalSpy resets(list->model(), &QAbstractItemModel::modelReset);
        QSignalSpy inserts(list->model(), &QAbstractItemModel::rowsInserted);
        LogStore::shared().add(QStringLiteral("Committed abc1234"), LogLevel::Success,
                               QStringLiteral("demo"));
        QCOMPARE(count->text(), QStringLiteral("1 entries"));
        QVERIFY(clear->isEnabled());
        QVERIFY(list->isVisible());
        QVERIFY(!child<QLabel>(window, "logEmptyText")->isVisible());
        QTRY_VERIFY(lastRowAtBottom(list));

        for (int i = 0; i < 300; ++i)
            LogStore::shared().add(QStringLiteral("Fetched origin %1").arg(i), LogLevel::Info,
                                   QStringLiteral("demo"));
        // Appends arrive as single-row inserts, never as a rebuild of the whole list.
        QCOMPARE(inserts.size(), 301);
        QCOMPARE(resets.size(), 0);
        QCOMPARE(count->text(), QStringLiteral("301 entries"));
        QTRY_VERIFY(lastRowAtBottom(list));
        QVERIFY(list->verticalScrollBar()->maximum() > 0);

        // Scrolled away by the user, the next entry brings the newest row back.
        list->verticalScrollBar()->setValue(0);
        LogStore::shared().add(QStringLiteral("Failed to push: rejected"), LogLevel::Error,
                               QStringLiteral("demo"));
        QTRY_VERIFY(lastRowAtBottom(list));
        QCOMPARE(list->model()->index(301, 0).data().toString(),
                 QStringLiteral("Failed to push: rejected"));
    }

    void clearEmptiesTheLog() {
        LogWindowController controller;
        controller.show();
        QWidget* window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        for (int i = 0; i < 3; ++i)
            LogStore::shared().add(QStringLiteral("entry"), LogLevel::Info, QString());
        auto* clear = child<QToolButton>(window, "logClearButton");
        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(LogStore::shared().entries().isEmpty());
        QCOMPARE(child<QLabel>(window, "logCountLabel")->text(), QStringLiteral("0 entries"));
        QVERIFY(!clear->isEnabled());
        QVERIFY(child<QLabel>(window, "logEmptyText")->isVisible());
        QCOMPARE(child<LogListView>(window, "logList")->model()->rowCount(), 0);

        // The list works again after a clear.
        LogStore::shared().add(QStringLiteral("again"), LogLevel::Info, QStringLiteral("r"));
        QCOMPARE(child<QLabel>(window, "logCountLabel")->text(), QStringLiteral("1 entries"));
        QTRY_VERIFY(lastRowAtBottom(child<LogListView>(window, "logList")));
    }

    void multiLineMessagesAreWholeAndCopyable() {
        LogWindowController controller;
        controller.show();
        QWidget* window = controller.window();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        auto* list = child<LogListView>(window, "logList");
        const QString message = QStringLiteral(
            "Failed to push: error: failed to push some refs\nhint: Updates were rejected\n"
            "hint: integrate the remote changes");
        LogStore::shared().add(QStringLiteral("short"), LogLevel::Info, QStringLiteral("r"));
        LogStore::shared().add(message, LogLevel::Error, QStringLiteral("r"));
        auto rowHeight = [list](int row) {
            return list->visualRect(list->model()->index(row, 0)).height();
        };
        const int single = rowHeight(0);
        // Every line of a message takes its own line in the row: heights grow line by line.
        LogStore::shared().add(QStringLiteral("a\nb\nc\nd\ne"), LogLevel::Info,
                               QStringLiteral("r"));
        const int perLine = (rowHeight(2) - rowHeight(1)) / 2;
        QVERIFY2(perLine >= 10, qPrintable(QString::number(perLine)));
        QCOMPARE(rowHeight(2) - rowHeight(1), 2 * perLine);
        QVERIFY(rowHeight(1) > single);

        // A message longer than the row wraps instead of being cut off.
        LogStore::shared().add(QString(400, QLatin1Char('x')), LogLevel::Info, QStringLiteral("r"));
        QVERIFY(rowHeight(3) > 3 * single);

        // A wrapped entry of several lines is drawn inside its own row, whatever its length: the
        // row is measured as the text is laid out. Painted alone, nothing lands below the row.
        window->resize(420, window->height());
        QFont odd = list->font();
        odd.setPointSizeF(9.3); // a size whose glyph advances are not whole pixels
        list->setFont(odd);
        QCoreApplication::processEvents();
        for (int length = 20; length < 140; ++length) {
            LogStore::shared().setEntries({});
            // git's own output indents with tabs.
            const QString wrapped = QStringLiteral("first line\n\t") +
                                    QString(length, QLatin1Char('w')) +
                                    QStringLiteral("\t a b\nlast line");
            LogStore::shared().add(wrapped, LogLevel::Error, QStringLiteral("r"));
            LogStore::shared().add(QStringLiteral("next"), LogLevel::Info, QStringLiteral("r"));
            QStyleOptionViewItem option;
            option.initFrom(list);
            option.widget = list;
            option.rect = list->visualRect(list->model()->index(0, 0));
            QCOMPARE(option.rect.top(), 0);
            QImage image(option.rect.width(), option.rect.height() + 200,
                         QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            {
                QPainter painter(&image);
                list->itemDelegate()->paint(&painter, option, list->model()->index(0, 0));
            }
            const QImage below = image.copy(0, option.rect.height(), image.width(), 200);
            QImage empty(below.size(), below.format());
            empty.fill(Qt::transparent);
            QVERIFY2(below == empty, qPrintable(QStringLiteral("length %1").arg(length)));
        }
        window->grab().save(screenshotDir() + QStringLiteral("/log-wrapped.png"));
        LogStore::shared().setEntries({});
        LogStore::shared().add(QStringLiteral("short"), LogLevel::Info, QStringLiteral("r"));
        LogStore::shared().add(message, LogLevel::Error, QStringLiteral("r"));
        LogStore::shared().add(QStringLiteral("a\nb\nc\nd\ne"), LogLevel::Info,
                               QStringLiteral("r"));

        list->setFocus();
        list->selectionModel()->select(list->model()->index(1, 0),
                                       QItemSelectionModel::ClearAndSelect);
        QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), message);

        list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select);
        QCOMPARE(list->selectedMessages(), QStringLiteral("short\n") + message);

        // The context menu's "Copy" copies the row under the pointer when it is not selected.
        QGuiApplication::clipboard()->clear();
        QString copyTitle;
        QTimer::singleShot(0, this, [&copyTitle] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            if (auto* copy = menu->findChild<QAction*>(QStringLiteral("logCopyAction"))) {
                copyTitle = copy->text();
                copy->trigger();
            }
            menu->close();
        });
        const QPoint inRow2 = list->visualRect(list->model()->index(2, 0)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, inRow2,
                                list->viewport()->mapToGlobal(inRow2));
        QApplication::sendEvent(list->viewport(), &event);
        QCOMPARE(copyTitle, QStringLiteral("Copy"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a\nb\nc\nd\ne"));
    }

    void toggleHidesAndShowsTheSameWindowAtItsPlace() {
        QWidget* first = nullptr;
        {
            LogWindowController controller;
            QAction* action = controller.createToggleAction(&controller);
            QCOMPARE(action->text(), QStringLiteral("Log"));
            QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Shift+Ctrl+L")));
            action->trigger();
            first = controller.window();
            QVERIFY(first && first->isVisible());
            QVERIFY(QTest::qWaitForWindowExposed(first));
            first->resize(720, 450);
            controller.toggle();
            QVERIFY(!first->isVisible());
            action->trigger();
            QCOMPARE(controller.window(), first);
            QVERIFY(first->isVisible());
            QCOMPARE(first->size(), QSize(720, 450));

            // Closing only hides: the window object survives for the next show. Escape closes.
            first->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(first));
            QTest::keyClick(first, Qt::Key_Escape);
            QVERIFY(!first->isVisible());
            controller.show();
            QCOMPARE(controller.window(), first);
            controller.toggle();
        }
        // A later launch restores the remembered frame.
        LogWindowController next;
        next.show();
        QVERIFY(QTest::qWaitForWindowExposed(next.window()));
        QCOMPARE(next.window()->size(), QSize(720, 450));
    }

    void screenshots() {
        AppearanceManager appearance;
        const QStringList repos{QStringLiteral("tolvane"), QStringLiteral("website"),
                                QStringLiteral("")};
        LogStore::shared().add(QStringLiteral("Opened repository"), LogLevel::Info, repos[0]);
        LogStore::shared().add(QStringLiteral("Staged 3 files"), LogLevel::Success, repos[0]);
        LogStore::shared().add(QStringLiteral("Committed 4f2a9c1: Fix the diff gutter"),
                               LogLevel::Success, repos[0]);
        LogStore::shared().add(
            QStringLiteral("Failed to push: To github.com:tolvane/website.git\n ! [rejected]"
                           "        main -> main (fetch first)\nerror: failed to push some refs"),
            LogLevel::Error, repos[1]);
        LogStore::shared().add(QStringLiteral("Fetched all remotes"), LogLevel::Info, repos[1]);
        LogStore::shared().add(QStringLiteral("Created branch feature/graph-overflow"),
                               LogLevel::Success, repos[0]);
        LogStore::shared().add(QStringLiteral("Note without a repository"), LogLevel::Info,
                               repos[2]);
        LogWindowController controller;
        for (const QString& mode : {QStringLiteral("light"), QStringLiteral("dark")}) {
            AppSettings::setAppearance(mode);
            appearance.apply();
            controller.show();
            QVERIFY(QTest::qWaitForWindowExposed(controller.window()));
            QCoreApplication::processEvents();
            QVERIFY(controller.window()->grab().save(screenshotDir() +
                                                     QStringLiteral("/log-%1.png").arg(mode)));
        }
        LogStore::shared().setEntries({});
        controller.show();
        QVERIFY(controller.window()->grab().save(screenshotDir() +
                                                 QStringLiteral("/log-empty-dark.png")));
        AppSettings::setAppearance(QStringLiteral("system"));
        appearance.apply();
    }
};

QTEST_MAIN(TestLogWindow)
#include "tst_LogWindow.moc"
