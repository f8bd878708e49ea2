// One desktop's way of telling which application is in front: EWMH on X11,
// a KWin script on KDE Plasma, a GNOME Shell extension, the wlroots
// foreign-toplevel protocol. Each is event-driven and optional; keyloom asks
// them in turn and follows with the first that starts. Those that ask the
// desktop over the session bus (KWin, GNOME Shell) never wait for its answer:
// a desktop that hangs costs keyloom nothing.
#pragma once
#include <QDBusMessage>
#include <QObject>
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
    // Whether start() went through.
    using Started = std::function<void(bool started)>;

    virtual ~FocusSource() = default;
    // For the log: "X11", "KWin", ...
    virtual const char* name() const = 0;
    // Starts following and reports the application in front now and at every
    // change, on the main thread. Tells `started` once, on the main thread,
    // perhaps before it returns: false, with nothing left running, when this
    // desktop does not offer it.
    virtual void start(Report report, Started started) = 0;
    // The applications with a window now, sorted, for picking one in the
    // rules dialog; none where the desktop does not tell (KWin, GNOME).
    virtual std::vector<std::string> runningApps() const { return {}; }
    // After a start() that failed: what the user can do to follow on this
    // desktop (enable the GNOME Shell extension); empty when nothing helps.
    virtual Reason remedy() const { return {}; }
};

// Calls a service on the session bus without waiting: its reply, or its
// error (after timeoutMs at the latest), goes to `then` on the main thread,
// unless `owner` is gone by then. A service that is not running is not
// started for it: the error comes at once.
void CallSessionBus(QObject& owner, QDBusMessage call, int timeoutMs,
                    std::function<void(const QDBusMessage& answer)> then);
// Whether the answer says that no one on the bus has the called name.
bool NoSuchService(const QDBusMessage& answer);

// X11 (not XWayland): _NET_ACTIVE_WINDOW on the root window and the WM_CLASS
// of the window it names. Null when the session is not an X11 one.
std::unique_ptr<FocusSource> MakeX11FocusSource();
// KDE Plasma on Wayland: a KWin script, loaded through org.kde.KWin
// /Scripting, that calls FocusChanged on keyloom's bus name at each window
// activation; unloaded when the source goes. Does not start where KWin is
// not on the session bus.
std::unique_ptr<FocusSource> MakeKWinFocusSource(const QString& busName);
// GNOME Shell on Wayland: keyloom's Shell extension calls FocusChanged on
// every keyloom on the bus. Does not start outside GNOME Shell, nor while the
// extension is not enabled (the log and remedy() say how to enable it).
std::unique_ptr<FocusSource> MakeGnomeFocusSource();
// wlroots compositors (sway, Hyprland, river...): the activated toplevel's
// app id from zwlr_foreign_toplevel_manager_v1, on a Wayland connection of
// its own. Null when the compositor does not offer the protocol.
std::unique_ptr<FocusSource> MakeWlrFocusSource();

}  // namespace keyloom::app
