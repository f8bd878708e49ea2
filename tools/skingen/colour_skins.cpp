// Pictures whose pixels are read as colours: the colour wheel, the ring round
// it and the colour pick dialog's chart. Their colour areas are set pixel by
// pixel, fully opaque, with no shading, outline or smoothing over them, so the
// colour read under the pointer is the colour shown there; everything outside
// the shapes stays transparent.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "look.h"
#include "skins.h"

namespace keyloom::skins {

namespace {

// Pictures at a scale are computed pixel by pixel too: each pixel takes the
// colour at its own centre, in points, so the finer picture is a sharper one
// and not an enlarged copy.
QPointF pixelCentre(int x, int y, int scale) { return QPointF((x + 0.5) / scale, (y + 0.5) / scale); }

// Angle of a point round a centre, degrees counter-clockwise from the right
// (y grows upwards on screen for this purpose), 0..360.
double angleAt(QPointF at, double cx, double cy) {
    const double degrees = std::atan2(cy - at.y(), at.x() - cx) * 180.0 / std::numbers::pi;
    return degrees < 0 ? degrees + 360.0 : degrees;
}

double distanceAt(QPointF at, double cx, double cy) { return std::hypot(at.x() - cx, at.y() - cy); }

// Hue round the centre, from white in the middle to full saturation at 46
// points out; value 1 throughout.
QImage drawWheel(int scale) {
    QImage image = newCanvas("Colorwheel.png", scale);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QPointF at = pixelCentre(x, y, scale);
            const double r = distanceAt(at, kWheelCentre, kWheelCentre);
            if (r > kWheelRadius) continue;
            const double saturation = std::clamp((r - 1.0) / 45.0, 0.0, 1.0);
            image.setPixel(x, y, hsvColor(angleAt(at, kWheelCentre, kWheelCentre), saturation, 1.0));
        }
    }
    return image;
}

// A band of pure hues round the wheel's place in the colour panel.
QImage drawRing(int scale) {
    QImage image = newCanvas("ColorRing.png", scale);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QPointF at = pixelCentre(x, y, scale);
            const double r = distanceAt(at, kRingCentreX, kRingCentreY);
            if (r < kRingInner || r > kRingOuter) continue;
            image.setPixel(x, y, hsvColor(angleAt(at, kRingCentreX, kRingCentreY), 1.0, 1.0));
        }
    }
    return image;
}

// Chart rows: pure, light, deep and dark colours, then greys.
constexpr QRgb kChart[kChartRows][kChartColumns] = {
    {0xFF0000, 0xFF8000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0x8000FF, 0xFF00FF},
    {0xFF8080, 0xFFC080, 0xFFFF80, 0x80FF80, 0x80FFFF, 0x80A0FF, 0xC080FF, 0xFF80FF},
    {0xC00000, 0xC06000, 0xC0C000, 0x00A000, 0x00A0A0, 0x0000C0, 0x6000C0, 0xC000C0},
    {0x600000, 0x603000, 0x606000, 0x006000, 0x006060, 0x000060, 0x300060, 0x600060},
    {0xFFFFFF, 0xDBDBDB, 0xB6B6B6, 0x929292, 0x6D6D6D, 0x494949, 0x242424, 0x000000},
};

// An area in points as the picture's pixels at a scale.
Area scaled(const Area& area, int scale) {
    return {area.x * scale, area.y * scale, area.w * scale, area.h * scale};
}

void fillArea(QImage& image, const Area& area, QRgb color) {
    for (int y = area.y; y < area.y + area.h; ++y)
        for (int x = area.x; x < area.x + area.w; ++x) image.setPixel(x, y, color);
}

// The strip: hue across; from white at the top through the pure hue in the
// middle to almost black at the bottom.
void fillStrip(QImage& image, int scale) {
    const Area s = scaled(kChartStrip, scale);
    const int half = s.h / 2;
    for (int row = 0; row < s.h; ++row) {
        const double saturation = row < half ? double(row) / (half - 1) : 1.0;
        const double value = row < half ? 1.0 : 1.0 - double(row - half) / half;
        for (int column = 0; column < s.w; ++column)
            image.setPixel(s.x + column, s.y + row, hsvColor(column * 360.0 / s.w, saturation, value));
    }
}

QImage drawChart(int scale) {
    QImage image = newCanvas("colorplane.png", scale);
    QPainter p;
    beginSmooth(p, image);
    drawDialogBody(p, pointSize(image), 0);
    const Area first = chartCell(0, 0);
    const Area last = chartCell(kChartRows - 1, kChartColumns - 1);
    drawWell(p, QRectF(first.x - 8, first.y - 8, last.x + last.w - first.x + 16, last.y + last.h - first.y + 16));
    const Area& s = kChartStrip;
    drawWell(p, QRectF(s.x - 4, s.y - 4, s.w + 8, s.h + 8), 3);
    const Area& w = kChartSwatch;
    drawWell(p, QRectF(w.x - 2, w.y - 2, w.w + 4, w.h + 4), 2);
    p.end();

    for (int row = 0; row < kChartRows; ++row)
        for (int column = 0; column < kChartColumns; ++column)
            fillArea(image, scaled(chartCell(row, column), scale), 0xFF000000 | kChart[row][column]);
    fillStrip(image, scale);
    return image;
}

}  // namespace

void addColourSkins(SkinSet& out, int scale) {
    out["Colorwheel.png"] = drawWheel(scale);
    out["ColorRing.png"] = drawRing(scale);
    out["colorplane.png"] = drawChart(scale);
}

}  // namespace keyloom::skins
