// The knob pop-up: its areas, what a press and a double click select and
// report, the function lines taken from the current profile, and dragging.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <cstring>

#include "model/stprofile.h"
#include "ui/KnobText.h"
#include "widgets/Frame.h"
#include "widgets/Platform.h"
#include "widgets/PopWindow.h"
#include "widgets/own_skins.h"
#include "widgets/widget_test_support.h"

namespace keyloom {
namespace {

struct KnobLog : PopViewDelegate {
    void onKnodDClicked(int setIndex) override { reported.push_back(setIndex); }
    std::vector<int> reported;
};

// A pop-up that removes itself at the end of the test.
struct OpenPopUp {
    OpenPopUp(QPointF at, int index)
        : window(PopWindow::newPopWindow(nullptr, QRectF(at, QSizeF(185, 185)), index, knobFunctionText)) {}
    ~OpenPopUp() { delete window; }
    PopView* view() const { return window->popview(); }
    PopWindow* window;
};

// The centre of an area, in the view's top-left coordinates.
QPoint centreOnScreen(const PopView* view, const QRectF& area) {
    return flipRect(area, view->height()).center().toPoint();
}

void sendWithGlobal(QWidget* widget, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(local), QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

TEST(PopView, AreasAreTheEightSetsAndTwoFunctionLines) {
    test::useShippedConfig();
    OpenPopUp pop(QPointF(20, 100), 0);
    const std::array<QRectF, 8> sets{QRectF(43, 133, 47, 48), QRectF(94, 140, 46, 45), QRectF(133, 95, 50, 43),
                                     QRectF(134, 51, 43, 40), QRectF(94, 9, 48, 44),   QRectF(46, 2, 43, 51),
                                     QRectF(1, 46, 47, 45),   QRectF(1, 95, 50, 44)};
    EXPECT_EQ(pop.view()->setAreas(), sets);
    EXPECT_EQ(pop.view()->functionAreas()[0], QRectF(52, 98, 81, 19));
    EXPECT_EQ(pop.view()->functionAreas()[1], QRectF(52, 71, 81, 19));

    for (int i = 0; i < 8; ++i) EXPECT_EQ(pop.view()->setAt(sets[size_t(i)].center()), i) << "set " << i + 1;
    EXPECT_EQ(pop.view()->setAt(QPointF(92, 92)), -1);  // the middle
    EXPECT_EQ(pop.view()->setAt(QPointF(43, 133)), 0);  // left and bottom edges belong to the area
    EXPECT_EQ(pop.view()->setAt(QPointF(90, 160)), -1); // the right edge does not
}

TEST(PopView, PressSelectsASetAndADoubleClickReportsIt) {
    test::useShippedConfig();
    OpenPopUp pop(QPointF(20, 100), 0);
    PopView* view = pop.view();
    KnobLog log;
    view->delegate = &log;

    test::clickAt(view, centreOnScreen(view, view->setAreas()[4]));
    EXPECT_EQ(view->setIndex, 4);
    EXPECT_TRUE(log.reported.empty());

    test::doubleClickAt(view, centreOnScreen(view, view->setAreas()[2]));
    EXPECT_EQ(view->setIndex, 2);
    EXPECT_EQ(log.reported, std::vector<int>{2});

    test::doubleClickAt(view, QPoint(92, 92));  // between the sets: nothing chosen or reported
    EXPECT_EQ(view->setIndex, 2);
    EXPECT_EQ(log.reported.size(), 1u);
    EXPECT_FALSE(view->isDragging());
}

TEST(PopView, FunctionLinesShowTheSelectedSetsKnobFunctions) {
    test::OwnSkins skins;
    QImage round(185, 185, QImage::Format_ARGB32);
    round.fill(Qt::transparent);
    QPainter painter(&round);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(32, 36, 44));
    painter.drawEllipse(QRectF(1, 1, 183, 183));
    painter.end();
    skins.add("scroll_normal.png", round);
    for (int i = 1; i <= 8; ++i) {
        QImage mark(185, 185, QImage::Format_ARGB32);
        mark.fill(Qt::transparent);
        skins.add(QString("button%1.png").arg(i), mark);
    }
    QImage third(185, 185, QImage::Format_ARGB32);
    third.fill(Qt::transparent);
    QPainter thirdPainter(&third);
    thirdPainter.fillRect(QRectF(133, 47, 50, 43), QColor(0, 200, 180));
    thirdPainter.end();
    skins.add("button3.png", third);

    init_profile_list();
    {
        OpenPopUp pop(QPointF(20, 100), 2);
        EXPECT_FALSE(pop.view()->functionText(0).has_value());  // no current profile: no text

        auto profile = std::make_unique<_ST_PROFILE>();
        std::memset(profile.get(), 0, sizeof(_ST_PROFILE));
        _KEYINFO& up = profile->stKnod[0][2];
        up.dwFunID = FUN_KEY << 24;
        up.stCombo = ST_COMBO{MOD_LCTRL, 0, 0xFF, 0};
        set_current_profile(add_new_profile_to_list(profile.get()));

        EXPECT_EQ(pop.view()->functionText(0), QString("Ctrl + A"));
        EXPECT_EQ(pop.view()->functionText(1), QString("null"));  // nothing assigned
        EXPECT_EQ(pop.view()->functionText(2), std::nullopt);
        EXPECT_EQ(test::pixelAt(pop.view(), QPoint(158, 60)), QColor(0, 200, 180));  // set 3 marked
        EXPECT_EQ(test::pixelAt(pop.view(), QPoint(0, 0)).alpha(), 0);              // outside the disc
        test::saveScreenshot(pop.view(), "knob_popup_set3");

        // A stored set number out of range selects nothing and shows no text.
        pop.view()->setIndex = 8;
        EXPECT_FALSE(pop.view()->functionText(0).has_value());
        pop.view()->grab();
    }
    set_current_profile(nullptr);
    clear_profile_list();
}

TEST(PopView, DraggingMovesTheWindowAndRecordsItsScreenPosition) {
    if (!programPlacesWindows()) GTEST_SKIP() << "the desktop places windows itself";
    test::useShippedConfig();
    OpenPopUp pop(QPointF(20, 100), 0);
    PopView* view = pop.view();
    const int screenH = QGuiApplication::primaryScreen()->geometry().height();
    EXPECT_EQ(pop.window->geometry(), QRect(20, screenH - 100 - 185, 185, 185));
    EXPECT_EQ(view->ptLocation, QPointF(20, 100));
    EXPECT_TRUE(pop.window->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(pop.window->windowFlags() & Qt::FramelessWindowHint);

    // Grabbed 30 points in and 50 down from the top; the pointer goes 40 right and 70 up.
    const QPoint grab(30, 50);
    const QPoint start = pop.window->geometry().topLeft() + grab;
    sendWithGlobal(view, QEvent::MouseButtonPress, grab, start, Qt::LeftButton);
    EXPECT_TRUE(view->isDragging());
    sendWithGlobal(view, QEvent::MouseMove, grab, start + QPoint(40, -70), Qt::LeftButton);
    EXPECT_EQ(view->ptLocation, QPointF(60, 170));
    EXPECT_EQ(pop.window->geometry(), QRect(60, screenH - 170 - 185, 185, 185));
    EXPECT_EQ(frameFromScreenRect(pop.window->geometry()).topLeft(), QPointF(60, 170));

    sendWithGlobal(view, QEvent::MouseButtonRelease, grab, start + QPoint(40, -70), Qt::NoButton);
    EXPECT_FALSE(view->isDragging());
    sendWithGlobal(view, QEvent::MouseMove, grab, start, Qt::NoButton);  // no drag: stays
    EXPECT_EQ(view->ptLocation, QPointF(60, 170));
}

}  // namespace
}  // namespace keyloom
