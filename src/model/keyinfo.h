// The 88-byte key-assignment record and its function-ID scheme. Records are
// stored byte for byte in the profile, key-property and exchange files, so the
// layout below is fixed.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/geometry.h"

namespace keyloom {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "stored records are little-endian");

constexpr int KEY_COUNT = 126;  // rows of the default key table and of every key table

// Host key code extensions of our own.
constexpr uint8_t VK_FN = 250;
constexpr uint8_t VK_INSERT = 251;
constexpr uint8_t VK_SCROLL_LOCK = 252;
constexpr uint8_t VK_PAUSE = 253;
constexpr uint8_t VK_NONE = 255;

// Function classes (top byte of dwFunID).
constexpr uint32_t FUN_NONE = 0;
constexpr uint32_t FUN_MOUSE = 1;
constexpr uint32_t FUN_KEY = 2;
constexpr uint32_t FUN_MEDIA2 = 3;
constexpr uint32_t FUN_MEDIA = 4;
constexpr uint32_t FUN_MACRO = 5;
constexpr uint32_t FUN_SHORTCUT = 7;
constexpr uint32_t FUN_SPECIAL = 8;
constexpr uint32_t FUN_DEVICE = 9;

constexpr uint32_t MAKE_FUNID(uint32_t cls, uint32_t code) { return (cls << 24) | (code & 0xFFFFFF); }
constexpr uint32_t FUN_CLASS(uint32_t funId) { return funId >> 24; }
constexpr uint32_t FUN_CODE(uint32_t funId) { return funId & 0xFFFFFF; }

// ModifyKey bits, in the USB HID modifier byte order.
constexpr uint8_t MOD_LCTRL = 0x01;
constexpr uint8_t MOD_LSHIFT = 0x02;
constexpr uint8_t MOD_LALT = 0x04;
constexpr uint8_t MOD_LGUI = 0x08;
constexpr uint8_t MOD_RCTRL = 0x10;
constexpr uint8_t MOD_RSHIFT = 0x20;
constexpr uint8_t MOD_RALT = 0x40;
constexpr uint8_t MOD_RGUI = 0x80;

struct ST_COMBO {
    uint8_t ModifyKey;
    uint8_t VkCode1;
    uint8_t VkCode2;
    uint8_t unused;
};
static_assert(sizeof(ST_COMBO) == 4);

// What the combination-capture dialog hands back; same bytes as ST_COMBO.
struct MSG_COMBO {
    uint8_t ModifyKey;
    uint8_t VkCode1;
    uint8_t VkCode2;
    uint8_t unused;
};
static_assert(sizeof(MSG_COMBO) == 4);

// Reserved for an Fn layer; always zero, copied and stored with its record.
struct _FNINFO {
    uint32_t dwFunID;
    _RECT rcPos;
    int32_t nMatrixIdx;
    uint32_t dwMacroID;
    ST_COMBO stCombo;
    uint32_t dwHwCode;
};
static_assert(sizeof(_FNINFO) == 36);

struct _KEYINFO {
    uint32_t dwFunID;
    _RECT rcPos;
    uint32_t dwMatrixIdx;
    uint32_t dwMacroID;
    ST_COMBO stCombo;
    uint32_t dwHwCode;
    int32_t nReserved1;
    _FNINFO stFnInfo;
    uint32_t dwCfgExtra;
    int32_t nReserved2;
    int32_t nReserved3;
};
static_assert(sizeof(_KEYINFO) == 88);
static_assert(offsetof(_KEYINFO, dwFunID) == 0);
static_assert(offsetof(_KEYINFO, rcPos) == 4);
static_assert(offsetof(_KEYINFO, dwMatrixIdx) == 20);
static_assert(offsetof(_KEYINFO, dwMacroID) == 24);
static_assert(offsetof(_KEYINFO, stCombo) == 28);
static_assert(offsetof(_KEYINFO, dwHwCode) == 32);
static_assert(offsetof(_KEYINFO, nReserved1) == 36);
static_assert(offsetof(_KEYINFO, stFnInfo) == 40);
static_assert(offsetof(_KEYINFO, dwCfgExtra) == 76);
static_assert(offsetof(_KEYINFO, nReserved2) == 80);
static_assert(offsetof(_KEYINFO, nReserved3) == 84);

// The keyboard's own Fn key: a plain key assignment of VK_FN with no modifier.
inline bool IsFnKey(const _KEYINFO& k) {
    return FUN_CLASS(k.dwFunID) == FUN_KEY && k.stCombo.ModifyKey == 0 && k.stCombo.VkCode1 == VK_FN;
}

// Whether an assignment equals the default slot: key assignments compare their
// combination only, every other class compares the function ID only.
inline bool IS_DEFAULT_KEY(const _KEYINFO& k, const _KEYINFO& def) {
    if (FUN_CLASS(k.dwFunID) == FUN_KEY)
        return k.stCombo.ModifyKey == def.stCombo.ModifyKey && k.stCombo.VkCode1 == def.stCombo.VkCode1 &&
               k.stCombo.VkCode2 == def.stCombo.VkCode2;
    return k.dwFunID == def.dwFunID;
}

}  // namespace keyloom
