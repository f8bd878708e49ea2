// Device codes, the key matrix, hardware macro slots and the macro area.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "config/gvar.h"
#include "device/hwencode.h"
#include "model/hwparam.h"
#include "model/record_list.h"
#include "test_support.h"

namespace keyloom {
namespace {

constexpr uint32_t kNone = NO_DEVICE_CODE;

_KEYINFO Key(uint32_t cls, uint32_t code) {
    _KEYINFO k{};
    k.dwFunID = MAKE_FUNID(cls, code);
    k.stCombo = {0, VK_NONE, VK_NONE, 0};
    return k;
}

_KEYINFO Combo(uint8_t mods, uint8_t vk1, uint8_t vk2) {
    _KEYINFO k = Key(FUN_KEY, 0);
    k.stCombo = {mods, vk1, vk2, 0};
    return k;
}

_KEYINFO MacroKey(uint32_t id) {
    _KEYINFO k = Key(FUN_MACRO, 0);
    k.dwMacroID = id;
    return k;
}

_ST_MACRO Macro(uint32_t id, std::vector<_ST_ITEM> events, uint32_t loopMode = 0, uint16_t repeat = 1) {
    _ST_MACRO m{};
    m.dwMagic = MACRO_MAGIC;
    m.dwID = id;
    m.nLoopMode = loopMode;
    m.stData.wRepeat = repeat;
    copy_record_name(m.szName, MACRO_NAME_SIZE, ("macro " + std::to_string(id)).c_str());
    std::copy_n(events.begin(), std::min<size_t>(events.size(), MACRO_ITEM_COUNT), m.stData.stItem);
    return m;
}

// n ordinary events: B pressed and released in turn, 10 ms apart.
std::vector<_ST_ITEM> Events(int n) {
    std::vector<_ST_ITEM> v;
    for (int i = 0; i < n; ++i) v.push_back({11, static_cast<uint16_t>(i % 2 == 0 ? 1 : 0), 10});
    return v;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

int CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    return static_cast<int>(std::count_if(lines.begin(), lines.end(),
                                          [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

// Sets up a default key table whose matrix positions run backwards (key i at
// position 125 - i), no knob row, and the start-up hardware parameters.
class HwEncodeTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::copy(g_defKEY, g_defKEY + KEY_COUNT, savedDef_.begin());
        savedSrIndex_ = gVar.SrIndex;
        savedHw_ = hwParam;
        for (int i = 0; i < KEY_COUNT; ++i) {
            g_defKEY[i] = Combo(0, 0, VK_NONE);
            g_defKEY[i].dwMatrixIdx = static_cast<uint32_t>(Pos(i));
        }
        gVar.SrIndex = 255;
        InitKey();
    }
    void TearDown() override {
        std::copy(savedDef_.begin(), savedDef_.end(), g_defKEY);
        gVar.SrIndex = savedSrIndex_;
        hwParam = savedHw_;
    }
    static int Pos(int key) { return KEY_COUNT - 1 - key; }

    // A profile whose key i has its own dwMatrixIdx equal to the default one.
    void SetKey(int i, _KEYINFO k) {
        k.dwMatrixIdx = static_cast<uint32_t>(Pos(i));
        profile_.stKey[0][i] = k;
    }

    _ST_PROFILE profile_{};
    MacroSnapshot macros_;

private:
    std::array<_KEYINFO, KEY_COUNT> savedDef_{};
    int32_t savedSrIndex_ = 0;
    _HW_PARAM savedHw_{};
};

TEST_F(HwEncodeTest, MouseAndKeyCodes) {
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MOUSE, 17)), 0x0000F003u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MOUSE, 18)), 0x0000F203u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MOUSE, 19)), 0x0000F103u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MOUSE, 20)), 0x0000F403u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MOUSE, 21)), 0x0000F303u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MOUSE, 24)), 0x01000003u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MOUSE, 25)), 0xFF000003u);
    for (uint32_t code : {16u, 22u, 23u, 26u, 27u, 28u})
        EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MOUSE, code)), kNone) << code;

    // Wheel down on the wire: 03 00 00 FF.
    const uint32_t wheel = keyinfo_to_hardware_code(Key(FUN_MOUSE, 25));
    uint8_t wire[4];
    std::memcpy(wire, &wheel, 4);
    EXPECT_EQ(wire[0], 0x03);
    EXPECT_EQ(wire[1], 0x00);
    EXPECT_EQ(wire[2], 0x00);
    EXPECT_EQ(wire[3], 0xFF);

    EXPECT_EQ(keyinfo_to_hardware_code(Combo(0, VK_FN, VK_NONE)), 0x00B00000u);     // Fn
    EXPECT_EQ(keyinfo_to_hardware_code(Combo(0x01, VK_FN, VK_NONE)), 0x00000100u);  // Ctrl + Fn: no usage
    EXPECT_EQ(keyinfo_to_hardware_code(Combo(0x02, VK_NONE, VK_NONE)), 0x00000200u);  // lone Shift
    EXPECT_EQ(keyinfo_to_hardware_code(Combo(0x01, 0, 11)), 0x05040100u);             // Ctrl + A + B
    EXPECT_EQ(keyinfo_to_hardware_code(Combo(0, 36, VK_NONE)), 0x00280000u);           // Return
}

TEST_F(HwEncodeTest, MediaShortcutSpecialAndDeviceCodes) {
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MEDIA, 34)), 0xCD000001u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MEDIA, 33)), 0x83010001u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MEDIA, 57)), 0x2A020001u);
    EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MEDIA, 42)), 0x6F000001u);
    for (uint32_t code = 30; code < 60; ++code)
        EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MEDIA2, code)), keyinfo_to_hardware_code(Key(FUN_MEDIA, code)));
    for (uint32_t code : {32u, 41u, 44u, 47u, 58u}) EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_MEDIA, code)), kNone);

    const std::pair<uint32_t, uint32_t> shortcuts[] = {
        {64, 0x001B0400}, {65, 0x00060400}, {66, 0x00190400}, {67, 0x00200A00}, {68, 0x00040400}, {70, 0x00090900},
        {71, 0x002C0800}, {72, 0x00140C00}, {73, 0x004F0100}, {75, 0x00090400}, {80, 0x00140800}, {81, 0x00070C00},
    };
    for (auto [code, device] : shortcuts) EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_SHORTCUT, code)), device) << code;
    for (uint32_t code : {69u, 74u, 76u, 79u, 100u}) EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_SHORTCUT, code)), 0u);

    _KEYINFO custom = Key(FUN_SPECIAL, 173);
    custom.dwHwCode = 0x12345678;
    EXPECT_EQ(keyinfo_to_hardware_code(custom), 0x12345678u);
    _KEYINFO off = Key(FUN_SPECIAL, 162);
    off.dwHwCode = 0x12345678;
    EXPECT_EQ(keyinfo_to_hardware_code(off), 0u);
    for (uint32_t code : {167u, 170u, 171u, 174u}) EXPECT_EQ(keyinfo_to_hardware_code(Key(FUN_SPECIAL, code)), kNone);

    _KEYINFO device = Key(FUN_DEVICE, 3);
    device.dwHwCode = 0x00E20001;
    EXPECT_EQ(keyinfo_to_hardware_code(device), 0x00E20001u);
    for (uint32_t cls : {0u, 6u, 10u, 255u}) EXPECT_EQ(keyinfo_to_hardware_code(Key(cls, 17)), kNone) << cls;
}

TEST_F(HwEncodeTest, MacroCodesByPlayMode) {
    macros_.add(Macro(1, Events(2), 0, 0x1234));
    macros_.add(Macro(2, Events(2), 1, 7));
    macros_.add(Macro(3, Events(2), 2, 7));
    macros_.add(Macro(4, Events(2), 9, 7));
    EXPECT_EQ(keyinfo_to_hardware_code(MacroKey(1), macros_), 0x34010002u);  // 02 00 01 34: repeat low byte
    EXPECT_EQ(keyinfo_to_hardware_code(MacroKey(2), macros_), 0x00020002u);
    EXPECT_EQ(keyinfo_to_hardware_code(MacroKey(3), macros_), 0x00040002u);
    EXPECT_EQ(keyinfo_to_hardware_code(MacroKey(4), macros_), 0x00000002u);

    test::LogCapture log;
    EXPECT_EQ(keyinfo_to_hardware_code(MacroKey(0xAB), macros_), kNone);
    EXPECT_TRUE(HasLine(log.lines(), "keyinfo_to_hardware_code can't find macro id 0xab"));
}

TEST_F(HwEncodeTest, KeyMatrix) {
    test::LogCapture log;
    _KEYINFO keys[KEY_COUNT] = {};
    keys[0] = Combo(0, 0, VK_NONE);
    keys[0].dwMatrixIdx = 3;                 // ignored: the default table places it
    keys[1] = Key(FUN_MOUSE, 22);            // no device code
    keys[2] = Key(FUN_SHORTCUT, 69);         // in the matrix with code 0
    keys[3] = Key(FUN_MEDIA, 34);
    keys[4] = Combo(0, VK_FN, VK_NONE);
    keys[7] = Key(FUN_MOUSE, 17);            // the knob's row
    keys[8] = Key(FUN_MOUSE, 18);            // same position as key 9 ...
    keys[9] = Key(FUN_MOUSE, 19);            // ... which wins
    keys[10] = Key(FUN_MOUSE, 20);           // default position out of range
    gVar.SrIndex = 7;
    g_defKEY[8].dwMatrixIdx = 50;
    g_defKEY[9].dwMatrixIdx = 50;
    g_defKEY[10].dwMatrixIdx = 126;

    // The matrix sits between guard regions: nothing may be written outside it.
    uint32_t guarded[KEY_COUNT + 2];
    std::fill(std::begin(guarded), std::end(guarded), 0xA5A5A5A5u);
    uint32_t* matrix = guarded + 1;
    KEYINFO_2_Matrix(keys, matrix);
    EXPECT_EQ(guarded[0], 0xA5A5A5A5u);
    EXPECT_EQ(guarded[KEY_COUNT + 1], 0xA5A5A5A5u);

    std::array<uint32_t, KEY_COUNT> expected{};
    expected[Pos(0)] = 0x00040000;
    expected[Pos(3)] = 0xCD000001;
    expected[Pos(4)] = 0x00B00000;
    expected[50] = 0x0000F103;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), matrix));

    const auto lines = log.lines();
    EXPECT_EQ(CountPrefix(lines, "Invalid key 1: FunID=0x1000016, MacroID=0x0, Name="), 1);
    EXPECT_EQ(CountPrefix(lines, "Invalid key "), 1);  // the Shortcut 69 and the knob row are not invalid
    EXPECT_EQ(CountPrefix(lines, "Key 10: default matrix position 126 out of range"), 1);

    KEYINFO_2_Matrix(nullptr, matrix);  // no key table: an empty matrix
    EXPECT_TRUE(std::all_of(matrix, matrix + KEY_COUNT, [](uint32_t v) { return v == 0; }));
}

TEST_F(HwEncodeTest, MacroSlotEvents) {
    const _ST_MACRO macro = Macro(1, {
                                         {56, 1, 25},          // left Shift down, 25 ms -> 2
                                         {0, 1, 100},          // A down (code 0 is A), 100 ms
                                         {0, 0, 20470},        // A up, the largest delay
                                         {54, 0, 20480},       // right Command up: delay wraps to 0
                                         {60, 1, 0},           // right Shift as left Shift
                                         {61, 1, 0},           // right Option as left Alt
                                         {62, 1, 0},           // right Control as left Control
                                         {55, 1, 0},           // left Command
                                         {58, 1, 0},           // left Option
                                         {59, 1, 0},           // left Control
                                         {240, 1, 30},         // mouse left
                                         {241, 0, 0},          // mouse right
                                         {242, 1, 0},          // mouse middle
                                         {243, 1, 0},          // forward: no usage, dropped
                                         {250, 1, 0},          // Fn: no usage, dropped
                                         {36, 0, 1280},        // Return up, 128 units
                                         {0, 0, 0},            // end of the list
                                         {11, 1, 10},          // never read
                                     });
    const uint8_t golden[] = {
        0x02, 0xF0, 0x02,  0x0A, 0x00, 0x04,  0xFF, 0x0F, 0x04,  0x80, 0xF0, 0x08,
        0x00, 0xF0, 0x02,  0x00, 0xF0, 0x04,  0x00, 0xF0, 0x01,  0x00, 0xF0, 0x08,
        0x00, 0xF0, 0x04,  0x00, 0xF0, 0x01,  0x03, 0x00, 0xF0,  0x80, 0x00, 0xF1,
        0x00, 0x00, 0xF2,  0x80, 0x01, 0x28,
    };
    test::LogCapture log;
    uint8_t slot[192 + 8];
    std::fill(std::begin(slot), std::end(slot), 0xAA);
    EXPECT_EQ(StMacro_To_HdMacro(&macro, slot), static_cast<int>(sizeof golden));
    EXPECT_EQ(0, std::memcmp(slot, golden, sizeof golden));
    EXPECT_TRUE(std::all_of(slot + sizeof golden, slot + 192, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(slot + 192, std::end(slot), [](uint8_t b) { return b == 0xAA; }));
    EXPECT_EQ(CountPrefix(log.lines(), "StMacro_To_HdMacro: get wrong hid"), 2);

    // 70 events: 63 fit, the last three bytes stay 0.
    const _ST_MACRO longMacro = Macro(2, Events(70));
    std::fill(std::begin(slot), std::end(slot), 0xAA);
    EXPECT_EQ(StMacro_To_HdMacro(&longMacro, slot), 189);
    EXPECT_EQ(slot[186], 0x01);  // the 63rd event: a press, 10 ms
    EXPECT_EQ(slot[188], 0x05);
    EXPECT_EQ(slot[189], 0);
    EXPECT_EQ(slot[190], 0);
    EXPECT_EQ(slot[191], 0);
    EXPECT_EQ(slot[192], 0xAA);

    // Code 255 ends the list, also as the first event.
    const _ST_MACRO stopped = Macro(3, {{11, 1, 10}, {VK_NONE, 1, 10}, {11, 0, 10}});
    EXPECT_EQ(StMacro_To_HdMacro(&stopped, slot), 3);
    const _ST_MACRO empty = Macro(4, {{VK_NONE, 1, 10}, {11, 0, 10}});
    std::fill(std::begin(slot), std::end(slot), 0xAA);
    EXPECT_EQ(StMacro_To_HdMacro(&empty, slot), 0);
    EXPECT_TRUE(std::all_of(slot, slot + 192, [](uint8_t b) { return b == 0; }));

    EXPECT_EQ(StMacro_To_HdMacro(nullptr, slot), 0);
    EXPECT_EQ(StMacro_To_HdMacro(&macro, nullptr), 0);
}

TEST_F(HwEncodeTest, SharedMacrosTakeOneSlot) {
    macros_.add(Macro(0x100, {{0, 1, 10}}, 0, 3));
    macros_.add(Macro(0x200, {{11, 1, 20}}, 1));
    SetKey(5, MacroKey(0x100));
    SetKey(6, MacroKey(0x200));
    SetKey(20, MacroKey(0x100));
    SetKey(40, MacroKey(0x100));
    SetKey(41, Combo(0x02, 0, VK_NONE));

    test::LogCapture log;
    uint32_t matrix[KEY_COUNT];
    uint8_t area[MACRO_AREA_SIZE] = {};
    EXPECT_EQ(FillMatrix(matrix, 1, area, &profile_, macros_), 2);

    // Macro 0x100 is in slot 0 and is not placed a second time; 0x200 in slot 1.
    EXPECT_EQ(matrix[Pos(5)], 0x03010002u);
    EXPECT_EQ(matrix[Pos(20)], 0x03010002u);
    EXPECT_EQ(matrix[Pos(40)], 0x03010002u);
    EXPECT_EQ(matrix[Pos(6)], 0x00020102u);
    EXPECT_EQ(matrix[Pos(41)], 0x00040200u);
    const uint8_t slot0[] = {0x01, 0x00, 0x04};
    const uint8_t slot1[] = {0x02, 0x00, 0x05};
    EXPECT_EQ(0, std::memcmp(area, slot0, 3));
    EXPECT_EQ(0, std::memcmp(area + 192, slot1, 3));
    EXPECT_TRUE(std::all_of(area + 384, area + MACRO_AREA_SIZE, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(macros_.find(0x100)->byBufferID, 0);
    EXPECT_EQ(macros_.find(0x200)->byBufferID, 1);

    const auto lines = log.lines();
    EXPECT_EQ(CountPrefix(lines, "New Assign Buffer_ID= "), 2);
    EXPECT_TRUE(HasLine(lines, "Key[0][6] Set To Macro 0x00000200, Macro_Buffer_ID=0"));
    EXPECT_TRUE(HasLine(lines, "Macro Name= macro 256"));
    EXPECT_TRUE(HasLine(lines, "New Assign Buffer_ID= 1"));
    EXPECT_TRUE(HasLine(lines, "Matrix[0][105] = 0x03010002"));
    EXPECT_TRUE(HasLine(lines, "Matrix[0][119] = 0x00020102"));
    EXPECT_EQ(CountPrefix(lines, "HdData:  01 00 04 00 00"), 1);
    EXPECT_EQ(CountPrefix(lines, "HdData:  02 00 05 00 00"), 1);
    EXPECT_EQ(CountPrefix(lines, "HdData: "), 2 * 3);  // 192 bytes, 64 a line

    macros_.clearBufferIds();
    EXPECT_EQ(macros_.find(0x200)->byBufferID, 0);
}

TEST_F(HwEncodeTest, MacroKeysLeftOut) {
    test::RecordingAlertSink alerts;
    test::LogCapture log;
    macros_.add(Macro(1, {{VK_NONE, 1, 10}}));  // no events: an empty slot, still counted
    macros_.add(Macro(2, {{11, 1, 10}}));
    macros_.add(Macro(3, {{11, 1, 10}}));
    SetKey(0, MacroKey(1));
    SetKey(1, MacroKey(0x77));  // not in the source
    SetKey(2, MacroKey(2));
    profile_.stKey[0][2].dwMatrixIdx = 126;  // its own position is out of range
    SetKey(7, MacroKey(3));                  // the knob's row
    gVar.SrIndex = 7;

    uint32_t matrix[KEY_COUNT];
    uint8_t area[MACRO_AREA_SIZE];
    std::fill(std::begin(area), std::end(area), 0xAA);
    EXPECT_EQ(FillMatrix(matrix, 1, area, &profile_, macros_), 2);

    EXPECT_EQ(matrix[Pos(0)], 0x01010002u);
    EXPECT_EQ(matrix[Pos(1)], 0u);
    EXPECT_EQ(matrix[Pos(2)], 0u);  // would point at slot 0
    EXPECT_TRUE(std::all_of(matrix, matrix + KEY_COUNT, [&](uint32_t v) { return v == 0 || v == matrix[Pos(0)]; }));
    EXPECT_TRUE(std::all_of(area, area + 192, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(area[192], 0x01);     // macro 2 in slot 1
    EXPECT_EQ(area[384], 0xAA);     // macro 3 (knob row) not placed
    EXPECT_EQ(macros_.find(3)->byBufferID, 0);

    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, "Warning");
    EXPECT_EQ(alerts.alerts[0].text, "Matrix inx warning");
    const auto lines = log.lines();
    EXPECT_TRUE(HasLine(lines, "Key[0][1] Set To Macro NULL"));
    EXPECT_EQ(CountPrefix(lines, "Invalid key 1: FunID=0x5000000, MacroID=0x77, Name="), 1);
    EXPECT_TRUE(HasLine(lines, "Key[0][7] is not in the matrix, macro not placed"));

    uint8_t* none = nullptr;
    EXPECT_EQ(FillMatrix(matrix, 1, area, nullptr, macros_), 0);
    EXPECT_EQ(FillMatrix(matrix, 1, none, &profile_, macros_), 0);
}

TEST_F(HwEncodeTest, EleventhMacroGetsNoSlot) {
    for (uint32_t id = 1; id <= 11; ++id) {
        macros_.add(Macro(id, Events(70)));
        SetKey(static_cast<int>(id) - 1, MacroKey(id));
    }
    SetKey(11, MacroKey(11));  // a second key of the eleventh macro
    SetKey(12, MacroKey(1));   // a key of a placed macro, after the area is full

    test::LogCapture log;
    uint32_t matrix[KEY_COUNT];
    uint8_t guarded[MACRO_AREA_SIZE + 256];
    std::fill(std::begin(guarded), std::end(guarded), 0xAA);
    EXPECT_EQ(FillMatrix(matrix, 1, guarded, &profile_, macros_), MACRO_SLOT_COUNT);

    EXPECT_TRUE(std::all_of(guarded + MACRO_AREA_SIZE, std::end(guarded), [](uint8_t b) { return b == 0xAA; }));
    for (int slot = 0; slot < MACRO_SLOT_COUNT; ++slot) {
        EXPECT_EQ(guarded[slot * 192], 0x01) << slot;
        EXPECT_EQ(guarded[slot * 192 + 189], 0) << slot;
        EXPECT_EQ(matrix[Pos(slot)], 0x01010002u | static_cast<uint32_t>(slot) << 8) << slot;
    }
    EXPECT_EQ(matrix[Pos(10)], 0u);
    EXPECT_EQ(matrix[Pos(11)], 0u);
    EXPECT_EQ(matrix[Pos(12)], 0x01010002u);
    const auto lines = log.lines();
    EXPECT_TRUE(HasLine(lines, "Macro slots full: macro 0x0000000b on key 10 left out"));
    EXPECT_TRUE(HasLine(lines, "Macro slots full: macro 0x0000000b on key 11 left out"));

    // Larger slots: only as many as fit in the area.
    hwParam.nMacroBufferSize = 512;
    std::fill(std::begin(guarded), std::end(guarded), 0xAA);
    EXPECT_EQ(FillMatrix(matrix, 1, guarded, &profile_, macros_), 3);
    EXPECT_TRUE(std::all_of(guarded + 3 * 512, std::end(guarded), [](uint8_t b) { return b == 0xAA; }));
}

// The rule the function picker asks before a key takes a macro: it counts the
// macros the encoder gives slots to.
TEST_F(HwEncodeTest, ATableTakesNoMoreMacrosThanTheSlots) {
    const _KEYINFO* keys = profile_.stKey[0];
    for (uint32_t id = 1; id <= 12; ++id) macros_.add(Macro(id, Events(2)));
    for (uint32_t id = 1; id <= 9; ++id) SetKey(static_cast<int>(id) + 19, MacroKey(id));  // keys 20..28
    SetKey(29, MacroKey(3));     // a second key of a macro counts once
    SetKey(30, MacroKey(0x77));  // a missing macro takes no slot
    SetKey(7, MacroKey(12));     // nor does the knob's row
    gVar.SrIndex = 7;
    EXPECT_EQ(macro_slot_capacity(), MACRO_SLOT_COUNT);
    EXPECT_EQ(slot_macros(keys, macros_), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));

    EXPECT_TRUE(macro_fits_in_slots(keys, 40, 10, macros_));  // the tenth
    SetKey(40, MacroKey(10));
    EXPECT_FALSE(macro_fits_in_slots(keys, 41, 11, macros_));  // an eleventh
    EXPECT_TRUE(macro_fits_in_slots(keys, 41, 4, macros_));    // one the table plays already
    EXPECT_TRUE(macro_fits_in_slots(keys, 40, 11, macros_));   // in place of the only use of 10
    EXPECT_FALSE(macro_fits_in_slots(keys, 29, 11, macros_));  // key 22 still plays 3
    EXPECT_TRUE(macro_fits_in_slots(keys, 7, 11, macros_));    // the knob's row takes no slot
    EXPECT_FALSE(macro_fits_in_slots(keys, KEY_COUNT, 1, macros_));
    EXPECT_FALSE(macro_fits_in_slots(nullptr, 0, 1, macros_));

    // The encoder fills exactly the slots the rule counts.
    uint32_t matrix[KEY_COUNT];
    uint8_t area[MACRO_AREA_SIZE] = {};
    EXPECT_EQ(FillMatrix(matrix, 1, area, &profile_, macros_), int(slot_macros(keys, macros_).size()));

    // A table already over the limit (from elsewhere) still takes changes that add no macro.
    SetKey(41, MacroKey(11));
    EXPECT_EQ(slot_macros(keys, macros_).size(), 11u);
    EXPECT_TRUE(macro_fits_in_slots(keys, 42, 11, macros_));
    EXPECT_FALSE(macro_fits_in_slots(keys, 42, 12, macros_));

    // Larger slots leave room for fewer macros.
    hwParam.nMacroBufferSize = 512;
    EXPECT_EQ(macro_slot_capacity(), 3);
}

TEST(MacroSources, SnapshotCopiesUsedMacros) {
    auto saved = std::move(lstMacro);
    init_macro_list();
    const _ST_MACRO records[] = {Macro(1, Events(2)), Macro(2, Events(2)), Macro(9, Events(2))};
    _ST_MACRO* listed1 = add_new_macro_to_list(&records[0]);
    add_new_macro_to_list(&records[1]);
    add_new_macro_to_list(&records[2]);

    _KEYINFO keys[5] = {MacroKey(1), MacroKey(2), MacroKey(1), MacroKey(3), Key(FUN_MOUSE, 17)};
    keys[4].dwMacroID = 9;  // not a macro key
    MacroSnapshot snapshot(keys, 5);
    EXPECT_EQ(snapshot.size(), 2u);
    ASSERT_NE(snapshot.find(1), nullptr);
    EXPECT_NE(snapshot.find(1), listed1);
    EXPECT_EQ(snapshot.find(3), nullptr);
    EXPECT_EQ(snapshot.find(9), nullptr);

    snapshot.find(1)->byBufferID = 4;
    EXPECT_EQ(listed1->byBufferID, 0);
    snapshot.clearBufferIds();
    EXPECT_EQ(snapshot.find(1)->byBufferID, 0);

    EXPECT_EQ(GlobalMacros().find(1), listed1);
    EXPECT_EQ(GlobalMacros().find(3), nullptr);
    EXPECT_EQ(MacroSnapshot(nullptr, 5).size(), 0u);
    lstMacro = std::move(saved);
}

TEST(HwEncodeColours, ColourBytesAndUnusedEncoders) {
    EXPECT_EQ(color32_to_val(0), 0);
    EXPECT_EQ(color32_to_val(1), 7);
    EXPECT_EQ(color32_to_val(0xFFFFFFFF), 7);
    EXPECT_EQ(color32_to_color7(0x00FF00), 0);
    EXPECT_EQ(color32_to_color7(0), 0);

    const _ST_MACRO macro = Macro(1, Events(3));
    uint8_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), 0xAA);
    EXPECT_EQ(StMacro_To_HwMacro_MCB(&macro, buffer), 0);
    EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](uint8_t b) { return b == 0xAA; }));
}

}  // namespace
}  // namespace keyloom
