// The macro tree: building it from the macro directory, mapping items to
// paths, and the file side of the editor's folder and macro commands.
#include "macro/macrotree.h"
#include "macro/name_order.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "base/debug.h"
#include "base/fileio.h"
#include "base/texts.h"
#include "base/paths.h"
#include "base/utf8.h"
#include "macro/macrofile.h"
#include "macro/stmacro.h"

namespace keyloom {

namespace fs = std::filesystem;

namespace {

constexpr const char* kWarning = "Warning";
constexpr const char* kMcfSuffix = ".mcf";
constexpr const char* kOutside = "The path lies outside the macro folder.";

// A refusal the window says in its language; logText, when given, is what the
// log and keyloomctl say instead.
MacroTreeResult refused(Reason reason, const std::string& logText = {}) {
    MacroTreeResult r;
    r.message = logText.empty() ? ReasonText(reason) : logText;
    if (!r.message.empty()) r.title = kWarning;
    r.reason = std::move(reason);
    return r;
}

MacroTreeResult refused_by_key(const char* key) { return refused(MakeReason(key)); }
MacroTreeResult outside() { return refused(MakeReason("tc_macro_outside"), kOutside); }

MacroTreeResult done(outlineviewData* item) {
    MacroTreeResult r;
    r.ok = true;
    r.item = item;
    return r;
}



std::string macro_dir() {
    std::string dir = get_macro_path();
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// True when the path names an entry directly inside the macro directory or one
// of its folders, after resolving every link on the way to it.
bool inside_macro_dir(const std::string& path) {
    const fs::path p(path);
    const fs::path leaf = p.filename();
    if (leaf.empty() || leaf == "." || leaf == "..") return false;
    std::error_code ec;
    const fs::path base = fs::weakly_canonical(macro_dir(), ec);
    if (ec) return false;
    const fs::path parent = fs::weakly_canonical(p.parent_path(), ec);
    if (ec) return false;
    const fs::path rel = parent.lexically_relative(base);
    return !rel.empty() && *rel.begin() != "..";
}

bool exists_on_disk(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

const outlineviewData* top_of(const outlineviewData* item) {
    while (item && item->parentItem) item = item->parentItem;
    return item;
}

bool has_child(const outlineviewData* parent, const std::string& name, uint32_t flag) {
    for (const auto& child : parent->array) {
        if (child->name == name && child->nFlagData == flag) return true;
    }
    return false;
}

// Ids of every macro item in the subtree, the item included.
void collect_macro_ids(const outlineviewData* item, std::vector<uint32_t>& ids) {
    if (item->nFlagData == MACRO_ITEM_MACRO && item->nItemData != 0 && item->nItemData <= UINT32_MAX) {
        ids.push_back(static_cast<uint32_t>(item->nItemData));
    }
    for (const auto& child : item->array) collect_macro_ids(child.get(), ids);
}

_ST_MACRO* listed_macro(const outlineviewData* item) {
    if (!item || item->nFlagData != MACRO_ITEM_MACRO) return nullptr;
    if (item->nItemData == 0 || item->nItemData > UINT32_MAX) return nullptr;
    return get_macro_by_id(static_cast<uint32_t>(item->nItemData));
}

}  // namespace


MacroTree::MacroTree(MacroIdRepair repair) : repair_(repair) {}

std::string MacroTree::item_to_filepath(const outlineviewData* item) const {
    std::vector<const outlineviewData*> chain;
    for (; item && item->parentItem; item = item->parentItem) chain.push_back(item);
    std::string path = macro_dir();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        path += '/';
        path += (*it)->name;
        if ((*it)->nFlagData == MACRO_ITEM_MACRO) path += kMcfSuffix;
    }
    return path;
}

bool MacroTree::findNameInOutlineView(const outlineviewData* item, const std::string& name, bool folder) {
    if (!item) return false;
    const uint32_t flag = folder ? MACRO_ITEM_FOLDER : MACRO_ITEM_MACRO;
    return (item->name == name && item->nFlagData == flag) || has_child(item, name, flag);
}

outlineviewData* MacroTree::target_folder(outlineviewData* selected) {
    if (!selected || top_of(selected) != &root_) return &root_;
    if (selected->nFlagData == MACRO_ITEM_FOLDER || !selected->parentItem) return selected;
    return selected->parentItem;
}

// ---- editor commands --------------------------------------------------------

MacroTreeResult MacroTree::new_folder(outlineviewData* selected, const std::string& name) {
    if (const char* why = name_refusal(name)) return refused_by_key(why);
    if (findNameInOutlineView(&root_, name, true)) return refused_by_key("tc_msg20");
    outlineviewData* parent = target_folder(selected);
    if (has_child(parent, name, MACRO_ITEM_FOLDER)) return refused_by_key("tc_msg20");
    const std::string path = item_to_filepath(parent) + "/" + name;
    if (!inside_macro_dir(path)) return outside();
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(path, ec);
    // Something other than a real folder already at the path is not taken for one.
    const bool blocked = fs::exists(st) && !fs::is_directory(st);
    if (blocked || !make_sure_folder_exist(path))
        return refused(MakeReason("tc_macro_folder_failed", {path}), "Create folder failed");
    return done(place_in_order(parent->addItem(outlineviewData::make(name, MACRO_ITEM_FOLDER, 0)), MACRO_ITEM_FOLDER));
}

MacroTreeResult MacroTree::new_macro(outlineviewData* selected, const std::string& typed) {
    if (const char* why = name_refusal(typed)) return refused_by_key(why);
    // The file, the tree and the record carry the same name: the record's 39 bytes.
    const std::string name = CutUtf8(typed, MACRO_NAME_MAX);
    outlineviewData* folder = target_folder(selected);
    const std::string path = item_to_filepath(folder) + "/" + name + kMcfSuffix;
    // A file not shown in the tree would be overwritten by the first save.
    if (has_child(folder, name, MACRO_ITEM_MACRO) || exists_on_disk(path)) return refused_by_key("tc_macro_msg8");
    if (!inside_macro_dir(path)) return outside();
    if (!lstMacro) init_macro_list();
    _ST_MACRO macro;
    keyloom::new_macro(name.c_str(), &macro);
    macro.dwDirty = MACRO_DIRTY_EVENTS | MACRO_DIRTY_SETTINGS;
    if (!add_new_macro_to_list(&macro)) return refused({});
    outlineviewData* item = folder->addItem(outlineviewData::make(name, MACRO_ITEM_MACRO, macro.dwID));
    return done(place_in_order(item, MACRO_ITEM_FOLDER));
}

MacroTreeResult MacroTree::rename_item(outlineviewData* item, const std::string& typed) {
    if (!item || !item->parentItem || top_of(item) != &root_) return refused({});
    if (const char* why = name_refusal(typed)) return refused_by_key(why);
    const bool isMacro = item->nFlagData == MACRO_ITEM_MACRO;
    const std::string name = isMacro ? CutUtf8(typed, MACRO_NAME_MAX) : typed;
    if (name == item->name) return done(item);
    const std::string oldPath = item_to_filepath(item);
    const std::string newPath = item_to_filepath(item->parentItem) + "/" + name + (isMacro ? kMcfSuffix : "");
    if (has_child(item->parentItem, name, item->nFlagData) || exists_on_disk(newPath)) {
        return refused_by_key("tc_msg20");
    }
    if (!inside_macro_dir(oldPath) || !inside_macro_dir(newPath)) return outside();
    // A macro that was never saved has no file yet: only its item changes.
    if (exists_on_disk(oldPath)) {
        if (int err = move_without_replacing(oldPath, newPath); err != 0) {
            LOG("onRename err=%d, %s", err, std::strerror(err));
            if (err == EEXIST) return refused_by_key("tc_msg20");
            MacroTreeResult r = refused(MakeReason("tc_rename_failed", {oldPath}, ErrnoReason(err)));
            r.message.clear();  // the log has it; keyloomctl says its own words
            r.title.clear();
            return r;
        }
    }
    item->name = name;
    if (_ST_MACRO* macro = isMacro ? listed_macro(item) : nullptr) set_macro_name(*macro, name);
    return done(place_in_order(item, MACRO_ITEM_FOLDER));
}

MacroTreeResult MacroTree::delete_item(outlineviewData* item) {
    if (!item || !item->parentItem || top_of(item) != &root_) return refused({});
    const std::string path = item_to_filepath(item);
    if (!inside_macro_dir(path)) return outside();
    std::vector<uint32_t> ids;
    collect_macro_ids(item, ids);

    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec) LOG("delete macro err=%d, %s", ec.value(), ec.message().c_str());

    outlineviewData* parent = item->parentItem;
    outlineviewData::deleteItem(item);
    // A record stays listed while another file of the tree still carries its id.
    for (uint32_t id : ids) {
        if (!root_.findItemForData(id)) delete_macro_by_id(id);
    }
    MacroTreeResult r = done(parent);
    r.ok = !ec;
    return r;
}

MacroTreeResult MacroTree::export_macro(const outlineviewData* item, const std::string& path) {
    const _ST_MACRO* macro = top_of(item) == &root_ ? listed_macro(item) : nullptr;
    if (!macro) return refused({});
    const size_t slash = path.rfind('/');
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (fileName.empty()) return refused({});
    std::string target = path;
    if (std::optional<std::string> ext = get_file_ext(fileName)) {
        if (*ext != "mcf")
            return refused(MakeReason("tc_export_failed", {path}, MakeReason("tc_wrong_extension", {"mcf"})),
                           "the fudxx must be mcf");
    } else {
        target += kMcfSuffix;
    }
    FileError err;
    if (!write_file_atomic(target, macro, MACRO_FILE_SIZE, &err)) {
        LOG("ExportMacro err=%d, %s", err.code, err.text.c_str());
        char text[512];
        std::snprintf(text, sizeof(text), "Export Macro err=%ld, %s", static_cast<long>(err.code), err.text.c_str());
        return refused(MakeReason("tc_export_failed", {target}, err.reason), text);
    }
    return done(nullptr);
}

MacroTreeResult MacroTree::import_macro(outlineviewData* selected, const std::string& path) {
    outlineviewData* folder = target_folder(selected);
    const size_t slash = path.rfind('/');
    std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (const size_t dot = fileName.rfind('.'); dot != std::string::npos) fileName.resize(dot);
    if (const char* why = name_refusal(fileName)) return refused_by_key(why);
    const std::string name = CutUtf8(fileName, MACRO_NAME_MAX);

    _ST_MACRO macro;
    const MacroFileProblem problem = check_macro_file(path, &macro);
    if (problem == MacroFileProblem::Unreadable) {
        LOG("ImportMacro: %s could not be read", path.c_str());
        return refused(MakeReason("tc_macro_import_failed", {path}, MakeReason(macro_file_problem_text(problem))),
                       "import macro failed.");
    }
    if (problem != MacroFileProblem::None) {
        LOG("ImportMacro: not a active macro");
        return refused(MakeReason("tc_macro_import_failed", {path}, MakeReason(macro_file_problem_text(problem))),
                       "not a active macro file.");
    }
    // A second copy would only be another file to keep apart from the first.
    if (outlineviewData* there = find_same_macro(macro)) {
        MacroTreeResult r = refused(MakeReason("tc_macro_import_same", {display_path(there)}));
        r.item = there;
        return r;
    }
    const std::string target = item_to_filepath(folder) + "/" + name + kMcfSuffix;
    if (findNameInOutlineView(folder, name, false) || exists_on_disk(target)) return refused_by_key("tc_msg20");
    if (!inside_macro_dir(target)) return outside();

    set_macro_name(macro, name);
    macro.dwID = create_unique_id();
    // A slot number or change marks from another machine mean nothing here.
    macro.byBufferID = 0;
    macro.dwDirty = 0;
    if (!write_macro_file(target, &macro))
        return refused(MakeReason("tc_macro_import_failed", {path}, MakeReason("tc_macro_save_failed", {target})),
                       "import macro failed.");
    if (!lstMacro) init_macro_list();
    add_new_macro_to_list(&macro);
    outlineviewData* item = folder->addItem(outlineviewData::make(name, MACRO_ITEM_MACRO, macro.dwID));
    return done(place_in_order(item, MACRO_ITEM_FOLDER));
}

}  // namespace keyloom
