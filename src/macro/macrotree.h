// The macro tree: folders and macro files below the macro directory as
// outline items, built together with the macro list, plus the file side of
// the macro editor's tree commands. Every command gives back what the window
// has to show; the window only adds the dialogs and the redraw.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "base/outline.h"
#include "base/reason.h"
#include "macro/stmacro.h"

namespace keyloom {

constexpr uint32_t MACRO_ITEM_MACRO = 0;   // nFlagData of a macro item
constexpr uint32_t MACRO_ITEM_FOLDER = 1;  // nFlagData of a folder item

struct MacroTreeResult {
    bool ok = false;
    Reason reason;        // what the window tells the user; empty = tell nothing
    std::string message;  // the same in the log's words; empty when there is no reason
    std::string title;    // "Warning" whenever message is set
    // The new or changed item; after a delete, its former parent; after an
    // import refused because the macro is there already, the macro there.
    outlineviewData* item = nullptr;
};

// What reading the macro folder may do about a macro file whose id another
// file has too (a copy made in a file manager), or whose id is 0.
enum class MacroIdRepair {
    Off,      // nothing is written: the file is listed as unusable
    Rewrite,  // the file gets a new id, written back atomically and logged (the window)
};

class MacroTree {
public:
    explicit MacroTree(MacroIdRepair repair = MacroIdRepair::Off);

    outlineviewData* root() { return &root_; }
    const outlineviewData* root() const { return &root_; }

    // Adds every folder and "*.mcf" file below the macro directory to the
    // tree, each folder's sub-folders first, then its macros, each by name
    // (name_order.h), and each usable macro to the macro list (created
    // when missing). Symbolic links are skipped, so the walk never leaves the
    // directory. A file that is no macro file gets an item with id 0 and the
    // reason in `unusable`. Of files sharing an id one keeps it: the one that
    // had it in this tree before a reload, else the one whose file name is the
    // record's name, else the first in the tree; the others, and files of id 0, get a new
    // id (MacroIdRepair::Rewrite) or are unusable (Off).
    void loadMacroToList();
    // Empties the tree, then loadMacroToList (the macro list is not emptied).
    void ReloadMacroList();

    // Finds or creates the items along relPath ("a/b/x.mcf"); the last one is
    // a macro (itemType 0, read from fullPath) or a folder (1), all others
    // folders. A new macro item whose file is no macro file, or whose id
    // another item of the tree has, is unusable.
    outlineviewData* make_sure_item_exist(const std::string& relPath, const std::string& fullPath, int itemType);

    // The first usable macro item (pre-order) whose listed record plays the
    // same as macro and has no unsaved changes; none when there is none.
    outlineviewData* find_same_macro(const _ST_MACRO& macro);
    // "Games/combo": the names below the root joined with "/".
    static std::string display_path(const outlineviewData* item);

    // The macro directory (without the trailing "/") for the root or null,
    // else "<dir>/<folder>/.../<name>" with ".mcf" after a macro's name.
    std::string item_to_filepath(const outlineviewData* item) const;

    // True when the item itself or one of its direct children has the name
    // and is a folder (folder true) or a macro (folder false).
    static bool findNameInOutlineView(const outlineviewData* item, const std::string& name, bool folder);

    // The folder commands act in: the selected folder, a selected macro's
    // folder, or the root when nothing is selected.
    outlineviewData* target_folder(outlineviewData* selected);

    // Editor commands. Names must be valid UTF-8, non-empty and pass
    // is_active_name; nothing outside the macro directory is ever touched.
    MacroTreeResult new_folder(outlineviewData* selected, const std::string& name);
    // A new macro record in the list, marked changed in events and settings,
    // and its item; the editor's first save writes its file. "tc_macro_msg8"
    // when the folder already holds that name (in the tree or on disk).
    MacroTreeResult new_macro(outlineviewData* selected, const std::string& name);
    MacroTreeResult rename_item(outlineviewData* item, const std::string& name);
    MacroTreeResult delete_item(outlineviewData* item);
    MacroTreeResult export_macro(const outlineviewData* item, const std::string& path);
    // Refused, with the existing item in the result, when the tree holds a
    // macro that plays the same ("tc_macro_import_same").
    MacroTreeResult import_macro(outlineviewData* selected, const std::string& path);

private:
    // Macro items' ids by their file path relative to the macro directory.
    std::map<std::string, uint32_t> known_ids() const;
    void load(const std::map<std::string, uint32_t>& known);
    // Finds or creates the items along the path; created tells whether the last is new.
    outlineviewData* item_chain(const std::string& relPath, uint32_t lastFlag, bool* created);

    outlineviewData root_;
    MacroIdRepair repair_;
};


}  // namespace keyloom
