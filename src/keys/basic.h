// Texts for keys and assignments: fixed key names (the modifier keys in the
// language's words), modifier combinations, and the name of whatever a key
// is assigned to.
#pragma once
#include <optional>
#include <string>

#include "macro/stmacro.h"
#include "model/keyinfo.h"

namespace keyloom {

constexpr size_t COMBO_TEXT_MAX = 99;  // bytes of a combination text

// The name of a host key code, or of a macro mouse code 240..244 (taken from
// the language texts "tc_click", "tc_menu", "tc_middle", "tc_forward",
// "tc_back"). None for codes without a name, including VK_FN, VK_INSERT,
// VK_SCROLL_LOCK, VK_PAUSE and VK_NONE.
std::optional<std::string> GetVKName(int code);

// "Ctrl + Alt + Shift + Super + key1 + key2", leaving out what is absent. Each
// key is read by its low 8 bits; 0xFF (255 or -1) means none. A key without a
// name shows as "Fn", "Insert", "ScrollLock", "Pause" (250..253) or
// "Key 0xNN". At most COMBO_TEXT_MAX bytes, cut on a character boundary.
std::string GetComboKeyText(int mask, int key1, int key2);

// The text shown for an assignment, by its class; none when it has none
// (unused codes and classes, a macro that is not in the macro list).
std::optional<std::string> keyinfo_to_string(const _KEYINFO& key);

// A macro's szName (up to its first NUL, at most 80 bytes); none when those
// bytes are not valid UTF-8.
std::optional<std::string> get_macro_name(const _ST_MACRO& macro);

}  // namespace keyloom
