#include "paint.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <cmath>
#include <cstring>

#include "look.h"

namespace keyloom::skins {

QImage newCanvas(const char* name, int scale) {
    QSize size;
    for (const auto& picture : kSkinPictures)
        if (std::strcmp(picture.name, name) == 0) size = QSize(picture.width, picture.height);
    return newCanvas(size, scale);
}

QImage newCanvas(QSize points, int scale) {
    QImage image(points * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(scale);
    // 96 dpi a point, written into every file the same way.
    image.setDotsPerMeterX(3780 * scale);
    image.setDotsPerMeterY(3780 * scale);
    return image;
}

QSize pointSize(const QImage& image) { return image.deviceIndependentSize().toSize(); }

QString scaledName(const QString& name, int scale) {
    if (scale == 1) return name;
    const QString suffix = QStringLiteral(".png");
    const QString base = name.endsWith(suffix) ? name.chopped(suffix.size()) : name;
    return base + QStringLiteral("@%1x").arg(scale) + suffix;
}

void beginSmooth(QPainter& painter, QImage& image) {
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

QImage drawPicture(const char* name, int scale, const std::function<void(QPainter& p, const QRectF& all)>& draw) {
    QImage image = newCanvas(name, scale);
    QPainter p;
    beginSmooth(p, image);
    draw(p, QRectF(QPointF(0, 0), QSizeF(pointSize(image))));
    p.end();
    return image;
}

QRectF toRect(const Area& area) { return QRectF(area.x, area.y, area.w, area.h); }

QRectF strokeRect(const QRectF& rect) { return rect.adjusted(0.5, 0.5, -0.5, -0.5); }

void fillPanel(QPainter& p, const QRectF& rect, qreal radius, const QColor& top, const QColor& bottom,
               const QColor& border) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    p.setPen(QPen(border, 1));
    p.setBrush(gradient);
    p.drawRoundedRect(strokeRect(rect), radius, radius);
}

void drawDialogBody(QPainter& p, QSize size, int headerHeight) {
    const QRectF all(QPointF(0, 0), QSizeF(size));
    fillPanel(p, all, 0, look::kWindowTop, look::kWindowBottom, look::kWindowBorder);
    if (headerHeight <= 0) return;
    p.fillRect(QRectF(1, 1, size.width() - 2, headerHeight - 1), look::kHeader);
    drawHairline(p, 1, headerHeight, size.width() - 1, headerHeight, look::kHairline);
    // A thin accent rule along the top edge marks the dialog as the active layer.
    p.fillRect(QRectF(1, 1, size.width() - 2, 2), look::kAccent);
}

void drawFooterBand(QPainter& p, QSize size, int y) {
    p.fillRect(QRectF(1, y, size.width() - 2, size.height() - y - 1), look::kHeader);
    drawHairline(p, 1, y, size.width() - 1, y, look::kHairline);
}

void drawCard(QPainter& p, const QRectF& rect, qreal radius) {
    p.setPen(QPen(look::kCardBorder, 1));
    p.setBrush(look::kCard);
    p.drawRoundedRect(strokeRect(rect), radius, radius);
}

void drawWell(QPainter& p, const QRectF& rect, qreal radius) {
    p.setPen(QPen(look::kWellBorder, 1));
    p.setBrush(look::kWell);
    p.drawRoundedRect(strokeRect(rect), radius, radius);
}

void drawPlate(QPainter& p, const QRectF& rect, qreal radius, PlateLook plate) {
    switch (plate) {
        case PlateLook::Normal:
            fillPanel(p, rect, radius, look::kPlateTop, look::kPlateBottom, look::kPlateBorder);
            break;
        case PlateLook::Hover:
            fillPanel(p, rect, radius, look::kPlateTop.lighter(118), look::kPlateBottom.lighter(118), look::kAccent);
            break;
        case PlateLook::Selected:
            fillPanel(p, rect, radius, look::kSelectedTop, look::kSelectedBottom, look::kAccentDeep);
            // An accent bar along the bottom edge marks the selection.
            p.setPen(Qt::NoPen);
            p.setBrush(look::kAccent);
            p.drawRoundedRect(QRectF(rect.left() + radius, rect.bottom() - 3, rect.width() - 2 * radius, 2), 1, 1);
            return;
    }
    // A one-pixel highlight under the top edge gives the plate its lift.
    drawHairline(p, rect.left() + radius, rect.top() + 1, rect.right() - radius, rect.top() + 1,
                 QColor(255, 255, 255, 18));
}

void drawHairline(QPainter& p, qreal x1, qreal y1, qreal x2, qreal y2, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    if (y1 == y2)
        p.drawRect(QRectF(x1, y1, x2 - x1, 1));
    else
        p.drawRect(QRectF(x1, y1, 1, y2 - y1));
}

void drawChevronDown(QPainter& p, QPointF centre, qreal size, const QColor& color) {
    QPainterPath path;
    path.moveTo(centre + QPointF(-size, -size / 2));
    path.lineTo(centre + QPointF(0, size / 2));
    path.lineTo(centre + QPointF(size, -size / 2));
    p.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void drawChevronRight(QPainter& p, QPointF centre, qreal size, const QColor& color) {
    QPainterPath path;
    path.moveTo(centre + QPointF(-size / 2, -size));
    path.lineTo(centre + QPointF(size / 2, 0));
    path.lineTo(centre + QPointF(-size / 2, size));
    p.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void drawCross(QPainter& p, QPointF centre, qreal size, qreal width, const QColor& color) {
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(-size, -size), centre + QPointF(size, size));
    p.drawLine(centre + QPointF(-size, size), centre + QPointF(size, -size));
}

void drawTriangle(QPainter& p, QPointF centre, qreal size, int degrees, const QColor& color) {
    // Pointing right at 0 degrees, turning clockwise on screen.
    QPainterPath path;
    path.moveTo(size, 0);
    path.lineTo(-size * 0.6, -size * 0.9);
    path.lineTo(-size * 0.6, size * 0.9);
    path.closeSubpath();
    p.save();
    p.translate(centre);
    p.rotate(degrees);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPath(path);
    p.restore();
}

QRgb hsvColor(double hue, double saturation, double value) {
    hue = std::fmod(hue, 360.0);
    if (hue < 0) hue += 360.0;
    const double chroma = value * saturation;
    const double sector = hue / 60.0;
    const double x = chroma * (1.0 - std::fabs(std::fmod(sector, 2.0) - 1.0));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(sector)) {
        case 0: r = chroma, g = x; break;
        case 1: r = x, g = chroma; break;
        case 2: g = chroma, b = x; break;
        case 3: g = x, b = chroma; break;
        case 4: r = x, b = chroma; break;
        default: r = chroma, b = x; break;
    }
    const double m = value - chroma;
    auto byte = [m](double c) { return static_cast<int>(std::lround((c + m) * 255.0)); };
    return qRgb(byte(r), byte(g), byte(b));
}

}  // namespace keyloom::skins
