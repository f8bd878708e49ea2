// The main window and the keyboard: Apply and OK write everything through
// the worker with the progress view up, Restore asks and then resets and
// writes, nothing is tried without a keyboard, and a key's new function or
// colour is written at once only with ApplyNow.
#include "widgets/mainview_ground.h"

#include "widgets/assignment_ground.h"

#include "ui/KbColorView.h"
#include "ui/LedView.h"
#include "ui/PickFuncView.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ProgressView.h"

namespace keyloom {
namespace {

using MainViewApply = test::MainViewGround;

TEST_F(MainViewApply, ApplyWritesEverythingWithTheProgressViewUp) {
    plugKeyboard();
    build();
    sim->holdTransfers();  // the progress view stays up while the keyboard holds the first report
    startWorker();
    click(view->btnApply);
    EXPECT_TRUE(view->progressView->isVisible());
    EXPECT_TRUE(view->hideView->isVisible());
    ASSERT_TRUE(sim->waitForHeldTransfer(5000));
    test::saveScreenshot(view.get(), "mainview_progress");
    sim->releaseTransfers();

    ASSERT_TRUE(test::runQtUntil([&] { return !applies.empty(); }));
    ASSERT_TRUE(test::runQtUntil([&] { return !view->progressView->isVisible(); }));
    EXPECT_EQ(applies[0].flags, 0x8007);
    EXPECT_TRUE(applies[0].ok);
    EXPECT_FALSE(view->hideView->isVisible());
    EXPECT_NE(trace.str().find("SET 09 02"), std::string::npos);  // the lighting
    EXPECT_NE(trace.str().find("SET 09 01"), std::string::npos);  // the key matrix
    // OK writes the same and leaves the window up.
    click(view->btnOk);
    ASSERT_TRUE(test::runQtUntil([&] { return applies.size() == 2; }));
    EXPECT_EQ(applies[1].flags, 0x8007);
    EXPECT_EQ(hides, 0);
}

TEST_F(MainViewApply, WithoutAKeyboardApplyOkAndRestoreOnlySaySo) {
    build();  // no link at all
    const QString missing = QString::fromStdString(GetText("tc_msg15"));
    for (PngButton* button : {view->btnApply, view->btnOk, view->btnRestroe}) {
        click(button);
        ASSERT_TRUE(view->msgView->isVisible());
        EXPECT_EQ(view->msgView->strMsg, missing);
        EXPECT_FALSE(view->progressView->isVisible());
        if (button == view->btnRestroe) test::saveScreenshot(view.get(), "mainview_no_keyboard");
        answer(true);
    }
    EXPECT_FALSE(anyRequest());

    // With GoWithNoDev the window goes on as if one were there.
    gVar.GoWithNoDev = 1;
    click(view->btnApply);
    EXPECT_TRUE(view->progressView->isVisible());
    EXPECT_TRUE(requested(0x8007));
}

TEST_F(MainViewApply, RestoreAsksThenResetsProfileAndTableAndWrites) {
    plugKeyboard();
    build();
    click(view->btnPro[1]);
    profile->stAdv.nMode = 3;
    click(view->btnRestroe);
    EXPECT_EQ(view->msgView->strMsg, QString::fromStdString(GetText("tc_msg5")));
    answer(false);
    EXPECT_FALSE(anyRequest());
    EXPECT_EQ(profile->stAdv.nMode, 3);

    click(view->btnRestroe);
    answer(true);
    EXPECT_TRUE(requested(0x8103));
    EXPECT_TRUE(view->progressView->isVisible());
    _ST_PROFILE fresh{};
    ResetProfile(&fresh);
    EXPECT_EQ(profile->stAdv.nMode, fresh.stAdv.nMode);
    const _ST_KEYPRO* table = get_keypro_by_id(modeSet[1]);
    EXPECT_TRUE(IS_DEFAULT_KEY(table->stKey[kChangedKey], g_defKEY[kChangedKey]));
    // The worker's report past 100 closes the progress view.
    view->updateProgress(60);
    EXPECT_EQ(view->progressView->progress(), 60);
    view->updateProgress(101);
    EXPECT_FALSE(view->progressView->isVisible());
    EXPECT_FALSE(view->hideView->isVisible());
    // A failed apply says so in the message dialog.
    view->showError2();
    EXPECT_TRUE(view->msgView->isVisible());
    EXPECT_EQ(view->msgView->strMsg, "Update settings failed!");
}

class MainViewKeyClick : public test::MainViewGround {
protected:
    // Clicks the key at row `key` on the key map.
    void clickKey(int key) {
        const QRectF at = flipRect(view->kbView->keyRect(key), view->kbView->height());
        click(view->kbView, at.center().toPoint());
    }
    using test::MainViewGround::click;
    static void click(QWidget* widget, QPoint at) { test::clickAt(widget, at); }
    // Picks the picker's swatch 1 or 2.
    void pickSwatch(int swatch) { click(view->funPickView->btnSwatch[swatch - 1]); }
    static constexpr int kKey = 10;
};

TEST_F(MainViewKeyClick, AKeyClickOpensThePickerAndItsFunctionIsWrittenOnlyWithApplyNow) {
    gVar.ApplyNow = 0;
    build();
    ASSERT_NE(kKey, gVar.SrIndex);
    clickKey(kKey);
    ASSERT_TRUE(view->funPickView->isVisible());
    EXPECT_EQ(view->funPickView->nKeyIndex, uint32_t(kKey));
    EXPECT_EQ(view->funPickView->nShowColor, 0u);
    test::saveScreenshot(view.get(), "mainview_picker");
    // A function for the key: Q on the key page.
    _KEYINFO* edited = view->funPickView->editedKey();
    ASSERT_NE(edited, nullptr);
    test::sendKey(view->funPickView, KEY_Q);
    test::sendKey(view->funPickView, KEY_Q, false);
    click(view->funPickView->btnOk);
    EXPECT_FALSE(view->funPickView->isVisible());
    const _ST_KEYPRO* table = get_keypro_by_id(modeSet[0]);
    EXPECT_FALSE(IS_DEFAULT_KEY(table->stKey[kKey], g_defKEY[kKey]));
    EXPECT_FALSE(anyRequest());

    gVar.ApplyNow = 1;
    clickKey(kKey + 1);
    test::sendKey(view->funPickView, KEY_W);
    test::sendKey(view->funPickView, KEY_W, false);
    click(view->funPickView->btnOk);
    EXPECT_TRUE(requested(0x8001));
}

TEST_F(MainViewKeyClick, InTheGameModeASwatchPaintsTheKey) {
    gVar.ApplyNow = 1;
    profile->stAdv.nMode = gVar.GaoshouIndex;
    profile->stAdv.nKeyColorGroup = 1;
    build();
    view->ledView->gridColor[0]->setBkgColor(QColor(0, 128, 255), false);
    clickKey(kKey);
    ASSERT_TRUE(view->funPickView->isVisible());
    EXPECT_EQ(view->funPickView->nShowColor, 1u);
    pickSwatch(1);
    EXPECT_FALSE(view->funPickView->isVisible());
    EXPECT_EQ(profile->stAdv.dwKeyColor[1][kKey], 0xFF8000u);
    EXPECT_EQ(view->kbView->getKeyColor(kKey), 0xFF8000u);
    EXPECT_TRUE(requested(0x8004));

    clickKey(kKey);
    pickSwatch(2);
    EXPECT_EQ(profile->stAdv.dwKeyColor[1][kKey], 0u);
    test::saveScreenshot(view.get(), "mainview_game_mode");
}

}  // namespace
}  // namespace keyloom
