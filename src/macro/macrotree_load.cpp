// Building the macro tree from the macro directory: the walk in path order,
// the judging of every file, and which of several files with one id keeps it.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/debug.h"
#include "base/paths.h"
#include "macro/macrofile.h"
#include "macro/macrotree.h"
#include "macro/name_order.h"

namespace keyloom {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMcfSuffix = ".mcf";
constexpr uint32_t kUnsavedMarks = MACRO_DIRTY_EVENTS | MACRO_DIRTY_SETTINGS;

struct FolderEntry {
    std::string rel;   // path below the macro directory, "/"-separated
    std::string full;
    bool folder = false;
    MacroFileProblem problem = MacroFileProblem::None;
    _ST_MACRO record{};
};

std::string strip_mcf(const std::string& component) {
    const size_t n = std::strlen(kMcfSuffix);
    if (component.size() >= n && component.compare(component.size() - n, n, kMcfSuffix) == 0) {
        return component.substr(0, component.size() - n);
    }
    return component;
}

std::vector<std::string> split_path(const std::string& rel) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rel.size()) {
        size_t slash = rel.find('/', start);
        if (slash == std::string::npos) slash = rel.size();
        if (slash > start) parts.push_back(rel.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

// The order of the walk: by folder, then name (as shown, without ".mcf"),
// letters of either case together; a total order, so the choice among files
// of one id is the same on every read.
bool shown_before(const std::string& a, const std::string& b) {
    std::vector<std::string> pa = split_path(a), pb = split_path(b);
    if (!pa.empty()) pa.back() = strip_mcf(pa.back());
    if (!pb.empty()) pb.back() = strip_mcf(pb.back());
    auto folded = [](const std::string& s) {
        std::string f = s;
        for (char& c : f) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return f;
    };
    for (size_t i = 0; i < pa.size() && i < pb.size(); ++i) {
        if (pa[i] == pb[i]) continue;
        const std::string fa = folded(pa[i]), fb = folded(pb[i]);
        return fa != fb ? fa < fb : pa[i] < pb[i];
    }
    return pa.size() != pb.size() ? pa.size() < pb.size() : a < b;
}

// Every folder and "*.mcf" regular file below dir, in the tree's order.
std::vector<FolderEntry> walk(const std::string& dir) {
    std::vector<FolderEntry> entries;
    std::error_code ec;
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code sec;
        const fs::file_status st = it->symlink_status(sec);
        if (sec || fs::is_symlink(st)) continue;
        FolderEntry entry;
        entry.full = it->path().string();
        entry.rel = it->path().lexically_relative(dir).generic_string();
        entry.folder = fs::is_directory(st);
        if (entry.folder || (fs::is_regular_file(st) && get_file_ext(it->path().filename().string()) == "mcf"))
            entries.push_back(std::move(entry));
    }
    if (ec && ec != std::errc::no_such_file_or_directory) LOG("loadMacroToList err=%d, %s", ec.value(), ec.message().c_str());
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return shown_before(a.rel, b.rel); });
    return entries;
}

bool named_as_its_record(const FolderEntry& e) {
    const std::string stem = strip_mcf(fs::path(e.rel).filename().string());
    return stem == std::string(e.record.szName, strnlen(e.record.szName, sizeof e.record.szName));
}

// Of two files with one id, the one with the better claim keeps it: the file
// that had it before, then the file named as its record (a copy made in a
// file manager gets another name), then the first in the tree's order.
int claim(const FolderEntry& e, const std::map<std::string, uint32_t>& known) {
    auto it = known.find(e.rel);
    if (it != known.end() && it->second == e.record.dwID) return 0;
    return named_as_its_record(e) ? 1 : 2;
}

bool usable_macro_item(const outlineviewData* item) {
    return item->nFlagData == MACRO_ITEM_MACRO && item->unusable.empty() && item->nItemData != 0 &&
           item->nItemData <= UINT32_MAX;
}

template <class Visit>
void pre_order(const outlineviewData* item, const Visit& visit) {
    visit(item);
    for (const auto& child : item->array) pre_order(child.get(), visit);
}

}  // namespace

std::string MacroTree::display_path(const outlineviewData* item) {
    std::string path;
    for (; item && item->parentItem; item = item->parentItem) path = path.empty() ? item->name : item->name + "/" + path;
    return path;
}

std::map<std::string, uint32_t> MacroTree::known_ids() const {
    std::map<std::string, uint32_t> known;
    pre_order(&root_, [&](const outlineviewData* item) {
        if (usable_macro_item(item)) known[display_path(item) + kMcfSuffix] = static_cast<uint32_t>(item->nItemData);
    });
    return known;
}

void MacroTree::loadMacroToList() { load(known_ids()); }

void MacroTree::ReloadMacroList() {
    const std::map<std::string, uint32_t> known = known_ids();
    root_.clear();
    load(known);
}

void MacroTree::load(const std::map<std::string, uint32_t>& known) {
    if (!lstMacro) init_macro_list();
    std::vector<FolderEntry> entries = walk(item_to_filepath(nullptr));
    std::map<uint32_t, size_t> keeper;  // id -> the entry that keeps it
    for (size_t i = 0; i < entries.size(); ++i) {
        FolderEntry& e = entries[i];
        if (e.folder) continue;
        e.problem = check_macro_file(e.full, &e.record);
        if (e.problem != MacroFileProblem::None || e.record.dwID == 0) continue;
        auto [it, first] = keeper.emplace(e.record.dwID, i);
        if (!first && claim(e, known) < claim(entries[it->second], known)) it->second = i;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        FolderEntry& e = entries[i];
        bool created = false;
        outlineviewData* item = item_chain(e.rel, e.folder ? MACRO_ITEM_FOLDER : MACRO_ITEM_MACRO, &created);
        if (e.folder || !created) continue;
        if (const char* why = macro_file_problem_text(e.problem)) {
            item->unusable = why;
            continue;
        }
        const uint32_t id = e.record.dwID;
        auto kept = keeper.find(id);
        if (kept != keeper.end() && kept->second == i) {
            add_new_macro_to_list(&e.record);  // refuses an id already listed
            item->nItemData = id;
            continue;
        }
        // A copy of another file (or a record without an id): a key calling
        // the id must not reach it, so it gets an id of its own.
        const std::string holder = kept != keeper.end() ? entries[kept->second].rel : std::string("none");
        if (repair_ == MacroIdRepair::Off) {
            item->unusable = "tc_macro_file_same_id";
            continue;
        }
        e.record.dwID = create_unique_id();
        if (!write_macro_file(e.full, &e.record)) {
            LOG("Macro file %s has the id 0x%08x of %s; a new id could not be written", e.rel.c_str(), id,
                holder.c_str());
            item->unusable = "tc_macro_file_id_unwritten";
            continue;
        }
        LOG("Macro file %s had the id 0x%08x of %s: new id 0x%08x", e.rel.c_str(), id, holder.c_str(), e.record.dwID);
        add_new_macro_to_list(&e.record);
        item->nItemData = e.record.dwID;
    }
    // The walk's order chose among files of one id; the lists show folders first, then names.
    sort_items(root_, MACRO_ITEM_FOLDER, true);
}

outlineviewData* MacroTree::item_chain(const std::string& relPath, uint32_t lastFlag, bool* created) {
    const std::vector<std::string> parts = split_path(relPath);
    outlineviewData* current = &root_;
    *created = false;
    for (size_t i = 0; i < parts.size(); ++i) {
        // Only the last component can be a macro: a folder named "x.mcf" stays a folder.
        const uint32_t flag = i + 1 == parts.size() ? lastFlag : MACRO_ITEM_FOLDER;
        const std::string name = flag == MACRO_ITEM_MACRO ? strip_mcf(parts[i]) : parts[i];
        outlineviewData* found = nullptr;
        for (auto& child : current->array) {
            if (child->name == name && child->nFlagData == flag) {
                found = child.get();
                break;
            }
        }
        *created = !found;
        current = found ? found : current->addItem(outlineviewData::make(name, flag, 0));
    }
    return current == &root_ ? nullptr : current;
}

outlineviewData* MacroTree::make_sure_item_exist(const std::string& relPath, const std::string& fullPath,
                                                 int itemType) {
    bool created = false;
    outlineviewData* item = item_chain(relPath, static_cast<uint32_t>(itemType), &created);
    if (created) sort_items(root_, MACRO_ITEM_FOLDER, true);  // folders made on the way too
    if (!item || !created || item->nFlagData != MACRO_ITEM_MACRO) return item;
    if (!lstMacro) init_macro_list();
    _ST_MACRO macro;
    if (const char* why = macro_file_problem_text(check_macro_file(fullPath, &macro))) {
        item->unusable = why;
    } else if (macro.dwID == 0 || root_.findItemForData(macro.dwID)) {
        item->unusable = "tc_macro_file_same_id";
    } else {
        add_new_macro_to_list(&macro);
        item->nItemData = macro.dwID;
    }
    return item;
}

outlineviewData* MacroTree::find_same_macro(const _ST_MACRO& macro) {
    outlineviewData* found = nullptr;
    pre_order(&root_, [&](const outlineviewData* item) {
        if (found || !usable_macro_item(item)) return;
        const _ST_MACRO* listed = get_macro_by_id(static_cast<uint32_t>(item->nItemData));
        if (listed && (listed->dwDirty & kUnsavedMarks) == 0 && same_macro_content(*listed, macro))
            found = const_cast<outlineviewData*>(item);
    });
    return found;
}

}  // namespace keyloom
