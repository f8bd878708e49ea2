#include "widgets/MySlider.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/debug.h"
#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/Outline.h"

namespace keyloom {

// ---- knob -------------------------------------------------------------------

MyKnob::MyKnob(MySlider* slider, const QImage& image) : QWidget(slider), slider_(slider), imgKnob(image) {
    setFocusPolicy(Qt::NoFocus);
}

void MyKnob::paintEvent(QPaintEvent*) {
    if (imgKnob.isNull()) return;
    QPainter painter(this);
    painter.drawImage(QRectF(rect()), imgKnob);
}

void MyKnob::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    bPressed = true;
    bDragging = false;
}

void MyKnob::mouseMoveEvent(QMouseEvent* event) {
    if (!bPressed) return;
    const bool first = !bDragging;
    bDragging = true;
    // The knob moves under the pointer, so its position is taken at each event.
    slider_->knobDragging(event->position() + QPointF(pos()), first);
}

void MyKnob::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !bPressed) return;
    const bool dragged = bDragging;
    bPressed = false;
    bDragging = false;
    // A click without a drag leaves the value alone.
    if (dragged) slider_->knobDragged();
}

// ---- arithmetic -------------------------------------------------------------

int MySlider::getPosForX(float x, float barW, float knobW, int minVal, int maxVal) {
    // A range of one value has no steps to divide by.
    if (maxVal <= minVal) return minVal;
    const float step = (barW - knobW) / float(maxVal - minVal);
    const float f = std::floor(x / step);
    const float g = f + 1;
    return minVal + int(x - f * step > g * step - x ? g : f);
}

float MySlider::getXForPos(int pos, float barW, float knobW, int minVal, int maxVal) {
    if (maxVal <= minVal) return 0;
    // The same travel as getPosForX, so a value set is the value read back.
    return float(pos - minVal) * (barW - knobW) / float(maxVal - minVal);
}

// ---- creation ---------------------------------------------------------------

MySlider::MySlider(QWidget* parent, const QImage& bar, bool vertical)
    : QWidget(parent), imgBar(bar), bVertical(vertical) {
    setFocusPolicy(Qt::NoFocus);
}

MySlider* MySlider::NewSlider(QWidget* parent, const QImage& barImage, const QImage& knobImage, int minVal,
                              int maxVal, const QRectF& rectBar, int id, bool vertical) {
    if (barImage.isNull() || knobImage.isNull()) return nullptr;
    const QSize knob = ImageProcess::pointSize(knobImage);
    const double knobLen = vertical ? knob.height() : knob.width();
    const double knobThick = vertical ? knob.width() : knob.height();
    const double extent = vertical ? rectBar.height() : rectBar.width();
    const double across = vertical ? rectBar.width() : rectBar.height();
    // Every value needs a place of its own on the bar.
    if (double(int64_t(maxVal) - minVal + 1) > extent - knobLen) return nullptr;
    if (knobThick > across) return nullptr;

    auto* slider = new MySlider(parent, barImage, vertical);
    setFrame(slider, rectBar);
    slider->minVal_ = minVal;
    slider->maxVal_ = maxVal;
    slider->barID = id;
    slider->delegate_ = dynamic_cast<SliderDelegate*>(parent);
    slider->_Knob = new MyKnob(slider, knobImage);
    slider->placeKnob(0);
    slider->show();
    return slider;
}

MySlider* MySlider::NewSlider2(QWidget* parent, const QString& barImage, const QString& knobImage, int minVal,
                               int maxVal, const QRectF& rectBar, int id, bool vertical) {
    return NewSlider(parent, loadSkinImage(barImage), loadSkinImage(knobImage), minVal, maxVal, rectBar, id,
                     vertical);
}

// ---- geometry ---------------------------------------------------------------

float MySlider::length() const { return float(bVertical ? height() : width()); }

float MySlider::knobLength() const {
    const QSize knob = ImageProcess::pointSize(_Knob->image());
    return float(bVertical ? knob.height() : knob.width());
}

float MySlider::alongOf(QPointF pointer) const {
    const QPointF place = flipRect(QRectF(pointer, QSizeF(0, 0)), height()).topLeft();
    return float(bVertical ? place.y() : place.x());
}

void MySlider::placeKnob(float place) {
    fKnobPos = place;
    const QSizeF size(ImageProcess::pointSize(_Knob->image()));
    const QRectF frame = bVertical ? QRectF(QPointF(fKnobAcross, place), size) : QRectF(QPointF(place, fKnobAcross), size);
    setFrame(_Knob, frame);
}

// ---- value ------------------------------------------------------------------

int MySlider::getPos() const {
    return getPosForX(fKnobPos, length(), knobLength(), minVal_, maxVal_);
}

void MySlider::setPos(int pos) {
    if (pos < minVal_ || pos > maxVal_) return;
    placeKnob(getXForPos(pos, length(), knobLength(), minVal_, maxVal_));
}

void MySlider::setItemdata(const int32_t* data, int num, bool reindex) {
    if (num > kMaxItemData) {
        SysLog("initItemdata too many data");
        return;
    }
    if (num <= 0 || !data) {
        itemNum_ = 0;
        return;
    }
    for (int i = 0; i < num; ++i) itemData[size_t(i)] = reindex ? data[num - 1 - i] : data[i];
    itemNum_ = num;
}

int MySlider::getItemdata(int pos) const {
    if (itemNum_ == 0 || pos < minVal_ || pos > maxVal_) return -1;
    const int64_t index = int64_t(pos) - minVal_;
    // A mapping shorter than the range has nothing for the upper positions.
    return index < itemNum_ ? itemData[size_t(index)] : -1;
}

int MySlider::getCurrentItemdata() const { return getItemdata(getPos()); }

void MySlider::setPosToItemdata(int value) {
    for (int i = 0; i < itemNum_; ++i) {
        if (itemData[size_t(i)] != value) continue;
        setPos(int(int64_t(minVal_) + i));
        return;
    }
}

int MySlider::reportedValue(int pos) const {
    return itemNum_ > 0 ? getItemdata(pos) : pos;
}

void MySlider::setBarY(int y) {
    if (barY_ == y) return;
    barY_ = y;
    update();
}

void MySlider::setSliderY(int offset) {
    fKnobAcross = float(offset);
    placeKnob(fKnobPos);
}

// ---- dragging and clicking --------------------------------------------------

void MySlider::knobDragging(QPointF pointer, bool firstEvent) {
    const float along = alongOf(pointer);
    // The grab offset is taken once per drag: a knob held at its very edge
    // (offset 0) must still follow the pointer.
    if (firstEvent) fDragX = along - fKnobPos;
    placeKnob(std::clamp(along - fDragX, 0.0f, std::max(0.0f, travel())));
    if (delegate_) delegate_->onSliderMoving(reportedValue(getPos()), this);
}

void MySlider::knobDragged() {
    fDragX = 0;
    const int pos = getPos();
    setPos(pos);
    if (delegate_) delegate_->onSliderChanged(reportedValue(pos), this);
}

void MySlider::mousePressEvent(QMouseEvent* event) {
    barPressed_ = event->button() == Qt::LeftButton;
}

void MySlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !barPressed_) return;
    barPressed_ = false;
    const float half = knobLength() / 2;
    float x = alongOf(event->position()) - half;
    // Clicks near the start select the lowest value; near the end, the highest.
    if (half >= x)
        x = 0;
    else if (x > travel())
        x = travel();
    const int pos = getPosForX(x, length(), knobLength(), minVal_, maxVal_);
    setPos(pos);
    if (delegate_) delegate_->onSliderChanged(reportedValue(pos), this);
}

// ---- drawing ----------------------------------------------------------------

void MySlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!imgBar.isNull()) {
        const qreal w = width(), h = height();
        const QSize bar = ImageProcess::pointSize(imgBar);
        const qreal bw = bar.width(), bh = bar.height();
        QRectF target, source;
        if (bVertical) {
            const qreal x = barY_ > 0 ? barY_ : (w - bw) / 2;
            target = QRectF(x, 0, bw, h);
            source = QRectF(0, 0, bw, std::min(bh, h));
        } else {
            const qreal y = barY_ > 0 ? barY_ : (h - bh) / 2;
            target = QRectF(0, y, w, bh);
            source = QRectF(0, 0, std::min(bw, w), bh);
        }
        // Both rectangles count from the bottom-left; the image's rows from its top.
        painter.drawImage(flipRect(target, h), imgBar, ImageProcess::pixelRect(imgBar, flipRect(source, bh)));
    }
    if (isDebug) {
        drawOutline(painter, QRectF(rect()), Qt::red);
    }
}

}  // namespace keyloom
