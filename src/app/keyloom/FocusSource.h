// One desktop's way of telling which application is in front: EWMH on X11,
// a KWin script on KDE Plasma, a GNOME Shell extension, the wlroots
// foreign-toplevel protocol. Each is event-driven and optional; keyloom asks
// them in turn and follows with the first that starts.
#pragma once
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/reason.h"

namespace keyloom::app {

class FocusSource {
public:
    // The application now in front: its Wayland app id or X11 WM_CLASS;
    // empty when nothing is in front or it has no id.
    using Report = std::function<void(const std::string& app)>;

    virtual ~FocusSource() = default;
    // For the log: "X11", "KWin", ...
    virtual const char* name() const = 0;
    // Starts following and reports the application in front now and at every
    // change, on the main thread. False, with nothing left running, when this
    // desktop does not offer it.
    virtual bool start(Report report) = 0;
    // The applications with a window now, sorted, for picking one in the
    // rules dialog; none where the desktop does not tell (KWin, GNOME).
    virtual std::vector<std::string> runningApps() const { return {}; }
    // After a start() that failed: what the user can do to follow on this
    // desktop (enable the GNOME Shell extension); empty when nothing helps.
    virtual Reason remedy() const { return {}; }
};

// X11 (not XWayland): _NET_ACTIVE_WINDOW on the root window and the WM_CLASS
// of the window it names. Null when the session is not an X11 one.
std::unique_ptr<FocusSource> MakeX11FocusSource();
// KDE Plasma on Wayland: a KWin script, loaded through org.kde.KWin
// /Scripting, that calls FocusChanged on keyloom's bus name at each window
// activation; unloaded when the source goes. Null when KWin is not on the
// session bus.
std::unique_ptr<FocusSource> MakeKWinFocusSource(const QString& busName);
// GNOME Shell on Wayland: keyloom's Shell extension calls FocusChanged on
// every keyloom on the bus. Null outside GNOME Shell. start() is false while
// the extension is not enabled (the log says how to enable it).
std::unique_ptr<FocusSource> MakeGnomeFocusSource();
// wlroots compositors (sway, Hyprland, river...): the activated toplevel's
// app id from zwlr_foreign_toplevel_manager_v1, on a Wayland connection of
// its own. Null when the compositor does not offer the protocol.
std::unique_ptr<FocusSource> MakeWlrFocusSource();

}  // namespace keyloom::app
