// keyloomctl's device commands (devices, apply, encode, monitor) and the
// global options that choose the simulated keyboard.
#pragma once
#include <memory>
#include <optional>
#include <string>

#include "ctl.h"
#include "device/Dev6120.h"
#include "device/PollLoop.h"
#include "device/SimKeyboard.h"
#include "store/startup_data.h"

namespace CLI {
class App;
}

namespace keyloom::ctl {

struct DeviceOptions {
    bool simulate = false;
    bool simUnplugged = false;  // the simulated keyboard starts unplugged
    std::string simTrace;       // wire trace of the simulated keyboard
    std::string flags = "8007";
    double forSeconds = -1;  // monitor: stop after this long, 0..86400 (negative: until interrupted)
    std::string simEvents;   // monitor: the script sent by the simulated keyboard
};

// Adds the device commands and their options to the parser; run() carries
// out the one given.
class DeviceCommands {
public:
    explicit DeviceCommands(CLI::App& app);
    // The exit code of the device command given; none when another command was.
    std::optional<int> run(const Options& opt);
    // Whether the command given writes to the keyboard (and saves the data folder after).
    bool writes() const;
    // The device options given (apply's flags among them).
    const DeviceOptions& options() const { return dev_; }

private:
    DeviceOptions dev_;
    CLI::App* devices_ = nullptr;
    CLI::App* apply_ = nullptr;
    CLI::App* encode_ = nullptr;
    CLI::App* monitor_ = nullptr;
};

int cmd_devices(const Options& opt, const DeviceOptions& dev);
int cmd_apply(const Options& opt, const DeviceOptions& dev);
int cmd_encode(const Options& opt, const DeviceOptions& dev);
int cmd_monitor(const Options& opt, const DeviceOptions& dev);

// What the device commands share: the backend choice, the main loop and the link.
class LinkSession {
public:
    explicit LinkSession(const DeviceOptions& dev);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // False when the simulated keyboard could not be set up as asked (its
    // trace file cannot be written); the message is printed.
    bool ready() const { return ready_; }
    // Creates devMs and starts HID access; false (message printed) when it
    // cannot, or when the session is not ready.
    bool start(DeviceEvents* events);
    // FindHIDDevice; with no keyboard and Suwnd 0 prints "tc_msg15" and gives false.
    bool find();

    PollLoop loop;
    std::shared_ptr<SimKeyboard> sim;  // null without --simulate

private:
    bool ready_ = true;
};

// Configuration, texts, stored data (as init loads it, or without writing
// anything in ReadOnly mode) and the macros of the macro folder.
bool load_program_data(const Options& opt, StoredDataMode mode);
// "8007", "0x8007" -> 0x8007; none when it is not a hexadecimal number.
std::optional<int32_t> parse_flags(const std::string& text);

}  // namespace keyloom::ctl
