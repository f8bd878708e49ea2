#include "device/Dev6120.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "base/PublicLib.h"
#include "base/debug.h"
#include "config/gvar.h"
#include "config/language.h"
#include "device/HidAccess.h"
#include "device/MainLoop.h"

namespace keyloom {

std::unique_ptr<Dev6120> devMs;
DeviceEvents* mainView = nullptr;

namespace {

constexpr int kAttempts = 3;
constexpr int kSendRetryMs = 100;
constexpr int kGetRetryMs = 50;
constexpr int kNotifyBytes = 3;  // b1, b2, b3 after the report id

std::atomic<int> g_pausePercent{100};

}  // namespace

void mySleep(int ms) {
    const long scaled = static_cast<long>(ms) * g_pausePercent.load() / 100;
    if (scaled > 0) std::this_thread::sleep_for(std::chrono::milliseconds(scaled));
}

void SetPauseScalePercent(int percent) { g_pausePercent = percent < 0 ? 0 : percent; }

Dev6120::Dev6120(MainLoop& loop) : loop_(loop) {}

// The backend holds callbacks into this object: they go with it.
Dev6120::~Dev6120() {
    ClearHandle();
    if (hid_manager != nullptr && hid_manager == hidManager) hid_stop();
}

void Dev6120::ClearDev() {
    ClearHandle();
    hid_stop();
    hid_manager = nullptr;
}

// Under the lock, so a removal never closes a handle a transfer is using.
void Dev6120::ClearHandle() {
    std::lock_guard<std::mutex> lock(rwLock);
    if (!hDev) return;
    hid_close_device(hDev);
    hDev = nullptr;
}

HidDeviceRef Dev6120::GetDeviceHandle() const {
    std::lock_guard<std::mutex> lock(rwLock);
    return hDev;
}

void Dev6120::SetHandle(HidDeviceRef dev) {
    std::lock_guard<std::mutex> lock(rwLock);
    hDev = std::move(dev);
}

int Dev6120::InitHID() {
    if (hid_manager == nullptr) hid_manager = hid_start();
    if (hid_manager == nullptr) return 0;
    hid_manager->startHotplug(
        loop_, {{KEYBOARD_VID, KEYBOARD_PID}}, [this](const HidDeviceRef& dev) { DeviceIn(dev); },
        [this](const HidDeviceRef& dev) { DeviceOut(dev); });
    return 1;
}

int Dev6120::FindHIDDevice() {
    _HID_DEV table[4];
    GetKeyboardDeviceTable(table);
    if (!hid_open_device(table, 1)) return 0;
    SetHandle(table[0].hDev);
    LOG("hDev=0x%x", DeviceLogId(table[0].hDev));
    nWaitTm = 25;
    // Interfaces with the keyboard's ids but without its vendor interface are
    // no keyboard to talk to: start-up must see that.
    if (!table[0].hDev) return 0;
    const int result = initDev();
    watchInputReports(table[0].hDev);
    if (mainView) mainView->onLinkChanged(table[0].hDev);
    return result;
}

int Dev6120::initDev() { return 1; }

void Dev6120::watchInputReports(const HidDeviceRef& dev) {
    if (!hid_manager || !dev) return;
    hid_manager->setInputReportHandler(*dev, loop_, [this](uint8_t reportId, const uint8_t* data, size_t length) {
        InputReportCallback(reportId, data, length);
    });
}

bool Dev6120::SendData(const uint8_t* data, int size) {
    if (size < 0 || size > COMMAND_PAYLOAD_SIZE || (data == nullptr && size > 0)) return false;
    if (!GetDeviceHandle()) return false;
    uint8_t report[COMMAND_REPORT_SIZE] = {COMMAND_REPORT_ID};
    if (size > 0) std::memcpy(report + 1, data, static_cast<size_t>(size));
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int status = -ENODEV;
        {
            std::lock_guard<std::mutex> lock(rwLock);
            if (hDev && hid_manager) status = hid_manager->setFeatureReport(*hDev, report, sizeof report);
        }
        if (status == 0) return true;
        hid_error = status;
        mySleep(kSendRetryMs);  // outside the lock: a removal may close the handle meanwhile
    }
    return false;
}

bool Dev6120::GetData(uint8_t* buffer, int size) {
    if (size < 0 || size > COMMAND_PAYLOAD_SIZE || (buffer == nullptr && size > 0)) return false;
    if (!GetDeviceHandle()) return false;
    uint8_t report[COMMAND_REPORT_SIZE] = {COMMAND_REPORT_ID};
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int status = -ENODEV;
        {
            std::lock_guard<std::mutex> lock(rwLock);
            if (hDev && hid_manager) status = hid_manager->getFeatureReport(*hDev, report, sizeof report);
        }
        if (status == 0) {
            if (size > 0) std::memcpy(buffer, report + 1, static_cast<size_t>(size));
            return true;
        }
        hid_error = status;
        mySleep(kGetRetryMs);
    }
    return false;
}

bool Dev6120::TellFwDriverOnLine(int flag) {
    const uint8_t payload[2] = {CMD_DRIVER_ONLINE, static_cast<uint8_t>(flag != 0 ? 1 : 0)};
    return SendData(payload, sizeof payload);
}

// ---- hot-plug and notifications, on the main loop ----

void Dev6120::DeviceIn(const HidDeviceRef& dev) {
    if (!dev) return;
    uint16_t vid = 0, pid = 0;
    get_devid(dev, &vid, &pid);
    LOG("DevIN: vid=%04x, pid=%04x", vid, pid);
    if (vid != KEYBOARD_VID || pid != KEYBOARD_PID) return;
    if (SameDevice(GetDeviceHandle(), dev)) return;
    int32_t feature = 0, input = 0, output = 0;
    get_reportsize(dev, &feature, &input, &output);
    if (feature != KEYBOARD_FEATURE_SIZE) return;
    if (!hid_manager || hid_manager->openDevice(*dev) != 0) return;

    {
        // A second keyboard takes over the link; the first one's handle is
        // closed rather than left open.
        std::lock_guard<std::mutex> lock(rwLock);
        if (hDev) hid_close_device(hDev);
        hDev = dev;
    }
    ended_ = false;
    if (initDev() == 1) LOG("DevIN: Find OK, new dev=0x%x", DeviceLogId(dev));
    // A keyboard plugged in again reports its layer switches and knob as before.
    watchInputReports(dev);
    if (mainView) mainView->onLinkChanged(dev);
}

void Dev6120::DeviceOut(const HidDeviceRef& dev) {
    if (SameDevice(GetDeviceHandle(), dev)) {
        LOG("DevOUT: dev=0x%x", DeviceLogId(dev));
        ClearHandle();
        if (mainView) mainView->onLinkChanged(nullptr);
    }
    if (GetDeviceHandle()) return;  // another interface or keyboard went
    if (gVar.Suwnd != 0) return;    // the program runs on without a keyboard
    // Each interface of the keyboard is removed on its own: end only once.
    if (ended_) return;
    ended_ = true;
    PubLib::showSystemMessage(GetText("tc_msg15"), "Warning", nullptr, nullptr);
    if (mainView) mainView->onExit();
}

void Dev6120::InputReportCallback(uint8_t reportId, const uint8_t* data, size_t length) {
    LOG("reportID=%d, reportLength=%ld", reportId, static_cast<long>(length));
    if (reportId != NOTIFY_REPORT_ID) return;
    // data[0] is the report id; a report too short to hold the event carries none.
    if (data == nullptr || length < 1 + kNotifyBytes) return;
    const uint8_t b1 = data[1], b2 = data[2], b3 = data[3];
    LOG("Pop=%x,%x,%x", b1, b2, b3);
    if (mainView) mainView->onPoP(b1, b2, b3);
}

}  // namespace keyloom
