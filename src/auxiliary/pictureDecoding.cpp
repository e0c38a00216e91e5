#include "auxiliary/pictureDecoding.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zlib.h>

namespace tolvane {
namespace {

// An svgz file inflating past this is refused, as is SVG text of this size inside another picture.
constexpr qsizetype svgByteLimit = 32'000'000;

// A transparent 1×1 PNG, standing in for a picture that must not be read.
constexpr QLatin1StringView transparentPicture("data:image/png;base64,"
                                               "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUl"
                                               "EQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==");

bool isSvgFormat(const QByteArray& format) {
    const QByteArray lower = format.toLower();
    return lower == "svg" || lower == "svgz";
}

QByteArray formatOf(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader(&buffer).format();
}

std::optional<QByteArray> inflateGzip(const QByteArray& compressed, qsizetype limit) {
    z_stream stream{};
    // 16 + window bits: a gzip header, as svgz files have.
    if (::inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    QByteArray inflated;
    char buffer[1 << 16];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = ::inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END)
            break;
        inflated.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
        if (inflated.size() > limit) {
            status = Z_BUF_ERROR;
            break;
        }
        // Input used up without the stream's end: the file is cut short.
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) {
            status = Z_DATA_ERROR;
            break;
        }
    }
    ::inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return std::nullopt;
    return inflated;
}

// Whether Qt's SVG reader may be given this <image> link: it decodes a data: URI's base64
// payload after the last "base64," itself and reads any other link as a file name. A payload that
// is SVG again would be drawn by a renderer that follows links.
bool isSafePictureLink(QStringView value) {
    const QStringView link = value.trimmed();
    if (!link.startsWith(u"data:"))
        return false;
    const qsizetype base64 = link.lastIndexOf(u"base64,");
    if (base64 < 0)
        return true;
    const QByteArray payload = QByteArray::fromBase64(link.mid(base64 + 7).toLatin1());
    return !isSvgFormat(formatOf(payload));
}

bool isPictureElement(QStringView name) {
    return name == u"image" || name == u"feImage";
}

bool isLinkAttribute(const QXmlStreamAttribute& attribute) {
    return attribute.name() == u"href";
}

// True when the document holds something to take out; false also for malformed XML (`error`).
bool needsRewrite(const QByteArray& xml, bool* error) {
    QXmlStreamReader reader(xml);
    bool found = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::ProcessingInstruction:
            found = true;
            break;
        case QXmlStreamReader::StartElement:
            if (isPictureElement(reader.name())) {
                for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                    if (isLinkAttribute(attribute) && !isSafePictureLink(attribute.value()))
                        found = true;
                }
            }
            break;
        default:
            break;
        }
    }
    *error = reader.hasError();
    return found;
}

// The same document token by token, element and attribute names written as they were read so that
// the renderer, which looks attributes up by their written names, sees the same ones.
std::optional<QByteArray> rewrite(const QByteArray& xml) {
    QXmlStreamReader reader(xml);
    QByteArray output;
    QXmlStreamWriter writer(&output);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::ProcessingInstruction:
            break;
        case QXmlStreamReader::StartElement: {
            writer.writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamNamespaceDeclaration& declaration :
                 reader.namespaceDeclarations()) {
                const QString name =
                    declaration.prefix().isEmpty()
                        ? QStringLiteral("xmlns")
                        : QStringLiteral("xmlns:") + declaration.prefix().toString();
                writer.writeAttribute(name, declaration.namespaceUri().toString());
            }
            const bool picture = isPictureElement(reader.name());
            for (const QXmlStreamAttribute& attribute : reader.attributes()) {
                if (attribute.isDefault())
                    continue;
                const bool replace =
                    picture && isLinkAttribute(attribute) && !isSafePictureLink(attribute.value());
                writer.writeAttribute(attribute.qualifiedName().toString(),
                                      replace ? QString(transparentPicture)
                                              : attribute.value().toString());
            }
            break;
        }
        default:
            writer.writeCurrentToken(reader);
            break;
        }
    }
    if (reader.hasError())
        return std::nullopt;
    return output;
}

QImage renderSvg(const QByteArray& content, int sideLimit) {
    const std::optional<QByteArray> safe = svgWithoutExternalReferences(content);
    if (!safe)
        return {};
    QSvgRenderer renderer(*safe);
    if (!renderer.isValid())
        return {};
    QSize size = renderer.defaultSize();
    if (size.isEmpty())
        return {};
    if (size.width() > sideLimit || size.height() > sideLimit)
        size.scale(sideLimit, sideLimit, Qt::KeepAspectRatio);
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

} // namespace

std::optional<QByteArray> svgWithoutExternalReferences(const QByteArray& content) {
    QByteArray xml = content;
    // The renderer inflates a gzip stream by itself, with no bound.
    if (content.startsWith("\x1f\x8b")) {
        std::optional<QByteArray> inflated = inflateGzip(content, svgByteLimit);
        if (!inflated)
            return std::nullopt;
        xml = std::move(*inflated);
    }
    bool error = false;
    const bool found = needsRewrite(xml, &error);
    if (error)
        return std::nullopt;
    if (!found)
        return xml;
    return rewrite(xml);
}

QImage decodePicture(QIODevice* device, int sideLimit) {
    const qint64 start = device->pos();
    QImageReader reader(device);
    // Qt's SVG plugin would draw with a renderer that follows links; such pictures go through
    // the cleaning above instead.
    if (isSvgFormat(reader.format())) {
        if (!device->isSequential())
            device->seek(start);
        return renderSvg(device->read(svgByteLimit + 1).left(svgByteLimit), sideLimit);
    }
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > sideLimit || size.height() > sideLimit))
        reader.setScaledSize(size.scaled(sideLimit, sideLimit, Qt::KeepAspectRatio));
    return reader.read();
}

QImage decodePicture(const QByteArray& bytes, int sideLimit) {
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    return decodePicture(&buffer, sideLimit);
}

} // namespace tolvane
