#include "platform/ColorSchemeHelper.h"
#include "settings/AppSettings.h"
#include "support/TestEnvironment.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/common/SymbolIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QWidget>

using namespace tolvane;

namespace {

bool applicationLooksDark() {
    return QApplication::palette().color(QPalette::Window).lightness() < 128;
}

// Stands in for the desktop portal's settings interface on the private session bus.
class FakePortalSettings : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    uint scheme = 0;
    bool readOneAvailable = true;
    int calls = 0;

public Q_SLOTS:
    QDBusVariant ReadOne(const QString& nameSpace, const QString& key) {
        ++calls;
        if (!readOneAvailable || nameSpace != QLatin1String("org.freedesktop.appearance") ||
            key != QLatin1String("color-scheme"))
            return QDBusVariant(QString());
        return QDBusVariant(scheme);
    }
    // The older method wraps the value in one more variant.
    QDBusVariant Read(const QString& nameSpace, const QString& key) {
        ++calls;
        if (nameSpace != QLatin1String("org.freedesktop.appearance") ||
            key != QLatin1String("color-scheme"))
            return QDBusVariant(QString());
        return QDBusVariant(QVariant::fromValue(QDBusVariant(scheme)));
    }
};

} // namespace

class TestAppearance : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void oppositeIsTheReverseOfTheSystem() {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        AppearanceManager manager;
        bool systemDark = true;
        manager.setSystemDarkQuery([&systemDark] { return systemDark; });
        AppSettings::setAppearance(QStringLiteral("opposite"));

        manager.apply();
        QCOMPARE(manager.appliedScheme(), AppearanceManager::Scheme::Light);
        QVERIFY(!applicationLooksDark());
        QTRY_VERIFY(window.palette().color(QPalette::Window).lightness() >= 128);

        systemDark = false;
        manager.apply();
        QCOMPARE(manager.appliedScheme(), AppearanceManager::Scheme::Dark);
        QVERIFY(applicationLooksDark());
        QTRY_VERIFY(window.palette().color(QPalette::Window).lightness() < 128);
        QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));

        AppSettings::setAppearance(QStringLiteral("system"));
        manager.apply();
    }

    void eachSettingGivesItsScheme() {
        using Scheme = AppearanceManager::Scheme;
        QCOMPARE(AppearanceManager::schemeFor(QStringLiteral("system"), true), Scheme::System);
        QCOMPARE(AppearanceManager::schemeFor(QStringLiteral("light"), true), Scheme::Light);
        QCOMPARE(AppearanceManager::schemeFor(QStringLiteral("dark"), false), Scheme::Dark);
        QCOMPARE(AppearanceManager::schemeFor(QStringLiteral("Dark"), false), Scheme::System);
        QCOMPARE(AppearanceManager::schemeFor(QString(), true), Scheme::System);
    }

    void changesApplyAtOnceAndSystemRestoresThePlatformLook() {
        const QColor platformWindow = QApplication::palette().color(QPalette::Window);
        const QString platformStyle = QApplication::style()->name();
        AppearanceManager manager;
        int systemQueries = 0;
        manager.setSystemDarkQuery([&systemQueries] {
            ++systemQueries;
            return false;
        });
        AppSettings::setAppearance(QStringLiteral("system"));
        manager.start();
        QCOMPARE(manager.appliedScheme(), AppearanceManager::Scheme::System);

        AppSettings::setAppearance(QStringLiteral("dark"));
        QVERIFY(applicationLooksDark());
        AppSettings::setAppearance(QStringLiteral("light"));
        QVERIFY(!applicationLooksDark());
        QCOMPARE(systemQueries, 0); // only "opposite" needs to ask
        AppSettings::setAppearance(QStringLiteral("opposite"));
        QCOMPARE(systemQueries, 1);
        QVERIFY(applicationLooksDark());

        AppSettings::setAppearance(QStringLiteral("system"));
        QCOMPARE(QApplication::palette().color(QPalette::Window), platformWindow);
        QCOMPARE(QApplication::style()->name(), platformStyle);
    }

    void paletteDecidesWithoutAPortal() {
        QVERIFY(ColorSchemeHelper::paletteIsDark(AppearanceManager::darkPalette()));
        QVERIFY(!ColorSchemeHelper::paletteIsDark(AppearanceManager::lightPalette()));
    }

    void portalAnswerIsRead() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("no session bus");
        FakePortalSettings portal;
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

        portal.scheme = 1;
        QCOMPARE(ColorSchemeHelper::portalPrefersDark(), std::optional<bool>(true));
        QVERIFY(ColorSchemeHelper::systemIsDark(AppearanceManager::lightPalette()));
        portal.scheme = 2;
        QCOMPARE(ColorSchemeHelper::portalPrefersDark(), std::optional<bool>(false));
        QVERIFY(!ColorSchemeHelper::systemIsDark(AppearanceManager::darkPalette()));
        // "No preference" leaves the decision to the palette.
        portal.scheme = 0;
        QCOMPARE(ColorSchemeHelper::portalPrefersDark(), std::nullopt);
        QVERIFY(ColorSchemeHelper::systemIsDark(AppearanceManager::darkPalette()));

        bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        QCOMPARE(ColorSchemeHelper::portalPrefersDark(), std::nullopt);
        QVERIFY(!ColorSchemeHelper::systemIsDark(AppearanceManager::lightPalette()));
    }

    void everySymbolHasAnIcon_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : symbolNames())
            QTest::newRow(qPrintable(name)) << name;
    }
    void everySymbolHasAnIcon() {
        QFETCH(QString, name);
        const QImage image = tintedSymbol(name, Qt::red, 16, 1.0).toImage();
        int painted = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                painted += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        QVERIFY2(painted >= 10, qPrintable(QStringLiteral("%1 painted pixels").arg(painted)));
        QVERIFY(!symbolIcon(name).isNull());
    }

    void symbolSheet() {
        const QStringList names = symbolNames();
        QImage sheet(names.size() * 40 + 8, 88, QImage::Format_ARGB32_Premultiplied);
        sheet.fill(Qt::white);
        QPainter painter(&sheet);
        painter.fillRect(0, 44, sheet.width(), 44, QColor(0x2a, 0x2a, 0x2d));
        for (int i = 0; i < names.size(); ++i) {
            painter.drawPixmap(8 + i * 40, 6, tintedSymbol(names[i], Qt::black, 32, 1.0));
            painter.drawPixmap(8 + i * 40, 50, tintedSymbol(names[i], Qt::white, 32, 1.0));
        }
        painter.end();
        QString base = qEnvironmentVariable("TOLVANE_BUILD_DIR");
        if (base.isEmpty())
            base = QDir::currentPath();
        QDir().mkpath(base + QStringLiteral("/screenshots"));
        QVERIFY(sheet.save(base + QStringLiteral("/screenshots/symbols.png")));
    }

    void theSymbolsOfTheWindowsAreKnown() {
        const QStringList names = symbolNames();
        for (const char* name :
             {"info.circle.fill", "checkmark.circle.fill", "xmark.circle.fill", "doc.text", "plus",
              "xmark", "folder", "folder.fill", "arrow.clockwise", "arrow.down.circle",
              "arrow.down.doc", "arrow.up.doc", "arrow.triangle.branch", "checkmark.circle",
              "pencil.circle"})
            QVERIFY2(names.contains(QLatin1String(name)), name);
        QVERIFY(symbolIcon(QStringLiteral("no.such.symbol")).isNull());
    }
};

QTEST_MAIN(TestAppearance)
#include "tst_Appearance.moc"
