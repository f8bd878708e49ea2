// The colour panel of the lighting page: a colour wheel, red, green and blue
// sliders with their value fields, eight preset colours and a swatch of the
// current colour. The colour cell it edits (the target) hears of a new colour
// when a drag ends, a field's edit is finished, or the wheel or a preset is
// clicked; never while a knob is still moving.
#pragma once
#include <QColor>
#include <QImage>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <array>

#include "widgets/MySlider.h"

namespace keyloom {

class ColorGridView;
class ColorPanel;
class MyTextFieldCell;

// A colour channel typed as text: a leading decimal number held to 0..255;
// text that does not start with a number counts as 0.
int channelFromText(const QString& text);
// The colour of three 8-bit channels (each held to 0..255).
QColor colorFromChannels(int red, int green, int blue);
// A colour's 8-bit channels, each the whole part of component x 255.
std::array<int, 3> channelsOf(const QColor& color);

// The colour disc: takes presses inside its circle only and hands the colour
// under the pointer to its panel.
class ColorWheelView : public QWidget {
public:
    static constexpr int SIZE = 96;

    ColorWheelView(ColorPanel* panel, const QImage& wheel);

    // Whether a point (top-left coordinates) lies in the circle (1, 1) 94 x 94.
    static bool insideCircle(QPointF point);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    ColorPanel* panel_;
    QImage imgWheel;
};

class ColorPanel : public QWidget, public SliderDelegate {
public:
    static constexpr int WIDTH = 460, HEIGHT = 155;
    static constexpr int kPresets = 8;
    static constexpr int kRedBarId = 110, kGreenBarId = 111, kBlueBarId = 112;

    explicit ColorPanel(QWidget* parent);

    // The current colour; with updateBar the sliders and fields follow it.
    // An invalid colour changes nothing.
    void setColor(const QColor& color, bool updateBar);
    QColor color() const { return clrBigGrid; }
    // A colour picked on the wheel: current colour, and the target hears of it.
    void onGraClicked(const QColor& color);
    // Accessible names in the current language.
    void onRefreshText();

    void onSliderMoving(int value, MySlider* sender) override;
    void onSliderChanged(int value, MySlider* sender) override;

    QImage imgRing;
    ColorWheelView* wheelView = nullptr;
    MySlider* barR = nullptr;
    MySlider* barG = nullptr;
    MySlider* barB = nullptr;
    MyTextFieldCell* txtR = nullptr;
    MyTextFieldCell* txtG = nullptr;
    MyTextFieldCell* txtB = nullptr;
    QColor clrBigGrid = Qt::white;
    QRectF rcBigGrid;  // the swatch, bottom-left origin
    std::array<QRectF, kPresets> rcGrid;  // the presets, bottom-left origin
    std::array<QColor, kPresets> clrGrid;
    QPointer<ColorGridView> targetView;  // none: changes stay in the panel

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void LoadSkins();
    MySlider* makeBar(int y, int id);
    MyTextFieldCell* makeField(const MySlider* bar);
    // Current colour from the slider positions; the moved slider's field shows its value.
    void takeSliders(int value, MySlider* sender);
    // Current colour from the three fields, which are rewritten as read.
    void takeFields();
    void tellTarget();
    MyTextFieldCell* fieldOf(const MySlider* bar) const;
    void drawPatch(QPainter& painter, const QRectF& frame, const QColor& color) const;
};

}  // namespace keyloom
