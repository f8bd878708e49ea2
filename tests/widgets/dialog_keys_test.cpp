// The dialogs from the keyboard: Escape cancels and Return confirms unless a
// field records keys; Tab leaves a recording field; the picker records the
// modifiers held with a key; the empty macro list says how to make a macro.
// Screenshots of the picker and the knob settings in every language.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLabel>
#include <QTest>
#include <cstring>

#include "config/gvar.h"
#include "keys/basic.h"
#include "ui/ColorPickView.h"
#include "ui/MsgView.h"
#include "ui/PickFuncView.h"
#include "ui/SrView.h"
#include "widgets/ComboBtn.h"
#include "widgets/HideView.h"
#include "widgets/MyOutlineView.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"
#include "widgets/assignment_ground.h"

namespace keyloom {
namespace {

class DialogKeys : public test::AssignmentGround {
protected:
    void SetUp() override {
        AssignmentGround::SetUp();
        picker = new PickFuncView(owner.get());
        picker->clock = [this] { return now; };
        knob = new SrView(owner.get());
        knob->clock = [this] { return now; };
        showOwner();
    }

    void openPicker(uint32_t keyIndex = 5) {
        picker->nKeyIndex = keyIndex;
        picker->nShowColor = 0;
        showPickFunc(owner.get(), overlay, picker, [this](PickFuncView*) { ++calls; });
    }
    void openKnob(int set) {
        knob->setIndex = set;
        showSrView(owner.get(), overlay, knob, [this](SrView*) { ++calls; });
    }
    // A dialog key as the window delivers it: to the widget with the focus.
    static void press(QWidget* to, Qt::Key key) { QTest::keyClick(to, key); }
    static void click(PngButton* button) { test::clickAt(button, QPoint(button->width() / 2, button->height() / 2)); }
    // Escape as a key to record: with its scan code, as X11 and Wayland send it.
    static void typeEscape(QWidget* to) { test::typeNativeKey(to, KEY_ESC, Qt::Key_Escape); }
    _KEYINFO& record(int index) { return keyTable->stKey[index]; }

    PickFuncView* picker = nullptr;
    SrView* knob = nullptr;
    double now = 1000;
    int calls = 0;
};

TEST_F(DialogKeys, ThePickerRecordsCtrlShiftAAsTheUserPressesIt) {
    openPicker();
    ASSERT_TRUE(picker->recordingFieldActive());
    test::typeNativeKey(picker, KEY_A, Qt::Key_A, "A", Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(picker->modifiers.btnCtrl->getCheck());
    EXPECT_TRUE(picker->modifiers.btnShift->getCheck());
    EXPECT_FALSE(picker->modifiers.btnOption->getCheck());
    EXPECT_FALSE(picker->modifiers.btnCommand->getCheck());
    EXPECT_EQ(picker->btnKeyFun->caption(), "A");
    test::saveScreenshot(owner.get(), "dialog_keys_picker_ctrl_shift_a");
    click(picker->btnOk);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(record(5).stCombo.ModifyKey, MOD_LCTRL | MOD_LSHIFT);
    EXPECT_EQ(record(5).stCombo.VkCode1, test::hostKey(KEY_A));
    EXPECT_EQ(record(5).stCombo.VkCode2, VK_NONE);

    // The right-hand key held alone sends the right-hand bit; Super and Alt
    // are the GUI and Alt bits.
    openPicker(6);
    test::sendKey(picker, KEY_RIGHTCTRL);
    test::typeNativeKey(picker, KEY_B, Qt::Key_B, "b", Qt::ControlModifier | Qt::MetaModifier);
    test::sendKey(picker, KEY_RIGHTCTRL, false);
    click(picker->btnOk);
    EXPECT_EQ(record(6).stCombo.ModifyKey, MOD_RCTRL | MOD_LGUI);
    // A box ticked before (the key's Ctrl) stays ticked.
    openPicker(7);
    test::typeNativeKey(picker, KEY_C, Qt::Key_C, "c", Qt::AltModifier);
    click(picker->btnOk);
    EXPECT_EQ(record(7).stCombo.ModifyKey, MOD_LCTRL | MOD_LALT);
    EXPECT_EQ(record(7).stCombo.VkCode1, test::hostKey(KEY_C));
}

TEST_F(DialogKeys, TabLeavesThePickersKeyFieldAndThenEscapeAndReturnCloseIt) {
    openPicker();
    // While the field records, Escape is a key like any other.
    typeEscape(picker);
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->btnKeyFun->caption(), QString::fromStdString(*GetVKName(test::hostKey(KEY_ESC))));
    press(picker, Qt::Key_Tab);
    EXPECT_FALSE(picker->recordingFieldActive());
    test::saveScreenshot(owner.get(), "dialog_keys_picker_after_tab");
    now += 5;
    test::typeNativeKey(picker, KEY_D, Qt::Key_D, "d");  // not recorded now
    EXPECT_EQ(picker->btnKeyFun->caption(), QString::fromStdString(*GetVKName(test::hostKey(KEY_ESC))));
    press(picker, Qt::Key_Return);  // confirms: the key sends Escape
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(record(5).stCombo.VkCode1, test::hostKey(KEY_ESC));

    // Tab enters the field again; Escape out of it cancels.
    openPicker(8);
    press(picker, Qt::Key_Tab);
    press(picker, Qt::Key_Tab);
    EXPECT_TRUE(picker->recordingFieldActive());
    press(picker, Qt::Key_Tab);
    press(picker, Qt::Key_Escape);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(calls, 1);
    // A click on the key field records again.
    openPicker(8);
    press(picker, Qt::Key_Tab);
    click(picker->btnKeyFun);
    EXPECT_TRUE(picker->recordingFieldActive());
    typeEscape(picker);
    EXPECT_TRUE(picker->isVisible());
}

TEST_F(DialogKeys, TheKnobSettingsCloseOnEscapeUntilAColumnRecords) {
    const _KEYINFO before = profile->stKnod[1][3];
    openKnob(3);
    EXPECT_FALSE(knob->recordingFieldActive());
    test::saveScreenshot(owner.get(), "dialog_keys_knob_opened");
    typeEscape(knob);  // nothing records: Escape cancels
    EXPECT_FALSE(knob->isVisible());
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(std::memcmp(&before, &profile->stKnod[1][3], sizeof before), 0);

    // A click on a column's key field makes it record, Escape too, with the modifiers held.
    openKnob(3);
    click(knob->btnKey[1]);
    EXPECT_TRUE(knob->recordingFieldActive());
    test::typeNativeKey(knob, KEY_ESC, Qt::Key_Escape, {}, Qt::ShiftModifier);
    EXPECT_TRUE(knob->isVisible());
    EXPECT_TRUE(knob->modifiers[1].btnShift->getCheck());
    test::saveScreenshot(owner.get(), "dialog_keys_knob_recording");
    press(knob, Qt::Key_Tab);  // out of the field: Return confirms
    press(knob, Qt::Key_Return);
    EXPECT_FALSE(knob->isVisible());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(profile->stKnod[1][3].stCombo.VkCode1, test::hostKey(KEY_ESC));
    EXPECT_EQ(profile->stKnod[1][3].stCombo.ModifyKey, MOD_LSHIFT);
}

TEST_F(DialogKeys, TheColourPickClosesOnEscapeAndTakesATypedColourOnReturn) {
    auto* dialog = new ColorPickView(owner.get());
    showColorPick(overlay, dialog, nullptr, false);
    dialog->initColor(QColor(1, 2, 3));
    ASSERT_TRUE(dialog->isVisible());
    press(dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(overlay->isVisible());

    showColorPick(overlay, dialog, nullptr, false);
    dialog->txtG->selectAll();
    QTest::keyClicks(dialog->txtG, "200");
    press(dialog->txtG, Qt::Key_Return);  // from a field: the typed value counts
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->color(), QColor(1, 200, 3));
}

TEST_F(DialogKeys, AnEmptyMacroListSaysHowToMakeAMacro) {
    openPicker();
    click(picker->btnMacro);
    EXPECT_TRUE(picker->lblNoMacros->isVisible());
    EXPECT_FALSE(picker->listMacro->isVisible());
    EXPECT_EQ(picker->lblNoMacros->text(), QString::fromStdString(GetText("tc_macro_none")));
    test::saveScreenshot(owner.get(), "dialog_keys_picker_no_macros");
    click(picker->btnCancel);

    putMacro("combo.mcf", 900, "combo");
    openPicker();
    click(picker->btnMacro);
    EXPECT_FALSE(picker->lblNoMacros->isVisible());
    EXPECT_TRUE(picker->listMacro->isVisible());
    click(picker->btnKey);
    EXPECT_FALSE(picker->listMacro->isVisible());
}

// Every changed dialog in every language, as screenshots: texts wrap and nothing is cut.
TEST_F(DialogKeys, EveryDialogInEveryLanguage) {
    auto* dialog = new MsgView(owner.get());
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        const QString language = QString::fromLatin1(gVar.Lang[i].szDir);
        SCOPED_TRACE(language.toStdString());
        SwitchLanguage(i);
        picker->onRefreshText();
        knob->onRefreshText();
        dialog->onRefreshText();
        openPicker();
        now += 5;
        test::typeNativeKey(picker, KEY_A, Qt::Key_A, "a", Qt::ControlModifier | Qt::ShiftModifier);
        test::saveScreenshot(owner.get(), "dialog_keys_picker_recorded_" + language);
        click(picker->btnMacro);
        // The hint fits its room on as many lines as it needs.
        EXPECT_LE(picker->lblNoMacros->heightForWidth(picker->lblNoMacros->width()), picker->lblNoMacros->height());
        test::saveScreenshot(owner.get(), "dialog_keys_picker_no_macros_" + language);
        press(picker, Qt::Key_Escape);  // off the key page nothing records: Escape closes
        ASSERT_FALSE(picker->isVisible());
        openKnob(2);
        click(knob->btnKey[0]);
        test::saveScreenshot(owner.get(), "dialog_keys_knob_recording_" + language);
        press(knob, Qt::Key_Tab);
        press(knob, Qt::Key_Escape);
        ASSERT_FALSE(knob->isVisible());

        // A long notice: the dialog grows until the whole text fits.
        const QString notice = QString::fromStdString(FormatText("tc_del_folder_ask", {"Raid nights, Thursdays"})) +
                               QStringLiteral(" ") + uiText("tc_macro_none") + QStringLiteral(" ") +
                               uiText("tc_macro_none");
        showMsg(overlay, dialog, notice, MSG_NOTICE, false, nullptr);
        const QRectF room = dialog->messageRect();
        EXPECT_LE(QFontMetricsF(get_font())
                      .boundingRect(QRectF(0, 0, room.width(), 10000), Qt::AlignCenter | Qt::TextWordWrap, notice)
                      .height(),
                  room.height());
        test::saveScreenshot(owner.get(), "dialog_keys_notice_" + language);
        press(dialog, Qt::Key_Return);
        showQuestion(overlay, dialog, QString::fromStdString(FormatText("tc_del_keytable_ask", {"Games"})), nullptr);
        test::saveScreenshot(owner.get(), "dialog_keys_question_" + language);
        press(dialog, Qt::Key_Escape);
        dialog->initialText = QStringLiteral("Games");
        dialog->checkText = [](const QString& name) { return nameCheckText(NameCheck::Taken, name, 39); };
        showMsg(overlay, dialog, uiText("tc_msg20"), MSG_TEXT, false, nullptr);
        press(dialog->textField, Qt::Key_Return);
        test::saveScreenshot(owner.get(), "dialog_keys_name_refused_" + language);
        press(dialog->textField, Qt::Key_Escape);
        ASSERT_FALSE(dialog->isVisible());
    }
}

}  // namespace
}  // namespace keyloom
