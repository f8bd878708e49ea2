// The macro editor's unsaved work: what the editor shows of a tree item,
// saving, and the Save, Discard or Cancel question before it leaves a macro
// whose changes are not in its file yet.
#include <filesystem>

#include "config/gvar.h"
#include "config/language.h"
#include "ui/MacroView.h"
#include "ui/MsgView.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"

namespace keyloom {

namespace {

constexpr uint32_t kUnsaved = MACRO_DIRTY_EVENTS | MACRO_DIRTY_SETTINGS;

outlineviewData* findBySerial(outlineviewData* item, uint64_t serial) {
    if (item->serial == serial) return item;
    for (auto& child : item->array)
        if (outlineviewData* found = findBySerial(child.get(), serial)) return found;
    return nullptr;
}

}  // namespace

bool MacroView::hasUnsavedChanges() const {
    const _ST_MACRO* macro = selectedMacro();
    return recorder.recording() || (macro && (macro->dwDirty & kUnsaved) != 0);
}

void MacroView::settleUnsavedChanges(std::function<void(bool proceed)> then) {
    if (!settleWaiting_.empty()) {  // the question is open: its answer settles this too
        settleWaiting_.push_back(std::move(then));
        return;
    }
    if (recorder.recording()) stopRecording();
    if (!hasUnsavedChanges()) return then(true);
    if (gVar.AutoSaveMacro != 0) return then(saveSelected(true));
    settleWaiting_.push_back(std::move(then));
    askAboutChanges();
}

bool MacroView::saveUnsavedChanges() {
    if (recorder.recording()) stopRecording();
    return !hasUnsavedChanges() || saveSelected(false);
}

void MacroView::askAboutChanges() {
    if (!isVisible()) show();  // the question needs the editor it is about
    const QString text = QString::fromStdString(FormatText("tc_macro_unsaved", {selectedItem_->name}));
    showChoice(msgOverlay, msgView, text, "tc_macro_save", "tc_macro_discard", [this](MsgView* dialog) {
        // Taken first: what runs below may ask to settle again, and must not wait for this answer.
        std::vector<std::function<void(bool)>> waiting;
        waiting.swap(settleWaiting_);
        bool proceed = false;
        if (dialog->nAnswer == MSG_ANSWER_OK) {
            proceed = saveSelected(true);
        } else if (dialog->nAnswer == MSG_ANSWER_OTHER) {
            discardChanges();
            proceed = true;
        }
        for (auto& then : waiting) then(proceed);
    });
}

bool MacroView::saveSelected(bool tell) {
    _ST_MACRO* macro = selectedMacro();
    if (!macro) return false;
    if (checkMacro(&keyRows_)) listKey->reloadData();
    if (macro->dwDirty & MACRO_DIRTY_EVENTS) KeyList_To_Macro(&keyRows_, macro);
    if (macro->dwDirty & MACRO_DIRTY_SETTINGS) {
        macro->bAutoDelay = btnAuto->getCheck() ? 1 : 0;
        macro->nLoopMode = uint32_t(playMode());
        if (macro->nLoopMode == 0) {
            const int repeat = textField->text().toInt();
            macro->stData.wRepeat = uint16_t(repeat > 0 ? repeat : 1);
        }
    }
    const std::string path = tree_.item_to_filepath(selectedItem_);
    Reason why;
    if (!Flush_Dirty_Macro(macro, path, &why)) {
        if (tell) showWarning(QString::fromStdString(ReasonText(MakeReason("tc_macro_save_failed", {path}, why))));
        return false;
    }
    btnSave->hide();
    return true;
}

void MacroView::discardChanges() {
    _ST_MACRO* macro = selectedMacro();
    if (!macro) return;
    macro->dwDirty &= ~kUnsaved;
    std::error_code ec;
    if (std::filesystem::exists(tree_.item_to_filepath(selectedItem_), ec)) {
        showItem(selectedItem_);
        return;
    }
    outlineviewData* gone = selectedItem_;
    selectedItem_ = nullptr;  // so the list's report of the lost selection changes nothing
    tree_.delete_item(gone);
    listMacro->reloadData();
    showItem(nullptr);
}

void MacroView::showItem(outlineviewData* item) {
    selectedItem_ = item;
    keyRows_.clear();
    const _ST_MACRO* macro = selectedMacro();
    if (macro) {
        Macro_To_KeyList(*macro, &keyRows_);
        btnAuto->setCheck(macro->bAutoDelay != 0);
        setLoop(int(macro->nLoopMode));
        refreshingRepeat_ = true;
        textField->setText(QString::number(macro->stData.wRepeat));
        refreshingRepeat_ = false;
    }
    // A new macro is unsaved from the start: its file comes with the first save.
    btnSave->setVisible(macro && (macro->dwDirty & kUnsaved) != 0);
    listKey->reloadData();
    if (item && item->nFlagData == MACRO_ITEM_MACRO && !macro) refuseUnusable();
}

void MacroView::refuseUnusable() {
    if (!selectedItem_ || selectedItem_->nFlagData != MACRO_ITEM_MACRO) return;
    const std::string why = selectedItem_->unusable.empty() ? std::string() : GetText(selectedItem_->unusable);
    showWarning(QString::fromStdString(FormatText("tc_macro_file_refused", {selectedItem_->name, why})));
}

outlineviewData* MacroView::treeItem(uint64_t serial) {
    return serial == 0 ? nullptr : findBySerial(tree_.root(), serial);
}

}  // namespace keyloom
