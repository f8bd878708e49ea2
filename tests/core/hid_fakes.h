// Fakes for the HID tests:
//   kBootKeyboardDescriptor, kConsumerDescriptor - real report descriptors;
//   FakeSysfs - lays out hidraw interfaces under a root as sysfs shows them;
//   FakeLoop  - a MainLoop whose posted calls and watches the test runs by hand.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/MainLoop.h"

namespace keyloom::test {

// The boot keyboard of the HID class definition: 8-byte input (modifiers,
// reserved byte, six key codes) and the 1-byte LED output report.
inline const std::vector<uint8_t> kBootKeyboardDescriptor = {
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x06,  // Usage (Keyboard)
    0xA1, 0x01,  // Collection (Application)
    0x05, 0x07,  //   Usage Page (Keyboard)
    0x19, 0xE0,  //   Usage Minimum (224)
    0x29, 0xE7,  //   Usage Maximum (231)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x01,  //   Logical Maximum (1)
    0x75, 0x01,  //   Report Size (1)
    0x95, 0x08,  //   Report Count (8)
    0x81, 0x02,  //   Input (Data, Variable, Absolute): modifiers
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x08,  //   Report Size (8)
    0x81, 0x01,  //   Input (Constant): reserved
    0x95, 0x05,  //   Report Count (5)
    0x75, 0x01,  //   Report Size (1)
    0x05, 0x08,  //   Usage Page (LEDs)
    0x19, 0x01,  //   Usage Minimum (1)
    0x29, 0x05,  //   Usage Maximum (5)
    0x91, 0x02,  //   Output (Data, Variable, Absolute): LEDs
    0x95, 0x01,  //   Report Count (1)
    0x75, 0x03,  //   Report Size (3)
    0x91, 0x01,  //   Output (Constant): padding
    0x95, 0x06,  //   Report Count (6)
    0x75, 0x08,  //   Report Size (8)
    0x15, 0x00,  //   Logical Minimum (0)
    0x25, 0x65,  //   Logical Maximum (101)
    0x05, 0x07,  //   Usage Page (Keyboard)
    0x19, 0x00,  //   Usage Minimum (0)
    0x29, 0x65,  //   Usage Maximum (101)
    0x81, 0x00,  //   Input (Data, Array): key codes
    0xC0,        // End Collection
};

// A keyboard's media interface: consumer control as report 3 (one 16-bit
// usage) and system control as report 4 (three bits and padding).
inline const std::vector<uint8_t> kConsumerDescriptor = {
    0x05, 0x0C,        // Usage Page (Consumer)
    0x09, 0x01,        // Usage (Consumer Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x03,        //   Report ID (3)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x03,  //   Logical Maximum (1023)
    0x19, 0x00,        //   Usage Minimum (0)
    0x2A, 0xFF, 0x03,  //   Usage Maximum (1023)
    0x75, 0x10,        //   Report Size (16)
    0x95, 0x01,        //   Report Count (1)
    0x81, 0x00,        //   Input (Data, Array)
    0xC0,              // End Collection
    0x05, 0x01,        // Usage Page (Generic Desktop)
    0x09, 0x80,        // Usage (System Control)
    0xA1, 0x01,        // Collection (Application)
    0x85, 0x04,        //   Report ID (4)
    0x19, 0x81,        //   Usage Minimum (System Power Down)
    0x29, 0x83,        //   Usage Maximum (System Wake Up)
    0x15, 0x00,        //   Logical Minimum (0)
    0x25, 0x01,        //   Logical Maximum (1)
    0x75, 0x01,        //   Report Size (1)
    0x95, 0x03,        //   Report Count (3)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x95, 0x05,        //   Report Count (5)
    0x81, 0x01,        //   Input (Constant): padding
    0xC0,              // End Collection
};

// hidraw interfaces as sysfs shows them: sys/class/hidraw/hidrawN/device is a
// link to the HID device directory (uevent, report_descriptor) below its USB
// interface, whose parent USB device holds bcdDevice and product.
class FakeSysfs {
public:
    enum class Node { File, Directory, Missing };
    struct Interface {
        int number = 0;
        uint32_t bus = 0x0003;
        uint32_t vendor = 0x05AC;
        uint32_t product = 0x024F;
        std::vector<uint8_t> descriptor;
        std::optional<std::string> hidName = "Keyloom Keyboard";
        std::optional<std::string> bcdDevice = "0105";  // as sysfs prints it
        std::optional<std::string> usbProduct = "Gaming Keyboard";
        Node node = Node::File;
    };

    explicit FakeSysfs(std::string root) : root_(std::move(root)) {
        std::filesystem::create_directories(root_ + "/sys/class/hidraw");
        std::filesystem::create_directories(root_ + "/dev");
    }

    void add(const Interface& i) {
        namespace fs = std::filesystem;
        const std::string n = std::to_string(i.number);
        const std::string usb = root_ + "/sys/devices/pci0000:00/usb1/1-" + n;
        const std::string hid = usb + "/1-" + n + ":1.0/0003:05AC:024F.000" + n;
        fs::create_directories(hid + "/hidraw/hidraw" + n);
        char id[64];
        std::snprintf(id, sizeof id, "HID_ID=%04X:%08X:%08X\n", i.bus, i.vendor, i.product);
        std::string uevent = "DRIVER=hid-generic\n" + std::string(id);
        if (i.hidName) uevent += "HID_NAME=" + *i.hidName + "\n";
        uevent += "HID_PHYS=usb-0000:00:14.0-" + n + "/input0\nMODALIAS=hid:b0003g0001v000005ACp0000024F\n";
        write(hid + "/uevent", uevent);
        write(hid + "/report_descriptor", std::string(i.descriptor.begin(), i.descriptor.end()));
        if (i.bcdDevice) write(usb + "/bcdDevice", *i.bcdDevice + "\n");
        if (i.usbProduct) write(usb + "/product", *i.usbProduct + "\n");
        const std::string entry = root_ + "/sys/class/hidraw/hidraw" + n;
        fs::create_directories(entry);
        fs::create_directory_symlink(hid, entry + "/device");
        if (i.node == Node::File) write(node(i.number), "");
        if (i.node == Node::Directory) fs::create_directories(node(i.number));
    }

    void remove(int number) {
        std::filesystem::remove_all(root_ + "/sys/class/hidraw/hidraw" + std::to_string(number));
    }

    std::string node(int number) const { return root_ + "/dev/hidraw" + std::to_string(number); }
    const std::string& root() const { return root_; }

    static void write(const std::string& path, const std::string& data) {
        std::ofstream(path, std::ios::binary) << data;
    }

private:
    std::string root_;
};

// Posted calls wait in `posted` until runPosted(); a watch runs when the test
// fires it.
class FakeLoop : public MainLoop {
public:
    struct Watch {
        int fd;
        std::function<void(short)> onReady;
    };

    void post(std::function<void()> fn) override { posted.push_back(std::move(fn)); }
    int watchFd(int fd, std::function<void(short)> onReady) override {
        watches[++nextId_] = Watch{fd, std::move(onReady)};
        return nextId_;
    }
    void unwatchFd(int watchId) override { watches.erase(watchId); }
    int addTimer(int, bool, std::function<void()>) override { return ++nextId_; }
    void cancelTimer(int) override {}

    void runPosted() {
        auto batch = std::move(posted);
        posted.clear();
        for (auto& fn : batch) fn();
    }
    // Runs the watch on fd as poll() would with `revents`; false when none.
    bool fire(int fd, short revents) {
        for (auto& [id, watch] : watches) {
            if (watch.fd != fd) continue;
            auto onReady = watch.onReady;  // the handler may remove its own watch
            onReady(revents);
            return true;
        }
        return false;
    }
    bool watching(int fd) const {
        for (const auto& [id, watch] : watches)
            if (watch.fd == fd) return true;
        return false;
    }

    std::vector<std::function<void()>> posted;
    std::map<int, Watch> watches;

private:
    int nextId_ = 0;
};

}  // namespace keyloom::test
