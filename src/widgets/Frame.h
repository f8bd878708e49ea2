// Frames in this program are written with their origin at the parent's
// bottom-left corner and y pointing up; screen positions stored in records use
// the bottom-left of the primary screen. These helpers are the one place that
// turns such frames into Qt's top-left geometry and back; no view does the
// arithmetic itself.
#pragma once
#include <QPoint>
#include <QRect>
#include <QRectF>

class QWidget;

namespace keyloom {

// A rectangle with bottom-left origin inside an area `height` high, as a
// top-left rectangle (and back: the conversion is its own inverse).
QRectF flipRect(const QRectF& rect, qreal height);
// The same, rounded to whole pixels (edges truncated, as frames are whole points).
QRect flipRectToPixels(const QRectF& rect, qreal height);

// Places a child widget by its bottom-left frame inside its parent. The parent
// must already have its final size. A flipped parent takes the frame as is.
void setFrame(QWidget* widget, const QRectF& frame, bool flippedParent = false);
// A child widget's frame with bottom-left origin inside its parent.
QRectF frameOf(const QWidget* widget);
// Places a child widget in the middle of its parent (whole points, the free
// space halved by integer division).
void centreInParent(QWidget* widget);

// Screen rectangles and points with origin at the bottom-left of the primary screen.
QRect screenRectFromFrame(const QRectF& frame);
QRectF frameFromScreenRect(const QRect& rect);
QPointF screenPointToFrame(const QPoint& global);
QPoint framePointToScreen(const QPointF& point);

}  // namespace keyloom
