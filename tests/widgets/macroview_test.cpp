// The macro editor over a temporary macro folder: recording from synthetic
// key events on a settable clock, editing rows through the insert list and
// the right-click menus, the repeat field, saving with the exact event bytes
// in the file, and the tree's commands.
#include <gtest/gtest.h>

#include "widgets/macroview_ground.h"

#include <QTest>

namespace keyloom {
namespace {

namespace fs = std::filesystem;

class MacroViewTest : public test::MacroViewGround {};

TEST_F(MacroViewTest, RecordsShiftAWithPausesAndSavesTheExactEvents) {
    select("solo");
    EXPECT_TRUE(view->btnAuto->getCheck());  // a new macro records its pauses
    click(view->btnRecord);
    EXPECT_EQ(view->btnRecord->caption(), "Stop");
    EXPECT_TRUE(view->btnRecord->getCheck());
    EXPECT_FALSE(view->textField->isVisible());
    key(KEY_LEFTSHIFT, true, 100.0);
    key(KEY_A, true, 100.25);
    key(KEY_A, true, 100.30);  // the desktop's auto-repeat
    key(KEY_A, true, 100.35);
    key(KEY_A, false, 100.5);
    key(KEY_LEFTSHIFT, false, 100.75);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Shift", "250 ms", "A", "250 ms", "A", "250 ms", "Shift"}));
    test::saveScreenshot(owner.get(), "macro_recording");

    // While recording, the boxes do nothing.
    click(view->btnLoopUntilKeyUp);
    EXPECT_EQ(view->playMode(), 0);

    click(view->btnRecord);
    EXPECT_EQ(view->btnRecord->caption(), "Record");
    EXPECT_TRUE(view->btnSave->isVisible());
    test::saveScreenshot(owner.get(), "macro_recorded");
    ASSERT_TRUE(view->onSave());
    EXPECT_FALSE(view->btnSave->isVisible());

    const _ST_MACRO saved = readBack("solo.mcf");
    using E = std::array<uint32_t, 3>;
    EXPECT_EQ(events(saved, 5), (std::vector<E>{{56, 1, 250}, {0, 1, 250}, {0, 0, 250}, {56, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(saved.bAutoDelay, 1u);
    EXPECT_EQ(saved.dwDirty, 0u);
}

TEST_F(MacroViewTest, EscapeAndReturnAreRecordedWhileRecordingAndOtherwiseCloseTheEditor) {
    select("solo");
    click(view->btnRecord);
    key(KEY_ESC, true, 100.0);
    key(KEY_ESC, false, 100.1);
    key(KEY_ENTER, true, 100.2);
    key(KEY_ENTER, false, 100.3);
    EXPECT_TRUE(view->isVisible());  // keys like any other while recording
    click(view->btnRecord);

    // Return keeps the work: the macro is saved and the editor closes.
    ASSERT_TRUE(view->hasUnsavedChanges());
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_EQ(readBack("solo.mcf").stData.stItem[0].wVk, test::hostKey(KEY_ESC));

    // Escape closes as the close button does: unsaved work is asked about first.
    const auto autoSave = gVar.AutoSaveMacro;
    gVar.AutoSaveMacro = 0;
    showMacroView(overlay, view);
    select("solo");
    click(view->btnAuto);
    ASSERT_TRUE(view->hasUnsavedChanges());
    QTest::keyClick(view, Qt::Key_Escape);
    ASSERT_TRUE(view->msgView->isVisible());
    EXPECT_EQ(view->msgView->msgID, MSG_CHOICE);
    QTest::keyClick(view->msgView, Qt::Key_Escape);  // Cancel: the editor stays on the macro
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(view->msgView->isVisible());
    QTest::keyClick(view, Qt::Key_Escape);
    QTest::keyClick(view->msgView, Qt::Key_Return);  // Save
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(view->hasUnsavedChanges());
    gVar.AutoSaveMacro = autoSave;
}

// The keyboard plays 63 key events of a macro: a recording that would leave
// no room for the releases of the keys held ends with them.
TEST_F(MacroViewTest, ARecordingThatFillsTheMacroEndsWithTheReleasesOfTheKeysHeld) {
    select("solo");
    click(view->btnAuto);
    click(view->btnRecord);
    key(KEY_LEFTSHIFT, true, 1);
    for (int i = 0; i < 29; ++i) {
        key(KEY_B, true, 2 + i);
        key(KEY_B, false, 2.5 + i);
    }
    key(KEY_C, true, 40);
    EXPECT_EQ(view->dataKey()->array.size(), 60u);  // Shift and C held: 62 with their releases
    EXPECT_TRUE(shownMessage().isEmpty());
    key(KEY_D, true, 41);  // D and three releases would be 64
    EXPECT_EQ(shownMessage(), "The macro is full, so the recording has stopped. Keys still held are released at its end.");
    EXPECT_EQ(rows().size(), 62u);
    const std::vector<std::string> recorded = rows();
    EXPECT_EQ(std::vector<std::string>(recorded.end() - 3, recorded.end()), (std::vector<std::string>{"C", "C", "Shift"}));
    EXPECT_EQ(view->btnRecord->caption(), "Record");
    EXPECT_TRUE(view->btnSave->isVisible());
    test::saveScreenshot(owner.get(), "macro_full");
    dismiss();
    key(KEY_D, false, 42);  // recording no more
    EXPECT_EQ(rows().size(), 62u);

    // Inserting a press is refused the same way: it needs room for its release too.
    view->btnInsert->onMenuClicked(MACRO_INSERT_PRESS, 0);
    EXPECT_EQ(shownMessage(), "The macro is full. Delete some events first.");
    dismiss();
    ASSERT_TRUE(view->onSave());
    const _ST_MACRO saved = readBack("solo.mcf");
    EXPECT_EQ(get_macro_event_count(saved), 62);
    EXPECT_EQ(saved.stData.stItem[61].wVk, 56);
    EXPECT_EQ(saved.stData.stItem[61].wStatus, 0);
}

TEST_F(MacroViewTest, InsertChangeAndDeleteRowsThenTidyOnSave) {
    select("solo");
    view->btnInsert->onMenuClicked(MACRO_INSERT_PAUSE, 0);
    answer("30");
    view->btnInsert->onMenuClicked(MACRO_INSERT_RELEASE, 0);
    answerKey(KEY_Q);
    view->btnInsert->onMenuClicked(MACRO_INSERT_PRESS, 0);
    answerKey(KEY_A);
    view->btnInsert->onMenuClicked(MACRO_INSERT_PAUSE, 0);
    answer("30");
    view->btnInsert->onMenuClicked(MACRO_INSERT_PAUSE, 0);
    answer("40");
    EXPECT_EQ(view->btnInsert->GetCurSel(), -1);
    EXPECT_EQ(rows(), (std::vector<std::string>{"30 ms", "Q", "A", "30 ms", "40 ms"}));

    // A left click goes before the selected row.
    view->listKey->selectItem(view->dataKey()->array[2].get());
    view->btnInsert->onMenuClicked(MACRO_INSERT_LEFT, 0);
    EXPECT_EQ(rows(), (std::vector<std::string>{"30 ms", "Q", "Left Click", "50 ms", "Left Click", "A", "30 ms",
                                                "40 ms"}));

    // Change the A row to S through the event list's menu; delete the second left-click row.
    view->listKey->selectItem(view->dataKey()->array[5].get());
    rightClick(view->listKey, view->listKey->visualRect(view->listKey->delegateSource()->indexOf(
                                  view->dataKey()->array[5].get())).center());
    EXPECT_EQ(openMenuEntries(), (std::vector<QString>{"Edit", "Insert", "Delete"}));
    saveWithMenu("macro_event_menu");
    closeMenus();
    view->onMenuClicked(MACRO_CMD_CHANGE_ROW, 2);
    answerKey(KEY_S);
    view->listKey->selectItem(view->dataKey()->array[4].get());
    view->onMenuClicked(MACRO_CMD_DELETE_ROW, 2);
    EXPECT_EQ(rows(), (std::vector<std::string>{"30 ms", "Q", "Left Click", "50 ms", "S", "30 ms", "40 ms"}));

    // Repeat field: kept in 1..255.
    view->textField->setText("300");
    EXPECT_EQ(view->textField->text(), "255");
    view->textField->setText("x");
    EXPECT_EQ(view->textField->text(), "1");
    view->textField->setText("7");

    ASSERT_TRUE(view->onSave());
    // Rows before the first press go; neighbouring pauses merge; the left
    // button whose release was deleted and S, never released, are released at the end.
    EXPECT_EQ(rows(), (std::vector<std::string>{"Left Click", "50 ms", "S", "70 ms", "S", "Left Click"}));
    const _ST_MACRO saved = readBack("solo.mcf");
    using E = std::array<uint32_t, 3>;
    EXPECT_EQ(events(saved, 5), (std::vector<E>{{240, 1, 50}, {1, 1, 70}, {1, 0, 0}, {240, 0, 0}, {0, 0, 0}}));
    EXPECT_EQ(saved.stData.wRepeat, 7);
    EXPECT_EQ(saved.nLoopMode, 0u);
}

TEST_F(MacroViewTest, TreeCommandsMakeRenameDeleteExportAndImport) {
    rightClick(view->listMacro, QPoint(60, 250));  // below the last row
    EXPECT_EQ(openMenuEntries(), (std::vector<QString>{"New Macro", "New Folder", "Import…"}));
    saveWithMenu("macro_tree_menu_empty_area");
    closeMenus();
    select("combo");
    rightClick(view->listMacro,
               view->listMacro->visualRect(view->listMacro->delegateSource()->indexOf(item("combo"))).center());
    EXPECT_EQ(openMenuEntries(),
              (std::vector<QString>{"New Macro", "New Folder", "Rename", "Delete", "Export…", "Import…"}));
    saveWithMenu("macro_tree_menu_macro");
    closeMenus();

    // A new macro in the selected macro's folder; its file comes with the first save.
    view->onMenuClicked(MACRO_CMD_NEW, 1);
    answer("burst");
    outlineviewData* burst = item("burst");
    ASSERT_TRUE(burst);
    EXPECT_EQ(burst->parentItem, item("Games"));
    EXPECT_EQ(view->listMacro->getSeletedObject(), burst);
    EXPECT_TRUE(view->btnSave->isVisible());
    view->btnInsert->onMenuClicked(MACRO_INSERT_RIGHT, 0);  // other events than the empty macros beside it
    ASSERT_TRUE(view->onSave());
    EXPECT_TRUE(fs::exists(macroDir + "Games/burst.mcf"));

    // Names: a duplicate and a name that cannot be a file name are refused with a reason.
    view->onMenuClicked(MACRO_CMD_NEW, 1);
    answer("burst");
    EXPECT_EQ(shownMessage(), "That name is in use in this folder. Choose another.");
    dismiss();
    view->onMenuClicked(MACRO_CMD_NEW, 1);
    answer("a/b");
    EXPECT_FALSE(shownMessage().isEmpty());
    dismiss();
    EXPECT_FALSE(fs::exists(macroDir + "Games/a"));

    view->listMacro->selectItem(item("burst"));
    view->onMenuClicked(MACRO_CMD_RENAME, 1);
    answer("blitz");
    EXPECT_TRUE(fs::exists(macroDir + "Games/blitz.mcf"));
    EXPECT_FALSE(fs::exists(macroDir + "Games/burst.mcf"));

    view->onMenuClicked(MACRO_CMD_NEW_FOLDER, 1);
    answer("Work");
    EXPECT_TRUE(fs::is_directory(macroDir + "Games/Work"));

    // Export and import through the file chooser.
    const std::string exported = data_.path() + "/blitz-copy.mcf";
    view->chooseFile = [&](bool save, const QString& suggested) {
        EXPECT_EQ(suggested, save ? "blitz.mcf" : "");
        return QString::fromStdString(exported);
    };
    view->listMacro->selectItem(item("blitz"));
    view->onMenuClicked(MACRO_CMD_EXPORT, 1);
    EXPECT_TRUE(fs::exists(exported));
    view->listMacro->selectItem(nullptr);
    view->onMenuClicked(MACRO_CMD_IMPORT, 1);
    // The same macro is there already: it is shown, not copied.
    EXPECT_EQ(shownMessage(), "This macro is in the list already, as “Games/blitz”.");
    EXPECT_FALSE(item("blitz-copy"));
    EXPECT_EQ(view->listMacro->getSeletedObject(), item("blitz"));
    EXPECT_EQ(view->selectedMacro(), get_macro_by_id(uint32_t(item("blitz")->nItemData)));
    test::saveScreenshot(owner.get(), "macro_import_same");
    dismiss();

    // Delete asks first; Cancel keeps the macro.
    view->listMacro->selectItem(item("blitz"));
    view->onMenuClicked(MACRO_CMD_DELETE, 1);
    EXPECT_EQ(shownMessage(), "Delete the macro “blitz”? This cannot be undone.");
    click(view->msgView->btnCancel);
    EXPECT_TRUE(fs::exists(macroDir + "Games/blitz.mcf"));
    view->onMenuClicked(MACRO_CMD_DELETE, 1);
    dismiss();
    EXPECT_FALSE(fs::exists(macroDir + "Games/blitz.mcf"));
    EXPECT_FALSE(item("blitz"));

    click(view->btnExit);
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(overlay->isVisible());
}

}  // namespace
}  // namespace keyloom
