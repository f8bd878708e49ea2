#include "key_picture.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "key_legend.h"
#include "look.h"
#include "paint.h"

namespace keyloom::skins {

namespace {

const QColor kBoardTop{25, 28, 32};
const QColor kBoardBottom{17, 19, 22};
const QColor kSkirt{19, 21, 25};
const QColor kSkirtEdge{9, 10, 12};
const QColor kFaceTop{54, 59, 66};
const QColor kFaceBottom{43, 47, 53};
const QColor kDarkFaceTop{40, 44, 50};
const QColor kDarkFaceBottom{32, 35, 40};

QRectF keyRect(const _KEYINFO& key) {
    const _RECT& r = key.rcPos;
    return QRectF(r.left, r.top, qreal(r.right) - r.left, qreal(r.bottom) - r.top);
}

void drawBoard(QPainter& p, QSize size) {
    const QRectF all(QPointF(0, 0), QSizeF(size));
    // The board only: nothing outside the key caps may read as a mark of the key map.
    fillPanel(p, all, 10, kBoardTop, kBoardBottom, look::kCardBorder);
}

void drawText(QPainter& p, const QRectF& face, const std::string& text, int pixelSize, const QColor& color) {
    const QString label = QString::fromStdString(text);
    QFont font = legendFont(pixelSize);
    // Long legends shrink to fit their cap rather than spill over it.
    while (pixelSize > 6 && QFontMetricsF(font).horizontalAdvance(label) > face.width() - 4)
        font = legendFont(--pixelSize);
    p.setFont(font);
    p.setPen(color);
    p.drawText(face, Qt::AlignCenter, label);
}

void drawMediaBars(QPainter& p, QPointF c, qreal s, const QColor& color) {
    p.fillRect(QRectF(c.x() + s * 0.35, c.y() - s * 0.75, s * 0.28, s * 1.5), color);
    p.fillRect(QRectF(c.x() + s * 0.85, c.y() - s * 0.75, s * 0.28, s * 1.5), color);
}

void drawSpeakerMute(QPainter& p, QPointF c, qreal s, const QColor& color) {
    QPainterPath speaker;
    speaker.moveTo(c + QPointF(-s * 1.1, -s * 0.35));
    speaker.lineTo(c + QPointF(-s * 0.6, -s * 0.35));
    speaker.lineTo(c + QPointF(-s * 0.05, -s * 0.85));
    speaker.lineTo(c + QPointF(-s * 0.05, s * 0.85));
    speaker.lineTo(c + QPointF(-s * 0.6, s * 0.35));
    speaker.lineTo(c + QPointF(-s * 1.1, s * 0.35));
    speaker.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(speaker);
    drawCross(p, c + QPointF(s * 0.6, 0), s * 0.35, 1.2, color);
}

void drawSun(QPainter& p, QPointF c, qreal s, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(c, s * 0.42, s * 0.42);
    p.setPen(QPen(color, 1.2, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 8; ++i) {
        const double a = i * std::numbers::pi / 4;
        const QPointF d(std::cos(a), std::sin(a));
        p.drawLine(c + d * s * 0.7, c + d * s * 1.0);
    }
}

void drawGlyph(QPainter& p, Glyph glyph, const QRectF& face, const QColor& color) {
    const QPointF c = face.center();
    const qreal s = std::max(3.0, face.height() * 0.2);
    switch (glyph) {
        case Glyph::ArrowUp: drawTriangle(p, c, s, -90, color); break;
        case Glyph::ArrowDown: drawTriangle(p, c, s, 90, color); break;
        case Glyph::ArrowLeft: drawTriangle(p, c, s, 180, color); break;
        case Glyph::ArrowRight: drawTriangle(p, c, s, 0, color); break;
        case Glyph::Play:
            drawTriangle(p, c - QPointF(s * 0.55, 0), s * 0.8, 0, color);
            drawMediaBars(p, c - QPointF(s * 0.3, 0), s * 0.8, color);
            break;
        case Glyph::Stop: p.fillRect(QRectF(c.x() - s * 0.6, c.y() - s * 0.6, s * 1.2, s * 1.2), color); break;
        case Glyph::Previous:
            p.fillRect(QRectF(c.x() - s * 1.0, c.y() - s * 0.6, s * 0.22, s * 1.2), color);
            drawTriangle(p, c - QPointF(s * 0.25, 0), s * 0.6, 180, color);
            drawTriangle(p, c + QPointF(s * 0.45, 0), s * 0.6, 180, color);
            break;
        case Glyph::Next:
            p.fillRect(QRectF(c.x() + s * 0.78, c.y() - s * 0.6, s * 0.22, s * 1.2), color);
            drawTriangle(p, c + QPointF(s * 0.25, 0), s * 0.6, 0, color);
            drawTriangle(p, c - QPointF(s * 0.45, 0), s * 0.6, 0, color);
            break;
        case Glyph::Mute: drawSpeakerMute(p, c, s, color); break;
        case Glyph::Light: drawSun(p, c, s, color); break;
        case Glyph::Text: break;
    }
}

void drawKey(QPainter& p, const _KEYINFO& key, int legendPixels) {
    const QRectF rect = keyRect(key);
    const KeyLegend legend = keyLegend(key);
    const qreal h = rect.height();
    const qreal radius = std::max(2.0, h / 9);
    p.setPen(QPen(kSkirtEdge, 1));
    p.setBrush(kSkirt);
    p.drawRoundedRect(strokeRect(rect), radius, radius);

    const qreal side = std::round(h * 0.07), bottom = std::round(h * 0.13);
    const QRectF face = rect.adjusted(side, 1, -side, -bottom);
    QLinearGradient gradient(face.topLeft(), face.bottomLeft());
    gradient.setColorAt(0, legend.darkCap ? kDarkFaceTop : kFaceTop);
    gradient.setColorAt(1, legend.darkCap ? kDarkFaceBottom : kFaceBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawRoundedRect(face, radius - 1, radius - 1);
    drawHairline(p, face.left() + radius, face.top(), face.right() - radius, face.top(),
                 QColor(255, 255, 255, 22));

    const QColor ink = legend.accent ? look::kAccent : look::kText;
    if (legend.glyph == Glyph::Text) {
        if (!legend.text.empty()) drawText(p, face, legend.text, legendPixels, ink);
    } else {
        drawGlyph(p, legend.glyph, face, ink);
    }
}

// A knurled knob with its pointer at twelve o'clock.
void drawKnob(QPainter& p, const _KEYINFO& key) {
    const QRectF rect = keyRect(key);
    const QPointF c = rect.center();
    const qreal r = std::min(rect.width(), rect.height()) / 2 - 0.5;
    p.setPen(QPen(kSkirtEdge, 1));
    p.setBrush(QColor(30, 33, 38));
    p.drawEllipse(c, r, r);
    p.setPen(QPen(kSkirtEdge, 1));
    for (int i = 0; i < 36; ++i) {
        const double a = i * std::numbers::pi / 18;
        const QPointF d(std::cos(a), std::sin(a));
        p.drawLine(c + d * r * 0.8, c + d * r * 0.96);
    }
    QRadialGradient cap(c - QPointF(0, r * 0.3), r);
    cap.setColorAt(0, QColor(70, 76, 84));
    cap.setColorAt(1, QColor(38, 42, 48));
    p.setPen(QPen(kSkirt, 1));
    p.setBrush(cap);
    p.drawEllipse(c, r * 0.7, r * 0.7);
    p.setPen(Qt::NoPen);
    p.setBrush(look::kAccent);
    p.drawEllipse(c - QPointF(0, r * 0.45), r * 0.09, r * 0.09);
}

int legendPixelsFor(const _KEYINFO* keys, int count) {
    qreal smallest = 1e9;
    for (int i = 0; i < count; ++i)
        if (hasKey(keys[i])) smallest = std::min(smallest, keyRect(keys[i]).height());
    return std::clamp(int(smallest / 3), 7, 11);
}

}  // namespace

bool hasKey(const _KEYINFO& key) { return key.rcPos.right > key.rcPos.left && key.rcPos.bottom > key.rcPos.top; }

QSize keyPictureSize(const _KEYINFO* keys, int count) {
    uint32_t left = UINT32_MAX, top = UINT32_MAX, right = 0, bottom = 0;
    for (int i = 0; i < count; ++i) {
        if (!hasKey(keys[i])) continue;
        const _RECT& r = keys[i].rcPos;
        left = std::min(left, r.left);
        top = std::min(top, r.top);
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
    }
    if (right == 0) return {};
    return QSize(int(right + left), int(bottom + top));
}

QImage drawKeyPicture(const _KEYINFO* keys, int count, int knobRow, int scale) {
    const QSize size = keyPictureSize(keys, count);
    if (size.isEmpty()) return {};
    QImage image = newCanvas(size, scale);
    QPainter p;
    beginSmooth(p, image);
    drawBoard(p, size);
    const int legendPixels = legendPixelsFor(keys, count);
    for (int i = 0; i < count; ++i) {
        if (!hasKey(keys[i])) continue;
        if (i == knobRow)
            drawKnob(p, keys[i]);
        else
            drawKey(p, keys[i], legendPixels);
    }
    p.end();
    return image;
}

}  // namespace keyloom::skins
