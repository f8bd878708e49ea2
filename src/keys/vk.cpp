#include "keys/vk.h"

#include <array>
#include <cstddef>


namespace keyloom {

int Win2Mac(int winVk) {
    const uint8_t low = static_cast<uint8_t>(winVk & 0xFF);
    for (const VkPair& p : WM_VK)
        if (p.code == low) return p.vk;
    return VK_NONE;
}

int Hid2Vk(int hidUsage) {
    for (const VkPair& p : POS_VK)
        if (p.code == hidUsage) return p.vk;
    return 0;
}

int Vk2Hid(int vk) {
    for (const VkPair& p : POS_VK)
        if (p.vk == vk) return p.code;
    return 0;
}

int KeyInfo_To_Vk(const _KEYINFO& key) {
    if (FUN_CLASS(key.dwFunID) != FUN_KEY) return 0;
    const ST_COMBO& c = key.stCombo;
    if (c.ModifyKey == 0 && c.VkCode1 != 0) return c.VkCode1;
    // Left before right, Control before Shift before Alt before GUI.
    static constexpr struct {
        uint8_t bit;
        uint8_t vk;
    } kOrder[] = {{MOD_LCTRL, 59}, {MOD_RCTRL, 62}, {MOD_LSHIFT, 56}, {MOD_RSHIFT, 60},
                  {MOD_LALT, 58},  {MOD_RALT, 61},  {MOD_LGUI, 55},   {MOD_RGUI, 54}};
    for (const auto& m : kOrder)
        if (c.ModifyKey & m.bit) return m.vk;
    return 0;
}

namespace {

// One row of a layout's conversion: the US code and the layout's code.
struct LayoutPair {
    uint8_t us;
    uint8_t other;
};

constexpr LayoutPair kGermanPairs[] = {
    {24, 221}, {27, 219}, {30, 187}, {33, 186}, {39, 222}, {41, 192}, {42, 191},
    {43, 188}, {44, 189}, {47, 190}, {50, 220}, {89, 90},  {90, 89},
};

constexpr LayoutPair kFrenchPairs[] = {
    {24, 187}, {27, 219}, {30, 186}, {33, 221}, {39, 192}, {41, 77}, {43, 190}, {44, 223},
    {47, 191}, {50, 222}, {77, 188}, {65, 81},  {81, 65},  {87, 90}, {90, 87},
};

constexpr LayoutPair kSpanishPairs[] = {
    {24, 221}, {27, 219}, {30, 187}, {33, 186}, {39, 222}, {41, 192},
    {42, 191}, {43, 188}, {44, 189}, {47, 190}, {50, 220},
};

using CodeMap = std::array<uint8_t, 256>;

// The US -> layout map of a pair table, as a permutation of 0..255. A code
// that appears only on the layout side (221 in German) would otherwise stay
// where it is and collide with the US code moved onto it, so that nothing
// could undo the conversion; it is sent instead to the US code that starts
// its chain (221 -> 24), which closes every chain into a cycle.
template <std::size_t N>
constexpr CodeMap BuildFromUs(const LayoutPair (&pairs)[N]) {
    std::array<int, 256> usOf{};  // layout code -> US code, -1 when none
    std::array<bool, 256> isUs{};
    usOf.fill(-1);
    for (const LayoutPair& p : pairs) {
        usOf[p.other] = p.us;
        isUs[p.us] = true;
    }
    CodeMap map{};
    for (int x = 0; x < 256; ++x) map[x] = static_cast<uint8_t>(x);
    for (const LayoutPair& p : pairs) map[p.us] = p.other;
    for (int x = 0; x < 256; ++x) {
        if (isUs[x] || usOf[x] < 0) continue;
        int start = usOf[x];
        while (usOf[start] >= 0) start = usOf[start];
        map[x] = static_cast<uint8_t>(start);
    }
    return map;
}

constexpr CodeMap Invert(const CodeMap& map) {
    CodeMap inv{};
    for (int x = 0; x < 256; ++x) inv[map[x]] = static_cast<uint8_t>(x);
    return inv;
}

constexpr bool IsPermutation(const CodeMap& map) {
    std::array<bool, 256> seen{};
    for (uint8_t v : map) {
        if (seen[v]) return false;
        seen[v] = true;
    }
    return true;
}

constexpr CodeMap kUsToDe = BuildFromUs(kGermanPairs);
constexpr CodeMap kUsToFr = BuildFromUs(kFrenchPairs);
constexpr CodeMap kUsToSp = BuildFromUs(kSpanishPairs);
static_assert(IsPermutation(kUsToDe) && IsPermutation(kUsToFr) && IsPermutation(kUsToSp),
              "a layout pair table maps two US codes to one layout code");
constexpr CodeMap kDeToUs = Invert(kUsToDe);
constexpr CodeMap kFrToUs = Invert(kUsToFr);
constexpr CodeMap kSpToUs = Invert(kUsToSp);

// A layout's map towards US and from US; nullptr for US and unknown layouts.
const CodeMap* ToUsMap(int kbType) {
    switch (kbType) {
        case KB_TYPE_GERMAN: return &kDeToUs;
        case KB_TYPE_FRENCH: return &kFrToUs;
        case KB_TYPE_SPANISH: return &kSpToUs;
        default: return nullptr;
    }
}

const CodeMap* FromUsMap(int kbType) {
    switch (kbType) {
        case KB_TYPE_GERMAN: return &kUsToDe;
        case KB_TYPE_FRENCH: return &kUsToFr;
        case KB_TYPE_SPANISH: return &kUsToSp;
        default: return nullptr;
    }
}

int Apply(const CodeMap* map, int vk) {
    const int low = vk & 0xFF;
    return map ? (*map)[low] : low;
}

}  // namespace

int ConvertVk_US_To_DE(int vk) { return Apply(&kUsToDe, vk); }
int ConvertVk_DE_To_US(int vk) { return Apply(&kDeToUs, vk); }
int ConvertVk_US_To_FR(int vk) { return Apply(&kUsToFr, vk); }
int ConvertVk_FR_To_US(int vk) { return Apply(&kFrToUs, vk); }
int ConvertVk_US_To_SP(int vk) { return Apply(&kUsToSp, vk); }
int ConvertVk_SP_To_US(int vk) { return Apply(&kSpToUs, vk); }

int OtherVk_To_UsVk(int vk, int kbType) { return Apply(ToUsMap(kbType), vk); }
int UsVk_To_OtherVk(int vk, int kbType) { return Apply(FromUsMap(kbType), vk); }

}  // namespace keyloom
