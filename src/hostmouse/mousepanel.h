// The desktop's own mouse settings program.
#pragma once

namespace keyloom {

// Starts the desktop's mouse settings (GNOME's or KDE's) without waiting for
// it; false, with a log line, when no such program is installed.
bool LaunchMousePreferencePane();

}  // namespace keyloom
