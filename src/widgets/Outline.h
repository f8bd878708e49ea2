// The outline drawn along a view's or a box's edge: a line just inside a
// rectangle, with square corners at every device pixel ratio (a bevelled
// corner, QPen's default, leaves the corner's outer pixel out at ratio 2).
#pragma once
#include <QColor>
#include <QRectF>

class QPainter;

namespace keyloom {

// A line `width` points wide along the inside of rect; the brush is left empty.
void drawOutline(QPainter& painter, const QRectF& rect, const QColor& color, qreal width = 1);

}  // namespace keyloom
