// The HID backend for real keyboards: Linux hidraw. Interfaces are found in
// sysfs, opened as /dev/hidrawN, spoken to with the feature-report ioctls and
// read for input reports; udev tells of attach and removal.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "device/HidBackend.h"
#include "device/HidrawHotplug.h"
#include "device/HidrawSysfs.h"

namespace keyloom {

// open(2) as the backend calls it: a descriptor, or -1 with errno set.
using HidrawOpenFunction = std::function<int(const char* path, int flags)>;
using HotplugSourceFactory = std::function<std::unique_ptr<HotplugSource>()>;

struct HidrawOptions {
    HidrawPaths paths;
    HidrawOpenFunction open;              // empty: open(2)
    HotplugSourceFactory hotplugSource;   // empty: the udev monitor
};

// One hidraw interface. It owns its descriptor and its input watch and
// releases both when it goes, so the main loop must outlive it.
class HidrawDevice : public HidDevice {
public:
    HidrawDevice() = default;
    ~HidrawDevice() override;
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    bool usesReportIds = false;    // input reports start with their id
    std::atomic<int> fd{-1};       // the worker reads it for each transfer

    void startInput(MainLoop& loop, InputReportHandler handler);
    void stopInput();

private:
    void onReadable(short revents);

    MainLoop* loop_ = nullptr;
    int watchId_ = -1;
    InputReportHandler handler_;
    std::vector<uint8_t> buffer_;
};

class HidrawBackend : public HidBackend {
public:
    explicit HidrawBackend(std::string sysRoot = "/", std::string devRoot = "/");
    explicit HidrawBackend(HidrawOptions options);
    ~HidrawBackend() override;
    HidrawBackend(const HidrawBackend&) = delete;
    HidrawBackend& operator=(const HidrawBackend&) = delete;

    std::vector<HidDeviceRef> copyDevices(const std::vector<HidMatch>& matching) override;
    int openDevice(HidDevice& dev) override;
    int closeDevice(HidDevice& dev) override;
    int setFeatureReport(HidDevice& dev, const uint8_t* report, size_t length) override;
    int getFeatureReport(HidDevice& dev, uint8_t* report, size_t length) override;
    void setInputReportHandler(HidDevice& dev, MainLoop& loop, InputReportHandler handler) override;
    void startHotplug(MainLoop& loop, const std::vector<HidMatch>& matching, DeviceHandler onAttach,
                      DeviceHandler onRemove) override;
    int close() override;

private:
    std::shared_ptr<HidrawDevice> readDevice(const std::string& name, const std::vector<HidMatch>& matching) const;
    void onHotplugReadable();
    void handleHotplugEvent(const HotplugEvent& event);
    void stopHotplug();

    HidrawOptions options_;
    std::unique_ptr<HotplugSource> hotplug_;
    MainLoop* hotplugLoop_ = nullptr;
    int hotplugWatch_ = -1;
    std::vector<HidMatch> hotplugMatching_;
    DeviceHandler onAttach_;
    DeviceHandler onRemove_;
    std::set<std::string> attached_;        // matching interfaces reported attached, by name
    std::shared_ptr<int> hotplugToken_;     // posted attach calls run only while it lives
};

}  // namespace keyloom
