// Unsaved work in the macro editor is never thrown away without a word:
// leaving a macro (another macro or folder, closing, the program's end) saves
// it when the model file's AutoSaveMacro is on, and asks Save, Discard or
// Cancel when it is off.
#include <gtest/gtest.h>

#include "widgets/macroview_ground.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::string>;

class MacroViewUnsaved : public test::MacroViewGround {
protected:
    // An unsaved recording in solo: Shift and A pressed, A released, Shift still held.
    void recordIntoSolo() {
        select("solo");
        click(view->btnAuto);  // no pauses
        click(view->btnRecord);
        key(KEY_LEFTSHIFT, true, 1);
        key(KEY_A, true, 2);
        key(KEY_A, false, 3);
        ASSERT_TRUE(view->recorder.recording());
    }
    bool asking() const { return view->msgView->isVisible() && view->msgView->msgID == MSG_CHOICE; }
    void answerWith(PngButton* button) {
        ASSERT_TRUE(asking());
        click(button);
    }
    uint64_t soloEvents() { return uint64_t(get_macro_event_count(readBack("solo.mcf"))); }
};

TEST_F(MacroViewUnsaved, WithAutoSaveARecordingIsSavedWhenTheEditorLeavesIt) {
    gVar.AutoSaveMacro = 1;
    recordIntoSolo();
    EXPECT_TRUE(view->hasUnsavedChanges());
    select("combo");  // stops the recording and saves it, tidied: Shift is released at the end
    EXPECT_FALSE(view->recorder.recording());
    EXPECT_FALSE(view->msgView->isVisible());
    EXPECT_EQ(view->selectedMacro(), get_macro_by_id(901));
    const _ST_MACRO saved = readBack("solo.mcf");
    using E = std::array<uint32_t, 3>;
    EXPECT_EQ(events(saved, 5), (std::vector<E>{{56, 1, 0}, {0, 1, 1}, {0, 0, 1}, {56, 0, 0}, {0, 0, 0}}));

    // The end of the program (Ctrl+Q, or a signal that cannot ask) saves too.
    view->btnInsert->onMenuClicked(MACRO_INSERT_MIDDLE, 0);
    ASSERT_TRUE(view->hasUnsavedChanges());
    bool wentOn = false;
    view->settleUnsavedChanges([&](bool proceed) { wentOn = proceed; });
    EXPECT_TRUE(wentOn);
    EXPECT_EQ(get_macro_event_count(readBack("Games/combo.mcf")), 2);
    click(view->btnRecord);
    key(KEY_Q, true, 4);
    EXPECT_TRUE(view->saveUnsavedChanges());  // stops the recording, saves, shows nothing
    EXPECT_FALSE(view->msgView->isVisible());
    EXPECT_EQ(get_macro_event_count(readBack("Games/combo.mcf")), 2);  // Q pressed, Q released
    EXPECT_FALSE(view->hasUnsavedChanges());

    // Closing saves, and nothing unsaved goes on at once.
    view->btnInsert->onMenuClicked(MACRO_INSERT_LEFT, 0);
    click(view->btnExit);
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(get_macro_event_count(readBack("Games/combo.mcf")), 4);
    wentOn = false;
    view->settleUnsavedChanges([&](bool proceed) { wentOn = proceed; });
    EXPECT_TRUE(wentOn);
}

TEST_F(MacroViewUnsaved, WithoutAutoSaveTheUserChoosesSaveDiscardOrCancel) {
    gVar.AutoSaveMacro = 0;
    recordIntoSolo();
    const std::string untouched = fileBytes("solo.mcf");
    select("combo");
    ASSERT_TRUE(asking());
    EXPECT_EQ(shownMessage(), "“solo” has changes that are not saved. Save them?");
    EXPECT_EQ(view->msgView->btnOk->caption(), "Save");
    EXPECT_EQ(view->msgView->btnOther->caption(), "Discard");
    EXPECT_EQ(view->msgView->btnCancel->caption(), "Cancel");
    test::saveScreenshot(owner.get(), "macro_unsaved_question");

    // Cancel: the editor stays on solo with the recording's rows.
    answerWith(view->msgView->btnCancel);
    EXPECT_EQ(view->listMacro->getSeletedObject(), item("solo"));
    EXPECT_EQ(rows(), (Rows{"Shift", "A", "A"}));
    EXPECT_TRUE(view->btnSave->isVisible());
    EXPECT_EQ(fileBytes("solo.mcf"), untouched);

    // Discard: the file stays as it was and the rows come from it again.
    select("combo");
    answerWith(view->msgView->btnOther);
    EXPECT_EQ(view->selectedMacro(), get_macro_by_id(901));
    EXPECT_EQ(fileBytes("solo.mcf"), untouched);
    select("solo");
    EXPECT_FALSE(asking());
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(view->btnSave->isVisible());

    // Save: written, tidied, and the editor goes on to the folder chosen.
    view->btnInsert->onMenuClicked(MACRO_INSERT_RIGHT, 0);
    select("Games");
    answerWith(view->msgView->btnOk);
    EXPECT_EQ(view->selectedMacro(), nullptr);
    EXPECT_EQ(view->listMacro->getSeletedObject(), item("Games"));
    EXPECT_EQ(soloEvents(), 2u);

    // Closing asks too; a second request while the question is open (Ctrl+Q)
    // waits for the same answer.
    select("solo");
    view->btnInsert->onMenuClicked(MACRO_INSERT_MIDDLE, 0);
    click(view->btnExit);
    ASSERT_TRUE(asking());
    std::vector<bool> answers;
    view->settleUnsavedChanges([&](bool proceed) { answers.push_back(proceed); });
    answerWith(view->msgView->btnCancel);
    EXPECT_EQ(answers, std::vector<bool>{false});
    EXPECT_TRUE(view->isVisible());
    click(view->btnExit);
    view->settleUnsavedChanges([&](bool proceed) { answers.push_back(proceed); });
    answerWith(view->msgView->btnOk);
    EXPECT_EQ(answers, (std::vector<bool>{false, true}));
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(soloEvents(), 4u);
}

TEST_F(MacroViewUnsaved, ANewMacroDiscardedLeavesTheTree) {
    gVar.AutoSaveMacro = 0;
    view->listMacro->selectItem(nullptr);
    view->onMenuClicked(MACRO_CMD_NEW, 1);
    answer("fresh");
    ASSERT_TRUE(item("fresh"));
    EXPECT_TRUE(view->hasUnsavedChanges());  // its file comes with the first save
    select("solo");
    answerWith(view->msgView->btnOther);
    EXPECT_FALSE(item("fresh"));
    EXPECT_FALSE(fs::exists(macroDir + "fresh.mcf"));
    EXPECT_EQ(view->listMacro->getSeletedObject(), item("solo"));
}

TEST_F(MacroViewUnsaved, AFailedSaveKeepsTheEditorOnTheMacro) {
    gVar.AutoSaveMacro = 1;
    select("combo");
    view->btnInsert->onMenuClicked(MACRO_INSERT_MIDDLE, 0);
    // A plain file where its folder should be: the save cannot write.
    fs::rename(macroDir + "Games", macroDir + "moved");
    std::ofstream(macroDir + "Games") << "x";
    select("solo");
    // What failed, and below it why: a folder on the way is a plain file.
    EXPECT_EQ(shownMessage(),
              QString::fromStdString("The macro could not be saved to " + macroDir + "Games/combo.mcf.\nNot a directory"));
    test::saveScreenshot(owner.get(), "macro_save_failed");
    dismiss();
    EXPECT_EQ(view->listMacro->getSeletedObject(), item("combo"));
    EXPECT_EQ(rows().size(), 3u);
    bool wentOn = true;
    view->settleUnsavedChanges([&](bool proceed) { wentOn = proceed; });
    EXPECT_FALSE(wentOn);
    dismiss();
    EXPECT_FALSE(view->saveUnsavedChanges());
    EXPECT_FALSE(view->msgView->isVisible());  // an end that cannot ask shows nothing
}

}  // namespace
}  // namespace keyloom
