#include "ui/KeyEvents.h"

#include <QKeyEvent>

#include "keys/evdev.h"

namespace keyloom {

HostKeyEvent toHostKeyEvent(const QKeyEvent& event) {
    HostKeyEvent key;
    // A scan code of 0 (a synthetic event without one) falls outside the table.
    key.keyCode = XkbKeycodeToHostKey(int(event.nativeScanCode()));
    key.down = event.type() == QEvent::KeyPress;
    key.flagsChanged = IsModifierHostKey(key.keyCode);
    key.autoRepeat = event.isAutoRepeat();
    return key;
}

}  // namespace keyloom
