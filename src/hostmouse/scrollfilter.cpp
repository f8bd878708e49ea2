#include "hostmouse/scrollfilter.h"

#include "base/debug.h"

namespace keyloom {

HostEvent* kmEventCallback(void*, HostEventType type, HostEvent* event, void*) {
    if (type == HostEventType::ScrollWheel && event && !event->continuous) {
        const int64_t delta = event->pointDelta1;
        event->lineDelta1 = delta > 0 ? SCROLL_LINES_PER_NOTCH : delta < 0 ? -SCROLL_LINES_PER_NOTCH : 0;
    }
    return event;
}

ScrollTap* SetScrollLines() {
    SysLog("SetScrollLines: not available: this desktop lets no program rewrite other programs' scroll events");
    return nullptr;
}

}  // namespace keyloom
