#include "ui/ColorGridView.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/Skin.h"
#include "widgets/Outline.h"

namespace keyloom {

uint32_t bgrFromColor(const QColor& color) {
    // The whole part of component x 255; the small allowance keeps a value
    // that was n / 255 at n despite rounding.
    auto byte = [](float component) {
        return uint32_t(std::clamp(std::floor(double(component) * 255.0 + 1e-4), 0.0, 255.0));
    };
    return byte(color.redF()) | byte(color.greenF()) << 8 | byte(color.blueF()) << 16;
}

ColorGridView::ColorGridView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ColorGridView::setBkgColor(const QColor& color, bool notify) {
    clrBkg = color;
    update();
    if (notify && check_delegate) check_delegate->onColorGridChanged(this);
}

void ColorGridView::setCheck(bool check) {
    bCheck = check;
    update();
}

void ColorGridView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), clrBkg);
    // A hairline in the frame colour, so a dark colour still shows its cell.
    drawOutline(painter, QRectF(rect()), colorFromBgr(clrFrame));
}

void ColorGridView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) clickCount_ = 1;
}

void ColorGridView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) clickCount_ = 2;
}

void ColorGridView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int clicks = clickCount_;
    clickCount_ = 0;
    if (bCheckGrid) {
        setCheck(!bCheck);
        if (check_delegate) check_delegate->onColorGridCheck(bCheck, this);
    }
    if (pickEnable != 0 && delegate && (pickEnable == 1 || (pickEnable == 2 && clicks > 1)))
        delegate->onColorGridClick(bCheck, this);
}

}  // namespace keyloom
