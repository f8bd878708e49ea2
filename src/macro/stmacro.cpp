#include "macro/stmacro.h"

#include <algorithm>
#include <cstring>

namespace keyloom {

std::unique_ptr<std::vector<MacroNode>> lstMacro;

namespace {

template <class Pred>
_ST_MACRO* find_macro(Pred pred) {
    if (!lstMacro) return nullptr;
    for (const MacroNode& node : *lstMacro)
        if (pred(*node.get_node())) return node.get_node();
    return nullptr;
}

}  // namespace

void init_macro_list() { lstMacro = std::make_unique<std::vector<MacroNode>>(); }

void clear_macro_list() {
    if (lstMacro) lstMacro->clear();
}

void destroy_macro_list() { lstMacro.reset(); }

int get_macro_count() { return lstMacro ? static_cast<int>(lstMacro->size()) : 0; }

_ST_MACRO* get_macro_by_index(int index) {
    if (index < 0 || index >= get_macro_count()) return nullptr;
    return (*lstMacro)[static_cast<size_t>(index)].get_node();
}

void set_macro_name(_ST_MACRO& macro, const std::string& name) {
    std::memset(macro.szName, 0, sizeof macro.szName);
    copy_record_name(macro.szName, MACRO_NAME_MAX + 1, name.c_str());
}

int new_macro(const char* name, _ST_MACRO* dst) {
    if (!name || !dst) return 0;
    _ST_MACRO macro{};
    macro.dwMagic = MACRO_MAGIC;
    macro.dwID = create_unique_id();
    macro.bAutoDelay = 1;
    macro.nLoopMode = 0;
    macro.stData.wRepeat = 1;
    copy_record_name(macro.szName, MACRO_NAME_MAX + 1, name);
    *dst = macro;
    return 1;
}

_ST_MACRO* add_new_macro_to_list(const _ST_MACRO* macro) {
    if (!lstMacro || !macro) return nullptr;
    // Key assignments name macros by id, so an id may be listed once only.
    if (get_macro_by_id(macro->dwID)) return nullptr;
    lstMacro->emplace_back(*macro);
    return lstMacro->back().get_node();
}

_ST_MACRO* get_macro_by_id(uint32_t id) {
    return find_macro([id](const _ST_MACRO& m) { return m.dwID == id; });
}

_ST_MACRO* get_macro_by_buffer_id(uint8_t slot) {
    return find_macro([slot](const _ST_MACRO& m) { return m.byBufferID == slot; });
}

_ST_MACRO* get_macro_by_name(const char* name) {
    if (!name) return nullptr;
    return find_macro([name](const _ST_MACRO& m) { return record_name_equals(m.szName, MACRO_NAME_SIZE, name); });
}

void delete_macro_by_id(uint32_t id) {
    if (!lstMacro) return;
    auto it = std::find_if(lstMacro->begin(), lstMacro->end(),
                           [id](const MacroNode& node) { return node.get_node()->dwID == id; });
    if (it != lstMacro->end()) lstMacro->erase(it);
}

void clear_macro_buffer_id() {
    if (!lstMacro) return;
    for (const MacroNode& node : *lstMacro) node.get_node()->byBufferID = 0;
}

bool same_macro_content(const _ST_MACRO& a, const _ST_MACRO& b) {
    return a.dwMagic == b.dwMagic && a.bAutoDelay == b.bAutoDelay && a.nLoopMode == b.nLoopMode &&
           std::memcmp(&a.stData, &b.stData, sizeof a.stData) == 0;
}

int get_macro_event_count(const _ST_MACRO& macro) {
    int count = 0;
    for (const _ST_ITEM& item : macro.stData.stItem) {
        if (item.wVk == 0 && item.dwDelay == 0) break;
        ++count;
    }
    return count;
}

}  // namespace keyloom
