// What the main window asks the keyboard to write, without a window: the
// refusal without a keyboard, the flags of each request and the steps the
// progress panel announces.
#include <gtest/gtest.h>

#include "control/apply_requests.h"
#include "control_ground.h"

namespace keyloom {
namespace {

class ApplyRequests : public ::testing::Test {
protected:
    void SetUp() override {
        gVar.GoWithNoDev = 0;
        gVar.ApplyNow = 1;
        gVar.GaoshouIndex = 7;
    }
    // The progress panel's step at a progress number, as "key 1/2".
    std::string step(int progress) const {
        const std::optional<ApplyStepLine> line = applies.stepAt(progress);
        if (!line) return "done";
        return std::string(line->what) + " " + std::to_string(line->number) + "/" + std::to_string(line->count);
    }
    test::ControlData data;
    ApplyController applies;
};

TEST_F(ApplyRequests, WithoutAKeyboardNothingIsWrittenUnlessTheProgramGoesOnWithoutOne) {
    EXPECT_EQ(applies.refusal(), MakeReason("tc_kb_plug_in"));
    EXPECT_EQ(applies.keyEdited(false), MakeReason("tc_kb_plug_in"));
    EXPECT_EQ(test::ControlData::waitingApply(), 0);
    gVar.GoWithNoDev = 1;
    EXPECT_TRUE(applies.refusal().empty());
    gVar.GoWithNoDev = 0;
    applies.setKeyboardPresent(true);
    EXPECT_TRUE(applies.refusal().empty());
}

TEST_F(ApplyRequests, TheProgressPanelAnnouncesTheStepsTheApplyWrites) {
    applies.requestWithProgress(ApplyController::kEverything, true);
    EXPECT_EQ(test::ControlData::waitingApply(), 0x8007);
    EXPECT_EQ(step(0), "tc_step_lighting 1/2");
    EXPECT_EQ(step(40), "tc_step_key_table 2/2");
    EXPECT_EQ(step(100), "done");

    data.profile->stAdv.nMode = 7;  // per-key lighting: the colours are a step of their own
    applies.requestWithProgress(ApplyController::kEverything, false);
    EXPECT_EQ(step(40), "tc_step_key_colours 2/2");
    EXPECT_EQ(step(60), "done");
    applies.requestWithProgress(ApplyController::kReset, true);
    EXPECT_EQ(test::ControlData::waitingApply(), 0x8107);  // merged into the one still waiting
    EXPECT_EQ(step(40), "tc_step_key_table 2/2");          // a reset writes no key colours
}

TEST_F(ApplyRequests, AKeyEditedOnTheMapIsWrittenAtOnceOnlyWithApplyNow) {
    applies.setKeyboardPresent(true);
    gVar.ApplyNow = 0;
    EXPECT_TRUE(applies.keyEdited(false).empty());
    EXPECT_EQ(test::ControlData::waitingApply(), 0);
    gVar.ApplyNow = 1;
    EXPECT_TRUE(applies.keyEdited(true).empty());
    EXPECT_EQ(test::ControlData::waitingApply(), 0x8004);
}

}  // namespace
}  // namespace keyloom
