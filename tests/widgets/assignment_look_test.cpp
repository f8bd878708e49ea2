// The function picker and the knob settings with the shipped pictures in
// every shipped language: captions fit their buttons, no modifier label runs
// into the next box or off its card, and a screenshot of each.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QScrollBar>

#include "ui/MacroView.h"
#include "ui/MsgView.h"
#include "ui/PickFuncView.h"
#include "ui/SrView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/assignment_ground.h"

namespace keyloom {
namespace {

// Cards of the two dialog pictures, bottom-left origin: where the page or a
// direction's controls must stay.
const QRectF kPickerPage(152, 48, 346, 218);
const QRectF kKnobColumn[2] = {QRectF(24, 54, 226, 240), QRectF(258, 54, 226, 240)};

qreal labelEnd(const PngButton* box) {
    return box->Right() + 6 + QFontMetricsF(get_font()).horizontalAdvance(box->label());
}

// A button whose caption is too long shows it as its tooltip instead of its hint.
void expectCaptionsFit(const QWidget* dialog, const char* language) {
    // The buttons declare no meta-object of their own, so they are told apart by their C++ type.
    for (const QObject* child : dialog->children()) {
        const auto* button = dynamic_cast<const PngButton*>(child);
        if (button && !button->caption().isEmpty()) {
            EXPECT_NE(button->toolTip(), button->caption()) << language << ": " << button->caption().toStdString();
        }
    }
}

class AssignmentLook : public test::AssignmentGround {};

TEST_F(AssignmentLook, PickerPagesInEveryLanguage) {
    auto* picker = new PickFuncView(owner.get());
    picker->clock = [] { return 100.0; };
    showOwner();
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        const char* language = gVar.Lang[i].szDir;
        SwitchLanguage(i);
        picker->onRefreshText();
        picker->nKeyIndex = 10;
        picker->nShowColor = 1;
        showPickFunc(owner.get(), overlay, picker, nullptr);
        test::sendKey(picker, KEY_LEFTCTRL);
        test::sendKey(picker, KEY_K);
        test::sendKey(picker, KEY_F4);
        picker->modifiers.btnShift->setCheck(true);
        picker->modifiers.btnCommand->setCheck(true);
        expectCaptionsFit(picker, language);
        const auto boxes = picker->modifiers.all();
        for (size_t b = 0; b < boxes.size(); ++b) {
            const qreal end = labelEnd(boxes[b]);
            if (b + 1 < boxes.size())
                EXPECT_LE(end, frameOf(boxes[b + 1]).x() - 2) << language << " box " << b;
            else
                EXPECT_LE(end, kPickerPage.right()) << language;
        }
        test::saveScreenshot(owner.get(), QStringLiteral("look_pickfunc_key_%1").arg(language));
        picker->showPage(PICK_PAGE_MEDIA);
        picker->btnMediaFun->SetCurSel(12);
        test::saveScreenshot(owner.get(), QStringLiteral("look_pickfunc_media_%1").arg(language));
        if (i == 0) {
            // More macros than the list shows: it scrolls, folders with their picture.
            for (int m = 0; m < 14; ++m) putMacro("Raid/boss " + std::to_string(m) + ".mcf", 700 + m, "boss");
            putMacro("Builds/farm.mcf", 720, "farm");
            picker->loadMacroToList();
            picker->showPage(PICK_PAGE_MACRO);
            picker->listMacro->expandItem(picker->dataMacro()->findItemForName("Raid"));
            QApplication::processEvents();  // the list lays out its scroll bar
            EXPECT_GT(picker->listMacro->verticalScrollBar()->maximum(), 0);
            EXPECT_TRUE(picker->listMacro->verticalScrollBar()->isVisible());
            test::saveScreenshot(owner.get(), "look_pickfunc_macros_scrolling");
        }
        picker->btnExit->setFocus();
        picker->hide();
        overlay->hide();
    }
}

TEST_F(AssignmentLook, KnobSettingsInEveryLanguage) {
    auto* dialog = new SrView(owner.get());
    showOwner();
    profile->stKnod[0][6].dwFunID = 0x02000000;
    profile->stKnod[0][6].stCombo = ST_COMBO{MOD_LCTRL | MOD_LGUI, uint8_t(test::hostKey(KEY_PAGEUP)), VK_NONE, 0};
    profile->stKnod[1][6].dwFunID = 0x0400002B;  // the longest text of the list in most languages
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        const char* language = gVar.Lang[i].szDir;
        SwitchLanguage(i);
        dialog->onRefreshText();
        dialog->setIndex = 6;
        showSrView(owner.get(), overlay, dialog, nullptr);
        expectCaptionsFit(dialog, language);
        for (int d = 0; d < 2; ++d) {
            const ModifierBoxes& boxes = dialog->modifiers[d];
            EXPECT_LE(labelEnd(boxes.btnShift), frameOf(boxes.btnCtrl).x() - 2) << language;
            EXPECT_LE(labelEnd(boxes.btnOption), frameOf(boxes.btnCommand).x() - 2) << language;
            EXPECT_LE(labelEnd(boxes.btnCtrl), kKnobColumn[d].right()) << language;
            EXPECT_LE(labelEnd(boxes.btnCommand), kKnobColumn[d].right()) << language;
            const QFontMetricsF metrics(get_font());
            EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(GetText(d ? "tc_msg4" : "tc_msg2"))),
                      dialog->rcGrid[d].width())
                << language;
        }
        test::saveScreenshot(owner.get(), QStringLiteral("look_srview_%1").arg(language));
        dialog->hide();
        overlay->hide();
    }
}

TEST_F(AssignmentLook, MacroEditorInEveryLanguage) {
    putMacro("Raid/opener.mcf", 801, "opener");
    auto* view = new MacroView(owner.get(), macros);
    showOwner();
    showMacroView(overlay, view);
    view->listMacro->expandItem(view->dataMacro()->findItemForName("Raid"));
    view->listMacro->selectItem(view->dataMacro()->findItemForName("opener"));
    view->btnInsert->onMenuClicked(MACRO_INSERT_MIDDLE, 0);
    ASSERT_FALSE(view->msgView->isVisible());
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i) {
        const char* language = gVar.Lang[i].szDir;
        SwitchLanguage(i);
        view->onRefreshText();
        expectCaptionsFit(view, language);
        // The insert list's label stays clear of the box above it.
        EXPECT_LE(get_up_text_rect(view->btnInsert, 0).bottom(), frameOf(view->btnLoopUntilKeyUp).y() - 4) << language;
        test::saveScreenshot(owner.get(), QStringLiteral("look_macro_%1").arg(language));
    }
}

}  // namespace
}  // namespace keyloom
