// keyloomctl's host commands: the desktop's pointer settings and synthetic
// key events.
#pragma once
#include <optional>
#include <string>

#include "ctl.h"

namespace CLI {
class App;
}

namespace keyloom::ctl {

struct PointerOptions {
    std::optional<int> speedStep;        // 0..9
    std::optional<int> scrollStep;       // 0..7
    std::optional<int> doubleClickStep;  // 0..9
    std::string primary;                 // "left", "right" or empty
    std::string naturalScroll;           // "on", "off" or empty
    bool openSettings = false;
};

struct InjectOptions {
    std::string key;                // a key name ("A", "Enter") or a host key code
    std::string modifiers = "0";    // the HID modifier byte
    bool release = false;
};

class HostCommands {
public:
    explicit HostCommands(CLI::App& app);
    // The exit code of the host command given; none when another command was.
    std::optional<int> run(const Options& opt);

private:
    PointerOptions pointer_;
    InjectOptions inject_;
    CLI::App* pointerCmd_ = nullptr;
    CLI::App* injectCmd_ = nullptr;
};

int cmd_pointer(const PointerOptions& opt);
int cmd_inject(const InjectOptions& opt);
// "A", "a", "Enter", "36", "0x24" -> a host key code; none when it names no key.
std::optional<int> parse_host_key(const std::string& text);

}  // namespace keyloom::ctl
