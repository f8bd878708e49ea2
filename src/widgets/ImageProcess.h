// Skin pictures: loaded so that one image pixel is one layout point, whatever
// resolution the file declares; cut apart and read pixel by pixel. A null
// QImage stands for "no image".
#pragma once
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>

namespace keyloom {

class ImageProcess {
public:
    // The image in a file, or a null image when it cannot be read as one.
    static QImage loadImage(const QString& path);
    // Pixel width and height.
    static QSize getImageSize(const QImage& image);
    // The part inside rect (points, origin at the image's bottom-left) as a new
    // image of the rectangle's size; parts outside the image stay transparent.
    static QImage copyImage(const QImage& image, const QRectF& rect);
    // The colour of pixel (x, y) counted from the top-left; none outside the
    // image or for a null image.
    static std::optional<QColor> ColorAtCoordinate(const QImage& image, int x, int y);
};

// A picture of the skins folder by file name ("btn_nr.png").
QImage loadSkinImage(const QString& fileName);
// The skins folder path followed by the file name.
QString skinPath(const QString& fileName);

}  // namespace keyloom
