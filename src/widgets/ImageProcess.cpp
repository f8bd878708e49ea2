#include "widgets/ImageProcess.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <QTimer>
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

namespace {

// Reads a file into image: into its own pixels when they have the size and
// depth read and nothing else holds them, else into new ones.
bool readPicture(QImage& image, const QString& file) {
    if (!image.isNull() && image.isDetached() && image.depth() == 32)
        image.reinterpretAsFormat(QImage::Format_ARGB32);  // what the reader makes of a colour picture
    else
        image = QImage();
    return QImageReader(file).read(&image);
}

// The picture in a file at a scale (its "@2x" twin at scale 2 when that file exists).
QImage decodePicture(const QString& path, int scale, QImage recycled = {}) {
    const QString scaled = scaledPictureName(path, scale);
    if (scale > 1 && QFileInfo::exists(scaled) && readPicture(recycled, scaled))
        return toPictureFormat(std::move(recycled), scale);
    if (!path.isEmpty() && readPicture(recycled, path)) return toPictureFormat(std::move(recycled), 1);
    return {};
}

// A decoded picture and the file it came from as it was then.
struct DecodedPicture {
    QImage image;
    qint64 bytes = 0;
    QDateTime modified;
};

// The pictures decoded so far, by scale and file. Controls that show the same
// picture share one decoded copy (a QImage shares its pixels until written
// to). The window's thread only.
QHash<QString, DecodedPicture>& decodedPictures() {
    static QHash<QString, DecodedPicture> pictures;
    return pictures;
}

bool g_releaseQueued = false;

}  // namespace

QImage loadPicture(const QString& path) {
    if (path.isEmpty()) return {};
    const int scale = pictureScale();
    const QFileInfo file(path);
    const QString key = QString::number(scale) + QLatin1Char(':') + path;
    auto& pictures = decodedPictures();
    if (auto found = pictures.constFind(key);
        found != pictures.cend() && found->bytes == file.size() && found->modified == file.lastModified())
        return found->image;
    QImage image = decodePicture(path, scale);
    if (image.isNull()) return image;
    pictures.insert(key, {image, file.size(), file.lastModified()});
    // What the controls built in this turn of the event loop did not keep goes
    // when the turn ends.
    if (!g_releaseQueued && QCoreApplication::instance()) {
        g_releaseQueued = true;
        QTimer::singleShot(0, QCoreApplication::instance(), [] {
            g_releaseQueued = false;
            releaseUnusedPictures();
        });
    }
    return image;
}

QImage loadPictureOver(QImage spent, const QString& path) {
    return decodePicture(path, pictureScale(), std::move(spent));
}

void releaseUnusedPictures() {
    auto& pictures = decodedPictures();
    for (auto it = pictures.begin(); it != pictures.end();) {
        // Detached: this list holds the only reference to its pixels.
        if (it->image.isDetached())
            it = pictures.erase(it);
        else
            ++it;
    }
}

int decodedPictureCount() {
    return int(decodedPictures().size());
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
