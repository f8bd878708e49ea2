// Drawing pieces every picture is made of: canvases, panels, raised plates,
// inset wells, small vector glyphs and exact colours for the colour pictures.
#pragma once
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <functional>
#include <map>
#include <string>

#include "skin_sizes.h"

namespace keyloom::skins {

using SkinSet = std::map<std::string, QImage>;

// Every picture is drawn at these scales: once for ordinary screens and once,
// as "<name>@2x.png", for screens with two device pixels to a point.
inline constexpr int kScales[] = {1, 2};

// A transparent canvas of the size the table gives for a picture name, with
// `scale` pixels to a point: a painter on it draws in points, so one drawing
// serves every scale and stays sharp at each.
QImage newCanvas(const char* name, int scale);
// A blank canvas of a size in points at a scale.
QImage newCanvas(QSize points, int scale);
// The size of a canvas in points.
QSize pointSize(const QImage& image);
// The file name of a picture at a scale: "btn_nr.png", "btn_nr@2x.png".
QString scaledName(const QString& name, int scale);
// A painter with antialiasing, for everything except the colour pictures.
void beginSmooth(QPainter& painter, QImage& image);
// The picture of a name at a scale: `draw` paints it with a smooth painter,
// in points; `all` is the whole picture.
QImage drawPicture(const char* name, int scale, const std::function<void(QPainter& p, const QRectF& all)>& draw);

QRectF toRect(const Area& area);
// A rectangle whose 1-pixel outline falls on whole pixels.
QRectF strokeRect(const QRectF& rect);

// A surface with a top-to-bottom gradient and a 1-pixel border.
void fillPanel(QPainter& p, const QRectF& rect, qreal radius, const QColor& top, const QColor& bottom,
               const QColor& border);
// The dialog body: graphite gradient, border and a header band of the given height.
void drawDialogBody(QPainter& p, QSize size, int headerHeight);
// A darker band along the bottom edge, from y to the bottom, with a hairline on top.
void drawFooterBand(QPainter& p, QSize size, int y);
void drawCard(QPainter& p, const QRectF& rect, qreal radius = 6);
void drawWell(QPainter& p, const QRectF& rect, qreal radius = 4);

enum class PlateLook { Normal, Hover, Selected };
// A raised control surface; Selected is the dark teal look with an accent edge,
// dark enough for the accent-coloured caption of a checked button.
void drawPlate(QPainter& p, const QRectF& rect, qreal radius, PlateLook look);
void drawHairline(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2, const QColor& color);

// Small vector glyphs, stroked or filled in one colour.
void drawChevronDown(QPainter& p, QPointF centre, qreal size, const QColor& color);
void drawChevronRight(QPainter& p, QPointF centre, qreal size, const QColor& color);
void drawCross(QPainter& p, QPointF centre, qreal size, qreal width, const QColor& color);
void drawTriangle(QPainter& p, QPointF centre, qreal size, int degrees, const QColor& color);

// Exact 8-bit colour of a hue (degrees), saturation and value (0..1); the same
// inputs give the same bytes on every machine.
QRgb hsvColor(double hue, double saturation, double value);

}  // namespace keyloom::skins
