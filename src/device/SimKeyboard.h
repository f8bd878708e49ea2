// The simulated keyboard: an in-process stand-in for the real one behind the
// same backend interface as hidraw. It presents the keyboard's vendor
// interface and its ordinary keyboard interface (same ids, other report sizes),
// decodes every command it receives into a firmware state, and can be told to
// fail, delay or hold transfers, to be unplugged and plugged again, and to send
// the keyboard's notifications. The tests drive it, and --simulate plugs it in.
//
// Transfers arrive on the apply worker while tests and --simulate controls run
// on other threads: every public member is safe from any thread. Hot-plug and
// input-report handlers always run on the loop they were registered with.
#pragma once
#include <array>
#include <condition_variable>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "device/HidAccess.h"
#include "device/HidBackend.h"
#include "device/SimFirmware.h"

namespace keyloom {

constexpr const char* SIM_VENDOR_NODE = "sim:vendor";
constexpr const char* SIM_KEYBOARD_NODE = "sim:keyboard";
constexpr const char* SIM_PRODUCT_NAME = "keyloom simulated keyboard";
constexpr uint32_t SIM_VERSION = 0x0100;

class SimKeyboard : public HidBackend {
public:
    SimKeyboard();
    ~SimKeyboard() override;
    SimKeyboard(const SimKeyboard&) = delete;
    SimKeyboard& operator=(const SimKeyboard&) = delete;

    // HidBackend. Enumeration gives "sim:keyboard" first, then "sim:vendor".
    // Feature reports go to the vendor interface only (report id 9, up to 1025
    // bytes, a shorter one is zero-filled); elsewhere they fail with -EPIPE.
    // Handles from before an unplug fail with -ENODEV, closed ones with -EBADF.
    std::vector<HidDeviceRef> copyDevices(const std::vector<HidMatch>& matching) override;
    int openDevice(HidDevice& dev) override;
    int closeDevice(HidDevice& dev) override;
    int setFeatureReport(HidDevice& dev, const uint8_t* report, size_t length) override;
    int getFeatureReport(HidDevice& dev, uint8_t* report, size_t length) override;
    // Input reports reach the handler whole: data[0] is the report id.
    void setInputReportHandler(HidDevice& dev, MainLoop& loop, InputReportHandler handler) override;
    void startHotplug(MainLoop& loop, const std::vector<HidMatch>& matching, DeviceHandler onAttach,
                      DeviceHandler onRemove) override;
    int close() override;

    // Faults. Each counts down per feature transfer that reaches an open handle;
    // `after` transfers pass untouched first.
    void failNextTransfers(int count, int error, int after = 0);  // error: an errno, either sign
    void delayNextTransfers(int count, int ms);
    // While held, transfers wait inside the keyboard until released, so a test
    // can act while one is in progress without sleeping.
    void holdTransfers(int after = 0);
    void releaseTransfers();
    bool waitForHeldTransfer(int timeoutMs);  // true once a transfer is waiting

    // Removal and attach of both interfaces, told to the hot-plug handlers.
    // False when the keyboard already was in that state.
    bool unplug();
    bool plug();
    bool isPlugged() const;

    // Notifications: input report 2 of the vendor interface's input size
    // (64 bytes with the id), starting [2, b1, b2, b3]. False when nothing
    // was sent (unplugged, or an argument out of range).
    bool sendLayer(int layer);  // 1..3
    bool knobOpened();
    bool knobMoved(int set);  // 0..7
    bool knobConfirmed();
    bool sendInputReport(uint8_t reportId, const std::vector<uint8_t>& bytes);  // exactly these bytes

    // Wire trace, one line per report: "SET 09 <hex>", "GET 09 <hex>", "IN 02 <hex>".
    void traceTo(std::ostream* out);  // not owned; null stops the trace
    bool traceToFile(const std::string& path);

    // Change listeners, for a view of the keyboard that must not poll: fn is
    // posted to loop after each command received, plug, unplug and
    // notification sent. Changes coalesce: while a call is waiting in the loop
    // no second one is posted, and the call reads the state as it is then.
    // Returns an id for removeChangeListener; after removal no call of it runs.
    // Remove a listener before its loop goes.
    int onChanged(MainLoop& loop, std::function<void()> fn);
    void removeChangeListener(int id);

    // The layer the keyboard last switched to with sendLayer (1..3; 1 at first).
    int layer() const;

    SimFirmware firmware() const;
    std::vector<uint8_t> commands() const;  // command bytes received, in order
    int transferCount() const;              // feature transfers attempted on open handles
    void clearHistory();                    // forgets commands and the transfer count

private:
    friend class SimBackendProxy;
    struct HotplugReg;
    struct InputSink;
    struct Post;
    struct ChangeListener;

    // Registrations belong to the backend object they were made through, so
    // closing one backend forgets only its own handlers.
    void addInputSink(const void* owner, HidDevice& dev, MainLoop& loop, InputReportHandler handler);
    void addHotplug(const void* owner, MainLoop& loop, const std::vector<HidMatch>& matching,
                    DeviceHandler onAttach, DeviceHandler onRemove);
    void release(const void* owner);

    bool sendNotification(uint8_t b1, uint8_t b2, uint8_t b3);
    int beginTransfer(HidDevice& dev, std::unique_lock<std::mutex>& lock, const uint8_t* report, size_t length);
    int takeFaults(std::unique_lock<std::mutex>& lock);
    void receiveReport(const uint8_t* report, size_t length);
    void answerReport(uint8_t* report, size_t length);
    bool current(const HidDevice& dev) const;
    HidDeviceRef makeInterface(int index) const;
    void hotplugPosts(bool attach, const std::vector<std::shared_ptr<HotplugReg>>& regs,
                      std::vector<Post>& posts) const;
    void trace(const char* dir, uint8_t id, const uint8_t* bytes, size_t count);
    void changePosts(std::vector<Post>& posts) const;

    mutable std::mutex lock_;
    std::condition_variable gate_;
    bool plugged_ = true;
    int layer_ = 1;
    uint64_t generation_ = 1;  // bumped by each unplug: older handles are dead

    SimFirmware fw_;
    std::array<uint8_t, SIM_PAYLOAD_SIZE + 1> lastReport_{};
    std::vector<uint8_t> commands_;
    int transfers_ = 0;

    int failCount_ = 0;
    int failAfter_ = 0;
    int holdAfter_ = 0;
    int failError_ = 0;
    int delayCount_ = 0;
    int delayMs_ = 0;
    bool holding_ = false;
    int held_ = 0;

    std::vector<std::shared_ptr<HotplugReg>> hotplug_;
    std::vector<std::shared_ptr<InputSink>> sinks_;
    std::vector<std::shared_ptr<ChangeListener>> listeners_;
    int nextListenerId_ = 1;

    std::ostream* trace_ = nullptr;
    std::unique_ptr<std::ofstream> traceFile_;
};

// A factory for SetHidBackendFactory: each backend it makes drives `sim`,
// which the caller keeps to steer and inspect.
HidBackendFactory SimKeyboardFactory(std::shared_ptr<SimKeyboard> sim);

}  // namespace keyloom
