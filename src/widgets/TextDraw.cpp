#include "widgets/TextDraw.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "base/texts.h"
#include "widgets/Frame.h"

namespace keyloom {

QString uiText(const char* key) {
    return QString::fromStdString(GetText(key));
}

QFont get_font(int points) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(points);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QString fittedText(const QString& text, const QFont& font, qreal width, Qt::TextElideMode mode) {
    const QFontMetricsF metrics(font);
    if (metrics.horizontalAdvance(text) <= width) return text;
    return metrics.elidedText(text, mode, std::max<qreal>(0, width));
}

QPointF myTextOrigin(const QString& text, const QFont& font, TextAlign align, const QRectF& rect) {
    const QFontMetricsF metrics(font);
    const qreal w = metrics.horizontalAdvance(text);
    const qreal h = metrics.height();
    const qreal y = rect.height() <= h ? rect.y() : rect.y() + (rect.height() - h) / 2;
    qreal x = rect.x();
    if (align == TextAlign::Centre && rect.width() > w)
        x = rect.x() + (rect.width() - w) / 2;
    else if (align == TextAlign::Right)
        x = rect.x() + rect.width() - w - 1;
    return QPointF(x, y + h);
}

void myDrawText(QPainter& painter, const QString& text, const TextStyle& style, const QRectF& rect,
                qreal viewHeight) {
    if (text.isEmpty()) return;
    const QFontMetricsF metrics(style.font);
    const QPointF topLeft = myTextOrigin(text, style.font, style.align, rect);
    painter.save();
    painter.setFont(style.font);
    painter.setPen(style.color.isValid() ? style.color : QColor(Qt::black));
    // The box's top edge, flipped to the painter's top-left coordinates.
    const qreal top = viewHeight - topLeft.y();
    painter.drawText(QPointF(topLeft.x(), top + metrics.ascent()), text);
    painter.restore();
}

QRectF get_up_text_rect(const QWidget* control, int width) {
    const QRectF frame = frameOf(control);
    return QRectF(frame.x(), frame.y() + frame.height() + 4, width == 0 ? frame.width() : width, 16);
}

QRectF get_right_text_rect(const QWidget* control, int width) {
    const QRectF frame = frameOf(control);
    const qreal y = frame.height() >= 16 ? frame.y() + (frame.height() - 16) / 2
                                         : frame.y() - (16 - frame.height()) / 2;
    return QRectF(frame.x() + frame.width() + 6, std::trunc(y), width, 16);
}

}  // namespace keyloom
