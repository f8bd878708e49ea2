// The udev monitor behind hidraw hot-plug; the only user of libudev.
#include "device/HidrawHotplug.h"

#include <libudev.h>

#include <cerrno>
#include <cstring>

#include "base/debug.h"

namespace keyloom {

namespace {

class UdevHotplugSource : public HotplugSource {
public:
    UdevHotplugSource(udev* context, udev_monitor* monitor) : udev_(context), monitor_(monitor) {}
    ~UdevHotplugSource() override {
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
    }
    UdevHotplugSource(const UdevHotplugSource&) = delete;
    UdevHotplugSource& operator=(const UdevHotplugSource&) = delete;

    int fd() const override { return udev_monitor_get_fd(monitor_); }

    std::optional<HotplugEvent> receive() override {
        udev_device* device = udev_monitor_receive_device(monitor_);
        if (device == nullptr) return std::nullopt;
        const char* action = udev_device_get_action(device);
        const char* sysname = udev_device_get_sysname(device);
        HotplugEvent event{action ? action : "", sysname ? sysname : ""};
        udev_device_unref(device);
        return event;
    }

private:
    udev* udev_;
    udev_monitor* monitor_;
};

}  // namespace

std::unique_ptr<HotplugSource> OpenUdevHotplugSource() {
    udev* context = udev_new();
    if (context == nullptr) {
        LOG("hidraw: udev_new failed: %s", std::strerror(errno));
        return nullptr;
    }
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (monitor == nullptr) {
        LOG("hidraw: udev monitor could not be created: %s", std::strerror(errno));
        udev_unref(context);
        return nullptr;
    }
    int status = udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr);
    if (status >= 0) status = udev_monitor_enable_receiving(monitor);
    if (status < 0) {
        LOG("hidraw: udev monitor could not be started: %s", std::strerror(-status));
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevHotplugSource>(context, monitor);
}

}  // namespace keyloom
