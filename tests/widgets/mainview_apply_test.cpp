// The main window and the keyboard: Apply and OK write everything through
// the worker with the progress view up, Restore asks and then resets and
// writes, nothing is tried without a keyboard, and a key's new function or
// colour is written at once only with ApplyNow.
#include "widgets/mainview_ground.h"

#include <algorithm>

#include "widgets/assignment_ground.h"

#include "ui/KbColorView.h"
#include "ui/LedView.h"
#include "ui/PickFuncView.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/MySlider.h"
#include "widgets/ProgressView.h"

namespace keyloom {
namespace {

using MainViewApply = test::MainViewGround;

TEST_F(MainViewApply, ApplyWritesEverythingWithTheProgressViewUp) {
    plugKeyboard();
    build();
    sim->holdTransfers();  // the progress view stays up while the keyboard holds the first report
    startWorker();
    click(probe->btnApply());
    EXPECT_TRUE(probe->progressView()->isVisible());
    EXPECT_TRUE(probe->hideView()->isVisible());
    ASSERT_TRUE(sim->waitForHeldTransfer(5000));
    test::saveScreenshot(view.get(), "mainview_progress");
    sim->releaseTransfers();

    ASSERT_TRUE(test::runQtUntil([&] { return !applies.empty(); }));
    ASSERT_TRUE(test::runQtUntil([&] { return !probe->progressView()->isVisible(); }));
    EXPECT_EQ(applies[0].flags, 0x8007);
    EXPECT_TRUE(applies[0].ok);
    EXPECT_FALSE(probe->hideView()->isVisible());
    EXPECT_NE(trace.str().find("SET 09 02"), std::string::npos);  // the lighting
    EXPECT_NE(trace.str().find("SET 09 01"), std::string::npos);  // the key matrix
    // OK writes the same and leaves the window up.
    click(probe->btnOk());
    ASSERT_TRUE(test::runQtUntil([&] { return applies.size() == 2; }));
    EXPECT_EQ(applies[1].flags, 0x8007);
    EXPECT_EQ(hides, 0);
}

TEST_F(MainViewApply, WithoutAKeyboardApplyOkAndRestoreOnlySaySo) {
    build();  // no link at all
    const QString missing = QString::fromStdString(GetText("tc_kb_plug_in"));
    for (PngButton* button : {probe->btnApply(), probe->btnOk(), probe->btnRestroe()}) {
        click(button);
        ASSERT_TRUE(probe->msgView()->isVisible());
        EXPECT_EQ(probe->msgView()->strMsg, missing);
        EXPECT_FALSE(probe->progressView()->isVisible());
        if (button == probe->btnRestroe()) test::saveScreenshot(view.get(), "mainview_no_keyboard");
        answer(true);
    }
    EXPECT_FALSE(anyRequest());

    // With GoWithNoDev the window goes on as if one were there.
    gVar.GoWithNoDev = 1;
    click(probe->btnApply());
    EXPECT_TRUE(probe->progressView()->isVisible());
    EXPECT_TRUE(requested(0x8007));
}

TEST_F(MainViewApply, RestoreAsksThenResetsProfileAndTableAndWrites) {
    plugKeyboard();
    build();
    click(probe->btnPro(1));
    profile->stAdv.nMode = 3;
    click(probe->btnRestroe());
    EXPECT_EQ(probe->msgView()->strMsg, QString::fromStdString(FormatText("tc_msg5", {"Shooter", "M2"})));
    test::saveScreenshot(view.get(), "mainview_restore_question");
    answer(false);
    EXPECT_FALSE(anyRequest());
    EXPECT_EQ(profile->stAdv.nMode, 3);

    click(probe->btnRestroe());
    answer(true);
    EXPECT_TRUE(requested(0x8103));
    EXPECT_TRUE(probe->progressView()->isVisible());
    _ST_PROFILE fresh{};
    ResetProfile(&fresh);
    EXPECT_EQ(profile->stAdv.nMode, fresh.stAdv.nMode);
    const _ST_KEYPRO* table = get_keypro_by_id(modeSet[1]);
    EXPECT_TRUE(IS_DEFAULT_KEY(table->stKey[kChangedKey], g_defKEY[kChangedKey]));
    // The worker's report past 100 closes the progress view.
    view->updateProgress(60);
    EXPECT_EQ(probe->progressView()->progress(), 60);
    view->updateProgress(101);
    EXPECT_FALSE(probe->progressView()->isVisible());
    EXPECT_FALSE(probe->hideView()->isVisible());
}

TEST_F(MainViewApply, AKeyboardPulledDuringAnApplyIsReportedAndTheNextApplyWorks) {
    plugKeyboard();
    build();
    sim->holdTransfers();
    startWorker();
    click(probe->btnApply());
    ASSERT_TRUE(sim->waitForHeldTransfer(5000));
    ASSERT_TRUE(sim->unplug());
    sim->releaseTransfers();
    ASSERT_TRUE(test::runQtUntil([&] { return probe->msgView()->isVisible(); }));
    EXPECT_EQ(probe->msgView()->strMsg, "Update settings failed!");
    EXPECT_FALSE(probe->progressView()->isVisible());
    test::saveScreenshot(view.get(), "mainview_apply_failed");
    answer(true);

    ASSERT_TRUE(sim->plug());
    ASSERT_TRUE(test::runQtUntil([&] { return link->GetDeviceHandle() != nullptr; }));
    click(probe->btnApply());
    ASSERT_TRUE(test::runQtUntil([&] { return applies.size() == 2; }));
    EXPECT_FALSE(applies[0].ok);
    EXPECT_TRUE(applies[1].ok);
    EXPECT_FALSE(probe->msgView()->isVisible());
}

class MainViewKeyClick : public test::MainViewGround {
protected:
    // Clicks the key at row `key` on the key map.
    void clickKey(int key) {
        const QRectF at = flipRect(probe->kbView()->keyRect(key), probe->kbView()->height());
        click(probe->kbView(), at.center().toPoint());
    }
    using test::MainViewGround::click;
    static void click(QWidget* widget, QPoint at) { test::clickAt(widget, at); }
    // Picks the picker's swatch 1 or 2.
    void pickSwatch(int swatch) { click(probe->funPickView()->btnSwatch[swatch - 1]); }
    static constexpr int kKey = 10;
};

TEST_F(MainViewKeyClick, AKeyClickOpensThePickerAndItsFunctionIsWrittenOnlyWithApplyNow) {
    gVar.ApplyNow = 0;
    plugKeyboard();
    build();
    ASSERT_NE(kKey, gVar.SrIndex);
    clickKey(kKey);
    ASSERT_TRUE(probe->funPickView()->isVisible());
    EXPECT_EQ(probe->funPickView()->nKeyIndex, uint32_t(kKey));
    EXPECT_EQ(probe->funPickView()->nShowColor, 0u);
    test::saveScreenshot(view.get(), "mainview_picker");
    // A function for the key: Q on the key page.
    _KEYINFO* edited = probe->funPickView()->editedKey();
    ASSERT_NE(edited, nullptr);
    test::sendKey(probe->funPickView(), KEY_Q);
    test::sendKey(probe->funPickView(), KEY_Q, false);
    click(probe->funPickView()->btnOk);
    EXPECT_FALSE(probe->funPickView()->isVisible());
    const _ST_KEYPRO* table = get_keypro_by_id(modeSet[0]);
    EXPECT_FALSE(IS_DEFAULT_KEY(table->stKey[kKey], g_defKEY[kKey]));
    EXPECT_FALSE(anyRequest());

    gVar.ApplyNow = 1;
    clickKey(kKey + 1);
    test::sendKey(probe->funPickView(), KEY_W);
    test::sendKey(probe->funPickView(), KEY_W, false);
    click(probe->funPickView()->btnOk);
    EXPECT_TRUE(requested(0x8001));
}

TEST_F(MainViewKeyClick, InTheGameModeASwatchPaintsTheKey) {
    gVar.ApplyNow = 1;
    profile->stAdv.nMode = gVar.GaoshouIndex;
    profile->stAdv.nKeyColorGroup = 1;
    plugKeyboard();
    build();
    probe->ledView()->gridColor[0]->setBkgColor(QColor(0, 128, 255), false);
    clickKey(kKey);
    ASSERT_TRUE(probe->funPickView()->isVisible());
    EXPECT_EQ(probe->funPickView()->nShowColor, 1u);
    pickSwatch(1);
    EXPECT_FALSE(probe->funPickView()->isVisible());
    EXPECT_EQ(profile->stAdv.dwKeyColor[1][kKey], 0xFF8000u);
    EXPECT_EQ(probe->kbView()->getKeyColor(kKey), 0xFF8000u);
    EXPECT_TRUE(requested(0x8004));

    clickKey(kKey);
    pickSwatch(2);
    EXPECT_EQ(profile->stAdv.dwKeyColor[1][kKey], 0u);
    test::saveScreenshot(view.get(), "mainview_game_mode");
}

// A brightness change starts a quiet apply that the keyboard holds on the wire;
// a key's new function and a speed change made meanwhile follow in one more apply.
TEST_F(MainViewKeyClick, ChangesDuringARunningApplyFollowInOneMoreApply) {
    gVar.ApplyNow = 1;
    plugKeyboard();
    build();
    sim->holdTransfers();
    startWorker();
    auto dragKnob = [](MySlider* slider, int dx) {
        MyKnob* knob = slider->knob();
        const QPoint grab(knob->width() / 2, knob->height() / 2);
        test::pressAt(knob, grab);
        test::moveTo(knob, grab + QPoint(dx, 0), Qt::LeftButton);
        test::releaseAt(knob, grab + QPoint(dx, 0));
    };
    dragKnob(probe->ledView()->barLight, -60);
    ASSERT_TRUE(sim->waitForHeldTransfer(5000));

    clickKey(kKey);
    test::sendKey(probe->funPickView(), KEY_Q);
    test::sendKey(probe->funPickView(), KEY_Q, false);
    click(probe->funPickView()->btnOk);
    dragKnob(probe->ledView()->barSpeed, 40);
    const SimFirmware before = sim->firmware();
    sim->releaseTransfers();

    ASSERT_TRUE(test::runQtUntil([&] { return applies.size() == 2 && !probe->progressView()->isVisible(); }));
    QTest::qWait(100);  // nothing else follows
    ASSERT_EQ(applies.size(), 2u);
    EXPECT_EQ(applies[0].flags, APPLY_LIGHTING);
    EXPECT_EQ(applies[1].flags, 0x8001 | APPLY_LIGHTING);
    const SimFirmware after = sim->firmware();
    const _RGB_CFG& shown = profile->stAdv.stRgbCfg[profile->stAdv.nMode];
    EXPECT_EQ(after.lighting.brightness, shown.nLight);
    EXPECT_EQ(after.lighting.speed, 6 - shown.nSpeed);  // the later speed
    EXPECT_NE(after.lighting.speed, before.lighting.speed);
    const std::vector<uint8_t> commands = sim->commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), uint8_t(0x01)), 1);  // the key matrix, once
    EXPECT_NE(after.keyMatrix, before.keyMatrix);
}

}  // namespace
}  // namespace keyloom
