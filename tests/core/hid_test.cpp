// HID access: finding and opening the keyboard's vendor interface through
// the hidraw backend on a fake sysfs tree, device properties, and the
// manager's life cycle.
#include <gtest/gtest.h>

#include <cerrno>

#include "device/HidAccess.h"
#include "device/HidrawBackend.h"
#include "device/ReportDescriptor.h"
#include "hid_fakes.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::FakeSysfs;

const std::vector<uint8_t> kVendor(kKeyboardVendorDescriptor.begin(), kKeyboardVendorDescriptor.end());

FakeSysfs::Interface Iface(int number, const std::vector<uint8_t>& descriptor,
                           FakeSysfs::Node node = FakeSysfs::Node::File) {
    FakeSysfs::Interface i;
    i.number = number;
    i.descriptor = descriptor;
    i.node = node;
    return i;
}

std::vector<std::string> Containing(const std::vector<std::string>& lines, const std::string& part) {
    std::vector<std::string> found;
    for (const auto& line : lines)
        if (line.find(part) != std::string::npos) found.push_back(line);
    return found;
}

// hid_start makes a hidraw backend on the fake tree; every test stops it.
class HidOpen : public ::testing::Test {
protected:
    void SetUp() override {
        SetHidBackendFactory([this] {
            HidrawOptions options;
            options.paths = HidrawPaths{dir.path(), dir.path()};
            options.open = open;
            return std::make_unique<HidrawBackend>(options);
        });
    }
    void TearDown() override {
        hid_stop();
        SetHidBackendFactory(nullptr);
    }
    // The keyboard's ordinary interfaces: boot keys and media keys.
    void AddOrdinaryInterfaces() {
        sysfs.add(Iface(1, test::kBootKeyboardDescriptor));
        sysfs.add(Iface(2, test::kConsumerDescriptor));
    }
    _HID_DEV* Table() {
        GetKeyboardDeviceTable(table);
        return table;
    }

    test::TempDir dir;
    FakeSysfs sysfs{dir.path()};
    HidrawOpenFunction open;  // empty: open(2)
    _HID_DEV table[4];
};

TEST_F(HidOpen, FindsTheVendorInterfaceAndLogsEveryInterface) {
    AddOrdinaryInterfaces();
    sysfs.add(Iface(3, kVendor));
    sysfs.add(Iface(10, kVendor));  // a second keyboard
    test::LogCapture log;
    ASSERT_TRUE(hid_start());
    ASSERT_TRUE(hid_open_device(Table(), 1));

    ASSERT_TRUE(table[0].hDev);
    EXPECT_EQ(table[0].hDev->node, sysfs.node(3));  // the first one enumerated
    EXPECT_GE(dynamic_cast<HidrawDevice&>(*table[0].hDev).fd.load(), 0);
    EXPECT_EQ(table[0].hDev->lastOpenStatus, 0);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "dev[0]:  vid=05ac, pid=024f, feature=0, in=8, out=1",
                               "dev[1]:  vid=05ac, pid=024f, feature=0, in=3, out=0",
                               "dev[2]:  vid=05ac, pid=024f, feature=1025, in=64, out=0",
                               "find our dev=0x3",
                               "dev[3]:  vid=05ac, pid=024f, feature=1025, in=64, out=0",
                           }));
    EXPECT_TRUE(log.sysLines().empty());
    for (int i = 1; i < 4; ++i) {
        EXPECT_FALSE(table[i].hDev);
        EXPECT_EQ(table[i].nVid, 0u);
        EXPECT_EQ(table[i].nFeatureSize, 0);
    }
    EXPECT_TRUE(hid_close_device(table[0].hDev));
    EXPECT_EQ(GetLastError(), 0);
}

TEST_F(HidOpen, SizeMatchingRules) {
    AddOrdinaryInterfaces();
    ASSERT_TRUE(hid_start());

    // Ordinary interfaces only: found, but none passes the size test.
    ASSERT_TRUE(hid_open_device(Table(), 1));
    EXPECT_FALSE(table[0].hDev);

    // -1 everywhere matches on the ids alone; several entries each take their first match.
    _HID_DEV entries[4] = {
        {nullptr, KEYBOARD_VID, KEYBOARD_PID, 0, 0, -1, -1, -1},
        {nullptr, KEYBOARD_VID, KEYBOARD_PID, 0, 0, -1, 3, -1},
        {nullptr, KEYBOARD_VID, KEYBOARD_PID, 0, 0, 0, 8, 2},  // no interface has a 2-byte output
        {nullptr, 0x1005AC, KEYBOARD_PID, 0, 0, 0, 8, 1},      // only the low 16 bits of an id count
    };
    ASSERT_TRUE(hid_open_device(entries, 4));
    ASSERT_TRUE(entries[0].hDev && entries[1].hDev && entries[3].hDev);
    EXPECT_EQ(entries[0].hDev->node, sysfs.node(1));
    EXPECT_EQ(entries[1].hDev->node, sysfs.node(2));
    EXPECT_FALSE(entries[2].hDev);
    EXPECT_EQ(entries[3].hDev->node, sysfs.node(1));
}

TEST_F(HidOpen, NothingToFind) {
    ASSERT_TRUE(hid_start());
    EXPECT_FALSE(hid_open_device(Table(), 1));  // no interface at all

    FakeSysfs::Interface mouse = Iface(0, test::kBootKeyboardDescriptor);
    mouse.vendor = 0x046D;
    sysfs.add(mouse);
    sysfs.add(Iface(3, kVendor));
    EXPECT_FALSE(hid_open_device(Table(), 0));
    _HID_DEV five[5] = {};
    GetKeyboardDeviceTable(five);
    EXPECT_FALSE(hid_open_device(five, 5));  // the table holds four entries at most
    EXPECT_FALSE(five[0].hDev);

    ASSERT_TRUE(hid_stop());
    EXPECT_FALSE(hid_open_device(Table(), 1));  // no manager
    EXPECT_FALSE(table[0].hDev);
}

TEST_F(HidOpen, FailedOpenKeepsTheDeviceAndItsStatus) {
    AddOrdinaryInterfaces();
    sysfs.add(Iface(3, kVendor, FakeSysfs::Node::Directory));
    test::LogCapture log;
    ASSERT_TRUE(hid_start());
    EXPECT_FALSE(hid_open_device(Table(), 1));
    ASSERT_TRUE(table[0].hDev);
    EXPECT_EQ(table[0].hDev->lastOpenStatus, -EISDIR);
    EXPECT_EQ(log.sysLines(), std::vector<std::string>{"open hid dev[0] fialed!"});
    EXPECT_EQ(Containing(log.lines(), "find our dev=").size(), 1u);

    // A node the user may not open: the status tells the fix apart from a missing node.
    open = [](const char*, int) {
        errno = EACCES;
        return -1;
    };
    ASSERT_TRUE(hid_start());
    EXPECT_FALSE(hid_open_device(Table(), 1));
    ASSERT_TRUE(table[0].hDev);
    EXPECT_EQ(table[0].hDev->lastOpenStatus, -EACCES);
}

TEST_F(HidOpen, DeviceProperties) {
    sysfs.add(Iface(3, kVendor));
    FakeSysfs::Interface bare = Iface(12, {0xC0});  // no sizes, no version, no name
    bare.hidName = std::nullopt;
    bare.usbProduct = std::nullopt;
    bare.bcdDevice = std::nullopt;
    sysfs.add(bare);
    ASSERT_TRUE(hid_start());
    auto devices = hidManager->copyDevices({{KEYBOARD_VID, KEYBOARD_PID}});
    ASSERT_EQ(devices.size(), 2u);

    uint16_t vid = 0, pid = 0;
    int32_t feature = 0, input = 0, output = 0;
    get_devid(devices[0], &vid, &pid);
    get_reportsize(devices[0], &feature, &input, &output);
    EXPECT_EQ(vid, 0x05AC);
    EXPECT_EQ(pid, 0x024F);
    EXPECT_EQ(feature, 1025);
    EXPECT_EQ(input, 64);
    EXPECT_EQ(output, 0);
    EXPECT_EQ(get_bcdDevice(devices[0]), 0x0105u);
    EXPECT_EQ(get_iProduct(devices[0]), "Gaming Keyboard");
    get_devid(devices[0], nullptr, nullptr);  // outputs are optional
    get_reportsize(devices[0], nullptr, &input, nullptr);

    // What cannot be read leaves the caller's value as it was.
    feature = input = output = 7;
    get_reportsize(devices[1], &feature, &input, &output);
    EXPECT_EQ(feature, 7);
    EXPECT_EQ(input, 7);
    EXPECT_EQ(output, 7);
    EXPECT_EQ(get_bcdDevice(devices[1]), 0u);
    EXPECT_FALSE(get_iProduct(devices[1]));
    vid = pid = 9;
    get_devid(nullptr, &vid, &pid);
    get_reportsize(nullptr, &feature, &input, &output);
    EXPECT_EQ(vid, 9);
    EXPECT_EQ(feature, 7);
    EXPECT_EQ(get_bcdDevice(nullptr), 0u);
    EXPECT_FALSE(get_iProduct(nullptr));

    EXPECT_EQ(DeviceLogId(devices[1]), 12u);
    auto sim = std::make_shared<HidDevice>();
    sim->node = "sim:vendor";
    EXPECT_EQ(DeviceLogId(sim), DeviceLogId(sim));
    EXPECT_NE(DeviceLogId(sim), 0u);
    EXPECT_EQ(DeviceLogId(nullptr), 0u);
}

// A backend whose close statuses the test chooses.
class StatusBackend : public HidBackend {
public:
    std::vector<HidDeviceRef> copyDevices(const std::vector<HidMatch>&) override { return {}; }
    int openDevice(HidDevice&) override { return 0; }
    int closeDevice(HidDevice&) override { return deviceCloseStatus; }
    int setFeatureReport(HidDevice&, const uint8_t*, size_t) override { return 0; }
    int getFeatureReport(HidDevice&, uint8_t*, size_t) override { return 0; }
    void setInputReportHandler(HidDevice&, MainLoop&, InputReportHandler) override {}
    void startHotplug(MainLoop&, const std::vector<HidMatch>&, DeviceHandler, DeviceHandler) override {}
    int close() override {
        ++closes;
        return closeStatus;
    }
    int closeStatus = 0;
    int deviceCloseStatus = 0;
    int closes = 0;
};

TEST(HidManager, StartStopAndCloseStatuses) {
    std::vector<StatusBackend*> made;
    SetHidBackendFactory([&] {
        auto backend = std::make_unique<StatusBackend>();
        made.push_back(backend.get());
        return backend;
    });
    EXPECT_TRUE(hid_stop());  // no manager yet

    HidBackend* first = hid_start();
    ASSERT_TRUE(first);
    EXPECT_EQ(hidManager, first);
    HidBackend* second = hid_start();  // closes the first
    EXPECT_NE(second, first);
    EXPECT_EQ(made[0]->closes, 1);

    made[1]->closeStatus = -EIO;
    EXPECT_FALSE(hid_stop());
    EXPECT_EQ(hidManager, second);  // kept after a failed close
    EXPECT_EQ(GetLastError(), -EIO);
    made[1]->closeStatus = 0;
    EXPECT_TRUE(hid_stop());
    EXPECT_EQ(hidManager, nullptr);
    EXPECT_EQ(GetLastError(), 0);

    auto dev = std::make_shared<HidDevice>();
    EXPECT_FALSE(hid_close_device(dev));  // no manager to close it with
    EXPECT_EQ(GetLastError(), -ENODEV);
    ASSERT_TRUE(hid_start());
    made[2]->deviceCloseStatus = -EBADF;
    EXPECT_FALSE(hid_close_device(dev));
    EXPECT_EQ(GetLastError(), -EBADF);
    made[2]->deviceCloseStatus = 0;
    EXPECT_TRUE(hid_close_device(dev));
    EXPECT_EQ(GetLastError(), 0);
    EXPECT_FALSE(hid_close_device(nullptr));

    EXPECT_TRUE(hid_stop());
    SetHidBackendFactory([] { return std::unique_ptr<HidBackend>(); });
    EXPECT_EQ(hid_start(), nullptr);
    SetHidBackendFactory(nullptr);
}

}  // namespace
}  // namespace keyloom
