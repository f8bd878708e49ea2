// The simulated keyboard: its two interfaces, the decoding of every command
// from payloads built here byte by byte, injected faults, hot-plug,
// notifications and the wire trace.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "device/HidAccess.h"
#include "device/PollLoop.h"
#include "device/SimKeyboard.h"
#include "test_support.h"

namespace keyloom {
namespace {

constexpr int kPatienceMs = 20000;
const std::vector<HidMatch> kKeyboardIds{{0x05AC, 0x024F}};

using Report = std::array<uint8_t, 1025>;

// A command report: id 9, then the payload bytes, zero after them.
Report Command(std::initializer_list<uint8_t> head) {
    Report r{};
    r[0] = 9;
    std::copy(head.begin(), head.end(), r.begin() + 1);
    return r;
}

void PutLe32(Report& r, int payloadOffset, uint32_t v) {
    for (int i = 0; i < 4; ++i) r[1 + payloadOffset + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A notification as the keyboard sends it: report 2 of 64 bytes.
std::vector<uint8_t> Note(uint8_t b1, uint8_t b2, uint8_t b3) {
    std::vector<uint8_t> r(64, 0);
    r[0] = 2, r[1] = b1, r[2] = b2, r[3] = b3;
    return r;
}

HidDeviceRef Find(const std::vector<HidDeviceRef>& devs, const std::string& node) {
    for (const auto& d : devs)
        if (d->node == node) return d;
    return nullptr;
}

class SimKeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto devs = sim.copyDevices(kKeyboardIds);
        vendor = Find(devs, SIM_VENDOR_NODE);
        ASSERT_TRUE(vendor);
        ASSERT_EQ(sim.openDevice(*vendor), 0);
    }
    int set(const Report& r, size_t length = 1025) { return sim.setFeatureReport(*vendor, r.data(), length); }

    PollLoop loop;
    SimKeyboard sim;
    HidDeviceRef vendor;
};

TEST_F(SimKeyboardTest, PresentsTwoInterfacesWithTheirOwnReportSizes) {
    auto devs = sim.copyDevices(kKeyboardIds);
    ASSERT_EQ(devs.size(), 2u);
    // The ordinary keyboard comes first, so only the size test finds the vendor interface.
    EXPECT_EQ(devs[0]->node, "sim:keyboard");
    EXPECT_EQ(devs[0]->usagePage, 0x01u);
    EXPECT_EQ(devs[0]->usage, 0x06u);
    EXPECT_EQ(devs[0]->maxFeatureSize, 0);
    EXPECT_EQ(devs[0]->maxInputSize, 9);
    EXPECT_EQ(devs[0]->maxOutputSize, 2);
    EXPECT_EQ(devs[1]->node, "sim:vendor");
    EXPECT_EQ(devs[1]->usagePage, 0xFF00u);
    EXPECT_EQ(devs[1]->usage, 0x01u);
    EXPECT_EQ(devs[1]->maxFeatureSize, 1025);
    EXPECT_EQ(devs[1]->maxInputSize, 64);
    EXPECT_EQ(devs[1]->maxOutputSize, 0);
    for (const auto& d : devs) {
        EXPECT_EQ(d->vendorId, 0x05ACu);
        EXPECT_EQ(d->productId, 0x024Fu);
        EXPECT_EQ(d->version, 0x0100u);
        EXPECT_EQ(d->product, "keyloom simulated keyboard");
    }
    EXPECT_TRUE(sim.copyDevices({}).empty());
    EXPECT_TRUE(sim.copyDevices({{0x05AC, 0x0250}}).empty());

    // Feature reports belong to the vendor interface only.
    HidDeviceRef keyboard = devs[0];
    Report r = Command({0x0A, 1});
    EXPECT_EQ(sim.setFeatureReport(*keyboard, r.data(), r.size()), -EBADF);  // not open yet
    ASSERT_EQ(sim.openDevice(*keyboard), 0);
    EXPECT_EQ(sim.setFeatureReport(*keyboard, r.data(), r.size()), -EPIPE);
    EXPECT_FALSE(sim.firmware().driverOnline);
    EXPECT_EQ(sim.closeDevice(*keyboard), 0);
    EXPECT_EQ(sim.closeDevice(*keyboard), -EBADF);
}

TEST_F(SimKeyboardTest, DecodesTheKeyMatrix) {
    Report r = Command({0x01, 0x00});
    for (int i = 0; i < 126; ++i) PutLe32(r, 2 + 4 * i, 0x00040000u + i);
    // Golden bytes at both ends: the Fn key at 0, wheel down at 125.
    r[1 + 2] = 0x00, r[1 + 3] = 0x00, r[1 + 4] = 0xB0, r[1 + 5] = 0x00;
    r[1 + 502] = 0x03, r[1 + 503] = 0x00, r[1 + 504] = 0x00, r[1 + 505] = 0xFF;
    ASSERT_EQ(set(r), 0);
    SimFirmware fw = sim.firmware();
    EXPECT_EQ(fw.keyMatrix[0], 0x00B00000u);
    EXPECT_EQ(fw.keyMatrix[1], 0x00040001u);
    EXPECT_EQ(fw.keyMatrix[124], 0x0004007Cu);
    EXPECT_EQ(fw.keyMatrix[125], 0xFF000003u);
    EXPECT_TRUE(fw.unknownCommands.empty());
}

TEST_F(SimKeyboardTest, DecodesLightingKnobsColoursAndDriverState) {
    Report led = Command({0x02, 0x29, 7, 0, 3, 4, 0, 0, 0, 0x04});
    // stKnod[1][3] (direction 1 of set 3) sits at 10 + 4 * (2 * 3 + 1) = 38.
    led[1 + 38] = 0x01, led[1 + 39] = 0x00, led[1 + 40] = 0x00, led[1 + 41] = 0xCD;
    PutLe32(led, 10, 0x0000F003);  // set 0, direction 0
    led[1 + 74] = 5;
    ASSERT_EQ(set(led), 0);

    Report colours = Command({0x03, 0x7E, 2});
    for (int k = 0; k < 126; k += 2) colours[1 + 3 + k] = 7;
    ASSERT_EQ(set(colours), 0);

    ASSERT_EQ(set(Command({0x0A, 1})), 0);
    SimFirmware fw = sim.firmware();
    EXPECT_EQ(fw.lighting.hwMode, 7);
    EXPECT_EQ(fw.lighting.speed, 3);
    EXPECT_EQ(fw.lighting.brightness, 4);
    EXPECT_EQ(fw.lighting.layerBits, 0x04);
    EXPECT_EQ(fw.lighting.knobCode(3, 1), 0xCD000001u);
    EXPECT_EQ(fw.lighting.knobCode(0, 0), 0x0000F003u);
    EXPECT_EQ(fw.lighting.knobCode(0, 1), 0u);
    EXPECT_EQ(fw.lighting.knobSet, 5);
    EXPECT_EQ(fw.colorTable, 2);
    EXPECT_EQ(fw.keyColors[0], 7);
    EXPECT_EQ(fw.keyColors[1], 0);
    EXPECT_EQ(fw.keyColors[124], 7);
    EXPECT_EQ(fw.keyColors[125], 0);
    EXPECT_TRUE(fw.driverOnline);

    ASSERT_EQ(set(Command({0x0A, 0})), 0);
    ASSERT_EQ(set(Command({0x07, 1, 2})), 0);
    fw = sim.firmware();
    EXPECT_FALSE(fw.driverOnline);
    EXPECT_EQ(fw.unknownCommands, (std::vector<uint8_t>{0x07}));
    EXPECT_EQ(fw.lighting.hwMode, 7);  // an unknown command changes nothing
    EXPECT_EQ(sim.commands(), (std::vector<uint8_t>{0x02, 0x03, 0x0A, 0x0A, 0x07}));
}

TEST_F(SimKeyboardTest, DecodesTheMacroAreaAcrossItsTwoCommands) {
    std::array<uint8_t, 1920> area{};
    const uint8_t slot0[] = {
        0x02, 0x00, 0x04,  // A pressed, 25 ms sent as 2 units
        0x00, 0xF0, 0x02,  // Shift pressed (modifier), no delay
        0xFF, 0x0F, 0x04,  // A released after 2047 units, the longest delay
        0x8A, 0x00, 0xF0,  // left button released after 100 ms
    };
    std::copy(std::begin(slot0), std::end(slot0), area.begin());
    // Slot 5 (offset 960) is full: 64 events, event 20 straddles the split at 1022.
    for (int k = 0; k < 64; ++k) {
        area[960 + 3 * k] = static_cast<uint8_t>(k);
        area[960 + 3 * k + 1] = 0x01;
        area[960 + 3 * k + 2] = static_cast<uint8_t>(0x04 + k);
    }
    area[1728] = 0x81, area[1729] = 0xF0, area[1730] = 0x08;  // slot 9: Command released, 10 ms

    Report part1 = Command({0x04, 0x00});
    std::copy(area.begin(), area.begin() + 1022, part1.begin() + 3);
    Report part2 = Command({0x05, 0x00});
    std::copy(area.begin() + 1022, area.end(), part2.begin() + 3);
    ASSERT_EQ(set(part1), 0);
    ASSERT_EQ(set(part2), 0);

    SimFirmware fw = sim.firmware();
    EXPECT_EQ(fw.macroArea, area);
    EXPECT_EQ(fw.macroSlots[0], (std::vector<SimMacroEvent>{{false, 20, false, 0x04},
                                                            {false, 0, true, 0x02},
                                                            {true, 20470, false, 0x04},
                                                            {true, 100, false, 0xF0}}));
    ASSERT_EQ(fw.macroSlots[5].size(), 64u);
    EXPECT_EQ(fw.macroSlots[5][20], (SimMacroEvent{false, (20 + 128) * 10, false, 0x04 + 20}));
    EXPECT_EQ(fw.macroSlots[5][63], (SimMacroEvent{false, (63 + 128) * 10, false, 0x04 + 63}));
    EXPECT_EQ(fw.macroSlots[9], (std::vector<SimMacroEvent>{{true, 10, true, 0x08}}));
    for (int n : {1, 2, 3, 4, 6, 7, 8}) EXPECT_TRUE(fw.macroSlots[n].empty()) << n;
}

TEST_F(SimKeyboardTest, ChecksReportsAndAnswersFetchesWithTheLastOne) {
    Report got{};
    got[0] = 9;
    ASSERT_EQ(sim.getFeatureReport(*vendor, got.data(), got.size()), 0);
    EXPECT_EQ(got, Command({}));  // nothing set yet: zeros

    Report full = Command({0x07});
    full.fill(0xEE);
    full[0] = 9;
    full[1] = 0x07;
    ASSERT_EQ(set(full), 0);
    // A short report is zero-filled, not mixed with what came before.
    ASSERT_EQ(set(Command({0x0A, 1}), 3), 0);
    ASSERT_EQ(sim.getFeatureReport(*vendor, got.data(), got.size()), 0);
    EXPECT_EQ(got, Command({0x0A, 1}));
    uint8_t small[4] = {9, 0, 0, 0};
    ASSERT_EQ(sim.getFeatureReport(*vendor, small, sizeof small), 0);
    EXPECT_EQ(small[1], 0x0A);
    EXPECT_EQ(small[2], 1);

    Report wrongId = Command({0x0A, 0});
    wrongId[0] = 8;
    EXPECT_EQ(set(wrongId), -EPIPE);
    EXPECT_EQ(set(Command({0x0A, 0}), 0), -EINVAL);
    std::vector<uint8_t> tooLong(1026, 0);
    tooLong[0] = 9;
    EXPECT_EQ(sim.setFeatureReport(*vendor, tooLong.data(), tooLong.size()), -EINVAL);
    EXPECT_TRUE(sim.firmware().driverOnline);
    EXPECT_EQ(sim.commands(), (std::vector<uint8_t>{0x07, 0x0A}));
    EXPECT_EQ(sim.transferCount(), 8);
}

TEST_F(SimKeyboardTest, InjectedFailuresAndDelaysCountDownPerTransfer) {
    sim.failNextTransfers(2, EIO);
    EXPECT_EQ(set(Command({0x0A, 1})), -EIO);
    EXPECT_EQ(set(Command({0x0A, 1})), -EIO);
    EXPECT_EQ(set(Command({0x0A, 1})), 0);
    sim.failNextTransfers(1, -ETIMEDOUT);  // either sign
    Report got = Command({});
    EXPECT_EQ(sim.getFeatureReport(*vendor, got.data(), got.size()), -ETIMEDOUT);
    EXPECT_EQ(sim.transferCount(), 4);
    EXPECT_EQ(sim.commands(), (std::vector<uint8_t>{0x0A}));  // failed reports never arrived

    sim.clearHistory();
    sim.delayNextTransfers(2, 15);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(set(Command({0x02})), 0);
    EXPECT_EQ(set(Command({0x03})), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(sim.commands(), (std::vector<uint8_t>{0x02, 0x03}));  // delayed, not lost
    EXPECT_EQ(sim.transferCount(), 2);
}

TEST_F(SimKeyboardTest, AHeldTransferFailsWhenTheKeyboardIsRemovedMeanwhile) {
    sim.holdTransfers();
    int status = 1;
    std::thread worker([&] { status = set(Command({0x0A, 1})); });
    ASSERT_TRUE(sim.waitForHeldTransfer(kPatienceMs));
    EXPECT_FALSE(sim.firmware().driverOnline);
    sim.unplug();
    sim.releaseTransfers();
    worker.join();
    EXPECT_EQ(status, -ENODEV);
    EXPECT_FALSE(sim.firmware().driverOnline);
}

TEST_F(SimKeyboardTest, UnplugAndPlugReachTheHotplugHandlers) {
    std::vector<std::string> events;
    sim.startHotplug(
        loop, kKeyboardIds, [&](const HidDeviceRef& d) { events.push_back("in " + d->node); },
        [&](const HidDeviceRef& d) { events.push_back("out " + d->node); });
    ASSERT_TRUE(loop.runUntil([&] { return events.size() == 2; }, kPatienceMs));
    EXPECT_EQ(events, (std::vector<std::string>{"in sim:keyboard", "in sim:vendor"}));

    events.clear();
    EXPECT_TRUE(sim.unplug());
    EXPECT_FALSE(sim.unplug());
    EXPECT_FALSE(sim.isPlugged());
    ASSERT_TRUE(loop.runUntil([&] { return events.size() == 2; }, kPatienceMs));
    EXPECT_EQ(events, (std::vector<std::string>{"out sim:keyboard", "out sim:vendor"}));
    EXPECT_EQ(set(Command({0x0A, 1})), -ENODEV);
    EXPECT_TRUE(sim.copyDevices(kKeyboardIds).empty());
    EXPECT_EQ(sim.closeDevice(*vendor), 0);  // closing a dead handle succeeds

    events.clear();
    EXPECT_TRUE(sim.plug());
    EXPECT_FALSE(sim.plug());
    ASSERT_TRUE(loop.runUntil([&] { return events.size() == 2; }, kPatienceMs));
    EXPECT_EQ(events, (std::vector<std::string>{"in sim:keyboard", "in sim:vendor"}));
    EXPECT_EQ(sim.openDevice(*vendor), -ENODEV);  // a handle of the earlier attachment stays dead
    HidDeviceRef fresh = Find(sim.copyDevices(kKeyboardIds), SIM_VENDOR_NODE);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(SameDevice(fresh, vendor));
    ASSERT_EQ(sim.openDevice(*fresh), 0);
    EXPECT_EQ(sim.setFeatureReport(*fresh, Command({0x0A, 1}).data(), 1025), 0);

    // After close() the backend reports nothing, including calls it had already posted.
    events.clear();
    sim.unplug();
    EXPECT_EQ(sim.close(), 0);
    loop.runFor(0);
    EXPECT_TRUE(events.empty());
}

TEST_F(SimKeyboardTest, NotificationsCarryTheirBytesToOpenVendorHandles) {
    std::vector<std::vector<uint8_t>> got;
    sim.setInputReportHandler(*vendor, loop, [&](uint8_t id, const uint8_t* data, size_t length) {
        EXPECT_EQ(id, data[0]);
        got.emplace_back(data, data + length);
    });
    std::vector<std::vector<uint8_t>> keyboardGot;
    HidDeviceRef keyboard = Find(sim.copyDevices(kKeyboardIds), SIM_KEYBOARD_NODE);
    ASSERT_EQ(sim.openDevice(*keyboard), 0);
    sim.setInputReportHandler(*keyboard, loop, [&](uint8_t, const uint8_t* data, size_t length) {
        keyboardGot.emplace_back(data, data + length);
    });

    EXPECT_TRUE(sim.sendLayer(1));
    EXPECT_TRUE(sim.sendLayer(2));
    EXPECT_TRUE(sim.sendLayer(3));
    EXPECT_TRUE(sim.knobOpened());
    EXPECT_TRUE(sim.knobMoved(0));
    EXPECT_TRUE(sim.knobMoved(7));
    EXPECT_TRUE(sim.knobConfirmed());
    EXPECT_FALSE(sim.sendLayer(0));
    EXPECT_FALSE(sim.sendLayer(4));
    EXPECT_FALSE(sim.knobMoved(-1));
    EXPECT_FALSE(sim.knobMoved(8));
    EXPECT_TRUE(got.empty());  // delivered on the loop, not by the sender
    ASSERT_TRUE(loop.runUntil([&] { return got.size() == 7; }, kPatienceMs));
    EXPECT_EQ(got, (std::vector<std::vector<uint8_t>>{Note(1, 6, 0), Note(2, 6, 0), Note(4, 6, 0), Note(1, 4, 0),
                                                      Note(1, 5, 0), Note(8, 5, 0), Note(2, 4, 0)}));
    EXPECT_TRUE(keyboardGot.empty());

    // Any other report goes out exactly as given.
    got.clear();
    EXPECT_TRUE(sim.sendInputReport(1, {0x06}));
    ASSERT_TRUE(loop.runUntil([&] { return got.size() == 1; }, kPatienceMs));
    EXPECT_EQ(got[0], (std::vector<uint8_t>{1, 0x06}));

    // A closed handle hears nothing; an unplugged keyboard sends nothing.
    got.clear();
    ASSERT_EQ(sim.closeDevice(*vendor), 0);
    EXPECT_TRUE(sim.sendLayer(1));
    loop.runFor(0);
    EXPECT_TRUE(got.empty());
    ASSERT_EQ(sim.openDevice(*vendor), 0);
    sim.unplug();
    EXPECT_FALSE(sim.knobOpened());
    loop.runFor(0);
    EXPECT_TRUE(got.empty());
}

TEST_F(SimKeyboardTest, TraceWritesOneLowerCaseHexLinePerReport) {
    std::ostringstream out;
    sim.traceTo(&out);
    ASSERT_EQ(set(Command({0x0A, 0xB1})), 0);
    uint8_t small[5] = {9, 0, 0, 0, 0};
    ASSERT_EQ(sim.getFeatureReport(*vendor, small, sizeof small), 0);
    sim.sendLayer(2);
    sim.failNextTransfers(1, EIO);
    EXPECT_EQ(set(Command({0x01})), -EIO);  // a failed transfer put nothing on the wire
    EXPECT_EQ(out.str(), "SET 09 0ab1" + std::string(2044, '0') + "\nGET 09 0ab10000\nIN 02 020600" + std::string(120, '0') + "\n");

    const std::string before = out.str();
    test::TempDir dir;
    ASSERT_TRUE(sim.traceToFile(dir.file("wire.txt")));
    sim.knobMoved(4);
    std::ifstream file(dir.file("wire.txt"));
    std::string line;
    ASSERT_TRUE(std::getline(file, line));
    EXPECT_EQ(line, "IN 02 050500" + std::string(120, '0'));
    EXPECT_EQ(out.str(), before);  // the earlier stream gets no more
    EXPECT_FALSE(sim.traceToFile(dir.file("missing/wire.txt")));
}

TEST(SimKeyboardFactory, BackendsShareOneKeyboardAndKeepTheirOwnHandlers) {
    PollLoop loop;
    auto sim = std::make_shared<SimKeyboard>();
    HidBackendFactory factory = SimKeyboardFactory(sim);
    std::unique_ptr<HidBackend> first = factory();
    std::unique_ptr<HidBackend> second = factory();

    HidDeviceRef dev = Find(first->copyDevices(kKeyboardIds), SIM_VENDOR_NODE);
    ASSERT_TRUE(dev);
    ASSERT_EQ(first->openDevice(*dev), 0);
    Report r = Command({0x0A, 1});
    ASSERT_EQ(first->setFeatureReport(*dev, r.data(), r.size()), 0);
    EXPECT_TRUE(sim->firmware().driverOnline);

    int firstEvents = 0, secondEvents = 0;
    first->startHotplug(loop, kKeyboardIds, [&](const HidDeviceRef&) { ++firstEvents; }, nullptr);
    second->startHotplug(loop, kKeyboardIds, [&](const HidDeviceRef&) { ++secondEvents; }, nullptr);
    ASSERT_TRUE(loop.runUntil([&] { return firstEvents == 2 && secondEvents == 2; }, kPatienceMs));

    // Destroying one backend drops its handlers only.
    first.reset();
    sim->unplug();
    sim->plug();
    ASSERT_TRUE(loop.runUntil([&] { return secondEvents == 4; }, kPatienceMs));
    EXPECT_EQ(firstEvents, 2);

    EXPECT_EQ(second->close(), 0);
    sim->unplug();
    sim->plug();
    loop.runFor(0);
    EXPECT_EQ(secondEvents, 4);
}

// HID access finds the vendor interface behind the ordinary keyboard by its feature size.
TEST(SimKeyboardFactory, HidAccessOpensTheVendorInterface) {
    auto sim = std::make_shared<SimKeyboard>();
    SetHidBackendFactory(SimKeyboardFactory(sim));
    ASSERT_TRUE(hid_start());
    _HID_DEV table[4];
    GetKeyboardDeviceTable(table);
    EXPECT_TRUE(hid_open_device(table, 1));
    ASSERT_TRUE(table[0].hDev);
    EXPECT_EQ(table[0].hDev->node, "sim:vendor");
    EXPECT_EQ(table[0].hDev->lastOpenStatus, 0);
    Report r = Command({0x0A, 1});
    EXPECT_EQ(hidManager->setFeatureReport(*table[0].hDev, r.data(), r.size()), 0);
    EXPECT_TRUE(sim->firmware().driverOnline);
    EXPECT_TRUE(hid_close_device(table[0].hDev));
    EXPECT_TRUE(hid_stop());
    SetHidBackendFactory(nullptr);
}

TEST_F(SimKeyboardTest, ChangeListenersHearOfCommandsPlugsAndNotificationsOnTheirLoop) {
    std::vector<uint8_t> seenMode;  // the lighting mode each call read
    int calls = 0;
    const int id = sim.onChanged(loop, [&] {
        ++calls;
        seenMode.push_back(sim.firmware().lighting.hwMode);
    });
    // A command is told on the loop, not on the thread that sent it.
    std::thread sender([&] { EXPECT_EQ(set(Command({0x02, 0x29, 5})), 0); });
    sender.join();
    EXPECT_EQ(calls, 0);
    ASSERT_TRUE(loop.runUntil([&] { return calls == 1; }, kPatienceMs));
    EXPECT_EQ(seenMode, std::vector<uint8_t>{5});

    // Changes made before the loop runs come as one call that sees the last of them.
    EXPECT_EQ(set(Command({0x02, 0x29, 6})), 0);
    EXPECT_EQ(set(Command({0x02, 0x29, 7})), 0);
    loop.runFor(0);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(seenMode.back(), 7);

    // A failed transfer changes nothing and tells nothing; reading tells nothing either.
    sim.failNextTransfers(1, EIO);
    EXPECT_NE(set(Command({0x02, 0x29, 8})), 0);
    Report answer{};
    answer[0] = 9;
    EXPECT_EQ(sim.getFeatureReport(*vendor, answer.data(), answer.size()), 0);
    loop.runFor(0);
    EXPECT_EQ(calls, 2);

    // Unplug, plug and a notification are each told.
    for (const auto& change : std::vector<std::function<bool()>>{
             [&] { return sim.unplug(); }, [&] { return sim.plug(); }, [&] { return sim.sendLayer(2); }}) {
        const int before = calls;
        ASSERT_TRUE(change());
        ASSERT_TRUE(loop.runUntil([&] { return calls == before + 1; }, kPatienceMs));
    }
    EXPECT_EQ(sim.layer(), 2);

    // A removed listener hears nothing more, not even a call already posted.
    EXPECT_TRUE(sim.knobOpened());
    sim.removeChangeListener(id);
    EXPECT_TRUE(sim.knobConfirmed());
    loop.runFor(0);
    EXPECT_EQ(calls, 5);
}

TEST_F(SimKeyboardTest, TheLayerFollowsOnlyTheSwitchesItSends) {
    EXPECT_EQ(sim.layer(), 1);
    EXPECT_TRUE(sim.sendLayer(3));
    EXPECT_EQ(sim.layer(), 3);
    EXPECT_FALSE(sim.sendLayer(4));
    EXPECT_EQ(sim.layer(), 3);
    sim.unplug();
    EXPECT_FALSE(sim.sendLayer(2));  // an unplugged keyboard switches nothing
    EXPECT_EQ(sim.layer(), 3);
}

}  // namespace
}  // namespace keyloom
