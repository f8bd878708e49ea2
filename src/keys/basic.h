// Texts for keys: fixed key names (the modifier keys in the language's
// words) and modifier combinations. What a key is assigned to is worded by
// macro/keyinfo_text.h, since an assignment may name a macro.
#pragma once
#include <optional>
#include <string>

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

}  // namespace keyloom
