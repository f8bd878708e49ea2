// The application in front on X11: the window manager names the active
// window in _NET_ACTIVE_WINDOW on the root window (EWMH), and that window's
// WM_CLASS names its application. keyloom keeps a connection of its own to
// the X server, separate from Qt's, and reads both whenever the root window
// says _NET_ACTIVE_WINDOW changed: no polling.
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FocusSource.h"
#include "base/debug.h"
#include "base/instance_lock.h"

namespace keyloom::app {

namespace {

// xcb hands out replies and events allocated with malloc.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbPtr = std::unique_ptr<T, FreeDeleter>;

// The application a WM_CLASS value names: it holds two NUL-terminated
// strings, the instance and then the class. The class names the
// application; a window that leaves it empty is known by its instance.
std::string app_of_wm_class(const char* bytes, size_t size) {
    const std::string_view value(bytes, size);
    const size_t end = value.find('\0');
    const std::string_view instance = value.substr(0, end);
    if (end == std::string_view::npos) return std::string(instance);
    std::string_view klass = value.substr(end + 1);
    klass = klass.substr(0, klass.find('\0'));
    return std::string(klass.empty() ? instance : klass);
}

class X11FocusSource final : public FocusSource {
public:
    ~X11FocusSource() override {
        notifier_.reset();
        if (conn_) xcb_disconnect(conn_);
    }

    const char* name() const override { return "X11"; }

    // The window manager's list of managed windows (_NET_CLIENT_LIST).
    std::vector<std::string> runningApps() const override {
        std::set<std::string> apps;
        if (!conn_ || xcb_connection_has_error(conn_)) return {};
        XcbPtr<xcb_get_property_reply_t> list = property(root_, atom("_NET_CLIENT_LIST"), 4096);
        if (list && list->format == 32) {
            const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
            const int count = xcb_get_property_value_length(list.get()) / 4;
            for (int i = 0; i < count; ++i)
                if (std::string app = appOf(windows[i]); !app.empty()) apps.insert(std::move(app));
        }
        return {apps.begin(), apps.end()};
    }

    void start(Report report, Started started) override { started(begin(std::move(report))); }

private:
    bool begin(Report report) {
        int screenNumber = 0;
        conn_ = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(conn_) || !findRoot(screenNumber) || !internActiveAtom() || !watchRoot()) {
            xcb_disconnect(conn_);
            conn_ = nullptr;
            return false;
        }
        report_ = std::move(report);
        notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { pump(); });
        readFront();
        pump();  // what came while reading, kept in xcb's queue
        return true;
    }

    bool findRoot(int screenNumber) {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn_));
        for (int i = 0; it.rem; xcb_screen_next(&it), ++i) {
            if (i == screenNumber) {
                root_ = it.data->root;
                return true;
            }
        }
        return false;
    }

    // Interned even before a window manager has set it, so that its first
    // setting is seen.
    bool internActiveAtom() {
        activeAtom_ = atom("_NET_ACTIVE_WINDOW");
        return activeAtom_ != XCB_ATOM_NONE;
    }

    xcb_atom_t atom(std::string_view name) const {
        const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(conn_, 0, uint16_t(name.size()), name.data());
        XcbPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(conn_, cookie, nullptr));
        return reply ? reply->atom : XCB_ATOM_NONE;
    }

    // The root window's property changes come to this connection alone;
    // other clients' selections on it are their own.
    bool watchRoot() {
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        const xcb_void_cookie_t cookie = xcb_change_window_attributes_checked(conn_, root_, XCB_CW_EVENT_MASK, &mask);
        XcbPtr<xcb_generic_error_t> error(xcb_request_check(conn_, cookie));
        return !error;
    }

    // Reads what has arrived; a burst of changes reads the active window once.
    void pump() {
        bool changed = true;
        while (changed) {
            changed = false;
            while (XcbPtr<xcb_generic_event_t> event{xcb_poll_for_event(conn_)}) {
                if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
                const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
                if (property->window == root_ && property->atom == activeAtom_) changed = true;
            }
            if (xcb_connection_has_error(conn_)) {
                lost();
                return;
            }
            // The replies read here may bring further events into xcb's queue.
            if (changed) readFront();
        }
    }

    // Told once; the notifier stays (disabled) until the source ends, as it
    // may be the one emitting now.
    void lost() {
        if (!notifier_->isEnabled()) return;
        LOG("Following the application in front: the connection to the X server was lost");
        notifier_->setEnabled(false);
    }

    XcbPtr<xcb_get_property_reply_t> property(xcb_window_t window, xcb_atom_t atom, uint32_t longs) const {
        const xcb_get_property_cookie_t cookie =
            xcb_get_property(conn_, 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0, longs);
        xcb_generic_error_t* error = nullptr;
        XcbPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(conn_, cookie, &error));
        std::free(error);  // a window gone meanwhile: no reply
        return reply;
    }

    // The window manager writes the type WINDOW; any 32-bit value is taken,
    // since tools that set it by hand cannot always say WINDOW.
    xcb_window_t activeWindow() {
        XcbPtr<xcb_get_property_reply_t> reply = property(root_, activeAtom_, 1);
        if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4) return XCB_WINDOW_NONE;
        return *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    }

    // WM_CLASS of exactly the named window: EWMH names the client window,
    // which carries it itself, not a frame around it. Both strings fit in
    // 1 KiB; a longer value is cut there.
    std::string appOf(xcb_window_t window) const {
        if (window == XCB_WINDOW_NONE) return {};
        XcbPtr<xcb_get_property_reply_t> reply = property(window, XCB_ATOM_WM_CLASS, 256);
        if (!reply || reply->format != 8) return {};
        return app_of_wm_class(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               size_t(xcb_get_property_value_length(reply.get())));
    }

    void readFront() {
        std::string app = appOf(activeWindow());
        if (xcb_connection_has_error(conn_)) return;  // told by pump()
        if (last_ == app) return;
        last_ = app;
        report_(app);
    }

    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = XCB_WINDOW_NONE;
    xcb_atom_t activeAtom_ = XCB_ATOM_NONE;
    std::unique_ptr<QSocketNotifier> notifier_;
    Report report_;
    std::optional<std::string> last_;
};

}  // namespace

std::unique_ptr<FocusSource> MakeX11FocusSource() {
    // Under XWayland the X server sees only the X clients' windows: following
    // would miss every Wayland application, so it is not offered there.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    if (is_wayland_session()) return nullptr;
    return std::make_unique<X11FocusSource>();
}

}  // namespace keyloom::app
