// The device link on the simulated keyboard: finding the keyboard, report
// framing and retries, hot-plug and the keyboard's notifications.
#include <cerrno>
#include <sstream>

#include "config/language.h"
#include "link_support.h"

namespace keyloom {
namespace {

using test::HasLine;
using test::HasLinePrefix;
using test::kPatienceMs;

// A trace line of one report: "SET 09 " and the 1024 payload bytes in hex.
std::string SetLine(const std::string& headHex) {
    return "SET 09 " + headHex + std::string(2 * 1024 - headHex.size(), '0');
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Hex(uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", value);
    return buf;
}

HidDeviceRef OtherDevice(const std::string& node, uint32_t pid, int32_t feature) {
    auto dev = std::make_shared<HidDevice>();
    dev->node = node;
    dev->vendorId = KEYBOARD_VID;
    dev->productId = pid;
    dev->maxFeatureSize = feature;
    return dev;
}

// The simulated keyboard with its vendor interface hidden from enumeration.
class NoVendorInterface : public HidBackend {
public:
    explicit NoVendorInterface(std::shared_ptr<SimKeyboard> sim) : sim_(std::move(sim)) {}
    std::vector<HidDeviceRef> copyDevices(const std::vector<HidMatch>& matching) override {
        auto devices = sim_->copyDevices(matching);
        std::erase_if(devices, [](const HidDeviceRef& d) { return d->node == SIM_VENDOR_NODE; });
        return devices;
    }
    int openDevice(HidDevice& dev) override { return sim_->openDevice(dev); }
    int closeDevice(HidDevice& dev) override { return sim_->closeDevice(dev); }
    int setFeatureReport(HidDevice& dev, const uint8_t* r, size_t n) override {
        return sim_->setFeatureReport(dev, r, n);
    }
    int getFeatureReport(HidDevice& dev, uint8_t* r, size_t n) override {
        return sim_->getFeatureReport(dev, r, n);
    }
    void setInputReportHandler(HidDevice&, MainLoop&, InputReportHandler) override {}
    void startHotplug(MainLoop&, const std::vector<HidMatch>&, DeviceHandler, DeviceHandler) override {}
    int close() override { return 0; }

private:
    std::shared_ptr<SimKeyboard> sim_;
};

class Dev6120Test : public test::SimLinkTest {};

TEST_F(Dev6120Test, FindsTheVendorInterfaceAtStartUp) {
    EXPECT_EQ(link->InitHID(), 1);
    EXPECT_NE(link->hid_manager, nullptr);
    EXPECT_EQ(link->FindHIDDevice(), 1);
    // The ordinary keyboard interface comes first; only the vendor one has the 1025-byte report.
    EXPECT_EQ(node(), SIM_VENDOR_NODE);
    EXPECT_EQ(link->nWaitTm, 25);
    EXPECT_TRUE(HasLine(log.lines(), "hDev=0x" + Hex(DeviceLogId(link->GetDeviceHandle()))));
    EXPECT_EQ(window.links, std::vector<std::string>{SIM_VENDOR_NODE});
    EXPECT_EQ(link->GetDataPortSize(), 1024);

    // The attach reports hot-plug makes for interfaces already there change nothing.
    loop.runFor(0);
    EXPECT_EQ(window.links.size(), 1u);
    EXPECT_FALSE(HasLinePrefix(log.lines(), "DevIN: Find OK"));
}

TEST_F(Dev6120Test, NoKeyboardAtStartUp) {
    sim->unplug();
    EXPECT_EQ(link->InitHID(), 1);
    EXPECT_EQ(link->FindHIDDevice(), 0);
    EXPECT_EQ(link->GetDeviceHandle(), nullptr);
    const uint8_t cmd[2] = {CMD_DRIVER_ONLINE, 1};
    EXPECT_FALSE(link->SendData(cmd, 2));
    EXPECT_EQ(sim->transferCount(), 0);

    // Only the ordinary key interface: that is no keyboard either.
    sim->plug();
    link.reset();
    SetHidBackendFactory([s = sim] { return std::make_unique<NoVendorInterface>(s); });
    link = std::make_unique<Dev6120>(loop);
    EXPECT_EQ(link->InitHID(), 1);
    EXPECT_EQ(link->FindHIDDevice(), 0);
    EXPECT_EQ(link->GetDeviceHandle(), nullptr);
    EXPECT_TRUE(window.links.empty());
}

TEST_F(Dev6120Test, FramesEveryCommandAsReportNineOf1025Bytes) {
    ASSERT_TRUE(connect());
    std::ostringstream trace;
    sim->traceTo(&trace);

    EXPECT_TRUE(link->TellFwDriverOnLine(5));
    EXPECT_TRUE(sim->firmware().driverOnline);
    EXPECT_TRUE(link->TellFwDriverOnLine(0));
    EXPECT_FALSE(sim->firmware().driverOnline);

    std::vector<uint8_t> full(1024, 0xAB);
    full[0] = 0x7F;
    EXPECT_TRUE(link->SendData(full.data(), 1024));
    const int transfers = sim->transferCount();
    std::vector<uint8_t> tooLong(1025, 0x11);
    EXPECT_FALSE(link->SendData(tooLong.data(), 1025));
    EXPECT_FALSE(link->SendData(tooLong.data(), -1));
    EXPECT_EQ(sim->transferCount(), transfers);  // refused before any transfer
    sim->traceTo(nullptr);

    const std::vector<std::string> lines = Lines(trace.str());
    ASSERT_EQ(lines.size(), 3u);
    // A 2-byte command is zero after its two bytes.
    EXPECT_EQ(lines[0], SetLine("0a01"));
    EXPECT_EQ(lines[1], SetLine("0a00"));
    EXPECT_EQ(lines[2], "SET 09 7f" + [] {
        std::string s;
        for (int i = 1; i < 1024; ++i) s += "ab";
        return s;
    }());

    // A fetch gives the bytes after the report id.
    uint8_t got[4] = {};
    EXPECT_TRUE(link->GetData(got, 4));
    EXPECT_EQ(got[0], 0x7F);
    EXPECT_EQ(got[3], 0xAB);
    EXPECT_FALSE(link->GetData(got, 1025));
}

TEST_F(Dev6120Test, RetriesAFailedTransferTwice) {
    ASSERT_TRUE(connect());
    const uint8_t cmd[2] = {CMD_DRIVER_ONLINE, 1};

    sim->failNextTransfers(2, EIO);
    EXPECT_TRUE(link->SendData(cmd, 2));
    EXPECT_EQ(sim->transferCount(), 3);
    EXPECT_EQ(GetLastError(), -EIO);  // kept from the failed attempts

    sim->clearHistory();
    sim->failNextTransfers(3, EBUSY);
    EXPECT_FALSE(link->SendData(cmd, 2));
    EXPECT_EQ(sim->transferCount(), 3);
    EXPECT_EQ(GetLastError(), -EBUSY);
    EXPECT_TRUE(sim->commands().empty());

    sim->clearHistory();
    sim->failNextTransfers(3, EPIPE);
    uint8_t got[2];
    EXPECT_FALSE(link->GetData(got, 2));
    EXPECT_EQ(sim->transferCount(), 3);
    EXPECT_EQ(GetLastError(), -EPIPE);
}

TEST_F(Dev6120Test, OnlyReportTwoReachesTheWindow) {
    ASSERT_TRUE(connect());
    ASSERT_TRUE(sim->sendInputReport(1, std::vector<uint8_t>(63, 0x06)));
    ASSERT_TRUE(sim->sendLayer(2));
    ASSERT_TRUE(sim->sendInputReport(2, {0x01}));  // too short to carry an event
    ASSERT_TRUE(sim->knobMoved(4));
    ASSERT_TRUE(loop.runUntil([&] { return window.pops.size() == 2; }, kPatienceMs));
    loop.runFor(0);

    const std::vector<std::array<uint8_t, 3>> expected{{2, 6, 0}, {5, 5, 0}};
    EXPECT_EQ(window.pops, expected);
    const auto lines = log.lines();
    EXPECT_TRUE(HasLine(lines, "reportID=1, reportLength=64"));
    EXPECT_TRUE(HasLine(lines, "reportID=2, reportLength=64"));
    EXPECT_TRUE(HasLine(lines, "reportID=2, reportLength=2"));
    EXPECT_TRUE(HasLine(lines, "Pop=2,6,0"));
    EXPECT_TRUE(HasLine(lines, "Pop=5,5,0"));

    // Straight calls, as a backend without report ids would make them.
    link->InputReportCallback(0, nullptr, 0);
    const uint8_t knob[4] = {2, 1, 4, 9};
    link->InputReportCallback(2, knob, sizeof knob);
    ASSERT_EQ(window.pops.size(), 3u);
    EXPECT_EQ(window.pops[2], (std::array<uint8_t, 3>{1, 4, 9}));
}

TEST_F(Dev6120Test, FollowsTheKeyboardBeingUnpluggedAndPluggedAgain) {
    ASSERT_TRUE(connect());

    // Another keyboard going leaves the link alone.
    link->DeviceOut(OtherDevice("/dev/hidraw9", KEYBOARD_PID, 1025));
    EXPECT_EQ(node(), SIM_VENDOR_NODE);

    // Keyboards that do not fit are not taken.
    link->DeviceIn(OtherDevice("/dev/hidraw8", 0x0250, 1025));
    link->DeviceIn(OtherDevice("/dev/hidraw7", KEYBOARD_PID, 65));
    EXPECT_EQ(node(), SIM_VENDOR_NODE);
    EXPECT_TRUE(HasLine(log.lines(), "DevIN: vid=05ac, pid=0250"));

    // With Suwnd the program runs on without the keyboard.
    ASSERT_TRUE(sim->unplug());
    ASSERT_TRUE(loop.runUntil([&] { return link->GetDeviceHandle() == nullptr; }, kPatienceMs));
    loop.runFor(0);
    EXPECT_TRUE(HasLinePrefix(log.lines(), "DevOUT: dev=0x"));
    EXPECT_EQ(window.exits, 0);
    EXPECT_TRUE(alerts.alerts.empty());
    const uint8_t cmd[2] = {CMD_DRIVER_ONLINE, 1};
    EXPECT_FALSE(link->SendData(cmd, 2));

    ASSERT_TRUE(sim->plug());
    ASSERT_TRUE(loop.runUntil([&] { return link->GetDeviceHandle() != nullptr; }, kPatienceMs));
    EXPECT_EQ(node(), SIM_VENDOR_NODE);
    EXPECT_TRUE(HasLinePrefix(log.lines(), "DevIN: Find OK, new dev=0x"));
    EXPECT_EQ(window.links, (std::vector<std::string>{SIM_VENDOR_NODE, "removed", SIM_VENDOR_NODE}));
    EXPECT_TRUE(link->SendData(cmd, 2));

    // A keyboard plugged in again still reports its layer switches.
    ASSERT_TRUE(sim->sendLayer(3));
    ASSERT_TRUE(loop.runUntil([&] { return !window.pops.empty(); }, kPatienceMs));
    EXPECT_EQ(window.pops[0], (std::array<uint8_t, 3>{4, 6, 0}));
}

TEST_F(Dev6120Test, UnpluggingEndsTheProgramOnceWithoutSuwnd) {
    gVar.Suwnd = 0;
    ASSERT_TRUE(connect());
    ASSERT_TRUE(sim->unplug());
    // Both interfaces are removed; the ending comes once.
    ASSERT_TRUE(loop.runUntil([&] { return window.exits > 0; }, kPatienceMs));
    loop.runFor(0);
    EXPECT_EQ(window.exits, 1);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, "Warning");
    EXPECT_EQ(alerts.alerts[0].text, GetText("tc_msg15"));
    EXPECT_EQ(link->GetDeviceHandle(), nullptr);
}

TEST_F(Dev6120Test, ReleasesTheBackendWithTheLink) {
    ASSERT_TRUE(connect());
    link->ClearDev();
    EXPECT_EQ(link->GetDeviceHandle(), nullptr);
    EXPECT_EQ(hidManager, nullptr);
    // Hot-plug went with the backend: nothing reaches the link any more.
    sim->unplug();
    sim->plug();
    loop.runFor(0);
    EXPECT_EQ(link->GetDeviceHandle(), nullptr);
    EXPECT_EQ(window.links.size(), 1u);
}

}  // namespace
}  // namespace keyloom
