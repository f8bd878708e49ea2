// The macro editor over a temporary macro folder, shown over an owner window:
// the ground of the editor's tests, with helpers that click, type, answer its
// dialog and read its files back.
#pragma once
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <array>
#include <fstream>

#include "config/gvar.h"
#include "macro/macrofile.h"
#include "model/hwparam.h"
#include "ui/MacroView.h"
#include "ui/MsgView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/PngButton.h"
#include "widgets/TextField.h"
#include "widgets/assignment_ground.h"

namespace keyloom::test {

class MacroViewGround : public AssignmentGround {
protected:
    void SetUp() override {
        AssignmentGround::SetUp();
        savedAutoSave_ = gVar.AutoSaveMacro;
        putMacro("Games/combo.mcf", 901, "combo");
        putMacro("solo.mcf", 902, "solo");
        putFiles();
        view = new MacroView(owner.get(), macros);
        view->clock = [this] { return now; };
        showOwner();
        showMacroView(overlay, view);
    }
    void TearDown() override {
        gVar.AutoSaveMacro = savedAutoSave_;
        AssignmentGround::TearDown();
    }
    // More files of a test's own in the macro folder before the editor reads it.
    virtual void putFiles() {}

    void click(PngButton* button) { clickAt(button, QPoint(button->width() / 2, button->height() / 2)); }
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
        sendKey(view, evdev, down);
    }
    // Answers the editor's dialog: a text or number typed, or a key pressed, then OK.
    void answer(const QString& text) {
        ASSERT_TRUE(view->msgView->isVisible());
        view->msgView->textField->setText(text);
        click(view->msgView->btnOk);
    }
    void answerKey(int evdev) {
        ASSERT_TRUE(view->msgView->isVisible());
        sendKey(view->msgView, evdev);
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
        saveScreenshot(owner.get(), name);
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* menu = dynamic_cast<MenuWindow*>(top); menu && !menu->isClosed())
                saveScreenshot(menu, name + "_menu");
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

    // The bytes of a file below the macro folder.
    std::string fileBytes(const std::string& rel) const {
        std::ifstream in(macroDir + rel, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    MacroView* view = nullptr;
    double now = 100;
    int32_t savedAutoSave_ = 1;
};


}  // namespace keyloom::test
