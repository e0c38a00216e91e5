#include "auxiliary/HtmlPreview.h"

#include "auxiliary/pictureDecoding.h"
#include "platform/regularFileRead.h"

#include <QFile>
#include <QPainter>
#include <QStringDecoder>
#include <QUrl>

#include <cstdlib>

namespace tolvane {
namespace {

// A resource larger than this is not loaded into the page.
constexpr qsizetype resourceSizeLimit = 20'000'000;
// Pictures in a page are decoded no larger than this on either side.
constexpr int pictureSideLimit = 4096;

QByteArray canonical(const QByteArray& path) {
    char* real = ::realpath(path.constData(), nullptr);
    if (!real)
        return {};
    QByteArray result(real);
    std::free(real);
    return result;
}

// The payload of a data: URI; none when it is malformed.
std::optional<QByteArray> dataUriPayload(const QUrl& url) {
    const QByteArray text = QByteArray::fromPercentEncoding(
        url.url(QUrl::FullyEncoded | QUrl::RemoveScheme | QUrl::RemoveFragment).toLatin1());
    const qsizetype comma = text.indexOf(',');
    if (comma < 0)
        return std::nullopt;
    const QByteArray header = text.left(comma).trimmed().toLower();
    const QByteArray payload = text.mid(comma + 1);
    if (header.endsWith(";base64"))
        return QByteArray::fromBase64(payload);
    return payload;
}

// A small empty frame in place of a picture that is not shown. It must be a real picture: given
// nothing, Qt would try the picture's path itself.
QImage placeholderPicture() {
    static const QImage picture = [] {
        QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setPen(QColor(128, 128, 128, 160));
        painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
        return image;
    }();
    return picture;
}

} // namespace

HtmlPreview::HtmlPreview(const QByteArray& folder, QWidget* parent)
    : QTextBrowser(parent), m_folder(folder) {
    while (m_folder.size() > 1 && m_folder.endsWith('/'))
        m_folder.chop(1);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.hasFragment() && (url.isRelative() || url.path().isEmpty()))
            scrollToAnchor(url.fragment());
    });
}

void HtmlPreview::showHtml(const QByteArray& content) {
    // The page's own charset declaration decides, as a browser would; UTF-8 otherwise.
    QStringDecoder decoder = QStringDecoder::decoderForHtml(content);
    const QString text = decoder.isValid() ? decoder.decode(content) : QString::fromUtf8(content);
    document()->setBaseUrl(QUrl::fromLocalFile(QFile::decodeName(m_folder) + QLatin1Char('/')));
    setHtml(text);
}

QVariant HtmlPreview::refused(int type) const {
    if (type == QTextDocument::ImageResource)
        return placeholderPicture();
    // An empty text: nothing to lay out or apply, and not "nothing loaded".
    return QVariant(QByteArray(""));
}

std::optional<QByteArray> HtmlPreview::readInsideFolder(const QUrl& url) const {
    if (!url.isLocalFile())
        return std::nullopt;
    // Only what lies in the page's folder (or below), reached without leaving it; the canonical
    // path is then opened without following a link put in its place since.
    const QByteArray real = canonical(QFile::encodeName(url.toLocalFile()));
    if (m_folder.isEmpty() || real.isEmpty() || !real.startsWith(m_folder + '/'))
        return std::nullopt;
    return readRegularFile(real, resourceSizeLimit, LinkPolicy::Refuse);
}

QVariant HtmlPreview::loadResource(int type, const QUrl& name) {
    if (type != QTextDocument::ImageResource && type != QTextDocument::StyleSheetResource)
        return refused(type);
    const QUrl resolved = document()->baseUrl().resolved(name);
    const bool inlined = resolved.scheme().compare(u"data", Qt::CaseInsensitive) == 0;
    const std::optional<QByteArray> bytes =
        inlined ? dataUriPayload(resolved) : readInsideFolder(resolved);
    if (!bytes)
        return refused(type);
    if (type == QTextDocument::StyleSheetResource)
        return *bytes;
    const QImage picture = decodePicture(*bytes, pictureSideLimit);
    if (picture.isNull())
        return refused(type);
    return picture;
}

} // namespace tolvane
