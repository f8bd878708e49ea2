// The progress panel: layout, the filled part of the bar, showing over the
// overlay and closing.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "base/paths.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/PngButton.h"
#include "widgets/ProgressView.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

// A skins folder of plain pictures for the time of one test.
class TempSkins {
public:
    TempSkins() : previous_(get_work_dir()) {
        QDir(dir_.path()).mkpath("skins");
        set_work_dir(dir_.path().toStdString());
    }
    ~TempSkins() { set_work_dir(previous_); }
    void add(const QString& name, QSize size, QColor colour) {
        QImage image(size, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(dir_.filePath("skins/" + name)));
    }

private:
    QTemporaryDir dir_;
    std::string previous_;
};

const QColor kEmpty(200, 200, 200);
const QColor kFilled(40, 160, 60);

TEST(ProgressView, FillsTheBarFromItsLeftEndByPercent) {
    TempSkins skins;
    skins.add("progress_nr.png", QSize(296, 202), kEmpty);
    skins.add("progress_ov.png", QSize(296, 202), kFilled);
    skins.add("exit_nr.png", QSize(16, 16), Qt::red);
    QWidget window;
    window.resize(600, 400);
    ProgressView panel(&window, uiSkin());
    panel.LoadSkins();
    EXPECT_EQ(panel.size(), QSize(296, 202));
    EXPECT_FALSE(panel.isVisibleTo(&window));
    EXPECT_EQ(panel.barRect(), QRectF(29, 87, 240, 17));
    EXPECT_EQ(frameOf(panel.exitButton()), QRectF(256, 175, 16, 16));
    EXPECT_EQ(panel.progress(), 0);
    EXPECT_EQ(panel.filledRect().width(), 0);

    panel.setProgress(50);
    EXPECT_EQ(panel.filledRect(), QRectF(29, 87, 120, 17));
    // Bottom-left (29, 87, 120, 17) covers top-left rows 98..114, columns 29..148.
    EXPECT_EQ(test::pixelAt(&panel, QPoint(29, 98)), kFilled);
    EXPECT_EQ(test::pixelAt(&panel, QPoint(148, 114)), kFilled);
    EXPECT_EQ(test::pixelAt(&panel, QPoint(149, 105)), kEmpty);
    EXPECT_EQ(test::pixelAt(&panel, QPoint(100, 97)), kEmpty);
    EXPECT_EQ(test::pixelAt(&panel, QPoint(28, 105)), kEmpty);
    test::saveScreenshot(&panel, "progress_50");

    panel.setProgress(101);
    panel.setProgress(-1);
    EXPECT_EQ(panel.progress(), 50);
    EXPECT_EQ(panel.filledRect().width(), 120);
    panel.setProgress(33);
    EXPECT_EQ(panel.filledRect().width(), 79);  // 240 * 33 / 100, cut to whole points
    panel.setProgress(100);
    EXPECT_EQ(test::pixelAt(&panel, QPoint(268, 105)), kFilled);
    EXPECT_EQ(test::pixelAt(&panel, QPoint(269, 105)), kEmpty);
}

TEST(ProgressView, ShowsOverTheOverlayAndClosesFromTheExitButton) {
    QWidget window;
    window.resize(600, 400);
    ProgressView panel(&window, uiSkin());  // made before the overlay, yet shown above it
    HideView overlay(&window);
    panel.LoadSkins();  // no pictures at all: still a working panel
    centreInParent(&panel);
    EXPECT_EQ(frameOf(&panel), QRectF(152, 99, 296, 202));
    panel.setProgress(40);  // nothing to fill from, nothing breaks
    test::saveScreenshot(&panel, "progress_without_pictures");

    showProgress(&window, &overlay, &panel);
    EXPECT_TRUE(overlay.isVisibleTo(&window));
    EXPECT_TRUE(panel.isVisibleTo(&window));
    EXPECT_EQ(panel.getViewHide(), &overlay);
    // The panel lies above the overlay.
    const QObjectList order = window.children();
    EXPECT_GT(order.indexOf(&panel), order.indexOf(&overlay));

    test::clickAt(panel.exitButton(), QPoint(0, 0));
    EXPECT_FALSE(overlay.isVisibleTo(&window));
    EXPECT_FALSE(panel.isVisibleTo(&window));
    EXPECT_EQ(panel.getViewHide(), nullptr);
    EXPECT_EQ(panel.progress(), 40);  // closing stops nothing

    // Closing without an overlay only hides the panel.
    showProgress(&window, nullptr, &panel);
    panel.setClose();
    EXPECT_FALSE(panel.isVisibleTo(&window));
}

}  // namespace
}  // namespace keyloom
