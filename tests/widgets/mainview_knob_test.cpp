// The main window's knob side with the simulated keyboard: the knob row
// opens and closes the pop-up and tells the keyboard, the keyboard's own knob
// and layer notifications, and the knob settings opened from the pop-up.
#include <gtest/gtest.h>

#include "ui/MainView.h"
#include "ui/PickFuncView.h"
#include "ui/SrView.h"
#include "widgets/Frame.h"
#include "widgets/mainview_ground.h"

namespace keyloom {
namespace {

class MainViewKnob : public test::MainViewGround {
protected:
    void SetUp() override {
        MainViewGround::SetUp();
        gVar.ShowKnod = 1;
        plugKeyboard();
        build();
        mainView = view.get();
        profile->nKnodSet = 3;
        profile->ptPop = _POINT{200, 300};
    }
    void clickKnobRow() {
        const QRectF knob = probe->kbView()->keyRect(gVar.SrIndex);
        ASSERT_FALSE(knob.isEmpty());
        const QPoint at(int(knob.center().x()), int(probe->kbView()->height() - knob.center().y()));
        test::clickAt(probe->kbView(), at);
    }
    // The "driver on line" reports on the wire, in order: 1 open, 0 closed.
    std::vector<int> onlineReports() const {
        std::vector<int> flags;
        std::istringstream lines(trace.str());
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("SET 09 0a", 0) == 0) flags.push_back(line.substr(9, 2) == "01" ? 1 : 0);
        return flags;
    }
};

TEST_F(MainViewKnob, TheKnobRowOpensAndClosesThePopUp) {
    clickKnobRow();
    ASSERT_TRUE(probe->popWindow());
    EXPECT_EQ(probe->popWindow()->popview()->setIndex, 3);
    EXPECT_EQ(frameFromScreenRect(probe->popWindow()->geometry()).topLeft(), QPointF(200, 300));
    EXPECT_EQ(onlineReports(), std::vector<int>{1});
    EXPECT_FALSE(anyRequest());
    test::saveScreenshot(probe->popWindow(), "mainview_knob_popup");

    probe->popWindow()->popview()->setIndex = 6;  // as a click on a set does
    clickKnobRow();
    EXPECT_FALSE(probe->popWindow());
    EXPECT_EQ(profile->nKnodSet, 6);
    EXPECT_EQ(onlineReports(), (std::vector<int>{1, 0}));
    EXPECT_TRUE(requested(APPLY_LIGHTING));

    // Without ShowKnod the knob row is an ordinary key that opens nothing.
    gVar.ShowKnod = 0;
    clickKnobRow();
    EXPECT_FALSE(probe->popWindow());
    EXPECT_FALSE(probe->funPickView()->isVisible());
}

TEST_F(MainViewKnob, TheKeyboardsNotificationsMoveThePopUpAndTheLayer) {
    ASSERT_TRUE(sim->knobOpened());
    ASSERT_TRUE(test::runQtUntil([&] { return probe->popWindow() != nullptr; }));
    ASSERT_TRUE(sim->knobMoved(5));
    ASSERT_TRUE(test::runQtUntil([&] { return probe->popWindow()->popview()->setIndex == 5; }));
    ASSERT_TRUE(sim->knobConfirmed());
    ASSERT_TRUE(test::runQtUntil([&] { return probe->popWindow() == nullptr; }));
    EXPECT_EQ(profile->nKnodSet, 5);
    EXPECT_TRUE(requested(APPLY_LIGHTING));

    ASSERT_TRUE(sim->sendLayer(3));  // value 4: M3
    ASSERT_TRUE(test::runQtUntil([&] { return profile->nLayer == 2; }));
    EXPECT_TRUE(probe->btnPro(2)->getCheck());
    EXPECT_FALSE(probe->btnPro(0)->getCheck());
    view->onPoP(3, 6, 0);  // not a layer value: nothing
    EXPECT_EQ(profile->nLayer, 2);
}

TEST_F(MainViewKnob, ADoubleClickOnASetOpensItsKnobSettings) {
    clickKnobRow();
    ASSERT_TRUE(probe->popWindow());
    PopView* pop = probe->popWindow()->popview();
    const QRectF set = pop->setAreas()[2];
    test::doubleClickAt(pop, QPoint(int(set.center().x()), int(pop->height() - set.center().y())));
    EXPECT_TRUE(probe->srView()->isVisible());
    EXPECT_EQ(probe->srView()->setIndex, 2);
    test::saveScreenshot(view.get(), "mainview_knob_settings");
    // A second set while the settings are open loads that set instead.
    probe->onKnodDClicked(4);
    EXPECT_EQ(probe->srView()->setIndex, 4);
    test::clickAt(probe->srView()->btnOk, probe->srView()->btnOk->rect().center());
    EXPECT_FALSE(probe->srView()->isVisible());
    EXPECT_EQ(profile->stKnod[0][4].dwFunID, 0x02000000u);
}

}  // namespace
}  // namespace keyloom
