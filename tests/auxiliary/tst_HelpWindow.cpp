#include "auxiliary/HelpWindowController.h"
#include "auxiliary/helpBook.h"
#include "support/TestEnvironment.h"
#include "ui/ViewTestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

using namespace tolvane;

namespace {

const QString bookFolder = QLatin1String(helpBook::bookFolder);

// Writes a one-line page under `root`/<book folder> and returns its path.
QString writePage(const QString& root, const QString& page, const QByteArray& text) {
    const QString folder = root + QLatin1Char('/') + bookFolder;
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + page);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(text);
    return QDir::cleanPath(QFileInfo(file).absoluteFilePath());
}

QString readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

// The book's files, as paths relative to its folder.
QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// Clicks the link whose text is `text` in the browser, the way a user would.
bool clickLink(QTextBrowser* browser, const QString& text) {
    QTextCursor found = browser->document()->find(text);
    if (found.isNull() || !found.charFormat().isAnchor())
        return false;
    QTextCursor inside(browser->document());
    inside.setPosition(found.selectionStart() + 1);
    browser->setTextCursor(inside);
    browser->ensureCursorVisible();
    const QPoint point = browser->cursorRect(inside).center() + QPoint(2, 0);
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
    return true;
}

} // namespace

class TestHelpWindow : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;

private Q_SLOTS:
    void init() {
        QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"))
            .remove(QLatin1String(HelpWindowController::autosaveName));
    }

    // The executable sits in <root>/a/b/c/d; the book may be two (b), three (a) or four (root)
    // folders above it, and in the resources.
    void pagesAreLookedUpInOrder_data() {
        QTest::addColumn<QStringList>("books");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("expected");
        const QStringList all{"resources", "a/b", "a", "."};
        QTest::newRow("resource first") << all << "index.html"
                                        << "resources";
        QTest::newRow("bare name in the resources") << all << "index"
                                                    << "resources";
        QTest::newRow("nearest folder wins") << QStringList{"a/b", "a", "."} << "index.html"
                                             << "a/b";
        QTest::newRow("three levels up") << QStringList{"a", "."} << "index.html"
                                         << "a";
        QTest::newRow("four levels up") << QStringList{"."} << "index.html"
                                        << ".";
        QTest::newRow("nowhere") << QStringList{} << "index.html"
                                 << "";
        QTest::newRow("only the page asked for") << all << "blame.html"
                                                 << "";
    }

    void pagesAreLookedUpInOrder() {
        QFETCH(QStringList, books);
        QFETCH(QString, page);
        QFETCH(QString, expected);
        QTemporaryDir root;
        const QString executable = root.filePath(QStringLiteral("a/b/c/d"));
        QDir().mkpath(executable);
        QHash<QString, QString> written;
        for (const QString& book : books)
            written.insert(
                book, writePage(root.filePath(book), QStringLiteral("index.html"), book.toUtf8()));
        const QString resources = root.filePath(QStringLiteral("resources/") + bookFolder);

        const std::optional<QUrl> found = helpBook::locatePage(page, resources, executable);
        if (expected.isEmpty()) {
            QCOMPARE(found, std::nullopt);
            return;
        }
        QVERIFY(found);
        QCOMPARE(found->toLocalFile(), written.value(expected));
    }

    void theCompiledBookIsFound() {
        const QString resources = helpBook::resourceFolder();
        const QUrl expected(QStringLiteral("qrc:/") + bookFolder + QStringLiteral("/index.html"));
        QCOMPARE(helpBook::locatePage(QStringLiteral("index.html"), resources, {}), expected);
        QCOMPARE(helpBook::locatePage(QStringLiteral("index"), resources, {}), expected);
    }

    void linksOpenInsideOrInTheBrowser_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("inBrowser");
        QTest::newRow("https") << QUrl("https://github.com/settings/tokens") << true;
        QTest::newRow("http") << QUrl("http://example.com/") << true;
        QTest::newRow("upper-case scheme") << QUrl("HTTPS://example.com/") << true;
        QTest::newRow("local page") << QUrl::fromLocalFile("/book/index.html") << false;
        QTest::newRow("local image") << QUrl::fromLocalFile("/book/a.png") << false;
        QTest::newRow("compiled-in page") << QUrl("qrc:/book/index.html") << false;
        QTest::newRow("mail") << QUrl("mailto:someone@example.com") << false;
        QTest::newRow("no address") << QUrl() << false;
    }

    void linksOpenInsideOrInTheBrowser() {
        QFETCH(QUrl, url);
        QFETCH(bool, inBrowser);
        QCOMPARE(helpBook::linkAction(url) == helpBook::LinkAction::OpenInBrowser, inBrowser);
    }

    // Every page has a title, every link and image of the book resolves to a file of the book,
    // and every page can be reached from the contents.
    void theWholeBookHoldsTogether() {
        const QString folder = helpBook::resourceFolder();
        const QStringList files = filesUnder(folder);
        QVERIFY(files.contains(QStringLiteral("index.html")));

        static const QRegularExpression titlePattern(QStringLiteral("<title>([^<]*)</title>"));
        static const QRegularExpression linkPattern(
            QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\""));
        QHash<QString, QStringList> linksOf;
        for (const QString& file : files) {
            if (!file.endsWith(QStringLiteral(".html")))
                continue;
            const QString text = readAll(folder + QLatin1Char('/') + file);
            const auto title = titlePattern.match(text);
            QVERIFY2(title.hasMatch() && !title.captured(1).trimmed().isEmpty(), qPrintable(file));
            for (auto it = linkPattern.globalMatch(text); it.hasNext();) {
                const QUrl link(it.next().captured(1));
                if (helpBook::linkAction(link) == helpBook::LinkAction::OpenInBrowser)
                    continue;
                QVERIFY2(link.isRelative() && !link.path().isEmpty(),
                         qPrintable(file + QStringLiteral(": ") + link.toString()));
                const QString target =
                    QDir::cleanPath(QFileInfo(file).path() + QLatin1Char('/') + link.path());
                QVERIFY2(files.contains(target),
                         qPrintable(file + QStringLiteral(" links to a missing ") + target));
                linksOf[file].append(target);
            }
        }

        QSet<QString> reached{QStringLiteral("index.html")};
        QStringList pending{QStringLiteral("index.html")};
        while (!pending.isEmpty()) {
            for (const QString& target : linksOf.value(pending.takeLast())) {
                if (!reached.contains(target)) {
                    reached.insert(target);
                    pending.append(target);
                }
            }
        }
        for (const QString& file : files)
            QVERIFY2(reached.contains(file), qPrintable(file + QStringLiteral(" is unreachable")));
    }

    void theWindowShowsTheBookAndFollowsTheLinkPolicy() {
        HelpWindowController controller;
        QList<QUrl> opened;
        controller.setUrlOpener([&opened](const QUrl& url) { opened.append(url); });
        controller.show(QStringLiteral("index.html"));
        QWidget* window = controller.window();
        QTextBrowser* browser = controller.browser();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCOMPARE(window->windowTitle(), QStringLiteral("Tolvane Help"));
        QCOMPARE(window->minimumSize(), QSize(400, 300));
        QCOMPARE(window->size(), QSize(600, 500));
        QCOMPARE(browser->documentTitle(), QStringLiteral("Tolvane Help"));
        test::saveLightAndDark(window, QStringLiteral("help-window"));

        QVERIFY(clickLink(browser, QStringLiteral("The GitHub token and new repositories")));
        QCOMPARE(browser->source().fileName(), QStringLiteral("github.html"));
        QCOMPARE(browser->documentTitle(), QStringLiteral("The GitHub token and new repositories"));
        QVERIFY(opened.isEmpty());
        test::saveLightAndDark(window, QStringLiteral("help-window-page"));

        QVERIFY(clickLink(browser, QStringLiteral("github.com/settings/personal-access-tokens")));
        QCOMPARE(opened, QList<QUrl>{QUrl("https://github.com/settings/personal-access-tokens")});
        QCOMPARE(browser->source().fileName(), QStringLiteral("github.html"));

        // Escape closes, and closing only hides the window; the next request reuses it at the
        // page asked for.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTest::keyClick(browser, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        controller.show(QStringLiteral("shortcuts"));
        QCOMPARE(controller.window(), window);
        QCOMPARE(browser->source().fileName(), QStringLiteral("shortcuts.html"));
    }

    void theFrameIsRememberedBetweenRuns() {
        {
            HelpWindowController first;
            first.show(QStringLiteral("index.html"));
            QVERIFY(QTest::qWaitForWindowExposed(first.window()));
            first.window()->resize(700, 420);
            first.window()->close();
        }
        HelpWindowController second;
        second.show(QStringLiteral("index.html"));
        QCOMPARE(second.window()->size(), QSize(700, 420));
    }

    void aMissingBookShowsTheFallbackPage() {
        QTemporaryDir empty;
        HelpWindowController controller(empty.filePath(QStringLiteral("none")), empty.path());
        controller.show(QStringLiteral("index.html"));
        const QString text = controller.browser()->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("Help Not Found")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("./scripts/start.sh")));
        QVERIFY(controller.browser()->source().isEmpty());
    }
};

QTEST_MAIN(TestHelpWindow)
#include "tst_HelpWindow.moc"
