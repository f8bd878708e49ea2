// Qt key events turned into host key events by their native scan code.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <QKeyEvent>

#include "model/keyinfo.h"
#include "ui/KeyEvents.h"

namespace keyloom {
namespace {

HostKeyEvent convert(QEvent::Type type, quint32 scanCode, bool autoRepeat = false) {
    const QKeyEvent event(type, Qt::Key_unknown, Qt::NoModifier, scanCode, 0, 0, {}, autoRepeat);
    return toHostKeyEvent(event);
}

TEST(KeyEvents, KeysByScanCodeAndModifiersAsFlagChanges) {
    const HostKeyEvent a = convert(QEvent::KeyPress, KEY_A + 8);
    EXPECT_EQ(a.keyCode, 0);
    EXPECT_TRUE(a.down);
    EXPECT_FALSE(a.flagsChanged);
    EXPECT_FALSE(a.autoRepeat);
    EXPECT_TRUE(convert(QEvent::KeyPress, KEY_A + 8, true).autoRepeat);

    const HostKeyEvent altUp = convert(QEvent::KeyRelease, KEY_RIGHTALT + 8);
    EXPECT_EQ(altUp.keyCode, 61);
    EXPECT_FALSE(altUp.down);
    EXPECT_TRUE(altUp.flagsChanged);

    for (int evdev : {KEY_LEFTSHIFT, KEY_RIGHTSHIFT, KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTALT, KEY_LEFTMETA,
                      KEY_RIGHTMETA})
        EXPECT_TRUE(convert(QEvent::KeyPress, evdev + 8).flagsChanged) << evdev;
    // Caps Lock, Fn and Menu are keys of their own.
    EXPECT_EQ(convert(QEvent::KeyPress, KEY_CAPSLOCK + 8).keyCode, 57);
    for (int evdev : {KEY_CAPSLOCK, KEY_FN, KEY_COMPOSE})
        EXPECT_FALSE(convert(QEvent::KeyPress, evdev + 8).flagsChanged) << evdev;

    // No scan code, or one the table does not know: no host key.
    EXPECT_EQ(convert(QEvent::KeyPress, 0).keyCode, VK_NONE);
    EXPECT_EQ(convert(QEvent::KeyPress, KEY_PROG1 + 8).keyCode, VK_NONE);
    EXPECT_FALSE(convert(QEvent::KeyPress, 0).flagsChanged);
}

}  // namespace
}  // namespace keyloom
