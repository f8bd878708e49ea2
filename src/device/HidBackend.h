// The platform below HID access: enumerating the keyboard's interfaces,
// opening them, feature reports, input reports and hot-plug. Two backends
// implement it: hidraw for real keyboards and the simulated keyboard.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keyloom {

class MainLoop;

// One HID interface. Properties the backend could not read stay empty.
class HidDevice {
public:
    virtual ~HidDevice() = default;

    std::string node;  // identifies the interface: "/dev/hidraw3", "sim:vendor"
    std::optional<uint32_t> vendorId;
    std::optional<uint32_t> productId;
    std::optional<uint32_t> version;
    std::optional<std::string> product;
    std::optional<int32_t> maxFeatureSize;  // bytes, including the report-id byte when ids are used
    std::optional<int32_t> maxInputSize;
    std::optional<int32_t> maxOutputSize;
    std::optional<uint32_t> usagePage;      // of the first top-level collection
    std::optional<uint32_t> usage;
    // The status of the last open: 0, or a negative errno. -EACCES means the
    // node exists but this user may not open it (the udev rule is missing).
    int lastOpenStatus = 0;
};
using HidDeviceRef = std::shared_ptr<HidDevice>;

// Two references name the same interface when their nodes are equal.
inline bool SameDevice(const HidDeviceRef& a, const HidDeviceRef& b) {
    return a && b && a->node == b->node;
}

struct HidMatch {
    uint32_t vendorId;
    uint32_t productId;
};

using InputReportHandler = std::function<void(uint8_t reportId, const uint8_t* data, size_t length)>;
using DeviceHandler = std::function<void(const HidDeviceRef&)>;

class HidBackend {
public:
    virtual ~HidBackend() = default;

    // The attached interfaces whose vendor and product ids are in `matching`,
    // in enumeration order. Empty `matching` gives nothing.
    virtual std::vector<HidDeviceRef> copyDevices(const std::vector<HidMatch>& matching) = 0;

    // Status results are 0 on success or a negative errno.
    virtual int openDevice(HidDevice& dev) = 0;
    virtual int closeDevice(HidDevice& dev) = 0;
    // report[0] is the report id; length includes it.
    virtual int setFeatureReport(HidDevice& dev, const uint8_t* report, size_t length) = 0;
    virtual int getFeatureReport(HidDevice& dev, uint8_t* report, size_t length) = 0;

    // Delivers the input reports of an open device to `handler` on the loop's thread.
    virtual void setInputReportHandler(HidDevice& dev, MainLoop& loop, InputReportHandler handler) = 0;

    // Reports matching interfaces being attached (including those attached
    // already, right after the call) and removed, on the loop's thread.
    virtual void startHotplug(MainLoop& loop, const std::vector<HidMatch>& matching, DeviceHandler onAttach,
                              DeviceHandler onRemove) = 0;

    // Stops hot-plug and releases what the backend holds; the status of closing it.
    virtual int close() = 0;
};

}  // namespace keyloom
