// The colour panel with the shipped pictures: its layout, the wheel's circle,
// a knob drag that tells the target only when it ends, the presets and the
// typed values.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <memory>

#include "ui/ColorPanel.h"
#include "widgets/Frame.h"
#include "widgets/TextField.h"
#include "widgets/colour_ground.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

QString channelsText(const std::array<int, 3>& c) {
    return QString("%1,%2,%3").arg(c[0]).arg(c[1]).arg(c[2]);
}

class ColorPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::useShippedConfigInEnglish();
        owner = std::make_unique<QWidget>();
        owner->resize(500, 200);
        owner->setAutoFillBackground(true);
        QPalette dark = owner->palette();
        dark.setColor(QPalette::Window, QColor(32, 34, 38));  // the lighting page behind the panel
        owner->setPalette(dark);
        panel = new ColorPanel(owner.get());
        setFrame(panel, QRectF(20, 20, ColorPanel::WIDTH, ColorPanel::HEIGHT));
        target = test::countedCell(owner.get(), QRect(10, 5, 20, 20), counter);
        panel->targetView = target;
        owner->show();
    }

    QString fields() const {
        return panel->txtR->text() + "," + panel->txtG->text() + "," + panel->txtB->text();
    }
    QString bars() const {
        return channelsText({panel->barR->getPos(), panel->barG->getPos(), panel->barB->getPos()});
    }
    // The middle of a bottom-left frame of the panel, top-down.
    QPoint middleOf(const QRectF& frame) const { return flipRect(frame, panel->height()).center().toPoint(); }
    QColor swatch() const { return test::pixelAt(panel, middleOf(panel->rcBigGrid)); }

    std::unique_ptr<QWidget> owner;
    ColorPanel* panel = nullptr;
    ColorGridView* target = nullptr;
    test::ChangeCounter counter;
};

TEST_F(ColorPanelTest, ControlsSitAtTheirFramesInsideThePanelAndHaveNames) {
    EXPECT_EQ(panel->size(), QSize(460, 155));
    EXPECT_EQ(frameOf(panel->wheelView), QRectF(20, 30, 96, 96));
    ASSERT_TRUE(panel->barR && panel->barG && panel->barB);
    EXPECT_EQ(frameOf(panel->barR), QRectF(155, 90, 270, 13));
    EXPECT_EQ(frameOf(panel->barG), QRectF(155, 68, 270, 13));
    EXPECT_EQ(frameOf(panel->barB), QRectF(155, 46, 270, 13));
    EXPECT_EQ(panel->barR->barID, 110);
    EXPECT_EQ(panel->barG->barID, 111);
    EXPECT_EQ(panel->barB->barID, 112);
    EXPECT_EQ(panel->barB->maxVal(), 255);
    // The fields start a point right of their bars and end at the panel's edge.
    EXPECT_EQ(frameOf(panel->txtR), QRectF(426, 86, 34, 21));
    EXPECT_EQ(frameOf(panel->txtB), QRectF(426, 42, 34, 21));
    EXPECT_EQ(panel->rcBigGrid, QRectF(139, 116, 27, 27));
    EXPECT_EQ(panel->rcGrid[0], QRectF(139, 14, 17, 17));
    EXPECT_EQ(panel->rcGrid[7], QRectF(307, 14, 17, 17));

    for (QWidget* control : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        EXPECT_TRUE(panel->rect().contains(control->geometry())) << control->accessibleName().toStdString();
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    }
    EXPECT_EQ(panel->txtG->accessibleName(), "Green");
    EXPECT_EQ(panel->color(), QColor(Qt::white));
    EXPECT_EQ(fields(), "255,255,255");
}

TEST_F(ColorPanelTest, WheelTakesTheColourUnderThePointerOnlyInsideItsCircle) {
    ColorWheelView* wheel = panel->wheelView;
    const QPoint right(80, 48);  // right of the centre: a red hue
    const QColor shown = test::pixelAt(wheel, right);
    test::clickAt(wheel, right);
    EXPECT_EQ(panel->color(), shown);
    EXPECT_EQ(shown.red(), 255);
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(target->bkgColor(), shown);
    EXPECT_EQ(fields(), channelsText(channelsOf(shown)));
    EXPECT_EQ(bars(), fields());
    EXPECT_EQ(swatch(), shown);

    // The picture's corner and the coloured rim past the circle take no click.
    test::clickAt(wheel, QPoint(3, 3));
    test::clickAt(wheel, QPoint(48, 0));
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(panel->color(), shown);
}

TEST_F(ColorPanelTest, KnobDragChangesTheSwatchAsItMovesButTellsTheTargetWhenItEnds) {
    panel->setColor(QColor(0, 0, 0), true);
    EXPECT_EQ(bars(), "0,0,0");
    MyKnob* knob = panel->barR->knob();
    test::pressAt(knob, QPoint(2, 4));
    test::moveTo(knob, QPoint(3, 4), Qt::LeftButton);
    test::moveTo(knob, QPoint(53, 4), Qt::LeftButton);
    const int first = panel->barR->getPos();
    EXPECT_GT(first, 40);
    EXPECT_EQ(panel->txtR->text(), QString::number(first));
    EXPECT_EQ(channelsOf(panel->color())[0], first);
    EXPECT_EQ(swatch(), QColor(first, 0, 0));

    test::moveTo(knob, QPoint(53, 4), Qt::LeftButton);  // 50 points further
    const int second = panel->barR->getPos();
    EXPECT_GT(second, first + 40);
    EXPECT_EQ(panel->txtR->text(), QString::number(second));
    EXPECT_EQ(swatch(), QColor(second, 0, 0));
    EXPECT_EQ(counter.changes, 0);  // still moving
    test::saveScreenshot(owner.get(), "color_panel_dragging_red");

    test::releaseAt(knob, QPoint(3, 4));
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(target->getBkgColor(), uint32_t(second));
    EXPECT_EQ(fields(), QString("%1,0,0").arg(second));
}

TEST_F(ColorPanelTest, PresetClickSetsEverySliderAndFieldAndTellsTheTarget) {
    const QPoint orange = middleOf(panel->rcGrid[1]);
    EXPECT_EQ(test::pixelAt(panel, orange), QColor(255, 128, 0));
    test::clickAt(panel, orange);
    EXPECT_EQ(bars(), "255,128,0");
    EXPECT_EQ(fields(), "255,128,0");
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(target->getBkgColor(), 0x0080FFu);
    EXPECT_EQ(swatch(), QColor(255, 128, 0));

    test::clickAt(panel, middleOf(panel->rcGrid[6]));
    EXPECT_EQ(fields(), "255,0,255");
    EXPECT_EQ(counter.changes, 2);

    // Between the presets, and on the swatch, nothing happens.
    test::clickAt(panel, middleOf(panel->rcGrid[6]) + QPoint(12, 0));
    test::clickAt(panel, middleOf(panel->rcBigGrid));
    EXPECT_EQ(counter.changes, 2);
    EXPECT_EQ(fields(), "255,0,255");

    // Without a target the panel keeps the colour to itself.
    panel->targetView = nullptr;
    test::clickAt(panel, middleOf(panel->rcGrid[5]));
    EXPECT_EQ(fields(), "0,255,255");
    EXPECT_EQ(counter.changes, 2);
    test::saveScreenshot(owner.get(), "color_panel_cyan_preset");
}

TEST_F(ColorPanelTest, TypedValuesAreHeldTo0To255AndReachTheTargetWhenFinished) {
    panel->setColor(QColor(10, 20, 30), true);
    panel->txtR->clear();
    QTest::keyClicks(panel->txtR, "300");
    EXPECT_EQ(counter.changes, 0);  // not finished yet
    QTest::keyClick(panel->txtR, Qt::Key_Return);
    EXPECT_EQ(fields(), "255,20,30");
    EXPECT_EQ(bars(), "255,20,30");
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(target->getBkgColor(), 0x1E14FFu);

    panel->txtG->clear();
    QTest::keyClicks(panel->txtG, "ab");
    QTest::keyClick(panel->txtG, Qt::Key_Return);
    EXPECT_EQ(fields(), "255,0,30");
    EXPECT_EQ(swatch(), QColor(255, 0, 30));

    // An invalid colour changes nothing.
    panel->setColor(QColor(), true);
    EXPECT_EQ(fields(), "255,0,30");
}

}  // namespace
}  // namespace keyloom
