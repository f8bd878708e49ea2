#include "control/apply_requests.h"

#include "config/gvar.h"
#include "model/stprofile.h"

namespace keyloom {

KeyboardState ApplyController::keyboardState() const {
    if (!present_) return KeyboardState::Missing;
    return simulated_ ? KeyboardState::Simulated : KeyboardState::Connected;
}

const char* ApplyController::keyboardStateText() const {
    switch (keyboardState()) {
        case KeyboardState::Missing: return "tc_kb_missing";
        case KeyboardState::Simulated: return "tc_kb_simulated";
        case KeyboardState::Connected: break;
    }
    return "tc_kb_connected";
}

Reason ApplyController::refusal() const {
    if (gVar.GoWithNoDev != 0 || present_) return {};
    return MakeReason("tc_kb_plug_in");
}

void ApplyController::requestWithProgress(int32_t flags, bool hasKeyTable) {
    const _ST_PROFILE* profile = get_current_profile();
    steps_ = ApplySteps(flags, profile && IsLedGameMode(profile->stAdv.nMode), hasKeyTable);
    noisy_apply_kb(flags);
}

Reason ApplyController::keyEdited(bool colour) {
    // Without ApplyNow the change waits in the profile for the next Apply.
    if (gVar.ApplyNow == 0) return {};
    if (Reason missing = refusal(); !missing.empty()) return missing;
    quiet_apply_kb(APPLY_NOISY | (colour ? APPLY_KEY_COLORS : APPLY_KEYS));
    return {};
}

std::optional<ApplyStepLine> ApplyController::stepAt(int progress) const {
    // The step under way is the first one not reported done.
    const int count = int(steps_.size());
    for (int i = 0; i < count; ++i) {
        const ApplyStep& step = steps_[size_t(i)];
        if (step.doneAt <= progress) continue;
        const char* what = step.flag == APPLY_LIGHTING     ? "tc_step_lighting"
                           : step.flag == APPLY_KEY_COLORS ? "tc_step_key_colours"
                                                           : "tc_step_key_table";
        return ApplyStepLine{what, i + 1, count};
    }
    return std::nullopt;
}

}  // namespace keyloom
