#include "app/AppState.h"
#include "support/TestEnvironment.h"
#include "ui/MainWindow.h"
#include "ui/window/WelcomeView.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace tolvane;

class TestWelcomeWindow : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void showsTheWelcomeScreen() {
        AppState appState;
        int chooserCalls = 0;
        appState.setFolderChooser([&](const QString&) -> std::optional<QString> {
            ++chooserCalls;
            return std::nullopt;
        });
        MainWindow window(appState);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.minimumSize(), QSize(900, 600));
        auto* title = window.findChild<QLabel*>(QStringLiteral("welcomeTitle"));
        auto* subtitle = window.findChild<QLabel*>(QStringLiteral("welcomeSubtitle"));
        auto* symbol = window.findChild<QLabel*>(QStringLiteral("welcomeSymbol"));
        auto* button = window.findChild<QPushButton*>(QStringLiteral("openRepositoryButton"));
        QVERIFY(title && subtitle && symbol && button);
        QCOMPARE(title->text(), QStringLiteral("Tolvane"));
        QCOMPARE(subtitle->text(), QStringLiteral("Open a repository to get started"));
        QCOMPARE(button->text(), QStringLiteral("Open Repository"));
        QVERIFY(!symbol->pixmap().isNull());
        QVERIFY(title->isVisible() && button->isVisible());

        QSignalSpy requested(window.welcomeView(), &WelcomeView::openRepositoryRequested);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(requested.size(), 1);
        QCOMPARE(chooserCalls, 1);

        const QString shot =
            qEnvironmentVariable("TOLVANE_BUILD_DIR") + QStringLiteral("/screenshots");
        QDir().mkpath(shot);
        window.grab().save(shot + QStringLiteral("/welcome.png"));
    }

    void binaryStartsOffscreen() {
        QProcess app;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        app.setProcessEnvironment(environment);
        app.start(QStringLiteral(TOLVANE_BINARY), {});
        QVERIFY(app.waitForStarted());
        // Still running after start-up means the window came up without failing.
        QVERIFY(!app.waitForFinished(2000));
        QCOMPARE(app.state(), QProcess::Running);
        app.terminate();
        QVERIFY(app.waitForFinished(10000));
    }
};

QTEST_MAIN(TestWelcomeWindow)
#include "tst_WelcomeWindow.moc"
