#include "key_legend.h"

#include <iterator>

#include "keys/basic.h"

namespace keyloom::skins {

namespace {

// Host key codes whose program name is not what the cap says: the program
// names some keys by their shifted sign or by the other platform's key.
struct CapName {
    int code;
    const char* text;
};

constexpr CapName kCapNames[] = {
    {10, "§"},     {39, "'"},     {42, "\\"},      {43, ","},     {44, "/"},     {47, "."},
    {50, "`"},     {51, "Backspace"}, {54, "Win"},  {57, "Caps Lock"}, {71, "Num"}, {105, "PrtSc"},
    {110, "Menu"}, {VK_INSERT, "Ins"}, {VK_SCROLL_LOCK, "ScrLk"}, {VK_PAUSE, "Pause"}, {VK_FN, "Fn"},
};

constexpr int kUp = 126, kDown = 125, kLeft = 123, kRight = 124, kEsc = 53;

std::string capName(int code) {
    for (const auto& cap : kCapNames)
        if (cap.code == code) return cap.text;
    std::string name = GetVKName(code).value_or(std::string());
    // Keypad keys carry their sign only: the keypad itself says the rest.
    if (name.rfind("Num ", 0) == 0) name.erase(0, 4);
    return name;
}

std::string modifierName(uint8_t mask) {
    if (mask & (MOD_LCTRL | MOD_RCTRL)) return "Ctrl";
    if (mask & (MOD_LSHIFT | MOD_RSHIFT)) return "Shift";
    if (mask & (MOD_LALT | MOD_RALT)) return "Alt";
    if (mask & (MOD_LGUI | MOD_RGUI)) return "Win";
    return {};
}

KeyLegend keyboardKey(const ST_COMBO& combo) {
    KeyLegend legend;
    if (combo.VkCode1 == VK_NONE) {
        legend.text = modifierName(combo.ModifyKey);
        legend.darkCap = true;
        return legend;
    }
    switch (combo.VkCode1) {
        case kUp: legend.glyph = Glyph::ArrowUp; return legend;
        case kDown: legend.glyph = Glyph::ArrowDown; return legend;
        case kLeft: legend.glyph = Glyph::ArrowLeft; return legend;
        case kRight: legend.glyph = Glyph::ArrowRight; return legend;
        default: break;
    }
    legend.text = capName(combo.VkCode1);
    legend.accent = combo.VkCode1 == kEsc;
    legend.darkCap = combo.VkCode1 == VK_FN || combo.VkCode1 == 54 || combo.VkCode1 == 110;
    return legend;
}

KeyLegend mediaKey(uint32_t code) {
    KeyLegend legend;
    switch (code) {
        case 0x22: legend.glyph = Glyph::Play; break;
        case 0x23: legend.glyph = Glyph::Stop; break;
        case 0x24: legend.glyph = Glyph::Previous; break;
        case 0x25: legend.glyph = Glyph::Next; break;
        case 0x26: legend.text = "Vol+"; break;
        case 0x27: legend.text = "Vol-"; break;
        case 0x28: legend.glyph = Glyph::Mute; break;
        default: break;
    }
    return legend;
}

KeyLegend specialKey(uint32_t code) {
    KeyLegend legend;
    legend.darkCap = true;
    switch (code) {
        case 0xA7: legend.glyph = Glyph::Light, legend.accent = true; break;
        case 0xAB: legend.text = "Mode"; break;
        case 0xAE: legend.text = "LED"; break;
        case 0xA2: legend.text = "Off"; break;
        default: break;
    }
    return legend;
}

// The connection keys of the wireless boards.
KeyLegend deviceKey(uint32_t code) {
    static constexpr const char* kNames[] = {"2.4G", "BT", "USB", "Batt"};
    KeyLegend legend;
    legend.darkCap = true;
    legend.accent = true;
    if (code < std::size(kNames)) legend.text = kNames[code];
    return legend;
}

}  // namespace

KeyLegend keyLegend(const _KEYINFO& key) {
    switch (FUN_CLASS(key.dwFunID)) {
        case FUN_KEY: return keyboardKey(key.stCombo);
        case FUN_MEDIA:
        case FUN_MEDIA2: return mediaKey(FUN_CODE(key.dwFunID));
        case FUN_SPECIAL: return specialKey(FUN_CODE(key.dwFunID));
        case FUN_DEVICE: return deviceKey(FUN_CODE(key.dwFunID));
        default: return {};
    }
}

}  // namespace keyloom::skins
