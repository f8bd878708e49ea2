// keyloomctl macros, macro-export and macro-import: the macro tree below the macro folder.
#include <sstream>

#include "base/paths.h"
#include "config/language.h"
#include "ctl.h"
#include "json_records.h"
#include "macro/macrotree.h"

namespace keyloom::ctl {
namespace {

std::vector<std::string> split_tree_path(const std::string& path) {
    std::vector<std::string> parts;
    std::stringstream in(path);
    std::string part;
    while (std::getline(in, part, '/'))
        if (!part.empty()) parts.push_back(part);
    return parts;
}

outlineviewData* child_named(outlineviewData* parent, const std::string& name, uint32_t flag) {
    for (auto& child : parent->array)
        if (child->name == name && child->nFlagData == flag) return child.get();
    return nullptr;
}

// The item of a tree path ("games/combo1"): folders all the way, the last
// component a macro (macro true) or a folder. The empty path is the root folder.
outlineviewData* find_item(MacroTree& tree, const std::string& path, bool macro) {
    std::vector<std::string> parts = split_tree_path(path);
    if (macro && !parts.empty() && parts.back().size() > 4 &&
        parts.back().compare(parts.back().size() - 4, 4, ".mcf") == 0)
        parts.back().resize(parts.back().size() - 4);
    if (macro && parts.empty()) return nullptr;
    outlineviewData* item = tree.root();
    for (size_t i = 0; i < parts.size() && item; ++i) {
        bool last = i + 1 == parts.size();
        item = child_named(item, parts[i], last && macro ? MACRO_ITEM_MACRO : MACRO_ITEM_FOLDER);
    }
    return item;
}

Json item_json(const outlineviewData& item, const std::string& parentPath) {
    std::string path = parentPath.empty() ? item.name : parentPath + "/" + item.name;
    if (item.nFlagData == MACRO_ITEM_FOLDER) {
        Json items = Json::array();
        for (const auto& child : item.array) items.push_back(item_json(*child, path));
        return Json{{"type", "folder"}, {"name", item.name}, {"path", path}, {"items", items}};
    }
    const _ST_MACRO* macro = item.nItemData ? get_macro_by_id(static_cast<uint32_t>(item.nItemData)) : nullptr;
    Json json{{"type", "macro"},
              {"name", item.name},
              {"path", path},
              {"id", item.nItemData},
              {"events", macro ? Json(get_macro_event_count(*macro)) : Json(nullptr)}};
    if (!item.unusable.empty()) json["unusable"] = GetText(item.unusable);  // why the window greys it
    return json;
}

// "games/combo1" for a macro item below the folder "games".
std::string tree_path(const outlineviewData* item) {
    std::string path;
    for (; item && item->parentItem; item = item->parentItem)
        path = path.empty() ? item->name : item->name + "/" + path;
    return path;
}

// The file an export writes: ".mcf" is appended to a name without an extension.
std::string export_target(const std::string& file) {
    size_t slash = file.rfind('/');
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    return name.find('.') == std::string::npos ? file + ".mcf" : file;
}

int tree_failure(const MacroTreeResult& r, const std::string& fallback) {
    return fail(r.message.empty() ? fallback : r.message);
}

}  // namespace

int cmd_macros(const Options& opt) {
    if (!load_program(opt)) return 1;
    MacroTree tree;
    tree.loadMacroToList();
    Json items = Json::array();
    for (const auto& child : tree.root()->array) items.push_back(item_json(*child, ""));
    print_json(Json{{"macroDir", get_macro_path()}, {"items", items}});
    return 0;
}

int cmd_macro_export(const Options& opt, const std::string& name, const std::string& file) {
    if (!load_program(opt)) return 1;
    MacroTree tree;
    tree.loadMacroToList();
    const outlineviewData* item = find_item(tree, name, true);
    if (!item) return fail("No macro " + name + " in " + get_macro_path());
    MacroTreeResult r = tree.export_macro(item, file);
    if (!r.ok) return tree_failure(r, "Cannot export " + name + " to " + file);
    print_json(Json{{"macro", tree_path(item)}, {"file", export_target(file)}});
    return 0;
}

int cmd_macro_import(const Options& opt, const std::string& file, const std::string& folder) {
    if (!load_program(opt)) return 1;
    MacroTree tree;
    tree.loadMacroToList();
    outlineviewData* target = find_item(tree, folder, false);
    if (!target) return fail("No folder " + folder + " in " + get_macro_path());
    MacroTreeResult r = tree.import_macro(target, file);
    if (!r.ok || !r.item) return tree_failure(r, "Cannot import " + file);
    print_json(Json{{"file", file},
                    {"macro", tree_path(r.item)},
                    {"id", r.item->nItemData}});
    return 0;
}

}  // namespace keyloom::ctl
