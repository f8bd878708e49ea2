// The hidraw backend on a fake sysfs tree: enumeration, open and close,
// failing feature reports, input reports and hot-plug.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include "device/HidrawBackend.h"
#include "device/ReportDescriptor.h"
#include "hid_fakes.h"
#include "test_support.h"

namespace keyloom {
namespace {

using test::FakeLoop;
using test::FakeSysfs;

const std::vector<HidMatch> kKeyboard = {{0x05AC, 0x024F}};
const std::vector<uint8_t> kVendor(kKeyboardVendorDescriptor.begin(), kKeyboardVendorDescriptor.end());

FakeSysfs::Interface Iface(int number, const std::vector<uint8_t>& descriptor) {
    FakeSysfs::Interface i;
    i.number = number;
    i.descriptor = descriptor;
    return i;
}

std::vector<std::string> Nodes(const std::vector<HidDeviceRef>& devices) {
    std::vector<std::string> nodes;
    for (const auto& d : devices) nodes.push_back(d->node);
    return nodes;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Hidraw : public ::testing::Test {
protected:
    HidrawOptions Options() {
        HidrawOptions options;
        options.paths = HidrawPaths{dir.path(), dir.path()};
        return options;
    }
    test::TempDir dir;
    FakeSysfs sysfs{dir.path()};
};

TEST_F(Hidraw, EnumeratesMatchingInterfacesInNumberOrder) {
    FakeSysfs::Interface mouse = Iface(0, test::kBootKeyboardDescriptor);
    mouse.vendor = 0x046D;
    mouse.product = 0xC077;
    sysfs.add(mouse);
    sysfs.add(Iface(1, test::kBootKeyboardDescriptor));
    sysfs.add(Iface(2, test::kConsumerDescriptor));
    sysfs.add(Iface(3, kVendor));
    FakeSysfs::Interface second = Iface(10, kVendor);
    second.bcdDevice = "0210";
    second.usbProduct = std::nullopt;  // the product name then comes from HID_NAME
    sysfs.add(second);
    FakeSysfs::Interface bluetooth = Iface(11, kVendor);
    bluetooth.bus = 0x0005;
    sysfs.add(bluetooth);
    FakeSysfs::Interface bare = Iface(12, {0xC0});  // a descriptor that does not parse
    bare.hidName = std::nullopt;
    bare.usbProduct = std::nullopt;
    bare.bcdDevice = std::nullopt;
    sysfs.add(bare);
    FakeSysfs::write(dir.file("sys/class/hidraw/README"), "not an interface");
    std::filesystem::create_directories(dir.file("sys/class/hidraw/hidraw20"));  // no device link

    HidrawBackend backend(Options());
    const auto devices = backend.copyDevices(kKeyboard);
    ASSERT_EQ(Nodes(devices), (std::vector<std::string>{sysfs.node(1), sysfs.node(2), sysfs.node(3), sysfs.node(10),
                                                         sysfs.node(11), sysfs.node(12)}));

    const HidDevice& boot = *devices[0];
    EXPECT_EQ(boot.vendorId, 0x05ACu);
    EXPECT_EQ(boot.productId, 0x024Fu);
    EXPECT_EQ(boot.version, 0x0105u);
    EXPECT_EQ(boot.product, "Gaming Keyboard");
    EXPECT_EQ(boot.maxInputSize, 8);
    EXPECT_EQ(boot.maxOutputSize, 1);
    EXPECT_EQ(boot.maxFeatureSize, 0);
    EXPECT_EQ(boot.usagePage, 0x01u);
    EXPECT_FALSE(dynamic_cast<const HidrawDevice&>(boot).usesReportIds);

    const HidDevice& vendor = *devices[2];
    EXPECT_EQ(vendor.maxFeatureSize, 1025);
    EXPECT_EQ(vendor.maxInputSize, 64);
    EXPECT_EQ(vendor.usagePage, 0xFF00u);
    EXPECT_EQ(vendor.usage, 0x01u);
    EXPECT_TRUE(dynamic_cast<const HidrawDevice&>(vendor).usesReportIds);

    EXPECT_EQ(devices[3]->version, 0x0210u);
    EXPECT_EQ(devices[3]->product, "Keyloom Keyboard");
    EXPECT_FALSE(devices[4]->version);  // not on USB: no bcdDevice is looked for
    EXPECT_EQ(devices[4]->product, "Keyloom Keyboard");
    EXPECT_EQ(devices[5]->vendorId, 0x05ACu);
    EXPECT_FALSE(devices[5]->version);
    EXPECT_FALSE(devices[5]->product);
    EXPECT_FALSE(devices[5]->maxFeatureSize);
    EXPECT_FALSE(devices[5]->usagePage);

    EXPECT_TRUE(backend.copyDevices({}).empty());
    EXPECT_EQ(Nodes(backend.copyDevices({{0x046D, 0xC077}})), std::vector<std::string>{sysfs.node(0)});
    EXPECT_TRUE(HidrawBackend(dir.file("nowhere"), dir.path()).copyDevices(kKeyboard).empty());
}

TEST_F(Hidraw, OpenAndCloseStatuses) {
    sysfs.add(Iface(1, kVendor));
    FakeSysfs::Interface directory = Iface(2, kVendor);
    directory.node = FakeSysfs::Node::Directory;
    sysfs.add(directory);
    FakeSysfs::Interface missing = Iface(3, kVendor);
    missing.node = FakeSysfs::Node::Missing;
    sysfs.add(missing);

    test::LogCapture log;
    HidrawBackend backend(Options());
    auto devices = backend.copyDevices(kKeyboard);
    ASSERT_EQ(devices.size(), 3u);
    auto& file = dynamic_cast<HidrawDevice&>(*devices[0]);

    EXPECT_EQ(backend.openDevice(file), 0);
    const int fd = file.fd;
    EXPECT_GE(fd, 0);
    EXPECT_EQ(backend.openDevice(file), 0);  // already open: the same descriptor
    EXPECT_EQ(file.fd, fd);
    EXPECT_EQ(backend.closeDevice(file), 0);
    EXPECT_EQ(file.fd, -1);
    EXPECT_EQ(backend.closeDevice(file), -EBADF);

    EXPECT_EQ(backend.openDevice(*devices[1]), -EISDIR);
    EXPECT_EQ(devices[1]->lastOpenStatus, -EISDIR);
    EXPECT_TRUE(HasLine(log.lines(), "hidraw: open " + sysfs.node(2) + " failed: " + std::strerror(EISDIR)));
    EXPECT_EQ(backend.openDevice(*devices[2]), -ENOENT);

    // Permission denied, which root never sees on a real node.
    HidrawOptions denying = Options();
    denying.open = [](const char*, int) {
        errno = EACCES;
        return -1;
    };
    HidrawBackend denied(denying);
    auto again = denied.copyDevices(kKeyboard);
    EXPECT_EQ(denied.openDevice(*again[0]), -EACCES);
    EXPECT_EQ(again[0]->lastOpenStatus, -EACCES);

    HidDevice foreign;
    foreign.node = "sim:vendor";
    EXPECT_EQ(backend.openDevice(foreign), -EINVAL);
    EXPECT_EQ(backend.closeDevice(foreign), -EINVAL);
}

TEST_F(Hidraw, FailedFeatureReportsAreLoggedWithTheirOperation) {
    sysfs.add(Iface(1, kVendor));  // a plain file: every hidraw ioctl fails on it
    test::LogCapture log;
    HidrawBackend backend(Options());
    auto dev = backend.copyDevices(kKeyboard).at(0);
    uint8_t report[1025] = {9, 0x0A, 1};

    EXPECT_EQ(backend.setFeatureReport(*dev, report, sizeof report), -EBADF);  // not open yet
    ASSERT_EQ(backend.openDevice(*dev), 0);
    EXPECT_EQ(backend.setFeatureReport(*dev, report, sizeof report), -ENOTTY);
    EXPECT_TRUE(HasLine(log.lines(), "hidraw: HIDIOCSFEATURE(1025) on " + sysfs.node(1) + " failed: " +
                                         std::strerror(ENOTTY)));
    EXPECT_EQ(backend.getFeatureReport(*dev, report, sizeof report), -ENOTTY);
    EXPECT_TRUE(HasLine(log.lines(), "hidraw: HIDIOCGFEATURE(1025) on " + sysfs.node(1) + " failed: " +
                                         std::strerror(ENOTTY)));

    // Lengths the ioctl number cannot carry are refused before the call.
    std::vector<uint8_t> huge(16384, 0);
    EXPECT_EQ(backend.setFeatureReport(*dev, report, 0), -EINVAL);
    EXPECT_EQ(backend.setFeatureReport(*dev, huge.data(), huge.size()), -EINVAL);
    EXPECT_EQ(backend.getFeatureReport(*dev, nullptr, 1025), -EINVAL);
}

// Input reports through a datagram socket standing in for the node: it keeps
// report boundaries as hidraw does.
TEST_F(Hidraw, InputReportsUntilTheDeviceIsGone) {
    sysfs.add(Iface(1, test::kBootKeyboardDescriptor));
    sysfs.add(Iface(3, kVendor));
    int peers[2][2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, peers[0]), 0);
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, peers[1]), 0);
    int opened = 0;
    HidrawOptions options = Options();
    options.open = [&](const char*, int) { return peers[opened++][0]; };
    HidrawBackend backend(options);
    FakeLoop loop;
    auto devices = backend.copyDevices(kKeyboard);
    ASSERT_EQ(devices.size(), 2u);

    struct Report {
        uint8_t id;
        std::vector<uint8_t> bytes;
    };
    std::vector<Report> got;
    auto record = [&](uint8_t id, const uint8_t* data, size_t length) { got.push_back({id, {data, data + length}}); };

    HidDeviceRef vendor = devices[1];
    ASSERT_EQ(backend.openDevice(*vendor), 0);
    backend.setInputReportHandler(*vendor, loop, record);
    const uint8_t notify[] = {0x02, 0x06, 0x02, 0x00};
    ASSERT_EQ(::write(peers[0][1], notify, sizeof notify), 4);
    EXPECT_TRUE(loop.fire(peers[0][0], POLLIN));
    EXPECT_TRUE(loop.fire(peers[0][0], POLLIN));  // a wake-up with nothing to read
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, 2);
    EXPECT_EQ(got[0].bytes, std::vector<uint8_t>(notify, notify + 4));  // the id stays byte 0

    ::close(peers[0][1]);  // unplugged
    test::LogCapture log;
    loop.fire(peers[0][0], POLLIN | POLLHUP);
    EXPECT_FALSE(loop.watching(peers[0][0]));
    EXPECT_TRUE(HasLine(log.lines(), "hidraw: " + sysfs.node(3) + " is gone, input reports stopped"));
    EXPECT_EQ(backend.closeDevice(*vendor), 0);

    // Without report ids the id is 0 and the bytes are the report alone.
    HidDeviceRef boot = devices[0];
    ASSERT_EQ(backend.openDevice(*boot), 0);
    backend.setInputReportHandler(*boot, loop, record);
    const uint8_t keys[] = {0x02, 0x00, 0x04, 0, 0, 0, 0, 0};
    ASSERT_EQ(::write(peers[1][1], keys, sizeof keys), 8);
    loop.fire(peers[1][0], POLLIN);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].id, 0);
    EXPECT_EQ(got[1].bytes.size(), 8u);

    // Dropping the last reference ends the watch and closes the node.
    boot.reset();
    devices.clear();
    EXPECT_TRUE(loop.watches.empty());
    EXPECT_EQ(::send(peers[1][1], keys, sizeof keys, MSG_NOSIGNAL), -1);
    ::close(peers[1][1]);
}

// Hot-plug events from a scripted source instead of udev.
class ScriptedSource : public HotplugSource {
public:
    explicit ScriptedSource(std::deque<HotplugEvent>& events) : events_(events) {}
    int fd() const override { return kFd; }
    std::optional<HotplugEvent> receive() override {
        if (events_.empty()) return std::nullopt;
        HotplugEvent event = events_.front();
        events_.pop_front();
        return event;
    }
    static constexpr int kFd = 1000;

private:
    std::deque<HotplugEvent>& events_;
};

class HidrawHotplug : public Hidraw {
protected:
    HidrawHotplug() {
        FakeSysfs::Interface mouse = Iface(0, test::kBootKeyboardDescriptor);
        mouse.vendor = 0x046D;
        sysfs.add(mouse);
        sysfs.add(Iface(1, test::kBootKeyboardDescriptor));
        sysfs.add(Iface(3, kVendor));
    }
    HidrawOptions ScriptedOptions() {
        HidrawOptions options = Options();
        options.hotplugSource = [this] { return std::make_unique<ScriptedSource>(events); };
        return options;
    }
    void Start(HidrawBackend& backend) {
        backend.startHotplug(
            loop, kKeyboard, [this](const HidDeviceRef& d) { attached.push_back(d->node); },
            [this](const HidDeviceRef& d) { removed.push_back(d->node); });
    }
    void Deliver(std::initializer_list<HotplugEvent> list) {
        events.insert(events.end(), list.begin(), list.end());
        loop.fire(ScriptedSource::kFd, POLLIN);
    }

    FakeLoop loop;
    std::deque<HotplugEvent> events;
    std::vector<std::string> attached;
    std::vector<std::string> removed;
};

TEST_F(HidrawHotplug, AttachAndRemoveOfMatchingInterfaces) {
    HidrawBackend backend(ScriptedOptions());
    Start(backend);
    EXPECT_TRUE(attached.empty());  // the ones present are posted, not called at once
    loop.runPosted();
    EXPECT_EQ(attached, (std::vector<std::string>{sysfs.node(1), sysfs.node(3)}));

    sysfs.add(Iface(4, kVendor));
    attached.clear();
    Deliver({{"add", "hidraw4"}, {"add", "hidraw0"}, {"add", "hidraw3"}, {"change", "hidraw4"}, {"add", "../hidraw4"}});
    EXPECT_EQ(attached, std::vector<std::string>{sysfs.node(4)});

    sysfs.remove(3);
    Deliver({{"remove", "hidraw0"}, {"remove", "hidraw3"}, {"remove", "hidraw9"}, {"remove", "hidraw3"}});
    EXPECT_EQ(removed, std::vector<std::string>{sysfs.node(3)});

    sysfs.add(Iface(3, kVendor));  // plugged in again under the same number
    attached.clear();
    Deliver({{"add", "hidraw3"}});
    EXPECT_EQ(attached, std::vector<std::string>{sysfs.node(3)});

    EXPECT_EQ(backend.close(), 0);
    EXPECT_FALSE(loop.watching(ScriptedSource::kFd));
}

TEST_F(HidrawHotplug, StoppingEndsPendingAndQueuedNotifications) {
    HidrawBackend backend(ScriptedOptions());
    Start(backend);
    backend.close();
    loop.runPosted();  // attach calls posted before the stop are dropped
    EXPECT_TRUE(attached.empty());

    // A handler that stops hot-plug: the events still queued are left alone.
    backend.startHotplug(
        loop, kKeyboard,
        [&](const HidDeviceRef& d) {
            attached.push_back(d->node);
            backend.close();
        },
        nullptr);
    loop.posted.clear();
    sysfs.add(Iface(4, kVendor));
    sysfs.add(Iface(5, kVendor));
    Deliver({{"add", "hidraw4"}, {"add", "hidraw5"}});
    EXPECT_EQ(attached, std::vector<std::string>{sysfs.node(4)});
    EXPECT_EQ(events.size(), 1u);

    // Without a monitor the interfaces present are still reported.
    test::LogCapture log;
    HidrawOptions noMonitor = Options();
    noMonitor.hotplugSource = [] { return std::unique_ptr<HotplugSource>(); };
    HidrawBackend blind(noMonitor);
    attached.clear();
    Start(blind);
    loop.runPosted();
    EXPECT_EQ(attached.size(), 4u);
    EXPECT_TRUE(HasLine(log.lines(), "hidraw: no hot-plug notifications; keyboards attached later are not seen"));
}

}  // namespace
}  // namespace keyloom
