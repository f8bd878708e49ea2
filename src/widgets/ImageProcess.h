// Skin pictures: loaded so that one image pixel is one layout point, whatever
// resolution the file declares, or, on a screen with more than one device
// pixel to a point, from their "@2x" twin at two pixels to a point; cut apart
// and read pixel by pixel. Layout always counts in points: pointSize() is a
// picture's size there, pixelRect() and colorAtPoint() turn points into its
// pixels. A null QImage stands for "no image".
#pragma once
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>

namespace keyloom {

class ImageProcess {
public:
    // The image in a file at one pixel to a point, or a null image when it
    // cannot be read as one.
    static QImage loadImage(const QString& path);
    // Pixel width and height.
    static QSize getImageSize(const QImage& image);
    // The size the picture covers in points: its pixels over its device pixel
    // ratio. Every layout that follows a picture's size uses this one.
    static QSize pointSize(const QImage& image);
    // The picture's pixels under a rectangle in points (origin top-left).
    static QRectF pixelRect(const QImage& image, const QRectF& points);
    // The part inside rect (points, origin at the image's bottom-left) as a new
    // image of the rectangle's size at the picture's ratio; parts outside the
    // image stay transparent.
    static QImage copyImage(const QImage& image, const QRectF& rect);
    // The colour of pixel (x, y) counted from the top-left; none outside the
    // image or for a null image.
    static std::optional<QColor> ColorAtCoordinate(const QImage& image, int x, int y);
    // The colour of the pixel under a point (points from the top-left), at any ratio.
    static std::optional<QColor> colorAtPoint(const QImage& image, QPointF point);
};

// Device pixels to a point the pictures are chosen for: 2 when the
// application's ratio (the highest of its screens') is above 1, else 1.
int pictureScale();
// The file name of a picture at a scale: "btn_nr.png", "btn_nr@2x.png".
QString scaledPictureName(const QString& path, int scale);
// The picture in a file; at picture scale 2 its "@2x" twin when that file
// exists, with device pixel ratio 2, so it covers the same points. A file is
// decoded once while some control keeps its picture (or until the event loop
// next turns): later loads share that copy, unless the file changed since.
QImage loadPicture(const QString& path);
// The picture in a file as loadPicture() gives it, but decoded into the
// pixels of spent, a picture no longer needed that nothing else holds, when
// they have its size: a large picture read after another one then touches
// no new memory. Not shared with other loads; spent may be null.
QImage loadPictureOver(QImage spent, const QString& path);
// Forgets the decoded pictures no control keeps; done by itself each time the
// event loop turns after a decode.
void releaseUnusedPictures();
// How many decoded pictures are kept for sharing.
int decodedPictureCount();
// A transparent picture of a size in points at a scale (default: the
// pictures' scale), for a painter that draws in points.
QImage newPicture(QSize points, int scale = pictureScale());

// A picture of the skins folder by file name ("btn_nr.png"), as loadPicture().
QImage loadSkinImage(const QString& fileName);
// The skins folder path followed by the file name.
QString skinPath(const QString& fileName);

}  // namespace keyloom
