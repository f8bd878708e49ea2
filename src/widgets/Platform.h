// Which Qt platform the program asks for. Menus, the knob pop-up and the
// dialogs are placed at absolute screen positions, which Wayland does not let
// a client choose; under a Wayland session with XWayland the program therefore
// runs on xcb. A platform the user names in QT_QPA_PLATFORM always wins.
#pragma once
#include <string>

namespace keyloom {

// The platform to set before QApplication is created, or empty to leave Qt's
// own choice. Inputs are the environment values (empty when unset).
std::string choose_qt_platform(const std::string& qtQpaPlatform, const std::string& waylandDisplay,
                               const std::string& x11Display, bool xcbPluginAvailable);

// Applies choose_qt_platform to this process's environment.
void select_qt_platform();

}  // namespace keyloom
