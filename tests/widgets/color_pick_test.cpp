// The colour pick dialog with the shipped pictures over a plain owner: its
// layout, picking from the chart and the strip, typed values, OK and close,
// and reading a screen pixel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "ui/ColorPanel.h"
#include "ui/ColorPickView.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/PngButton.h"
#include "widgets/TextField.h"
#include "widgets/colour_ground.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

class ColorPickTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::useShippedConfigInEnglish();
        owner = std::make_unique<QWidget>();
        owner->resize(801, 501);
        overlay = new HideView(owner.get());
        overlay->setBeep([] {});
        overlay->hide();
        target = test::countedCell(owner.get(), QRect(20, 20, 20, 20), counter);
        target->setBkgColor(QColor(10, 20, 30), false);
        dialog = new ColorPickView(owner.get());
        owner->show();
        QApplication::setActiveWindow(owner.get());  // typed values are finished by moving the focus
        showColorPick(overlay, dialog, target, true);
    }

    QString fields() const {
        return dialog->txtR->text() + "," + dialog->txtG->text() + "," + dialog->txtB->text();
    }
    QColor swatch() const { return test::pixelAt(dialog, ColorPickView::kSwatch.center()); }
    static void click(PngButton* button) { test::clickAt(button, QPoint(button->width() / 2, button->height() / 2)); }
    // A value typed into a field, finished by Tab (Return would be OK).
    static void type(QLineEdit* field, const char* text) {
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Tab);
    }

    std::unique_ptr<QWidget> owner;
    HideView* overlay = nullptr;
    ColorGridView* target = nullptr;
    ColorPickView* dialog = nullptr;
    test::ChangeCounter counter;
};

TEST_F(ColorPickTest, OpensOverTheOverlayFromTheTargetsColourWithNothingCoveringAnything) {
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(owner->childAt(400, 250), dialog);
    EXPECT_EQ(dialog->size(), QSize(385, 265));
    EXPECT_EQ(fields(), "10,20,30");
    EXPECT_EQ(swatch(), QColor(10, 20, 30));
    EXPECT_EQ(dialog->btnExit->geometry(), QRect(361, 0, 24, 24));
    EXPECT_EQ(dialog->btnOk->geometry(), QRect(286, 219, 76, 26));
    EXPECT_EQ(dialog->txtR->geometry(), QRect(300, 110, 55, 19));
    EXPECT_EQ(dialog->btnOk->caption(), "OK");
    EXPECT_EQ(dialog->btnExit->accessibleName(), "Close");

    // Controls lie inside the dialog, apart from each other, the swatch, the strip and the chart.
    QRect chart = ColorPickView::chartCell(0, 0).united(ColorPickView::chartCell(4, 7));
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        const QRect place = control->geometry();
        EXPECT_TRUE(dialog->rect().contains(place));
        EXPECT_FALSE(place.intersects(ColorPickView::kSwatch.adjusted(-2, -2, 2, 2))) << place.x() << "," << place.y();
        EXPECT_FALSE(place.intersects(ColorPickView::kStrip));
        EXPECT_FALSE(place.intersects(chart));
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
        for (QWidget* other : controls)
            if (other != control) {
                EXPECT_FALSE(place.intersects(other->geometry()));
            }
    }
}

TEST_F(ColorPickTest, ChartAndStripGiveThePixelUnderThePointerAndOtherClicksNothing) {
    const QPoint green = ColorPickView::chartCell(0, 3).center();  // top row
    const QPoint belowInStrip(green.x(), ColorPickView::HEIGHT - green.y());
    EXPECT_NE(test::pixelAt(dialog, belowInStrip), QColor(0, 255, 0));
    test::clickAt(dialog, green);
    EXPECT_EQ(dialog->color(), QColor(0, 255, 0));
    EXPECT_EQ(fields(), "0,255,0");
    EXPECT_EQ(swatch(), QColor(0, 255, 0));

    const QPoint inStrip(100, 200);
    const QColor shown = test::pixelAt(dialog, inStrip);
    test::clickAt(dialog, inStrip);
    EXPECT_EQ(dialog->color(), shown);
    EXPECT_EQ(fields(), QString("%1,%2,%3").arg(shown.red()).arg(shown.green()).arg(shown.blue()));

    // Between cells, on the frame and on the swatch: nothing.
    test::clickAt(dialog, QPoint(55, 30));
    test::clickAt(dialog, QPoint(5, 5));
    test::clickAt(dialog, ColorPickView::kSwatch.center());
    EXPECT_EQ(dialog->color(), shown);

    // A grey of the bottom row, then the picture as the user sees it.
    test::clickAt(dialog, ColorPickView::chartCell(4, 2).center());
    EXPECT_EQ(fields(), "182,182,182");
    test::clickAt(dialog, ColorPickView::chartCell(0, 1).center());
    EXPECT_EQ(counter.changes, 0);  // the target waits for OK
    test::saveScreenshot(owner.get(), "color_pick_orange_from_chart");
}

TEST_F(ColorPickTest, TypedValuesAreHeldTo0To255AndRewritten) {
    type(dialog->txtR, "300");
    EXPECT_EQ(fields(), "255,20,30");
    type(dialog->txtG, "green");
    EXPECT_EQ(fields(), "255,0,30");
    type(dialog->txtB, "-7");
    EXPECT_EQ(fields(), "255,0,0");
    EXPECT_EQ(dialog->color(), QColor(255, 0, 0));
    EXPECT_EQ(swatch(), QColor(255, 0, 0));
    EXPECT_EQ(counter.changes, 0);

    // A value typed and not yet finished still counts when OK is clicked.
    dialog->txtB->clear();
    QTest::keyClicks(dialog->txtB, "64");
    click(dialog->btnOk);
    EXPECT_EQ(target->getBkgColor(), 0x4000FFu);
}

TEST_F(ColorPickTest, OkGivesTheColourToTheTargetAndCloseLeavesIt) {
    test::clickAt(dialog, ColorPickView::chartCell(0, 5).center());  // blue
    click(dialog->btnExit);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(target->bkgColor(), QColor(10, 20, 30));
    EXPECT_EQ(counter.changes, 0);

    showColorPick(overlay, dialog, target, true);
    EXPECT_EQ(fields(), "10,20,30");
    test::clickAt(dialog, ColorPickView::chartCell(0, 5).center());
    click(dialog->btnOk);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(target->bkgColor(), QColor(0, 0, 255));
    EXPECT_EQ(counter.changes, 1);

    // Opened without starting from the target, it keeps its own colour; with
    // the target gone, OK only closes.
    target->setBkgColor(Qt::black, false);
    showColorPick(overlay, dialog, target, false);
    EXPECT_EQ(fields(), "0,0,255");
    delete target;
    click(dialog->btnOk);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(counter.changes, 1);
}

TEST(ColorAtScreen, GivesNoneWithoutAScreen) {
    EXPECT_FALSE(ColorAtScreenCoordinate(nullptr, 0, 0).has_value());
}

}  // namespace
}  // namespace keyloom
