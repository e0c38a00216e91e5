#include "icon/AppIconGenerator.h"

#include <QDir>
#include <QGuiApplication>
#include <QTest>

using namespace tolvane;

class TestAppIcon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rendersEverySize_data() {
        QTest::addColumn<int>("size");
        for (int size : AppIconGenerator::standardSizes())
            QTest::newRow(qPrintable(QString::number(size))) << size;
        QTest::newRow("odd size") << 23;
    }
    void rendersEverySize() {
        QFETCH(int, size);
        const QImage image = AppIconGenerator::render(size);
        QCOMPARE(image.size(), QSize(size, size));
        // The tile is opaque in the middle; at desktop sizes the corners stay transparent.
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
        if (size >= 32)
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        // The graph is drawn on the tile: light pixels exist beside the coloured background.
        int light = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                light +=
                    QColor(image.pixel(x, y)).lightness() > 200 && qAlpha(image.pixel(x, y)) > 200;
        QVERIFY2(light >= size / 2, qPrintable(QString::number(light)));

        QString base = qEnvironmentVariable("TOLVANE_BUILD_DIR");
        if (base.isEmpty())
            base = QDir::currentPath();
        QDir().mkpath(base + QStringLiteral("/screenshots"));
        image.save(base + QStringLiteral("/screenshots/icon-%1.png").arg(size));
    }

    void rejectsNonsenseSizes() {
        QVERIFY(AppIconGenerator::render(0).isNull());
        QVERIFY(AppIconGenerator::render(-4).isNull());
    }

    void iconHoldsTheSixSizes() {
        QCOMPARE(AppIconGenerator::standardSizes(), (QList<int>{16, 32, 64, 128, 256, 512}));
        const QIcon icon = AppIconGenerator::icon();
        QList<QSize> expected;
        for (int size : AppIconGenerator::standardSizes())
            expected << QSize(size, size);
        QCOMPARE(icon.availableSizes(), expected);
        QCOMPARE(icon.pixmap(AppIconGenerator::aboutSize).size(), QSize(128, 128));
    }
};

QTEST_MAIN(TestAppIcon)
#include "tst_AppIcon.moc"
