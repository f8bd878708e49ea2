// Key code tables, their lookups, layout conversion and the evdev table.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <set>

#include "keys/evdev.h"
#include "keys/vk.h"

namespace keyloom {
namespace {

template <typename Pairs, typename Get>
bool AllDistinct(const Pairs& pairs, Get get) {
    std::set<int> seen;
    for (const auto& p : pairs)
        if (!seen.insert(get(p)).second) return false;
    return true;
}

_KEYINFO KeyRecord(uint32_t cls, uint8_t mods, uint8_t vk1, uint8_t vk2 = VK_NONE) {
    _KEYINFO k{};
    k.dwFunID = MAKE_FUNID(cls, 0);
    k.stCombo = {mods, vk1, vk2, 0};
    return k;
}

TEST(VkTables, OneToOneAndAligned) {
    EXPECT_TRUE(AllDistinct(WM_VK, [](const VkPair& p) { return p.code; }));
    EXPECT_TRUE(AllDistinct(WM_VK, [](const VkPair& p) { return p.vk; }));
    EXPECT_TRUE(AllDistinct(POS_VK, [](const VkPair& p) { return p.code; }));
    EXPECT_TRUE(AllDistinct(POS_VK, [](const VkPair& p) { return p.vk; }));
    // POS_VK is WM_VK without Fn, key for key.
    for (int i = 0; i < POS_VK_COUNT; ++i) EXPECT_EQ(POS_VK[i].vk, WM_VK[i].vk) << "row " << i;
    EXPECT_EQ(WM_VK[WM_VK_COUNT - 1].code, 0xFA);
    EXPECT_EQ(WM_VK[WM_VK_COUNT - 1].vk, VK_FN);
    // A few rows that are easy to get wrong.
    EXPECT_EQ(Win2Mac(0xFD), 76);   // keypad Enter
    EXPECT_EQ(Hid2Vk(0x58), 76);
    EXPECT_EQ(Win2Mac(0x2C), 105);  // Print Screen
    EXPECT_EQ(Hid2Vk(0x46), 105);
    EXPECT_EQ(Win2Mac(0xE2), 10);   // ISO key
    EXPECT_EQ(Hid2Vk(0x64), 10);
    EXPECT_EQ(Vk2Hid(82), 0x62);    // keypad 0
    EXPECT_EQ(Vk2Hid(54), 0xE7);    // right Command
}

TEST(VkTables, RoundTripsEveryRow) {
    for (const VkPair& p : WM_VK) EXPECT_EQ(Win2Mac(p.code), p.vk) << int(p.code);
    for (const VkPair& p : POS_VK) {
        EXPECT_EQ(Hid2Vk(p.code), p.vk) << int(p.code);
        EXPECT_EQ(Vk2Hid(p.vk), p.code) << int(p.vk);
    }
    int known = 0;
    for (int w = 0; w < 256; ++w) known += Win2Mac(w) != VK_NONE;
    EXPECT_EQ(known, WM_VK_COUNT);
}

TEST(VkTables, MissesAndLowByte) {
    EXPECT_EQ(Win2Mac(0x5C), 54);
    EXPECT_EQ(Win2Mac(0xFA), VK_FN);
    EXPECT_EQ(Win2Mac(0x92), VK_NONE);
    EXPECT_EQ(Win2Mac(0x141), Win2Mac(0x41));
    EXPECT_EQ(Win2Mac(0x141), 0);
    EXPECT_EQ(Win2Mac(-1), VK_NONE);  // low byte 0xFF
    EXPECT_EQ(Vk2Hid(VK_FN), 0);
    EXPECT_EQ(Vk2Hid(VK_NONE), 0);
    EXPECT_EQ(Vk2Hid(52), 0);         // unassigned host code
    EXPECT_EQ(Vk2Hid(256), 0);        // host codes are not truncated
    EXPECT_EQ(Hid2Vk(0x04), 0);       // A, indistinguishable from a miss
    EXPECT_EQ(Hid2Vk(0x00), 0);
    EXPECT_EQ(Hid2Vk(0x104), 0);
    EXPECT_EQ(Hid2Vk(0x05), 11);
}

TEST(VkTables, KeyInfoToVk) {
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, 0, 12)), 12);
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, 0, VK_FN)), VK_FN);
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, 0, VK_NONE)), VK_NONE);
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, 0, 0)), 0);
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, 0x12, VK_NONE)), 62);  // right Control before left Shift
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, MOD_LSHIFT, 12)), 56);  // a modifier wins over the key
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, 0xFF, 12)), 59);
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, 0x88, 12)), 55);  // left GUI before right GUI
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, 0x60, 12)), 60);  // right Shift before right Alt
    const int single[8][2] = {{0x01, 59}, {0x02, 56}, {0x04, 58}, {0x08, 55},
                              {0x10, 62}, {0x20, 60}, {0x40, 61}, {0x80, 54}};
    for (const auto& s : single)
        EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_KEY, uint8_t(s[0]), VK_NONE)), s[1]) << s[0];
    // Only key assignments have a key code.
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_MEDIA, 0, 12)), 0);
    EXPECT_EQ(KeyInfo_To_Vk(KeyRecord(FUN_NONE, 0x01, 12)), 0);
}

TEST(VkLayouts, ConvertersArePermutationsAndInverse) {
    using Conv = int (*)(int);
    const Conv pairs[3][2] = {{ConvertVk_US_To_DE, ConvertVk_DE_To_US},
                              {ConvertVk_US_To_FR, ConvertVk_FR_To_US},
                              {ConvertVk_US_To_SP, ConvertVk_SP_To_US}};
    for (int layout = 0; layout < 3; ++layout) {
        std::set<int> images;
        for (int x = 0; x < 256; ++x) {
            const int there = pairs[layout][0](x);
            images.insert(there);
            EXPECT_EQ(pairs[layout][1](there), x) << "layout " << layout + 1 << " code " << x;
            EXPECT_EQ(pairs[layout][0](pairs[layout][1](x)), x) << "layout " << layout + 1 << " code " << x;
            // The by-number converters pick the same maps.
            EXPECT_EQ(UsVk_To_OtherVk(x, layout + 1), there);
            EXPECT_EQ(OtherVk_To_UsVk(there, layout + 1), x);
        }
        EXPECT_EQ(images.size(), 256u);
    }
}

TEST(VkLayouts, TabledPairs) {
    EXPECT_EQ(ConvertVk_US_To_DE(24), 221);
    EXPECT_EQ(ConvertVk_DE_To_US(221), 24);
    EXPECT_EQ(ConvertVk_US_To_DE(89), 90);  // swap
    EXPECT_EQ(ConvertVk_US_To_DE(90), 89);
    EXPECT_EQ(ConvertVk_DE_To_US(89), 90);
    EXPECT_EQ(ConvertVk_US_To_DE(50), 220);
    EXPECT_EQ(ConvertVk_US_To_FR(41), 77);  // a chain: 41 -> 77 -> 188
    EXPECT_EQ(ConvertVk_US_To_FR(77), 188);
    EXPECT_EQ(ConvertVk_FR_To_US(188), 77);
    EXPECT_EQ(ConvertVk_FR_To_US(77), 41);
    EXPECT_EQ(ConvertVk_US_To_FR(44), 223);
    EXPECT_EQ(ConvertVk_US_To_FR(42), 42);  // French leaves 42 alone
    EXPECT_EQ(ConvertVk_US_To_SP(42), 191);
    EXPECT_EQ(ConvertVk_US_To_SP(89), 89);  // Spanish has no Y/Z swap
    EXPECT_EQ(ConvertVk_US_To_SP(90), 90);
    // A layout-side code closes its chain instead of colliding.
    EXPECT_EQ(ConvertVk_US_To_DE(221), 24);
    EXPECT_EQ(ConvertVk_US_To_FR(188), 41);
    // Untouched codes and the low byte only.
    EXPECT_EQ(ConvertVk_US_To_DE(0), 0);
    EXPECT_EQ(ConvertVk_FR_To_US(255), 255);
    EXPECT_EQ(ConvertVk_US_To_DE(0x100 + 24), 221);
    EXPECT_EQ(ConvertVk_SP_To_US(-1), 255);
}

TEST(VkLayouts, PickByLayoutNumber) {
    EXPECT_EQ(OtherVk_To_UsVk(65, KB_TYPE_FRENCH), 81);
    EXPECT_EQ(UsVk_To_OtherVk(65, KB_TYPE_FRENCH), 81);
    EXPECT_EQ(UsVk_To_OtherVk(24, KB_TYPE_GERMAN), 221);
    EXPECT_EQ(OtherVk_To_UsVk(221, KB_TYPE_SPANISH), 24);
    for (int kb : {KB_TYPE_US, 4, -1, 100}) {
        EXPECT_EQ(OtherVk_To_UsVk(65, kb), 65);
        EXPECT_EQ(UsVk_To_OtherVk(24, kb), 24);
        EXPECT_EQ(OtherVk_To_UsVk(0x141, kb), 0x41);
        EXPECT_EQ(UsVk_To_OtherVk(0x1FF, kb), 0xFF);
    }
}

TEST(Evdev, TableCoversEveryKeyOnce) {
    const auto table = EvdevTable();
    EXPECT_EQ(table.size(), size_t(WM_VK_COUNT));
    EXPECT_TRUE(AllDistinct(table, [](const EvdevPair& p) { return p.evdev; }));
    EXPECT_TRUE(AllDistinct(table, [](const EvdevPair& p) { return p.vk; }));
    for (const VkPair& p : WM_VK) {
        const int evdev = HostKeyToEvdev(p.vk);
        EXPECT_NE(evdev, KEY_RESERVED) << "host code " << int(p.vk);
        EXPECT_EQ(EvdevToHostKey(evdev), p.vk);
    }
}

TEST(Evdev, PhysicalMapping) {
    EXPECT_EQ(EvdevToHostKey(KEY_A), 0);
    EXPECT_EQ(EvdevToHostKey(KEY_102ND), 10);
    EXPECT_EQ(EvdevToHostKey(KEY_SYSRQ), 105);
    EXPECT_EQ(EvdevToHostKey(KEY_INSERT), VK_INSERT);
    EXPECT_EQ(EvdevToHostKey(KEY_SCROLLLOCK), VK_SCROLL_LOCK);
    EXPECT_EQ(EvdevToHostKey(KEY_PAUSE), VK_PAUSE);
    EXPECT_EQ(EvdevToHostKey(KEY_COMPOSE), 110);
    EXPECT_EQ(EvdevToHostKey(KEY_LEFTMETA), 55);   // Command = Super
    EXPECT_EQ(EvdevToHostKey(KEY_RIGHTMETA), 54);
    EXPECT_EQ(EvdevToHostKey(KEY_LEFTALT), 58);    // Option = Alt
    EXPECT_EQ(EvdevToHostKey(KEY_RIGHTALT), 61);
    EXPECT_EQ(EvdevToHostKey(KEY_KPENTER), 76);
    EXPECT_EQ(EvdevToHostKey(KEY_ENTER), 36);
    EXPECT_EQ(EvdevToHostKey(KEY_KP0), 82);
    EXPECT_EQ(EvdevToHostKey(KEY_FN), VK_FN);
    EXPECT_EQ(EvdevToHostKey(KEY_RESERVED), VK_NONE);
    EXPECT_EQ(EvdevToHostKey(KEY_MUTE), VK_NONE);
    EXPECT_EQ(EvdevToHostKey(-1), VK_NONE);
    EXPECT_EQ(HostKeyToEvdev(VK_NONE), KEY_RESERVED);
    EXPECT_EQ(HostKeyToEvdev(52), KEY_RESERVED);
    // XKB keycodes are evdev + 8.
    EXPECT_EQ(XkbKeycodeToHostKey(KEY_ESC + 8), 53);
    EXPECT_EQ(XkbKeycodeToHostKey(KEY_1 + 8), 18);
    EXPECT_EQ(XkbKeycodeToHostKey(0), VK_NONE);
    EXPECT_EQ(HostKeyToXkbKeycode(53), KEY_ESC + 8);
    EXPECT_EQ(HostKeyToXkbKeycode(VK_NONE), 0);
}

}  // namespace
}  // namespace keyloom
