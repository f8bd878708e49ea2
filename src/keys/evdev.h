// Linux key codes -> host key codes. Key events from the desktop carry the
// evdev key code of the physical key (the X11/Wayland keycode, which Qt calls
// the native scan code, is the evdev code + 8). This is the one table that
// turns them into the host key codes every stored key code uses, and back for
// synthetic events. Physical mapping: Command = Super (Meta), Option = Alt.
#pragma once
#include <cstdint>
#include <span>

namespace keyloom {

// One row: an evdev key code (KEY_* of linux/input-event-codes.h) and its host key code.
struct EvdevPair {
    uint16_t evdev;
    uint8_t vk;
};

// Offset between an evdev key code and the XKB keycode of the same key.
constexpr int XKB_KEYCODE_OFFSET = 8;

// The whole table: every key of WM_VK (incl. Fn), each evdev code and each
// host key code once.
std::span<const EvdevPair> EvdevTable();

// Evdev key code -> host key code; VK_NONE (255) for a key we do not know.
int EvdevToHostKey(int evdev);
// Host key code -> evdev key code; 0 (KEY_RESERVED) when the code has no key.
int HostKeyToEvdev(int vk);

// The same for XKB keycodes (Qt's native scan code on X11 and Wayland).
inline int XkbKeycodeToHostKey(int keycode) { return EvdevToHostKey(keycode - XKB_KEYCODE_OFFSET); }
// 0 when the host key code has no key.
inline int HostKeyToXkbKeycode(int vk) {
    const int evdev = HostKeyToEvdev(vk);
    return evdev ? evdev + XKB_KEYCODE_OFFSET : 0;
}

// Shift, Control, Option or Command of either side: keys whose presses and
// releases only change the modifier state (Caps Lock and Fn are keys).
bool IsModifierHostKey(int vk);
// The HID modifier bit of a modifier key of either side (left Control 0x01 ...
// right Command 0x80); 0 for any other key.
uint8_t ModifierBitOfHostKey(int vk);

}  // namespace keyloom
