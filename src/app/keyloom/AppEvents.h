// What happens in the running keyloom, for those who follow it from outside
// its window: the session bus service, the tray icon and the notifications.
// Every listener is told on the main thread, in the order it was added.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace keyloom::app {

template <class... Args>
class Listeners {
public:
    void add(std::function<void(Args...)> listener) { listeners_.push_back(std::move(listener)); }
    void operator()(Args... args) const {
        for (const auto& listener : listeners_) listener(args...);
    }

private:
    std::vector<std::function<void(Args...)>> listeners_;
};

struct AppEvents {
    // The layer (0..2) switched: in the window, by a script, or on the keyboard (byKeyboard).
    Listeners<int, bool> layerSwitched;
    // The table a layer plays, or the tables themselves, changed.
    Listeners<> keyTablesChanged;
    // The keyboard was plugged in (true) or pulled out.
    Listeners<bool> keyboardChanged;
    // The apply worker took a request of these flags.
    Listeners<int32_t> applyStarted;
    // A progress number of a running apply that asked for them.
    Listeners<int> applyProgress;
    // An apply ended: its flags, whether it succeeded, and why not.
    Listeners<int32_t, bool, const std::string&> applyFinished;
    // A knob set (0..7) was chosen, in the window or on the keyboard.
    Listeners<int> knobSetChosen;
    // The stored data changed (and will be saved shortly).
    Listeners<> dataChanged;
    // The window was shown (true) or hidden.
    Listeners<bool> windowShown;
    // The user chose another language: texts shown outside the window follow.
    Listeners<> languageChanged;
    // Following the application in front changed: turned on or off, another
    // rule active, or the rules edited.
    Listeners<> followingChanged;
};

}  // namespace keyloom::app
