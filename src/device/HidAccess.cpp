// HID access over the process's one backend: start and stop, finding and
// opening the keyboard's vendor interface from a table of descriptions, and
// reading device properties.
#include "device/HidAccess.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/debug.h"
#include "device/HidrawBackend.h"

namespace keyloom {

HidBackend* hidManager = nullptr;
std::atomic<int32_t> hid_error{0};

namespace {

constexpr int kMaxTableEntries = 4;

HidBackendFactory& Factory() {
    static HidBackendFactory factory;
    return factory;
}

// Stopped backends are kept, never released: the link may still hold a
// pointer to one, and a device may still refer to it.
std::vector<std::unique_ptr<HidBackend>>& Backends() {
    static auto* backends = new std::vector<std::unique_ptr<HidBackend>>;
    return *backends;
}

bool SizeMatches(int32_t wanted, int32_t actual) { return wanted == -1 || wanted == actual; }

bool EntryMatches(const _HID_DEV& entry, uint16_t vid, uint16_t pid, int32_t feature, int32_t input,
                  int32_t output) {
    return (entry.nVid & 0xFFFF) == vid && (entry.nPid & 0xFFFF) == pid && SizeMatches(entry.nFeatureSize, feature) &&
           SizeMatches(entry.nInputSize, input) && SizeMatches(entry.nOutputSize, output);
}

// Offers every device to the entries still empty; the first match wins.
void AssignDevices(_HID_DEV* table, int count, const std::vector<HidDeviceRef>& devices) {
    for (size_t i = 0; i < devices.size(); ++i) {
        const HidDeviceRef& dev = devices[i];
        uint16_t vid = 0, pid = 0;
        int32_t feature = 0, input = 0, output = 0;
        get_devid(dev, &vid, &pid);
        get_reportsize(dev, &feature, &input, &output);
        LOG("dev[%d]:  vid=%04x, pid=%04x, feature=%d, in=%d, out=%d", static_cast<int>(i), vid, pid, feature, input,
            output);
        for (int j = 0; j < count; ++j) {
            if (table[j].hDev || !EntryMatches(table[j], vid, pid, feature, input, output)) continue;
            table[j].hDev = dev;
            LOG("find our dev=0x%x", DeviceLogId(dev));
        }
    }
}

}  // namespace

void GetKeyboardDeviceTable(_HID_DEV table[4]) {
    for (int i = 0; i < kMaxTableEntries; ++i) table[i] = _HID_DEV{nullptr, 0, 0, 0, 0, 0, 0, 0};
    table[0] = _HID_DEV{nullptr, KEYBOARD_VID, KEYBOARD_PID, 0xFF00, 0x0001, KEYBOARD_FEATURE_SIZE, -1, -1};
}

void SetHidBackendFactory(HidBackendFactory factory) { Factory() = std::move(factory); }

HidBackend* hid_start() {
    if (hidManager) hid_stop();
    std::unique_ptr<HidBackend> backend = Factory() ? Factory()() : std::make_unique<HidrawBackend>();
    hidManager = backend.get();
    if (backend) Backends().push_back(std::move(backend));
    return hidManager;
}

bool hid_stop() {
    if (!hidManager) return true;
    const int status = hidManager->close();
    hid_error = status;
    if (status != 0) return false;
    hidManager = nullptr;
    return true;
}

bool hid_open_device(_HID_DEV* table, int count) {
    if (count > kMaxTableEntries) return false;
    if (table == nullptr || count <= 0 || hidManager == nullptr) return false;

    std::vector<HidMatch> matching;
    for (int j = 0; j < count; ++j) matching.push_back({table[j].nVid & 0xFFFF, table[j].nPid & 0xFFFF});
    const std::vector<HidDeviceRef> devices = hidManager->copyDevices(matching);
    if (devices.empty()) return false;
    AssignDevices(table, count, devices);

    bool ok = true;
    for (int j = 0; j < count; ++j) {
        if (!table[j].hDev) continue;
        const int status = hidManager->openDevice(*table[j].hDev);
        table[j].hDev->lastOpenStatus = status;
        if (status != 0) {
            SysLog("open hid dev[%d] fialed!", j);
            ok = false;
        }
    }
    return ok;
}

bool hid_close_device(const HidDeviceRef& dev) {
    if (!dev) return false;
    const int status = hidManager ? hidManager->closeDevice(*dev) : -ENODEV;
    hid_error = status;
    return status == 0;
}

void get_devid(const HidDeviceRef& dev, uint16_t* vid, uint16_t* pid) {
    if (!dev) return;
    if (vid && dev->vendorId) *vid = static_cast<uint16_t>(*dev->vendorId & 0xFFFF);
    if (pid && dev->productId) *pid = static_cast<uint16_t>(*dev->productId & 0xFFFF);
}

void get_reportsize(const HidDeviceRef& dev, int32_t* feature, int32_t* input, int32_t* output) {
    if (!dev) return;
    if (feature && dev->maxFeatureSize) *feature = *dev->maxFeatureSize;
    if (input && dev->maxInputSize) *input = *dev->maxInputSize;
    if (output && dev->maxOutputSize) *output = *dev->maxOutputSize;
}

uint32_t get_bcdDevice(const HidDeviceRef& dev) { return dev && dev->version ? *dev->version : 0; }

std::optional<std::string> get_iProduct(const HidDeviceRef& dev) {
    return dev ? dev->product : std::nullopt;
}

int32_t GetLastError() { return hid_error.load(); }

uint32_t DeviceLogId(const HidDeviceRef& dev) {
    if (!dev) return 0;
    const std::string& node = dev->node;
    size_t digits = node.size();
    while (digits > 0 && node[digits - 1] >= '0' && node[digits - 1] <= '9') --digits;
    if (digits < node.size() && node.size() - digits <= 9) return static_cast<uint32_t>(std::atoi(node.c_str() + digits));
    uint32_t hash = 2166136261u;  // FNV-1a: stable across runs, unlike a pointer
    for (unsigned char c : node) hash = (hash ^ c) * 16777619u;
    return hash;
}

}  // namespace keyloom
