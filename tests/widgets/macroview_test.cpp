// The macro editor over a temporary macro folder: recording from synthetic
// key events on a settable clock, editing rows through the insert list and
// the right-click menus, the repeat field, saving with the exact event bytes
// in the file, and the tree's commands.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <fstream>

#include "macro/macrofile.h"
#include "model/hwparam.h"
#include "ui/MacroView.h"
#include "ui/MsgView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/PngButton.h"
#include "widgets/TextField.h"
#include "widgets/assignment_ground.h"

namespace keyloom {
namespace {

namespace fs = std::filesystem;

class MacroViewTest : public test::AssignmentGround {
protected:
    void SetUp() override {
        AssignmentGround::SetUp();
        putMacro("Games/combo.mcf", 901, "combo");
        putMacro("solo.mcf", 902, "solo");
        view = new MacroView(owner.get());
        view->clock = [this] { return now; };
        showOwner();
        showMacroView(overlay, view);
    }

    void click(PngButton* button) { test::clickAt(button, QPoint(button->width() / 2, button->height() / 2)); }
    outlineviewData* item(const char* name) { return view->dataMacro()->findItemForName(name); }
    void select(const char* name) {
        outlineviewData* found = item(name);
        ASSERT_TRUE(found) << name;
        for (outlineviewData* up = found->parentItem; up && up->parentItem; up = up->parentItem)
            view->listMacro->expandItem(up);
        view->listMacro->selectItem(found);
    }
    std::vector<std::string> rows() const {
        std::vector<std::string> texts;
        for (const auto& row : const_cast<MacroView*>(view)->dataKey()->array) texts.push_back(row->name);
        return texts;
    }
    void key(int evdev, bool down, double at) {
        now = at;
        test::sendKey(view, evdev, down);
    }
    // Answers the editor's dialog: a text or number typed, or a key pressed, then OK.
    void answer(const QString& text) {
        ASSERT_TRUE(view->msgView->isVisible());
        view->msgView->textField->setText(text);
        click(view->msgView->btnOk);
    }
    void answerKey(int evdev) {
        ASSERT_TRUE(view->msgView->isVisible());
        test::sendKey(view->msgView, evdev);
        click(view->msgView->btnOk);
    }
    QString shownMessage() const { return view->msgView->isVisible() ? view->msgView->strMsg : QString(); }
    void dismiss() { click(view->msgView->btnOk); }
    _ST_MACRO readBack(const std::string& rel) {
        _ST_MACRO macro{};
        EXPECT_TRUE(read_macro_file(macroDir + rel, &macro)) << rel;
        return macro;
    }
    static std::vector<std::array<uint32_t, 3>> events(const _ST_MACRO& macro, int count) {
        std::vector<std::array<uint32_t, 3>> out;
        for (int i = 0; i < count; ++i) {
            const _ST_ITEM& e = macro.stData.stItem[i];
            out.push_back({e.wVk, e.wStatus, e.dwDelay});
        }
        return out;
    }
    // The open right-click menu's entries.
    static std::vector<QString> openMenuEntries() {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* menu = dynamic_cast<MenuWindow*>(top);
            if (!menu || menu->isClosed() || !menu->isVisible()) continue;
            std::vector<QString> entries;
            for (PngButton* button : menu->buttons()) entries.push_back(button->caption());
            return entries;
        }
        return {};
    }
    // The editor with its open menu, which is a window of its own, beside it.
    void saveWithMenu(const QString& name) {
        test::saveScreenshot(owner.get(), name);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* menu = dynamic_cast<MenuWindow*>(top); menu && !menu->isClosed())
                test::saveScreenshot(menu, name + "_menu");
    }
    static void closeMenus() {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* menu = dynamic_cast<MenuWindow*>(top); menu && !menu->isClosed()) menu->closeMenu();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void rightClick(MyOutlineView* list, QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
    }

    MacroView* view = nullptr;
    double now = 100;
};

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

    // While recording, exit, boxes and the tree do nothing.
    click(view->btnExit);
    click(view->btnLoopUntilKeyUp);
    EXPECT_TRUE(view->isVisible());
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

TEST_F(MacroViewTest, TheListHoldsWhatTheKeyboardPlays) {
    // 63 key rows fill a 192-byte slot: 2 + 3 x 63 bytes.
    select("solo");
    click(view->btnAuto);
    click(view->btnRecord);
    for (int i = 0; i < 31; ++i) {
        key(KEY_B, true, i);
        key(KEY_B, false, i + 0.5);
    }
    key(KEY_C, true, 40);
    EXPECT_EQ(view->dataKey()->array.size(), 63u);
    EXPECT_TRUE(shownMessage().isEmpty());
    key(KEY_C, false, 41);
    EXPECT_EQ(view->dataKey()->array.size(), 63u);
    EXPECT_EQ(shownMessage(), "The macro is full. Delete some events first.");
    dismiss();
    click(view->btnRecord);

    // Inserting a click (two key rows) is refused too.
    view->btnInsert->onMenuClicked(MACRO_INSERT_LEFT, 0);
    EXPECT_EQ(shownMessage(), "The macro is full. Delete some events first.");
    EXPECT_EQ(view->dataKey()->array.size(), 63u);
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
    // Rows before the first press go; neighbouring pauses merge.
    EXPECT_EQ(rows(), (std::vector<std::string>{"Left Click", "50 ms", "S", "70 ms"}));
    const _ST_MACRO saved = readBack("solo.mcf");
    using E = std::array<uint32_t, 3>;
    EXPECT_EQ(events(saved, 3), (std::vector<E>{{240, 1, 50}, {1, 1, 70}, {0, 0, 0}}));
    EXPECT_EQ(saved.stData.wRepeat, 7);
    EXPECT_EQ(saved.nLoopMode, 0u);
}

TEST_F(MacroViewTest, SelectingAnotherMacroDropsUnsavedRows) {
    select("solo");
    view->btnInsert->onMenuClicked(MACRO_INSERT_MIDDLE, 0);
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_TRUE(view->btnSave->isVisible());
    click(view->btnLoopUntilAnyKey);
    select("combo");
    EXPECT_FALSE(view->btnSave->isVisible());
    select("solo");
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(view->playMode(), 0);
    EXPECT_TRUE(view->textField->isVisible());
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
    EXPECT_TRUE(item("blitz-copy"));

    // Delete asks first; Cancel keeps the macro.
    view->listMacro->selectItem(item("blitz"));
    view->onMenuClicked(MACRO_CMD_DELETE, 1);
    EXPECT_EQ(shownMessage(), "Delete the selected item? It cannot be undone.");
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
