// Feeds arbitrary input reports to the link's input-report handler: straight
// in, and through the simulated keyboard and the poll loop as a connected
// keyboard's reports arrive. Checks that exactly the reports with id 2 and an
// event reach the window, with their three bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "device/Dev6120.h"
#include "device/HidAccess.h"
#include "device/PollLoop.h"
#include "device/SimKeyboard.h"

namespace {

using namespace keyloom;

class Window : public DeviceEvents {
public:
    void onPoP(uint8_t b1, uint8_t b2, uint8_t b3) override { pops.push_back({b1, b2, b3}); }
    void onExit() override { std::abort(); }  // the keyboard stays attached
    std::vector<std::array<uint8_t, 3>> pops;
};

struct Harness {
    PollLoop loop;
    std::shared_ptr<SimKeyboard> sim = std::make_shared<SimKeyboard>();
    std::unique_ptr<Dev6120> link;
    Window window;

    Harness() {
        SetHidBackendFactory(SimKeyboardFactory(sim));
        link = std::make_unique<Dev6120>(loop);
        if (link->InitHID() != 1 || link->FindHIDDevice() != 1) std::abort();
        mainView = &window;
        loop.runFor(0);
    }
};

Harness& harness() {
    static Harness* h = new Harness;
    return *h;
}

// The event a report should give, if any.
bool Expect(const std::vector<uint8_t>& report, std::vector<std::array<uint8_t, 3>>& expected) {
    if (report.size() < 4 || report[0] != NOTIFY_REPORT_ID) return false;
    expected.push_back({report[1], report[2], report[3]});
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Harness& h = harness();
    h.window.pops.clear();
    std::vector<std::array<uint8_t, 3>> expected;
    // Each report: one length byte (at most 64, as the keyboard's reports are), then its bytes, id first.
    std::vector<std::vector<uint8_t>> reports;
    while (size > 0) {
        size_t length = data[0] % 65;
        ++data, --size;
        if (length > size) length = size;
        reports.emplace_back(data, data + length);
        data += length, size -= length;
    }
    for (const auto& r : reports) {
        h.link->InputReportCallback(r.empty() ? 0 : r[0], r.empty() ? nullptr : r.data(), r.size());
        Expect(r, expected);
    }
    for (const auto& r : reports) {
        if (r.empty()) continue;
        h.sim->sendInputReport(r[0], std::vector<uint8_t>(r.begin() + 1, r.end()));
        Expect(r, expected);
    }
    h.loop.runFor(0);
    if (h.window.pops != expected) std::abort();
    return 0;
}
