// The macro tree: folders and macro files below the macro directory as
// outline items, built together with the macro list, plus the file side of
// the macro editor's tree commands. Every command gives back what the window
// has to show; the window only adds the dialogs and the redraw.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "macro/outline.h"

namespace keyloom {

constexpr uint32_t MACRO_ITEM_MACRO = 0;   // nFlagData of a macro item
constexpr uint32_t MACRO_ITEM_FOLDER = 1;  // nFlagData of a folder item

struct MacroTreeResult {
    bool ok = false;
    std::string message;  // text to show; empty = show nothing
    std::string title;    // "Warning" whenever message is set
    outlineviewData* item = nullptr;  // the new or changed item; after a delete, its former parent
};

class MacroTree {
public:
    MacroTree();

    outlineviewData* root() { return &root_; }
    const outlineviewData* root() const { return &root_; }

    // Adds every folder and "*.mcf" file below the macro directory to the
    // tree, and each valid macro to the macro list (created when missing).
    // Symbolic links are skipped, so the walk never leaves the directory.
    void loadMacroToList();
    // Empties the tree, then loadMacroToList (the macro list is not emptied).
    void ReloadMacroList();

    // Finds or creates the items along relPath ("a/b/x.mcf"); the last one is
    // a macro (itemType 0, read from fullPath) or a folder (1), all others folders.
    outlineviewData* make_sure_item_exist(const std::string& relPath, const std::string& fullPath, int itemType);

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
    MacroTreeResult import_macro(outlineviewData* selected, const std::string& path);

private:
    outlineviewData root_;
};


}  // namespace keyloom
