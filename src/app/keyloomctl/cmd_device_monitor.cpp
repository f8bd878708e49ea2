// keyloomctl monitor: the keyboard's notifications and its attach and
// removal, as the main window receives them, until interrupted.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <vector>

#include "cmd_device.h"
#include "device/HidAccess.h"

namespace keyloom::ctl {
namespace {

std::string Meaning(uint8_t b1, uint8_t b2) {
    if (b2 == 4 && b1 == 1) return "knob chooser opened";
    if (b2 == 4 && b1 == 2) return "knob chooser confirmed";
    if (b2 == 5 && b1 >= 1) return "knob chooser moved to set " + std::to_string(b1 - 1);
    if (b2 == 6 && (b1 == 1 || b1 == 2 || b1 == 4)) return "layer M" + std::to_string(b1 == 4 ? 3 : b1);
    return "not used";
}

class MonitorPrinter : public DeviceEvents {
public:
    explicit MonitorPrinter(PollLoop& loop) : loop_(loop) {}
    void onPoP(uint8_t b1, uint8_t b2, uint8_t b3) override {
        print("notification %02x %02x %02x: %s", b1, b2, b3, Meaning(b1, b2).c_str());
    }
    void onExit() override {
        print("keyboard removed: the program ends");
        exited = true;
        loop_.quit();
    }
    void onLinkChanged(const HidDeviceRef& dev) override {
        if (dev)
            print("attached %s", dev->node.c_str());
        else
            print("removed");
    }
    template <typename... Args>
    static void print(const char* fmt, Args... args) {
        std::printf(fmt, args...);
        std::printf("\n");
        std::fflush(stdout);
    }

    bool exited = false;

private:
    PollLoop& loop_;
};

// One step of a --sim-events script; it calls next once the loop may go on.
using SimStep = std::function<void(SimKeyboard&, PollLoop&, std::function<void()> next)>;

std::optional<SimStep> ParseStep(const std::string& text) {
    std::istringstream in(text);
    std::string word;
    int n = 0;
    if (!(in >> word)) return std::nullopt;
    const bool hasNumber = static_cast<bool>(in >> n);
    std::string rest;
    if (in >> rest) return std::nullopt;
    auto now = [](std::function<void(SimKeyboard&)> act) -> SimStep {
        return [act](SimKeyboard& sim, PollLoop& loop, std::function<void()> next) {
            act(sim);
            loop.post(std::move(next));  // after whatever the step posted
        };
    };
    if (word == "layer" && hasNumber && n >= 1 && n <= 3) return now([n](SimKeyboard& s) { s.sendLayer(n); });
    if (word == "knob-move" && hasNumber && n >= 0 && n <= 7) return now([n](SimKeyboard& s) { s.knobMoved(n); });
    if (word == "wait" && hasNumber && n >= 0)
        return [n](SimKeyboard&, PollLoop& loop, std::function<void()> next) { loop.addTimer(n, false, next); };
    if (hasNumber) return std::nullopt;
    if (word == "knob-open") return now([](SimKeyboard& s) { s.knobOpened(); });
    if (word == "knob-confirm") return now([](SimKeyboard& s) { s.knobConfirmed(); });
    if (word == "unplug") return now([](SimKeyboard& s) { s.unplug(); });
    if (word == "plug") return now([](SimKeyboard& s) { s.plug(); });
    return std::nullopt;
}

bool ParseScript(const std::string& script, std::vector<SimStep>& steps) {
    std::istringstream in(script);
    std::string part;
    while (std::getline(in, part, ';')) {
        if (part.find_first_not_of(" \t") == std::string::npos) continue;
        auto step = ParseStep(part);
        if (!step) {
            std::fprintf(stderr, "Unknown event in --sim-events: %s\n", part.c_str());
            return false;
        }
        steps.push_back(*step);
    }
    return true;
}

// Runs the steps one after the other, each once the loop has handled the last.
void RunScript(std::shared_ptr<std::vector<SimStep>> steps, size_t index, SimKeyboard& sim, PollLoop& loop) {
    if (index >= steps->size()) return;
    (*steps)[index](sim, loop, [steps, index, &sim, &loop] { RunScript(steps, index + 1, sim, loop); });
}

// SIGINT and SIGTERM end the monitor through the loop.
int WatchSignals(PollLoop& loop) {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    if (sigprocmask(SIG_BLOCK, &mask, nullptr) != 0) return -1;
    const int fd = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) return -1;
    loop.watchFd(fd, [&loop](short) { loop.quit(); });
    return fd;
}

}  // namespace

int cmd_monitor(const Options& opt, const DeviceOptions& dev) {
    auto steps = std::make_shared<std::vector<SimStep>>();
    if (!ParseScript(dev.simEvents, *steps)) return 1;
    if (!load_program(opt)) return 1;

    LinkSession session(dev);
    MonitorPrinter printer(session.loop);
    if (!session.start(&printer) || !session.find()) return 1;
    if (!devMs->GetDeviceHandle()) MonitorPrinter::print("no keyboard");
    const int signals = WatchSignals(session.loop);

    if (session.sim) session.loop.post([&] { RunScript(steps, 0, *session.sim, session.loop); });
    if (dev.forSeconds >= 0)  // at most a day, checked by the parser: fits the milliseconds
        session.loop.runFor(static_cast<int>(std::llround(dev.forSeconds * 1000)));
    else
        session.loop.run();
    if (signals >= 0) close(signals);
    return printer.exited ? 1 : 0;
}

}  // namespace keyloom::ctl
