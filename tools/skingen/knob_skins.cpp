// The knob pop-up: a round dial with eight set pads and the two function
// lines in its middle, and per set a picture that lights that set's pad and
// is transparent everywhere else (it is drawn over the dial).
#include <QRadialGradient>
#include <string>

#include "look.h"
#include "skins.h"

namespace keyloom::skins {

namespace {

constexpr QPointF kDialCentre(kKnobPopSize / 2.0, kKnobPopSize / 2.0);
constexpr qreal kDialRadius = kKnobPopSize / 2.0 - 1;
constexpr qreal kHubRadius = 47;
constexpr qreal kPadRadius = 15.5;
constexpr qreal kGlowRadius = 17.5;

// Each pad sits in the middle of its set's click area, which it never leaves.
QPointF padCentre(int set) { return toRect(kKnobSetAreas[set]).center(); }

void drawDigit(QPainter& p, int set, const QColor& color) {
    const QPointF c = padCentre(set);
    p.setPen(color);
    p.setFont(legendFont(13, true));
    p.drawText(QRectF(c.x() - kPadRadius, c.y() - kPadRadius, 2 * kPadRadius, 2 * kPadRadius), Qt::AlignCenter,
               QString::number(set + 1));
}

QImage drawDial(int scale) {
    QImage image = newCanvas("scroll_normal.png", scale);
    QPainter p;
    beginSmooth(p, image);
    QRadialGradient body(kDialCentre, kDialRadius);
    body.setColorAt(0, look::kWindowTop);
    body.setColorAt(1, look::kWindowBottom);
    p.setPen(QPen(look::kWindowBorder, 1.5));
    p.setBrush(body);
    p.drawEllipse(kDialCentre, kDialRadius, kDialRadius);

    p.setPen(QPen(look::kHairline, 1));
    p.setBrush(QColor(24, 27, 31));
    p.drawEllipse(kDialCentre, kHubRadius, kHubRadius);
    for (const Area& line : kKnobFunctionLines) drawWell(p, toRect(line), 4);

    for (int set = 0; set < 8; ++set) {
        QRadialGradient pad(padCentre(set) - QPointF(0, 5), kPadRadius * 1.4);
        pad.setColorAt(0, look::kPlateTop);
        pad.setColorAt(1, look::kPlateBottom);
        p.setPen(QPen(look::kPlateBorder, 1));
        p.setBrush(pad);
        p.drawEllipse(padCentre(set), kPadRadius, kPadRadius);
        drawDigit(p, set, look::kTextDim);
    }
    p.end();
    return image;
}

QImage drawSetHighlight(int set, const char* name, int scale) {
    QImage image = newCanvas(name, scale);
    QPainter p;
    beginSmooth(p, image);
    const QPointF c = padCentre(set);
    p.setPen(QPen(QColor(0, 200, 180, 90), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, kGlowRadius, kGlowRadius);
    QRadialGradient pad(c - QPointF(0, 5), kPadRadius * 1.4);
    pad.setColorAt(0, look::kAccent.lighter(115));
    pad.setColorAt(1, look::kAccentDeep.lighter(140));
    p.setPen(QPen(look::kAccentLight, 1));
    p.setBrush(pad);
    p.drawEllipse(c, kPadRadius, kPadRadius);
    drawDigit(p, set, look::kInk);
    p.end();
    return image;
}

}  // namespace

void addKnobSkins(SkinSet& out, int scale) {
    out["scroll_normal.png"] = drawDial(scale);
    for (int set = 0; set < 8; ++set) {
        const std::string name = "button" + std::to_string(set + 1) + ".png";
        out[name] = drawSetHighlight(set, name.c_str(), scale);
    }
}

}  // namespace keyloom::skins
