// The knob settings over a plain owner: loading a set, the column rules for
// typed keys, boxes and the function list, the OK that writes one set only,
// and closing without a write.
#include <gtest/gtest.h>

#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "ui/FunctionChoices.h"
#include "ui/SrView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/PngButton.h"
#include "widgets/assignment_ground.h"

namespace keyloom {
namespace {

constexpr uint32_t kVolumeUp = 0x04000026;
constexpr uint32_t kScrollDown = 0x01000019;

class SrViewTest : public test::AssignmentGround {
protected:
    void SetUp() override {
        AssignmentGround::SetUp();
        dialog = new SrView(owner.get());
        dialog->clock = [this] { return now; };
        showOwner();
    }

    void open(int set) {
        dialog->setIndex = set;
        showSrView(owner.get(), overlay, dialog, [this](SrView*) { ++calls; });
    }
    void click(PngButton* button) { test::clickAt(button, QPoint(button->width() / 2, button->height() / 2)); }
    // A click on the dialog's own surface at a bottom-left point.
    void clickSurface(QPointF at) { test::clickAt(dialog, QPoint(int(at.x()), int(dialog->height() - at.y()))); }
    // A key typed at a time, in seconds; the active column's key field is clicked first when it does not record.
    void typeAt(double at, int evdev) {
        if (!dialog->recordingFieldActive()) click(dialog->btnKey[dialog->srIndex]);
        now = at;
        test::sendKey(dialog, evdev);
        test::sendKey(dialog, evdev, false);
    }
    static _KEYINFO keyAssignment(uint8_t mods, uint8_t vk1, uint8_t vk2) {
        _KEYINFO key;
        std::memset(&key, 0x5A, sizeof key);
        key.dwFunID = 0x02000000;
        key.stCombo = ST_COMBO{mods, vk1, vk2, 0x5A};
        return key;
    }

    SrView* dialog = nullptr;
    double now = 5000;
    int calls = 0;
};

TEST_F(SrViewTest, TheListHoldsTheTwentyKnobFunctionsInOrder) {
    const uint32_t expected[] = {0x04000021, 0x04000022, 0x04000025, 0x04000024, 0x04000023, 0x04000028, 0x04000026,
                                 0x04000027, 0x04000030, 0x04000031, 0x04000034, 0x07000044, 0x07000041, 0x07000042,
                                 0x07000040, 0x0700004B, 0x01000018, 0x01000019, 0x0400002A, 0x0400002B};
    for (int d = 0; d < 2; ++d) {
        ComboBtn* list = dialog->btnMedia[d];
        ASSERT_EQ(list->GetCount(), 20);
        for (int i = 0; i < 20; ++i) {
            list->SetCurSel(i);
            EXPECT_EQ(uint32_t(list->getItemData()), expected[i]) << i;
        }
        EXPECT_EQ(list->showPos, 1);
    }
    // The right column's boxes sit 70 points apart, as on the picture's card.
    EXPECT_EQ(frameOf(dialog->modifiers[1].btnCtrl), QRectF(387, 170, 16, 16));
    for (QWidget* control : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->metaObject()->className();
    EXPECT_EQ(dialog->btnKey[1]->accessibleName(), "Turn Right: Key");
}

TEST_F(SrViewTest, OpeningLoadsTheSetOfTheCurrentProfile) {
    profile->stKnod[0][3] = keyAssignment(MOD_LCTRL | MOD_RSHIFT, uint8_t(test::hostKey(KEY_A)), VK_NONE);
    profile->stKnod[1][3].dwFunID = kVolumeUp;
    open(3);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(overlay->isVisible());
    EXPECT_TRUE(dialog->hasFocus());
    EXPECT_EQ(dialog->btnKey[0]->caption(), "Ctrl + Shift + A");
    EXPECT_TRUE(dialog->modifiers[0].btnCtrl->getCheck());
    EXPECT_TRUE(dialog->modifiers[0].btnShift->getCheck());  // the right-hand bit ticks the same box
    EXPECT_FALSE(dialog->modifiers[0].btnOption->getCheck());
    EXPECT_EQ(dialog->nVk[0][0], test::hostKey(KEY_A));
    EXPECT_EQ(dialog->nVk[0][1], VK_NONE);
    EXPECT_EQ(dialog->btnMedia[0]->GetCurSel(), -1);
    EXPECT_EQ(dialog->btnMedia[1]->caption(), "Volume Up");
    EXPECT_TRUE(dialog->btnKey[1]->caption().isEmpty());
    test::saveScreenshot(owner.get(), "srview_loaded_set4");

    // A function not in the list shows no choice, and an untouched OK makes it a key with no key.
    profile->stKnod[1][3].dwFunID = 0x09000001;
    dialog->initUI();
    EXPECT_EQ(dialog->btnMedia[1]->GetCurSel(), -1);
    click(dialog->btnOk);
    _KEYINFO noKey = keyAssignment(0, VK_NONE, VK_NONE);
    noKey.stCombo.unused = 0;
    EXPECT_EQ(std::memcmp(&profile->stKnod[1][3], &noKey, sizeof noKey), 0);
}

TEST_F(SrViewTest, TypedKeysGoToTheActiveColumnWithinFourTenthsOfASecond) {
    open(0);
    EXPECT_EQ(dialog->srIndex, 0);
    typeAt(5000.0, KEY_Q);
    typeAt(5000.25, KEY_W);
    EXPECT_EQ(dialog->btnKey[0]->caption(), "Q + W");
    typeAt(5000.5, KEY_E);  // within 0.4 s of W: replaces the second key
    EXPECT_EQ(dialog->btnKey[0]->caption(), "Q + E");
    typeAt(5001.0, KEY_R);  // half a second after E: starts over
    EXPECT_EQ(dialog->btnKey[0]->caption(), "R");
    now = 5001.1;
    test::sendKey(dialog, KEY_R, true, true);  // a held key adds nothing
    typeAt(5001.2, KEY_LEFTSHIFT);            // nor does a modifier alone
    EXPECT_EQ(dialog->btnKey[0]->caption(), "R");

    clickSurface(QPointF(300, 60));  // inside the right column
    EXPECT_EQ(dialog->srIndex, 1);
    typeAt(5010.0, KEY_F5);
    EXPECT_EQ(dialog->btnKey[1]->caption(), "F5");
    EXPECT_EQ(dialog->btnKey[0]->caption(), "R");
    clickSurface(QPointF(250, 60));  // between the columns: no change
    EXPECT_EQ(dialog->srIndex, 1);

    // Working with a control of a column makes that column active too.
    click(dialog->modifiers[0].btnOption);
    EXPECT_EQ(dialog->srIndex, 0);
    int keyDowns = 0;
    for (const std::string& line : log->lines()) keyDowns += line.rfind("keyDown, 0x", 0) == 0;
    EXPECT_EQ(keyDowns, 6);  // Q W E R, the repeat, F5
}

TEST_F(SrViewTest, AFunctionAndAKeyReplaceEachOther) {
    open(1);
    click(dialog->modifiers[0].btnCommand);
    typeAt(5000, KEY_A);
    dialog->btnMedia[0]->onMenuClicked(int(kScrollDown), 0);  // as the list's menu reports a choice
    EXPECT_TRUE(dialog->btnKey[0]->caption().isEmpty());
    EXPECT_FALSE(dialog->modifiers[0].btnCommand->getCheck());
    EXPECT_EQ(dialog->nVk[0][0], VK_NONE);

    typeAt(5001, KEY_B);  // a key clears the choice
    EXPECT_EQ(dialog->btnMedia[0]->GetCurSel(), -1);
    EXPECT_EQ(dialog->btnKey[0]->caption(), "B");
    dialog->btnMedia[0]->onMenuClicked(int(kScrollDown), 0);
    click(dialog->modifiers[0].btnCtrl);  // so does a box
    EXPECT_EQ(dialog->btnMedia[0]->GetCurSel(), -1);
    EXPECT_TRUE(dialog->modifiers[0].btnCtrl->getCheck());

    // Opening the list without choosing keeps the key.
    click(dialog->btnMedia[1]);
    typeAt(5010, KEY_C);
    EXPECT_EQ(dialog->srIndex, 1);
    click(dialog->btnMedia[1]);
    if (MenuWindow* menu = dialog->btnMedia[1]->openMenu()) menu->closeMenu();
    EXPECT_EQ(dialog->btnKey[1]->caption(), "C");
}

TEST_F(SrViewTest, OkWritesBothDirectionsOfTheEditedSetOnly) {
    _ST_PROFILE before;
    std::memcpy(&before, profile, sizeof before);
    open(4);
    click(dialog->modifiers[0].btnShift);
    click(dialog->modifiers[0].btnOption);
    typeAt(5000.0, KEY_1);
    typeAt(5000.2, KEY_2);
    clickSurface(QPointF(300, 60));
    dialog->btnMedia[1]->onMenuClicked(int(kVolumeUp), 0);
    test::saveScreenshot(owner.get(), "srview_key_and_function");
    click(dialog->btnOk);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(calls, 1);

    _ST_PROFILE expected;
    std::memcpy(&expected, &before, sizeof expected);
    const _KEYINFO left = keyAssignment(MOD_LSHIFT | MOD_LALT, uint8_t(test::hostKey(KEY_1)),
                                        uint8_t(test::hostKey(KEY_2)));
    expected.stKnod[0][4] = left;
    expected.stKnod[0][4].stCombo.unused = 0;  // the combination is zeroed before it is set
    expected.stKnod[1][4].dwFunID = kVolumeUp;
    expected.stKnod[1][4].stCombo = ST_COMBO{0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(profile, &expected, sizeof expected), 0);
    EXPECT_EQ(profile->nKnodSet, 2);
    EXPECT_EQ(keyinfo_to_string(profile->stKnod[0][4]), "Alt + Shift + 1 + 2");

    // Exit and Cancel write nothing and call nobody.
    std::memcpy(&before, profile, sizeof before);
    for (PngButton* closer : {dialog->btnCancel, dialog->btnExit}) {
        open(4);
        typeAt(5100, KEY_Z);
        click(dialog->modifiers[1].btnCtrl);
        click(closer);
        EXPECT_FALSE(dialog->isVisible());
    }
    EXPECT_EQ(std::memcmp(profile, &before, sizeof before), 0);
    EXPECT_EQ(calls, 1);

    // Without a current profile there is nothing to write: the dialog stays.
    open(4);
    set_current_profile(nullptr);
    click(dialog->btnOk);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace keyloom
