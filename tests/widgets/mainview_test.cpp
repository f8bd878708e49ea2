// The main window built over stored data: where its controls lie, the modes
// M1..M3 (shown without a word to the keyboard), the chooser hidden with
// ShowProfile 0, the language chooser, and Exit and Cancel.
#include "widgets/mainview_ground.h"

#include "ui/ColorPickView.h"
#include "ui/KbColorView.h"
#include "ui/LedView.h"
#include "ui/MacroView.h"
#include "ui/PickFuncView.h"
#include "ui/Skin.h"
#include "ui/SrView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/ProgressView.h"

namespace keyloom {
namespace {

using MainViewLayout = test::MainViewGround;

TEST_F(MainViewLayout, ControlsLieOnTheirPlatesAndTheHeaderButtonsInTheHeader) {
    plugKeyboard();
    build();
    EXPECT_EQ(view->size(), QSize(900, 808));
    // The header moved up with the colour band under it.
    EXPECT_EQ(frameOf(probe->btnExit()), QRectF(850, 773, 24, 24));
    EXPECT_EQ(frameOf(probe->btnHelp()), QRectF(818, 773, 24, 24));
    EXPECT_TRUE(probe->btnHelp()->isHidden());
    EXPECT_EQ(frameOf(probe->btnText()), QRectF(790, 570, 100, 20));
    EXPECT_EQ(frameOf(probe->btnRestroe()), QRectF(39, 32, 72, 34));
    EXPECT_EQ(frameOf(probe->btnOk()), QRectF(422, 85, 71, 33));
    EXPECT_EQ(frameOf(probe->btnApply()), QRectF(570, 85, 100, 33));
    EXPECT_EQ(frameOf(probe->btnPro(0)), QRectF(225, 524, 143, 31));
    EXPECT_EQ(frameOf(probe->btnKeyPro()), QRectF(56, 140, 164, 25));
    EXPECT_EQ(frameOf(probe->btnNew()), QRectF(56, 114, 40, 18));
    EXPECT_EQ(frameOf(probe->btnDel()), QRectF(101, 114, 60, 18));
    EXPECT_EQ(frameOf(probe->btnRename()), QRectF(166, 114, 50, 18));
    EXPECT_EQ(frameOf(probe->ledView()), QRectF(43, 196, 190, 307));
    const QSize picture = ImageProcess::pointSize(probe->kbView()->keyPicture());
    EXPECT_EQ(frameOf(probe->kbView()), QRectF(gVar.rcKB.x, gVar.rcKB.y, picture.width(), picture.height()));
    EXPECT_EQ(probe->kbView()->clrHasFun, gVar.ClrKeyHasFunc);
    EXPECT_EQ(probe->kbView()->keyRect(0).width(), qreal(g_defKEY[0].rcPos.right - g_defKEY[0].rcPos.left));
    EXPECT_TRUE(probe->btnWeb()->isHidden());  // the shipped link text is empty
    // Every dialog centred and hidden; the overlay over everything.
    for (QWidget* dialog : std::initializer_list<QWidget*>{probe->funPickView(), probe->srView(), probe->progressView(),
                                                           probe->msgView(), probe->macroView(), probe->colorPickView()}) {
        EXPECT_TRUE(dialog->isHidden());
        EXPECT_EQ(dialog->x(), (900 - dialog->width()) / 2);
    }
    EXPECT_EQ(probe->hideView()->geometry(), view->rect());
    // Captions and names in the language texts.
    EXPECT_EQ(probe->btnMacro()->caption(), "Macro Editor");
    EXPECT_EQ(probe->btnRename()->caption(), "Rename");
    EXPECT_EQ(probe->btnExit()->accessibleName(), "Exit");
    EXPECT_FALSE(probe->btnHelp()->accessibleName().isEmpty());
    EXPECT_EQ(probe->btnText()->caption(), QString::fromUtf8(gVar.Lang[test::englishIndex()].szName));
    // Every button of the window (the widgets carry no meta-objects of their own, so sort by type).
    for (QWidget* child : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (dynamic_cast<PngButton*>(child) && child->isVisible()) {
            EXPECT_FALSE(child->accessibleName().isEmpty()) << frameOf(child).x();
        }
    }
    EXPECT_FALSE(probe->kbView()->accessibleName().isEmpty());
    test::saveScreenshot(view.get(), "mainview_m1");
}

TEST_F(MainViewLayout, ModeButtonsShowTheirTablesAndSendNothing) {
    plugKeyboard();
    build();
    EXPECT_TRUE(probe->btnPro(0)->getCheck());
    EXPECT_EQ(probe->btnKeyPro()->caption(), "Games");
    EXPECT_EQ(probe->btnKeyPro()->accessibleName(), "Games");
    EXPECT_EQ(trace.str(), std::string());  // nothing so far either

    click(probe->btnPro(1));
    EXPECT_EQ(probe->GetMIndex(), 1);
    EXPECT_FALSE(probe->btnPro(0)->getCheck());
    EXPECT_FALSE(probe->btnPro(2)->getCheck());
    EXPECT_EQ(profile->nLayer, 1);
    EXPECT_EQ(probe->btnKeyPro()->caption(), "Shooter");
    EXPECT_EQ(uint32_t(probe->btnKeyPro()->getItemData()), modeSet[1]);
    // The key changed in the M2 table is marked: its outline is drawn in ClrKeyHasFunc.
    const QRectF key = flipRect(probe->kbView()->keyRect(kChangedKey), probe->kbView()->height());
    EXPECT_EQ(test::pixelAt(probe->kbView(), QPoint(int(key.left()) + 1, int(key.center().y()))),
              colorFromBgr(gVar.ClrKeyHasFunc));
    test::saveScreenshot(view.get(), "mainview_m2");

    click(probe->btnPro(2));
    EXPECT_EQ(probe->btnKeyPro()->caption(), "Office");
    test::saveScreenshot(view.get(), "mainview_m3");
    EXPECT_EQ(trace.str(), std::string());
    EXPECT_FALSE(anyRequest());
}

TEST_F(MainViewLayout, WithoutShowProfileTheChooserItsButtonsAndTitleAreGone) {
    gVar.ShowProfile = 0;
    build();
    for (QWidget* control : std::initializer_list<QWidget*>{probe->btnKeyPro(), probe->btnNew(), probe->btnDel(),
                                                            probe->btnRename()})
        EXPECT_FALSE(control->isVisible());
    // No title and no plate where the chooser's buttons were: the left card's colour only.
    const QColor card = test::pixelAt(view.get(), QPoint(40, 808 - 150));
    for (QPoint at : {QPoint(70, 808 - 123), QPoint(130, 808 - 123), QPoint(190, 808 - 123), QPoint(80, 808 - 175)})
        EXPECT_EQ(test::pixelAt(view.get(), at), card) << at.x() << "," << at.y();
    test::saveScreenshot(view.get(), "mainview_no_profile_chooser");
}

TEST_F(MainViewLayout, EveryLanguageFitsItsCaptions) {
    build();
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0]; ++i) {
        probe->btnText()->SetCurSel(SwitchLanguage(i));  // as the chooser does
        view->onRefreshText();
        // A caption too long for its button shows as its tooltip.
        for (QWidget* child : view->findChildren<QWidget*>()) {
            const auto* button = dynamic_cast<const PngButton*>(child);
            if (button && button->isVisible() && !button->caption().isEmpty()) {
                EXPECT_NE(button->toolTip(), button->caption()) << gVar.Lang[i].szDir << ": "
                                                                << button->caption().toStdString();
            }
        }
        test::saveScreenshot(view.get(), QStringLiteral("look_mainview_%1").arg(gVar.Lang[i].szDir));
    }
}

TEST_F(MainViewLayout, TheWindowIsItsPictureAndMovesByItsBackground) {
    build();
    EXPECT_TRUE(view->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(view->windowFlags() & Qt::FramelessWindowHint);
    // A fixed size, which tiling desktops float rather than stretch.
    EXPECT_EQ(view->minimumSize(), view->size());
    EXPECT_EQ(view->maximumSize(), view->size());
    EXPECT_EQ(test::pixelAt(view.get(), QPoint(0, 0)).alpha(), 0);  // past the rounded corner
    EXPECT_EQ(test::pixelAt(view.get(), QPoint(450, 400)).alpha(), 255);
    const QPoint before = view->pos();
    const QPoint background(150, 30);  // the header, clear of every control
    test::pressAt(view.get(), background);
    test::moveTo(view.get(), background + QPoint(30, 20), Qt::LeftButton);
    test::releaseAt(view.get(), background + QPoint(30, 20));
    EXPECT_EQ(view->pos(), before + QPoint(30, 20));
}

TEST_F(MainViewLayout, LanguageChangeIsStoredAndReachesEveryCaption) {
    build();
    int german = -1;
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0]; ++i)
        if (std::strcmp(gVar.Lang[i].szDir, "German") == 0) german = i;
    ASSERT_GE(german, 0);
    click(probe->btnText());
    MenuWindow* menu = probe->btnText()->openMenu();
    ASSERT_NE(menu, nullptr);
    click(menu->buttons().at(size_t(german)));
    EXPECT_EQ(probe->btnText()->GetCurSel(), german);
    EXPECT_EQ(LoadLanguage(), german);  // the preference holds the choice
    EXPECT_EQ(probe->btnApply()->caption(), QString::fromStdString(GetText("tc_apply")));
    EXPECT_NE(probe->btnApply()->caption(), "Apply");
    EXPECT_EQ(probe->msgView()->btnOk->caption(), QString::fromStdString(GetText("tc_ok")));
    EXPECT_EQ(probe->funPickView()->btnOk->caption(), QString::fromStdString(GetText("tc_ok")));
    EXPECT_EQ(probe->ledView()->btnLedMode->caption(), LedView4417::get_led_name(probe->ledView()->btnLedMode->getItemData()));
    test::saveScreenshot(view.get(), "mainview_german");
}

TEST_F(MainViewLayout, ExitAndCancelHideTheApplicationAndButtonsCloseTheColourPicker) {
    build();
    click(probe->btnExit());
    click(probe->btnCancel());
    EXPECT_EQ(hides, 2);

    // The paint colour's cell opens the colour picker (in the per-key mode)...
    profile->stAdv.nMode = gVar.GaoshouIndex;
    view->UpdateUI();
    ColorGridView* paint = probe->ledView()->gridColor[0];
    ASSERT_TRUE(paint->isVisible());
    click(paint);
    EXPECT_TRUE(probe->colorPickView()->isVisible());
    test::saveScreenshot(view.get(), "mainview_colour_pick");
    // ... and a button closes it before doing its own work.
    probe->colorPickView()->raise();
    probe->btnClick(probe->btnPro(1));
    EXPECT_FALSE(probe->colorPickView()->isVisible());
    EXPECT_FALSE(probe->hideView()->isVisible());
    EXPECT_EQ(probe->GetMIndex(), 1);
    EXPECT_TRUE(anyRequest() == false);
}

TEST_F(MainViewLayout, TheMacroEditorOpensOverTheWindowAndClosesToIt) {
    build();
    click(probe->btnMacro());
    ASSERT_TRUE(probe->macroView()->isVisible());
    EXPECT_TRUE(probe->hideView()->isVisible());
    const outlineviewData* macros = probe->macroView()->tree().root();
    ASSERT_EQ(macros->array.size(), 1u);  // the data directory's macro
    EXPECT_EQ(macros->array[0]->name, "Greeting");
    test::saveScreenshot(view.get(), "mainview_macro_editor");
    click(probe->macroView()->btnExit);
    EXPECT_FALSE(probe->macroView()->isVisible());
    EXPECT_FALSE(probe->hideView()->isVisible());
    EXPECT_EQ(hides, 0);
}

}  // namespace
}  // namespace keyloom
