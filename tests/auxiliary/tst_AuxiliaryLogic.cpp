#include "auxiliary/fileFacts.h"
#include "auxiliary/listKeys.h"
#include "auxiliary/pictureDecoding.h"
#include "auxiliary/previewDecision.h"
#include "auxiliary/repositoryFile.h"
#include "support/TestEnvironment.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <QtConcurrent>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace tolvane;

Q_DECLARE_METATYPE(tolvane::PreviewRefusal)
Q_DECLARE_METATYPE(tolvane::PreviewKind)
Q_DECLARE_METATYPE(tolvane::KeyContext)
Q_DECLARE_METATYPE(tolvane::KeyRoute)

namespace {

const QString emptyDigest =
    QStringLiteral("e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");

// A file of `size` bytes that takes no disk space, with the given bytes written at `offset`.
void writeSparse(const QString& path, qint64 size, qint64 offset = -1,
                 const QByteArray& bytes = {}) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(file.resize(size));
    if (offset >= 0) {
        QVERIFY(file.seek(offset));
        QCOMPARE(file.write(bytes), bytes.size());
    }
}

void writeText(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

long peakResidentKilobytes() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// An SVG document around `body`, with the xlink namespace declared.
QByteArray svgAround(const QByteArray& body, const QByteArray& prolog = {}) {
    return prolog +
           "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
           "width='40' height='40'><circle cx='20' cy='20' r='18' fill='teal'/>" +
           body + "</svg>";
}

QByteArray pngBytes() {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// Every link of a picture in the document: the renderer must be able to read none but data: ones
// that hold no SVG of their own.
QStringList pictureLinks(const QByteArray& svg) {
    QStringList links;
    QXmlStreamReader reader(svg);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement && reader.name() == u"image") {
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                if (attribute.name() == u"href")
                    links.append(attribute.value().toString());
            }
        }
    }
    return links;
}

KeyContext changesPage(KeyFocus focus, bool fileListFocused = true) {
    return KeyContext{.hasRepository = true,
                      .changesPage = true,
                      .fileListFocused = fileListFocused,
                      .focus = focus,
                      .fileSelected = true,
                      .commitSelected = true};
}

KeyRoute moveRoute(ListTarget list, ListMotion motion, bool extending = false) {
    return KeyRoute{
        .action = KeyRoute::Action::Move, .list = list, .motion = motion, .extending = extending};
}

KeyRoute actionRoute(KeyRoute::Action action, ListTarget list = ListTarget::None) {
    return KeyRoute{.action = action, .list = list};
}

} // namespace

class TestAuxiliaryLogic : public QObject {
    Q_OBJECT

    test::TestEnvironment m_environment;
    QTemporaryDir m_outside;

private Q_SLOTS:
    void fileInfoFacts() {
        QTemporaryDir root;
        writeText(root.filePath(QStringLiteral("notes.txt")), "abc");
        QVERIFY(::setxattr(QFile::encodeName(root.filePath(QStringLiteral("notes.txt"))),
                           "user.xdg.comment", "From the scanner\0", 17, 0) == 0);

        const std::optional<FileInfo> notes =
            readFileInfo(root.path(), QStringLiteral("notes.txt"));
        QVERIFY(notes);
        QCOMPARE(notes->filename, QStringLiteral("notes.txt"));
        QCOMPARE(notes->fileSize, 3);
        QVERIFY(notes->modified && notes->modified->isValid());
        QCOMPARE(notes->comment, QStringLiteral("From the scanner"));
        QVERIFY(!notes->linkTarget && !notes->leadsOutside);
        QCOMPARE(FileInfo::formatDate(std::nullopt), QStringLiteral("—"));

        // An empty file: size 0, no comment, the digest of empty input.
        QDir(root.path()).mkpath(QStringLiteral("sub"));
        writeText(root.filePath(QStringLiteral("sub/empty")), {});
        const std::optional<FileInfo> empty =
            readFileInfo(root.path(), QStringLiteral("sub/empty"));
        QVERIFY(empty);
        QCOMPARE(empty->filename, QStringLiteral("empty"));
        QCOMPARE(empty->fileSize, 0);
        QVERIFY(!empty->comment);
        QCOMPARE(sha256OfFile(*contentPath(root.path(), QStringLiteral("sub/empty"))), emptyDigest);

        // A deleted file has no facts.
        QVERIFY(!readFileInfo(root.path(), QStringLiteral("gone.txt")));

        // A name that is not UTF-8 is reached by its bytes.
        const QByteArray latin1Name = QFile::encodeName(root.path()) + "/caf\xe9.txt";
        const int descriptor = ::open(latin1Name.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(descriptor >= 0);
        QCOMPARE(::write(descriptor, "abc", 3), 3);
        ::close(descriptor);
        const QString escaped =
            QStringLiteral("caf") + QChar(0xDC00 + 0xe9) + QStringLiteral(".txt");
        const std::optional<FileInfo> latin1 = readFileInfo(root.path(), escaped);
        QVERIFY(latin1);
        QCOMPARE(latin1->fileSize, 3);
        QCOMPARE(
            sha256OfFile(*contentPath(root.path(), escaped)),
            QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
        // QTemporaryDir cannot remove a name that is not UTF-8.
        QCOMPARE(::unlink(latin1Name.constData()), 0);

        // A link inside the repository is described as a link and hashed through; one that leads
        // out says where, and its target is not read.
        QVERIFY(QFile::link(QStringLiteral("notes.txt"), root.filePath(QStringLiteral("inside"))));
        writeText(m_outside.filePath(QStringLiteral("secret")), "secret");
        QVERIFY(QFile::link(m_outside.filePath(QStringLiteral("secret")),
                            root.filePath(QStringLiteral("outside"))));
        const std::optional<FileInfo> inside = readFileInfo(root.path(), QStringLiteral("inside"));
        QVERIFY(inside);
        QCOMPARE(inside->linkTarget, QStringLiteral("notes.txt"));
        QVERIFY(!inside->leadsOutside);
        QCOMPARE(inside->comment, QStringLiteral("From the scanner"));
        QVERIFY(contentPath(root.path(), QStringLiteral("inside")));
        const std::optional<FileInfo> outside =
            readFileInfo(root.path(), QStringLiteral("outside"));
        QVERIFY(outside);
        QCOMPARE(outside->linkTarget, m_outside.filePath(QStringLiteral("secret")));
        QVERIFY(outside->leadsOutside);
        QVERIFY(!contentPath(root.path(), QStringLiteral("outside")));
    }

    void hashRefusesWhatCannotEnd() {
        QTemporaryDir root;
        // A named pipe would never give an end of file; a folder has no contents.
        const QByteArray fifo = QFile::encodeName(root.filePath(QStringLiteral("pipe")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        QVERIFY(!sha256OfFile(fifo));
        QVERIFY(!sha256OfFile(QFile::encodeName(root.path())));

        writeSparse(root.filePath(QStringLiteral("big")), 64 << 20);
        std::atomic_bool cancelled{true};
        QVERIFY(!sha256OfFile(QFile::encodeName(root.filePath(QStringLiteral("big"))), &cancelled));
    }

    // Reading the whole file would raise the peak by its size; chunks keep it flat.
    // TOLVANE_HASH_TEST_GIB=2 runs it on 2 GiB (digest from `truncate -s 2G f; sha256sum f`).
    void hashOfLargeSparseFileKeepsMemoryFlat() {
        const bool twoGiB = qEnvironmentVariableIntValue("TOLVANE_HASH_TEST_GIB") == 2;
        const qint64 size = twoGiB ? 2LL << 30 : 256LL << 20;
        const QString expected =
            twoGiB
                ? QStringLiteral("a7c744c13cc101ed66c29f672f92455547889cc586ce6d44fe76ae824958ea51")
                : QStringLiteral(
                      "a6d72ac7690f53be6ae46ba88506bd97302a093f7108472bd9efc3cefda06484");
        QTemporaryDir root;
        writeSparse(root.filePath(QStringLiteral("zeros")), size);
        const long before = peakResidentKilobytes();
        const QByteArray path = QFile::encodeName(root.filePath(QStringLiteral("zeros")));
        QFuture<std::optional<QString>> future =
            QtConcurrent::run([path] { return sha256OfFile(path); });
        future.waitForFinished();
        QCOMPARE(future.result(), expected);
        const long grown = peakResidentKilobytes() - before;
        qInfo("peak resident set grew by %ld KiB while hashing %lld bytes", grown, size);
        QVERIFY2(grown < 32 * 1024, qPrintable(QString::number(grown)));
    }

    // SVG handed to Qt's renderer names no file: neither a picture by path (however spelled)
    // nor a style sheet; what is safe is left byte for byte.
    void svgLosesItsExternalReferences_data() {
        QTest::addColumn<QByteArray>("svg");
        QTest::addColumn<bool>("unchanged");
        const QByteArray png = "data:image/png;base64," + pngBytes().toBase64();
        const QByteArray innerSvg =
            "data:image/svg+xml;base64," +
            svgAround("<image xlink:href='/outside/picture.png' width='4' height='4'/>").toBase64();
        QTest::newRow("plain") << svgAround({}) << true;
        QTest::newRow("embedded PNG")
            << svgAround("<image xlink:href='" + png + "' width='4' height='4'/>") << true;
        QTest::newRow("absolute path")
            << svgAround("<image xlink:href='/outside/picture.png' width='4' height='4'/>")
            << false;
        QTest::newRow("href without prefix")
            << svgAround("<image href=' file:///dev/zero' width='4' height='4'/>") << false;
        QTest::newRow("other prefix") << svgAround("<image xmlns:l='http://www.w3.org/1999/xlink' "
                                                   "l:href='pipe' width='4' height='4'/>")
                                      << false;
        QTest::newRow("upper-case scheme")
            << svgAround("<image xlink:href='DATA:x/../../outside.png' width='4' height='4'/>")
            << false;
        QTest::newRow("embedded SVG")
            << svgAround("<image xlink:href='" + innerSvg + "' width='4' height='4'/>") << false;
        QTest::newRow("path in an entity")
            << svgAround("<image xlink:href='&p;' width='4' height='4'/>",
                         "<!DOCTYPE svg [<!ENTITY p '/outside/picture.png'>]>")
            << false;
        QTest::newRow("style sheet instruction")
            << svgAround({}, "<?xml-stylesheet type=\"text/css\" href=\"/outside/style.css\"?>")
            << false;
    }
    void svgLosesItsExternalReferences() {
        QFETCH(QByteArray, svg);
        QFETCH(bool, unchanged);
        const auto check = [&](const QByteArray& input) {
            const std::optional<QByteArray> safe = svgWithoutExternalReferences(input);
            QVERIFY(safe);
            if (unchanged)
                QCOMPARE(*safe, svg);
            QVERIFY(!safe->contains("xml-stylesheet"));
            for (const QString& link : pictureLinks(*safe)) {
                QVERIFY2(link.startsWith(u"data:image/png;base64,"), qPrintable(link));
                QVERIFY(
                    !QImage::fromData(QByteArray::fromBase64(link.mid(22).toLatin1())).isNull());
            }
            QVERIFY(QSvgRenderer(*safe).isValid());
        };
        check(svg);
        // Compressed (svgz), the same once inflated.
        QProcess gzip;
        gzip.start(QStringLiteral("gzip"), {QStringLiteral("-c")});
        gzip.write(svg);
        gzip.closeWriteChannel();
        QVERIFY(gzip.waitForFinished());
        const QByteArray compressed = gzip.readAllStandardOutput();
        QVERIFY(compressed.startsWith("\x1f\x8b"));
        if (unchanged)
            QCOMPARE(svgWithoutExternalReferences(compressed), std::optional<QByteArray>(svg));
        else
            check(compressed);
    }

    void svgThatCannotBeCheckedIsRefused() {
        // The renderer acts on what comes before a fault; so nothing of it is passed on.
        QVERIFY(!svgWithoutExternalReferences(
            svgAround("<image xlink:href='/outside/a.png' width='4' height='4'/>").chopped(3)));
        QVERIFY(!svgWithoutExternalReferences(QByteArray("\x1f\x8b\x08\x00broken", 10)));
        // A compressed picture that inflates without end is cut off.
        QByteArray bomb;
        {
            QProcess gzip;
            gzip.start(
                QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("head -c 40000000 /dev/zero | gzip -c")});
            QVERIFY(gzip.waitForFinished());
            bomb = gzip.readAllStandardOutput();
        }
        QVERIFY(bomb.size() < 100'000);
        QVERIFY(!svgWithoutExternalReferences(bomb));
        // An SVG passed off as a raster picture is drawn from the cleaned text.
        const QImage picture = decodePicture(
            svgAround("<image xlink:href='/outside/a.png' width='4' height='4'/>"), 4096);
        QCOMPARE(picture.size(), QSize(40, 40));
        QCOMPARE(picture.pixelColor(20, 20), QColor(Qt::GlobalColor::darkCyan));
    }

    void previewExtension_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::newRow("plain") << "src/main.cpp"
                               << "cpp";
        QTest::newRow("upper case") << "art/LOGO.SVG"
                                    << "svg";
        QTest::newRow("last dot") << "a.tar.gz"
                                  << "gz";
        QTest::newRow("dot file") << ".bashrc"
                                  << "";
        QTest::newRow("trailing dot") << "name."
                                      << "";
        QTest::newRow("dot in folder only") << "dir.d/Makefile"
                                            << "";
    }
    void previewExtension() {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QCOMPARE(tolvane::previewExtension(path), extension);
    }

    // The guards and the kind, on real files.
    void previewGuards_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("zeroAt");
        QTest::addColumn<PreviewRefusal>("refusal");
        QTest::addColumn<PreviewKind>("kind");
        const auto none = PreviewRefusal::None;
        QTest::newRow("100,000,000 bytes")
            << "big.txt" << qint64(100'000'000) << qint64(-1) << none << PreviewKind::Text;
        QTest::newRow("100,000,001 bytes") << "big.txt" << qint64(100'000'001) << qint64(-1)
                                           << PreviewRefusal::TooLarge << PreviewKind::Text;
        QTest::newRow("zero at 511") << "blob" << qint64(2048) << qint64(511)
                                     << PreviewRefusal::Binary << PreviewKind::Other;
        QTest::newRow("zero at 512")
            << "blob" << qint64(2048) << qint64(512) << none << PreviewKind::Text;
        QTest::newRow("zero with extension")
            << "data.dat" << qint64(2048) << qint64(0) << none << PreviewKind::Other;
        QTest::newRow("upper-case SVG")
            << "LOGO.SVG" << qint64(10) << qint64(-1) << none << PreviewKind::Svg;
        QTest::newRow("HTML") << "page.HTM" << qint64(10) << qint64(-1) << none
                              << PreviewKind::Html;
        QTest::newRow("large HTML as text")
            << "dump.html" << htmlRenderLimit + 1 << qint64(-1) << none << PreviewKind::Text;
        QTest::newRow("PNG") << "shot.png" << qint64(10) << qint64(0) << none << PreviewKind::Image;
        QTest::newRow("never previewed") << "main.o" << qint64(10) << qint64(-1)
                                         << PreviewRefusal::NeverPreview << PreviewKind::Text;
        QTest::newRow("git pack index") << "x.IDX" << qint64(10) << qint64(-1)
                                        << PreviewRefusal::NeverPreview << PreviewKind::Text;
        QTest::newRow("empty") << "empty" << qint64(0) << qint64(-1) << none << PreviewKind::Text;
    }
    void previewGuards() {
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QFETCH(qint64, zeroAt);
        QFETCH(PreviewRefusal, refusal);
        QFETCH(PreviewKind, kind);
        QTemporaryDir root;
        if (zeroAt >= 0) {
            // Filled with text except for the one zero byte.
            QByteArray content(size, 'x');
            content[zeroAt] = '\0';
            writeText(root.filePath(name), content);
        } else {
            writeSparse(root.filePath(name), size);
            if (size > 0) {
                // The sparse file reads as zeros; put text in its first bytes.
                QFile file(root.filePath(name));
                QVERIFY(file.open(QIODevice::ReadWrite));
                QCOMPARE(file.write(QByteArray(std::min<qint64>(size, 512), 'x')),
                         std::min<qint64>(size, 512));
            }
        }
        const RepositoryFile file = locateRepositoryFile(root.path(), name);
        const PreviewFacts facts = examineForPreview(file, name);
        QCOMPARE(facts.size, size);
        QCOMPARE(previewRefusal(facts), refusal);
        if (refusal == PreviewRefusal::None)
            QCOMPARE(previewKind(facts, false), kind);
    }

    void previewRefusesWhatItMustNotRead() {
        QTemporaryDir root;
        QDir(root.path()).mkpath(QStringLiteral("folder"));
        const QByteArray fifo = QFile::encodeName(root.filePath(QStringLiteral("pipe")));
        QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
        writeText(m_outside.filePath(QStringLiteral("elsewhere.txt")), "hi");
        QVERIFY(QFile::link(m_outside.filePath(QStringLiteral("elsewhere.txt")),
                            root.filePath(QStringLiteral("away.txt"))));
        // A folder linked from outside leads there too, though the file itself is no link.
        QVERIFY(QFile::link(m_outside.path(), root.filePath(QStringLiteral("linked"))));
        QVERIFY(QFile::link(QStringLiteral("nowhere"), root.filePath(QStringLiteral("dangling"))));

        const auto refusalFor = [&root](const QString& name) {
            return previewRefusal(examineForPreview(locateRepositoryFile(root.path(), name), name));
        };
        QCOMPARE(refusalFor(QStringLiteral("folder")), PreviewRefusal::Folder);
        QCOMPARE(refusalFor(QStringLiteral("pipe")), PreviewRefusal::SpecialFile);
        QCOMPARE(refusalFor(QStringLiteral("away.txt")), PreviewRefusal::OutsideRepository);
        QCOMPARE(refusalFor(QStringLiteral("linked/elsewhere.txt")),
                 PreviewRefusal::OutsideRepository);
        QCOMPARE(refusalFor(QStringLiteral("dangling")), PreviewRefusal::Missing);
        QCOMPARE(refusalFor(QStringLiteral("gone")), PreviewRefusal::Missing);

        // The page says where the link leads.
        const RepositoryFile away = locateRepositoryFile(root.path(), QStringLiteral("away.txt"));
        QVERIFY(refusalText(PreviewRefusal::OutsideRepository, away)
                    .contains(m_outside.filePath(QStringLiteral("elsewhere.txt"))));
        const RepositoryFile linked =
            locateRepositoryFile(root.path(), QStringLiteral("linked/elsewhere.txt"));
        QVERIFY(refusalText(PreviewRefusal::OutsideRepository, linked)
                    .contains(QStringLiteral("elsewhere.txt")));

        // Root may read anything, so unreadability is shown on the facts alone.
        PreviewFacts unreadable;
        unreadable.exists = unreadable.insideRepository = unreadable.isRegular = true;
        QCOMPARE(previewRefusal(unreadable), PreviewRefusal::Unreadable);
        PreviewFacts pdf{.exists = true,
                         .insideRepository = true,
                         .isRegular = true,
                         .readable = true,
                         .extension = QStringLiteral("pdf"),
                         .headHasZeroByte = true};
        QCOMPARE(previewKind(pdf, true), PreviewKind::Pdf);
        QCOMPARE(previewKind(pdf, false), PreviewKind::Other);
    }

    void routeListKey_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<KeyContext>("context");
        QTest::addColumn<KeyRoute>("route");
        using A = KeyRoute::Action;
        const KeyRoute pass;
        const int none = Qt::NoModifier;
        const int shift = Qt::ShiftModifier;
        const KeyContext files = changesPage(KeyFocus::FileList);
        const KeyContext commits = changesPage(KeyFocus::CommitList);
        const KeyContext detailAfterFile = changesPage(KeyFocus::Detail, true);
        const KeyContext detailAfterCommit = changesPage(KeyFocus::Detail, false);
        const KeyContext button = changesPage(KeyFocus::Button);
        KeyContext editing = files;
        editing.editingText = true;
        KeyContext branches = files;
        branches.changesPage = false;
        KeyContext noRepository;
        KeyContext nothingSelected = files;
        nothingSelected.fileSelected = false;
        KeyContext previewOpen = nothingSelected;
        previewOpen.previewVisible = true;

        // Arrows in every pane.
        QTest::newRow("down, file list")
            << int(Qt::Key_Down) << none << files << moveRoute(ListTarget::Files, ListMotion::Next);
        QTest::newRow("shift+up, file list")
            << int(Qt::Key_Up) << shift << files
            << moveRoute(ListTarget::Files, ListMotion::Previous, true);
        QTest::newRow("keypad down") << int(Qt::Key_Down) << int(Qt::KeypadModifier) << files
                                     << moveRoute(ListTarget::Files, ListMotion::Next);
        QTest::newRow("down, history") << int(Qt::Key_Down) << none << commits
                                       << moveRoute(ListTarget::Commits, ListMotion::Next);
        QTest::newRow("down, diff after a file") << int(Qt::Key_Down) << none << detailAfterFile
                                                 << moveRoute(ListTarget::Files, ListMotion::Next);
        QTest::newRow("shift+down, diff after a commit")
            << int(Qt::Key_Down) << shift << detailAfterCommit
            << moveRoute(ListTarget::Commits, ListMotion::Next, true);
        QTest::newRow("up, on a button after a commit")
            << int(Qt::Key_Up) << none << changesPage(KeyFocus::Button, false)
            << moveRoute(ListTarget::Commits, ListMotion::Previous);
        QTest::newRow("ctrl+down")
            << int(Qt::Key_Down) << int(Qt::ControlModifier) << files << pass;
        QTest::newRow("alt+down") << int(Qt::Key_Down) << int(Qt::AltModifier) << files << pass;
        QTest::newRow("meta+up") << int(Qt::Key_Up) << int(Qt::MetaModifier) << commits << pass;
        QTest::newRow("down while editing") << int(Qt::Key_Down) << none << editing << pass;
        QTest::newRow("down, branches page") << int(Qt::Key_Down) << none << branches << pass;
        QTest::newRow("down, no repository") << int(Qt::Key_Down) << none << noRepository << pass;

        // Space.
        QTest::newRow("space, file list") << int(Qt::Key_Space) << none << files
                                          << actionRoute(A::TogglePreview, ListTarget::Files);
        QTest::newRow("space, diff after a file")
            << int(Qt::Key_Space) << none << detailAfterFile
            << actionRoute(A::TogglePreview, ListTarget::Files);
        QTest::newRow("space, history") << int(Qt::Key_Space) << none << commits << pass;
        QTest::newRow("space, diff after a commit")
            << int(Qt::Key_Space) << none << detailAfterCommit << pass;
        QTest::newRow("space on a button") << int(Qt::Key_Space) << none << button << pass;
        QTest::newRow("space while editing") << int(Qt::Key_Space) << none << editing << pass;
        QTest::newRow("space, branches page") << int(Qt::Key_Space) << none << branches << pass;
        QTest::newRow("shift+space") << int(Qt::Key_Space) << shift << files << pass;
        QTest::newRow("space, nothing selected")
            << int(Qt::Key_Space) << none << nothingSelected << pass;
        QTest::newRow("space closes without a selection")
            << int(Qt::Key_Space) << none << previewOpen
            << actionRoute(A::TogglePreview, ListTarget::Files);

        // Jumps only in a focused list.
        QTest::newRow("home, file list") << int(Qt::Key_Home) << none << files
                                         << moveRoute(ListTarget::Files, ListMotion::First);
        QTest::newRow("shift+end, history")
            << int(Qt::Key_End) << shift << commits
            << moveRoute(ListTarget::Commits, ListMotion::Last, true);
        QTest::newRow("page down, history") << int(Qt::Key_PageDown) << none << commits
                                            << moveRoute(ListTarget::Commits, ListMotion::PageDown);
        QTest::newRow("page up, file list") << int(Qt::Key_PageUp) << none << files
                                            << moveRoute(ListTarget::Files, ListMotion::PageUp);
        QTest::newRow("page down, diff")
            << int(Qt::Key_PageDown) << none << detailAfterFile << pass;

        // Enter and Tab.
        QTest::newRow("enter, file list")
            << int(Qt::Key_Return) << none << files << actionRoute(A::OpenDiff, ListTarget::Files);
        QTest::newRow("enter, history") << int(Qt::Key_Enter) << none << commits
                                        << actionRoute(A::OpenDiff, ListTarget::Commits);
        QTest::newRow("enter on a button") << int(Qt::Key_Return) << none << button << pass;
        QTest::newRow("enter, nothing selected")
            << int(Qt::Key_Return) << none << nothingSelected << pass;
        QTest::newRow("tab, file list")
            << int(Qt::Key_Tab) << none << files << actionRoute(A::NextPane);
        QTest::newRow("backtab, diff")
            << int(Qt::Key_Backtab) << shift << detailAfterCommit << actionRoute(A::PreviousPane);
        QTest::newRow("tab on a button") << int(Qt::Key_Tab) << none << button << pass;
        QTest::newRow("ctrl+tab") << int(Qt::Key_Tab) << int(Qt::ControlModifier) << files << pass;
        QTest::newRow("letter") << int(Qt::Key_A) << none << files << pass;

        // Escape closes an open preview; S and U stage and unstage from the file list only.
        QTest::newRow("escape, preview open")
            << int(Qt::Key_Escape) << none << previewOpen << actionRoute(A::ClosePreview);
        QTest::newRow("escape, preview closed") << int(Qt::Key_Escape) << none << files << pass;
        KeyContext editingOverPreview = previewOpen;
        editingOverPreview.editingText = true;
        QTest::newRow("escape while editing")
            << int(Qt::Key_Escape) << none << editingOverPreview << pass;
        QTest::newRow("s, file list")
            << int(Qt::Key_S) << none << files << actionRoute(A::Stage, ListTarget::Files);
        QTest::newRow("u, file list")
            << int(Qt::Key_U) << none << files << actionRoute(A::Unstage, ListTarget::Files);
        QTest::newRow("s, history") << int(Qt::Key_S) << none << commits << pass;
        QTest::newRow("s, diff after a file") << int(Qt::Key_S) << none << detailAfterFile << pass;
        QTest::newRow("shift+s") << int(Qt::Key_S) << shift << files << pass;
        QTest::newRow("ctrl+s") << int(Qt::Key_S) << int(Qt::ControlModifier) << files << pass;
        QTest::newRow("u, nothing selected") << int(Qt::Key_U) << none << nothingSelected << pass;
        QTest::newRow("s while editing") << int(Qt::Key_S) << none << editing << pass;
    }
    void routeListKey() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(KeyContext, context);
        QFETCH(KeyRoute, route);
        const KeyRoute got = tolvane::routeListKey(key, Qt::KeyboardModifiers(modifiers), context);
        QCOMPARE(int(got.action), int(route.action));
        QCOMPARE(int(got.list), int(route.list));
        if (route.action == KeyRoute::Action::Move) {
            QCOMPARE(int(got.motion), int(route.motion));
            QCOMPARE(got.extending, route.extending);
        }
    }

    void motionTarget_data() {
        QTest::addColumn<int>("motion");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("target");
        QTest::newRow("page down") << int(ListMotion::PageDown) << 3 << 50 << 13;
        QTest::newRow("page down stops at the end") << int(ListMotion::PageDown) << 45 << 50 << 49;
        QTest::newRow("page up stops at the start") << int(ListMotion::PageUp) << 4 << 50 << 0;
        QTest::newRow("page down, nothing selected") << int(ListMotion::PageDown) << -1 << 50 << 0;
        QTest::newRow("last") << int(ListMotion::Last) << 0 << 50 << 49;
        QTest::newRow("previous wraps") << int(ListMotion::Previous) << 0 << 50 << 49;
        QTest::newRow("empty list") << int(ListMotion::First) << -1 << 0 << -1;
    }
    void motionTarget() {
        QFETCH(int, motion);
        QFETCH(int, current);
        QFETCH(int, count);
        QFETCH(int, target);
        QCOMPARE(tolvane::motionTarget(ListMotion(motion), current, count, 10), target);
    }
};

QTEST_GUILESS_MAIN(TestAuxiliaryLogic)
#include "tst_AuxiliaryLogic.moc"
