// keyloomctl's host commands: pointer (the desktop's pointer settings) and
// inject (one synthetic key event).
#include "cmd_host.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <limits>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "base/debug.h"
#include "hostmouse/PointerStore.h"
#include "hostmouse/mousepanel.h"
#include "hostmouse/mousesettings.h"
#include "keys/basic.h"
#include "keys/keyinject.h"

namespace keyloom::ctl {
namespace {

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A number in decimal or with 0x in hexadecimal; none for anything else.
std::optional<unsigned long> parse_number(const std::string& text) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(text.c_str(), &end, hex ? 16 : 10);  // never octal
    if (errno || end != text.c_str() + text.size()) return std::nullopt;
    return value;
}

nlohmann::json stepped(const char* name, double value, int step) {
    nlohmann::json entry{{name, value}};
    entry["step"] = step >= 0 ? nlohmann::json(step) : nlohmann::json(nullptr);
    return entry;
}

// What the store says about one setting: its reason when it keeps none.
void note_missing(nlohmann::json& missing, const char* name, PointerSetting setting) {
    std::string why;
    if (!CurrentPointerStore().read(setting, &why)) missing[name] = why;
}

int print_pointer_settings() {
    // ReadMouseParamer leaves a value the desktop does not keep as it was.
    const double unread = std::numeric_limits<double>::quiet_NaN();
    double speed = unread, scroll = unread, dbClick = unread;
    int primary = -1;
    bool natural = false;
    if (!ReadMouseParamer(&speed, &scroll, &dbClick, &primary)) return kExitFailure;
    const bool haveSpeed = !std::isnan(speed), haveScroll = !std::isnan(scroll), haveDbClick = !std::isnan(dbClick);
    const bool haveNatural = ReadNaturalScroll(&natural);

    nlohmann::json out;
    nlohmann::json missing = nlohmann::json::object();
    out["pointer_speed"] = haveSpeed ? stepped("value", speed, MouseSpeedToIndex(speed)) : nlohmann::json(nullptr);
    out["scroll_speed"] = haveScroll ? stepped("value", scroll, ScrollSpeedToIndex(scroll)) : nlohmann::json(nullptr);
    out["double_click"] = haveDbClick ? stepped("seconds", dbClick, DbSpeedToIndex(dbClick)) : nlohmann::json(nullptr);
    out["primary"] = primary < 0 ? nlohmann::json(nullptr) : nlohmann::json(primary == PRIMARY_BUTTON_RIGHT ? "right" : "left");
    out["natural_scroll"] = haveNatural ? nlohmann::json(natural) : nlohmann::json(nullptr);
    if (!haveSpeed) note_missing(missing, "pointer_speed", PointerSetting::MouseSpeed);
    if (!haveScroll) note_missing(missing, "scroll_speed", PointerSetting::ScrollSpeed);
    if (!haveDbClick) note_missing(missing, "double_click", PointerSetting::DoubleClickMs);
    if (primary < 0) note_missing(missing, "primary", PointerSetting::LeftHanded);
    if (!haveNatural) note_missing(missing, "natural_scroll", PointerSetting::MouseNaturalScroll);
    out["not_available"] = missing;
    std::printf("%s\n", out.dump(2).c_str());
    return kExitOk;
}

}  // namespace

std::optional<int> parse_host_key(const std::string& text) {
    if (auto number = parse_number(text)) {
        if (*number <= 127) return int(*number);
        return std::nullopt;
    }
    const std::string wanted = lower(text);
    for (int code = 0; code <= 127; ++code) {
        std::optional<std::string> name = GetVKName(code);
        if (name && !name->empty() && lower(*name) == wanted) return code;
    }
    return std::nullopt;
}

HostCommands::HostCommands(CLI::App& app) {
    pointerCmd_ = app.add_subcommand("pointer", "Print or change the desktop's pointer settings (JSON)");
    pointerCmd_->footer("Example: keyloomctl pointer --speed-step 5 --natural-scroll off");
    pointerCmd_->add_option("--speed-step", pointer_.speedStep, "Pointer speed, slider step 0 to 9")
        ->check(CLI::Range(0, 9));
    pointerCmd_->add_option("--scroll-step", pointer_.scrollStep, "Scroll speed, slider step 0 to 7")
        ->check(CLI::Range(0, 7));
    pointerCmd_->add_option("--double-click-step", pointer_.doubleClickStep, "Double-click time, slider step 0 to 9")
        ->check(CLI::Range(0, 9));
    pointerCmd_->add_option("--primary", pointer_.primary, "The primary button: left or right")
        ->check(CLI::IsMember({"left", "right"}));
    pointerCmd_->add_option("--natural-scroll", pointer_.naturalScroll, "Natural scrolling: on or off")
        ->check(CLI::IsMember({"on", "off"}));
    pointerCmd_->add_flag("--open-settings", pointer_.openSettings, "Open the desktop's mouse settings");

    injectCmd_ = app.add_subcommand("inject", "Post one key press (or release) to the desktop");
    injectCmd_->footer("Example: keyloomctl inject A --modifiers 0x02   (Shift+A pressed; then inject A --release)");
    injectCmd_->add_option("KEY", inject_.key, "A key name (A, Enter, F5) or a host key code (0..127)")
        ->required()
        ->check(CLI::Validator(
            [](const std::string& text) { return parse_host_key(text) ? std::string() : "no key is called " + text; },
            "KEY"));
    injectCmd_
        ->add_option("--modifiers", inject_.modifiers,
                     "HID modifier byte held for the event: Ctrl 0x01, Shift 0x02, Opt 0x04, Cmd 0x08, "
                     "right-hand keys 0x10-0x80 (default 0)")
        ->check(CLI::Validator(
            [](const std::string& text) {
                auto mask = parse_number(text);
                return mask && *mask <= 0xFF ? std::string() : "takes a byte (0 to 0xFF), not " + text;
            },
            "MASK"));
    injectCmd_->add_flag("--release", inject_.release, "Post the key's release instead of its press");
}

std::optional<int> HostCommands::run(const Options& opt) {
    if (!pointerCmd_->parsed() && !injectCmd_->parsed()) return std::nullopt;
    SetLogLevel(opt.logLevel);
    return pointerCmd_->parsed() ? cmd_pointer(pointer_) : cmd_inject(inject_);
}

int cmd_pointer(const PointerOptions& opt) {
    std::string why;
    if (!CurrentPointerStore().reachable(&why)) return fail("keyloomctl: pointer settings: not available: " + why);
    if (opt.openSettings && !LaunchMousePreferencePane())
        return fail("keyloomctl: no mouse settings program (GNOME's or KDE's) is installed");

    const bool changing = opt.speedStep || opt.scrollStep || opt.doubleClickStep || !opt.primary.empty() ||
                          !opt.naturalScroll.empty();
    if (changing) {
        double speed = IndexToMouseSpeed(opt.speedStep.value_or(0));
        double scroll = IndexToScrollSpeed(opt.scrollStep.value_or(0));
        double dbClick = IndexToDbSpeed(opt.doubleClickStep.value_or(0));
        int primary = opt.primary == "right" ? PRIMARY_BUTTON_RIGHT : PRIMARY_BUTTON_LEFT;
        bool ok = SetMouseParamer(opt.speedStep ? &speed : nullptr, opt.scrollStep ? &scroll : nullptr,
                                  opt.doubleClickStep ? &dbClick : nullptr, opt.primary.empty() ? nullptr : &primary);
        if (!opt.naturalScroll.empty()) ok = SetNaturalScroll(opt.naturalScroll == "on") && ok;
        if (!ok) {
            std::fprintf(stderr, "keyloomctl: some pointer settings were not changed (see the lines above)\n");
            print_pointer_settings();
            return kExitFailure;
        }
    }
    if (opt.openSettings && !changing) return kExitOk;
    return print_pointer_settings();
}

int cmd_inject(const InjectOptions& opt) {
    // Both were checked when the command line was read.
    const int key = parse_host_key(opt.key).value_or(0);
    const unsigned long mask = parse_number(opt.modifiers).value_or(0);
    std::string why;
    if (!PostKeyboardEvent(key, opt.release ? 0 : 1, mask, &why)) return fail("keyloomctl: inject: " + why);
    return kExitOk;
}

}  // namespace keyloom::ctl
