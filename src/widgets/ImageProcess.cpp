#include "widgets/ImageProcess.h"

#include <QPainter>

#include "base/paths.h"

namespace keyloom {

QImage ImageProcess::loadImage(const QString& path) {
    QImage image;
    if (path.isEmpty() || !image.load(path)) return {};
    // One pixel is one point: a file saved at 144 dpi must not come out half size.
    image.setDevicePixelRatio(1.0);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

QSize ImageProcess::getImageSize(const QImage& image) {
    return image.isNull() ? QSize() : QSize(image.width(), image.height());
}

QImage ImageProcess::copyImage(const QImage& image, const QRectF& rect) {
    const QSize size(int(rect.width()), int(rect.height()));
    if (size.isEmpty()) return {};
    QImage part(size, QImage::Format_ARGB32_Premultiplied);
    part.fill(Qt::transparent);
    if (image.isNull()) return part;
    // Bottom-left rectangle to the image's top-left rows.
    const QRectF source(rect.x(), image.height() - rect.y() - rect.height(), rect.width(), rect.height());
    QPainter painter(&part);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), image, source);
    return part;
}

std::optional<QColor> ImageProcess::ColorAtCoordinate(const QImage& image, int x, int y) {
    if (image.isNull() || !image.valid(x, y)) return std::nullopt;
    return image.pixelColor(x, y);
}

QString skinPath(const QString& fileName) {
    return QString::fromStdString(get_skins_dir()) + fileName;
}

QImage loadSkinImage(const QString& fileName) {
    return ImageProcess::loadImage(skinPath(fileName));
}

}  // namespace keyloom
