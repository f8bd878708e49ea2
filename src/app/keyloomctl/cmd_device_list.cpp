// keyloomctl devices: the HID interfaces with the keyboard's ids, which one
// the link would open, and whether this user may open it.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cmd_device.h"
#include "device/HidAccess.h"
#include "report/json_records.h"

namespace keyloom::ctl {
namespace {

std::string Hex(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*x", digits, value);
    return buf;
}

template <typename T>
Json Optional(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

Json OptionalHex(const std::optional<uint32_t>& value, int digits) {
    return value ? Json(Hex(*value, digits)) : Json(nullptr);
}

// The interface hid_open_device would take for the keyboard's table entry.
HidDeviceRef Chosen(const std::vector<HidDeviceRef>& devices) {
    _HID_DEV table[4];
    GetKeyboardDeviceTable(table);
    for (const HidDeviceRef& dev : devices) {
        uint16_t vid = 0, pid = 0;
        int32_t feature = 0;
        get_devid(dev, &vid, &pid);
        get_reportsize(dev, &feature, nullptr, nullptr);
        if (vid == table[0].nVid && pid == table[0].nPid &&
            (table[0].nFeatureSize == -1 || feature == table[0].nFeatureSize))
            return dev;
    }
    return nullptr;
}

// Opens and closes the interface: 0, or the negative errno of the open.
int TryOpen(HidBackend& backend, HidDevice& dev) {
    const int status = backend.openDevice(dev);
    if (status == 0) backend.closeDevice(dev);
    return status;
}

std::string OpenText(int status) {
    if (status == 0) return "ok";
    if (status == -EACCES || status == -EPERM) return "permission denied";
    return std::strerror(-status);
}

Json DeviceJson(const HidDevice& dev, bool chosen, int openStatus) {
    Json j;
    j["node"] = dev.node;
    j["vendorId"] = OptionalHex(dev.vendorId, 4);
    j["productId"] = OptionalHex(dev.productId, 4);
    j["version"] = OptionalHex(dev.version, 4);
    j["product"] = Optional(dev.product);
    j["featureSize"] = Optional(dev.maxFeatureSize);
    j["inputSize"] = Optional(dev.maxInputSize);
    j["outputSize"] = Optional(dev.maxOutputSize);
    j["usagePage"] = OptionalHex(dev.usagePage, 4);
    j["usage"] = OptionalHex(dev.usage, 2);
    j["chosen"] = chosen;
    j["open"] = OpenText(openStatus);
    return j;
}

}  // namespace

int cmd_devices(const Options&, const DeviceOptions& opts) {
    LinkSession session(opts);
    if (!session.ready()) return 1;
    HidBackend* backend = hid_start();
    if (!backend) return fail("Init device access failed.");
    const std::vector<HidDeviceRef> devices = backend->copyDevices({{KEYBOARD_VID, KEYBOARD_PID}});
    const HidDeviceRef chosen = Chosen(devices);

    Json list = Json::array();
    int chosenStatus = -ENODEV;
    for (const HidDeviceRef& dev : devices) {
        const int status = TryOpen(*backend, *dev);
        if (dev == chosen) chosenStatus = status;
        list.push_back(DeviceJson(*dev, dev == chosen, status));
    }
    Json out;
    out["devices"] = list;
    out["chosen"] = chosen ? Json(chosen->node) : Json(nullptr);
    print_json(out);
    hid_stop();

    if (!chosen) return fail("No keyboard found (vendor id 05ac, product id 024f, feature report of 1025 bytes).");
    if (chosenStatus == -EACCES || chosenStatus == -EPERM)
        return fail("No permission to open " + chosen->node +
                    ": install the udev rule 70-keyloom.rules (see README), then plug the keyboard in again.");
    if (chosenStatus != 0) return fail("Cannot open " + chosen->node + ": " + OpenText(chosenStatus));
    return 0;
}

}  // namespace keyloom::ctl
