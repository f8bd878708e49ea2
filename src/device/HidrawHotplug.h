// Where the hidraw backend hears of interfaces being attached and removed:
// the udev monitor in the program, a scripted source in the tests.
#pragma once
#include <memory>
#include <optional>
#include <string>

namespace keyloom {

struct HotplugEvent {
    std::string action;   // "add", "remove", ...
    std::string sysname;  // "hidraw3"
};

class HotplugSource {
public:
    virtual ~HotplugSource() = default;
    // Readable when an event is waiting.
    virtual int fd() const = 0;
    // The next waiting event; empty when there is none.
    virtual std::optional<HotplugEvent> receive() = 0;
};

// A udev monitor for the "hidraw" subsystem, receiving events after udev has
// applied its rules (so a new node already has its permissions). Null, with a
// log line, when the monitor cannot be set up.
std::unique_ptr<HotplugSource> OpenUdevHotplugSource();

}  // namespace keyloom
