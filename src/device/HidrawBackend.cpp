// The hidraw backend: open/close, feature reports by ioctl, input reports by
// read() on the main loop, and hot-plug from the udev monitor. Every failed
// system call is logged with its operation and the system's error text.
#include "device/HidrawBackend.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/debug.h"
#include "device/MainLoop.h"
#include "device/ReportDescriptor.h"

namespace keyloom {

namespace {

// The ioctl number carries the length in 14 bits.
constexpr size_t kMaxIoctlLength = (1u << 14) - 1;
// Hot-plug events handled per wake-up, so a burst cannot hold the loop.
constexpr int kEventsPerWake = 64;

int LastErrno() { return errno != 0 ? errno : EIO; }

HidrawDevice* AsHidraw(HidDevice& dev, const char* operation) {
    auto* hidraw = dynamic_cast<HidrawDevice*>(&dev);
    if (hidraw == nullptr) LOG("hidraw: %s on %s: not a hidraw device", operation, dev.node.c_str());
    return hidraw;
}

// The descriptor of an open hidraw device, or a negative errno.
int OpenDescriptor(HidDevice& dev, const char* operation, HidrawDevice*& hidraw) {
    hidraw = AsHidraw(dev, operation);
    if (hidraw == nullptr) return -EINVAL;
    const int fd = hidraw->fd.load();
    if (fd < 0) {
        LOG("hidraw: %s on %s: device is not open", operation, dev.node.c_str());
        return -EBADF;
    }
    return fd;
}

bool ValidFeatureLength(const HidDevice& dev, const void* report, size_t length, const char* operation) {
    if (report != nullptr && length > 0 && length <= kMaxIoctlLength) return true;
    LOG("hidraw: %s on %s: invalid report length %zu", operation, dev.node.c_str(), length);
    return false;
}

}  // namespace

// ---- HidrawDevice -------------------------------------------------------

HidrawDevice::~HidrawDevice() {
    stopInput();
    const int open = fd.exchange(-1);
    if (open >= 0) ::close(open);
}

void HidrawDevice::startInput(MainLoop& loop, InputReportHandler handler) {
    stopInput();
    const int open = fd.load();
    // Reads must never block the main loop, even on a spurious wake-up;
    // the feature ioctls do not depend on this flag.
    const int flags = ::fcntl(open, F_GETFL);
    if (flags < 0 || ::fcntl(open, F_SETFL, flags | O_NONBLOCK) < 0)
        LOG("hidraw: fcntl(O_NONBLOCK) on %s failed: %s", node.c_str(), std::strerror(LastErrno()));
    buffer_.assign(kMaxReportBytes, 0);
    handler_ = std::move(handler);
    loop_ = &loop;
    watchId_ = loop.watchFd(open, [this](short revents) { onReadable(revents); });
}

void HidrawDevice::stopInput() {
    if (loop_ != nullptr && watchId_ >= 0) loop_->unwatchFd(watchId_);
    loop_ = nullptr;
    watchId_ = -1;
    handler_ = nullptr;
}

// One report per wake-up. The handler runs last and gets its own copy of the
// bytes: it may close or drop this device.
void HidrawDevice::onReadable(short revents) {
    const int open = fd.load();
    if ((revents & POLLIN) && open >= 0) {
        const ssize_t n = ::read(open, buffer_.data(), buffer_.size());
        if (n > 0) {
            std::vector<uint8_t> report(buffer_.begin(), buffer_.begin() + n);
            const uint8_t reportId = usesReportIds ? report[0] : 0;
            InputReportHandler handler = handler_;
            if (handler) handler(reportId, report.data(), report.size());
            return;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n < 0) LOG("hidraw: read on %s failed: %s", node.c_str(), std::strerror(LastErrno()));
    } else if (!(revents & (POLLHUP | POLLERR | POLLNVAL))) {
        return;
    }
    LOG("hidraw: %s is gone, input reports stopped", node.c_str());
    stopInput();
}

// ---- HidrawBackend ------------------------------------------------------

HidrawBackend::HidrawBackend(std::string sysRoot, std::string devRoot)
    : HidrawBackend(HidrawOptions{HidrawPaths{std::move(sysRoot), std::move(devRoot)}, {}, {}}) {}

HidrawBackend::HidrawBackend(HidrawOptions options) : options_(std::move(options)) {
    if (!options_.open) options_.open = [](const char* path, int flags) { return ::open(path, flags); };
    if (!options_.hotplugSource) options_.hotplugSource = &OpenUdevHotplugSource;
}

HidrawBackend::~HidrawBackend() { stopHotplug(); }

std::shared_ptr<HidrawDevice> HidrawBackend::readDevice(const std::string& name,
                                                        const std::vector<HidMatch>& matching) const {
    auto dev = std::make_shared<HidrawDevice>();
    bool usesReportIds = false;
    if (!ReadHidrawDevice(options_.paths, name, matching, *dev, usesReportIds)) return nullptr;
    dev->usesReportIds = usesReportIds;
    return dev;
}

std::vector<HidDeviceRef> HidrawBackend::copyDevices(const std::vector<HidMatch>& matching) {
    std::vector<HidDeviceRef> devices;
    if (matching.empty()) return devices;
    for (const std::string& name : ListHidrawNames(options_.paths))
        if (auto dev = readDevice(name, matching)) devices.push_back(std::move(dev));
    return devices;
}

int HidrawBackend::openDevice(HidDevice& dev) {
    HidrawDevice* hidraw = AsHidraw(dev, "open");
    if (hidraw == nullptr) return dev.lastOpenStatus = -EINVAL;
    if (hidraw->fd.load() >= 0) return dev.lastOpenStatus = 0;  // opening twice is harmless
    errno = 0;
    const int fd = options_.open(dev.node.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int err = LastErrno();
        LOG("hidraw: open %s failed: %s", dev.node.c_str(), std::strerror(err));
        return dev.lastOpenStatus = -err;
    }
    hidraw->fd = fd;
    return dev.lastOpenStatus = 0;
}

int HidrawBackend::closeDevice(HidDevice& dev) {
    HidrawDevice* hidraw = nullptr;
    const int fd = OpenDescriptor(dev, "close", hidraw);
    if (fd < 0) return fd;
    hidraw->stopInput();
    hidraw->fd = -1;
    // After EINTR the descriptor is closed all the same on Linux.
    if (::close(fd) < 0 && errno != EINTR) {
        const int err = LastErrno();
        LOG("hidraw: close %s failed: %s", dev.node.c_str(), std::strerror(err));
        return -err;
    }
    return 0;
}

int HidrawBackend::setFeatureReport(HidDevice& dev, const uint8_t* report, size_t length) {
    HidrawDevice* hidraw = nullptr;
    const int fd = OpenDescriptor(dev, "HIDIOCSFEATURE", hidraw);
    if (fd < 0) return fd;
    if (!ValidFeatureLength(dev, report, length, "HIDIOCSFEATURE")) return -EINVAL;
    if (::ioctl(fd, HIDIOCSFEATURE(length), report) < 0) {
        const int err = LastErrno();
        LOG("hidraw: HIDIOCSFEATURE(%zu) on %s failed: %s", length, dev.node.c_str(), std::strerror(err));
        return -err;
    }
    return 0;
}

int HidrawBackend::getFeatureReport(HidDevice& dev, uint8_t* report, size_t length) {
    HidrawDevice* hidraw = nullptr;
    const int fd = OpenDescriptor(dev, "HIDIOCGFEATURE", hidraw);
    if (fd < 0) return fd;
    if (!ValidFeatureLength(dev, report, length, "HIDIOCGFEATURE")) return -EINVAL;
    const int n = ::ioctl(fd, HIDIOCGFEATURE(length), report);
    if (n < 0) {
        const int err = LastErrno();
        LOG("hidraw: HIDIOCGFEATURE(%zu) on %s failed: %s", length, dev.node.c_str(), std::strerror(err));
        return -err;
    }
    // A shorter report leaves no stale bytes behind it.
    if (static_cast<size_t>(n) < length) std::memset(report + n, 0, length - static_cast<size_t>(n));
    return 0;
}

void HidrawBackend::setInputReportHandler(HidDevice& dev, MainLoop& loop, InputReportHandler handler) {
    HidrawDevice* hidraw = nullptr;
    if (OpenDescriptor(dev, "input reports", hidraw) < 0) return;
    hidraw->startInput(loop, std::move(handler));
}

void HidrawBackend::startHotplug(MainLoop& loop, const std::vector<HidMatch>& matching, DeviceHandler onAttach,
                                 DeviceHandler onRemove) {
    stopHotplug();
    hotplugLoop_ = &loop;
    hotplugMatching_ = matching;
    onAttach_ = std::move(onAttach);
    onRemove_ = std::move(onRemove);
    hotplugToken_ = std::make_shared<int>(0);

    hotplug_ = options_.hotplugSource();
    if (hotplug_)
        hotplugWatch_ = loop.watchFd(hotplug_->fd(), [this](short) { onHotplugReadable(); });
    else
        LOG("hidraw: no hot-plug notifications; keyboards attached later are not seen");

    // Interfaces attached already are reported as if they had just arrived.
    for (const std::string& name : ListHidrawNames(options_.paths)) {
        auto dev = readDevice(name, hotplugMatching_);
        if (!dev) continue;
        attached_.insert(name);
        std::weak_ptr<int> token = hotplugToken_;
        DeviceHandler attach = onAttach_;
        HidDeviceRef ref = std::move(dev);
        loop.post([token, attach, ref] {
            if (!token.expired() && attach) attach(ref);
        });
    }
}

void HidrawBackend::onHotplugReadable() {
    // A handler may stop hot-plug or drop this backend; the token tells.
    std::weak_ptr<int> token = hotplugToken_;
    for (int i = 0; i < kEventsPerWake && !token.expired() && hotplug_; ++i) {
        auto event = hotplug_->receive();
        if (!event) break;
        handleHotplugEvent(*event);
    }
}

void HidrawBackend::handleHotplugEvent(const HotplugEvent& event) {
    if (!IsHidrawName(event.sysname)) return;
    if (event.action == "add") {
        if (attached_.count(event.sysname)) return;
        auto dev = readDevice(event.sysname, hotplugMatching_);
        if (!dev) return;
        attached_.insert(event.sysname);
        DeviceHandler attach = onAttach_;
        if (attach) attach(dev);
    } else if (event.action == "remove") {
        // Removal is reported only for interfaces that matched: the sysfs
        // entry is gone by now, so the ids cannot be read again.
        if (attached_.erase(event.sysname) == 0) return;
        auto dev = std::make_shared<HidrawDevice>();
        dev->node = HidrawNodePath(options_.paths, event.sysname);
        DeviceHandler remove = onRemove_;
        if (remove) remove(dev);
    }
}

void HidrawBackend::stopHotplug() {
    if (hotplugLoop_ != nullptr && hotplugWatch_ >= 0) hotplugLoop_->unwatchFd(hotplugWatch_);
    hotplugWatch_ = -1;
    hotplugLoop_ = nullptr;
    hotplug_.reset();
    hotplugToken_.reset();
    attached_.clear();
    onAttach_ = nullptr;
    onRemove_ = nullptr;
}

int HidrawBackend::close() {
    stopHotplug();
    return 0;
}

}  // namespace keyloom
