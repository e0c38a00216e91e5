#include "auxiliary/PicturePreview.h"

#include "auxiliary/pictureDecoding.h"
#include "platform/regularFileRead.h"

#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QSvgRenderer>
#include <QThreadPool>
#include <QtConcurrent>

#include <unistd.h>

namespace tolvane {
namespace {

// Larger pictures are decoded scaled down: the panel never shows more, and memory stays bounded.
constexpr int decodeSideLimit = 4096;

QImage decode(const QByteArray& path) {
    // `path` is canonical: a link found in its place now is not followed.
    RegularFile regular = RegularFile::open(path, LinkPolicy::Refuse);
    if (!regular.isOpen())
        return {};
    QFile file;
    const int descriptor = regular.release();
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return {};
    }
    return decodePicture(&file, decodeSideLimit);
}

} // namespace

PicturePreview::PicturePreview(QWidget* parent) : QWidget(parent) {
    setMinimumSize(64, 64);
}

void PicturePreview::loadImage(const QByteArray& path) {
    m_message = QStringLiteral("Loading…");
    QtConcurrent::run(QThreadPool::globalInstance(), [path] {
        return decode(path);
    }).then(this, [this](const QImage& image) {
        m_image = image;
        m_message = image.isNull() ? QStringLiteral("The picture cannot be read.") : QString();
        update();
        Q_EMIT loaded();
    });
}

bool PicturePreview::loadSvg(const QByteArray& content) {
    // The renderer would read the files that pictures inside name; they are taken out first.
    const std::optional<QByteArray> safe = svgWithoutExternalReferences(content);
    auto* renderer = new QSvgRenderer(this);
    if (!safe || !renderer->load(*safe) || !renderer->isValid()) {
        delete renderer;
        m_message = QStringLiteral("The picture cannot be read.");
        return false;
    }
    renderer->setAspectRatioMode(Qt::KeepAspectRatio);
    m_svg = renderer;
    m_message.clear();
    update();
    return true;
}

void PicturePreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect().adjusted(12, 12, -12, -12);
    if (!m_message.isEmpty() || !isLoaded()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(rect(), Qt::AlignCenter, m_message);
        return;
    }
    const QSize natural = m_svg ? m_svg->defaultSize() : m_image.deviceIndependentSize().toSize();
    QSize fitted = natural.isValid() ? natural : area.size();
    if (fitted.width() > area.width() || fitted.height() > area.height())
        fitted.scale(area.size(), Qt::KeepAspectRatio);
    QRect target(QPoint(), fitted);
    target.moveCenter(area.center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_svg)
        m_svg->render(&painter, target);
    else
        painter.drawImage(target, m_image);
}

} // namespace tolvane
