// The device link: the one object through which the program talks to the
// keyboard. It finds and holds the keyboard's vendor interface, follows it
// being plugged in and out, hands the keyboard's notifications to the window,
// and sends the 1024-byte commands as feature report 9.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "device/HidBackend.h"

namespace keyloom {

class MainLoop;
struct ApplySnapshot;

constexpr uint8_t COMMAND_REPORT_ID = 9;
constexpr int COMMAND_PAYLOAD_SIZE = 1024;
constexpr int COMMAND_REPORT_SIZE = 1025;
constexpr uint8_t NOTIFY_REPORT_ID = 2;

// Commands, the first payload byte.
constexpr uint8_t CMD_KEY_MATRIX = 0x01;
constexpr uint8_t CMD_LIGHTING = 0x02;
constexpr uint8_t CMD_KEY_COLORS = 0x03;
constexpr uint8_t CMD_MACRO_PART1 = 0x04;
constexpr uint8_t CMD_MACRO_PART2 = 0x05;
constexpr uint8_t CMD_DRIVER_ONLINE = 0x0A;

// Receives the keyboard's notifications and the unplug ending; the main window.
class DeviceEvents {
public:
    virtual ~DeviceEvents() = default;
    // A notification [b1, b2, b3] from input report 2.
    virtual void onPoP(uint8_t b1, uint8_t b2, uint8_t b3) = 0;
    // The keyboard was removed and the program does not run without one.
    virtual void onExit() = 0;
    // The link took a keyboard (dev) or lost it (null). Optional.
    virtual void onLinkChanged(const HidDeviceRef& /*dev*/) {}
};

// Receives an apply's progress (40, 60, 80, 100, then 101) and its failure.
class ApplyTarget {
public:
    virtual ~ApplyTarget() = default;
    virtual void updateProgress(int progress) = 0;
    virtual void showError2() = 0;
};

class Dev6120 {
public:
    explicit Dev6120(MainLoop& loop);
    ~Dev6120();
    Dev6120(const Dev6120&) = delete;
    Dev6120& operator=(const Dev6120&) = delete;

    void ClearDev();
    void ClearHandle();
    HidDeviceRef GetDeviceHandle() const;
    void SetHandle(HidDeviceRef dev);
    int GetDataPortSize() const { return COMMAND_PAYLOAD_SIZE; }
    int InitHID();
    int FindHIDDevice();
    int initDev();
    bool SendData(const uint8_t* data, int size);
    bool GetData(uint8_t* buffer, int size);
    bool TellFwDriverOnLine(int flag);
    // Applies a snapshot taken on the main thread; progress goes to target (may be null).
    bool ApplySetting(ApplySnapshot& snapshot, int flag, ApplyTarget* target);
    bool Apply_KB(ApplySnapshot& snapshot, int flag, ApplyTarget* target);

    // Hot-plug and input-report callbacks, on the main loop.
    void DeviceIn(const HidDeviceRef& dev);
    void DeviceOut(const HidDeviceRef& dev);
    void InputReportCallback(uint8_t reportId, const uint8_t* data, size_t length);

    MainLoop& loop() const { return loop_; }

    HidBackend* hid_manager = nullptr;
    int32_t nWaitTm = 0;
    std::atomic<int32_t> m_bReset{0};

private:
    void watchInputReports(const HidDeviceRef& dev);

    MainLoop& loop_;
    HidDeviceRef hDev;          // guarded by rwLock: the worker reads it per transfer
    mutable std::mutex rwLock;  // held for one transfer, and while the handle changes
    bool ended_ = false;        // the unplug ending was requested; it happens once
};

// The one link of the process, and the window that receives its notifications.
extern std::unique_ptr<Dev6120> devMs;
extern DeviceEvents* mainView;

// Suspends the calling thread, for ms scaled by the pause scale.
void mySleep(int ms);
// The pause scale in percent (100 normal). Only benchmarks change it, to
// measure an apply without its fixed pauses; the program never does.
void SetPauseScalePercent(int percent);

}  // namespace keyloom
