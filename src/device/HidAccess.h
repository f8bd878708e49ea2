// HID access: the one backend of the process, finding and opening the
// keyboard's vendor interface from a table of device descriptions, device
// properties, and the status of the last failed operation.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "device/HidBackend.h"

namespace keyloom {

struct _HID_DEV {
    HidDeviceRef hDev;  // out: the interface chosen for this entry; null on input
    uint32_t nVid;
    uint32_t nPid;
    uint32_t nUsagePage;  // carried, not matched
    uint32_t nUsage;      // carried, not matched
    int32_t nFeatureSize;  // -1: any
    int32_t nInputSize;
    int32_t nOutputSize;
};

constexpr uint32_t KEYBOARD_VID = 0x05AC;
constexpr uint32_t KEYBOARD_PID = 0x024F;
constexpr int32_t KEYBOARD_FEATURE_SIZE = 1025;

// The keyboard's table: only the first entry is used.
void GetKeyboardDeviceTable(_HID_DEV table[4]);

// The backend hid_start creates; by default the hidraw backend.
using HidBackendFactory = std::function<std::unique_ptr<HidBackend>()>;
void SetHidBackendFactory(HidBackendFactory factory);

extern HidBackend* hidManager;      // null before hid_start and after hid_stop
extern std::atomic<int32_t> hid_error;

HidBackend* hid_start();
bool hid_stop();
bool hid_open_device(_HID_DEV* table, int count);
bool hid_close_device(const HidDeviceRef& dev);
void get_devid(const HidDeviceRef& dev, uint16_t* vid, uint16_t* pid);
void get_reportsize(const HidDeviceRef& dev, int32_t* feature, int32_t* input, int32_t* output);
uint32_t get_bcdDevice(const HidDeviceRef& dev);
std::optional<std::string> get_iProduct(const HidDeviceRef& dev);
int32_t GetLastError();
// The number log lines print for a device ("find our dev=0x%x"): the hidraw
// number of a hidraw node, else a hash of the node; 0 for none.
uint32_t DeviceLogId(const HidDeviceRef& dev);

}  // namespace keyloom
