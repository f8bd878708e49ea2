// Synthetic key events through the X11 XTest extension. libX11 and libXtst
// are loaded the first time an event is asked for, so the programs start and
// run without them (and without a display) as long as nothing is posted.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <mutex>
#include <vector>

#include "base/debug.h"
#include "base/instance_lock.h"
#include "keys/evdev.h"
#include "keys/keyinject.h"
#include "keys/vk.h"

namespace keyloom {
namespace {

struct XTestLibrary {
    Display* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(Display*) = nullptr;
    int (*queryKeymap)(Display*, char[32]) = nullptr;
    int (*displayKeycodes)(Display*, int*, int*) = nullptr;
    int (*sync)(Display*, Bool) = nullptr;
    Bool (*queryExtension)(Display*, int*, int*, int*, int*) = nullptr;
    int (*fakeKeyEvent)(Display*, unsigned int, Bool, unsigned long) = nullptr;
    std::string error;  // why it could not be loaded; empty when loaded

    bool loaded() const { return error.empty(); }
};

template <typename Fn>
bool bind(void* library, const char* name, Fn& fn, std::string& error) {
    fn = reinterpret_cast<Fn>(dlsym(library, name));
    if (!fn && error.empty()) error = std::string("no ") + name + " in the X11 libraries";
    return fn != nullptr;
}

const XTestLibrary& xtest_library() {
    static XTestLibrary lib;
    static std::once_flag once;
    std::call_once(once, [] {
        void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        void* xtst = x11 ? dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL) : nullptr;
        if (!xtst) {
            const char* text = dlerror();
            lib.error = std::string("the X11 libraries cannot be loaded: ") + (text ? text : "unknown error");
            return;
        }
        bind(x11, "XOpenDisplay", lib.openDisplay, lib.error);
        bind(x11, "XCloseDisplay", lib.closeDisplay, lib.error);
        bind(x11, "XQueryKeymap", lib.queryKeymap, lib.error);
        bind(x11, "XDisplayKeycodes", lib.displayKeycodes, lib.error);
        bind(x11, "XSync", lib.sync, lib.error);
        bind(xtst, "XTestQueryExtension", lib.queryExtension, lib.error);
        bind(xtst, "XTestFakeKeyEvent", lib.fakeKeyEvent, lib.error);
    });
    return lib;
}

bool refuse(const char* operation, const std::string& reason, std::string* why) {
    LOG("%s: %s", operation, reason.c_str());
    if (why) *why = reason;
    return false;
}

// One connection to the display, for one call.
class XTestSession {
public:
    XTestSession(const char* operation, std::string* why) {
        if (is_wayland_session()) {
            refuse(operation, "a Wayland session: synthetic X11 events would reach only X11 programs", why);
            return;
        }
        if (!lib_.loaded()) {
            refuse(operation, lib_.error, why);
            return;
        }
        const char* name = std::getenv("DISPLAY");
        if (!name || !*name) {
            refuse(operation, "no X11 display (DISPLAY is not set)", why);
            return;
        }
        display_ = lib_.openDisplay(nullptr);
        if (!display_) {
            refuse(operation, std::string("the X11 display ") + name + " cannot be opened", why);
            return;
        }
        int event = 0, error = 0, major = 0, minor = 0;
        if (!lib_.queryExtension(display_, &event, &error, &major, &minor)) {
            refuse(operation, std::string("the X11 display ") + name + " offers no XTest extension", why);
            close();
            return;
        }
        lib_.displayKeycodes(display_, &minKeycode_, &maxKeycode_);
    }
    ~XTestSession() { close(); }
    XTestSession(const XTestSession&) = delete;
    XTestSession& operator=(const XTestSession&) = delete;

    bool open() const { return display_ != nullptr; }
    bool hasKeycode(int keycode) const { return keycode >= minKeycode_ && keycode <= maxKeycode_; }
    void keymap(char keys[32]) const { lib_.queryKeymap(display_, keys); }
    void post(int keycode, bool press) const { lib_.fakeKeyEvent(display_, unsigned(keycode), press, 0); }
    void sync() const { lib_.sync(display_, False); }

private:
    void close() {
        if (display_) lib_.closeDisplay(display_);
        display_ = nullptr;
    }

    const XTestLibrary& lib_ = xtest_library();
    Display* display_ = nullptr;
    int minKeycode_ = 0;
    int maxKeycode_ = -1;
};

// The X keycode of the modifier key of HID modifier bit `bit` (0 = left Control).
int modifier_keycode(int bit) { return HostKeyToXkbKeycode(Hid2Vk(0xE0 + bit)); }

bool is_held(const char keys[32], int keycode) { return (keys[keycode / 8] >> (keycode % 8)) & 1; }

}  // namespace

bool checkAccessibility(std::string* why) {
    XTestSession session("checkAccessibility", why);
    return session.open();
}

bool PostKeyboardEvent(int vk, int pressed, uint64_t modifiers, std::string* why) {
    XTestSession session("PostKeyboardEvent", why);
    if (!session.open()) return false;
    const int keycode = HostKeyToXkbKeycode(vk);
    if (!keycode || !session.hasKeycode(keycode)) {
        char text[64];
        std::snprintf(text, sizeof text, "host key code %d has no key on this display", vk);
        return refuse("PostKeyboardEvent", text, why);
    }
    if (modifiers >> 8)
        LOG("PostKeyboardEvent: modifier bits 0x%llx name no key, ignored",
            static_cast<unsigned long long>(modifiers & ~uint64_t(0xFF)));

    char held[32] = {};
    session.keymap(held);
    std::vector<int> lifted, pressedAround;  // modifier keycodes to restore afterwards
    for (int bit = 0; bit < 8; ++bit) {
        const int modifier = modifier_keycode(bit);
        if (!modifier || modifier == keycode || !session.hasKeycode(modifier)) continue;
        const bool wanted = (modifiers >> bit) & 1;
        if (wanted && !is_held(held, modifier)) pressedAround.push_back(modifier);
        if (!wanted && is_held(held, modifier)) lifted.push_back(modifier);
    }
    for (int modifier : lifted) session.post(modifier, false);
    for (int modifier : pressedAround) session.post(modifier, true);
    session.post(keycode, pressed & 1);
    for (auto it = pressedAround.rbegin(); it != pressedAround.rend(); ++it) session.post(*it, false);
    for (int modifier : lifted) session.post(modifier, true);
    session.sync();
    return true;
}

}  // namespace keyloom
