// The fixed functions a key can be given besides a key combination or a macro:
// mouse actions (class 1), media and browser functions (classes 3 and 4),
// shortcuts the keyboard sends (class 7) and the keyboard's special functions
// (class 8). One table per class, each row holding the function's text key
// and everything the hardware encoder needs to build its device code, so the
// texts, the picker and the encoder all read the same rows.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "model/keyinfo.h"

namespace keyloom {

// Class 1. Device code: bytes 03, button, 00, wheel
// (0x03 | button << 8 | wheel << 24).
struct MouseFunc {
    uint32_t code;        // 17..27
    const char* textKey;  // language-file key of its name
    bool hasDeviceCode;   // false: shown, but the keyboard cannot perform it
    uint8_t button;       // 0xF0 left, 0xF1 right, 0xF2 middle, 0xF3 back, 0xF4 forward; 0 for the wheel
    uint8_t wheel;        // 0x01 one step up, 0xFF one step down; 0 for buttons
};

// Classes 3 and 4 (same rows for both). Device code: bytes 01, 00, usage high,
// usage low (0x01 | (usage >> 8) << 16 | (usage & 0xFF) << 24).
struct MediaFunc {
    uint32_t code;        // 33..57
    const char* textKey;
    uint16_t usage;  // HID consumer-page usage the keyboard sends
};

// Class 7. Device code: bytes 00, modifiers, usage, 00
// (modifiers << 8 | usage << 16).
struct ShortcutFunc {
    uint32_t code;        // 64..81
    const char* textKey;  // nullptr: accepted in stored data and encoded, but not offered or named
    uint8_t usage;        // HID keyboard usage of the key sent
    uint8_t modifiers;    // ModifyKey bit layout
};

// What a class-8 key's device code is.
enum class SpecialDevice : uint8_t {
    None,    // no code: the key keeps its firmware behaviour
    Zero,    // the code 0: the key sends nothing
    HwCode,  // the record's own dwHwCode
};

// Class 8.
struct SpecialFunc {
    uint32_t code;  // 162..174
    const char* textKey;
    SpecialDevice device;
};

inline constexpr MouseFunc MOUSE_FUNCS[] = {
    {17, "tc_click", true, 0xF0, 0x00},      {18, "tc_middle", true, 0xF2, 0x00},
    {19, "tc_menu", true, 0xF1, 0x00},       {20, "tc_forward", true, 0xF4, 0x00},
    {21, "tc_back", true, 0xF3, 0x00},       {22, "tc_dclick", false, 0, 0},
    {23, "tc_three", false, 0, 0},           {24, "tc_scrollup", true, 0x00, 0x01},
    {25, "tc_scrolldown", true, 0x00, 0xFF}, {26, "tc_mvl", false, 0, 0},
    {27, "tc_mvr", false, 0, 0},
};

// Codes 41 and 44..47 are not used.
inline constexpr MediaFunc MEDIA_FUNCS[] = {
    {33, "tc_kbmedia_msel", 0x0183},    {34, "tc_PL", 0x00CD},
    {35, "tc_stop", 0x00B7},            {36, "tc_pre_media", 0x00B6},
    {37, "tc_next_media", 0x00B5},      {38, "tc_vol_up", 0x00E9},
    {39, "tc_vol_dw", 0x00EA},          {40, "tc_mute", 0x00E2},
    {42, "tc_adv_str5", 0x006F},        {43, "tc_adv_str6", 0x0070},
    {48, "tc_kbmedia_mail", 0x018A},    {49, "tc_kbmedia_cal", 0x0192},
    {50, "tc_kbmedia_explore", 0x0194}, {51, "tc_kbmedia_search", 0x0221},
    {52, "tc_kbmedia_main", 0x0223},    {53, "tc_back", 0x0224},
    {54, "tc_forward", 0x0225},         {55, "tc_kbmedia_stop", 0x0226},
    {56, "tc_kbmedia_refresh", 0x0227}, {57, "tc_kbmedia_favor", 0x022A},
};

// Codes 69, 74 and 76..79 are not used (encoded as 0: the key sends nothing).
inline constexpr ShortcutFunc SHORTCUT_FUNCS[] = {
    {64, "tc_office4", 0x1B, 0x04},  // X: cut
    {65, "tc_office2", 0x06, 0x04},  // C: copy
    {66, "tc_office3", 0x19, 0x04},  // V: paste
    {67, nullptr, 0x20, 0x0A},       // 3
    {68, "tc_office1", 0x04, 0x04},  // A: select all
    {70, nullptr, 0x09, 0x09},       // F
    {71, nullptr, 0x2C, 0x08},       // Space
    {72, nullptr, 0x14, 0x0C},       // Q
    {73, nullptr, 0x4F, 0x01},       // Right Arrow
    {75, "tc_office5", 0x09, 0x04},  // F: find
    {80, nullptr, 0x14, 0x08},       // Q
    {81, nullptr, 0x07, 0x0C},       // D
};

inline constexpr SpecialFunc SPECIAL_FUNCS[] = {
    {162, "tc_key_off", SpecialDevice::Zero},   {167, "tc_rgb", SpecialDevice::None},
    {171, "tc_mdsw", SpecialDevice::None},      {173, "tc_customkey", SpecialDevice::HwCode},
    {174, "tc_rgbsw", SpecialDevice::None},
};

// Row lookups by function code (bits 0..23 of dwFunID); nullptr when the
// class has no such code. FindMediaFunc serves classes 3 and 4 alike.
const MouseFunc* FindMouseFunc(uint32_t code);
const MediaFunc* FindMediaFunc(uint32_t code);
const ShortcutFunc* FindShortcut(uint32_t code);
const SpecialFunc* FindSpecialFunc(uint32_t code);

// The language-file key naming a function ID, where the tables define one:
// the row's key for classes 1, 3, 4, 7 and 8, "tc_hw" followed by code + 1 for
// class 9. Nothing for key combinations and macros (named from their data),
// for codes without a row or text, and for unused classes.
std::optional<std::string> FunctionTextKey(uint32_t funId);

}  // namespace keyloom
