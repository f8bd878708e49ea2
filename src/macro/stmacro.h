// Macros: the 1484-byte macro record with its event list, and the macro list.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/record_list.h"
#include "model/unique_id.h"

namespace keyloom {

constexpr uint32_t MACRO_MAGIC = 0xFAFB88A0;
constexpr int MACRO_NAME_SIZE = 80;
constexpr int MACRO_NAME_MAX = 39;  // names we create hold at most this many bytes
constexpr int MACRO_ITEM_COUNT = 171;

// Mouse codes in an event's wVk.
constexpr uint16_t MACRO_MOUSE_LEFT = 240;
constexpr uint16_t MACRO_MOUSE_RIGHT = 241;
constexpr uint16_t MACRO_MOUSE_MIDDLE = 242;
constexpr uint16_t MACRO_MOUSE_FORWARD = 243;
constexpr uint16_t MACRO_MOUSE_BACK = 244;
constexpr uint16_t MACRO_WHEEL_UP = 245;
constexpr uint16_t MACRO_WHEEL_DOWN = 246;

// dwDirty marks of the macro editor.
constexpr uint32_t MACRO_DIRTY_EVENTS = 1u << 31;
constexpr uint32_t MACRO_DIRTY_SETTINGS = 1u << 30;

struct _ST_ITEM {
    uint16_t wVk;
    uint16_t wStatus;  // 1 pressed, 0 released
    uint32_t dwDelay;  // milliseconds after this event
};
static_assert(sizeof(_ST_ITEM) == 8);

struct _ST_DATA {
    uint16_t wRepeat;
    uint16_t wReserved;
    _ST_ITEM stItem[MACRO_ITEM_COUNT];
};
static_assert(sizeof(_ST_DATA) == 1372);
static_assert(offsetof(_ST_DATA, stItem) == 4);

struct _ST_MACRO {
    uint32_t dwMagic;
    uint32_t dwID;
    uint32_t dwDirty;
    uint32_t bAutoDelay;
    uint32_t nLoopMode;  // 0 wRepeat times, 1 until any key, 2 while the key is held
    char szName[MACRO_NAME_SIZE];
    uint8_t byBufferID;
    uint8_t byReserved[3];
    _ST_DATA stData;
    uint8_t byReserved2[6];
    uint8_t byReserved3[2];
};
static_assert(sizeof(_ST_MACRO) == 1484);
static_assert(offsetof(_ST_MACRO, szName) == 20);
static_assert(offsetof(_ST_MACRO, byBufferID) == 100);
static_assert(offsetof(_ST_MACRO, stData) == 104);
static_assert(offsetof(_ST_MACRO, byReserved2) == 1476);

using MacroNode = RecordNode<_ST_MACRO>;

// The macro list; none until init_macro_list creates it.
extern RecordList<_ST_MACRO> lstMacro;

void init_macro_list();
void clear_macro_list();
void destroy_macro_list();
int get_macro_count();
_ST_MACRO* get_macro_by_index(int index);
int new_macro(const char* name, _ST_MACRO* dst);  // 1, or 0 when an argument is missing
// Names a macro: the name cut to MACRO_NAME_MAX bytes at a character
// boundary, the rest of the field zero.
void set_macro_name(_ST_MACRO& macro, const std::string& name);
_ST_MACRO* add_new_macro_to_list(const _ST_MACRO* macro);
_ST_MACRO* get_macro_by_id(uint32_t id);
_ST_MACRO* get_macro_by_buffer_id(uint8_t slot);
_ST_MACRO* get_macro_by_name(const char* name);
void delete_macro_by_id(uint32_t id);
void clear_macro_buffer_id();
// The same macro to play: the same events and play settings, whatever its
// id, name, slot number or change marks.
bool same_macro_content(const _ST_MACRO& a, const _ST_MACRO& b);
// Number of events before the end of the list (first event with wVk and dwDelay both 0).
int get_macro_event_count(const _ST_MACRO& macro);

}  // namespace keyloom
