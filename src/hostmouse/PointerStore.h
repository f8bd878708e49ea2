// Where the desktop keeps its pointer settings: one value at a time, in the
// store's own units (speed -1..1, milliseconds, on/off as 1/0).
#pragma once
#include <optional>
#include <string>

namespace keyloom {

enum class PointerSetting {
    MouseSpeed,             // -1 (slowest) .. 1 (fastest)
    ScrollSpeed,            // the store's scroll acceleration, where it keeps one
    DoubleClickMs,          // double-click time in milliseconds
    LeftHanded,             // 1: the buttons are swapped
    MouseNaturalScroll,     // 1: content follows the fingers
    TouchpadNaturalScroll,
};

// The setting's name in log lines and messages ("double-click time").
const char* pointer_setting_name(PointerSetting setting);

class PointerStore {
public:
    virtual ~PointerStore() = default;
    // False (why set) when the desktop keeps no pointer settings here at all.
    virtual bool reachable(std::string* why) = 0;
    // None (why set) when the store does not keep the setting.
    virtual std::optional<double> read(PointerSetting setting, std::string* why) = 0;
    // False (why set) when the setting is not kept or the value is outside its range.
    virtual bool write(PointerSetting setting, double value, std::string* why) = 0;
    // Waits until written values have reached the store.
    virtual void flush() = 0;
};

}  // namespace keyloom
