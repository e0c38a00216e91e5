#include "settings/AppSettings.h"
#include "settings/SettingsNotifier.h"
#include "support/TestEnvironment.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace tolvane;

class TestAppSettings : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

    static void clearAll() {
        QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane")).clear();
    }

private Q_SLOTS:
    void init() { clearAll(); }

    void storeIsIsolated() {
        const QString file =
            QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane")).fileName();
        QVERIFY2(file.startsWith(m_environment.home()), qPrintable(file));
    }

    void missingKeysReadAsDefaults() {
        QCOMPARE(AppSettings::appearance(), QStringLiteral("system"));
        QCOMPARE(AppSettings::showCommitGraph(), true);
        QCOMPARE(AppSettings::maxGraphColumns(), 10);
        QCOMPARE(AppSettings::shortenBranchLines(), true);
        QCOMPARE(AppSettings::showDotFiles(), false);
        QCOMPARE(AppSettings::showAllFiles(), false);
        QCOMPARE(AppSettings::enforceNoreplyEmail(), false);
        QCOMPARE(AppSettings::noreplyEmail(), QString());
        QVERIFY(!AppSettings::gitHubUsername().has_value());
        QCOMPARE(AppSettings::hasGitHubToken(), false);
        QVERIFY(!AppSettings::savedRepositoryBookmarks().has_value());
        QVERIFY(!AppSettings::lastActiveRepositoryPath().has_value());
    }

    void valuesSurviveANewStore() {
        AppSettings::setAppearance(QStringLiteral("dark"));
        AppSettings::setShowCommitGraph(false);
        AppSettings::setMaxGraphColumns(999);
        AppSettings::setNoreplyEmail(QStringLiteral("me@users.noreply.github.com"));
        AppSettings::setSavedRepositoryBookmarks({QByteArray("/a"), QByteArray("/b/ü")});
        AppSettings::setLastActiveRepositoryPath(QStringLiteral("/b/ü"));
        QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane")).sync();
        QCOMPARE(AppSettings::appearance(), QStringLiteral("dark"));
        QCOMPARE(AppSettings::showCommitGraph(), false);
        QCOMPARE(AppSettings::maxGraphColumns(), 999);
        QCOMPARE(AppSettings::noreplyEmail(), QStringLiteral("me@users.noreply.github.com"));
        QCOMPARE(AppSettings::savedRepositoryBookmarks(),
                 std::optional<QList<QByteArray>>({QByteArray("/a"), QByteArray("/b/ü")}));
        QCOMPARE(AppSettings::lastActiveRepositoryPath(),
                 std::optional<QString>(QStringLiteral("/b/ü")));
        AppSettings::setLastActiveRepositoryPath(std::nullopt);
        QVERIFY(!AppSettings::lastActiveRepositoryPath().has_value());
    }

    void wrongTypesReadAsDefaults() {
        AppSettings::setRawValue(SettingsKey::showCommitGraph, QStringLiteral("maybe"));
        AppSettings::setRawValue(SettingsKey::maxGraphColumns, QStringLiteral("ten"));
        AppSettings::setRawValue(SettingsKey::savedRepositoryBookmarks, QStringLiteral("/a"));
        QCOMPARE(AppSettings::showCommitGraph(), true);
        QCOMPARE(AppSettings::maxGraphColumns(), 10);
        QVERIFY(!AppSettings::savedRepositoryBookmarks().has_value());
        AppSettings::setRawValue(SettingsKey::savedRepositoryBookmarks,
                                 QVariantList{QByteArray("/a"), 5});
        QVERIFY(!AppSettings::savedRepositoryBookmarks().has_value());
    }

    void noreplyPlaceholder() {
        QCOMPARE(AppSettings::noreplyPlaceholder(),
                 QStringLiteral("user@users.noreply.github.com"));
        AppSettings::setGitHubUsername(QString());
        QCOMPARE(AppSettings::noreplyPlaceholder(),
                 QStringLiteral("user@users.noreply.github.com"));
        AppSettings::setGitHubUsername(QStringLiteral("octo"));
        QCOMPARE(AppSettings::noreplyPlaceholder(),
                 QStringLiteral("octo@users.noreply.github.com"));
        AppSettings::setGitHubUsername(std::nullopt);
        QVERIFY(!AppSettings::gitHubUsername().has_value());
    }

    void notifiesRealChangesOnly() {
        QSignalSpy spy(&SettingsNotifier::instance(), &SettingsNotifier::changed);
        AppSettings::setShowDotFiles(true);
        AppSettings::setShowDotFiles(true);
        AppSettings::setShowDotFiles(false);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("showDotFiles"));
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_AppSettings.moc"
