// What the main window tells about the keyboard and its keys: each key's
// function in a tooltip, the marks of changed keys in both lighting views,
// whether the keyboard is there (following hot-plug), what an apply writes,
// what Restore resets, the data folder, and long names cut with "…".
#include <QHelpEvent>
#include <QToolTip>

#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "ui/KbColorView.h"
#include "ui/LedView.h"
#include "ui/Skin.h"
#include "widgets/CaptionView.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ProgressView.h"
#include "mainview_ground.h"

namespace keyloom {
namespace {

// The key map's row of the key whose factory function is named so.
int rowOf(const char* name) {
    for (int k = 0; k < KEY_COUNT; ++k)
        if (keyinfo_to_string(g_defKEY[k]) == std::optional<std::string>(name)) return k;
    return -1;
}

class MainViewState : public test::MainViewGround {
protected:
    // The tooltip the key map shows with the pointer in the middle of the key.
    QString tooltipOf(int key) {
        KbColorView* map = probe->kbView();
        const QPoint at = flipRect(map->keyRect(key), map->height()).center().toPoint();
        test::moveTo(map, at);
        QHelpEvent help(QEvent::ToolTip, at, map->mapToGlobal(at));
        QApplication::sendEvent(map, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    }
    QString english(const char* key) { return uiText(key); }
};

TEST_F(MainViewState, AKeysTooltipTellsItsNameAndItsFunctionInTheTableInUse) {
    const int q = rowOf("Q"), s = rowOf("S"), d = rowOf("D"), w = rowOf("W");
    ASSERT_GE(q, 0);
    _ST_KEYPRO* games = get_keypro_by_id(modeSet[0]);
    games->stKey[q].dwFunID = MAKE_FUNID(FUN_KEY, 0);
    games->stKey[q].stCombo = {MOD_LCTRL | MOD_LSHIFT, 11 /* B */, VK_NONE, 0};
    games->stKey[s].dwFunID = MAKE_FUNID(FUN_MEDIA, 40);
    plugKeyboard();
    build();
    // The window has read the macro folder: a key can call its macro.
    const _ST_MACRO* greeting = get_macro_by_index(0);
    ASSERT_NE(greeting, nullptr);
    games->stKey[d].dwFunID = MAKE_FUNID(FUN_MACRO, 0);
    games->stKey[d].dwMacroID = greeting->dwID;

    const QString q_tip = tooltipOf(q);
    EXPECT_TRUE(q_tip.startsWith("Q: ")) << q_tip.toStdString();
    for (const char* part : {"Ctrl", "Shift", "B"}) EXPECT_TRUE(q_tip.contains(part)) << q_tip.toStdString();
    EXPECT_EQ(tooltipOf(s), "S: " + english("tc_mute"));
    EXPECT_TRUE(tooltipOf(d).startsWith("D: ")) << tooltipOf(d).toStdString();
    EXPECT_TRUE(tooltipOf(d).contains("Greeting"));
    EXPECT_EQ(tooltipOf(w), "W: W");  // unchanged: its own function
    // A screen reader hears the same for the key under the pointer.
    EXPECT_EQ(probe->kbView()->accessibleDescription(), "W: W");
    test::saveScreenshot(view.get(), "mainview_key_tooltip");

    // Another mode's table: the tooltip follows the table in use.
    click(probe->btnPro(1));
    EXPECT_EQ(tooltipOf(s), "S: S");
}

TEST_F(MainViewState, ChangedKeysKeepTheirMarksInTheCustomLightingMode) {
    const int painted = rowOf("W"), both = rowOf("A");
    _ST_KEYPRO* games = get_keypro_by_id(modeSet[0]);
    games->stKey[both].dwFunID = MAKE_FUNID(FUN_MEDIA, 40);
    games->stKey[rowOf("Z")].dwFunID = MAKE_FUNID(FUN_MEDIA, 40);  // changed, not painted
    profile->stAdv.nMode = int(gVar.GaoshouIndex);
    const int group = profile->stAdv.nKeyColorGroup;
    std::fill(std::begin(profile->stAdv.dwKeyColor[group]), std::end(profile->stAdv.dwKeyColor[group]), 0u);
    profile->stAdv.dwKeyColor[group][painted] = 0x0000FF;  // red
    profile->stAdv.dwKeyColor[group][both] = 0x0000FF;
    plugKeyboard();
    build();
    ASSERT_NE(probe->kbView()->oper(), KbColorView::OPER_FUNCTION);
    test::saveScreenshot(view.get(), "mainview_custom_mode_marks");

    // The mark runs along the inside of a key's edge; the middle keeps the key's colour.
    KbColorView* map = probe->kbView();
    auto edge = [&](int key) {
        const QRectF r = flipRect(map->keyRect(key), map->height());
        return test::pixelAt(map, QPoint(int(r.center().x()), int(r.top()) + 1));
    };
    auto middle = [&](int key) {
        return test::pixelAt(map, flipRect(map->keyRect(key), map->height()).center().toPoint());
    };
    const QColor mark = colorFromBgr(gVar.ClrKeyHasFunc);
    EXPECT_EQ(edge(both), mark);
    EXPECT_EQ(edge(rowOf("Z")), mark);
    EXPECT_NE(edge(painted), mark);
    EXPECT_GT(middle(both).red(), middle(both).green() + 60);  // still red inside
    EXPECT_GT(middle(painted).red(), middle(painted).green() + 60);
}

TEST_F(MainViewState, TheKeyboardsStateFollowsUnplugAndPlug) {
    plugKeyboard();
    build();
    mainView = view.get();
    CaptionView* state = probe->keyboardState();
    EXPECT_EQ(state->text(), english("tc_kb_connected"));
    EXPECT_EQ(state->accessibleName(), english("tc_kb_connected"));
    view->setSimulatedKeyboard(true);
    EXPECT_EQ(state->text(), english("tc_kb_simulated"));
    test::saveScreenshot(view.get(), "mainview_keyboard_simulated");

    ASSERT_TRUE(sim->unplug());
    ASSERT_TRUE(test::runQtUntil([&] { return state->text() == english("tc_kb_missing"); }));
    test::saveScreenshot(view.get(), "mainview_keyboard_missing");
    // Apply and a key edit say how the keyboard comes back.
    click(probe->btnApply());
    ASSERT_TRUE(probe->msgView()->isVisible());
    EXPECT_EQ(probe->msgView()->strMsg, english("tc_kb_plug_in"));
    EXPECT_TRUE(probe->msgView()->strMsg.contains("finds it by itself"));
    test::saveScreenshot(view.get(), "mainview_apply_unplugged");
    answer(true);

    ASSERT_TRUE(sim->plug());
    ASSERT_TRUE(test::runQtUntil([&] { return state->text() == english("tc_kb_simulated"); }));
}

TEST_F(MainViewState, TheProgressPanelSaysWhatItWritesStepByStep) {
    plugKeyboard();
    build();
    click(probe->btnApply());
    ProgressView* panel = probe->progressView();
    ASSERT_TRUE(panel->isVisible());
    // Outside the per-key lighting mode an apply writes the lighting and the key table.
    EXPECT_EQ(panel->stepText(), "Writing to the keyboard: lighting and knob, 1\u00a0of\u00a02");
    view->updateProgress(40);
    EXPECT_EQ(panel->stepText(), "Writing to the keyboard: key table, 2\u00a0of\u00a02");
    EXPECT_EQ(panel->accessibleDescription(), panel->stepText());
    test::saveScreenshot(view.get(), "mainview_progress_step");
    view->updateProgress(100);
    EXPECT_EQ(panel->stepText(), english("tc_msg14"));
    view->updateProgress(101);
    EXPECT_FALSE(panel->isVisible());

    // In the per-key lighting mode the key colours are a step of their own.
    profile->stAdv.nMode = int(gVar.GaoshouIndex);
    view->UpdateUI();
    click(probe->btnApply());
    EXPECT_EQ(panel->stepText(), "Writing to the keyboard: lighting and knob, 1\u00a0of\u00a03");
    view->updateProgress(60);
    EXPECT_EQ(panel->stepText(), "Writing to the keyboard: key table, 3\u00a0of\u00a03");
}

TEST_F(MainViewState, RestoreNamesWhatItResetsAndLeavesTheOtherModesTables) {
    plugKeyboard();
    build();
    click(probe->btnRestroe());
    ASSERT_TRUE(probe->msgView()->isVisible());
    const QString question = probe->msgView()->strMsg;
    EXPECT_TRUE(question.contains("lighting") && question.contains("knob")) << question.toStdString();
    EXPECT_TRUE(question.contains("“Games” of M1")) << question.toStdString();
    test::saveScreenshot(view.get(), "mainview_restore_names_what_it_resets");
    answer(true);
    // As said: the other modes' tables stay as they were.
    EXPECT_FALSE(IS_DEFAULT_KEY(get_keypro_by_id(modeSet[1])->stKey[kChangedKey], g_defKEY[kChangedKey]));
}

TEST_F(MainViewState, ADataFolderOfItsOwnIsInTheTitleAndTheWindow) {
    plugKeyboard();
    build();
    EXPECT_EQ(view->windowTitle(), "keyloom");
    EXPECT_FALSE(probe->dataFolderCaption()->isVisible());

    const QString path = "/home/someone/projects/keyboards/a rather long folder name for testing/"
                         "another level of folders/and the data folder itself/";
    view->setDataFolder(path);
    EXPECT_EQ(view->windowTitle(), "keyloom — " + path);
    CaptionView* caption = probe->dataFolderCaption();
    EXPECT_TRUE(caption->isVisible());
    EXPECT_TRUE(caption->shownText().contains(QChar(0x2026))) << caption->shownText().toStdString();
    EXPECT_TRUE(caption->shownText().endsWith("itself/"));  // cut in the middle: both ends stay
    EXPECT_EQ(caption->toolTip(), path);
    test::saveScreenshot(view.get(), "mainview_data_folder");
}

TEST_F(MainViewState, ANameTooLongForItsPlaceIsCutWithAnEllipsisAndWholeInItsTooltip) {
    _ST_KEYPRO* games = get_keypro_by_id(modeSet[0]);
    const std::string name = "Tournament settings for weekends long";  // 37 bytes
    std::strncpy(games->szName, name.c_str(), sizeof games->szName - 1);
    plugKeyboard();
    build();
    const QString shown = probe->btnKeyPro()->shownCaption();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_EQ(probe->btnKeyPro()->toolTip(), QString::fromStdString(name));
    EXPECT_EQ(probe->btnKeyPro()->accessibleName(), QString::fromStdString(name));
    test::saveScreenshot(view.get(), "mainview_long_table_name");
}

// The rule that has a layer play another table while an application is in
// front shows in the window's foot, whole, in every language, and goes when
// none is active.
TEST_F(MainViewState, TheActiveFollowingRuleShowsInTheFootInEveryLanguage) {
    plugKeyboard();
    build();
    CaptionView* caption = probe->followingCaption();
    EXPECT_FALSE(caption->isVisible());
    view->showFollowing(0, "Gaming", "steam_app_570");
    ASSERT_TRUE(caption->isVisible());
    EXPECT_EQ(caption->text(), "M1: Gaming, following steam_app_570");
    EXPECT_EQ(caption->toolTip(), caption->text());
    // It sits in the foot beside Restore, on no other control.
    EXPECT_FALSE(caption->geometry().intersects(probe->btnRestroe()->geometry()));
    EXPECT_GT(caption->geometry().top(), probe->btnApply()->geometry().bottom());
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        SwitchLanguage(i);
        view->onRefreshText();
        const QString dir = QString::fromUtf8(gVar.Lang[i].szDir);
        EXPECT_TRUE(caption->text().contains("Gaming") && caption->text().contains("steam_app_570")) << dir.toStdString();
        EXPECT_EQ(caption->shownText(), caption->text()) << dir.toStdString();  // nothing cut
        test::saveScreenshot(view.get(), "mainview_following_" + dir);
    }
    SwitchLanguage(test::englishIndex());
    view->onRefreshText();
    view->showFollowing(-1, {}, {});
    EXPECT_FALSE(caption->isVisible());
}

// The changed dialogs in every language: the texts wrap and nothing is cut.
TEST_F(MainViewState, TheNewTextsInEveryLanguage) {
    plugKeyboard();
    build();
    view->setDataFolder("/srv/keyloom/second data folder/");
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        SwitchLanguage(i);
        view->onRefreshText();
        const QString dir = QString::fromUtf8(gVar.Lang[i].szDir);
        EXPECT_EQ(probe->keyboardState()->shownText(), probe->keyboardState()->text()) << dir.toStdString();
        click(probe->btnRestroe());
        ASSERT_TRUE(probe->msgView()->isVisible());
        test::saveScreenshot(view.get(), "mainview_restore_question_" + dir);
        answer(false);
        click(probe->btnApply());
        test::saveScreenshot(view.get(), "mainview_progress_step_" + dir);
        view->updateProgress(101);
    }
    mainView = view.get();  // the link tells the window of the removal
    ASSERT_TRUE(sim->unplug());
    ASSERT_TRUE(test::runQtUntil([&] { return probe->keyboardState()->text() == uiText("tc_kb_missing"); }));
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        SwitchLanguage(i);
        view->onRefreshText();
        const QString dir = QString::fromUtf8(gVar.Lang[i].szDir);
        click(probe->btnApply());
        ASSERT_TRUE(probe->msgView()->isVisible());
        test::saveScreenshot(view.get(), "mainview_apply_unplugged_" + dir);
        answer(true);
    }
    SwitchLanguage(test::englishIndex());
}

}  // namespace
}  // namespace keyloom
