// The knob side of the main window without a window, against the simulated
// keyboard: what the knob row and the keyboard's notifications decide, and
// what reaches the keyboard once a set is chosen.
#include <gtest/gtest.h>

#include "control/knob.h"
#include "control_ground.h"
#include "link_support.h"

namespace keyloom {
namespace {

class Knob : public test::SimLinkTest {
protected:
    void SetUp() override {
        SimLinkTest::SetUp();
        ASSERT_TRUE(connect());
        knob = KnobController(link.get());
        gVar.ShowKnod = 1;
        data.profile->nKnodSet = 3;
        data.profile->ptPop = _POINT{200, 300};
    }
    test::ControlData data;
    KnobController knob{nullptr};
};

TEST_F(Knob, TheKnobRowOpensThePopUpAtTheProfilesSetAndClosesIt) {
    const KnobDecision open = knob.knobRowClicked(false);
    EXPECT_EQ(open.step, KnobStep::OpenPopUp);
    EXPECT_EQ(open.set, 3);
    EXPECT_EQ(open.at.y, 300u);
    EXPECT_EQ(knob.knobRowClicked(true).step, KnobStep::ClosePopUp);
    gVar.ShowKnod = 0;  // the knob row is an ordinary key then
    EXPECT_EQ(knob.knobRowClicked(false).step, KnobStep::Nothing);
}

TEST_F(Knob, TheKeyboardsNotificationsMoveThePopUpAndSwitchTheLayer) {
    EXPECT_EQ(knob.keyboardNotice(1, 4, false).step, KnobStep::OpenPopUp);
    EXPECT_EQ(knob.keyboardNotice(2, 4, true).step, KnobStep::ClosePopUp);
    EXPECT_EQ(knob.keyboardNotice(6, 5, true).set, 5);
    EXPECT_EQ(knob.keyboardNotice(6, 5, false).step, KnobStep::Nothing);  // no pop-up to move
    const KnobDecision layer = knob.keyboardNotice(4, 6, false);
    EXPECT_EQ(layer.step, KnobStep::ShowLayer);
    EXPECT_TRUE(layer.profileChanged);
    EXPECT_EQ(data.profile->nLayer, 2);
    EXPECT_EQ(knob.keyboardNotice(3, 6, false).step, KnobStep::Nothing);  // not a layer value
    EXPECT_EQ(data.profile->nLayer, 2);
    gVar.ShowKnod = 0;  // the layer still switches; the knob opens nothing
    EXPECT_EQ(knob.keyboardNotice(1, 4, false).step, KnobStep::Nothing);
    EXPECT_EQ(knob.keyboardNotice(1, 6, false).step, KnobStep::ShowLayer);
}

TEST_F(Knob, TheSetChosenIsKeptAndReachesTheKeyboard) {
    knob.popUpOpened();
    EXPECT_TRUE(sim->firmware().driverOnline);
    knob.keepPopUp(6, 40.7, -12);
    EXPECT_EQ(data.profile->nKnodSet, 6);
    EXPECT_EQ(data.profile->ptPop.x, 40u);
    EXPECT_EQ(data.profile->ptPop.y, 0u);  // never past the screen's edge
    knob.setChosen(KnobChooser::Window);
    EXPECT_FALSE(sim->firmware().driverOnline);
    EXPECT_EQ(test::ControlData::waitingApply(), APPLY_LIGHTING);
    knob.popUpOpened();
    knob.setChosen(KnobChooser::Keyboard);  // the keyboard knows it chose
    EXPECT_TRUE(sim->firmware().driverOnline);
}

}  // namespace
}  // namespace keyloom
