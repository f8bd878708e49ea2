// The key-assignment record's stored layout, its equality and Fn rules, and
// the fixed function tables.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "model/functable.h"
#include "model/keyinfo.h"

namespace keyloom {
namespace {

// Every field set to a value whose bytes are easy to spot.
_KEYINFO SampleRecord() {
    _KEYINFO k{};
    k.dwFunID = 0x09000012;
    k.rcPos = {0x10, 0x20, 0x130, 0x240};
    k.dwMatrixIdx = 77;
    k.dwMacroID = 0xA1B2C3D4;
    k.stCombo = {0x22, 0x05, 0xFF, 0x00};
    k.dwHwCode = 0x00B00000;
    k.nReserved1 = -1;
    k.stFnInfo.dwFunID = 0x02000000;
    k.stFnInfo.rcPos = {5, 6, 7, 8};
    k.stFnInfo.nMatrixIdx = -2;
    k.stFnInfo.dwMacroID = 0x11;
    k.stFnInfo.stCombo = {1, 2, 3, 0};
    k.stFnInfo.dwHwCode = 0x12345678;
    k.dwCfgExtra = 0x0102;
    k.nReserved2 = 3;
    k.nReserved3 = 0x7FFFFFFF;
    return k;
}

constexpr uint8_t kSampleBytes[88] = {
    0x12, 0x00, 0x00, 0x09,                          // dwFunID
    0x10, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00,  // rcPos
    0x30, 0x01, 0x00, 0x00, 0x40, 0x02, 0x00, 0x00,  //
    0x4D, 0x00, 0x00, 0x00,                          // dwMatrixIdx
    0xD4, 0xC3, 0xB2, 0xA1,                          // dwMacroID
    0x22, 0x05, 0xFF, 0x00,                          // stCombo
    0x00, 0x00, 0xB0, 0x00,                          // dwHwCode
    0xFF, 0xFF, 0xFF, 0xFF,                          // nReserved1
    0x00, 0x00, 0x00, 0x02,                          // stFnInfo.dwFunID
    0x05, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00,  // stFnInfo.rcPos
    0x07, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,  //
    0xFE, 0xFF, 0xFF, 0xFF,                          // stFnInfo.nMatrixIdx
    0x11, 0x00, 0x00, 0x00,                          // stFnInfo.dwMacroID
    0x01, 0x02, 0x03, 0x00,                          // stFnInfo.stCombo
    0x78, 0x56, 0x34, 0x12,                          // stFnInfo.dwHwCode
    0x02, 0x01, 0x00, 0x00,                          // dwCfgExtra
    0x03, 0x00, 0x00, 0x00,                          // nReserved2
    0xFF, 0xFF, 0xFF, 0x7F,                          // nReserved3
};

TEST(KeyInfoRecord, StoredBytes) {
    const _KEYINFO k = SampleRecord();
    uint8_t bytes[sizeof(_KEYINFO)];
    std::memcpy(bytes, &k, sizeof bytes);
    EXPECT_EQ(0, std::memcmp(bytes, kSampleBytes, sizeof kSampleBytes));

    _KEYINFO back;
    std::memcpy(&back, kSampleBytes, sizeof back);
    EXPECT_EQ(back.dwFunID, 0x09000012u);
    EXPECT_EQ(back.rcPos.bottom, 0x240u);
    EXPECT_EQ(back.stCombo.VkCode2, 0xFF);
    EXPECT_EQ(back.stFnInfo.nMatrixIdx, -2);
    EXPECT_EQ(back.dwCfgExtra, 0x0102u);
    EXPECT_EQ(back.nReserved3, 0x7FFFFFFF);
    EXPECT_EQ(FUN_CLASS(back.dwFunID), FUN_DEVICE);
    EXPECT_EQ(FUN_CODE(back.dwFunID), 0x12u);
    EXPECT_EQ(MAKE_FUNID(FUN_MEDIA, 0x1000021), 0x04000021u);  // the code keeps 24 bits
}

_KEYINFO Assignment(uint32_t funId, uint8_t mods, uint8_t vk1, uint8_t vk2) {
    _KEYINFO k{};
    k.dwFunID = funId;
    k.stCombo = {mods, vk1, vk2, 0};
    return k;
}

TEST(KeyInfoRecord, DefaultEquality) {
    const uint32_t key = MAKE_FUNID(FUN_KEY, 0);
    const _KEYINFO def = Assignment(key, 0x02, 12, VK_NONE);

    // Key assignments compare the combination only; the slot's class is not compared.
    _KEYINFO same = Assignment(key, 0x02, 12, VK_NONE);
    same.rcPos = {1, 2, 3, 4};
    same.dwMatrixIdx = 99;
    same.dwCfgExtra = 7;
    same.dwMacroID = 5;
    same.dwHwCode = 6;
    same.stCombo.unused = 1;
    EXPECT_TRUE(IS_DEFAULT_KEY(same, def));
    _KEYINFO mediaSlot = Assignment(MAKE_FUNID(FUN_MEDIA, 34), 0x02, 12, VK_NONE);
    EXPECT_TRUE(IS_DEFAULT_KEY(same, mediaSlot));
    EXPECT_FALSE(IS_DEFAULT_KEY(Assignment(key, 0x20, 12, VK_NONE), def));
    EXPECT_FALSE(IS_DEFAULT_KEY(Assignment(key, 0x02, 13, VK_NONE), def));
    EXPECT_FALSE(IS_DEFAULT_KEY(Assignment(key, 0x02, 12, 0), def));

    // Every other class compares the function ID only.
    const _KEYINFO mediaDef = Assignment(MAKE_FUNID(FUN_MEDIA, 34), 0, VK_NONE, VK_NONE);
    _KEYINFO media = Assignment(MAKE_FUNID(FUN_MEDIA, 34), 0x01, 3, 4);
    media.rcPos = {9, 9, 9, 9};
    media.dwMatrixIdx = 1;
    media.dwCfgExtra = 2;
    EXPECT_TRUE(IS_DEFAULT_KEY(media, mediaDef));
    EXPECT_FALSE(IS_DEFAULT_KEY(Assignment(MAKE_FUNID(FUN_MEDIA2, 34), 0, VK_NONE, VK_NONE), mediaDef));
    EXPECT_FALSE(IS_DEFAULT_KEY(Assignment(MAKE_FUNID(FUN_MEDIA, 35), 0, VK_NONE, VK_NONE), mediaDef));
    _KEYINFO macroA = Assignment(MAKE_FUNID(FUN_MACRO, 0), 0, VK_NONE, VK_NONE);
    _KEYINFO macroB = macroA;
    macroA.dwMacroID = 1;
    macroB.dwMacroID = 2;
    EXPECT_TRUE(IS_DEFAULT_KEY(macroA, macroB));
    // A non-key assignment never equals a key slot, whatever the combinations hold.
    EXPECT_FALSE(IS_DEFAULT_KEY(Assignment(MAKE_FUNID(FUN_MEDIA, 34), 0x02, 12, VK_NONE), def));
}

TEST(KeyInfoRecord, FnKey) {
    const uint32_t key = MAKE_FUNID(FUN_KEY, 0);
    EXPECT_TRUE(IsFnKey(Assignment(key, 0, VK_FN, VK_NONE)));
    EXPECT_TRUE(IsFnKey(Assignment(key, 0, VK_FN, 12)));
    EXPECT_FALSE(IsFnKey(Assignment(key, 0x01, VK_FN, VK_NONE)));  // Ctrl + Fn is a combination
    EXPECT_FALSE(IsFnKey(Assignment(key, 0, 12, VK_FN)));
    EXPECT_FALSE(IsFnKey(Assignment(MAKE_FUNID(FUN_MEDIA, 34), 0, VK_FN, VK_NONE)));
    EXPECT_FALSE(IsFnKey(Assignment(0, 0, VK_FN, VK_NONE)));
}

template <typename Rows>
std::set<uint32_t> Codes(const Rows& rows) {
    std::set<uint32_t> codes;
    for (const auto& r : rows) EXPECT_TRUE(codes.insert(r.code).second) << "code " << r.code << " twice";
    return codes;
}

TEST(FunctionTables, CodesAndLookups) {
    const auto mouse = Codes(MOUSE_FUNCS);
    const auto media = Codes(MEDIA_FUNCS);
    const auto shortcut = Codes(SHORTCUT_FUNCS);
    const auto special = Codes(SPECIAL_FUNCS);
    EXPECT_EQ(mouse, (std::set<uint32_t>{17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27}));
    EXPECT_EQ(media.size(), 20u);
    for (uint32_t c : {41u, 44u, 45u, 46u, 47u}) EXPECT_EQ(media.count(c), 0u) << c;
    EXPECT_EQ(*media.begin(), 33u);
    EXPECT_EQ(*media.rbegin(), 57u);
    EXPECT_EQ(shortcut, (std::set<uint32_t>{64, 65, 66, 67, 68, 70, 71, 72, 73, 75, 80, 81}));
    EXPECT_EQ(special, (std::set<uint32_t>{162, 167, 171, 173, 174}));

    for (uint32_t c = 0; c < 256; ++c) {
        EXPECT_EQ(FindMouseFunc(c) != nullptr, mouse.count(c) == 1) << c;
        EXPECT_EQ(FindMediaFunc(c) != nullptr, media.count(c) == 1) << c;
        EXPECT_EQ(FindShortcut(c) != nullptr, shortcut.count(c) == 1) << c;
        EXPECT_EQ(FindSpecialFunc(c) != nullptr, special.count(c) == 1) << c;
    }
    ASSERT_NE(FindMediaFunc(53), nullptr);
    EXPECT_EQ(FindMediaFunc(53)->code, 53u);
    EXPECT_EQ(FindMouseFunc(0x100 + 17), nullptr);  // the whole 24-bit code counts

    // Exactly the five office shortcuts are named.
    std::set<uint32_t> named;
    for (const ShortcutFunc& s : SHORTCUT_FUNCS)
        if (s.textKey) named.insert(s.code);
    EXPECT_EQ(named, (std::set<uint32_t>{64, 65, 66, 68, 75}));
}

// The device codes the rows describe, as the keyboard receives them.
TEST(FunctionTables, DeviceCodeParameters) {
    const std::pair<uint32_t, uint32_t> mouseCodes[] = {{17, 0x0000F003}, {18, 0x0000F203}, {19, 0x0000F103},
                                                        {20, 0x0000F403}, {21, 0x0000F303}, {24, 0x01000003},
                                                        {25, 0xFF000003}};
    for (const auto& [code, device] : mouseCodes) {
        const MouseFunc* m = FindMouseFunc(code);
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(m->hasDeviceCode);
        EXPECT_EQ(0x03u | uint32_t(m->button) << 8 | uint32_t(m->wheel) << 24, device) << code;
    }
    for (uint32_t code : {22u, 23u, 26u, 27u}) EXPECT_FALSE(FindMouseFunc(code)->hasDeviceCode) << code;

    auto mediaCode = [](const MediaFunc& m) {
        return 0x01u | uint32_t(m.usage >> 8) << 16 | uint32_t(m.usage & 0xFF) << 24;
    };
    EXPECT_EQ(mediaCode(*FindMediaFunc(34)), 0xCD000001u);
    EXPECT_EQ(mediaCode(*FindMediaFunc(33)), 0x83010001u);
    EXPECT_EQ(FindMediaFunc(57)->usage, 0x022A);
    EXPECT_EQ(FindMediaFunc(42)->usage, 0x006F);

    const std::pair<uint32_t, uint32_t> shortcutCodes[] = {
        {64, 0x001B0400}, {65, 0x00060400}, {66, 0x00190400}, {67, 0x00200A00}, {68, 0x00040400}, {70, 0x00090900},
        {71, 0x002C0800}, {72, 0x00140C00}, {73, 0x004F0100}, {75, 0x00090400}, {80, 0x00140800}, {81, 0x00070C00}};
    for (const auto& [code, device] : shortcutCodes) {
        const ShortcutFunc* s = FindShortcut(code);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(uint32_t(s->modifiers) << 8 | uint32_t(s->usage) << 16, device) << code;
    }

    EXPECT_EQ(FindSpecialFunc(162)->device, SpecialDevice::Zero);
    EXPECT_EQ(FindSpecialFunc(173)->device, SpecialDevice::HwCode);
    for (uint32_t code : {167u, 171u, 174u}) EXPECT_EQ(FindSpecialFunc(code)->device, SpecialDevice::None);
}

TEST(FunctionTables, TextKeys) {
    using Opt = std::optional<std::string>;
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_MOUSE, 17)), Opt("tc_click"));
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_MOUSE, 27)), Opt("tc_mvr"));
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_MOUSE, 28)), std::nullopt);
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_MEDIA, 53)), Opt("tc_back"));
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_MEDIA, 41)), std::nullopt);
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_SHORTCUT, 75)), Opt("tc_office5"));
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_SHORTCUT, 67)), std::nullopt);  // encoded but unnamed
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_SHORTCUT, 69)), std::nullopt);
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_SPECIAL, 162)), Opt("tc_key_off"));
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_SPECIAL, 163)), std::nullopt);
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_DEVICE, 0)), Opt("tc_hw1"));
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_DEVICE, 41)), Opt("tc_hw42"));
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_KEY, 0)), std::nullopt);
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_MACRO, 0)), std::nullopt);
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(6, 17)), std::nullopt);
    EXPECT_EQ(FunctionTextKey(MAKE_FUNID(10, 17)), std::nullopt);
    EXPECT_EQ(FunctionTextKey(0), std::nullopt);

    // Classes 3 and 4 are the same functions.
    for (uint32_t code = 0; code < 64; ++code)
        EXPECT_EQ(FunctionTextKey(MAKE_FUNID(FUN_MEDIA2, code)), FunctionTextKey(MAKE_FUNID(FUN_MEDIA, code)))
            << code;
}

}  // namespace
}  // namespace keyloom
