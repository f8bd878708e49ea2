// Shared by the link and apply tests: the simulated keyboard as the process's
// HID backend, a poll loop, the link on that loop, and a stand-in for the
// main window that records what the link and the worker tell it.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "config/gvar.h"
#include "device/Dev6120.h"
#include "device/HidAccess.h"
#include "device/PollLoop.h"
#include "device/SimKeyboard.h"
#include "device/apply.h"
#include "test_support.h"

namespace keyloom::test {

constexpr int kPatienceMs = 20000;

// Everything reaches it on the loop's thread.
class RecordingWindow : public DeviceEvents, public ApplyTarget {
public:
    void onPoP(uint8_t b1, uint8_t b2, uint8_t b3) override { pops.push_back({b1, b2, b3}); }
    void onExit() override { ++exits; }
    void onLinkChanged(const HidDeviceRef& dev) override { links.push_back(dev ? dev->node : "removed"); }
    void updateProgress(int value) override { progress.push_back(value); }
    void showError2() override { ++errors; }

    std::vector<std::array<uint8_t, 3>> pops;
    int exits = 0;
    std::vector<std::string> links;
    std::vector<int> progress;
    int errors = 0;
};

inline bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline bool HasLinePrefix(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

class SimLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedGvar_ = gVar;
        gVar.Suwnd = 1;
        gVar.GoWithNoDev = 0;
        SetHidBackendFactory(SimKeyboardFactory(sim));
        link = std::make_unique<Dev6120>(loop);
        mainView = &window;
    }
    void TearDown() override {
        StopApplyWorker();
        msParam.reset();
        link.reset();
        mainView = nullptr;
        SetHidBackendFactory(nullptr);
        gVar = savedGvar_;
    }

    // HID access and the keyboard found, as start-up does it.
    bool connect() { return link->InitHID() == 1 && link->FindHIDDevice() == 1; }
    std::string node() const {
        HidDeviceRef dev = link->GetDeviceHandle();
        return dev ? dev->node : std::string();
    }

    // Starts the worker; each apply's end is counted in `finished`.
    void startWorker() {
        msParam = std::make_unique<ThreadParam>();
        msParam->finished = [this](int32_t flags, bool ok) {
            results.push_back(ok);
            flagsSeen.push_back(flags);
        };
        ASSERT_TRUE(StartApplyWorker(*link, &window));
    }
    bool waitForApplies(size_t count) {
        bool done = loop.runUntil([&] { return results.size() >= count; }, kPatienceMs);
        loop.runFor(0);
        return done;
    }

    RecordingAlertSink alerts;
    LogCapture log;
    std::shared_ptr<SimKeyboard> sim = std::make_shared<SimKeyboard>();
    PollLoop loop;
    std::unique_ptr<Dev6120> link;
    RecordingWindow window;
    std::vector<bool> results;
    std::vector<int32_t> flagsSeen;  // of each apply, in order

private:
    _GVAR savedGvar_{};
};

}  // namespace keyloom::test
