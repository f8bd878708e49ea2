#include "device/SimKeyboard.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "base/debug.h"
#include "device/MainLoop.h"
#include "device/ReportDescriptor.h"

namespace keyloom {

namespace {

constexpr uint32_t kVendorId = 0x05AC;
constexpr uint32_t kProductId = 0x024F;
constexpr uint8_t kFeatureReportId = 9;
constexpr uint8_t kNotifyReportId = 2;
constexpr size_t kFeatureReportSize = SIM_PAYLOAD_SIZE + 1;

struct InterfaceInfo {
    const char* node;
    uint32_t usagePage;
    uint32_t usage;
    int32_t feature;
    int32_t input;
    int32_t output;
};

// The vendor interface's sizes come from the real keyboard's report descriptor,
// so the simulation cannot drift from what hidraw computes for the hardware.
const InterfaceInfo& VendorInterface() {
    static const InterfaceInfo info = [] {
        auto parsed = ParseReportDescriptor(kKeyboardVendorDescriptor.data(), kKeyboardVendorDescriptor.size());
        if (!parsed) {
            SysLog("SimKeyboard: the vendor report descriptor does not parse; using the known sizes");
            return InterfaceInfo{SIM_VENDOR_NODE, 0xFF00, 0x01, 1025, 64, 0};
        }
        return InterfaceInfo{SIM_VENDOR_NODE, parsed->usagePage.value_or(0), parsed->usage.value_or(0),
                             parsed->maxFeatureSize, parsed->maxInputSize, parsed->maxOutputSize};
    }();
    return info;
}

// The ordinary keyboard interface comes first, so a finder that ignores the
// report sizes takes the wrong one.
constexpr int kKeyboardInterface = 0;
constexpr int kVendorInterface = 1;
constexpr int kInterfaceCount = 2;

InterfaceInfo Interface(int index) {
    if (index == kKeyboardInterface) return InterfaceInfo{SIM_KEYBOARD_NODE, 0x01, 0x06, 0, 9, 2};
    return VendorInterface();
}

bool Matches(const std::vector<HidMatch>& matching) {
    return std::any_of(matching.begin(), matching.end(), [](const HidMatch& m) {
        return (m.vendorId & 0xFFFF) == kVendorId && (m.productId & 0xFFFF) == kProductId;
    });
}

}  // namespace

// One handle on one interface, valid for the attachment it was enumerated in.
class SimDevice : public HidDevice, public std::enable_shared_from_this<SimDevice> {
public:
    const SimKeyboard* keyboard = nullptr;
    int interfaceIndex = 0;
    uint64_t generation = 0;
    bool open = false;
};

namespace {
SimDevice* AsSim(HidDevice& dev) { return dynamic_cast<SimDevice*>(&dev); }
const SimDevice* AsSim(const HidDevice& dev) { return dynamic_cast<const SimDevice*>(&dev); }
}  // namespace

struct SimKeyboard::HotplugReg {
    const void* owner;
    MainLoop* loop;
    std::vector<HidMatch> matching;
    DeviceHandler onAttach;
    DeviceHandler onRemove;
    std::shared_ptr<std::atomic<bool>> alive;
};

struct SimKeyboard::InputSink {
    const void* owner;
    std::weak_ptr<SimDevice> device;
    MainLoop* loop;
    InputReportHandler handler;
    std::shared_ptr<std::atomic<bool>> alive;
};

struct SimKeyboard::ChangeListener {
    int id;
    MainLoop* loop;
    std::function<void()> fn;
    std::shared_ptr<std::atomic<bool>> alive;
    std::shared_ptr<std::atomic<bool>> pending;  // a call waits in the loop
};

// A call for a loop, collected under the lock and posted after it is released.
struct SimKeyboard::Post {
    MainLoop* loop;
    std::function<void()> fn;
};

namespace {
void PostAll(const auto& posts) {
    for (const auto& p : posts) p.loop->post(p.fn);
}
}  // namespace

SimKeyboard::SimKeyboard() { lastReport_[0] = kFeatureReportId; }

SimKeyboard::~SimKeyboard() { release(this); }

// ---- enumeration and handles ----

HidDeviceRef SimKeyboard::makeInterface(int index) const {
    const InterfaceInfo info = Interface(index);
    auto dev = std::make_shared<SimDevice>();
    dev->node = info.node;
    dev->vendorId = kVendorId;
    dev->productId = kProductId;
    dev->version = SIM_VERSION;
    dev->product = SIM_PRODUCT_NAME;
    dev->maxFeatureSize = info.feature;
    dev->maxInputSize = info.input;
    dev->maxOutputSize = info.output;
    dev->usagePage = info.usagePage;
    dev->usage = info.usage;
    dev->keyboard = this;
    dev->interfaceIndex = index;
    dev->generation = generation_;
    return dev;
}

bool SimKeyboard::current(const HidDevice& dev) const {
    const SimDevice* d = AsSim(dev);
    return d && d->keyboard == this && plugged_ && d->generation == generation_;
}

std::vector<HidDeviceRef> SimKeyboard::copyDevices(const std::vector<HidMatch>& matching) {
    std::lock_guard<std::mutex> lock(lock_);
    std::vector<HidDeviceRef> devices;
    if (!plugged_ || !Matches(matching)) return devices;
    for (int i = 0; i < kInterfaceCount; ++i) devices.push_back(makeInterface(i));
    return devices;
}

int SimKeyboard::openDevice(HidDevice& dev) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!current(dev)) return dev.lastOpenStatus = -ENODEV;
    AsSim(dev)->open = true;
    return dev.lastOpenStatus = 0;
}

int SimKeyboard::closeDevice(HidDevice& dev) {
    std::lock_guard<std::mutex> lock(lock_);
    SimDevice* d = AsSim(dev);
    if (!d || d->keyboard != this || !d->open) return -EBADF;
    // Closing the handle of a removed interface succeeds, as closing a dead descriptor does.
    d->open = false;
    return 0;
}

// ---- feature reports ----

int SimKeyboard::setFeatureReport(HidDevice& dev, const uint8_t* report, size_t length) {
    std::vector<Post> posts;
    std::unique_lock<std::mutex> lock(lock_);
    int status = beginTransfer(dev, lock, report, length);
    if (status == 0) {
        receiveReport(report, length);
        changePosts(posts);
    }
    lock.unlock();
    PostAll(posts);
    return status;
}

int SimKeyboard::getFeatureReport(HidDevice& dev, uint8_t* report, size_t length) {
    std::unique_lock<std::mutex> lock(lock_);
    int status = beginTransfer(dev, lock, report, length);
    if (status == 0) answerReport(report, length);
    return status;
}

// Everything a transfer goes through before the keyboard takes or gives the
// report: the handle, the injected faults, then the report itself.
int SimKeyboard::beginTransfer(HidDevice& dev, std::unique_lock<std::mutex>& lock, const uint8_t* report,
                               size_t length) {
    SimDevice* d = AsSim(dev);
    if (!d || d->keyboard != this) return -EINVAL;
    if (!current(dev)) return -ENODEV;
    if (!d->open) return -EBADF;
    ++transfers_;
    int fault = takeFaults(lock);
    if (!current(dev)) return -ENODEV;  // removed while the transfer was under way
    if (fault) return fault;
    if (!report || length == 0 || length > kFeatureReportSize) return -EINVAL;
    if (d->interfaceIndex != kVendorInterface || report[0] != kFeatureReportId) return -EPIPE;
    return 0;
}

// Applies the pending delay, hold and failure to one transfer; the lock is
// released while it waits. Returns the injected status, or 0.
int SimKeyboard::takeFaults(std::unique_lock<std::mutex>& lock) {
    int delayMs = 0;
    if (delayCount_ > 0) {
        --delayCount_;
        delayMs = delayMs_;
    }
    int fault = 0;
    if (failAfter_ > 0) {
        --failAfter_;
    } else if (failCount_ > 0) {
        --failCount_;
        fault = failError_;
    }
    if (delayMs > 0) {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        lock.lock();
    }
    if (holding_ && holdAfter_ > 0) {
        --holdAfter_;
    } else if (holding_) {
        ++held_;
        gate_.notify_all();
        gate_.wait(lock, [this] { return !holding_; });
        --held_;
    }
    return fault;
}

void SimKeyboard::receiveReport(const uint8_t* report, size_t length) {
    uint8_t payload[SIM_PAYLOAD_SIZE] = {};
    std::memcpy(payload, report + 1, length - 1);
    lastReport_[0] = kFeatureReportId;
    std::memcpy(lastReport_.data() + 1, payload, SIM_PAYLOAD_SIZE);
    fw_.receive(payload);
    commands_.push_back(payload[0]);
    trace("SET", kFeatureReportId, payload, SIM_PAYLOAD_SIZE);
}

void SimKeyboard::answerReport(uint8_t* report, size_t length) {
    std::memcpy(report, lastReport_.data(), length);
    trace("GET", kFeatureReportId, report + 1, length - 1);
}

// ---- fault controls ----

void SimKeyboard::failNextTransfers(int count, int error, int after) {
    std::lock_guard<std::mutex> lock(lock_);
    failCount_ = std::max(count, 0);
    failAfter_ = std::max(after, 0);
    failError_ = error == 0 ? -EIO : -std::abs(error);
}

void SimKeyboard::delayNextTransfers(int count, int ms) {
    std::lock_guard<std::mutex> lock(lock_);
    delayCount_ = std::max(count, 0);
    delayMs_ = std::max(ms, 0);
}

void SimKeyboard::holdTransfers(int after) {
    std::lock_guard<std::mutex> lock(lock_);
    holding_ = true;
    holdAfter_ = std::max(after, 0);
}

void SimKeyboard::releaseTransfers() {
    {
        std::lock_guard<std::mutex> lock(lock_);
        holding_ = false;
    }
    gate_.notify_all();
}

bool SimKeyboard::waitForHeldTransfer(int timeoutMs) {
    std::unique_lock<std::mutex> lock(lock_);
    return gate_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return held_ > 0; });
}

// ---- hot-plug ----

void SimKeyboard::hotplugPosts(bool attach, const std::vector<std::shared_ptr<HotplugReg>>& regs,
                               std::vector<Post>& posts) const {
    for (const auto& reg : regs) {
        if (!Matches(reg->matching)) continue;
        const DeviceHandler& handler = attach ? reg->onAttach : reg->onRemove;
        if (!handler) continue;
        for (int i = 0; i < kInterfaceCount; ++i) {
            HidDeviceRef dev = makeInterface(i);
            posts.push_back({reg->loop, [alive = reg->alive, handler, dev] {
                                 if (*alive) handler(dev);
                             }});
        }
    }
}

bool SimKeyboard::unplug() {
    std::vector<Post> posts;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!plugged_) return false;
        hotplugPosts(false, hotplug_, posts);  // made before the bump, so they carry the removed attachment
        plugged_ = false;
        ++generation_;
        changePosts(posts);
    }
    PostAll(posts);
    return true;
}

bool SimKeyboard::plug() {
    std::vector<Post> posts;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (plugged_) return false;
        plugged_ = true;
        hotplugPosts(true, hotplug_, posts);
        changePosts(posts);
    }
    PostAll(posts);
    return true;
}

bool SimKeyboard::isPlugged() const {
    std::lock_guard<std::mutex> lock(lock_);
    return plugged_;
}

void SimKeyboard::startHotplug(MainLoop& loop, const std::vector<HidMatch>& matching, DeviceHandler onAttach,
                               DeviceHandler onRemove) {
    addHotplug(this, loop, matching, std::move(onAttach), std::move(onRemove));
}

void SimKeyboard::addHotplug(const void* owner, MainLoop& loop, const std::vector<HidMatch>& matching,
                             DeviceHandler onAttach, DeviceHandler onRemove) {
    release(owner);  // one hot-plug registration per backend: a second start replaces the first
    std::vector<Post> posts;
    {
        std::lock_guard<std::mutex> lock(lock_);
        auto reg = std::make_shared<HotplugReg>(HotplugReg{owner, &loop, matching, std::move(onAttach),
                                                           std::move(onRemove),
                                                           std::make_shared<std::atomic<bool>>(true)});
        hotplug_.push_back(reg);
        // Interfaces attached already are reported like new ones, through this registration only.
        if (plugged_) hotplugPosts(true, {reg}, posts);
    }
    PostAll(posts);
}

// ---- notifications ----

void SimKeyboard::setInputReportHandler(HidDevice& dev, MainLoop& loop, InputReportHandler handler) {
    addInputSink(this, dev, loop, std::move(handler));
}

void SimKeyboard::addInputSink(const void* owner, HidDevice& dev, MainLoop& loop, InputReportHandler handler) {
    std::lock_guard<std::mutex> lock(lock_);
    SimDevice* d = AsSim(dev);
    if (!d || d->keyboard != this) return;
    std::erase_if(sinks_, [d](const std::shared_ptr<InputSink>& s) {
        auto held = s->device.lock();
        if (!held || held.get() == d) {
            s->alive->store(false);
            return true;
        }
        return false;
    });
    if (!handler) return;
    sinks_.push_back(std::make_shared<InputSink>(InputSink{owner, d->weak_from_this(), &loop, std::move(handler),
                                                           std::make_shared<std::atomic<bool>>(true)}));
}

bool SimKeyboard::sendInputReport(uint8_t reportId, const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> report{reportId};
    report.insert(report.end(), bytes.begin(), bytes.end());
    std::vector<Post> posts;
    {
        std::lock_guard<std::mutex> lock(lock_);
        if (!plugged_) return false;
        trace("IN", reportId, bytes.data(), bytes.size());
        for (const auto& sink : sinks_) {
            auto dev = sink->device.lock();
            // Notifications come from the vendor interface, to handles that are open now.
            if (!dev || dev->interfaceIndex != kVendorInterface || !dev->open || !current(*dev)) continue;
            posts.push_back({sink->loop, [alive = sink->alive, handler = sink->handler, report] {
                                 if (*alive) handler(report[0], report.data(), report.size());
                             }});
        }
        changePosts(posts);
    }
    PostAll(posts);
    return true;
}

// Report 2 goes out at its full length, zero after the event, as the keyboard sends it.
bool SimKeyboard::sendNotification(uint8_t b1, uint8_t b2, uint8_t b3) {
    std::vector<uint8_t> bytes(std::max(VendorInterface().input - 1, 3), 0);
    bytes[0] = b1, bytes[1] = b2, bytes[2] = b3;
    return sendInputReport(kNotifyReportId, bytes);
}

bool SimKeyboard::sendLayer(int layer) {
    if (layer < 1 || layer > 3) return false;
    {
        // Set before the notification goes, so its change call already sees the new layer.
        std::lock_guard<std::mutex> lock(lock_);
        if (!plugged_) return false;
        layer_ = layer;
    }
    return sendNotification(static_cast<uint8_t>(1 << (layer - 1)), 6, 0);
}

bool SimKeyboard::knobOpened() { return sendNotification(1, 4, 0); }

bool SimKeyboard::knobMoved(int set) {
    if (set < 0 || set > 7) return false;
    return sendNotification(static_cast<uint8_t>(set + 1), 5, 0);
}

bool SimKeyboard::knobConfirmed() { return sendNotification(2, 4, 0); }

// ---- releasing a backend ----

int SimKeyboard::close() {
    release(this);
    return 0;
}

void SimKeyboard::release(const void* owner) {
    std::lock_guard<std::mutex> lock(lock_);
    auto drop = [owner](const auto& r) {
        if (r->owner != owner) return false;
        r->alive->store(false);  // calls already posted for it do nothing
        return true;
    };
    std::erase_if(hotplug_, drop);
    std::erase_if(sinks_, drop);
}

// ---- change listeners ----

int SimKeyboard::onChanged(MainLoop& loop, std::function<void()> fn) {
    std::lock_guard<std::mutex> lock(lock_);
    const int id = nextListenerId_++;
    listeners_.push_back(std::make_shared<ChangeListener>(ChangeListener{
        id, &loop, std::move(fn), std::make_shared<std::atomic<bool>>(true),
        std::make_shared<std::atomic<bool>>(false)}));
    return id;
}

void SimKeyboard::removeChangeListener(int id) {
    std::lock_guard<std::mutex> lock(lock_);
    std::erase_if(listeners_, [id](const std::shared_ptr<ChangeListener>& l) {
        if (l->id != id) return false;
        l->alive->store(false);
        return true;
    });
}

// Called under the lock; a listener with a call waiting gets no second one.
void SimKeyboard::changePosts(std::vector<Post>& posts) const {
    for (const auto& l : listeners_) {
        if (l->pending->exchange(true)) continue;
        posts.push_back({l->loop, [alive = l->alive, pending = l->pending, fn = l->fn] {
                             pending->store(false);  // cleared first: a change during fn posts again
                             if (*alive) fn();
                         }});
    }
}

// ---- trace and inspection ----

void SimKeyboard::trace(const char* dir, uint8_t id, const uint8_t* bytes, size_t count) {
    if (!trace_) return;
    *trace_ << dir << ' ' << HexString(&id, 1) << ' ' << HexString(bytes, count) << '\n';
    trace_->flush();  // a trace file is read while the program runs
}

void SimKeyboard::traceTo(std::ostream* out) {
    std::lock_guard<std::mutex> lock(lock_);
    trace_ = out;
    traceFile_.reset();
}

bool SimKeyboard::traceToFile(const std::string& path) {
    auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!*file) return false;
    std::lock_guard<std::mutex> lock(lock_);
    traceFile_ = std::move(file);
    trace_ = traceFile_.get();
    return true;
}

int SimKeyboard::layer() const {
    std::lock_guard<std::mutex> lock(lock_);
    return layer_;
}

SimFirmware SimKeyboard::firmware() const {
    std::lock_guard<std::mutex> lock(lock_);
    return fw_;
}

std::vector<uint8_t> SimKeyboard::commands() const {
    std::lock_guard<std::mutex> lock(lock_);
    return commands_;
}

int SimKeyboard::transferCount() const {
    std::lock_guard<std::mutex> lock(lock_);
    return transfers_;
}

void SimKeyboard::clearHistory() {
    std::lock_guard<std::mutex> lock(lock_);
    commands_.clear();
    transfers_ = 0;
}

// ---- the backend handed to HID access ----

// Forwards to a shared keyboard; its handlers go when it is closed or destroyed.
class SimBackendProxy : public HidBackend {
public:
    explicit SimBackendProxy(std::shared_ptr<SimKeyboard> sim) : sim_(std::move(sim)) {}
    ~SimBackendProxy() override { sim_->release(this); }

    std::vector<HidDeviceRef> copyDevices(const std::vector<HidMatch>& matching) override {
        return sim_->copyDevices(matching);
    }
    int openDevice(HidDevice& dev) override { return sim_->openDevice(dev); }
    int closeDevice(HidDevice& dev) override { return sim_->closeDevice(dev); }
    int setFeatureReport(HidDevice& dev, const uint8_t* report, size_t length) override {
        return sim_->setFeatureReport(dev, report, length);
    }
    int getFeatureReport(HidDevice& dev, uint8_t* report, size_t length) override {
        return sim_->getFeatureReport(dev, report, length);
    }
    void setInputReportHandler(HidDevice& dev, MainLoop& loop, InputReportHandler handler) override {
        sim_->addInputSink(this, dev, loop, std::move(handler));
    }
    void startHotplug(MainLoop& loop, const std::vector<HidMatch>& matching, DeviceHandler onAttach,
                      DeviceHandler onRemove) override {
        sim_->addHotplug(this, loop, matching, std::move(onAttach), std::move(onRemove));
    }
    int close() override {
        sim_->release(this);
        return 0;
    }

private:
    std::shared_ptr<SimKeyboard> sim_;
};

HidBackendFactory SimKeyboardFactory(std::shared_ptr<SimKeyboard> sim) {
    return [sim]() -> std::unique_ptr<HidBackend> { return std::make_unique<SimBackendProxy>(sim); };
}

}  // namespace keyloom
