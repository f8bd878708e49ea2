// What the main window asks the keyboard to write: the flags of each
// request, whether a keyboard is there to take it, and the steps the progress
// panel announces. The apply worker merges requests that wait while one runs
// (device/apply.h).
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "base/reason.h"
#include "device/apply.h"
#include "device/apply_sequence.h"

namespace keyloom {

enum class KeyboardState { Missing, Simulated, Connected };

// The progress panel's line for a step under way: its text key, and its
// number of the steps the apply writes.
struct ApplyStepLine {
    const char* what;
    int number;
    int count;
};

class ApplyController {
public:
    // Apply and OK write everything; Restore writes the factory state.
    static constexpr int32_t kEverything = APPLY_KEYS | APPLY_LIGHTING | APPLY_KEY_COLORS;
    static constexpr int32_t kReset = APPLY_RESET | APPLY_KEYS | APPLY_LIGHTING;

    // Whether the link holds a keyboard, as its attach and removal reports
    // said: asking the link itself would wait for a running transfer.
    void setKeyboardPresent(bool present) { present_ = present; }
    void setSimulated(bool simulated) { simulated_ = simulated; }
    KeyboardState keyboardState() const;
    // The text key that says the keyboard's state.
    const char* keyboardStateText() const;

    // What to tell instead of writing: the keyboard is missing (GoWithNoDev
    // lets the window go on without one). Empty when a request can go.
    Reason refusal() const;
    // Requests an apply whose progress the panel shows; the steps it
    // announces start over. hasKeyTable: a table is shown for the mode.
    void requestWithProgress(int32_t flags, bool hasKeyTable);
    // A key's function or colour changed on the key map: written at once
    // only with ApplyNow. What to tell when it cannot be.
    Reason keyEdited(bool colour);
    // The step under way at a progress number of the running apply; none
    // once every step is written.
    std::optional<ApplyStepLine> stepAt(int progress) const;

private:
    bool present_ = false;
    bool simulated_ = false;
    std::vector<ApplyStep> steps_;  // what the apply with progress writes
};

}  // namespace keyloom
