#include "platform/BookmarkHelper.h"
#include "platform/DesktopApps.h"
#include "platform/FileSizeFormatter.h"
#include "platform/TrashHelper.h"
#include "support/CapturedStdout.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvane;

class TestPlatformHelpers : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void bookmarksAreFolderPaths() {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("répo"));
        QDir().mkpath(folder);
        const auto grant = BookmarkHelper::createBookmark(folder);
        QCOMPARE(grant, std::optional<QByteArray>(folder.toUtf8()));
        QCOMPARE(BookmarkHelper::resolveBookmark(*grant), std::optional<QString>(folder));

        QDir(folder).removeRecursively();
        test::CapturedStdout out;
        QVERIFY(!BookmarkHelper::resolveBookmark(*grant).has_value());
        QCOMPARE(out.lines().size(), 1);
        QVERIFY(out.lines().first().startsWith(
            QStringLiteral("BookmarkHelper: Failed to resolve bookmark: ")));
        QVERIFY(!BookmarkHelper::resolveBookmark(QByteArray("\xff\xfe")).has_value());
        QVERIFY(!BookmarkHelper::resolveBookmark(QByteArray()).has_value());
    }

    void trashMovesTheItemAway() {
        QTemporaryDir dir(m_environment.home() + QStringLiteral("/work-XXXXXX"));
        const QString path = dir.filePath(QStringLiteral("notes.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("keep me");
        file.close();
        QCOMPARE(TrashHelper::moveToTrash(path), std::nullopt);
        QVERIFY(!QFile::exists(path));
        bool foundInTrash = false;
        QDirIterator it(m_environment.home(), {QStringLiteral("notes.txt")},
                        QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            foundInTrash |= it.next().contains(QStringLiteral("Trash/files"));
        QVERIFY(foundInTrash);

        const auto missing = TrashHelper::moveToTrash(dir.filePath(QStringLiteral("gone.txt")));
        QVERIFY(missing.has_value());
        QVERIFY(!missing->isEmpty());
    }

    void fileSizesReadLikeTheFileManager() {
        QCOMPARE(formatFileSize(5000001), QStringLiteral("5.0\u00A0MB"));
        QCOMPARE(formatFileSize(2000000000), QStringLiteral("2.0\u00A0GB"));
    }

    void applicationListOmitsDefaultAndIgnoresCase() {
        const DesktopApp def{QStringLiteral("Text Editor"), QStringLiteral("editor.desktop")};
        const QList<DesktopApp> apps{{QStringLiteral("zed"), QStringLiteral("zed.desktop")},
                                     def,
                                     {QStringLiteral("Atom"), QStringLiteral("atom.desktop")},
                                     {QStringLiteral("bluefish"), QStringLiteral("bf.desktop")}};
        const auto sorted = DesktopApps::sortedWithoutDefault(apps, def);
        QStringList names;
        for (const DesktopApp& app : sorted)
            names.append(app.name);
        QCOMPARE(names, (QStringList{QStringLiteral("Atom"), QStringLiteral("bluefish"),
                                     QStringLiteral("zed")}));
    }
};

QTEST_GUILESS_MAIN(TestPlatformHelpers)
#include "tst_PlatformHelpers.moc"
