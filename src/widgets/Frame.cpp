#include "widgets/Frame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace keyloom {

namespace {

qreal primaryScreenHeight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}

QRect truncated(const QRectF& rect) {
    return QRect(int(std::floor(rect.x())), int(std::floor(rect.y())), int(rect.width()), int(rect.height()));
}

}  // namespace

QRectF flipRect(const QRectF& rect, qreal height) {
    return QRectF(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
}

QRect flipRectToPixels(const QRectF& rect, qreal height) {
    return truncated(flipRect(rect, height));
}

void setFrame(QWidget* widget, const QRectF& frame, bool flippedParent) {
    if (flippedParent || !widget->parentWidget()) {
        widget->setGeometry(truncated(frame));
        return;
    }
    widget->setGeometry(flipRectToPixels(frame, widget->parentWidget()->height()));
}

QRectF frameOf(const QWidget* widget) {
    const QRectF geometry(widget->geometry());
    if (!widget->parentWidget()) return geometry;
    return flipRect(geometry, widget->parentWidget()->height());
}

void centreInParent(QWidget* widget) {
    const QWidget* parent = widget ? widget->parentWidget() : nullptr;
    if (!parent) return;
    const QRectF frame((parent->width() - widget->width()) / 2, (parent->height() - widget->height()) / 2,
                       widget->width(), widget->height());
    setFrame(widget, frame);
}

QRect screenRectFromFrame(const QRectF& frame) {
    return flipRectToPixels(frame, primaryScreenHeight());
}

QRectF frameFromScreenRect(const QRect& rect) {
    return flipRect(QRectF(rect), primaryScreenHeight());
}

QPointF screenPointToFrame(const QPoint& global) {
    return QPointF(global.x(), primaryScreenHeight() - global.y());
}

QPoint framePointToScreen(const QPointF& point) {
    return QPoint(int(std::floor(point.x())), int(std::floor(primaryScreenHeight() - point.y())));
}

}  // namespace keyloom
