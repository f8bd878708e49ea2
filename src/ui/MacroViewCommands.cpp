// The macro editor's right-click menus: the tree's commands (new macro and
// folder, rename, delete, export, import) and the event list's (change,
// insert, delete a row), with the dialogs they ask through.
#include <QString>
#include <algorithm>

#include "config/language.h"
#include "base/paths.h"
#include "macro/stmacro.h"
#include "model/hwparam.h"
#include "ui/MacroView.h"
#include "ui/MsgView.h"
#include "widgets/ComboBtn.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

constexpr int kTreeMenu = 1;
constexpr int kKeyMenu = 2;
constexpr uint64_t kClickPause = 50;


// The question before a delete names what goes.
QString deleteQuestion(const outlineviewData& item) {
    const char* key = item.nFlagData == MACRO_ITEM_MACRO ? "tc_del_macro_ask" : "tc_del_folder_ask";
    return QString::fromStdString(FormatText(key, {item.name}));
}

int insertCode(int what) {
    return MACRO_CMD_INSERT | what << 16;
}

bool isKeyRow(const outlineviewData* row) {
    return row && (row->nFlagData == MACRO_ROW_UP || row->nFlagData == MACRO_ROW_DOWN);
}

}  // namespace

void MacroView::onItemRClicked(outlineviewData* item, MyOutlineView* sender) {
    // The click's change of selection may have asked about unsaved changes, or
    // failed to save them: that comes first.
    if (recorder.recording() || msgView->isVisible()) return;
    if (sender == listMacro) {
        showTreeMenu(item);
    } else if (sender == listKey && selectedMacro()) {
        showKeyMenu();
    }
}

void MacroView::showTreeMenu(outlineviewData* item) {
    std::vector<MenuData> items;
    auto add = [&](const char* key, int code) { AddMenuItem(items, int(items.size()), MENU_TOP_LEVEL, code, uiText(key)); };
    add("tc_macro_msg5", MACRO_CMD_NEW);
    add("tc_macro_newfolder", MACRO_CMD_NEW_FOLDER);
    if (item) {
        add("tc_macro_msg20", MACRO_CMD_RENAME);
        add("tc_macro_msg10", MACRO_CMD_DELETE);
    }
    if (item && item->nFlagData == MACRO_ITEM_MACRO) add("tc_macro_export", MACRO_CMD_EXPORT);
    add("tc_macro_import", MACRO_CMD_IMPORT);
    openMenu(items, kTreeMenu);
}

void MacroView::showKeyMenu() {
    std::vector<MenuData> items;
    const outlineviewData* row = listKey->getSeletedObject();
    if (row) AddMenuItem(items, 0, MENU_TOP_LEVEL, MACRO_CMD_CHANGE_ROW, uiText("tc_macro_msg7"));
    const int insertEntry = int(items.size());
    AddMenuItem(items, 0, MENU_TOP_LEVEL, MACRO_CMD_INSERT, uiText("tc_macro_loop"));
    const std::pair<const char*, int> inserts[] = {{"tc_stroke", MACRO_INSERT_PRESS},
                                                   {"tc_macro_msg16", MACRO_INSERT_PAUSE},
                                                   {"tc_click", MACRO_INSERT_LEFT},
                                                   {"tc_menu", MACRO_INSERT_RIGHT},
                                                   {"tc_middle", MACRO_INSERT_MIDDLE}};
    for (const auto& [key, what] : inserts) AddMenuItem(items, 0, insertEntry, insertCode(what), uiText(key));
    if (row) AddMenuItem(items, 0, MENU_TOP_LEVEL, MACRO_CMD_DELETE_ROW, uiText("tc_macro_msg10"));
    openMenu(items, kKeyMenu);
}

void MacroView::onMenuClicked(int code, int menuId) {
    if (recorder.recording()) return;
    if (menuId == kTreeMenu) {
        runTreeCommand(code, listMacro->getSeletedObject());
    } else if (menuId == kKeyMenu) {
        if (code == MACRO_CMD_CHANGE_ROW) changeRow();
        else if (code == MACRO_CMD_DELETE_ROW) deleteRow();
        else if ((code & MACRO_CMD_INSERT) && (code >> 16) != 0) insertRows(code >> 16 & 0xFF, true);
    }
}

void MacroView::askName(const char* prompt, const QString& current, std::function<void(const std::string&)> done) {
    // A name that could not be a file name is refused in the dialog with the reason, never silently.
    msgView->maxStringBytes = MACRO_NAME_MAX;
    msgView->initialText = current;
    msgView->checkText = [](const QString& name) {
        return nameCheckText(check_name(name.toStdString(), MACRO_NAME_MAX), name, MACRO_NAME_MAX);
    };
    showMsg(msgOverlay, msgView, uiText(prompt), MSG_TEXT, false, [done](MsgView* dialog) {
        if (dialog->bResult) done(dialog->retString.toStdString());
    });
}

void MacroView::runTreeCommand(int code, outlineviewData* item) {
    switch (code) {
        case MACRO_CMD_NEW: {
            // The new macro is shown at once, so the one shown now is settled first.
            const uint64_t at = item ? item->serial : 0;
            settleUnsavedChanges([this, at](bool proceed) {
                if (proceed) newMacro(treeItem(at));
            });
            break;
        }
        case MACRO_CMD_NEW_FOLDER:
            askName("tc_macro_folder_prompt", {}, [this, item](const std::string& name) {
                const MacroTreeResult result = tree_.new_folder(item, name);
                if (!result.ok) return showResult(result);
                listMacro->reloadData();
                if (result.item->parentItem) listMacro->expandItem(result.item->parentItem);
            });
            break;
        case MACRO_CMD_RENAME:
            if (!item) break;
            askName("tc_macro_msg13", QString::fromStdString(item->name), [this, item](const std::string& name) {
                const MacroTreeResult result = tree_.rename_item(item, name);
                showResult(result);
                listMacro->reloadData();
            });
            break;
        case MACRO_CMD_DELETE:
            if (!item) break;
            showQuestion(msgOverlay, msgView, deleteQuestion(*item), [this, item](MsgView* dialog) {
                if (!dialog->bResult) return;
                // The macro shown goes with it, or with the folder that holds it.
                bool shown = false;
                for (const outlineviewData* up = selectedItem_; up && !shown; up = up->parentItem) shown = up == item;
                const MacroTreeResult result = tree_.delete_item(item);
                showResult(result);
                if (shown) {  // the item leaves the tree even when its file could not be removed
                    selectedItem_ = nullptr;
                    keyRows_.clear();
                    listKey->reloadData();
                    btnSave->hide();
                }
                listMacro->reloadData();
            });
            break;
        case MACRO_CMD_EXPORT:
            exportMacro(item);
            break;
        case MACRO_CMD_IMPORT:
            importMacro(item);
            break;
        default:
            break;
    }
}

void MacroView::newMacro(outlineviewData* folder) {
    askName("tc_macro_msg11", {}, [this, folder](const std::string& name) {
        const MacroTreeResult result = tree_.new_macro(folder, name);
        if (!result.ok) return showResult(result);
        listMacro->reloadData();
        if (result.item->parentItem) listMacro->expandItem(result.item->parentItem);
        listMacro->selectItem(result.item);  // shows its (empty) rows, unsaved
    });
}

void MacroView::exportMacro(outlineviewData* item) {
    if (!item || item->nFlagData != MACRO_ITEM_MACRO || !chooseFile) return;
    const QString path = chooseFile(true, QString::fromStdString(item->name) + QStringLiteral(".mcf"));
    if (path.isEmpty()) return;
    showResult(tree_.export_macro(item, path.toStdString()));
}

void MacroView::importMacro(outlineviewData* item) {
    if (!chooseFile) return;
    const QString path = chooseFile(false, QString());
    if (path.isEmpty()) return;
    const MacroTreeResult result = tree_.import_macro(item, path.toStdString());
    if (!result.ok && result.item) {
        // The same macro is in the tree already: it is shown, not copied.
        const uint64_t there = result.item->serial;
        settleUnsavedChanges([this, there, result](bool proceed) {
            if (proceed) listMacro->selectItem(treeItem(there));
            showResult(result);
        });
        return;
    }
    showResult(result);
    listMacro->reloadData();
    if (result.ok && result.item && result.item->parentItem) listMacro->expandItem(result.item->parentItem);
}

// Whether the rows fit before the selected row; a refusal is told.
bool MacroView::rowsFit(const std::vector<MacroRow>& rows) {
    const int at = keyRows_.indexOf(listKey->getSeletedObject());
    if (macro_rows_fit(&keyRows_, rows, at)) return true;
    showWarning(uiText("tc_macro_msg36"));
    return false;
}

void MacroView::insertRows(int what, bool fromMenu) {
    if (what >= MACRO_INSERT_MOVE) return;
    if (!selectedMacro()) return refuseUnusable();
    const bool click = what >= MACRO_INSERT_LEFT;
    const uint32_t kind = what == MACRO_INSERT_PRESS ? MACRO_ROW_DOWN : what == MACRO_INSERT_RELEASE ? MACRO_ROW_UP
                                                                                                     : MACRO_ROW_PAUSE;
    // Before asking for a key: a key not in the list yet, whose press needs room for its release too.
    if (!click && !rowsFit({MacroRow{kind, VK_NONE}})) return;
    if (click) {
        const uint64_t button = MACRO_MOUSE_LEFT + uint64_t(what - MACRO_INSERT_LEFT);
        std::vector<std::unique_ptr<outlineviewData>> rows;
        rows.push_back(make_macro_row(MACRO_ROW_DOWN, button));
        rows.push_back(make_macro_row(MACRO_ROW_PAUSE, kClickPause));
        rows.push_back(make_macro_row(MACRO_ROW_UP, button));
        return addRows(std::move(rows));
    }
    if (what == MACRO_INSERT_PAUSE) {
        showMsg(msgOverlay, msgView, uiText("tc_macro_msg12"), MSG_NUMBER, false, [this](MsgView* dialog) {
            if (!dialog->bResult || dialog->retValue < 1) return;  // a pause is at least 1 ms
            uint64_t ms = uint64_t(dialog->retValue);
            if (hwParam.nMaxDelay != 0) ms = std::min<uint64_t>(ms, hwParam.nMaxDelay);
            std::vector<std::unique_ptr<outlineviewData>> pause;
            pause.push_back(make_macro_row(MACRO_ROW_PAUSE, ms));
            addRows(std::move(pause));
        });
        return;
    }
    showMsg(msgOverlay, msgView, uiText(fromMenu ? "tc_msg10" : "tc_msg7"), MSG_KEY, false,
            [this, kind](MsgView* dialog) {
                if (!dialog->bResult || dialog->stCombo.VkCode1 == VK_NONE) return;
                std::vector<std::unique_ptr<outlineviewData>> row;
                row.push_back(make_macro_row(kind, dialog->stCombo.VkCode1));
                addRows(std::move(row));
            });
}

void MacroView::addRows(std::vector<std::unique_ptr<outlineviewData>> rows) {
    std::vector<MacroRow> added;
    for (const auto& row : rows) added.push_back({row->nFlagData, row->nItemData});
    if (!rowsFit(added)) return;
    // New rows go before the selected row, or at the end.
    const outlineviewData* anchor = listKey->getSeletedObject();
    outlineviewData* last = nullptr;
    for (auto& row : rows) last = keyRows_.insertItem(std::move(row), anchor, 0);
    listKey->reloadData();
    if (last) listKey->scrollTo(listKey->delegateSource()->indexOf(last));
    Dirty_CurSel_Macro(MACRO_DIRTY_EVENTS);
}

void MacroView::changeRow() {
    outlineviewData* row = listKey->getSeletedObject();
    if (!row) return;
    if (isKeyRow(row)) {
        showMsg(msgOverlay, msgView, uiText("tc_msg10"), MSG_KEY, false, [this, row](MsgView* dialog) {
            const int at = keyRows_.indexOf(row);
            if (!dialog->bResult || dialog->stCombo.VkCode1 == VK_NONE || at < 0) return;
            // Another key may leave one held that the macro has no room to release.
            std::vector<MacroRow> changed = macro_rows_of(&keyRows_);
            changed[size_t(at)].data = dialog->stCombo.VkCode1;
            if (!macro_rows_fit(changed)) return showWarning(uiText("tc_macro_msg36"));
            row->nItemData = dialog->stCombo.VkCode1;
            row->name = macro_row_text(row->nFlagData, row->nItemData);
            listKey->reloadData();
            Dirty_CurSel_Macro(MACRO_DIRTY_EVENTS);
        });
    } else if (row->nFlagData == MACRO_ROW_PAUSE) {
        showMsg(msgOverlay, msgView, uiText("tc_macro_msg12"), MSG_NUMBER, false, [this, row](MsgView* dialog) {
            if (!dialog->bResult || dialog->retValue < 1 || keyRows_.indexOf(row) < 0) return;
            uint64_t ms = uint64_t(dialog->retValue);
            if (hwParam.nMaxDelay != 0) ms = std::min<uint64_t>(ms, hwParam.nMaxDelay);
            row->nItemData = ms;
            row->name = macro_row_text(row->nFlagData, row->nItemData);
            listKey->reloadData();
            Dirty_CurSel_Macro(MACRO_DIRTY_EVENTS);
        });
    }
}

void MacroView::deleteRow() {
    outlineviewData* row = listKey->getSeletedObject();
    if (!row) return;
    outlineviewData::deleteItem(row);
    listKey->reloadData();
    Dirty_CurSel_Macro(MACRO_DIRTY_EVENTS);
}

}  // namespace keyloom
