#include "settings/AppSettings.h"
#include "support/TestEnvironment.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/SettingsWindowController.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

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

// Clicks the box itself, where a user aims, rather than the middle of a wide row.
void clickToggle(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

const QString noreplyExample = QStringLiteral("user@users.noreply.github.com");

} // namespace

class TestSettingsWindow : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;
    SettingsWindowController* m_controller = nullptr;

    template <typename T> T* find(const char* name) const {
        T* widget = m_controller->window()->findChild<T*>(QLatin1String(name));
        if (!widget)
            qWarning("missing widget %s", name);
        return widget;
    }

private Q_SLOTS:
    void init() {
        for (const char* key : {SettingsKey::appearance, SettingsKey::showCommitGraph,
                                SettingsKey::maxGraphColumns, SettingsKey::shortenBranchLines,
                                SettingsKey::showDotFiles, SettingsKey::enforceNoreplyEmail,
                                SettingsKey::noreplyEmail, SettingsKey::gitHubUsername})
            AppSettings::remove(key);
        m_controller = new SettingsWindowController;
        m_controller->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_controller->window()));
    }
    void cleanup() {
        delete m_controller;
        m_controller = nullptr;
    }

    void freshInstallationShowsTheDefaults() {
        QCOMPARE(m_controller->view()->width(), 450);
        QVERIFY(find<QRadioButton>("appearance_system")->isChecked());
        QStringList modes;
        for (const char* name :
             {"appearance_system", "appearance_light", "appearance_dark", "appearance_opposite"})
            modes << find<QRadioButton>(name)->text();
        QCOMPARE(modes, (QStringList{QStringLiteral("System"), QStringLiteral("Light"),
                                     QStringLiteral("Dark"), QStringLiteral("Opposite")}));
        QVERIFY(find<QCheckBox>("showCommitGraphToggle")->isChecked());
        auto* picker = find<QComboBox>("graphColumnsPicker");
        QCOMPARE(picker->currentText(), QStringLiteral("10"));
        QCOMPARE(picker->width(), 120);
        QStringList choices;
        for (int i = 0; i < picker->count(); ++i)
            choices << picker->itemText(i);
        QCOMPARE(choices, QString("5 8 10 15 20 30 Unlimited").split(QLatin1Char(' ')));
        QVERIFY(find<QWidget>("graphColumnsRow")->isVisible());
        auto* shorten = find<QCheckBox>("shortenBranchLinesToggle");
        QCOMPARE(shorten->text(), QStringLiteral("Shorten long branch lines"));
        QVERIFY(shorten->isChecked());
        QVERIFY(shorten->isVisible());
        clickToggle(shorten);
        QVERIFY(!AppSettings::shortenBranchLines());
        AppSettings::setShortenBranchLines(true);
        QVERIFY(shorten->isChecked());
        QCOMPARE(find<QLabel>("graphColumnsHelp")->text(),
                 QStringLiteral("When more branches exist than the maximum, an overflow indicator "
                                "(⋯) is shown. Set to Unlimited to always draw all branches."));
        QVERIFY(!find<QCheckBox>("showDotFilesToggle")->isChecked());
        QCOMPARE(find<QCheckBox>("showDotFilesToggle")->text(),
                 QStringLiteral("Show dot files and directories"));
        QVERIFY(find<QLabel>("dotFilesHelp")->isVisible());
        auto* enforce = find<QCheckBox>("enforceNoreplyToggle");
        QCOMPARE(enforce->text(), QStringLiteral("Enforce noreply email on commit"));
        QVERIFY(!enforce->isChecked());
        QVERIFY(!find<QLineEdit>("noreplyEmailField")->isVisible());
        QVERIFY(!find<QLabel>("noreplyHelp")->isVisible());
    }

    void graphOffHidesTheColumnsRowAndKeepsTheCount() {
        auto* picker = find<QComboBox>("graphColumnsPicker");
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Down); // 10 -> 15
        QCOMPARE(AppSettings::maxGraphColumns(), 15);
        const int tall = m_controller->window()->height();

        clickToggle(find<QCheckBox>("showCommitGraphToggle"));
        QVERIFY(!AppSettings::showCommitGraph());
        QVERIFY(!find<QWidget>("graphColumnsRow")->isVisible());
        QVERIFY(!find<QLabel>("graphColumnsHelp")->isVisible());
        QVERIFY(!find<QCheckBox>("shortenBranchLinesToggle")->isVisible());
        QCOMPARE(AppSettings::maxGraphColumns(), 15);
        QTRY_VERIFY(m_controller->window()->height() < tall);

        clickToggle(find<QCheckBox>("showCommitGraphToggle"));
        QVERIFY(find<QWidget>("graphColumnsRow")->isVisible());
        QCOMPARE(picker->currentText(), QStringLiteral("15"));
    }

    void unlimitedStores999() {
        auto* picker = find<QComboBox>("graphColumnsPicker");
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_End);
        QCOMPARE(picker->currentText(), QStringLiteral("Unlimited"));
        QCOMPARE(AppSettings::maxGraphColumns(), 999);
        // And a stored 999 reads back as "Unlimited".
        AppSettings::setMaxGraphColumns(5);
        QCOMPARE(picker->currentText(), QStringLiteral("5"));
        AppSettings::setMaxGraphColumns(999);
        QCOMPARE(picker->currentText(), QStringLiteral("Unlimited"));
    }

    void enforcementFillsTheAddressOnlyWhenEmpty() {
        auto* enforce = find<QCheckBox>("enforceNoreplyToggle");
        auto* field = find<QLineEdit>("noreplyEmailField");
        QCOMPARE(field->placeholderText(), noreplyExample);

        // Without a GitHub name the example address is filled in.
        clickToggle(enforce);
        QVERIFY(AppSettings::enforceNoreplyEmail());
        QCOMPARE(AppSettings::noreplyEmail(), noreplyExample);
        QVERIFY(field->isVisible());
        QCOMPARE(field->text(), noreplyExample);
        QCOMPARE(find<QLabel>("noreplyHelp")->text(),
                 QStringLiteral("Before each commit, Tolvane will set the repository's user.email "
                                "to this address. Use your GitHub noreply address (e.g. "
                                "user@users.noreply.github.com) to keep your real email private."));

        // Turning it off keeps the address.
        clickToggle(enforce);
        QVERIFY(!AppSettings::enforceNoreplyEmail());
        QCOMPARE(AppSettings::noreplyEmail(), noreplyExample);
        QVERIFY(!field->isVisible());

        // A typed address survives turning the enforcement on again.
        AppSettings::setNoreplyEmail(QStringLiteral("me@example.com"));
        clickToggle(enforce);
        QCOMPARE(AppSettings::noreplyEmail(), QStringLiteral("me@example.com"));
        QCOMPARE(field->text(), QStringLiteral("me@example.com"));

        // Typing stores at once, without validation.
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("not an address"));
        QCOMPARE(AppSettings::noreplyEmail(), QStringLiteral("not an address"));
        QCOMPARE(field->text(), QStringLiteral("not an address"));
    }

    void aKnownGitHubNameIsUsed() {
        AppSettings::setGitHubUsername(QStringLiteral("octocat"));
        auto* field = find<QLineEdit>("noreplyEmailField");
        QCOMPARE(field->placeholderText(), QStringLiteral("octocat@users.noreply.github.com"));
        clickToggle(find<QCheckBox>("enforceNoreplyToggle"));
        QCOMPARE(AppSettings::noreplyEmail(), QStringLiteral("octocat@users.noreply.github.com"));
        QCOMPARE(field->text(), QStringLiteral("octocat@users.noreply.github.com"));
    }

    void controlsWriteAndFollowTheSettings() {
        QTest::mouseClick(find<QRadioButton>("appearance_opposite"), Qt::LeftButton);
        QCOMPARE(AppSettings::appearance(), QStringLiteral("opposite"));
        clickToggle(find<QCheckBox>("showDotFilesToggle"));
        QVERIFY(AppSettings::showDotFiles());

        // Changes made elsewhere show at once.
        AppSettings::setAppearance(QStringLiteral("dark"));
        QVERIFY(find<QRadioButton>("appearance_dark")->isChecked());
        AppSettings::setShowDotFiles(false);
        QVERIFY(!find<QCheckBox>("showDotFilesToggle")->isChecked());
        AppSettings::setEnforceNoreplyEmail(true);
        QVERIFY(find<QLineEdit>("noreplyEmailField")->isVisible());
        // An unknown stored value reads as "system".
        AppSettings::setAppearance(QStringLiteral("sepia"));
        QVERIFY(find<QRadioButton>("appearance_system")->isChecked());
    }

    void showActionOpensTheSameWindow() {
        QWidget* window = m_controller->window();
        QAction* action = m_controller->createShowAction(m_controller);
        QCOMPARE(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        window->close();
        action->trigger();
        QCOMPARE(m_controller->window(), window);
        QVERIFY(window->isVisible());

        // Escape and Ctrl+W close it.
        for (const QKeyCombination keys :
             {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
            action->trigger();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, keys.key(), keys.keyboardModifiers());
            QVERIFY(!window->isVisible());
        }
        action->trigger();
    }

    void screenshots() {
        AppearanceManager appearance;
        AppSettings::setGitHubUsername(QStringLiteral("octocat"));
        AppSettings::setEnforceNoreplyEmail(true);
        AppSettings::setNoreplyEmail(QStringLiteral("octocat@users.noreply.github.com"));
        for (const QString& mode : {QStringLiteral("light"), QStringLiteral("dark")}) {
            AppSettings::setAppearance(mode);
            appearance.apply();
            QCoreApplication::processEvents();
            QVERIFY(m_controller->window()->grab().save(
                screenshotDir() + QStringLiteral("/settings-%1.png").arg(mode)));
        }
        AppSettings::setAppearance(QStringLiteral("system"));
        appearance.apply();
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_SettingsWindow.moc"
