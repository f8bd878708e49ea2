// The main window built over stored data: where its controls lie, the modes
// M1..M3 (shown without a word to the keyboard), the chooser hidden with
// ShowProfile 0, the language chooser, and Exit and Cancel.
#include "widgets/mainview_ground.h"

#include "ui/ColorPickView.h"
#include "ui/KbColorView.h"
#include "ui/LedView.h"
#include "ui/MacroView.h"
#include "ui/PickFuncView.h"
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
    EXPECT_EQ(frameOf(view->btnExit), QRectF(850, 773, 24, 24));
    EXPECT_EQ(frameOf(view->btnHelp), QRectF(818, 773, 24, 24));
    EXPECT_TRUE(view->btnHelp->isHidden());
    EXPECT_EQ(frameOf(view->btnText), QRectF(790, 570, 100, 20));
    EXPECT_EQ(frameOf(view->btnRestroe), QRectF(39, 32, 72, 34));
    EXPECT_EQ(frameOf(view->btnOk), QRectF(422, 85, 71, 33));
    EXPECT_EQ(frameOf(view->btnApply), QRectF(570, 85, 100, 33));
    EXPECT_EQ(frameOf(view->btnPro[0]), QRectF(225, 524, 143, 31));
    EXPECT_EQ(frameOf(view->btnKeyPro), QRectF(56, 140, 164, 25));
    EXPECT_EQ(frameOf(view->btnNew), QRectF(56, 114, 40, 18));
    EXPECT_EQ(frameOf(view->btnDel), QRectF(101, 114, 60, 18));
    EXPECT_EQ(frameOf(view->btnRename), QRectF(166, 114, 50, 18));
    EXPECT_EQ(frameOf(view->ledView), QRectF(43, 196, 190, 307));
    const QSize picture = ImageProcess::pointSize(view->kbView->keyPicture());
    EXPECT_EQ(frameOf(view->kbView), QRectF(gVar.rcKB.x, gVar.rcKB.y, picture.width(), picture.height()));
    EXPECT_EQ(view->kbView->clrHasFun, gVar.ClrKeyHasFunc);
    EXPECT_EQ(view->kbView->keyRect(0).width(), qreal(g_defKEY[0].rcPos.right - g_defKEY[0].rcPos.left));
    EXPECT_TRUE(view->btnWeb->isHidden());  // the shipped link text is empty
    // Every dialog centred and hidden; the overlay over everything.
    for (QWidget* dialog : std::initializer_list<QWidget*>{view->funPickView, view->srView, view->progressView,
                                                           view->msgView, view->macroView, view->colorPickView}) {
        EXPECT_TRUE(dialog->isHidden());
        EXPECT_EQ(dialog->x(), (900 - dialog->width()) / 2);
    }
    EXPECT_EQ(view->hideView->geometry(), view->rect());
    // Captions and names in the language texts.
    EXPECT_EQ(view->btnMacro->caption(), "Macro Editor");
    EXPECT_EQ(view->btnRename->caption(), "Rename");
    EXPECT_EQ(view->btnExit->accessibleName(), "Exit");
    EXPECT_FALSE(view->btnHelp->accessibleName().isEmpty());
    EXPECT_EQ(view->btnText->caption(), QString::fromUtf8(gVar.Lang[test::englishIndex()].szName));
    // Every button of the window (the widgets carry no meta-objects of their own, so sort by type).
    for (QWidget* child : view->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (dynamic_cast<PngButton*>(child) && child->isVisible()) {
            EXPECT_FALSE(child->accessibleName().isEmpty()) << frameOf(child).x();
        }
    }
    EXPECT_FALSE(view->kbView->accessibleName().isEmpty());
    test::saveScreenshot(view.get(), "mainview_m1");
}

TEST_F(MainViewLayout, ModeButtonsShowTheirTablesAndSendNothing) {
    plugKeyboard();
    build();
    EXPECT_TRUE(view->btnPro[0]->getCheck());
    EXPECT_EQ(view->btnKeyPro->caption(), "Games");
    EXPECT_EQ(view->btnKeyPro->accessibleName(), "Games");
    EXPECT_EQ(trace.str(), std::string());  // nothing so far either

    click(view->btnPro[1]);
    EXPECT_EQ(view->GetMIndex(), 1);
    EXPECT_FALSE(view->btnPro[0]->getCheck());
    EXPECT_FALSE(view->btnPro[2]->getCheck());
    EXPECT_EQ(profile->nLayer, 1);
    EXPECT_EQ(view->btnKeyPro->caption(), "Shooter");
    EXPECT_EQ(uint32_t(view->btnKeyPro->getItemData()), modeSet[1]);
    // The key changed in the M2 table is marked: its outline is drawn in ClrKeyHasFunc.
    const QRectF key = flipRect(view->kbView->keyRect(kChangedKey), view->kbView->height());
    EXPECT_EQ(test::pixelAt(view->kbView, QPoint(int(key.left()) + 1, int(key.center().y()))),
              colorFromBgr(gVar.ClrKeyHasFunc));
    test::saveScreenshot(view.get(), "mainview_m2");

    click(view->btnPro[2]);
    EXPECT_EQ(view->btnKeyPro->caption(), "Office");
    test::saveScreenshot(view.get(), "mainview_m3");
    EXPECT_EQ(trace.str(), std::string());
    EXPECT_FALSE(anyRequest());
}

TEST_F(MainViewLayout, WithoutShowProfileTheChooserItsButtonsAndTitleAreGone) {
    gVar.ShowProfile = 0;
    build();
    for (QWidget* control : std::initializer_list<QWidget*>{view->btnKeyPro, view->btnNew, view->btnDel,
                                                            view->btnRename})
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
        view->btnText->SetCurSel(SwitchLanguage(i));  // as the chooser does
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
    click(view->btnText);
    MenuWindow* menu = view->btnText->openMenu();
    ASSERT_NE(menu, nullptr);
    click(menu->buttons().at(size_t(german)));
    EXPECT_EQ(view->btnText->GetCurSel(), german);
    EXPECT_EQ(LoadLanguage(), german);  // the preference holds the choice
    EXPECT_EQ(view->btnApply->caption(), QString::fromStdString(GetText("tc_apply")));
    EXPECT_NE(view->btnApply->caption(), "Apply");
    EXPECT_EQ(view->msgView->btnOk->caption(), QString::fromStdString(GetText("tc_ok")));
    EXPECT_EQ(view->funPickView->btnOk->caption(), QString::fromStdString(GetText("tc_ok")));
    EXPECT_EQ(view->ledView->btnLedMode->caption(), LedView4417::get_led_name(view->ledView->btnLedMode->getItemData()));
    test::saveScreenshot(view.get(), "mainview_german");
}

TEST_F(MainViewLayout, ExitAndCancelHideTheApplicationAndButtonsCloseTheColourPicker) {
    build();
    click(view->btnExit);
    click(view->btnCancel);
    EXPECT_EQ(hides, 2);

    // The paint colour's cell opens the colour picker (in the per-key mode)...
    profile->stAdv.nMode = gVar.GaoshouIndex;
    view->UpdateUI();
    ColorGridView* paint = view->ledView->gridColor[0];
    ASSERT_TRUE(paint->isVisible());
    click(paint);
    EXPECT_TRUE(view->colorPickView->isVisible());
    test::saveScreenshot(view.get(), "mainview_colour_pick");
    // ... and a button closes it before doing its own work.
    view->colorPickView->raise();
    view->btnClick(view->btnPro[1]);
    EXPECT_FALSE(view->colorPickView->isVisible());
    EXPECT_FALSE(view->hideView->isVisible());
    EXPECT_EQ(view->GetMIndex(), 1);
    EXPECT_TRUE(anyRequest() == false);
}

TEST_F(MainViewLayout, TheMacroEditorOpensOverTheWindowAndClosesToIt) {
    build();
    click(view->btnMacro);
    ASSERT_TRUE(view->macroView->isVisible());
    EXPECT_TRUE(view->hideView->isVisible());
    const outlineviewData* macros = view->macroView->tree().root();
    ASSERT_EQ(macros->array.size(), 1u);  // the data directory's macro
    EXPECT_EQ(macros->array[0]->name, "Greeting");
    test::saveScreenshot(view.get(), "mainview_macro_editor");
    click(view->macroView->btnExit);
    EXPECT_FALSE(view->macroView->isVisible());
    EXPECT_FALSE(view->hideView->isVisible());
    EXPECT_EQ(hides, 0);
}

}  // namespace
}  // namespace keyloom
