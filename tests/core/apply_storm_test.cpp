// Storms of faults during applies through the worker thread (test.sh runs
// them under ThreadSanitizer too): the keyboard pulled out at every point of
// an apply, and a transfer failing at every point, a hundred times each. Each
// failure is reported once, the link comes back, and the next apply is whole.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <set>

#include "apply_model.h"
#include "link_support.h"

namespace keyloom {
namespace {

using Bytes = std::vector<uint8_t>;
const Bytes kWholeApply{0x02, 0x03, 0x04, 0x05, 0x01};  // lighting, colours, keys, macros, knob

class ApplyWorkerStorm : public test::SimLinkTest {
protected:
    void SetUp() override {
        SimLinkTest::SetUp();
        SetPauseScalePercent(0);  // the link's pauses between commands and retries
        model.install();
        ASSERT_TRUE(connect());
        startWorker();
        sim->clearHistory();
        ASSERT_TRUE(applyAndWait());
        transfers = sim->transferCount();
        ASSERT_GE(transfers, int(kWholeApply.size()));
    }
    void TearDown() override {
        SimLinkTest::TearDown();
        model.remove();
        SetPauseScalePercent(100);
    }
    // KEYLOOM_STORM_CYCLES sets a longer storm.
    static int cycles() {
        const char* text = std::getenv("KEYLOOM_STORM_CYCLES");
        return text && std::atoi(text) > 0 ? std::atoi(text) : 100;
    }
    // A whole apply with progress; its result.
    bool applyAndWait() {
        const size_t before = results.size();
        noisy_apply_kb(0x0007);
        return waitForApplies(before + 1) && results.back();
    }

    test::ApplyModel model;
    int transfers = 0;  // of one whole apply
};

TEST_F(ApplyWorkerStorm, KeyboardPulledOutAtEveryPointOfAnApply) {
    for (int cycle = 0; cycle < cycles(); ++cycle) {
        SCOPED_TRACE(cycle);
        const int errors = window.errors;
        const size_t applies = results.size();
        sim->holdTransfers(cycle % transfers);
        noisy_apply_kb(0x0007);
        ASSERT_TRUE(sim->waitForHeldTransfer(test::kPatienceMs));
        ASSERT_TRUE(sim->unplug());
        sim->releaseTransfers();
        ASSERT_TRUE(waitForApplies(applies + 1));
        EXPECT_FALSE(results.back());
        EXPECT_EQ(window.errors, errors + 1);
        EXPECT_EQ(window.progress.back(), 101);
        EXPECT_EQ(link->GetDeviceHandle(), nullptr);

        ASSERT_TRUE(sim->plug());
        ASSERT_TRUE(loop.runUntil([&] { return link->GetDeviceHandle() != nullptr; }, test::kPatienceMs));
        sim->clearHistory();
        ASSERT_TRUE(applyAndWait());
        EXPECT_EQ(sim->commands(), kWholeApply);
        EXPECT_EQ(window.errors, errors + 1);
    }
    EXPECT_EQ(window.exits, 0);
}

TEST_F(ApplyWorkerStorm, ATransferFailingAtEveryPointOfAnApply) {
    std::set<size_t> failedAtCommand;  // how many commands had gone through when one failed
    for (int cycle = 0; cycle < cycles(); ++cycle) {
        SCOPED_TRACE(cycle);
        const int errors = window.errors;
        sim->clearHistory();
        sim->failNextTransfers(3, EIO, cycle % transfers);  // with its retries
        const bool ok = applyAndWait();
        EXPECT_EQ(window.errors, errors + (ok ? 0 : 1));
        if (!ok) {
            failedAtCommand.insert(sim->commands().size());
            EXPECT_LT(sim->commands().size(), kWholeApply.size());
        }
        ASSERT_NE(link->GetDeviceHandle(), nullptr);
        sim->failNextTransfers(0, 0);
        sim->clearHistory();
        ASSERT_TRUE(applyAndWait());
        EXPECT_EQ(sim->commands(), kWholeApply);
    }
    EXPECT_EQ(failedAtCommand, (std::set<size_t>{0, 1, 2, 3, 4}));  // each of the five commands
}

}  // namespace
}  // namespace keyloom
