#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

class QIODevice;

namespace tolvane {

// SVG text that Qt's renderer can be given without reading anything but these bytes: a picture
// embedded by reference (an <image> whose link is not a data: URI, or a data: URI holding another
// SVG) is replaced by a transparent one, and style sheet instructions, which name files, are left
// out. A compressed (svgz) file is inflated first, up to a bound. None when the bytes are not
// well-formed XML or inflate past the bound: the renderer would act on what it read before the
// fault.
std::optional<QByteArray> svgWithoutExternalReferences(const QByteArray& content);

// A picture decoded from `device` without the decoder reading anything else: SVG goes through
// svgWithoutExternalReferences and is drawn at its own size. Pictures with a side longer than
// `sideLimit` are decoded scaled down. Null when it is no picture.
QImage decodePicture(QIODevice* device, int sideLimit);
QImage decodePicture(const QByteArray& bytes, int sideLimit);

} // namespace tolvane
