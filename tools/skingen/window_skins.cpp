// The main window's background. Both pictures are the same window; they
// differ in the M1..M3 buttons, which are cut out of "main_nr.png" for their
// normal look and out of "main_dn.png" for the selected one.
#include <QPainterPath>

#include "look.h"
#include "skins.h"

namespace keyloom::skins {

namespace {

// Below the colour band everything lies where it lay in a window without
// one: a place below the band is written as in that window plus the band.
constexpr int kBand = kColourBandHeight;
constexpr int kFooterTop = 564 + kBand;

// Text buttons of the window that are always shown (no pictures of their
// own): the background carries their plates. Buttons the window may hide
// (the key table's New, Delete and Rename) draw their own plates, so no
// empty plate stays behind. Frames in picture pixels.
constexpr Area kTextButtons[] = {
    {622, 85 + kBand, 122, 31},  // macro editor
    {422, 522 + kBand, 71, 33},  // OK
    {496, 522 + kBand, 72, 33},  // Cancel
    {570, 522 + kBand, 100, 33}, // Apply
    {39, 574 + kBand, 72, 34},   // Restore
};
constexpr Area kLanguageChooser = {790, 50 + kBand, 100, 20};

// Lighting panel and key-set chooser on the left, the key picture on the right.
constexpr Area kLeftCard = {31, 129 + kBand, 214, 405};
constexpr Area kKeyCard = {258, 186 + kBand, 626, 264};

void drawBrandMark(QPainter& p) {
    // Four key caps, one of them lit.
    for (int i = 0; i < 4; ++i) {
        const QRectF cap(22 + (i % 2) * 10, 13 + (i / 2) * 10, 8, 8);
        p.setPen(Qt::NoPen);
        p.setBrush(i == 1 ? look::kAccent : look::kPlateBorder);
        p.drawRoundedRect(cap, 2, 2);
    }
}

void drawWindowBody(QPainter& p) {
    const QRectF all(0, 0, kMainWidth, kMainHeight);
    QPainterPath body;
    body.addRoundedRect(strokeRect(all), 12, 12);
    fillPanel(p, all, 12, look::kWindowTop, look::kWindowBottom, look::kWindowBorder);

    p.save();
    p.setClipPath(body);
    p.fillRect(QRectF(0, 0, kMainWidth, kHeaderHeight), look::kHeader);
    p.fillRect(QRectF(0, kFooterTop, kMainWidth, kMainHeight - kFooterTop), look::kHeader);
    p.restore();
    drawHairline(p, 1, kHeaderHeight, kMainWidth - 1, kHeaderHeight, look::kHairline);
    drawHairline(p, 1, kFooterTop, kMainWidth - 1, kFooterTop, look::kHairline);
    // Redraw the border over the bands so the outline stays unbroken.
    p.setPen(QPen(look::kWindowBorder, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(strokeRect(all), 12, 12);
}

void drawWindow(QImage& image, PlateLook modeLook) {
    QPainter p;
    beginSmooth(p, image);
    drawWindowBody(p);
    drawBrandMark(p);

    drawCard(p, toRect(kColourBandCard), 10);
    drawCard(p, toRect(kLeftCard), 10);
    // The divider above the key table chooser is the window's to draw: the
    // chooser may be hidden.
    drawCard(p, toRect(kKeyCard), 10);

    for (const Area& mode : kModeButtons) drawPlate(p, toRect(mode), 6, modeLook);
    for (const Area& button : kTextButtons) drawPlate(p, toRect(button), 6, PlateLook::Normal);

    const QRectF chooser = toRect(kLanguageChooser);
    drawPlate(p, chooser, 4, PlateLook::Normal);
    drawChevronDown(p, QPointF(chooser.right() - 9, chooser.center().y()), 3, look::kTextDim);
    p.end();
}

}  // namespace

void addWindowSkins(SkinSet& out, int scale) {
    QImage normal = newCanvas("main_nr.png", scale);
    drawWindow(normal, PlateLook::Normal);
    out["main_nr.png"] = normal;

    QImage selected = newCanvas("main_dn.png", scale);
    drawWindow(selected, PlateLook::Selected);
    out["main_dn.png"] = selected;
}

}  // namespace keyloom::skins
