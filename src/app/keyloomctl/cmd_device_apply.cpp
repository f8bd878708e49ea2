// keyloomctl apply: one apply through the program's own worker thread.
#include <cstdio>

#include "cmd_device.h"
#include "device/apply.h"
#include "store/startup_data.h"

namespace keyloom::ctl {
namespace {

constexpr int kPatienceMs = 60000;

// Stands in for the main window: prints the progress and the failure.
class ApplyPrinter : public ApplyTarget, public DeviceEvents {
public:
    void updateProgress(int progress) override { std::printf("progress %d\n", progress), std::fflush(stdout); }
    void showError2() override {
        failed = true;
        std::fprintf(stderr, "Update settings failed!\n");
    }
    void onPoP(uint8_t, uint8_t, uint8_t) override {}
    void onExit() override { exited = true; }

    bool failed = false;
    bool exited = false;
};

}  // namespace

int cmd_apply(const Options& opt, const DeviceOptions& dev) {
    const std::optional<int32_t> flags = parse_flags(dev.flags);
    if (!flags) return fail("--flags takes a hexadecimal number, e.g. 8007");
    if (!load_program_data(opt, StoredDataMode::Writable)) return 1;

    LinkSession session(dev);
    ApplyPrinter printer;
    if (!session.start(&printer) || !session.find()) return 1;

    bool finished = false, ok = false;
    msParam = std::make_unique<ThreadParam>();
    msParam->finished = [&](int32_t, bool result) { finished = true, ok = result; };
    StartApplyWorker(*devMs, &printer);
    quiet_apply_kb(*flags);
    session.loop.runUntil([&] { return finished || printer.exited; }, kPatienceMs);
    session.loop.runFor(0);  // what the worker posted before it finished
    StopApplyWorker();

    // As the program does when it ends: the profile keeps the keys it applied.
    const bool saved = SaveStoredData();  // a failure is shown as an alert
    if (printer.exited) return 1;  // the keyboard went; the message is out
    if (!finished) return fail("The apply did not finish");
    if (ok) return saved ? 0 : 1;
    if (!printer.failed) std::fprintf(stderr, "Update settings failed!\n");
    const std::string& cause = msParam->failure;
    std::fprintf(stderr, "%s\n", cause.empty() ? "The apply stopped." : cause.c_str());
    return 1;
}

}  // namespace keyloom::ctl
