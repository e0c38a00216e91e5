#include "icon/AppIconGenerator.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>

namespace tolvane {

QList<int> AppIconGenerator::standardSizes() {
    return {16, 32, 64, 128, 256, 512};
}

QImage AppIconGenerator::render(int size) {
    if (size <= 0)
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const qreal s = size;
    const bool small = size < 32;
    const bool large = size >= 64;
    // Desktop icons leave a little room around the tile; tiny ones need every pixel.
    const qreal margin = small ? 0.0 : s * 0.07;
    const QRectF tile(margin, margin, s - 2 * margin, s - 2 * margin - (large ? s * 0.02 : 0));
    const qreal radius = tile.width() * 0.225;
    QPainterPath shape;
    shape.addRoundedRect(tile, radius, radius);

    if (large) {
        // A soft shadow below the tile.
        for (int i = 3; i >= 1; --i) {
            QPainterPath shadow;
            const qreal grow = s * 0.006 * i;
            shadow.addRoundedRect(
                tile.adjusted(-grow, -grow + s * 0.012 * i, grow, grow + s * 0.01 * i),
                radius + grow, radius + grow);
            p.fillPath(shadow, QColor(0, 0, 0, 18));
        }
    }

    QLinearGradient background(tile.topLeft(), tile.bottomRight());
    background.setColorAt(0.0, QColor(0x2f, 0xb8, 0xd6));
    background.setColorAt(0.55, QColor(0x36, 0x74, 0xe0));
    background.setColorAt(1.0, QColor(0x4b, 0x3c, 0xc4));
    p.fillPath(shape, background);

    if (!small) {
        // Light from the top left and a fine rim keep the tile from looking flat on any wallpaper.
        QRadialGradient glow(tile.left() + tile.width() * 0.3, tile.top() + tile.height() * 0.15,
                             tile.width() * 0.9);
        glow.setColorAt(0.0, QColor(255, 255, 255, 60));
        glow.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.fillPath(shape, glow);
        p.setPen(QPen(QColor(255, 255, 255, 45), std::max(1.0, s / 256)));
        p.setBrush(Qt::NoBrush);
        const qreal inset = std::max(0.5, s / 512);
        p.drawRoundedRect(tile.adjusted(inset, inset, -inset, -inset), radius - inset,
                          radius - inset);
    }

    // The graph, in tile units (0..1).
    auto at = [&](qreal x, qreal y) {
        return QPointF(tile.left() + x * tile.width(), tile.top() + y * tile.height());
    };
    const qreal unit = tile.width();
    const qreal stroke = unit * (small ? 0.11 : 0.075);
    const qreal node = unit * (small ? 0.12 : 0.085);
    const QColor line(255, 255, 255, 235);
    const QPointF mainTop = at(0.36, 0.25);
    const QPointF mainBottom = at(0.36, 0.76);
    const QPointF branchTip = at(0.66, 0.36);
    const QPointF fork = at(0.36, 0.60);

    QPen pen(line, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawLine(mainTop, mainBottom);
    QPainterPath branch(fork);
    branch.cubicTo(at(0.36, 0.48), at(0.66, 0.54), branchTip);
    p.drawPath(branch);

    auto dot = [&](const QPointF& centre, const QColor& fill) {
        p.setPen(Qt::NoPen);
        p.setBrush(line);
        p.drawEllipse(centre, node, node);
        if (!small) {
            p.setBrush(fill);
            p.drawEllipse(centre, node * 0.55, node * 0.55);
        }
    };
    dot(mainTop, QColor(0x36, 0x74, 0xe0));
    dot(mainBottom, QColor(0x40, 0x5a, 0xd2));
    dot(branchTip, QColor(0xff, 0xa9, 0x2e));
    p.end();
    return image;
}

QIcon AppIconGenerator::icon() {
    QIcon icon;
    for (int size : standardSizes())
        icon.addPixmap(QPixmap::fromImage(render(size)));
    return icon;
}

} // namespace tolvane
