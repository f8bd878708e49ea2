// Synthetic key events: whether this desktop lets the program post input
// events, and posting one key press or release into its input stream.
// Nothing in the window uses them; keyloomctl's inject command does.
#pragma once
#include <cstdint>
#include <string>

namespace keyloom {

// True when the program can post input events here: an X11 display that
// offers the XTest extension. A Wayland session answers false (synthetic X11
// events would reach only X11 programs); every false is logged with its reason,
// which `why` also receives.
bool checkAccessibility(std::string* why = nullptr);

// Posts one event of a host key code: a press when bit 0 of `pressed` is set,
// else a release. `modifiers` is the HID modifier byte (Control 0x01, Shift
// 0x02, Option 0x04, Command 0x08, right-hand keys 0x10-0x80); the key event
// carries exactly those modifiers: the mask's keys are pressed around it and
// released after it, and modifier keys held on the keyboard but not in the
// mask are lifted for the event and pressed again after it. Bits above the
// low byte name no key and are ignored. False (logged, `why` set) when
// nothing could be posted.
bool PostKeyboardEvent(int vk, int pressed, uint64_t modifiers, std::string* why = nullptr);

}  // namespace keyloom
