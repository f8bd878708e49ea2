// The slider: creation refusals, the place and position arithmetic, knob
// drags, bar clicks, value mappings and drawing.
#include <gtest/gtest.h>

#include <QPainter>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "base/debug.h"
#include "widgets/Frame.h"
#include "widgets/MySlider.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

QImage solid(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

struct Report {
    bool changed;
    int value;
    int barID;
};

// A panel that owns sliders and records what they report.
class SliderPanel : public QWidget, public SliderDelegate {
public:
    SliderPanel() { resize(220, 160); }
    void onSliderMoving(int value, MySlider* sender) override { reports.push_back({false, value, sender->barID}); }
    void onSliderChanged(int value, MySlider* sender) override { reports.push_back({true, value, sender->barID}); }
    std::vector<Report> reports;

    Report last() const { return reports.empty() ? Report{false, -999, -1} : reports.back(); }
};

// 140 x 20 at (10, 10), knob 10 x 10, range 0..4: one step is 32.5 points.
MySlider* standardSlider(QWidget* parent, int minVal = 0, int maxVal = 4) {
    return MySlider::NewSlider(parent, solid(200, 6, Qt::red), solid(10, 10, Qt::blue), minVal, maxVal,
                               QRectF(10, 10, 140, 20), 7, false);
}

std::vector<std::string>& sysLines() {
    static std::vector<std::string> lines;
    return lines;
}

void recordSys(const char* fmt, ...) {
    char buffer[256];
    va_list args;
    va_start(args, fmt);
    vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);
    sysLines().push_back(buffer);
}

TEST(MySlider, PositionFromPlaceTakesTheNearerStepAndTiesGoLow) {
    EXPECT_EQ(MySlider::getPosForX(0, 140, 10, 0, 4), 0);
    EXPECT_EQ(MySlider::getPosForX(48, 140, 10, 0, 4), 1);
    EXPECT_EQ(MySlider::getPosForX(48.75f, 140, 10, 0, 4), 1);  // the midpoint of 32.5 and 65
    EXPECT_EQ(MySlider::getPosForX(49, 140, 10, 0, 4), 2);
    EXPECT_EQ(MySlider::getPosForX(130, 140, 10, 0, 4), 4);
    EXPECT_EQ(MySlider::getPosForX(48, 140, 10, 10, 14), 11);  // counted from minVal
    EXPECT_FLOAT_EQ(MySlider::getXForPos(1, 140, 10, 0, 4), 32.5f);
    EXPECT_FLOAT_EQ(MySlider::getXForPos(4, 140, 10, 0, 4), 130);
    // A range of a single value stays at the start instead of dividing by zero.
    EXPECT_EQ(MySlider::getPosForX(50, 140, 10, 3, 3), 3);
    EXPECT_FLOAT_EQ(MySlider::getXForPos(3, 140, 10, 3, 3), 0);

    // Every value set is the value read back, odd knobs and tight bars included.
    struct Bar { float w, k; int lo, hi; };
    for (const Bar bar : {Bar{140, 10, 0, 4}, Bar{270, 11, 0, 255}, Bar{267, 11, 0, 255}, Bar{150, 9, -20, 100}}) {
        for (int pos = bar.lo; pos <= bar.hi; ++pos) {
            const float x = MySlider::getXForPos(pos, bar.w, bar.k, bar.lo, bar.hi);
            ASSERT_EQ(MySlider::getPosForX(x, bar.w, bar.k, bar.lo, bar.hi), pos) << bar.w << " " << bar.k;
            ASSERT_LE(x, bar.w - bar.k);  // the knob never leaves the bar
        }
    }
}

TEST(MySlider, FactoryRefusesWhatCannotWorkAndWiresTheRest) {
    QWidget plain;
    plain.resize(200, 100);
    const QImage bar = solid(200, 6, Qt::red), knob = solid(10, 10, Qt::blue);
    EXPECT_EQ(MySlider::NewSlider(&plain, QImage(), knob, 0, 4, QRectF(10, 10, 140, 20), 1, false), nullptr);
    EXPECT_EQ(MySlider::NewSlider(&plain, bar, QImage(), 0, 4, QRectF(10, 10, 140, 20), 1, false), nullptr);
    // 201 values do not fit 130 places; 130 values just do.
    EXPECT_EQ(MySlider::NewSlider(&plain, bar, knob, 0, 200, QRectF(10, 10, 140, 20), 1, false), nullptr);
    EXPECT_NE(MySlider::NewSlider(&plain, bar, knob, 0, 129, QRectF(10, 10, 140, 20), 1, false), nullptr);
    EXPECT_EQ(MySlider::NewSlider(&plain, bar, knob, 0, 130, QRectF(10, 10, 140, 20), 1, false), nullptr);
    // A knob taller than the slider.
    EXPECT_EQ(MySlider::NewSlider(&plain, bar, solid(10, 21, Qt::blue), 0, 4, QRectF(10, 10, 140, 20), 1, false),
              nullptr);
    EXPECT_EQ(MySlider::NewSlider2(&plain, "no_such_bar.png", "no_such_knob.png", 0, 4, QRectF(10, 10, 140, 20), 1,
                                   false),
              nullptr);
    // Only the one that fits was made and added.
    ASSERT_EQ(plain.children().size(), 1);
    auto* made = dynamic_cast<MySlider*>(plain.children().first());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->delegate(), nullptr);  // the parent does not take reports
    EXPECT_EQ(made->geometry(), QRect(10, 70, 140, 20));

    SliderPanel panel;
    MySlider* slider = standardSlider(&panel);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->parentWidget(), &panel);
    EXPECT_EQ(slider->delegate(), &panel);
    EXPECT_EQ(slider->barID, 7);
    EXPECT_FALSE(slider->isDebug);
    EXPECT_EQ(frameOf(slider->knob()), QRectF(0, 0, 10, 10));
    EXPECT_EQ(slider->getPos(), 0);
}

TEST(MySlider, DraggingTheKnobReportsWhileMovingAndSnapsOnRelease) {
    SliderPanel panel;
    MySlider* slider = standardSlider(&panel);
    slider->setSliderY(5);  // centred across the bar; nothing changes along it
    MyKnob* knob = slider->knob();
    // Knob-local points; the knob sits at slider x 0 until it moves.
    test::pressAt(knob, QPoint(2, 5));
    test::moveTo(knob, QPoint(3, 5), Qt::LeftButton);  // the grab offset is taken here: 3
    EXPECT_FLOAT_EQ(slider->dragOffset(), 3);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 0);
    test::moveTo(knob, QPoint(51, 5), Qt::LeftButton);  // pointer at 51: knob at 48
    EXPECT_FLOAT_EQ(slider->knobPlace(), 48);
    EXPECT_EQ(panel.last().value, 1);
    EXPECT_FALSE(panel.last().changed);
    test::moveTo(knob, QPoint(4, 5), Qt::LeftButton);  // knob now at 48: pointer 52, knob 49
    EXPECT_FLOAT_EQ(slider->knobPlace(), 49);
    EXPECT_EQ(panel.last().value, 2);
    test::releaseAt(knob, QPoint(4, 5));
    EXPECT_TRUE(panel.last().changed);
    EXPECT_EQ(panel.last().value, 2);
    EXPECT_EQ(panel.last().barID, 7);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 65);  // the exact place of 2
    EXPECT_FLOAT_EQ(slider->dragOffset(), 0);
    test::saveScreenshot(&panel, "slider_dragged_to_2");

    // Dragged past either end, the knob stops at the bar's ends.
    panel.reports.clear();
    test::pressAt(knob, QPoint(5, 5));
    test::moveTo(knob, QPoint(6, 5), Qt::LeftButton);
    test::moveTo(knob, QPoint(400, 5), Qt::LeftButton);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 130);
    EXPECT_EQ(panel.last().value, 4);
    test::moveTo(knob, QPoint(-400, 5), Qt::LeftButton);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 0);
    EXPECT_EQ(panel.last().value, 0);
    test::releaseAt(knob, QPoint(-400, 5));
    EXPECT_EQ(panel.reports.size(), 4u);

    // Held at its very left edge the knob still follows the pointer.
    test::pressAt(knob, QPoint(0, 5));
    test::moveTo(knob, QPoint(0, 5), Qt::LeftButton);
    test::moveTo(knob, QPoint(20, 5), Qt::LeftButton);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 20);
    test::releaseAt(knob, QPoint(20, 5));
    EXPECT_EQ(slider->getPos(), 1);

    // A click on the knob without a drag changes and reports nothing.
    panel.reports.clear();
    test::clickAt(knob, QPoint(5, 5));
    EXPECT_TRUE(panel.reports.empty());
    EXPECT_EQ(slider->getPos(), 1);
}

TEST(MySlider, ClickingTheBarMovesTheKnobAndReports) {
    SliderPanel panel;
    MySlider* slider = standardSlider(&panel);
    slider->setPos(4);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 130);
    EXPECT_TRUE(panel.reports.empty());  // setPos reports nothing

    test::clickAt(slider, QPoint(3, 10));  // within the first knob width
    EXPECT_EQ(slider->getPos(), 0);
    ASSERT_EQ(panel.reports.size(), 1u);
    EXPECT_TRUE(panel.last().changed);
    EXPECT_EQ(panel.last().value, 0);

    test::clickAt(slider, QPoint(75, 10));  // knob edge 70: nearest step 2 (65)
    EXPECT_EQ(panel.last().value, 2);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 65);
    test::clickAt(slider, QPoint(139, 10));
    EXPECT_EQ(panel.last().value, 4);
    EXPECT_EQ(panel.reports.size(), 3u);

    // Out-of-range values are ignored.
    slider->setPos(5);
    slider->setPos(-1);
    EXPECT_EQ(slider->getPos(), 4);

    // The knob's offset across the slider keeps its size and its place along it.
    slider->setSliderY(5);
    EXPECT_EQ(frameOf(slider->knob()), QRectF(130, 5, 10, 10));
}

TEST(MySlider, MappingsReplaceReportedPositions) {
    SliderPanel panel;
    MySlider* slider = standardSlider(&panel, 0, 2);
    const int32_t values[] = {10, 20, 30};
    slider->setItemdata(values, 3, true);
    EXPECT_EQ(slider->getItemdata(0), 30);  // reversed: the lowest position gives the last value
    EXPECT_EQ(slider->getItemdata(2), 10);
    EXPECT_EQ(slider->getItemdata(3), -1);
    EXPECT_EQ(slider->getItemdata(-1), -1);
    EXPECT_EQ(slider->getCurrentItemdata(), 30);

    slider->setPosToItemdata(10);
    EXPECT_EQ(slider->getPos(), 2);
    slider->setPosToItemdata(99);  // not mapped: stays
    EXPECT_EQ(slider->getPos(), 2);

    test::clickAt(slider, QPoint(3, 10));
    EXPECT_EQ(panel.last().value, 30);

    slider->setItemdata(values, 3, false);
    EXPECT_EQ(slider->getItemdata(0), 10);
    // A mapping shorter than the range has nothing for the upper positions.
    slider->setItemdata(values, 2, false);
    EXPECT_EQ(slider->getItemdata(2), -1);

    sysLines().clear();
    SetSysLogSink(&recordSys);
    std::vector<int32_t> many(301, 5);
    slider->setItemdata(many.data(), 301, false);
    SetSysLogSink(nullptr);
    EXPECT_EQ(sysLines(), std::vector<std::string>{"initItemdata too many data"});
    EXPECT_EQ(slider->itemNum(), 2);  // unchanged
    EXPECT_EQ(slider->getItemdata(1), 20);

    std::vector<int32_t> full(300, 5);
    slider->setItemdata(full.data(), 300, false);
    EXPECT_EQ(slider->itemNum(), 300);
    slider->setItemdata(nullptr, 0, false);
    EXPECT_EQ(slider->itemNum(), 0);
    EXPECT_EQ(slider->getItemdata(1), -1);
    EXPECT_EQ(slider->getCurrentItemdata(), -1);
}

TEST(MySlider, DrawsTheBarAcrossTheSliderCentredOrAtBarY) {
    SliderPanel panel;
    panel.setAutoFillBackground(true);
    panel.setPalette(QPalette(Qt::white));
    // A bar picture narrower than the slider is stretched over its width.
    MySlider* slider = MySlider::NewSlider(&panel, solid(100, 6, Qt::red), solid(10, 10, Qt::blue), 0, 4,
                                           QRectF(10, 10, 140, 20), 1, false);
    ASSERT_NE(slider, nullptr);
    // Centred: bottom-left y 7, so top-left rows 7..12.
    EXPECT_EQ(test::pixelAt(slider, QPoint(139, 7)), QColor(Qt::red));
    EXPECT_EQ(test::pixelAt(slider, QPoint(139, 12)), QColor(Qt::red));
    EXPECT_NE(test::pixelAt(slider, QPoint(139, 13)), QColor(Qt::red));
    EXPECT_EQ(test::pixelAt(slider, QPoint(5, 15)), QColor(Qt::blue));  // the knob at (0, 0)
    test::saveScreenshot(&panel, "slider");

    slider->setBarY(2);
    EXPECT_EQ(slider->barY(), 2);
    EXPECT_EQ(test::pixelAt(slider, QPoint(100, 17)), QColor(Qt::red));
    EXPECT_NE(test::pixelAt(slider, QPoint(100, 11)), QColor(Qt::red));

    slider->isDebug = true;
    EXPECT_EQ(test::pixelAt(slider, QPoint(70, 0)), QColor(Qt::red));
}

TEST(MySlider, VerticalSlidersRunUpwardsAlongY) {
    SliderPanel panel;
    const QImage bar = solid(6, 200, Qt::red), knob = solid(12, 10, Qt::blue);
    // The knob's height is its length: 0..4 needs 5 of the 130 places.
    EXPECT_EQ(MySlider::NewSlider(&panel, bar, knob, 0, 200, QRectF(10, 5, 20, 140), 2, true), nullptr);
    EXPECT_EQ(MySlider::NewSlider(&panel, bar, solid(21, 10, Qt::blue), 0, 4, QRectF(10, 5, 20, 140), 2, true),
              nullptr);
    MySlider* slider = MySlider::NewSlider(&panel, bar, knob, 0, 4, QRectF(10, 5, 20, 140), 2, true);
    ASSERT_NE(slider, nullptr);
    EXPECT_TRUE(slider->isVertical());
    EXPECT_EQ(frameOf(slider->knob()), QRectF(0, 0, 12, 10));

    slider->setPos(1);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 32.5f);
    slider->setSliderY(4);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 32.5f);
    EXPECT_EQ(frameOf(slider->knob()).x(), 4);
    EXPECT_EQ(frameOf(slider->knob()).size(), QSizeF(12, 10));

    // Dragging upwards: top-left y falls as the place rises.
    MyKnob* grip = slider->knob();
    test::pressAt(grip, QPoint(6, 5));
    test::moveTo(grip, QPoint(6, 4), Qt::LeftButton);
    test::moveTo(grip, QPoint(6, -12), Qt::LeftButton);  // 16 points up: place 48.5
    EXPECT_FLOAT_EQ(slider->knobPlace(), 48.5f);
    EXPECT_EQ(panel.last().value, 1);
    test::releaseAt(grip, QPoint(6, -12));
    EXPECT_TRUE(panel.last().changed);
    EXPECT_EQ(panel.last().barID, 2);

    // Clicks near the bottom select the lowest value, near the top the highest.
    test::clickAt(slider, QPoint(10, 137));
    EXPECT_EQ(panel.last().value, 0);
    EXPECT_FLOAT_EQ(slider->knobPlace(), 0);
    test::clickAt(slider, QPoint(10, 1));
    EXPECT_EQ(panel.last().value, 4);
    EXPECT_EQ(frameOf(slider->knob()), QRectF(4, 130, 12, 10));

    // The bar is centred across the slider: x 7..12.
    EXPECT_EQ(test::pixelAt(slider, QPoint(7, 60)), QColor(Qt::red));
    EXPECT_NE(test::pixelAt(slider, QPoint(13, 60)), QColor(Qt::red));
    test::saveScreenshot(&panel, "slider_vertical");
}

}  // namespace
}  // namespace keyloom
