#include "ui/ColorPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "config/language.h"
#include "ui/ColorGridView.h"
#include "ui/MsgView.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/ImageProcess.h"
#include "widgets/Outline.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"

namespace keyloom {

namespace {


// Layout, bottom-left origin.
constexpr QPointF kWheelAt(20, 30);
constexpr qreal kBarX = 155, kBarWidth = 270, kBarHeight = 13, kBarGap = 22;
constexpr qreal kRedBarY = ColorPanel::HEIGHT - 65;
constexpr qreal kBlueBarY = ColorPanel::HEIGHT - 109;
// The fields run from one point right of the bars to the panel's right edge.
constexpr qreal kFieldX = kBarX + kBarWidth + 1;
constexpr qreal kFieldWidth = ColorPanel::WIDTH - kFieldX;
constexpr qreal kFieldHeight = 21;  // centred on its 13-point bar
constexpr qreal kLabelX = 139, kLabelWidth = 14;

// The wheel's clickable circle (1, 1) 94 x 94, top-left origin.
constexpr qreal kCircleCentre = 48, kCircleRadius = 47;

const QColor kPatchFrame(200, 200, 200);

}  // namespace

int channelFromText(const QString& text) {
    return std::clamp(leadingInteger(text), 0, 255);
}

QColor colorFromChannels(int red, int green, int blue) {
    auto unit = [](int channel) { return std::clamp(channel, 0, 255) / 255.0f; };
    return QColor::fromRgbF(unit(red), unit(green), unit(blue));
}

std::array<int, 3> channelsOf(const QColor& color) {
    const uint32_t bgr = bgrFromColor(color);
    return {int(bgr & 0xFF), int(bgr >> 8 & 0xFF), int(bgr >> 16 & 0xFF)};
}

// ---- wheel ------------------------------------------------------------------

ColorWheelView::ColorWheelView(ColorPanel* panel, const QImage& wheel)
    : QWidget(panel), panel_(panel), imgWheel(wheel) {
    resize(wheel.isNull() ? QSize(SIZE, SIZE) : ImageProcess::pointSize(wheel));
}

bool ColorWheelView::insideCircle(QPointF point) {
    return std::hypot(point.x() - kCircleCentre, point.y() - kCircleCentre) <= kCircleRadius;
}

void ColorWheelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!imgWheel.isNull()) painter.drawImage(QPointF(0, 0), imgWheel);
}

void ColorWheelView::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (event->button() != Qt::LeftButton || !insideCircle(at)) return;
    const auto colour = ImageProcess::colorAtPoint(imgWheel, at);
    // The disc's edge pixels may be transparent: no colour shown, none picked.
    if (colour && colour->alpha() == 255) panel_->onGraClicked(*colour);
}

// ---- panel ------------------------------------------------------------------

ColorPanel::ColorPanel(QWidget* parent) : QWidget(parent) {
    resize(WIDTH, HEIGHT);
    clrGrid = {QColor(255, 0, 0),   QColor(255, 128, 0), QColor(255, 255, 0), QColor(0, 255, 0),
               QColor(0, 0, 255),   QColor(0, 255, 255), QColor(255, 0, 255), QColor(255, 255, 255)};
    LoadSkins();
    onRefreshText();
    setColor(clrBigGrid, true);
}

void ColorPanel::LoadSkins() {
    imgRing = loadSkinImage(QStringLiteral("ColorRing.png"));
    wheelView = new ColorWheelView(this, loadSkinImage(QStringLiteral("Colorwheel.png")));
    setFrame(wheelView, QRectF(kWheelAt, QSizeF(wheelView->size())));

    barR = makeBar(kRedBarY, kRedBarId);
    barG = makeBar(kRedBarY - kBarGap, kGreenBarId);
    barB = makeBar(kRedBarY - 2 * kBarGap, kBlueBarId);
    txtR = makeField(barR);
    txtG = makeField(barG);
    txtB = makeField(barB);

    const qreal b = kBlueBarY;
    rcBigGrid = QRectF(139, b + 70, 27, 27);
    for (int n = 0; n < kPresets; ++n) rcGrid[size_t(n)] = QRectF(139 + 24 * n, b - 32, 17, 17);
}

MySlider* ColorPanel::makeBar(int y, int id) {
    MySlider* bar = MySlider::NewSlider2(this, QStringLiteral("rgb_bar.png"), QStringLiteral("rgbslider.png"), 0,
                                         255, QRectF(kBarX, y, kBarWidth, kBarHeight), id, false);
    if (!bar) return nullptr;
    bar->setBarY(1);
    bar->setSliderY(5);
    return bar;
}

MyTextFieldCell* ColorPanel::makeField(const MySlider* bar) {
    const qreal barY = bar ? frameOf(bar).y() : 0;
    MyTextFieldCell* field = newEdit(this, uiSkin(), {}, QRectF(kFieldX, barY - 4, kFieldWidth, kFieldHeight));
    field->setMaxLength(3);
    field->setAlignment(Qt::AlignCenter);
    QObject::connect(field, &QLineEdit::editingFinished, this, [this] { takeFields(); });
    return field;
}

void ColorPanel::onRefreshText() {
    MySlider* bars[] = {barR, barG, barB};
    MyTextFieldCell* fields[] = {txtR, txtG, txtB};
    const char* keys[] = {"tc_clr_red", "tc_clr_green", "tc_clr_blue"};
    for (size_t i = 0; i < 3; ++i) {
        const QString name = uiText(keys[i]);
        if (bars[i]) {
            bars[i]->setAccessibleName(name);
            bars[i]->knob()->setAccessibleName(name);
        }
        fields[i]->setAccessibleName(name);
    }
    wheelView->setAccessibleName(uiText("tc_adv_str4"));
}

void ColorPanel::setColor(const QColor& color, bool updateBar) {
    if (!color.isValid()) return;
    clrBigGrid = color;
    if (updateBar) {
        const auto channels = channelsOf(color);
        MySlider* bars[] = {barR, barG, barB};
        MyTextFieldCell* fields[] = {txtR, txtG, txtB};
        for (size_t i = 0; i < 3; ++i) {
            if (bars[i]) bars[i]->setPos(channels[i]);
            fields[i]->setText(QString::number(channels[i]));
        }
    }
    update(flipRectToPixels(rcBigGrid, height()));
}

void ColorPanel::tellTarget() {
    if (targetView) targetView->setBkgColor(clrBigGrid, true);
}

void ColorPanel::onGraClicked(const QColor& color) {
    if (!color.isValid()) return;
    setColor(color, true);
    tellTarget();
}

MyTextFieldCell* ColorPanel::fieldOf(const MySlider* bar) const {
    if (bar == barR) return txtR;
    if (bar == barG) return txtG;
    if (bar == barB) return txtB;
    return nullptr;
}

void ColorPanel::takeSliders(int value, MySlider* sender) {
    if (MyTextFieldCell* field = fieldOf(sender)) field->setText(QString::number(value));
    auto position = [](const MySlider* bar) { return bar ? std::min(bar->getPos(), 255) : 0; };
    setColor(colorFromChannels(position(barR), position(barG), position(barB)), false);
}

void ColorPanel::onSliderMoving(int value, MySlider* sender) {
    takeSliders(value, sender);
}

void ColorPanel::onSliderChanged(int value, MySlider* sender) {
    takeSliders(value, sender);
    tellTarget();
}

void ColorPanel::takeFields() {
    const QColor typed =
        colorFromChannels(channelFromText(txtR->text()), channelFromText(txtG->text()), channelFromText(txtB->text()));
    setColor(typed, true);
    tellTarget();
}

void ColorPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF at = event->position();
    for (int n = 0; n < kPresets; ++n) {
        if (!flipRect(rcGrid[size_t(n)], height()).contains(at)) continue;
        setColor(clrGrid[size_t(n)], true);
        tellTarget();
        return;
    }
}

void ColorPanel::drawPatch(QPainter& painter, const QRectF& frame, const QColor& color) const {
    const QRectF box = flipRect(frame, height());
    painter.fillRect(box, color);
    // A hairline, so white and dark colours keep their edge on any page.
    drawOutline(painter, box, kPatchFrame);
}

void ColorPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!imgRing.isNull()) painter.drawImage(QRectF(rect()), imgRing);
    for (int n = 0; n < kPresets; ++n) drawPatch(painter, rcGrid[size_t(n)], clrGrid[size_t(n)]);
    drawPatch(painter, rcBigGrid, clrBigGrid);

    // Channel symbols, the same in every language.
    const TextStyle style = panelTextStyle(TextAlign::Centre);
    const MySlider* bars[] = {barR, barG, barB};
    const char* symbols[] = {"R", "G", "B"};
    for (size_t i = 0; i < 3; ++i) {
        if (!bars[i]) continue;
        const QRectF bar = frameOf(bars[i]);
        myDrawText(painter, QString::fromLatin1(symbols[i]), style,
                   QRectF(kLabelX, bar.y() - 2, kLabelWidth, bar.height() + 4), height());
    }
}

}  // namespace keyloom
