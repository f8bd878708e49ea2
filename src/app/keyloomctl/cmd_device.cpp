// keyloomctl's device commands: options, and the link set-up they share.
#include "cmd_device.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/PublicLib.h"
#include "config/gvar.h"
#include "config/language.h"
#include "device/HidAccess.h"
#include "device/apply.h"
#include "macro/macrotree.h"
#include "store/startup_data.h"

namespace keyloom::ctl {

namespace {

// monitor --for: a number of seconds from 0 to a day, fractions allowed.
constexpr double kMaxMonitorSeconds = 86400;

std::string CheckSeconds(const std::string& text) {
    const std::string refusal = "takes 0 to 86400 seconds, not " + text;
    if (text.empty()) return refusal;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return refusal;
    // Also refuses NaN, which compares false with everything.
    if (!(value >= 0 && value <= kMaxMonitorSeconds)) return refusal;
    return {};
}

}  // namespace

DeviceCommands::DeviceCommands(CLI::App& app) {
    CLI::Option* simulate =
        app.add_flag("--simulate", dev_.simulate, "Talk to the simulated keyboard instead of a real one");
    app.add_flag("--sim-unplugged", dev_.simUnplugged, "Start the simulated keyboard unplugged (with --simulate)")
        ->needs(simulate);
    app.add_option("--sim-trace", dev_.simTrace, "Write the simulated keyboard's wire trace to FILE (with --simulate)")
        ->needs(simulate);

    devices_ = app.add_subcommand("devices", "List the HID interfaces with the keyboard's ids");
    devices_->footer("Example: keyloomctl devices   (or: keyloomctl --simulate devices)");
    apply_ = app.add_subcommand("apply", "Write the current profile to the keyboard");
    apply_->add_option("--flags", dev_.flags, "Apply flags, hexadecimal (default 8007: everything, with progress)");
    apply_->footer("Example: keyloomctl apply --flags 8004   (the key colours only)");
    encode_ = app.add_subcommand("encode", "Print every command an apply would send, as JSON, without a keyboard");
    encode_->add_option("--flags", dev_.flags, "Apply flags, hexadecimal (default 8007)");
    encode_->footer("Example: keyloomctl encode --flags 1 --data-dir /tmp/keyloom-data");
    monitor_ = app.add_subcommand("monitor", "Print the keyboard's notifications and its attach and removal");
    monitor_->footer("Example: keyloomctl --simulate monitor --sim-events \"layer 2; knob-open; unplug\"");
    monitor_->add_option("--for", dev_.forSeconds, "Stop after SECONDS, 0 to 86400 (default: until interrupted)")
        ->check(CLI::Validator(CheckSeconds, "SECONDS"));
    monitor_
        ->add_option("--sim-events", dev_.simEvents,
                     "With --simulate: events the keyboard sends, e.g. \"layer 2; knob-open; unplug; plug\"")
        ->needs(simulate);
}

bool DeviceCommands::writes() const { return apply_->parsed(); }

std::optional<int> DeviceCommands::run(const Options& opt) {
    if (devices_->parsed()) return cmd_devices(opt, dev_);
    if (apply_->parsed()) return cmd_apply(opt, dev_);
    if (encode_->parsed()) return cmd_encode(opt, dev_);
    if (monitor_->parsed()) return cmd_monitor(opt, dev_);
    return std::nullopt;
}

// ---- the link ----

LinkSession::LinkSession(const DeviceOptions& dev) {
    if (!dev.simulate) return;
    sim = std::make_shared<SimKeyboard>();
    if (dev.simUnplugged) sim->unplug();
    if (!dev.simTrace.empty()) {
        errno = 0;
        if (!sim->traceToFile(dev.simTrace)) {
            const int error = errno;
            std::fprintf(stderr, "Cannot write the trace file %s%s%s\n", dev.simTrace.c_str(), error ? ": " : "",
                         error ? std::strerror(error) : "");
            ready_ = false;
        }
    }
    SetHidBackendFactory(SimKeyboardFactory(sim));
}

LinkSession::~LinkSession() {
    StopApplyWorker();
    if (devMs) devMs->ClearDev();
    devMs.reset();
    mainView = nullptr;
    SetHidBackendFactory(nullptr);
}

bool LinkSession::start(DeviceEvents* events) {
    if (!ready_) return false;
    devMs = std::make_unique<Dev6120>(loop);
    if (devMs->InitHID() == 0) {
        PubLib::showSystemMessage("Init device access failed.", "Warning", nullptr, nullptr);
        return false;
    }
    mainView = events;
    return true;
}

bool LinkSession::find() {
    if (devMs->FindHIDDevice() == 1 || gVar.Suwnd != 0) return true;
    PubLib::showSystemMessage(GetText("tc_msg15"), "Warning", nullptr, nullptr);
    return false;
}

// ---- shared helpers ----

bool load_program_data(const Options& opt, StoredDataMode mode) {
    if (!load_program(opt)) return false;
    PrepareStoredData(mode);
    // Macro keys need their macros, which live in the macro folder.
    MacroTree tree;
    tree.loadMacroToList();
    return true;
}

std::optional<int32_t> parse_flags(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits = digits.substr(2);
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isxdigit(c) != 0; }))
        return std::nullopt;
    return static_cast<int32_t>(std::strtoul(digits.c_str(), nullptr, 16));
}

}  // namespace keyloom::ctl
