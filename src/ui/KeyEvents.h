// Qt key events as the program sees keys: the physical key by its native scan
// code (XKB keycode = evdev code + 8) through the one evdev table, and
// presses and releases of Shift, Control, Option and Command as changes of the
// modifier state rather than key presses.
#pragma once
#include <cstdint>

class QKeyEvent;

namespace keyloom {

struct HostKeyEvent {
    int keyCode = 255;          // host key code; VK_NONE for a key the table does not know
    bool down = false;          // a press (true) or a release
    bool flagsChanged = false;  // a modifier key: only the modifier state changed
    bool autoRepeat = false;
};

HostKeyEvent toHostKeyEvent(const QKeyEvent& event);

}  // namespace keyloom
