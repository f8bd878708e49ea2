// Key names, combination texts, assignment texts and macro names.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "base/XmlLoader.h"
#include "config/language.h"
#include "device/hwencode.h"
#include "keys/basic.h"
#include "macro/keyinfo_text.h"
#include "macro/stmacro.h"
#include "test_support.h"

namespace keyloom {
namespace {

// Installs a text dictionary of our own as the current language.
class KeyTexts : public ::testing::Test {
protected:
    void SetUp() override {
        savedXml_ = std::move(xml);
        xml = std::make_unique<XmlLoader>();
        ASSERT_TRUE(xml->loadXMLFromBytes(
            "<texts><tc_click>Left</tc_click><tc_menu>Right</tc_menu><tc_middle>Middle</tc_middle>"
            "<tc_forward>Forward</tc_forward><tc_back>Back button</tc_back><tc_mac_def>Macro</tc_mac_def>"
            "<tc_hw1>Device one</tc_hw1><tc_hw43>Device 43</tc_hw43><tc_mute>Mute</tc_mute>"
            "<tc_office4>Cut</tc_office4><tc_rgb>Lighting</tc_rgb><tc_mvr>Move right</tc_mvr></texts>"));
        savedMacros_ = std::move(lstMacro);
        init_macro_list();
    }
    void TearDown() override {
        xml = std::move(savedXml_);
        lstMacro = std::move(savedMacros_);
    }

    static _KEYINFO Key(uint32_t cls, uint32_t code) {
        _KEYINFO k{};
        k.dwFunID = MAKE_FUNID(cls, code);
        k.stCombo = {0, VK_NONE, VK_NONE, 0};
        return k;
    }
    static _KEYINFO Combo(uint8_t mask, uint8_t key1, uint8_t key2) {
        _KEYINFO k = Key(FUN_KEY, 0);
        k.stCombo = {mask, key1, key2, 0};
        return k;
    }

    std::unique_ptr<XmlLoader> savedXml_;
    RecordList<_ST_MACRO> savedMacros_;
};

TEST_F(KeyTexts, KeyNames) {
    const std::pair<int, const char*> named[] = {
        {0, "A"},          {9, "V"},          {10, "3"},       {17, "T"},      {20, "3"},      {22, "6"},
        {24, "="},         {27, "-"},         {30, "]"},       {33, "["},      {36, "Enter"},  {39, "\""},
        {41, ";"},         {42, "|"},         {43, "<"},       {44, "?"},      {47, ">"},      {50, "~"},
        {51, "Back"},      {53, "Esc"},       {54, "R_Super"}, {55, "Super"},    {59, "Ctrl"},   {62, "R_Ctrl"},
        {65, "Num ."},     {71, "NumLock"},   {76, "Enter"},   {82, "Num 0"},  {89, "Num 7"},  {91, "Num 8"},
        {92, "Num 9"},     {96, "F5"},        {99, "F3"},      {103, "F11"},   {105, "PrintScreen"},
        {109, "F10"},      {110, "App"},      {111, "F12"},    {117, "Del"},   {122, "F1"},    {126, "Up"},
        {240, "Left"},     {241, "Right"},    {242, "Middle"}, {243, "Forward"}, {244, "Back button"},
    };
    for (const auto& [code, name] : named) EXPECT_EQ(GetVKName(code), name) << code;

    int count = 0;
    for (int code = 0; code < 256; ++code) count += GetVKName(code).has_value();
    EXPECT_EQ(count, 102 + 5);  // the fixed names and the five mouse buttons
    for (int code : {52, 63, 64, 66, 68, 70, 72, 90, 93, 104, 127, 239, 245, 250, 251, 252, 253, 255, -1, 256})
        EXPECT_EQ(GetVKName(code), std::nullopt) << code;
}

TEST_F(KeyTexts, CombinationTexts) {
    EXPECT_EQ(GetComboKeyText(0x05, 0, 255), "Ctrl + Alt + A");
    EXPECT_EQ(GetComboKeyText(0x09, 0, 255), "Ctrl + Super + A");
    EXPECT_EQ(GetComboKeyText(0x22, 255, 255), "Shift");
    EXPECT_EQ(GetComboKeyText(0, 255, 255), "");
    EXPECT_EQ(GetComboKeyText(0, -1, -1), "");  // -1 is the signed reading of 255
    EXPECT_EQ(GetComboKeyText(0xFF, 122, 0), "Ctrl + Alt + Shift + Super + F1 + A");
    EXPECT_EQ(GetComboKeyText(0x10, 255, 49), "Ctrl + Space");  // right and left give the same word
    EXPECT_EQ(GetComboKeyText(0x40, 126, 255), "Alt + Up");
    EXPECT_EQ(GetComboKeyText(0x80, 36, 255), "Super + Enter");
    EXPECT_EQ(GetComboKeyText(0x01, VK_FN, 255), "Ctrl + Fn");
    EXPECT_EQ(GetComboKeyText(0x02, VK_INSERT, VK_SCROLL_LOCK), "Shift + Insert + ScrollLock");
    EXPECT_EQ(GetComboKeyText(0, VK_PAUSE, 52), "Pause + Key 0x34");
    EXPECT_EQ(GetComboKeyText(0, 240, 255), "Left");

    // A long mouse text is cut to 99 bytes, never inside a character.
    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "\xC3\xA9";  // 80 bytes of "é"
    ASSERT_TRUE(xml->loadXMLFromBytes("<t><tc_click>" + longText + "</tc_click></t>"));
    const std::string cut = GetComboKeyText(0x0F, 240, 240);  // "Ctrl + Alt + Shift + Super + " is 29 bytes
    EXPECT_EQ(cut, "Ctrl + Alt + Shift + Super + " + longText.substr(0, 70));
    EXPECT_LE(cut.size(), COMBO_TEXT_MAX);
    // Without its text a mouse button shows its code.
    ASSERT_TRUE(xml->loadXMLFromBytes("<t/>"));
    EXPECT_EQ(GetComboKeyText(0, 241, 255), "Key 0xF1");
}

// The modifier bits are the keyboard's HID modifier byte everywhere: what a
// key text names is what the keyboard sends.
TEST_F(KeyTexts, ModifierNamesMatchWhatTheKeyboardSends) {
    const _KEYINFO command = Combo(0x08, 49, 255);  // the shipped Super+Space shortcut
    EXPECT_EQ(keyinfo_to_string(command), "Super + Space");
    EXPECT_EQ(keyinfo_to_hardware_code(command), 0x002C0800u);  // left GUI + Space
    const _KEYINFO option = Combo(0x40, 49, 255);
    EXPECT_EQ(keyinfo_to_string(option), "Alt + Space");
    EXPECT_EQ(keyinfo_to_hardware_code(option), 0x002C4000u);  // right Alt + Space
}

TEST_F(KeyTexts, AssignmentTextsByClass) {
    EXPECT_EQ(keyinfo_to_string(Key(FUN_MOUSE, 17)), "Left");
    EXPECT_EQ(keyinfo_to_string(Key(FUN_MOUSE, 27)), "Move right");
    EXPECT_EQ(keyinfo_to_string(Key(FUN_MOUSE, 16)), std::nullopt);
    EXPECT_EQ(keyinfo_to_string(Key(FUN_MOUSE, 28)), std::nullopt);
    EXPECT_EQ(keyinfo_to_string(Key(FUN_MOUSE, 22)), std::nullopt);  // listed, but this file lacks its text

    EXPECT_EQ(keyinfo_to_string(Combo(0x05, 0, 255)), "Ctrl + Alt + A");
    EXPECT_EQ(keyinfo_to_string(Combo(0x22, 255, 255)), "Shift");
    EXPECT_EQ(keyinfo_to_string(Combo(0, 255, 255)), "");
    EXPECT_EQ(keyinfo_to_string(Combo(0, VK_FN, 255)), "Fn");
    EXPECT_EQ(keyinfo_to_string(Combo(0x01, VK_FN, 255)), "Ctrl + Fn");

    EXPECT_EQ(keyinfo_to_string(Key(FUN_MEDIA, 40)), "Mute");
    EXPECT_EQ(keyinfo_to_string(Key(FUN_MEDIA2, 40)), "Mute");
    EXPECT_EQ(keyinfo_to_string(Key(FUN_MEDIA, 41)), std::nullopt);
    EXPECT_EQ(keyinfo_to_string(Key(FUN_SHORTCUT, 64)), "Cut");
    EXPECT_EQ(keyinfo_to_string(Key(FUN_SHORTCUT, 67)), std::nullopt);  // encoded, but never named
    EXPECT_EQ(keyinfo_to_string(Key(FUN_SPECIAL, 167)), "Lighting");
    EXPECT_EQ(keyinfo_to_string(Key(FUN_SPECIAL, 163)), std::nullopt);
    EXPECT_EQ(keyinfo_to_string(Key(FUN_DEVICE, 0)), "Device one");
    EXPECT_EQ(keyinfo_to_string(Key(FUN_DEVICE, 42)), "Device 43");
    EXPECT_EQ(keyinfo_to_string(Key(FUN_DEVICE, 1)), std::nullopt);

    for (uint32_t cls : {0u, 6u, 10u, 255u}) EXPECT_EQ(keyinfo_to_string(Key(cls, 17)), std::nullopt) << cls;
}

TEST_F(KeyTexts, MacroAssignments) {
    _ST_MACRO macro{};
    macro.dwMagic = MACRO_MAGIC;
    macro.dwID = 0x1234;
    std::strcpy(macro.szName, "Combo run");
    ASSERT_NE(add_new_macro_to_list(&macro), nullptr);
    _KEYINFO key = Key(FUN_MACRO, 0);
    key.dwMacroID = 0x1234;
    EXPECT_EQ(keyinfo_to_string(key), "Macro - Combo run");

    // A name that cannot be shown still marks the key as a macro.
    std::strcpy(get_macro_by_id(0x1234)->szName, "\xFF\xFE");
    EXPECT_EQ(keyinfo_to_string(key), "Macro - ");

    delete_macro_by_id(0x1234);
    EXPECT_EQ(keyinfo_to_string(key), std::nullopt);
    destroy_macro_list();  // no list at all
    EXPECT_EQ(keyinfo_to_string(key), std::nullopt);
}

TEST(MacroName, ValidUtf8WithinTheField) {
    _ST_MACRO macro{};
    auto named = [&](const std::string& bytes) {
        std::memset(macro.szName, 0, sizeof macro.szName);
        std::memcpy(macro.szName, bytes.data(), std::min(bytes.size(), sizeof macro.szName));
        return get_macro_name(macro);
    };
    EXPECT_EQ(named(""), "");
    EXPECT_EQ(named("Rotate"), "Rotate");
    EXPECT_EQ(named("\xE5\xAE\x8F \xF0\x9F\x8E\xAE \xC3\xA9"), "\xE5\xAE\x8F \xF0\x9F\x8E\xAE \xC3\xA9");
    EXPECT_EQ(named(std::string(80, 'x')), std::string(80, 'x'));  // no NUL: the field's 80 bytes
    EXPECT_EQ(named(std::string("ab\0cd", 5)), "ab");

    const char* const bad[] = {
        "\xC3\x28",          // lead byte without continuation
        "\xC0\xAF",          // overlong "/"
        "\xE0\x80\xAF",      // overlong, three bytes
        "\xED\xA0\x80",      // surrogate
        "\xF4\x90\x80\x80",  // past U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\x80",
    };
    for (const char* name : bad) EXPECT_EQ(named(name), std::nullopt) << name;
    std::string cutAtEnd(MACRO_NAME_SIZE, 'x');
    cutAtEnd.back() = '\xC3';  // a character cut by the field's end
    EXPECT_EQ(named(cutAtEnd), std::nullopt);
}

}  // namespace
}  // namespace keyloom
