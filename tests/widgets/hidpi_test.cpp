// The window on a screen with two device pixels to a point (ctest runs this
// family with QT_SCALE_FACTOR=2; at ratio 1 it skips itself): the same size
// and places in points as at one pixel a point, the "@2x" pictures drawn one
// to one, keys hit where their rectangles are, colours picked as at 1x, and
// the pop-ups where they belong.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include "ui/ColorPickView.h"
#include "ui/KbColorView.h"
#include "ui/PickFuncView.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/mainview_ground.h"

namespace keyloom {
namespace {

// A picture of the build tree as the program draws it at one pixel a point.
QImage onePointPicture(const QString& path) { return ImageProcess::loadImage(path); }

class HiDpi : public test::MainViewGround {
protected:
    void SetUp() override {
        if (qGuiApp->devicePixelRatio() <= 1.0) GTEST_SKIP() << "runs at a device pixel ratio above 1";
        MainViewGround::SetUp();
    }

    // The window with a pop-up window drawn where it lies over it, as the user sees them.
    void saveWithPopUp(QWidget* popUp, const QString& name) {
        QPixmap shot = view->grab();
        QPainter painter(&shot);
        painter.drawPixmap(popUp->mapToGlobal(QPoint(0, 0)) - view->mapToGlobal(QPoint(0, 0)), popUp->grab());
        painter.end();
        QLabel composite;
        composite.setPixmap(shot);
        composite.resize(shot.deviceIndependentSize().toSize());
        test::saveScreenshot(&composite, name);
    }
};

TEST_F(HiDpi, TheWindowHasItsOnePointSizeAndDrawsItsTwicePicturesOneToOne) {
    build();
    const QImage window = onePointPicture(skinPath("main_nr.png"));
    EXPECT_EQ(view->size(), window.size());
    EXPECT_EQ(probe->imgNr().devicePixelRatio(), 2.0);
    EXPECT_EQ(probe->imgNr().size(), window.size() * 2);

    // The key map: the key picture's size in points, its twin loaded.
    const QImage keys = onePointPicture(getKeyImgPath(gVar.Model));
    EXPECT_EQ(probe->kbView()->size(), keys.size());
    EXPECT_EQ(probe->kbView()->keyPicture().devicePixelRatio(), 2.0);
    // Controls sized from their pictures keep their sizes in points.
    EXPECT_EQ(probe->btnExit()->size(), onePointPicture(skinPath("exit_nr.png")).size());
    EXPECT_EQ(probe->btnKeyPro()->size(), onePointPicture(skinPath("combo_nr.png")).size());

    // Every device pixel of the mark in the header is the twice picture's own.
    const QImage shot = view->grab().toImage();
    EXPECT_EQ(shot.devicePixelRatio(), 2.0);
    const QImage twice = ImageProcess::loadImage(scaledPictureName(skinPath("main_nr.png"), 2));
    const QRect mark(40, 20, 48, 48);  // device pixels
    int differ = 0;
    for (int y = mark.top(); y <= mark.bottom(); ++y)
        for (int x = mark.left(); x <= mark.right(); ++x) differ += shot.pixel(x, y) != twice.pixel(x, y);
    EXPECT_EQ(differ, 0);
    test::saveScreenshot(view.get(), "hidpi_main_window");
}

TEST_F(HiDpi, AClickOnAKeySelectsThatKey) {
    build();
    KbColorView* map = probe->kbView();
    int clicked = 0;
    for (int key = 0; key < gVar.nKeyCount; ++key) {
        const QRectF rect = flipRect(map->keyRect(key), map->height());
        if (rect.isEmpty() || key == gVar.SrIndex) continue;
        test::clickAt(map, rect.center().toPoint());
        ASSERT_TRUE(probe->funPickView()->isVisible()) << "key " << key;
        EXPECT_EQ(probe->funPickView()->nKeyIndex, uint32_t(key));
        probe->funPickView()->hide();
        probe->hideView()->hide();
        ++clicked;
    }
    EXPECT_GT(clicked, 60);
    // A key's rectangle lies on its cap: the face is lighter than the board left of it.
    const QRectF esc = flipRect(map->keyRect(0), map->height());
    const auto lightness = [](QColor c) { return c.red() + c.green() + c.blue(); };
    EXPECT_GT(lightness(test::pixelAt(map, (esc.topLeft() + QPointF(5, 4)).toPoint())),
              lightness(test::pixelAt(map, QPoint(int(esc.left()) - 1, int(esc.center().y())))) + 30);
}

TEST_F(HiDpi, TheColourChartGivesTheColoursOfItsOnePointPicture) {
    build();
    ColorPickView* dialog = probe->colorPickView();
    showColorPick(probe->hideView(), dialog, nullptr, false);
    ASSERT_TRUE(dialog->isVisible());
    const QImage chart = onePointPicture(skinPath("colorplane.png"));
    for (int row = 0; row < ColorPickView::kRows; ++row)
        for (int column = 0; column < ColorPickView::kColumns; ++column) {
            const QPoint at = ColorPickView::chartCell(row, column).center();
            test::clickAt(dialog, at);
            EXPECT_EQ(dialog->color(), chart.pixelColor(at)) << row << "," << column;
        }
    // In the strip the colour taken is the one shown under the pointer.
    const QPoint inStrip = ColorPickView::kStrip.center() + QPoint(17, -9);
    test::clickAt(dialog, inStrip);
    EXPECT_EQ(dialog->color(), test::pixelAt(dialog, inStrip));
    test::saveScreenshot(view.get(), "hidpi_colour_pick");
}

TEST_F(HiDpi, PopUpsOpenWhereTheyBelong) {
    build();
    test::clickAt(probe->btnKeyPro(), probe->btnKeyPro()->rect().center());
    MenuWindow* menu = probe->setMenu();
    ASSERT_NE(menu, nullptr);
    // The key table menu hangs from its chooser, its entries 20 points high.
    const QPoint chooserBottomLeft = probe->btnKeyPro()->mapToGlobal(QPoint(0, probe->btnKeyPro()->height()));
    EXPECT_EQ(menu->x(), chooserBottomLeft.x());
    EXPECT_EQ(menu->geometry().bottom() + 1, chooserBottomLeft.y() + 100);
    saveWithPopUp(menu, "hidpi_set_menu");
    menu->closeMenu();

    // The knob pop-up opens at the place the profile keeps for it.
    gVar.ShowKnod = 1;
    profile->ptPop = _POINT{200, 300};
    const QRectF knob = flipRect(probe->kbView()->keyRect(gVar.SrIndex), probe->kbView()->height());
    ASSERT_FALSE(knob.isEmpty());
    test::clickAt(probe->kbView(), knob.center().toPoint());
    ASSERT_TRUE(probe->popWindow());
    EXPECT_EQ(frameFromScreenRect(probe->popWindow()->geometry()).topLeft(), QPointF(200, 300));
    test::saveScreenshot(probe->popWindow(), "hidpi_knob_popup");
}

}  // namespace
}  // namespace keyloom
