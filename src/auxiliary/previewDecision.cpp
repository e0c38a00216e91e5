#include "auxiliary/previewDecision.h"

#include "platform/regularFileRead.h"

#include <QImageReader>
#include <QLocale>

#include <sys/stat.h>

namespace tolvane {
namespace {

const QStringList& htmlExtensions() {
    static const QStringList list{QStringLiteral("html"), QStringLiteral("htm"),
                                  QStringLiteral("xhtml"), QStringLiteral("mhtml")};
    return list;
}

bool isImageExtension(const QString& extension) {
    static const QStringList formats = [] {
        QStringList list;
        for (const QByteArray& format : QImageReader::supportedImageFormats()) {
            const QString name = QString::fromLatin1(format).toLower();
            // Vector pictures and documents have their own views.
            if (name != QLatin1String("svg") && name != QLatin1String("svgz") &&
                name != QLatin1String("pdf"))
                list.append(name);
        }
        return list;
    }();
    return formats.contains(extension);
}

} // namespace

QString previewExtension(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return {};
    return name.mid(dot + 1).toLower();
}

const QStringList& neverPreviewExtensions() {
    static const QStringList list{
        QStringLiteral("o"),    QStringLiteral("a"),        QStringLiteral("dylib"),
        QStringLiteral("so"),   QStringLiteral("dsym"),     QStringLiteral("class"),
        QStringLiteral("lock"), QStringLiteral("resolved"), QStringLiteral("pack"),
        QStringLiteral("idx"),  QStringLiteral("bin")};
    return list;
}

PreviewFacts examineForPreview(const RepositoryFile& file, const QString& relativePath) {
    PreviewFacts facts;
    facts.extension = previewExtension(relativePath);
    facts.exists = file.exists && !file.resolved.isEmpty();
    facts.insideRepository = file.insideRepository;
    if (!facts.exists || !facts.insideRepository)
        return facts;
    struct stat info {};
    if (::stat(file.resolved.constData(), &info) != 0) {
        facts.exists = false;
        return facts;
    }
    facts.isDirectory = S_ISDIR(info.st_mode);
    facts.isRegular = S_ISREG(info.st_mode);
    facts.size = qint64(info.st_size);
    // Only regular files are opened: opening a device can act on it, and a pipe can block.
    if (!facts.isRegular)
        return facts;
    RegularFile opened = RegularFile::open(file.resolved, LinkPolicy::Refuse);
    if (!opened.isOpen())
        return facts;
    facts.readable = true;
    facts.size = opened.size();
    if (facts.size > 0)
        facts.headHasZeroByte =
            opened.read(binaryProbeLength).value_or(QByteArray()).contains('\0');
    return facts;
}

PreviewRefusal previewRefusal(const PreviewFacts& facts) {
    if (!facts.exists)
        return PreviewRefusal::Missing;
    if (!facts.insideRepository)
        return PreviewRefusal::OutsideRepository;
    if (facts.isDirectory)
        return PreviewRefusal::Folder;
    if (!facts.isRegular)
        return PreviewRefusal::SpecialFile;
    if (!facts.readable)
        return PreviewRefusal::Unreadable;
    if (neverPreviewExtensions().contains(facts.extension))
        return PreviewRefusal::NeverPreview;
    if (facts.extension.isEmpty() && facts.headHasZeroByte)
        return PreviewRefusal::Binary;
    if (facts.size > previewSizeLimit)
        return PreviewRefusal::TooLarge;
    return PreviewRefusal::None;
}

PreviewKind previewKind(const PreviewFacts& facts, bool pdfSupported) {
    const QString& extension = facts.extension;
    if (htmlExtensions().contains(extension)) {
        if (facts.size <= htmlRenderLimit)
            return PreviewKind::Html;
        return facts.headHasZeroByte ? PreviewKind::Other : PreviewKind::Text;
    }
    if (extension == QLatin1String("svg") || extension == QLatin1String("svgz"))
        return PreviewKind::Svg;
    if (extension == QLatin1String("pdf"))
        return pdfSupported ? PreviewKind::Pdf : PreviewKind::Other;
    if (isImageExtension(extension))
        return PreviewKind::Image;
    return facts.headHasZeroByte ? PreviewKind::Other : PreviewKind::Text;
}

QString refusalText(PreviewRefusal refusal, const RepositoryFile& file) {
    switch (refusal) {
    case PreviewRefusal::None:
        return {};
    case PreviewRefusal::Missing:
        if (file.isSymLink)
            return QStringLiteral("Symbolic link to “%1”, which does not exist.")
                .arg(file.linkTarget);
        return QStringLiteral("The file no longer exists.");
    case PreviewRefusal::OutsideRepository:
        return QStringLiteral("Points outside the repository, to “%1”; not shown.")
            .arg(file.pointsTo());
    case PreviewRefusal::Folder:
        return QStringLiteral("Folder");
    case PreviewRefusal::SpecialFile:
        return QStringLiteral("Not a regular file; not shown.");
    case PreviewRefusal::Unreadable:
        return QStringLiteral("The file cannot be read.");
    case PreviewRefusal::NeverPreview:
    case PreviewRefusal::Binary:
        return QStringLiteral("No preview for this kind of file.");
    case PreviewRefusal::TooLarge:
        return QStringLiteral("Larger than %1 bytes; not shown.")
            .arg(QLocale().toString(previewSizeLimit));
    }
    return {};
}

} // namespace tolvane
