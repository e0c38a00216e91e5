#include "platform/ColorSchemeHelper.h"
#include "settings/AppSettings.h"
#include "support/TestEnvironment.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/common/SymbolIcon.h"
#include "ui/common/viewColors.h"
#include "ui/diff/DiffLineView.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusVariant>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProxyStyle>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QWidget>
#include <cmath>

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

// WCAG 2 contrast of `foreground` (blended over `background` when translucent) on `background`.
double contrast(QColor foreground, const QColor& background) {
    const double a = foreground.alphaF();
    foreground = QColor::fromRgbF(float(foreground.redF() * a + background.redF() * (1 - a)),
                                  float(foreground.greenF() * a + background.greenF() * (1 - a)),
                                  float(foreground.blueF() * a + background.blueF() * (1 - a)));
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double l1 = luminance(foreground), l2 = luminance(background);
    return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05);
}

// `over` painted on `under` (a translucent tint on a background).
QColor blended(const QColor& over, const QColor& under) {
    const double a = over.alphaF();
    return QColor::fromRgbF(float(over.redF() * a + under.redF() * (1 - a)),
                            float(over.greenF() * a + under.greenF() * (1 - a)),
                            float(over.blueF() * a + under.blueF() * (1 - a)));
}

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
        auto* proxy = qobject_cast<QProxyStyle*>(QApplication::style());
        QVERIFY(proxy);
        QCOMPARE(proxy->baseStyle()->name().toLower(), QStringLiteral("fusion"));

        // Radio buttons are readable on the dark window: the ring stands out from the window and
        // the chosen one's dot is in the highlight colour.
        QRadioButton chosen(QStringLiteral("Chosen"), &window);
        chosen.setChecked(true);
        QRadioButton other(QStringLiteral("Other"), &window);
        const int indicator =
            QApplication::style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &other);
        const auto indicatorPixels = [indicator](QWidget& button) {
            const QImage drawn = button.grab().toImage();
            QList<QColor> pixels;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < std::min(indicator + 2, drawn.width()); ++x)
                    pixels.append(drawn.pixelColor(x, y));
            }
            return pixels;
        };
        int brightestRing = 0;
        for (const QColor& pixel : indicatorPixels(other))
            brightestRing = std::max(brightestRing, pixel.lightness());
        QVERIFY2(brightestRing >= window.palette().color(QPalette::Window).lightness() + 40,
                 qPrintable(QString::number(brightestRing)));
        const QList<QColor> dot = indicatorPixels(chosen);
        QVERIFY(std::any_of(dot.cbegin(), dot.cend(), [](const QColor& pixel) {
            return pixel.hslSaturation() >= 120 && pixel.hslHue() >= 190 && pixel.hslHue() <= 250;
        }));

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

    // Every text and icon colour of both schemes against what it is drawn on: 4.5:1 for text,
    // 3:1 for icons and marks.
    void everyColourIsReadableInBothSchemes_data() {
        QTest::addColumn<QColor>("foreground");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<double>("minimum");
        const double text = 4.5, icon = 3.0;
        for (const bool dark : {false, true}) {
            const QPalette p =
                dark ? AppearanceManager::darkPalette() : AppearanceManager::lightPalette();
            const char* scheme = dark ? "dark" : "light";
            const auto row = [&](const char* what, const QColor& fg, const QColor& bg,
                                 double minimum) {
                QTest::addRow("%s: %s", scheme, what) << fg << bg << minimum;
            };
            const QColor base = p.color(QPalette::Base), window = p.color(QPalette::Window);
            const QColor bar = ViewColors::bar(p);
            row("window text", p.color(QPalette::WindowText), window, text);
            row("text", p.color(QPalette::Text), base, text);
            row("button text", p.color(QPalette::ButtonText), p.color(QPalette::Button), text);
            row("toolbar icons", p.color(QPalette::ButtonText), p.color(QPalette::Button), icon);
            row("selected text", p.color(QPalette::HighlightedText), p.color(QPalette::Highlight),
                text);
            row("link", p.color(QPalette::Link), base, text);
            row("tool tip", p.color(QPalette::ToolTipText), p.color(QPalette::ToolTipBase), text);
            row("secondary text on a list", ViewColors::secondary(p), base, text);
            row("secondary text and history count", ViewColors::secondary(p), window, text);
            row("bar label", p.color(QPalette::WindowText), bar, text);
            row("secondary bar label", ViewColors::secondaryLabel(p), bar, text);
            row("bar separator mark", ViewColors::tertiaryLabel(p), bar, icon);
            row("bar symbol", ViewColors::blue(p), bar, icon);
            for (const auto& [status, name] : {std::pair{ChangeStatus::Modified, "modified"},
                                               {ChangeStatus::Added, "added"},
                                               {ChangeStatus::Deleted, "deleted"},
                                               {ChangeStatus::Renamed, "renamed"},
                                               {ChangeStatus::Untracked, "untracked"},
                                               {ChangeStatus::Copied, "copied"},
                                               {ChangeStatus::Unmodified, "unmodified"},
                                               {ChangeStatus::Conflict, "conflict"}})
                row(qPrintable(QStringLiteral("status icon ") + QLatin1String(name)),
                    statusStyle(status, p).color, base, icon);
            for (const auto& [type, name] : {std::pair{DiffLineType::Addition, "added line"},
                                             {DiffLineType::Deletion, "deleted line"},
                                             {DiffLineType::HunkHeader, "hunk header"},
                                             {DiffLineType::FileHeader, "file header"},
                                             {DiffLineType::Context, "context line"}}) {
                const QColor background = DiffLineView::backgroundColor(type, p);
                const QColor under = background.isValid() ? blended(background, base) : base;
                row(name, DiffLineView::contentColor(type, p), under, text);
                if (type == DiffLineType::Addition || type == DiffLineType::Deletion) {
                    row(qPrintable(QLatin1String(name) + QStringLiteral(" sign")),
                        DiffLineView::signColor(type, p), under, icon);
                    row(qPrintable(QLatin1String(name) + QStringLiteral(", changed words")),
                        DiffLineView::contentColor(type, p),
                        blended(DiffLineView::changeHighlight(type, p), under), text);
                }
            }
            row("line numbers", ViewColors::secondary(p), base, text);
        }
    }

    void everyColourIsReadableInBothSchemes() {
        QFETCH(QColor, foreground);
        QFETCH(QColor, background);
        QFETCH(double, minimum);
        const double ratio = contrast(foreground, background);
        QVERIFY2(ratio >= minimum,
                 qPrintable(QStringLiteral("%1 on %2: %3:1")
                                .arg(foreground.name(QColor::HexArgb), background.name())
                                .arg(ratio, 0, 'f', 2)));
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
