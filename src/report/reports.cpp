#include "report/reports.h"

#include <sstream>
#include <vector>

#include "base/paths.h"
#include "base/texts.h"
#include "macro/macrotree.h"
#include "report/json_records.h"
#include "store/focus_rules.h"
#include "store/profile_store.h"

namespace keyloom::report {
namespace {

Outcome answer(const Json& json) {
    return Outcome{Refusal::None, json_text(json), {}};
}

Outcome refuse(Refusal why, std::string error) {
    return Outcome{why, {}, std::move(error)};
}

Json current_id_json() {
    const _ST_PROFILE* current = get_current_profile();
    return current ? Json(current->dwID) : Json(nullptr);
}

// The set the current profile's active layer uses, as the main window shows it.
_ST_KEYPRO* current_keypro() {
    const _ST_PROFILE* p = get_current_profile();
    return p ? PlayedTable(*p) : nullptr;
}

// ---- key-table exchange files ----

// The message the user would have seen, or what went wrong when none is shown.
std::string failure_text(const ExchangeResult& r, const std::string& file) {
    if (!r.message.empty()) return r.message;
    switch (r.status) {
        case ExchangeStatus::NoFileName: return "No file name in " + file;
        default: return "No current key-property set";
    }
}

const char* action_name(MacroImport action) {
    switch (action) {
        case MacroImport::Written: return "written";
        case MacroImport::Renamed: return "renamed";
        case MacroImport::Reused: return "reused";
        default: return "skipped";
    }
}

Json exchange_json(const ExchangeResult& r, const _ST_KEYPRO& set) {
    Json out{{"file", r.path},
             {"keyPro", set.dwID},
             {"szName", bounded_text(set.szName, sizeof set.szName)},
             {"macros", r.macros}};
    if (!r.keysTaken) return out;  // an export
    Json report = Json::array();
    for (const ImportedMacro& m : r.macroReport) {
        Json j{{"slot", m.slot}, {"name", m.name}, {"action", action_name(m.action)}};
        if (m.action == MacroImport::Skipped)
            j["reason"] = m.reason;
        else
            j["macro"] = m.file, j["id"] = m.id;
        report.push_back(j);
    }
    out["keysTaken"] = r.keysTaken;
    out["backup"] = r.backup;
    out["macroReport"] = report;
    return out;
}

// ---- the macro tree ----

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

Outcome tree_failure(const MacroTreeResult& r, const std::string& fallback) {
    return refuse(Refusal::Refused, r.message.empty() ? fallback : r.message);
}

}  // namespace

Outcome Profiles() {
    const _ST_PROFILE* current = get_current_profile();
    Json profiles = Json::array();
    for (int i = 0; i < get_profile_count(); ++i) {
        const _ST_PROFILE* p = get_profile_by_index(i);
        if (p) profiles.push_back(profile_to_json(*p, p == current));
    }
    Json sets = Json::array();
    for (int i = 0; i < get_keypro_count(); ++i) {
        if (const _ST_KEYPRO* set = get_keypro_by_index(i, -1)) sets.push_back(keypro_to_json(*set));
    }
    Json macros = Json::array();
    for (int i = 0; i < get_macro_count(); ++i) {
        if (const _ST_MACRO* m = get_macro_by_index(i)) macros.push_back(macro_summary_json(*m));
    }
    Json out;
    out["currentProfile"] = current_id_json();
    out["profiles"] = profiles;
    out["keyPros"] = sets;
    out["macros"] = macros;
    return answer(out);
}

Outcome Macros(MacroTree& tree) {
    Json items = Json::array();
    for (const auto& child : tree.root()->array) items.push_back(item_json(*child, ""));
    return answer(Json{{"macroDir", get_macro_path()}, {"items", items}});
}

Outcome Init(const StartupDataReport& report, bool saved) {
    auto list = [](const std::vector<std::string>& items) {
        Json j = Json::array();
        for (const std::string& item : items) j.push_back(item);
        return j;
    };
    Json out;
    out["dataDir"] = get_data_path();
    out["profilesLoaded"] = report.profilesLoaded;
    out["keyProsLoaded"] = report.keyProsLoaded;
    out["firstRun"] = report.firstRun;
    out["keptFiles"] = list(report.keptFiles);
    out["protectedFiles"] = list(report.protectedFiles);
    out["repairs"] = list(report.repairs);
    out["macroFolder"] = report.macroFolderReady ? Json(get_macro_path()) : Json(nullptr);
    out["currentProfile"] = current_id_json();
    out["profiles"] = get_profile_count();
    out["keyPros"] = get_keypro_count();
    out["saved"] = saved;
    return answer(out);
}

Outcome ExportKeyTable(uint32_t id, const std::string& file) {
    const _ST_KEYPRO* set = id ? get_keypro_by_id(id) : current_keypro();
    if (!set && id) return refuse(Refusal::NotFound, "No key-property set with id " + std::to_string(id));
    if (!set) return refuse(Refusal::NotFound, "No current key-property set: run keyloomctl init first");
    ExchangeResult r = ExportKeyPro(set, file);
    if (!r.ok()) return refuse(Refusal::Refused, failure_text(r, file));
    return answer(exchange_json(r, *set));
}

Outcome ImportKeyTable(const std::string& file, MacroTree& tree) {
    _ST_KEYPRO* set = current_keypro();
    if (!set) return refuse(Refusal::NotFound, "No current key-property set");
    ExchangeResult r = ImportKeyPro(set, file, &tree);
    if (!r.ok()) return refuse(Refusal::Refused, failure_text(r, file));
    return answer(exchange_json(r, *set));
}

Outcome ExportMacro(MacroTree& tree, const std::string& name, const std::string& file) {
    const outlineviewData* item = find_item(tree, name, true);
    if (!item) return refuse(Refusal::NotFound, "No macro " + name + " in " + get_macro_path());
    MacroTreeResult r = tree.export_macro(item, file);
    if (!r.ok) return tree_failure(r, "Cannot export " + name + " to " + file);
    return answer(Json{{"macro", tree_path(item)}, {"file", export_target(file)}});
}

Outcome ImportMacro(MacroTree& tree, const std::string& file, const std::string& folder) {
    outlineviewData* target = find_item(tree, folder, false);
    if (!target) return refuse(Refusal::NotFound, "No folder " + folder + " in " + get_macro_path());
    MacroTreeResult r = tree.import_macro(target, file);
    if (!r.ok || !r.item) return tree_failure(r, "Cannot import " + file);
    return answer(Json{{"file", file}, {"macro", tree_path(r.item)}, {"id", r.item->nItemData}});
}

Outcome Rules(const FocusRules& rules, const Following* following) {
    Json list = Json::array();
    int number = 0;
    for (const FocusRule& rule : rules.rules()) {
        list.push_back({{"number", ++number},
                        {"layer", rule.layer + 1},
                        {"table", rule.table},
                        {"app", rule.app},
                        {"broken", FocusRules::broken(rule)}});
    }
    Json out{{"rulesFile", FocusRulesPath()}, {"rules", list}};
    if (following) {
        Json active = nullptr;
        if (following->activeLayer >= 0)
            active = {{"layer", following->activeLayer + 1}, {"table", following->activeTable}, {"app", following->activeApp}};
        out["following"] = {{"on", following->on},
                            {"source", following->source.empty() ? Json(nullptr) : Json(following->source)},
                            {"active", active}};
    }
    return answer(out);
}

Outcome AddRule(FocusRules& rules, int layer, const std::string& table, const std::string& app) {
    const Reason why = rules.add({app, layer - 1, table});
    if (!why.empty()) return refuse(Refusal::Refused, ReasonText(why));
    return Rules(rules, nullptr);
}

Outcome RemoveRule(FocusRules& rules, int number) {
    if (number < 1 || size_t(number) > rules.rules().size())
        return refuse(Refusal::NotFound, ReasonText(MakeReason("tc_rule_missing", {std::to_string(number)})));
    const Reason why = rules.remove(size_t(number - 1));
    if (!why.empty()) return refuse(Refusal::Failed, ReasonText(why));
    return Rules(rules, nullptr);
}

}  // namespace keyloom::report
