// Key names and combination texts.
#include "keys/basic.h"

#include "base/utf8.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "base/texts.h"

namespace keyloom {

namespace {

struct NamedCode {
    uint8_t code;
    const char* name;
};

// Host key codes with a fixed name; every other code has none.
constexpr NamedCode kKeyNames[] = {
    {0, "A"},         {1, "S"},         {2, "D"},        {3, "F"},       {4, "H"},       {5, "G"},
    {6, "Z"},         {7, "X"},         {8, "C"},        {9, "V"},       {10, "3"},      {11, "B"},
    {12, "Q"},        {13, "W"},        {14, "E"},       {15, "R"},      {16, "Y"},      {17, "T"},
    {18, "1"},        {19, "2"},        {20, "3"},       {21, "4"},      {22, "6"},      {23, "5"},
    {24, "="},        {25, "9"},        {26, "7"},       {27, "-"},      {28, "8"},      {29, "0"},
    {30, "]"},        {31, "O"},        {32, "U"},       {33, "["},      {34, "I"},      {35, "P"},
    {36, "Enter"},    {37, "L"},        {38, "J"},       {39, "\""},     {40, "K"},      {41, ";"},
    {42, "|"},        {43, "<"},        {44, "?"},       {45, "N"},      {46, "M"},      {47, ">"},
    {48, "Tab"},      {49, "Space"},    {50, "~"},       {51, "Back"},   {53, "Esc"},    {57, "Caps"},
    {65, "Num ."},    {67, "Num *"},    {69, "Num +"},   {71, "NumLock"},
    {75, "Num /"},    {76, "Enter"},    {78, "Num -"},   {82, "Num 0"},  {83, "Num 1"},  {84, "Num 2"},
    {85, "Num 3"},    {86, "Num 4"},    {87, "Num 5"},   {88, "Num 6"},  {89, "Num 7"},  {91, "Num 8"},
    {92, "Num 9"},    {96, "F5"},       {97, "F6"},      {98, "F7"},     {99, "F3"},     {100, "F8"},
    {101, "F9"},      {103, "F11"},     {105, "PrintScreen"},            {109, "F10"},   {110, "App"},
    {111, "F12"},     {115, "Home"},    {116, "PgUp"},   {117, "Del"},   {118, "F4"},    {119, "End"},
    {120, "F2"},      {121, "PgDn"},    {122, "F1"},     {123, "Left"},  {124, "Right"}, {125, "Down"},
    {126, "Up"},
};

constexpr std::array<const char*, 256> MakeNameTable() {
    std::array<const char*, 256> table{};
    for (const auto& k : kKeyNames) table[k.code] = k.name;
    return table;
}

constexpr std::array<const char*, 256> kNameByCode = MakeNameTable();

// The modifier keys are named by the desktop's usual words in the window's
// language (German "Strg", French "Maj"), the words of the modifier boxes;
// English when no language is loaded. Alt is the HID Alt bit, Super the GUI bit.
struct ModifierWord {
    const char* textKey;
    const char* english;
};
constexpr ModifierWord kCtrl{"tc_mod_control", "Ctrl"};
constexpr ModifierWord kAlt{"tc_mod_option", "Alt"};
constexpr ModifierWord kShift{"tc_mod_shift", "Shift"};
constexpr ModifierWord kSuper{"tc_mod_command", "Super"};

std::string word_of(const ModifierWord& word) { return FindText(word.textKey).value_or(word.english); }

struct ModifierKey {
    uint8_t code;
    const ModifierWord* word;
    bool right;
};
constexpr ModifierKey kModifierKeys[] = {
    {54, &kSuper, true}, {55, &kSuper, false}, {56, &kShift, false}, {58, &kAlt, false},
    {59, &kCtrl, false}, {60, &kShift, true},  {61, &kAlt, true},    {62, &kCtrl, true},
};

// Macro mouse codes 240..244 name the button by its language text.
constexpr const char* kMouseTextKeys[] = {"tc_click", "tc_menu", "tc_middle", "tc_forward", "tc_back"};
constexpr int kFirstMouseCode = 240;

// What a combination shows for a key that has no name.
std::string UnnamedKeyText(int code) {
    switch (code) {
        case VK_FN: return "Fn";
        case VK_INSERT: return "Insert";
        case VK_SCROLL_LOCK: return "ScrollLock";
        case VK_PAUSE: return "Pause";
        default: {
            char text[16];
            std::snprintf(text, sizeof text, "Key 0x%02X", code);
            return text;
        }
    }
}

}  // namespace

std::optional<std::string> GetVKName(int code) {
    if (code >= kFirstMouseCode && code < kFirstMouseCode + 5) return FindText(kMouseTextKeys[code - kFirstMouseCode]);
    for (const ModifierKey& key : kModifierKeys) {
        if (key.code == code) return (key.right ? "R_" : "") + word_of(*key.word);
    }
    if (code < 0 || code > 255 || kNameByCode[code] == nullptr) return std::nullopt;
    return std::string(kNameByCode[code]);
}

std::string GetComboKeyText(int mask, int key1, int key2) {
    std::string text;
    auto add = [&](const std::string& part) {
        if (!text.empty()) text += " + ";
        text += part;
    };
    if (mask & (MOD_LCTRL | MOD_RCTRL)) add(word_of(kCtrl));
    if (mask & (MOD_LALT | MOD_RALT)) add(word_of(kAlt));
    if (mask & (MOD_LSHIFT | MOD_RSHIFT)) add(word_of(kShift));
    if (mask & (MOD_LGUI | MOD_RGUI)) add(word_of(kSuper));
    for (int key : {key1 & 0xFF, key2 & 0xFF}) {
        if (key == VK_NONE) continue;
        auto name = GetVKName(key);
        add(name && !name->empty() ? *name : UnnamedKeyText(key));
    }
    text = CutUtf8(text, COMBO_TEXT_MAX);
    return text;
}

}  // namespace keyloom
