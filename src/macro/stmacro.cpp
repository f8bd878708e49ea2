#include "macro/stmacro.h"

#include <cstring>

namespace keyloom {

RecordList<_ST_MACRO> lstMacro;

void init_macro_list() { lstMacro.create(); }

void clear_macro_list() { lstMacro.clear(); }

void destroy_macro_list() { lstMacro.destroy(); }

int get_macro_count() { return lstMacro.count(); }

_ST_MACRO* get_macro_by_index(int index) { return lstMacro.at(index); }

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
    // Key assignments name macros by id, so an id may be listed once only.
    if (!macro || get_macro_by_id(macro->dwID)) return nullptr;
    return lstMacro.add(*macro);
}

_ST_MACRO* get_macro_by_id(uint32_t id) { return lstMacro.find_by_id(id); }

_ST_MACRO* get_macro_by_buffer_id(uint8_t slot) {
    for (int i = 0; _ST_MACRO* macro = lstMacro.at(i); ++i)
        if (macro->byBufferID == slot) return macro;
    return nullptr;
}

_ST_MACRO* get_macro_by_name(const char* name) { return lstMacro.find_by_name(name); }

void delete_macro_by_id(uint32_t id) { lstMacro.remove(lstMacro.find_by_id(id)); }

void clear_macro_buffer_id() {
    for (int i = 0; _ST_MACRO* macro = lstMacro.at(i); ++i) macro->byBufferID = 0;
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
