// Macro files the editor cannot use are shown as such: greyed in the editor's
// tree and in the function picker's, with the reason as tooltip, and nothing
// of another macro is ever shown or saved in their place. A copied file gets
// an id of its own when the window reads the folder.
#include <gtest/gtest.h>

#include "base/debug.h"
#include "ui/PickFuncView.h"
#include "widgets/macroview_ground.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;

class MacroViewFiles : public test::MacroViewGround {
protected:
    void putFiles() override {
        const std::string record = fileBytes("solo.mcf");
        spill("broken/garbage.mcf", std::string(MACRO_FILE_SIZE, 'x'));
        spill("broken/cut.mcf", record.substr(0, 700));
        spill("broken/empty.mcf", "");
        spill("broken/long.mcf", record + "and more");
        spill("solo copy.mcf", record);  // copied in a file manager: solo's id
    }
    void spill(const std::string& rel, const std::string& bytes) {
        fs::create_directories(fs::path(macroDir + rel).parent_path());
        std::ofstream(macroDir + rel, std::ios::binary) << bytes;
    }
    static QString tooltipOf(MyOutlineView* list, const outlineviewData* item) {
        return list->model()->data(list->delegateSource()->indexOf(item), Qt::ToolTipRole).toString();
    }
};

TEST_F(MacroViewFiles, UnreadableFilesAreGreyedWithTheReasonAndNeverEdited) {
    const std::pair<const char*, const char*> broken[] = {
        {"garbage", "This file does not hold a macro."},
        {"cut", "This macro file is cut short: a macro file holds 1484 bytes."},
        {"empty", "This macro file is empty."},
        {"long", "This file is longer than a macro file (1484 bytes), so it is not one."},
    };
    view->listMacro->expandItem(item("broken"));
    for (const auto& [name, reason] : broken) {
        outlineviewData* file = item(name);
        ASSERT_TRUE(file) << name;
        EXPECT_EQ(file->nItemData, 0u) << name;
        EXPECT_EQ(tooltipOf(view->listMacro, file), reason) << name;
    }
    EXPECT_EQ(tooltipOf(view->listMacro, item("solo")), "");

    // Selected after a macro with rows: the rows go, and the editor says why.
    select("solo");
    view->btnInsert->onMenuClicked(MACRO_INSERT_MIDDLE, 0);
    ASSERT_TRUE(view->onSave());
    select("garbage");
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(view->btnSave->isVisible());
    EXPECT_EQ(shownMessage(), "“garbage” cannot be opened as a macro. This file does not hold a macro. You can rename "
                              "or delete it.");
    test::saveScreenshot(owner.get(), "macro_unreadable_selected");
    dismiss();
    test::saveScreenshot(owner.get(), "macro_unreadable_greyed");

    // Recording, inserting and saving are refused; nothing is written anywhere.
    const std::string before = fileBytes("broken/garbage.mcf");
    click(view->btnRecord);
    EXPECT_FALSE(view->recorder.recording());
    EXPECT_FALSE(shownMessage().isEmpty());
    dismiss();
    view->btnInsert->onMenuClicked(MACRO_INSERT_LEFT, 0);
    EXPECT_TRUE(rows().empty());
    dismiss();
    EXPECT_FALSE(view->onSave());
    EXPECT_FALSE(view->hasUnsavedChanges());
    EXPECT_EQ(fileBytes("broken/garbage.mcf"), before);
    EXPECT_EQ(readBack("solo.mcf").stData.stItem[0].wVk, MACRO_MOUSE_MIDDLE);  // solo's save stays solo's

    // It can still be deleted.
    view->onMenuClicked(MACRO_CMD_DELETE, 1);
    dismiss();
    EXPECT_FALSE(item("garbage"));
    EXPECT_FALSE(fs::exists(macroDir + "broken/garbage.mcf"));
}

TEST_F(MacroViewFiles, ACopiedFileGetsAnIdOfItsOwnAndThePickerGreysWhatCannotBeUsed) {
    // solo keeps its id; its copy has a new one, written into its file.
    EXPECT_EQ(item("solo")->nItemData, 902u);
    const uint64_t copyId = item("solo copy")->nItemData;
    EXPECT_NE(copyId, 0u);
    EXPECT_NE(copyId, 902u);
    EXPECT_EQ(readBack("solo copy.mcf").dwID, copyId);
    const std::vector<std::string> lines = log->lines();
    EXPECT_NE(std::find_if(lines.begin(), lines.end(),
                           [](const std::string& l) { return l.rfind("Macro file solo copy.mcf had the id", 0) == 0; }),
              lines.end());

    // The picker lists the folder by the same tree: the unreadable files greyed, with their reasons.
    auto* picker = new PickFuncView(owner.get());
    picker->nKeyIndex = 10;
    showPickFunc(owner.get(), overlay, picker, nullptr);
    picker->showPage(PICK_PAGE_MACRO);
    outlineviewData* cut = picker->dataMacro()->findItemForName("cut");
    ASSERT_TRUE(cut);
    picker->listMacro->expandItem(cut->parentItem);
    EXPECT_EQ(tooltipOf(picker->listMacro, cut), "This macro file is cut short: a macro file holds 1484 bytes.");
    EXPECT_EQ(picker->dataMacro()->findItemForName("solo copy")->nItemData, copyId);
    test::saveScreenshot(owner.get(), "pickfunc_macro_unreadable");
    // Choosing one changes nothing.
    const _KEYINFO before = *picker->editedKey();
    picker->listMacro->selectItem(cut);
    click(picker->btnOk);
    EXPECT_EQ(std::memcmp(picker->editedKey(), &before, sizeof before), 0);
}

}  // namespace
}  // namespace keyloom
