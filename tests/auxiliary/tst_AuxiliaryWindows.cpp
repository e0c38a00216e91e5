#include "app/AppState.h"
#include "auxiliary/FileInfoView.h"
#include "auxiliary/FileInfoWindowController.h"
#include "auxiliary/HtmlPreview.h"
#include "auxiliary/ListKeyHandler.h"
#include "auxiliary/PdfPreview.h"
#include "auxiliary/PicturePreview.h"
#include "auxiliary/PreviewPanelController.h"
#include "auxiliary/auxiliaryWindows.h"
#include "auxiliary/filePreviewContent.h"
#include "engine/relativeDate.h"
#include "state/RepositoryState.h"
#include "support/AwaitTask.h"
#include "support/RepoFixture.h"
#include "support/TestEnvironment.h"
#include "ui/MainWindow.h"
#include "ui/ViewTestSupport.h"
#include "ui/appearance/AppearanceManager.h"
#include "ui/changes/ChangesView.h"
#include "ui/common/ElidedLabel.h"
#include "ui/common/MessageBar.h"
#include "ui/common/ShortcutsWindow.h"
#include "ui/common/keyboardFocus.h"
#include "ui/history/CommitLogView.h"
#include "ui/standardPanes.h"
#include "ui/window/ContentView.h"
#include "ui/window/RepositoryView.h"
#include "ui/window/SidebarView.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tolvane;

namespace {

QString lastComponentName(QWidget* content) {
    return content ? content->objectName() : QString();
}

void writePicture(const QString& path) {
    QImage image(320, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 320, 200);
    gradient.setColorAt(0, QColor(0x2b, 0x6c, 0xb0));
    gradient.setColorAt(1, QColor(0xf0, 0xa0, 0x30));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 28, QFont::Bold));
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("tolvane"));
    painter.end();
    QVERIFY(image.save(path, "PNG"));
}

void writePdf(const QString& path) {
    QPdfWriter writer(path);
    writer.setTitle(QStringLiteral("Release notes"));
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 24));
    painter.drawText(QRect(0, 0, writer.width(), writer.height() / 4), Qt::AlignCenter,
                     QStringLiteral("Release notes"));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    painter.drawText(QRect(0, writer.height() / 4, writer.width(), writer.height() / 2),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                     QStringLiteral("The preview panel shows PDF pages fitted to its width."));
    painter.end();
}

// Reports every open or read of a file in one folder, by anyone.
class FolderWatch {
public:
    explicit FolderWatch(const QString& folder)
        : m_descriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (m_descriptor >= 0)
            m_watch = ::inotify_add_watch(m_descriptor, QFile::encodeName(folder).constData(),
                                          IN_OPEN | IN_ACCESS);
    }
    ~FolderWatch() {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    bool isWatching() const { return m_descriptor >= 0 && m_watch >= 0; }
    // The names opened or read since the last call.
    QStringList touched() {
        QStringList names;
        alignas(struct inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t length = ::read(m_descriptor, buffer, sizeof buffer);
            if (length <= 0)
                return names;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
                names.append(event->len ? QFile::decodeName(event->name) : QStringLiteral("."));
                at += ssize_t(sizeof(struct inotify_event) + event->len);
            }
        }
    }

private:
    int m_descriptor = -1;
    int m_watch = -1;
};

} // namespace

// The windows and keys as a user meets them: one main window with a repository, Get Info from
// the row menu, Space and the arrows in each pane.
class TestAuxiliaryWindows : public QObject {
    Q_OBJECT
    test::TestEnvironment m_environment;
    std::unique_ptr<AppearanceManager> m_appearance;
    std::unique_ptr<test::RepoFixture> m_repo;
    std::unique_ptr<AppState> m_app;
    std::unique_ptr<MainWindow> m_window;

    RepositoryState& state() const { return *m_app->activeRepositoryState(); }
    RepositoryView* view() const { return m_window->contentView()->currentRepositoryView(); }
    ChangesView* changes() const {
        return qobject_cast<ChangesView*>(view()->sidebar()->page(SidebarTab::Changes));
    }
    CommitLogView* history() const { return qobject_cast<CommitLogView*>(view()->historyPane()); }
    ListKeyHandler* keys() const { return m_window->findChild<ListKeyHandler*>(); }
    PreviewPanelController& preview() const { return PreviewPanelController::instance(); }

    void focus(QWidget* widget) {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        widget->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), widget);
    }

private Q_SLOTS:
    void initTestCase() {
        m_appearance = std::make_unique<AppearanceManager>();
        m_repo = std::make_unique<test::RepoFixture>(QStringLiteral("keys"));
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            m_repo->writeFile(QString::fromLatin1(name), "one\n");
        m_repo->commitAll(QStringLiteral("first"));
        for (const char* message : {"second", "third", "fourth"}) {
            m_repo->writeFile(QStringLiteral("a.txt"), message);
            m_repo->commitAll(QString::fromLatin1(message));
        }
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            m_repo->writeFile(QString::fromLatin1(name), "changed\n");
        m_repo->git({QStringLiteral("add"), QStringLiteral("c.txt")});

        setRepositoryPaneFactory(&installStandardPanes);
        m_app = std::make_unique<AppState>();
        m_window = std::make_unique<MainWindow>(*m_app);
        installAuxiliaryWindows(*m_app, m_window.get());
        m_window->resize(1200, 700);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        test::await(m_app->openRepository(m_repo->path()));
        QTRY_VERIFY(view());
        QTRY_COMPARE(state().allDisplayFiles().size(), 3);
        QTRY_COMPARE(state().commits().size(), 4);
    }

    void cleanupTestCase() {
        // The shared controllers (and their windows) go before the application.
        delete &PreviewPanelController::instance();
        delete &FileInfoWindowController::instance();
        m_window.reset();
        m_app.reset();
    }

    void arrowsSpaceAndPagingInTheFileList() {
        QListView* list = changes()->list();
        focus(list);
        QCOMPARE(keys()->context().focus, KeyFocus::FileList);

        // Nothing selected: the first file (the staged one).
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(state().selectedFile()->path, QStringLiteral("c.txt"));
        // Across the boundary into the unstaged section and back; the keyboard goes along.
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(state().selectedFile()->path, QStringLiteral("a.txt"));
        QCOMPARE(QApplication::focusWidget(), changes()->unstagedList());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(state().selectedFile()->path, QStringLiteral("c.txt"));
        QCOMPARE(QApplication::focusWidget(), changes()->stagedList());
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(state().selectedFile()->path, QStringLiteral("a.txt"));
        QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(state().selectedFile()->path, QStringLiteral("b.txt"));
        QCOMPARE(state().selectedFiles(),
                 (QSet<QString>{QStringLiteral("a.txt:false"), QStringLiteral("b.txt:false")}));
        // Control combinations are not the lists' business.
        QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(state().selectedFile()->path, QStringLiteral("b.txt"));
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(state().selectedFile()->path, QStringLiteral("c.txt"));
        QCOMPARE(state().selectedFiles().size(), 1);
        QTest::keyClick(list, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(state().selectedFiles().size(), 3);
        QTest::keyClick(list, Qt::Key_PageUp);
        QCOMPARE(state().selectedFile()->path, QStringLiteral("c.txt"));

        // Space opens the preview of the selected file and closes it again.
        QTest::keyClick(list, Qt::Key_Space);
        QTRY_VERIFY(preview().isPanelVisible());
        QCOMPARE(lastComponentName(preview().content()), QStringLiteral("textPreview"));
        QCOMPARE(preview().panel()->size(), QSize(PreviewPanelController::defaultWidth,
                                                  PreviewPanelController::defaultHeight));
        // It follows the selection while it is open.
        QWidget* shown = preview().content();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(preview().panel()->windowTitle(), QStringLiteral("a.txt"));
        QVERIFY(preview().content() != shown);
        QTest::keyClick(list, Qt::Key_Space);
        QVERIFY(!preview().isPanelVisible());
        // Closed, it does not follow.
        shown = preview().content();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(preview().content(), shown);

        // Enter gives the diff the keyboard; Tab walks the panes. (The offscreen platform
        // activated the panel when it appeared; a desktop does not.)
        focus(list);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(keys()->context().focus, KeyFocus::Detail);
        // The file list's pane is the section holding the selected file (b.txt, unstaged).
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), changes()->unstagedList());
        QTest::keyClick(changes()->unstagedList(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), history()->list());
        QTest::keyClick(history()->list(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), changes()->unstagedList());
    }

    void arrowsAndPagingInTheHistoryAndTheDiff() {
        QListView* commits = history()->list();
        focus(commits);
        QCOMPARE(keys()->context().focus, KeyFocus::CommitList);
        // The focused list decides, though the last selection was a file.
        QVERIFY(state().fileListFocused());
        QTest::keyClick(commits, Qt::Key_Down);
        QVERIFY(state().selectedCommit());
        QVERIFY(!state().fileListFocused());
        QTest::keyClick(commits, Qt::Key_End);
        QCOMPARE(state().selectedCommit()->id, state().commits().last().id);
        QTest::keyClick(commits, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(state().selectedCommits().size(), 4);
        QTest::keyClick(commits, Qt::Key_Down);
        QCOMPARE(state().selectedCommit()->id, state().commits().at(1).id);
        // Space belongs to files only.
        QTest::keyClick(commits, Qt::Key_Space);
        QVERIFY(!preview().isPanelVisible());

        // The focused list is outlined, whether or not a row is current.
        QWidget* outline = focusOutlineWidget();
        QVERIFY(outline);
        QCOMPARE(outline->parentWidget(), commits);
        const QImage listShot = commits->grab().toImage();
        QCOMPARE(listShot.pixelColor(listShot.width() / 2, 1),
                 commits->palette().color(QPalette::Active, QPalette::Highlight));
        test::saveLightAndDark(m_window.get(), QStringLiteral("focus-history"));

        // In the diff the last selection decides: commits now.
        QTest::keyClick(commits, Qt::Key_Return);
        QTRY_COMPARE(keys()->context().focus, KeyFocus::Detail);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QCOMPARE(state().selectedCommit()->id, state().commits().at(0).id);
        // Each arrow swaps the diff for the loading page and back: the keyboard stays in the
        // diff area throughout, and is back in the diff once it is there.
        QTRY_VERIFY(!state().isLoadingDiff());
        for (int press = 0; press < 3; ++press) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
            QCOMPARE(keys()->context().focus, KeyFocus::Detail);
        }
        QCOMPARE(state().selectedCommit()->id, state().commits().at(3).id);
        QTRY_VERIFY(!state().isLoadingDiff());
        QTRY_VERIFY(qobject_cast<QAbstractScrollArea*>(QApplication::focusWidget()));
        QCOMPARE(keys()->context().focus, KeyFocus::Detail);
        QVERIFY(focusOutlineWidget());
        test::saveLightAndDark(m_window.get(), QStringLiteral("focus-diff"));
    }

    void editingTextButtonsAndOtherPagesKeepTheirKeys() {
        // The commit message box keeps Space and the arrows.
        auto* message = changes()->findChild<QPlainTextEdit*>(QStringLiteral("commitMessageEdit"));
        QListView* list = changes()->list();
        focus(list);
        QTest::keyClick(list, Qt::Key_Home);
        const FileChange selected = *state().selectedFile();
        focus(message);
        QTest::keyClicks(message, QStringLiteral("a b"));
        QTest::keyClick(message, Qt::Key_Space);
        QTest::keyClick(message, Qt::Key_Down);
        QCOMPARE(state().commitMessage(), QStringLiteral("a b "));
        QCOMPARE(*state().selectedFile(), selected);
        QVERIFY(!preview().isPanelVisible());
        message->clear();

        // On the Branches page neither arrows nor Space are taken.
        auto* branchesSegment =
            view()->sidebar()->findChild<QAbstractButton*>(QStringLiteral("segmentBranches"));
        QVERIFY(branchesSegment);
        branchesSegment->click();
        QCOMPARE(state().selectedTab(), SidebarTab::Branches);
        auto* branchList = view()->sidebar()->page(SidebarTab::Branches)->findChild<QListView*>();
        QVERIFY(branchList);
        focus(branchList);
        QTest::keyClick(branchList, Qt::Key_Down);
        QTest::keyClick(branchList, Qt::Key_Space);
        QCOMPARE(*state().selectedFile(), selected);
        QVERIFY(!preview().isPanelVisible());
        view()->sidebar()->findChild<QAbstractButton*>(QStringLiteral("segmentChanges"))->click();
        QCOMPARE(state().selectedTab(), SidebarTab::Changes);

        // A focused button answers Space itself.
        auto* stageAll = changes()->findChild<QAbstractButton*>(QStringLiteral("stageAllButton"));
        QVERIFY(stageAll);
        focus(stageAll);
        QCOMPARE(keys()->context().focus, KeyFocus::Button);
        QTest::keyClick(stageAll, Qt::Key_Space);
        QVERIFY(!preview().isPanelVisible());
        QTRY_VERIFY(std::all_of(state().changes().cbegin(), state().changes().cend(),
                                [](const FileChange& change) { return change.isStaged; }));
        QCOMPARE(state().changes().size(), 3);
    }

    void infoWindowShowsFactsAndFollowsTheSelection() {
        const QByteArray notes = QFile::encodeName(m_repo->path() + QStringLiteral("/a.txt"));
        QCOMPARE(::setxattr(notes.constData(), "user.xdg.comment", "Reviewed", 8, 0), 0);
        test::await(state().refresh());
        state().selectFile(state().allDisplayFiles().first(), false, false);

        // "Get Info" in the row menu.
        FileInfoWindowController& info = FileInfoWindowController::instance();
        const QList<FileChange> files = state().allDisplayFiles();
        const FileChange a = *std::find_if(files.begin(), files.end(), [](const FileChange& f) {
            return f.path == QStringLiteral("a.txt");
        });
        QMenu menu;
        changes()->buildContextMenu(a, &menu);
        QAction* getInfo = nullptr;
        for (QAction* action : menu.actions()) {
            if (action->text() == QStringLiteral("Get Info"))
                getInfo = action;
        }
        QVERIFY(getInfo);
        getInfo->trigger();
        QVERIFY(info.isVisible());
        QWidget* window = info.window();
        QCOMPARE(window->size(), QSize(380, 320));
        QCOMPARE(window->minimumSize(), QSize(320, 280));
        QCOMPARE(window->windowTitle(), QStringLiteral("Get Info"));
        QCOMPARE(window->findChild<ElidedLabel*>(QStringLiteral("fileInfoName"))->fullText(),
                 QStringLiteral("a.txt"));
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("fileSizeValue"))->text(),
                 QStringLiteral("8 bytes"));
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("commentValue"))->text(),
                 QStringLiteral("Reviewed"));
        QVERIFY(window->findChild<QLabel*>(QStringLiteral("commentValue"))->isVisible());
        QVERIFY(!window->findChild<QLabel*>(QStringLiteral("linkTargetValue"))->isVisible());
        // Hashed on a worker thread.
        QTRY_VERIFY(info.sha256().has_value());
        QCOMPARE(*info.sha256(),
                 QString::fromLatin1(
                     QCryptographicHash::hash("changed\n", QCryptographicHash::Sha256).toHex()));
        auto* digestView = window->findChild<QPlainTextEdit*>(QStringLiteral("sha256Value"));
        QCOMPARE(digestView->toPlainText(), *info.sha256());
        window->findChild<QAbstractButton*>(QStringLiteral("copySha256Button"))->click();
        QCOMPARE(QApplication::clipboard()->text(), *info.sha256());
        test::saveLightAndDark(window, QStringLiteral("file-info-window"));

        // It follows the selection: b.txt has no comment.
        const FileChange b = *std::find_if(files.begin(), files.end(), [](const FileChange& f) {
            return f.path == QStringLiteral("b.txt");
        });
        state().selectFile(b, false, false);
        QCOMPARE(info.fileInfo()->filename, QStringLiteral("b.txt"));
        QVERIFY(!window->findChild<QLabel*>(QStringLiteral("commentValue"))->isVisible());

        // Closed, it stays on b.txt however the selection moves, and remembers its frame.
        window->close();
        QVERIFY(!info.isVisible());
        QVERIFY(QSettings(QStringLiteral("Tolvane"), QStringLiteral("Tolvane"))
                    .contains(QLatin1String(FileInfoWindowController::autosaveName)));
        state().selectFile(a, false, false);
        QCOMPARE(info.fileInfo()->filename, QStringLiteral("b.txt"));

        // A file deleted meanwhile has no facts.
        QVERIFY(QFile::remove(m_repo->path() + QStringLiteral("/b.txt")));
        info.showInfo(b, state().repoPath());
        QVERIFY(!info.fileInfo());
        QVERIFY(window->findChild<QWidget*>(QStringLiteral("noFileSelected"))->isVisible());
        window->close();
    }

    void previewShowsEachKindOfFile() {
        const QString root = m_repo->path();
        writePicture(root + QStringLiteral("/picture.png"));
        writePdf(root + QStringLiteral("/notes.pdf"));
        m_repo->writeFile(QStringLiteral("readme.md"),
                          "# Preview\n\nPlain text is shown as it is, read-only.\n");
        m_repo->writeFile(QStringLiteral("LOGO.SVG"),
                          "<svg xmlns='http://www.w3.org/2000/svg' width='40' height='40'>"
                          "<circle cx='20' cy='20' r='18' fill='teal'/></svg>");
        m_repo->writeFile(QStringLiteral("page.html"), "<h1>Title</h1><p>Body</p>");
        m_repo->writeFile(QStringLiteral("archive.dat"), QByteArray("\x01\x02\x00\x03", 4));

        const struct {
            const char* path;
            const char* content;
            const char* screenshot;
        } cases[] = {
            {"picture.png", "imagePreview", "preview-image"},
            {"notes.pdf", pdfPreviewSupported() ? "pdfPreview" : "fallbackPreview", "preview-pdf"},
            {"readme.md", "textPreview", "preview-text"},
            {"archive.dat", "fallbackPreview", "preview-unsupported"},
            {"LOGO.SVG", "svgPreview", nullptr},
            {"page.html", "htmlPreview", nullptr},
        };
        for (const auto& entry : cases) {
            preview().show(QString::fromLatin1(entry.path), root);
            QVERIFY(preview().isPanelVisible());
            QCOMPARE(lastComponentName(preview().content()), QString::fromLatin1(entry.content));
            if (auto* picture = preview().content()->findChild<PicturePreview*>())
                QTRY_VERIFY(picture->isLoaded());
#ifdef TOLVANE_HAVE_QT_PDF
            if (auto* pdf = preview().content()->findChild<PdfPreview*>())
                QTRY_COMPARE(pdf->pageCount(), 1);
#endif
            if (entry.screenshot) {
                QTest::qWait(100);
                test::saveLightAndDark(preview().panel(), QString::fromLatin1(entry.screenshot));
            }
        }

        // The same file again is left as it is; another one replaces it.
        QWidget* shown = preview().content();
        preview().update(QStringLiteral("page.html"), root);
        QCOMPARE(preview().content(), shown);

        // Guards: one byte over the limit, and a link out of the repository, which says where.
        QFile big(root + QStringLiteral("/big.log"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(previewSizeLimit + 1));
        big.close();
        preview().update(QStringLiteral("big.log"), root);
        QCOMPARE(lastComponentName(preview().content()), QStringLiteral("fallbackPreview"));
        QVERIFY(preview()
                    .content()
                    ->findChild<QLabel*>(QStringLiteral("fallbackReason"))
                    ->text()
                    .startsWith(QStringLiteral("Larger than")));
        QTemporaryDir elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("passwords.txt"));
        QFile outside(target);
        QVERIFY(outside.open(QIODevice::WriteOnly) && outside.write("secret") == 6);
        outside.close();
        QVERIFY(QFile::link(target, root + QStringLiteral("/shortcut.txt")));
        preview().update(QStringLiteral("shortcut.txt"), root);
        QCOMPARE(lastComponentName(preview().content()), QStringLiteral("fallbackPreview"));
        QVERIFY(preview()
                    .content()
                    ->findChild<QLabel*>(QStringLiteral("fallbackReason"))
                    ->text()
                    .contains(target));
        QVERIFY(!preview().content()->findChild<QPlainTextEdit*>());
        preview().hide();
    }

    // Pages and pictures that name files elsewhere (a picture, a style sheet, a device that never
    // ends, a pipe nobody writes): the preview opens none of them, by any route, and neither
    // hangs nor runs out of memory. What lies beside the page still shows.
    void previewOpensNothingOutsideTheFilesFolder() {
        QTemporaryDir elsewhere;
        const QString out = elsewhere.path();
        writePicture(out + QStringLiteral("/picture.png"));
        QFile css(out + QStringLiteral("/style.css"));
        QVERIFY(css.open(QIODevice::WriteOnly) && css.write("p { color: red }") > 0);
        css.close();
        QCOMPARE(::mkfifo(QFile::encodeName(out + QStringLiteral("/pipe")).constData(), 0600), 0);

        const QString root = m_repo->path();
        QDir(root).mkpath(QStringLiteral("site"));
        writePicture(root + QStringLiteral("/site/inside.png"));
        // A folder inside that is a link to the one outside.
        QVERIFY(QFile::link(out, root + QStringLiteral("/site/linked")));
        const QByteArray outside = QFile::encodeName(out);
        const QByteArray fileUrl = QUrl::fromLocalFile(out).toEncoded();
        const QByteArray svg =
            "<?xml-stylesheet type=\"text/css\" href=\"" + outside +
            "/style.css\"?><svg xmlns='http://www.w3.org/2000/svg' "
            "xmlns:xlink='http://www.w3.org/1999/xlink' width='40' height='40'>"
            "<circle cx='20' cy='20' r='18' fill='teal'/>"
            "<image xlink:href='" +
            outside +
            "/picture.png' width='9' height='9'/>"
            "<image href='" +
            fileUrl +
            "/picture.png' width='9' height='9'/>"
            "<image xlink:href='/dev/zero' width='9' height='9'/>"
            "<image xlink:href='" +
            outside +
            "/pipe' width='9' height='9'/>"
            "<image xlink:href='linked/picture.png' width='9' height='9'/></svg>";
        m_repo->writeFile(QStringLiteral("site/logo.svg"), svg);
        // An SVG under a raster picture's name.
        m_repo->writeFile(QStringLiteral("site/disguised.png"), svg);
        QString relative = QDir(root + QStringLiteral("/site")).relativeFilePath(out);
        m_repo->writeFile(QStringLiteral("site/index.html"),
                          "<html><head><link rel='stylesheet' href='" + fileUrl +
                              "/style.css'>"
                              "<style>@import url('" +
                              fileUrl +
                              "/style.css'); "
                              "body { background-image: url('" +
                              fileUrl +
                              "/picture.png') }</style></head>"
                              "<body><p>Page</p><img src='inside.png'>"
                              "<img src='" +
                              fileUrl + "/picture.png'><img src='" + outside +
                              "/picture.png'>"
                              "<img src='" +
                              relative.toUtf8() +
                              "/picture.png'><img src='linked/picture.png'>"
                              "<img src='file:///dev/zero'><img src='" +
                              fileUrl +
                              "/pipe'>"
                              "<img src='data:image/svg+xml;base64," +
                              svg.toBase64() +
                              "'>"
                              "<img src='disguised.png'><img src='logo.svg'></body></html>");

        FolderWatch watch(out);
        QVERIFY(watch.isWatching());
        // The watch sees what is opened there.
        QFile probe(out + QStringLiteral("/picture.png"));
        QVERIFY(probe.open(QIODevice::ReadOnly));
        probe.close();
        QVERIFY(watch.touched().contains(QStringLiteral("picture.png")));

        preview().show(QStringLiteral("site/index.html"), root);
        QCOMPARE(lastComponentName(preview().content()), QStringLiteral("htmlPreview"));
        auto* html = preview().content()->findChild<HtmlPreview*>();
        QVERIFY(html);
        // Laid out and drawn: every picture is asked for.
        html->resize(600, 2000);
        html->grab();
        QTextDocument* document = html->document();
        const QImage beside =
            document->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("inside.png")))
                .value<QImage>();
        QCOMPARE(beside.size(), QSize(320, 200));
        const QImage stand =
            document
                ->resource(QTextDocument::ImageResource,
                           QUrl(QString::fromUtf8(fileUrl) + QStringLiteral("/picture.png")))
                .value<QImage>();
        QCOMPARE(stand.size(), QSize(16, 16));
        const QImage logo =
            document->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("logo.svg")))
                .value<QImage>();
        QCOMPARE(logo.size(), QSize(40, 40));
        QVERIFY(!document->toPlainText().isEmpty());

        preview().update(QStringLiteral("site/logo.svg"), root);
        QCOMPARE(lastComponentName(preview().content()), QStringLiteral("svgPreview"));
        preview().panel()->grab();
        preview().update(QStringLiteral("site/disguised.png"), root);
        QCOMPARE(lastComponentName(preview().content()), QStringLiteral("imagePreview"));
        auto* picture = preview().content()->findChild<PicturePreview*>();
        QTRY_VERIFY(picture->isLoaded());
        QCOMPARE(picture->image().size(), QSize(40, 40));
        preview().panel()->grab();
        QTest::qWait(50);

        const QStringList touched = watch.touched();
        QVERIFY2(touched.isEmpty(), qPrintable(touched.join(u' ')));
        preview().hide();
    }

    // Untracked links to a device that never ends and to a pipe: previewed, described and hashed
    // without reading them.
    void linksToSpecialFilesAreNeverRead() {
        const QString root = m_repo->path();
        QCOMPARE(::mkfifo(QFile::encodeName(root + QStringLiteral("/pipe")).constData(), 0600), 0);
        QVERIFY(QFile::link(QStringLiteral("pipe"), root + QStringLiteral("/pipe-link")));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), root + QStringLiteral("/zero-link")));
        FileInfoWindowController& info = FileInfoWindowController::instance();
        const struct {
            const char* path;
            const char* reason;
        } cases[] = {
            {"pipe-link", "Not a regular file; not shown."},
            {"zero-link", "Points outside the repository"},
        };
        for (const auto& entry : cases) {
            const QString path = QString::fromLatin1(entry.path);
            preview().show(path, root);
            QCOMPARE(lastComponentName(preview().content()), QStringLiteral("fallbackPreview"));
            QVERIFY(preview()
                        .content()
                        ->findChild<QLabel*>(QStringLiteral("fallbackReason"))
                        ->text()
                        .startsWith(QString::fromLatin1(entry.reason)));
            info.showInfo(FileChange{.status = ChangeStatus::Untracked, .path = path}, root);
            QVERIFY(info.fileInfo());
            QVERIFY(info.fileInfo()->linkTarget);
            QTRY_COMPARE(info.sha256().value_or(QString()), QStringLiteral("—"));
        }
        // The hash refuses the pipe itself too.
        info.showInfo(FileChange{.status = ChangeStatus::Untracked, .path = QStringLiteral("pipe")},
                      root);
        QTRY_COMPARE(info.sha256().value_or(QString()), QStringLiteral("—"));
        info.window()->close();
        preview().hide();
    }

    // Keys sent faster than anything is drawn all count; S and U move the selection's files;
    // Escape closes the preview; Menu and Shift+F10 open the current row's menu.
    void quickArrowsStageKeysAndRowMenus() {
        for (int i = 0; i < 30; ++i)
            m_repo->writeFile(QStringLiteral("quick/n%1.txt").arg(i, 2, 10, QLatin1Char('0')),
                              "new\n");
        for (int i = 0; i < 26; ++i)
            m_repo->git({QStringLiteral("commit"), QStringLiteral("--allow-empty"),
                         QStringLiteral("-qm"), QStringLiteral("empty %1").arg(i)});
        test::await(state().refresh());
        QTRY_VERIFY(state().commits().size() >= 27);
        const QList<FileChange> files = state().allDisplayFiles();
        const auto first = std::find_if(files.begin(), files.end(), [](const FileChange& f) {
            return f.path == QStringLiteral("quick/n00.txt");
        });
        QVERIFY(first != files.end());
        const qsizetype start = first - files.begin();
        QVERIFY(start + 25 < files.size());

        // All queued on the window at once, each going to whatever has the keyboard when its
        // turn comes, as a held key or a fast hand sends them.
        QWindow* window = m_window->windowHandle();
        auto pressQuickly = [window](int times) {
            for (int i = 0; i < times; ++i) {
                QCoreApplication::postEvent(
                    window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
                QCoreApplication::postEvent(
                    window, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier));
            }
        };
        state().selectFile(files[start], false, false);
        focus(changes()->unstagedList());
        pressQuickly(25);
        QTRY_COMPARE(state().selectedFile()->path, files[start + 25].path);
        // Nothing arrives late either.
        QTest::qWait(100);
        QCOMPARE(state().selectedFile()->path, files[start + 25].path);
        // From the diff as well: the keyboard stays there while each file's diff loads.
        state().selectFile(files[start], false, false);
        QTest::keyClick(changes()->unstagedList(), Qt::Key_Return);
        QTRY_COMPARE(keys()->context().focus, KeyFocus::Detail);
        pressQuickly(25);
        QTRY_COMPARE(state().selectedFile()->path, files[start + 25].path);
        QTest::qWait(100);
        QCOMPARE(state().selectedFile()->path, files[start + 25].path);
        QCOMPARE(keys()->context().focus, KeyFocus::Detail);
        QVERIFY(!state().selectedCommit());
        QCOMPARE(changes()->unstagedList()->currentIndex().row(),
                 state().allDisplayFiles().indexOf(*state().selectedFile()) -
                     changes()->stagedList()->model()->rowCount());
        test::saveLightAndDark(m_window.get(), QStringLiteral("keyboard-focus-file-list"));

        QListView* commits = history()->list();
        state().selectCommit(state().commits().first(), false, false);
        focus(commits);
        pressQuickly(25);
        QTRY_COMPARE(state().selectedCommit()->id, state().commits().at(25).id);
        QCOMPARE(commits->currentIndex().row(), 25);

        // S stages the selected files, U unstages them.
        QListView* unstaged = changes()->unstagedList();
        state().selectFile(files[start], false, false);
        state().selectFile(files[start + 1], false, true);
        focus(unstaged);
        QTest::keyClick(unstaged, Qt::Key_S);
        auto stagedPaths = [this] {
            QStringList paths;
            for (const FileChange& change : state().changes()) {
                if (change.isStaged && change.path.startsWith(QStringLiteral("quick/")))
                    paths.append(change.path);
            }
            return paths;
        };
        QTRY_COMPARE(stagedPaths(), (QStringList{files[start].path, files[start + 1].path}));
        const QList<FileChange> after = state().allDisplayFiles();
        const auto staged = std::find_if(after.begin(), after.end(), [&](const FileChange& f) {
            return f.isStaged && f.path == files[start].path;
        });
        QVERIFY(staged != after.end());
        state().selectFile(*staged, false, false);
        focus(changes()->stagedList());
        QTest::keyClick(changes()->stagedList(), Qt::Key_U);
        QTRY_COMPARE(stagedPaths(), QStringList{files[start + 1].path});

        // Escape closes the preview Space opened, with the keyboard still in the list.
        state().selectFile(files[start + 2], false, false);
        focus(unstaged);
        QTest::keyClick(unstaged, Qt::Key_Space);
        QTRY_VERIFY(preview().isPanelVisible());
        focus(unstaged);
        QTest::keyClick(unstaged, Qt::Key_Escape);
        QVERIFY(!preview().isPanelVisible());

        // The row menus, from the keyboard.
        auto menuFrom = [](const std::function<void()>& press) -> QStringList {
            QStringList texts;
            QTimer poll;
            poll.setInterval(10);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                for (QAction* action : menu->actions()) {
                    if (!action->isSeparator())
                        texts.append(action->text() + QLatin1Char('\t') +
                                     action->shortcut().toString());
                }
                poll.stop();
                menu->close();
            });
            poll.start();
            press();
            QTest::qWaitFor([&texts] { return !texts.isEmpty(); }, 3000);
            return texts;
        };
        focus(unstaged);
        const QStringList fileMenu =
            menuFrom([unstaged] { QTest::keyClick(unstaged, Qt::Key_F10, Qt::ShiftModifier); });
        QVERIFY2(fileMenu.contains(QStringLiteral("Stage\tS")), qPrintable(fileMenu.join(u'|')));
        focus(commits);
        const QStringList commitMenu =
            menuFrom([commits] { QTest::keyClick(commits, Qt::Key_Menu); });
        QVERIFY(commitMenu.size() > 2);

        view()->sidebar()->findChild<QAbstractButton*>(QStringLiteral("segmentBranches"))->click();
        auto* branchList = view()->sidebar()->page(SidebarTab::Branches)->findChild<QListView*>();
        focus(branchList);
        QTest::keyClick(branchList, Qt::Key_Down);
        QVERIFY(branchList->currentIndex().isValid());
        const QStringList branchMenu =
            menuFrom([branchList] { QTest::keyClick(branchList, Qt::Key_Menu); });
        QVERIFY(!branchMenu.isEmpty());
        view()->sidebar()->findChild<QAbstractButton*>(QStringLiteral("segmentChanges"))->click();
    }

    // Through Qt's accessibility interfaces, as a screen reader sees the window: every control
    // named, every painted list giving a sentence for each row, each message announced.
    void accessibilityTreeOfEachPage() {
        QTRY_VERIFY(!state().isLoadingDiff());
        // A window opened over the main one and closed gives the keyboard back where it was.
        focus(history()->list());
        m_window->action(QStringLiteral("keyboardShortcutsAction"))->trigger();
        auto* shortcuts = m_window->findChild<ShortcutsWindow*>();
        QVERIFY(shortcuts);
        QVERIFY(QTest::qWaitForWindowActive(shortcuts));
        QTest::keyClick(shortcuts->list(), Qt::Key_Escape);
        QTRY_VERIFY(!m_window->findChild<ShortcutsWindow*>());
        // (A desktop activates the main window again by itself; the offscreen platform not.)
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTRY_COMPARE(QApplication::focusWidget(), history()->list());
        QCOMPARE(focusOutlineWidget()->parentWidget(), history()->list());

        state().selectCommit(state().commits().first(), false, false);
        for (const SidebarTab tab : allSidebarTabs) {
            state().setSelectedTab(tab);
            QApplication::processEvents();
            const QStringList problems = test::accessibilityProblems(m_window.get());
            QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        }
        state().setSelectedTab(SidebarTab::Changes);
        QApplication::processEvents();
        // The walk does reach the views: a control left without a name is found.
        {
            QToolButton unnamed(history());
            unnamed.setIcon(QIcon(QStringLiteral(":/icons/xmark.svg")));
            unnamed.show();
            QVERIFY(test::accessibilityProblems(m_window.get())
                        .contains(QStringLiteral("no name: QToolButton ")));
        }

        // The row item of the row showing `shown`.
        const auto rowText = [](QAbstractItemView* list, const QString& shown) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
            for (int i = 0; iface && i < iface->childCount(); ++i) {
                QAccessibleInterface* item = iface->child(i);
                const auto* cell = item ? item->tableCellInterface() : nullptr;
                if (cell && list->model()->index(cell->rowIndex(), 0).data() == shown)
                    return item->text(QAccessible::Name);
            }
            return QString();
        };
        const GitCommit& newest = state().commits().first();
        QCOMPARE(rowText(history()->list(), newest.message),
                 QStringLiteral("%1, by %2, %3, commit %4, branch main")
                     .arg(newest.message, newest.author,
                          gitRelativeDate(newest.authorTime, QDateTime::currentSecsSinceEpoch()),
                          newest.shortHash));

        // A message is an alert to assistive technology, named by its text. (The Alert event it
        // sends reaches only an active bridge, which the offscreen platform never has.)
        auto* bar = view()->findChild<MessageBar*>();
        bar->showMessage(QStringLiteral("Fetch failed: network unreachable"),
                         MessageBar::Kind::Failure);
        auto* item = bar->findChild<QWidget*>(QStringLiteral("messageBarFailure"));
        QCOMPARE(QAccessible::queryAccessibleInterface(item)->role(), QAccessible::AlertMessage);
        QCOMPARE(QAccessible::queryAccessibleInterface(item)->text(QAccessible::Name),
                 QStringLiteral("Fetch failed: network unreachable"));
        const QStringList problems = test::accessibilityProblems(bar);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        item->findChild<QAbstractButton*>(QStringLiteral("messageBarDismiss"))->click();
        test::saveAtScales(m_window.get(), QStringLiteral("main-window"), {1.5, 2.0});

        // A list emptied by a reload hands the keyboard to what shows in its place.
        focus(changes()->stagedList());
        m_repo->git({QStringLiteral("add"), QStringLiteral("-A")});
        m_repo->git({QStringLiteral("commit"), QStringLiteral("-qm"), QStringLiteral("all")});
        test::await(state().refresh());
        QTRY_VERIFY(state().changes().isEmpty());
        QWidget* now = QApplication::focusWidget();
        QVERIFY(now && changes()->isAncestorOf(now) && now->isVisible());
    }
};

QTEST_MAIN(TestAuxiliaryWindows)
#include "tst_AuxiliaryWindows.moc"
