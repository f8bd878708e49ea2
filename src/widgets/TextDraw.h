// The standard font, caption placement beside or above a control, and the one
// routine that draws a line of text in a rectangle. Colours and fonts come
// from the caller. Rectangles here have their origin at the bottom-left of the
// view they are drawn in.
#pragma once
#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;
class QWidget;

namespace keyloom {

enum class TextAlign { Left, Right, Centre };

struct TextStyle {
    QFont font;
    QColor color;
    TextAlign align = TextAlign::Left;
};

// A text of the language files, by its key, as the windows show it.
QString uiText(const char* key);

// "Arial", 12 points (one point is one pixel); fontconfig resolves it to a
// metric-compatible face where Arial itself is not installed. A few texts
// use another size of the same face.
QFont get_font(int points = 12);

// The text as it fits in width points of the font: whole, or cut with "…"
// (at its end, or in its middle for paths, whose two ends tell them apart).
QString fittedText(const QString& text, const QFont& font, qreal width, Qt::TextElideMode mode = Qt::ElideRight);

// Draws text on one line in rect (bottom-left origin inside a view viewHeight
// high); not clipped to the rectangle.
void myDrawText(QPainter& painter, const QString& text, const TextStyle& style, const QRectF& rect,
                qreal viewHeight);
// Where myDrawText puts the top-left corner of the text's box in that font,
// bottom-left origin.
QPointF myTextOrigin(const QString& text, const QFont& font, TextAlign align, const QRectF& rect);

// A 16-point caption line above the control (width 0: the control's width).
QRectF get_up_text_rect(const QWidget* control, int width);
// A 16-point caption line right of the control, centred on it.
QRectF get_right_text_rect(const QWidget* control, int width);

}  // namespace keyloom
