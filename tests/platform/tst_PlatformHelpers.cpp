#include "platform/BookmarkHelper.h"
#include "platform/DesktopApps.h"
#include "platform/FileSizeFormatter.h"
#include "platform/TrashHelper.h"
#include "platform/regularFileRead.h"
#include "support/CapturedStdout.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvane;

class TestPlatformHelpers : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    // Only regular files are read, never past the bound; a pipe, a device or a folder is refused
    // at once, through a link too.
    void regularFileReads() {
        QTemporaryDir dir;
        const auto path = [&dir](const char* name) {
            return QFile::encodeName(dir.filePath(QString::fromLatin1(name)));
        };
        QFile text(dir.filePath(QStringLiteral("text")));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("abcdef") == 6);
        text.close();
        QCOMPARE(readRegularFile(path("text"), 6), std::optional<QByteArray>("abcdef"));
        QVERIFY(!readRegularFile(path("text"), 5));
        const std::optional<FilePrefix> prefix = readRegularFilePrefix(path("text"), 4);
        QVERIFY(prefix && prefix->bytes == "abcd" && !prefix->complete);
        QVERIFY(readRegularFilePrefix(path("text"), 6)->complete);
        QByteArray chunks;
        QVERIFY(readRegularFileChunks(path("text"), 4, [&chunks](QByteArrayView chunk) {
            chunks += chunk.toByteArray() + '|';
            return true;
        }));
        QCOMPARE(chunks, QByteArray("abcd|ef|"));
        QVERIFY(!readRegularFileChunks(path("text"), 4, [](QByteArrayView) { return false; }));

        QCOMPARE(::mkfifo(path("pipe").constData(), 0600), 0);
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("pipe")),
                            dir.filePath(QStringLiteral("to-pipe"))));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.filePath(QStringLiteral("to-zero"))));
        QVERIFY(QFile::link(QStringLiteral("text"), dir.filePath(QStringLiteral("to-text"))));
        for (const char* name : {"pipe", "to-pipe", "to-zero", "missing"}) {
            QVERIFY2(!RegularFile::open(path(name)).isOpen(), name);
            QVERIFY2(!readRegularFilePrefix(path(name), 1 << 20), name);
            QVERIFY2(
                !readRegularFileChunks(path(name), 1 << 20, [](QByteArrayView) { return true; }),
                name);
        }
        QVERIFY(!readRegularFile(QFile::encodeName(dir.path()), 1 << 20));
        // A link is followed only when asked.
        QCOMPARE(readRegularFile(path("to-text"), 6), std::optional<QByteArray>("abcdef"));
        QVERIFY(!readRegularFile(path("to-text"), 6, LinkPolicy::Refuse));
        QCOMPARE(readRegularFile(path("text"), 6, LinkPolicy::Refuse),
                 std::optional<QByteArray>("abcdef"));
    }

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
