// The scroll-wheel filter that makes every wheel notch scroll a fixed number
// of lines.
#pragma once
#include <cstdint>

namespace keyloom {

enum class HostEventType { KeyDown, KeyUp, ScrollWheel, Other };

// The fields of an input event the filter reads and changes.
struct HostEvent {
    HostEventType type = HostEventType::Other;
    bool continuous = false;   // a touchpad's or a smooth wheel's scroll
    int64_t pointDelta1 = 0;   // vertical scroll, in points
    int64_t lineDelta1 = 0;    // vertical scroll, in lines
};

constexpr int64_t SCROLL_LINES_PER_NOTCH = 12;

// The filter: a wheel notch (a scroll that is not continuous) leaves with a
// line delta of +12, -12 or 0 by the sign of its point delta; every other
// event passes unchanged. The event is always passed on.
HostEvent* kmEventCallback(void* proxy, HostEventType type, HostEvent* event, void* context);

// An installed scroll filter; none is ever installed on Linux.
struct ScrollTap;

// Installs the filter for every program's scroll events. Linux desktops give
// a normal user no such filter (X11 has no event taps and Wayland lets no
// program change another's input), so this logs why and returns none.
ScrollTap* SetScrollLines();

}  // namespace keyloom
