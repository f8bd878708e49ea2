#include "keys/evdev.h"

#include <linux/input-event-codes.h>

#include "model/keyinfo.h"

namespace keyloom {

namespace {

// In the order of WM_VK, so the two tables can be read side by side.
constexpr EvdevPair kEvdevVk[] = {
    {KEY_102ND, 10},  // the ISO key beside left Shift
    {KEY_ESC, 53},
    {KEY_F1, 122}, {KEY_F2, 120}, {KEY_F3, 99},  {KEY_F4, 118},  {KEY_F5, 96},   {KEY_F6, 97},
    {KEY_F7, 98},  {KEY_F8, 100}, {KEY_F9, 101}, {KEY_F10, 109}, {KEY_F11, 103}, {KEY_F12, 111},
    {KEY_A, 0},  {KEY_B, 11}, {KEY_C, 8},  {KEY_D, 2},  {KEY_E, 14}, {KEY_F, 3},  {KEY_G, 5},
    {KEY_H, 4},  {KEY_I, 34}, {KEY_J, 38}, {KEY_K, 40}, {KEY_L, 37}, {KEY_M, 46}, {KEY_N, 45},
    {KEY_O, 31}, {KEY_P, 35}, {KEY_Q, 12}, {KEY_R, 15}, {KEY_S, 1},  {KEY_T, 17}, {KEY_U, 32},
    {KEY_V, 9},  {KEY_W, 13}, {KEY_X, 7},  {KEY_Y, 16}, {KEY_Z, 6},
    {KEY_1, 18}, {KEY_2, 19}, {KEY_3, 20}, {KEY_4, 21}, {KEY_5, 23},
    {KEY_6, 22}, {KEY_7, 26}, {KEY_8, 28}, {KEY_9, 25}, {KEY_0, 29},
    {KEY_TAB, 48}, {KEY_CAPSLOCK, 57}, {KEY_ENTER, 36}, {KEY_BACKSPACE, 51}, {KEY_SPACE, 49},
    {KEY_LEFTBRACE, 33}, {KEY_RIGHTBRACE, 30}, {KEY_BACKSLASH, 42}, {KEY_SEMICOLON, 41},
    {KEY_APOSTROPHE, 39}, {KEY_COMMA, 43}, {KEY_DOT, 47}, {KEY_SLASH, 44}, {KEY_GRAVE, 50},
    {KEY_EQUAL, 24}, {KEY_MINUS, 27},
    {KEY_SYSRQ, 105},  // Print Screen
    {KEY_SCROLLLOCK, VK_SCROLL_LOCK}, {KEY_PAUSE, VK_PAUSE}, {KEY_INSERT, VK_INSERT},
    {KEY_HOME, 115}, {KEY_PAGEUP, 116}, {KEY_DELETE, 117}, {KEY_END, 119}, {KEY_PAGEDOWN, 121},
    {KEY_UP, 126}, {KEY_DOWN, 125}, {KEY_LEFT, 123}, {KEY_RIGHT, 124},
    {KEY_KP1, 83}, {KEY_KP2, 84}, {KEY_KP3, 85}, {KEY_KP4, 86}, {KEY_KP5, 87},
    {KEY_KP6, 88}, {KEY_KP7, 89}, {KEY_KP8, 91}, {KEY_KP9, 92}, {KEY_KP0, 82},
    {KEY_KPPLUS, 69}, {KEY_KPMINUS, 78}, {KEY_KPASTERISK, 67}, {KEY_KPSLASH, 75},
    {KEY_NUMLOCK, 71}, {KEY_KPENTER, 76}, {KEY_KPDOT, 65},
    {KEY_LEFTCTRL, 59}, {KEY_LEFTSHIFT, 56}, {KEY_LEFTALT, 58}, {KEY_LEFTMETA, 55},
    {KEY_RIGHTCTRL, 62}, {KEY_RIGHTSHIFT, 60}, {KEY_RIGHTALT, 61}, {KEY_RIGHTMETA, 54},
    {KEY_COMPOSE, 110},  // the Menu (application) key
    {KEY_FN, VK_FN},
};

}  // namespace

std::span<const EvdevPair> EvdevTable() { return kEvdevVk; }

int EvdevToHostKey(int evdev) {
    for (const EvdevPair& p : kEvdevVk)
        if (p.evdev == evdev) return p.vk;
    return VK_NONE;
}

int HostKeyToEvdev(int vk) {
    for (const EvdevPair& p : kEvdevVk)
        if (p.vk == vk) return p.evdev;
    return KEY_RESERVED;
}

uint8_t ModifierBitOfHostKey(int vk) {
    switch (vk) {
        case 59: return MOD_LCTRL;
        case 62: return MOD_RCTRL;
        case 56: return MOD_LSHIFT;
        case 60: return MOD_RSHIFT;
        case 58: return MOD_LALT;
        case 61: return MOD_RALT;
        case 55: return MOD_LGUI;
        case 54: return MOD_RGUI;
        default: return 0;
    }
}

bool IsModifierHostKey(int vk) { return ModifierBitOfHostKey(vk) != 0; }

}  // namespace keyloom
