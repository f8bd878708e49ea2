#include "widgets/Outline.h"

#include <QPainter>

namespace keyloom {

void drawOutline(QPainter& painter, const QRectF& rect, const QColor& color, qreal width) {
    painter.setPen(QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    const qreal half = width / 2;
    painter.drawRect(rect.adjusted(half, half, -half, -half));
}

}  // namespace keyloom
