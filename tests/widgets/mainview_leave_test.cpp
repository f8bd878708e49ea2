// Ctrl+Q settles the macro editor's unsaved work before the program ends:
// Cancel keeps it running, Save writes the macro and then ends.
#include <QTest>

#include "macro/macrofile.h"
#include "ui/MacroView.h"
#include "widgets/ComboBtn.h"
#include "widgets/mainview_ground.h"

namespace keyloom {
namespace {

class MainViewLeave : public test::MainViewGround {
protected:
    void SetUp() override {
        MainViewGround::SetUp();
        build();
        view->quitApplication = [this] { ++quits; };
        click(probe->btnMacro());
        editor = probe->macroView();
        editor->listMacro->selectItem(editor->dataMacro()->findItemForName("Greeting"));
        ASSERT_NE(editor->selectedMacro(), nullptr);
    }
    // A left click inserted: press, pause, release; not yet in the file.
    void editGreeting() {
        editor->btnInsert->onMenuClicked(MACRO_INSERT_LEFT, 0);
        ASSERT_TRUE(editor->hasUnsavedChanges());
    }
    int storedEvents() {
        _ST_MACRO macro{};
        EXPECT_TRUE(read_macro_file(data_.path() + "/mac/Greeting.mcf", &macro));
        return get_macro_event_count(macro);
    }
    // An application shortcut: it needs an active window of the program.
    void pressCtrlQ() {
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get(), 5000));
        QTest::keyClick(view.get(), Qt::Key_Q, Qt::ControlModifier);
    }
    bool asking() const { return editor->msgView->isVisible() && editor->msgView->msgID == MSG_CHOICE; }

    MacroView* editor = nullptr;
    int quits = 0;
};

TEST_F(MainViewLeave, CtrlQSettlesUnsavedMacroEditsFirst) {
    gVar.AutoSaveMacro = 0;
    editGreeting();
    pressCtrlQ();
    ASSERT_TRUE(asking());
    test::saveScreenshot(view.get(), "mainview_quit_with_unsaved_macro");
    click(editor->msgView->btnCancel);
    EXPECT_EQ(quits, 0) << "Cancel keeps the program running";
    EXPECT_TRUE(editor->hasUnsavedChanges());
    EXPECT_EQ(storedEvents(), 0);

    pressCtrlQ();
    ASSERT_TRUE(asking());
    click(editor->msgView->btnOk);  // Save
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(storedEvents(), 2) << "saved tidied: the pause is the press's delay";
}

}  // namespace
}  // namespace keyloom
