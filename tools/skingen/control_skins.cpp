// Buttons, check boxes, menu entries, list icons and slider parts. Captions
// are not part of these pictures: the program draws them in the configured
// colours.
#include <QLinearGradient>
#include <QPainterPath>

#include "look.h"
#include "skins.h"

namespace keyloom::skins {

namespace {

using Draw = void (*)(QPainter&, const QRectF&);

void roundPlate(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom, const QColor& border) {
    QLinearGradient gradient(r.topLeft(), r.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    p.setPen(QPen(border, 1));
    p.setBrush(gradient);
    p.drawEllipse(strokeRect(r));
}

void exitNormal(QPainter& p, const QRectF& r) {
    roundPlate(p, r, look::kPlateTop, look::kPlateBottom, look::kPlateBorder);
    drawCross(p, r.center(), 3.5, 1.6, look::kText);
}

void exitOver(QPainter& p, const QRectF& r) {
    roundPlate(p, r, look::kAccent.lighter(110), look::kAccent, look::kAccentLight);
    drawCross(p, r.center(), 3.5, 1.8, look::kInk);
}

void help(QPainter& p, const QRectF& r) {
    roundPlate(p, r, look::kPlateTop, look::kPlateBottom, look::kPlateBorder);
    p.setPen(look::kText);
    p.setFont(legendFont(14, true));
    p.drawText(r, Qt::AlignCenter, QStringLiteral("?"));
}

void combo(QPainter& p, const QRectF& r) {
    drawPlate(p, r, 5, PlateLook::Normal);
    drawHairline(p, r.right() - 24, r.top() + 5, r.right() - 24, r.bottom() - 5, look::kHairline);
    drawChevronDown(p, QPointF(r.right() - 12, r.center().y()), 3.5, look::kTextDim);
}

void tabNormal(QPainter& p, const QRectF& r) { drawPlate(p, r, 6, PlateLook::Normal); }
void tabDown(QPainter& p, const QRectF& r) { drawPlate(p, r, 6, PlateLook::Selected); }
void smallButton(QPainter& p, const QRectF& r) { drawPlate(p, r, 5, PlateLook::Normal); }

// The colour pick dialog's OK: the dialog's one primary button.
void primaryNormal(QPainter& p, const QRectF& r) {
    fillPanel(p, r, 5, look::kPlateTop, look::kPlateBottom, look::kAccentDeep);
}
void primaryOver(QPainter& p, const QRectF& r) { drawPlate(p, r, 5, PlateLook::Hover); }

void checkBox(QPainter& p, const QRectF& r, const QColor& fill, const QColor& border) {
    p.setPen(QPen(border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(strokeRect(r), 3, 3);
}

void checkNormal(QPainter& p, const QRectF& r) { checkBox(p, r, look::kWell, QColor(78, 86, 96)); }
void checkOver(QPainter& p, const QRectF& r) { checkBox(p, r, look::kWell, look::kAccent); }

void checkDown(QPainter& p, const QRectF& r) {
    checkBox(p, r, look::kAccent, look::kAccent);
    QPainterPath tick;
    tick.moveTo(4, 8.5);
    tick.lineTo(6.8, 11.2);
    tick.lineTo(12, 5);
    p.setPen(QPen(look::kInk, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(tick);
}

void menuEntry(QPainter& p, const QRectF& r, bool over, bool sub) {
    if (over) {
        QLinearGradient gradient(r.topLeft(), r.bottomLeft());
        gradient.setColorAt(0, look::kSelectedTop);
        gradient.setColorAt(1, look::kSelectedBottom);
        p.fillRect(r, gradient);
        p.fillRect(QRectF(0, 0, 2, r.height()), look::kAccent);
    } else {
        p.fillRect(r, QColor(34, 38, 44));
        p.fillRect(QRectF(0, r.height() - 1, r.width(), 1), look::kCardBorder);
    }
    if (sub) drawChevronRight(p, QPointF(r.right() - 9, r.center().y()), 3, over ? look::kAccent : look::kTextDim);
}

void menuNormal(QPainter& p, const QRectF& r) { menuEntry(p, r, false, false); }
void menuOver(QPainter& p, const QRectF& r) { menuEntry(p, r, true, false); }
void menuSubNormal(QPainter& p, const QRectF& r) { menuEntry(p, r, false, true); }
void menuSubOver(QPainter& p, const QRectF& r) { menuEntry(p, r, true, true); }

void folder(QPainter& p, const QRectF&) {
    p.setPen(Qt::NoPen);
    p.setBrush(look::kAccentDeep.lighter(140));
    p.drawRoundedRect(QRectF(1, 2, 6, 4), 1, 1);
    p.setBrush(look::kAccentDeep.lighter(115));
    p.drawRoundedRect(QRectF(1, 4, 12, 8.5), 1.5, 1.5);
}

void keyUp(QPainter& p, const QRectF& r) { drawTriangle(p, r.center(), 5, -90, look::kTextDim); }
void keyDown(QPainter& p, const QRectF& r) { drawTriangle(p, r.center(), 5, 90, look::kAccent); }

void pause(QPainter& p, const QRectF& r) {
    p.setPen(QPen(look::kTextDim, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r.adjusted(1.5, 1.5, -1.5, -1.5));
    p.setPen(QPen(look::kTextDim, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(7, 3.8));
    p.drawLine(QPointF(7, 7), QPointF(9.5, 8.5));
}

void sliderBar(QPainter& p, const QRectF& r) {
    p.setPen(QPen(look::kWellBorder, 1));
    p.setBrush(look::kWell);
    p.drawRoundedRect(strokeRect(r), r.height() / 2, r.height() / 2);
}

void sliderKnob(QPainter& p, const QRectF& r) {
    fillPanel(p, r, 3, QColor(228, 232, 236), QColor(172, 179, 188), QColor(12, 14, 16));
    p.fillRect(QRectF(5, 4, 2, r.height() - 8), look::kAccentDeep);
}

// Shared by the red, green and blue bars: a dark-to-light ramp.
void rgbBar(QPainter& p, const QRectF& r) {
    QLinearGradient gradient(r.topLeft(), r.topRight());
    gradient.setColorAt(0, QColor(24, 26, 30));
    gradient.setColorAt(1, look::kText);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
}

// A marker pointing down at the bar below it.
void rgbKnob(QPainter& p, const QRectF& r) {
    QPainterPath marker;
    marker.moveTo(0.5, 0.5);
    marker.lineTo(r.width() - 0.5, 0.5);
    marker.lineTo(r.width() / 2, r.height() - 0.5);
    marker.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(look::kText);
    p.drawPath(marker);
}

struct ControlPicture {
    const char* name;
    Draw draw;
};

constexpr ControlPicture kControls[] = {
    {"exit_nr.png", exitNormal},     {"exit_ov.png", exitOver},         {"help_nr.png", help},
    {"combo_nr.png", combo},         {"btn_nr.png", tabNormal},         {"btn_dn.png", tabDown},
    {"btn2_nr.png", smallButton},    {"button3_nr.png", primaryNormal}, {"button3_ov.png", primaryOver},
    {"check_nr.png", checkNormal},   {"check_ov.png", checkOver},       {"check_dn.png", checkDown},
    {"menu_nr.png", menuNormal},     {"menu_ov.png", menuOver},         {"menusub_nr.png", menuSubNormal},
    {"menusub_ov.png", menuSubOver}, {"close.png", folder},             {"UP_N.png", keyUp},
    {"DN_N.png", keyDown},           {"TM_N.png", pause},               {"dpi_bar.png", sliderBar},
    {"slider.png", sliderKnob},      {"rgb_bar.png", rgbBar},           {"rgbslider.png", rgbKnob},
};

}  // namespace

void addControlSkins(SkinSet& out, int scale) {
    for (const auto& control : kControls) out[control.name] = drawPicture(control.name, scale, control.draw);
}

}  // namespace keyloom::skins
