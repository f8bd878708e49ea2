// Synthetic key events on the test's X server (xvfb-run), seen by a small X
// client of the test's own that records every key event its window receives.
// gtest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
// clang-format on
#include <poll.h>

#include <string>
#include <vector>

#include "keys/evdev.h"
#include "keys/keyinject.h"
#include "test_support.h"

namespace keyloom {
namespace {

constexpr int kVkA = 0x00, kVkLeftControl = 59, kVkLeftShift = 56;

struct KeyEvent {
    bool press;
    int keycode;
    unsigned state;  // the modifier state the event carries
    bool operator==(const KeyEvent&) const = default;
};
std::ostream& operator<<(std::ostream& out, const KeyEvent& e) {
    return out << (e.press ? "press " : "release ") << e.keycode << " state 0x" << std::hex << e.state << std::dec;
}

int keycode(int vk) { return HostKeyToXkbKeycode(vk); }

class KeyObserver {
public:
    KeyObserver() {
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 200, 100, 0, 0, 0);
        XSelectInput(display_, window_, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapRaised(display_, window_);
        for (XEvent e;;) {  // focus can be given once the window is mapped
            XNextEvent(display_, &e);
            if (e.type == MapNotify) break;
        }
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
        XSync(display_, False);
    }
    ~KeyObserver() {
        if (display_) XCloseDisplay(display_);
    }
    bool ready() const { return display_ != nullptr; }

    // The key events received, waiting until `count` have come (at most 3 s).
    std::vector<KeyEvent> take(size_t count) {
        std::vector<KeyEvent> events;
        XSync(display_, False);
        for (int waited = 0; events.size() < count && waited < 3000;) {
            while (XPending(display_) && events.size() < count) {
                XEvent e;
                XNextEvent(display_, &e);
                if (e.type == KeyPress || e.type == KeyRelease)
                    events.push_back({e.type == KeyPress, int(e.xkey.keycode), e.xkey.state});
            }
            if (events.size() < count) {
                pollfd fd{ConnectionNumber(display_), POLLIN, 0};
                poll(&fd, 1, 50);
                waited += 50;
            }
        }
        return events;
    }
    // Keys the server holds pressed now.
    std::vector<int> held() {
        char keys[32];
        XQueryKeymap(display_, keys);
        std::vector<int> codes;
        for (int k = 0; k < 256; ++k)
            if ((keys[k / 8] >> (k % 8)) & 1) codes.push_back(k);
        return codes;
    }

private:
    Display* display_ = nullptr;
    Window window_ = 0;
};

class KeyInjection : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(observer.ready()) << "needs an X server: run under xvfb-run";
        ASSERT_TRUE(checkAccessibility());
    }
    KeyObserver observer;
};

TEST_F(KeyInjection, TheKeyCarriesTheMasksModifiersWhichAreReleasedAfterIt) {
    const int a = keycode(kVkA), shift = keycode(kVkLeftShift);
    ASSERT_TRUE(PostKeyboardEvent(kVkA, 1, 0x02));
    EXPECT_EQ(observer.take(3), (std::vector<KeyEvent>{{true, shift, 0}, {true, a, ShiftMask}, {false, shift, ShiftMask}}));
    EXPECT_EQ(observer.held(), std::vector<int>{a});  // the key itself stays down until its release

    ASSERT_TRUE(PostKeyboardEvent(kVkA, 2, 0x02));  // only bit 0 counts: a release
    EXPECT_EQ(observer.take(3), (std::vector<KeyEvent>{{true, shift, 0}, {false, a, ShiftMask}, {false, shift, ShiftMask}}));
    EXPECT_TRUE(observer.held().empty());

    ASSERT_TRUE(PostKeyboardEvent(kVkA, 3, 0x100));  // bits above the byte name no key
    ASSERT_TRUE(PostKeyboardEvent(kVkA, 0, 0));
    EXPECT_EQ(observer.take(2), (std::vector<KeyEvent>{{true, a, 0}, {false, a, 0}}));
}

TEST_F(KeyInjection, ModifiersHeldOutsideTheMaskAreLiftedForTheEventOnly) {
    const int a = keycode(kVkA), shift = keycode(kVkLeftShift), control = keycode(kVkLeftControl);
    ASSERT_TRUE(PostKeyboardEvent(kVkLeftControl, 1, 0));  // as if the user held Control
    ASSERT_EQ(observer.take(1), (std::vector<KeyEvent>{{true, control, 0}}));

    ASSERT_TRUE(PostKeyboardEvent(kVkA, 1, 0x02));
    EXPECT_EQ(observer.take(5), (std::vector<KeyEvent>{{false, control, ControlMask},
                                                       {true, shift, 0},
                                                       {true, a, ShiftMask},
                                                       {false, shift, ShiftMask},
                                                       {true, control, 0}}));
    // A modifier already held that the mask wants is neither pressed again nor let go.
    ASSERT_TRUE(PostKeyboardEvent(kVkA, 0, 0x01));
    EXPECT_EQ(observer.take(1), (std::vector<KeyEvent>{{false, a, ControlMask}}));
    ASSERT_TRUE(PostKeyboardEvent(kVkLeftControl, 0, 0));
    EXPECT_EQ(observer.take(1), (std::vector<KeyEvent>{{false, control, ControlMask}}));
    EXPECT_TRUE(observer.held().empty());
}

TEST_F(KeyInjection, WithoutAnX11DisplayOrUnderWaylandNothingIsPosted) {
    test::LogCapture log;
    std::string why;
    {
        test::ScopedEnv wayland("WAYLAND_DISPLAY", std::string("wayland-0"));
        EXPECT_FALSE(checkAccessibility(&why));
        EXPECT_NE(why.find("Wayland"), std::string::npos) << why;
        EXPECT_FALSE(PostKeyboardEvent(kVkA, 1, 0));
    }
    {
        test::ScopedEnv display("DISPLAY", std::nullopt);
        EXPECT_FALSE(checkAccessibility(&why));
        EXPECT_EQ(why, "no X11 display (DISPLAY is not set)");
    }
    {
        test::ScopedEnv display("DISPLAY", std::string(":999"));
        EXPECT_FALSE(PostKeyboardEvent(kVkA, 1, 0, &why));
        EXPECT_EQ(why, "the X11 display :999 cannot be opened");
    }
    EXPECT_FALSE(PostKeyboardEvent(200, 1, 0, &why));  // no key has this code
    EXPECT_EQ(why, "host key code 200 has no key on this display");
    EXPECT_EQ(log.lines().back(), "PostKeyboardEvent: host key code 200 has no key on this display");
    // Nothing went out: the next event to arrive is the next one posted.
    ASSERT_TRUE(PostKeyboardEvent(kVkA, 1, 0));
    ASSERT_TRUE(PostKeyboardEvent(kVkA, 0, 0));
    EXPECT_EQ(observer.take(2), (std::vector<KeyEvent>{{true, keycode(kVkA), 0}, {false, keycode(kVkA), 0}}));
}

TEST_F(KeyInjection, TheCommandLinePostsOneEvent) {
    const int a = keycode(kVkA), shift = keycode(kVkLeftShift);
    const std::string ctl = KEYLOOMCTL_PATH;
    EXPECT_EQ(test::RunCommand(ctl + " inject a --modifiers 0x02").status, 0);
    EXPECT_EQ(test::RunCommand(ctl + " inject 0 --modifiers 2 --release").status, 0);
    EXPECT_EQ(observer.take(6), (std::vector<KeyEvent>{{true, shift, 0},
                                                       {true, a, ShiftMask},
                                                       {false, shift, ShiftMask},
                                                       {true, shift, 0},
                                                       {false, a, ShiftMask},
                                                       {false, shift, ShiftMask}}));
    EXPECT_EQ(test::RunCommand(ctl + " inject Nope 2>/dev/null").status, 2);
    EXPECT_EQ(test::RunCommand(ctl + " inject A --modifiers 0x100 2>/dev/null").status, 2);
    const auto noDisplay = test::RunCommand("env -u DISPLAY " + ctl + " inject A 2>&1");
    EXPECT_EQ(noDisplay.status, 1);
    EXPECT_EQ(noDisplay.out, "keyloomctl: inject: no X11 display (DISPLAY is not set)\n");
}

}  // namespace
}  // namespace keyloom
