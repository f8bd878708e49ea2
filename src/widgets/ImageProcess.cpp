#include "widgets/ImageProcess.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <cmath>

#include "base/paths.h"

namespace keyloom {

namespace {

QImage toPictureFormat(QImage image, int scale) {
    // The ratio is the file name's, never the file's dpi: a file saved at 144
    // dpi must not come out half size.
    image.setDevicePixelRatio(scale);
    image.setDotsPerMeterX(3780 * scale);
    image.setDotsPerMeterY(3780 * scale);
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

}  // namespace

QImage ImageProcess::loadImage(const QString& path) {
    QImage image;
    if (path.isEmpty() || !image.load(path)) return {};
    return toPictureFormat(std::move(image), 1);
}

QSize ImageProcess::getImageSize(const QImage& image) {
    return image.isNull() ? QSize() : QSize(image.width(), image.height());
}

QSize ImageProcess::pointSize(const QImage& image) {
    return image.isNull() ? QSize() : image.deviceIndependentSize().toSize();
}

QRectF ImageProcess::pixelRect(const QImage& image, const QRectF& points) {
    const qreal ratio = image.devicePixelRatio();
    return QRectF(points.topLeft() * ratio, points.size() * ratio);
}

QImage ImageProcess::copyImage(const QImage& image, const QRectF& rect) {
    const QSize size(int(rect.width()), int(rect.height()));
    if (size.isEmpty()) return {};
    QImage part = newPicture(size, image.isNull() ? 1 : int(image.devicePixelRatio()));
    if (image.isNull()) return part;
    // Bottom-left rectangle to the image's top-left rows.
    const qreal height = image.deviceIndependentSize().height();
    const QRectF source(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
    QPainter painter(&part);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(size)), image, pixelRect(image, source));
    return part;
}

std::optional<QColor> ImageProcess::ColorAtCoordinate(const QImage& image, int x, int y) {
    if (image.isNull() || !image.valid(x, y)) return std::nullopt;
    return image.pixelColor(x, y);
}

std::optional<QColor> ImageProcess::colorAtPoint(const QImage& image, QPointF point) {
    const QPointF pixel = point * image.devicePixelRatio();
    return ColorAtCoordinate(image, int(std::floor(pixel.x())), int(std::floor(pixel.y())));
}

int pictureScale() {
    return qGuiApp && qGuiApp->devicePixelRatio() > 1.0 ? 2 : 1;
}

QString scaledPictureName(const QString& path, int scale) {
    if (scale == 1) return path;
    const QString suffix = QStringLiteral(".png");
    const QString base = path.endsWith(suffix) ? path.chopped(suffix.size()) : path;
    return base + QStringLiteral("@%1x").arg(scale) + suffix;
}

QImage loadPicture(const QString& path) {
    const int scale = pictureScale();
    const QString scaled = scaledPictureName(path, scale);
    QImage image;
    if (scale > 1 && QFileInfo::exists(scaled) && image.load(scaled)) return toPictureFormat(std::move(image), scale);
    return ImageProcess::loadImage(path);
}

QImage newPicture(QSize points, int scale) {
    QImage image(points * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    return image;
}

QString skinPath(const QString& fileName) {
    return QString::fromStdString(get_skins_dir()) + fileName;
}

QImage loadSkinImage(const QString& fileName) {
    return loadPicture(skinPath(fileName));
}

}  // namespace keyloom
