// The application in front on wlroots compositors (sway, Hyprland, river...):
// the foreign-toplevel protocol lists every toplevel window with its app id
// and its states, and the one whose states include "activated" is in front.
// keyloom keeps a Wayland connection of its own, separate from Qt's (which
// may well be an X11 one through XWayland), and reads it whenever the socket
// has something: no polling.
#include <wayland-client.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FocusSource.h"
#include "base/debug.h"
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace keyloom::app {

namespace {

// The newest version of the protocol keyloom knows; a compositor offering a
// later one is bound at this one.
constexpr uint32_t kManagerVersion = 3;

bool env_set(const char* name) {
    const char* set = std::getenv(name);
    return set && *set;
}

class WlrFocusSource final : public FocusSource {
public:
    std::vector<std::string> runningApps() const override {
        std::set<std::string> apps;
        for (const std::unique_ptr<Toplevel>& toplevel : toplevels_)
            if (!toplevel->appId.empty()) apps.insert(toplevel->appId);
        return {apps.begin(), apps.end()};
    }
    ~WlrFocusSource() override {
        reader_.reset();
        writer_.reset();
        for (const std::unique_ptr<Toplevel>& toplevel : toplevels_) zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
        if (manager_) {
            if (!lost_) zwlr_foreign_toplevel_manager_v1_stop(manager_);
            zwlr_foreign_toplevel_manager_v1_destroy(manager_);
        }
        if (registry_) wl_registry_destroy(registry_);
        if (display_) {
            if (!lost_) wl_display_flush(display_);
            wl_display_disconnect(display_);
        }
    }

    const char* name() const override { return "wlroots"; }

    // Connects and asks the compositor's registry, in one roundtrip, whether
    // it offers the toplevel list.
    bool offered() {
        display_ = wl_display_connect(nullptr);
        if (!display_) return false;
        registry_ = wl_display_get_registry(display_);
        wl_registry_add_listener(registry_, &kRegistryListener, this);
        return wl_display_roundtrip(display_) >= 0 && managerName_ != 0;
    }

    void start(Report report, Started started) override { started(begin(std::move(report))); }

private:
    bool begin(Report report) {
        report_ = std::move(report);
        manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
            registry_, managerName_, &zwlr_foreign_toplevel_manager_v1_interface,
            std::min(managerVersion_, kManagerVersion)));
        zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &kManagerListener, this);
        // The compositor answers the bind with the toplevels there are now.
        if (wl_display_roundtrip(display_) < 0) return false;
        const int fd = wl_display_get_fd(display_);
        reader_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(reader_.get(), &QSocketNotifier::activated, reader_.get(), [this] { pump(); });
        writer_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        writer_->setEnabled(false);
        QObject::connect(writer_.get(), &QSocketNotifier::activated, writer_.get(), [this] { flush(); });
        pump();  // what came after the roundtrip, already read
        return !lost_;
    }

    // One toplevel window as the compositor last described it: its events
    // are gathered and take effect together at its "done".
    struct Toplevel {
        WlrFocusSource* source = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        std::string appId, pendingAppId;
        bool activated = false, pendingActivated = false;
        // When it was last activated: with more than one activated (one per
        // seat), the latest is in front.
        uint64_t activatedAt = 0;
    };

    // Reads what has arrived, without blocking, and handles it; then tells
    // the application in front if it changed.
    void pump() {
        if (lost_) return;
        while (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0) return lose();
        }
        if (wl_display_read_events(display_) < 0 || wl_display_dispatch_pending(display_) < 0) return lose();
        flush();
        tellFront();
    }

    // Sends the requests made meanwhile (destroying closed toplevels' handles);
    // what the socket cannot take now goes when it can.
    void flush() {
        if (lost_) return;
        if (wl_display_flush(display_) >= 0) {
            if (writer_) writer_->setEnabled(false);
        } else if (errno == EAGAIN) {
            if (writer_) writer_->setEnabled(true);
        } else {
            lose();
        }
    }

    // Told once; the notifiers stay (disabled) until the source ends, as one
    // of them may be the one emitting now.
    void lose() {
        if (lost_) return;
        lost_ = true;
        LOG("Following the application in front: the connection to the Wayland compositor was lost");
        if (reader_) reader_->setEnabled(false);
        if (writer_) writer_->setEnabled(false);
    }

    // The app id of the toplevel in front, or empty: none is activated.
    void tellFront() {
        const Toplevel* front = nullptr;
        for (const std::unique_ptr<Toplevel>& toplevel : toplevels_) {
            if (toplevel->activated && (!front || toplevel->activatedAt > front->activatedAt)) front = toplevel.get();
        }
        std::string app = front ? front->appId : std::string();
        if (last_ == app) return;
        last_ = app;
        report_(app);
    }

    void closeToplevel(Toplevel* toplevel) {
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
        std::erase_if(toplevels_, [toplevel](const std::unique_ptr<Toplevel>& t) { return t.get() == toplevel; });
    }

    // The compositor ended the list (it is going away): nothing is known to
    // be in front any more.
    void finished() {
        LOG("Following the application in front: the Wayland compositor stopped listing its windows");
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
        manager_ = nullptr;
        for (const std::unique_ptr<Toplevel>& toplevel : toplevels_) zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
        toplevels_.clear();
    }

    // ---- the compositor's events ----

    static void global(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
        auto* self = static_cast<WlrFocusSource*>(data);
        if (self->managerName_ == 0 && std::string_view(interface) == zwlr_foreign_toplevel_manager_v1_interface.name) {
            self->managerName_ = name;
            self->managerVersion_ = version;
        }
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener kRegistryListener = {global, globalRemove};

    static void toplevel(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
        auto* self = static_cast<WlrFocusSource*>(data);
        auto toplevel = std::make_unique<Toplevel>();
        toplevel->source = self;
        toplevel->handle = handle;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, toplevel.get());
        self->toplevels_.push_back(std::move(toplevel));
    }
    static void managerFinished(void* data, zwlr_foreign_toplevel_manager_v1*) {
        static_cast<WlrFocusSource*>(data)->finished();
    }
    static constexpr zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {toplevel, managerFinished};

    static void title(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
    static void appId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* id) {
        static_cast<Toplevel*>(data)->pendingAppId = id ? id : "";
    }
    static void outputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void outputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
    static void state(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
        bool activated = false;
        const auto* begin = static_cast<const uint32_t*>(states->data);
        for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
            if (begin[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) activated = true;
        static_cast<Toplevel*>(data)->pendingActivated = activated;
    }
    static void done(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<Toplevel*>(data);
        toplevel->appId = toplevel->pendingAppId;
        if (toplevel->pendingActivated && !toplevel->activated) toplevel->activatedAt = ++toplevel->source->activations_;
        toplevel->activated = toplevel->pendingActivated;
    }
    static void closed(void* data, zwlr_foreign_toplevel_handle_v1*) {
        auto* toplevel = static_cast<Toplevel*>(data);
        toplevel->source->closeToplevel(toplevel);
    }
    static void parent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}
    static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
        title, appId, outputEnter, outputLeave, state, done, closed, parent};

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    uint32_t managerName_ = 0;
    uint32_t managerVersion_ = 0;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    std::vector<std::unique_ptr<Toplevel>> toplevels_;
    uint64_t activations_ = 0;
    std::unique_ptr<QSocketNotifier> reader_, writer_;
    bool lost_ = false;
    Report report_;
    std::optional<std::string> last_;
};

}  // namespace

std::unique_ptr<FocusSource> MakeWlrFocusSource() {
    // Only where a Wayland display is named: libwayland would otherwise try
    // "wayland-0" on an X11 desktop.
    if (!env_set("WAYLAND_DISPLAY") && !env_set("WAYLAND_SOCKET")) return nullptr;
    auto source = std::make_unique<WlrFocusSource>();
    if (!source->offered()) return nullptr;
    return source;
}

}  // namespace keyloom::app
