#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class QSvgRenderer;

namespace tolvane {

// A picture fitted into the preview: a raster image decoded on a worker thread, or an SVG drawn
// at the size it gets. Never enlarged past its own size; centred.
class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);

    // Decodes the image at `path` (file-system bytes) off the interface thread.
    void loadImage(const QByteArray& path);
    // Parses SVG text; false when it is not a picture.
    bool loadSvg(const QByteArray& content);

    bool isLoaded() const { return !m_image.isNull() || m_svg; }
    const QImage& image() const { return m_image; }
    const QString& message() const { return m_message; }

Q_SIGNALS:
    // The picture is decoded (or failed: message() says why).
    void loaded();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QSvgRenderer* m_svg = nullptr;
    QString m_message;
};

} // namespace tolvane
