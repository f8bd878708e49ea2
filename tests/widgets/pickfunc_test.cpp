// The function picker over a plain owner: what showing it resets, the key
// recording rules on a clock the test sets, each page's commit with the
// record's exact bytes, the swatches, the macro folder tree, the focus rule,
// the callback contract and the captions of another language.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <fstream>

#include "device/hwencode.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "ui/FunctionChoices.h"
#include "ui/MsgView.h"
#include "ui/PickFuncView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/assignment_ground.h"

namespace keyloom {
namespace {

class PickFuncTest : public test::AssignmentGround {
protected:
    void SetUp() override {
        AssignmentGround::SetUp();
        picker = new PickFuncView(owner.get());
        picker->clock = [this] { return now; };
        showOwner();
    }

    void open(uint32_t keyIndex = 5, uint32_t showColor = 0) {
        picker->nKeyIndex = keyIndex;
        picker->nShowColor = showColor;
        showPickFunc(owner.get(), overlay, picker, [this](PickFuncView* p) {
            ++calls;
            colourAtCall = p->nColorPicked;
        });
    }

    void click(PngButton* button) { test::clickAt(button, QPoint(button->width() / 2, button->height() / 2)); }
    // A key typed at a time, in seconds.
    void typeAt(double at, int evdev) {
        now = at;
        test::sendKey(picker, evdev);
        test::sendKey(picker, evdev, false);
    }
    _KEYINFO& record(int index = 5) { return keyTable->stKey[index]; }
    // The record with its assignment bytes (function, macro id, combination) as they were.
    static _KEYINFO withAssignment(_KEYINFO key, uint32_t funId, uint32_t macroId, ST_COMBO combo) {
        key.dwFunID = funId;
        key.dwMacroID = macroId;
        key.stCombo = combo;
        return key;
    }
    static void expectBytes(const _KEYINFO& actual, const _KEYINFO& expected) {
        EXPECT_EQ(std::memcmp(&actual, &expected, sizeof actual), 0);
    }

    PickFuncView* picker = nullptr;
    double now = 1000;
    int calls = 0;
    uint32_t colourAtCall = 99;
};

TEST_F(PickFuncTest, ControlsSitAtTheirFramesAndEveryOneHasAName) {
    open();
    EXPECT_EQ(picker->geometry(), QRect(196, 147, 508, 346));  // centred over the owner
    EXPECT_EQ(frameOf(picker->btnExit), QRectF(468, 316, 24, 24));
    EXPECT_EQ(frameOf(picker->btnOk), QRectF(337, 9, 76, 26));
    EXPECT_EQ(frameOf(picker->btnCancel), QRectF(417, 9, 76, 26));
    EXPECT_EQ(frameOf(picker->btnKey), QRectF(17, 220, 120, 40));
    EXPECT_EQ(frameOf(picker->btnMacro), QRectF(17, 156, 120, 40));
    EXPECT_EQ(frameOf(picker->btnMedia), QRectF(17, 92, 120, 40));
    EXPECT_EQ(frameOf(picker->btnKeyFun), QRectF(248, 178, 164, 25));
    EXPECT_EQ(frameOf(picker->btnMediaFun), QRectF(248, 178, 164, 25));
    EXPECT_EQ(frameOf(picker->listMacro), QRectF(157, 51, 333, 205));
    EXPECT_EQ(frameOf(picker->modifiers.btnShift), QRectF(205, 153, 16, 16));
    // Each box at least 50 points right of the one before, on one line.
    const auto boxes = picker->modifiers.all();
    for (size_t i = 1; i < boxes.size(); ++i) {
        EXPECT_GE(frameOf(boxes[i]).x(), boxes[i - 1]->Right() + 50);
        EXPECT_EQ(frameOf(boxes[i]).y(), 153);
    }
    EXPECT_EQ(picker->btnMediaFun->GetCount(), 13);

    // Tabs carry their texts; the picker's other controls are named for screen readers.
    EXPECT_EQ(picker->btnKey->caption(), "Key");
    EXPECT_EQ(picker->btnMedia->caption(), "Function");
    EXPECT_EQ(picker->btnMacro->caption(), "Macro");
    for (QWidget* control : picker->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control == picker->msgView || control == picker->msgOverlay) continue;  // its notice, not a control
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    }
    EXPECT_EQ(picker->modifiers.btnCommand->accessibleName(), "Super");
    EXPECT_EQ(picker->modifiers.btnCommand->toolTip(), "The Super key (the Windows logo key)");
}

TEST_F(PickFuncTest, OpensOnThePageOfTheKeysFunctionShowingIt) {
    // A keyboard key: page 1, its keys recorded and its modifier boxes ticked.
    open();
    EXPECT_TRUE(picker->isVisible());
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_EQ(picker->page(), PICK_PAGE_KEY);
    EXPECT_TRUE(picker->btnKey->getCheck());
    EXPECT_FALSE(picker->btnMedia->getCheck());
    EXPECT_TRUE(picker->btnKeyFun->isVisible());
    EXPECT_FALSE(picker->btnMediaFun->isVisible());
    EXPECT_FALSE(picker->listMacro->isVisible());
    EXPECT_FALSE(picker->btnSwatch[0]->isVisible());
    EXPECT_EQ(picker->btnKeyFun->caption(), "Q");
    EXPECT_EQ(picker->nVk[0], test::hostKey(KEY_Q));
    EXPECT_EQ(picker->nVk[1], VK_NONE);
    EXPECT_TRUE(picker->modifiers.btnCtrl->getCheck());
    EXPECT_FALSE(picker->modifiers.btnShift->getCheck());
    EXPECT_EQ(picker->btnMediaFun->GetCurSel(), -1);
    test::saveScreenshot(owner.get(), "pickfunc_opened_on_key");
    click(picker->btnCancel);

    // A media function: page 2 with its entry chosen.
    record(6).dwFunID = 0x04000028;  // Mute
    open(6);
    EXPECT_EQ(picker->page(), PICK_PAGE_MEDIA);
    EXPECT_TRUE(picker->btnMediaFun->isVisible());
    EXPECT_EQ(picker->btnMediaFun->caption(), "Mute");
    EXPECT_EQ(picker->btnMediaFun->getItemData(), 0x04000028);
    EXPECT_TRUE(picker->btnKeyFun->caption().isEmpty());  // page 1 is empty
    EXPECT_FALSE(picker->modifiers.btnCtrl->getCheck());
    test::saveScreenshot(owner.get(), "pickfunc_opened_on_media");
    click(picker->btnCancel);

    // A macro: page 3 with its item selected, its folders open.
    putMacro("games/racing/boost.mcf", 501, "boost");
    putMacro("top.mcf", 502, "top");
    record(7).dwFunID = MAKE_FUNID(FUN_MACRO, 0);
    record(7).dwMacroID = 501;
    open(7);
    EXPECT_EQ(picker->page(), PICK_PAGE_MACRO);
    const outlineviewData* selected = picker->listMacro->getSeletedObject();
    ASSERT_NE(selected, nullptr);
    EXPECT_EQ(selected->nItemData, 501u);
    EXPECT_EQ(selected->name, "boost");
    const OutlineViewDelegate* rows = picker->listMacro->delegateSource();
    EXPECT_TRUE(picker->listMacro->isExpanded(rows->indexOf(selected->parentItem)));
    EXPECT_TRUE(picker->listMacro->isExpanded(rows->indexOf(selected->parentItem->parentItem)));
    test::saveScreenshot(owner.get(), "pickfunc_opened_on_macro");
    click(picker->btnCancel);

    // A function no page can show: page 1, empty, and the function line names it.
    record(8).dwFunID = MAKE_FUNID(FUN_MOUSE, 17);
    open(8);
    EXPECT_EQ(picker->page(), PICK_PAGE_KEY);
    EXPECT_TRUE(picker->btnKeyFun->caption().isEmpty());
    EXPECT_FALSE(picker->modifiers.btnCtrl->getCheck());
    test::saveScreenshot(owner.get(), "pickfunc_opened_on_mouse_function");  // drawn, so the line is built
    EXPECT_EQ(picker->strFunction, uiText("tc_msg16") + "  " + QString::fromStdString(*keyinfo_to_string(record(8))));
    EXPECT_EQ(calls, 0);
}

TEST_F(PickFuncTest, AnUntouchedOkLeavesTheKeyAndSendsNothing) {
    putMacro("sub/x.mcf", 501, "x");
    record(6).dwFunID = 0x04000028;  // Mute
    record(7).dwFunID = MAKE_FUNID(FUN_MACRO, 0);
    record(7).dwMacroID = 501;
    record(8).dwFunID = MAKE_FUNID(FUN_MOUSE, 17);
    record(9).stCombo.ModifyKey = MOD_RCTRL;  // a right-hand bit ticks the same box
    const auto before = std::vector<_KEYINFO>(keyTable->stKey, keyTable->stKey + KEY_COUNT);
    for (uint32_t key : {5u, 6u, 7u, 8u, 9u}) {
        open(key);
        click(picker->btnOk);
        EXPECT_FALSE(picker->isVisible()) << key;
        EXPECT_FALSE(overlay->isVisible()) << key;
    }
    // Going to another page and back, or ticking and unticking a box, is no change either.
    open(6);
    click(picker->btnKey);
    click(picker->btnMedia);
    click(picker->btnOk);
    open(5);
    click(picker->modifiers.btnShift);
    click(picker->modifiers.btnShift);
    typeAt(1000, KEY_Q);  // the key it has already
    click(picker->btnOk);
    EXPECT_EQ(std::memcmp(keyTable->stKey, before.data(), sizeof keyTable->stKey), 0);
    EXPECT_EQ(calls, 0);
    for (const std::string& line : log->lines()) EXPECT_NE(line.rfind("SET Key", 0), 0u) << line;

    // A real change is written and reported, and the next opening shows it.
    open(6);
    picker->btnMediaFun->onMenuClicked(0x04000026, 0);  // Volume Up, as the list's menu reports it
    click(picker->btnOk);
    EXPECT_EQ(record(6).dwFunID, 0x04000026u);
    EXPECT_EQ(calls, 1);
    open(6);
    EXPECT_EQ(picker->btnMediaFun->caption(), "Volume Up");
    click(picker->btnCancel);

    // The media choice belongs to the key shown, not to the last use.
    open(5);
    EXPECT_EQ(picker->btnMediaFun->GetCurSel(), -1);
    click(picker->btnMedia);
    click(picker->btnOk);  // no entry chosen: nothing to write
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(calls, 1);
}

TEST_F(PickFuncTest, KeysRecordedWithinTwoSecondsFormACombination) {
    open();
    typeAt(1000.0, KEY_Q);
    typeAt(1000.5, KEY_W);
    EXPECT_EQ(picker->btnKeyFun->caption(), "Q + W");
    typeAt(1001.0, KEY_E);  // a third quick key replaces the second
    EXPECT_EQ(picker->btnKeyFun->caption(), "Q + E");
    EXPECT_EQ(picker->nVk[0], test::hostKey(KEY_Q));
    EXPECT_EQ(picker->nVk[1], test::hostKey(KEY_E));

    typeAt(1003.0, KEY_R);  // two seconds later: a new recording
    EXPECT_EQ(picker->btnKeyFun->caption(), "R");
    EXPECT_EQ(picker->nVk[1], VK_NONE);

    // The same key again is never taken, however long after; nor are its repeats.
    typeAt(1010.0, KEY_R);
    now = 1010.1;
    test::sendKey(picker, KEY_R, true, true);
    EXPECT_EQ(picker->btnKeyFun->caption(), "R");
    EXPECT_EQ(picker->lastVKTime, 1003.0);

    // A modifier alone is no key; the boxes carry modifiers.
    typeAt(1020.0, KEY_LEFTCTRL);
    typeAt(1020.1, KEY_RIGHTMETA);
    EXPECT_EQ(picker->btnKeyFun->caption(), "R");

    // Selecting page 1 again forgets the last key, so R counts once more.
    click(picker->btnKey);
    typeAt(1030.0, KEY_R);
    EXPECT_EQ(picker->lastVKTime, 1030.0);

    // On another page keys are not the picker's.
    click(picker->btnMacro);
    typeAt(1030.5, KEY_T);
    EXPECT_EQ(picker->btnKeyFun->caption(), "R");

    std::vector<std::string> keyDowns;
    for (const std::string& line : log->lines())
        if (line.rfind("keyDown", 0) == 0) keyDowns.push_back(line);
    EXPECT_EQ(keyDowns.front(), "keyDown, 0xc");  // Q
    EXPECT_EQ(keyDowns.size(), 7u);  // every key-down on page 1 but modifiers alone, repeats included
}

TEST_F(PickFuncTest, PageOneWritesTheCombinationWithTheKeyboardsModifierBits) {
    const _KEYINFO before = record();
    open();  // Ctrl + Q: Control is ticked already
    click(picker->modifiers.btnCommand);
    typeAt(1000, KEY_A);
    click(picker->btnOk);
    expectBytes(record(), withAssignment(before, 0x02000000, before.dwMacroID, ST_COMBO{0x09, 0x00, 0xFF, 0x5A}));
    EXPECT_EQ(keyinfo_to_string(record()), "Ctrl + Super + A");
    EXPECT_EQ(log->lines().back(), "SET Key[5]:  dwFunID=2000000, stCombo(ModifyKey=9,VkCode1=0,VkCode2=ff)");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(colourAtCall, 0u);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_FALSE(picker->target);

    // Option is the Alt bit all the way to the keyboard: Alt + Space.
    open(6);
    click(picker->modifiers.btnCtrl);
    click(picker->modifiers.btnOption);
    typeAt(1010, KEY_SPACE);
    click(picker->btnOk);
    EXPECT_EQ(record(6).stCombo.ModifyKey, 0x04);
    EXPECT_EQ(keyinfo_to_string(record(6)), "Alt + Space");
    EXPECT_EQ(keyinfo_to_hardware_code(record(6)), 0x002C0400u);

    // Page 1 chosen for a media key, nothing ticked and nothing typed: a key
    // assignment, its combination as it was.
    record(7).dwFunID = 0x04000028;
    const _KEYINFO seventh = record(7);
    open(7);
    click(picker->btnKey);
    click(picker->btnOk);
    expectBytes(record(7), withAssignment(seventh, 0x02000000, seventh.dwMacroID, seventh.stCombo));
    EXPECT_EQ(calls, 3);
}

TEST_F(PickFuncTest, AnOkWithNothingToCommitLeavesThePickerOpen) {
    const _KEYINFO before = record();
    open();
    click(picker->btnMedia);
    click(picker->btnOk);  // no entry was ever chosen
    EXPECT_TRUE(picker->isVisible());

    click(picker->btnMacro);
    click(picker->btnOk);  // nothing selected
    EXPECT_TRUE(picker->isVisible());

    // A key beyond the table, or no key table for the layer: nothing to edit.
    click(picker->btnKey);
    picker->nKeyIndex = KEY_COUNT;
    click(picker->btnOk);
    EXPECT_TRUE(picker->isVisible());
    picker->nKeyIndex = 5;
    profile->dwKeyProID[0] = 0x9999;
    click(picker->btnOk);
    EXPECT_TRUE(picker->isVisible());
    set_current_profile(nullptr);
    click(picker->btnOk);
    EXPECT_TRUE(picker->isVisible());
    expectBytes(record(), before);
    EXPECT_EQ(calls, 0);

    click(picker->btnExit);  // Exit never calls back either, and keeps the target
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(picker->target, owner.get());
}

TEST_F(PickFuncTest, TheMacroPageMirrorsTheMacroFolder) {
    putMacro("a/b/x.mcf", 501, "x");
    putMacro("top.mcf", 502, "top");
    std::filesystem::create_directories(macroDir + "empty");
    { std::ofstream(macroDir + "broken.mcf") << "not a macro"; }
    { std::ofstream(macroDir + "notes.txt") << "text"; }
    open();
    outlineviewData* root = picker->dataMacro();
    outlineviewData* a = root->findItemForNameWithFlag("a", MACRO_ITEM_FOLDER);
    ASSERT_TRUE(a);
    ASSERT_EQ(a->array.size(), 1u);
    outlineviewData* b = a->array[0].get();
    EXPECT_EQ(b->name, "b");
    EXPECT_EQ(b->nFlagData, MACRO_ITEM_FOLDER);
    ASSERT_EQ(b->array.size(), 1u);
    outlineviewData* x = b->array[0].get();
    EXPECT_EQ(x->name, "x");
    EXPECT_EQ(x->nItemData, 501u);
    EXPECT_TRUE(root->findItemForNameWithFlag("empty", MACRO_ITEM_FOLDER));
    outlineviewData* broken = root->findItemForNameWithFlag("broken", MACRO_ITEM_MACRO);
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->nItemData, 0u);  // listed, with no macro behind it
    EXPECT_FALSE(root->findItemForName("notes.txt"));
    EXPECT_EQ(root->array.size(), 4u);  // a, top, empty, broken
    EXPECT_TRUE(get_macro_by_id(501) && get_macro_by_id(502));

    click(picker->btnMacro);
    picker->listMacro->expandItem(a);
    picker->listMacro->expandItem(b);
    picker->listMacro->selectItem(b);
    click(picker->btnOk);  // a folder is nothing to assign
    EXPECT_TRUE(picker->isVisible());
    picker->listMacro->selectItem(broken);
    click(picker->btnOk);  // nor is a file that could not be read
    EXPECT_TRUE(picker->isVisible());
    picker->listMacro->selectItem(x);
    test::saveScreenshot(owner.get(), "pickfunc_page3_macros");

    const _KEYINFO before = record();
    click(picker->btnOk);
    expectBytes(record(), withAssignment(before, 0x05000000, 501, before.stCombo));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(keyinfo_to_string(record()), "Macro - x");

    // A new file shows at the next opening.
    putMacro("later.mcf", 503, "later");
    open();
    EXPECT_TRUE(picker->dataMacro()->findItemForNameWithFlag("later", MACRO_ITEM_MACRO));
    EXPECT_EQ(picker->dataMacro()->array.size(), 5u);
}

TEST_F(PickFuncTest, AnEleventhMacroInATableIsRefused) {
    // Eleven macro files; keys 30..39 play the first ten (the knob's row, which
    // takes no slot, is elsewhere).
    ASSERT_TRUE(gVar.SrIndex < 30 || gVar.SrIndex > 41);
    for (uint32_t n = 1; n <= 11; ++n) {
        const std::string name = "m" + std::to_string(n);
        putMacro(name + ".mcf", 600 + n, name.c_str());
    }
    for (uint32_t n = 1; n <= 10; ++n) {
        record(int(29 + n)).dwFunID = MAKE_FUNID(FUN_MACRO, 0);
        record(int(29 + n)).dwMacroID = 600 + n;
    }
    auto chooseMacro = [&](uint32_t id) {
        click(picker->btnMacro);
        picker->listMacro->selectItem(picker->dataMacro()->findItemForData(id));
        click(picker->btnOk);
    };
    const QString refusal = QString::fromStdString(FormatText("tc_macro_slots_full", {"10"}));
    EXPECT_EQ(refusal, "Only 10 different macros fit on the keyboard.");

    const _KEYINFO before = record(40);
    open(40);
    chooseMacro(611);
    EXPECT_TRUE(picker->isVisible());  // the picker stays open under the message
    ASSERT_TRUE(picker->msgView->isVisible());
    EXPECT_EQ(picker->msgView->strMsg, refusal);
    expectBytes(record(40), before);
    EXPECT_EQ(calls, 0);
    test::saveScreenshot(owner.get(), "pickfunc_macro_refused");
    click(picker->msgView->btnOk);
    EXPECT_FALSE(picker->msgView->isVisible());
    EXPECT_TRUE(picker->isVisible());

    // A macro the table plays already is fine.
    chooseMacro(605);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(record(40).dwMacroID, 605u);
    EXPECT_EQ(calls, 1);

    // The refusal in German.
    SwitchLanguage(test::languageIndex("German"));
    picker->onRefreshText();
    open(41);
    chooseMacro(611);
    ASSERT_TRUE(picker->msgView->isVisible());
    EXPECT_EQ(picker->msgView->strMsg, QString::fromStdString(FormatText("tc_macro_slots_full", {"10"})));
    test::saveScreenshot(owner.get(), "pickfunc_macro_refused_German");
    EXPECT_EQ(calls, 1);
}

TEST_F(PickFuncTest, SwatchesReportAColourAndWriteNothing) {
    const _KEYINFO before = record();
    open(5, 1);
    EXPECT_TRUE(picker->btnSwatch[0]->isVisible());
    EXPECT_TRUE(picker->btnSwatch[1]->isVisible());
    EXPECT_EQ(frameOf(picker->btnSwatch[0]), QRectF(100, 273, 23, 23));
    EXPECT_EQ(frameOf(picker->btnSwatch[1]), QRectF(140, 273, 23, 23));
    EXPECT_EQ(test::pixelAt(owner.get(), picker->geometry().topLeft() + QPoint(111, 61)), QColor(Qt::white));
    picker->setPaintColour(QColor(255, 40, 24));  // the first swatch shows the colour it lights keys in
    EXPECT_EQ(test::pixelAt(owner.get(), picker->geometry().topLeft() + QPoint(111, 61)), QColor(255, 40, 24));
    typeAt(1000, KEY_A);
    click(picker->modifiers.btnShift);
    test::saveScreenshot(owner.get(), "pickfunc_page1_swatches");

    click(picker->btnSwatch[1]);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(colourAtCall, 2u);
    EXPECT_FALSE(picker->isVisible());
    expectBytes(record(), before);

    open(5, 1);
    EXPECT_EQ(picker->nColorPicked, 0u);  // reset for every use
    click(picker->btnSwatch[0]);
    EXPECT_EQ(colourAtCall, 1u);

    open(5, 0);
    EXPECT_FALSE(picker->btnSwatch[0]->isVisible());
    EXPECT_EQ(calls, 2);
}

TEST_F(PickFuncTest, PageOneKeepsTheFocusOtherPagesGiveItUp) {
    auto* field = new QLineEdit(owner.get());
    field->show();
    open();
    EXPECT_TRUE(picker->hasFocus());
    field->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(picker->hasFocus());
    // Tab is a key to record, not a move to the next control.
    typeAt(1000, KEY_TAB);
    EXPECT_EQ(picker->btnKeyFun->caption(), "Tab");
    EXPECT_TRUE(picker->hasFocus());

    click(picker->btnMedia);
    field->setFocus(Qt::MouseFocusReason);
    EXPECT_TRUE(field->hasFocus());
    click(picker->btnKey);
    EXPECT_TRUE(picker->hasFocus());
}

TEST_F(PickFuncTest, CaptionsAndListFollowTheLanguage) {
    open();
    click(picker->btnMedia);
    picker->btnMediaFun->onMenuClicked(0x04000028, 0);  // Mute
    test::saveScreenshot(owner.get(), "pickfunc_page2_media");
    const int german = test::languageIndex("German");
    ASSERT_GE(german, 0);
    SwitchLanguage(german);
    picker->onRefreshText();
    EXPECT_EQ(picker->btnOk->caption(), QString::fromStdString(GetText("tc_ok")));
    EXPECT_EQ(picker->btnMedia->caption(), "Funktion");
    EXPECT_EQ(picker->btnMediaFun->caption(), QString::fromStdString(GetText("tc_mute")));
    EXPECT_NE(picker->btnMediaFun->caption(), "Mute");
    EXPECT_EQ(picker->modifiers.btnShift->accessibleName(), "Umschalt");
    // The entries keep their codes in the new texts.
    for (const FunctionChoice& choice : pickerFunctions())
        EXPECT_TRUE(picker->btnMediaFun->SetCurSelForItemData(int(choice.funId))) << choice.textKey;
}

}  // namespace
}  // namespace keyloom
