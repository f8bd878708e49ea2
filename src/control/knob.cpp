#include "control/knob.h"

#include <algorithm>

#include "base/debug.h"
#include "config/gvar.h"
#include "device/Dev6120.h"
#include "device/apply.h"
#include "model/stprofile.h"

namespace keyloom {

namespace {

constexpr uint8_t kKnobNotice = 4;     // value 1 opened, 2 confirmed
constexpr uint8_t kKnobSetNotice = 5;  // value: the set, counted from 1
constexpr uint8_t kLayerNotice = 6;    // value 1, 2 or 4: M1, M2, M3

bool knobShown() {
    return gVar.ShowKnod != 0;
}

KnobDecision openAtProfile(const _ST_PROFILE& profile) {
    return KnobDecision{KnobStep::OpenPopUp, profile.nKnodSet, profile.ptPop, false};
}

}  // namespace

KnobDecision KnobController::knobRowClicked(bool popUpOpen) const {
    if (!knobShown()) return {};
    if (popUpOpen) return KnobDecision{KnobStep::ClosePopUp};
    if (const _ST_PROFILE* profile = get_current_profile()) return openAtProfile(*profile);
    return {};
}

KnobDecision KnobController::keyboardNotice(uint8_t value, uint8_t kind, bool popUpOpen) {
    LOG("onPoP value=%u kind=%u", unsigned(value), unsigned(kind));
    _ST_PROFILE* profile = get_current_profile();
    if (!profile) return {};
    KnobDecision decision;
    if (kind == kKnobNotice && knobShown() && value == 1) {
        decision = openAtProfile(*profile);
    } else if (kind == kKnobNotice && knobShown() && value == 2) {
        decision.step = KnobStep::ClosePopUp;
    } else if (kind == kKnobSetNotice && knobShown() && popUpOpen) {
        decision = KnobDecision{KnobStep::ShowSet, int(value) - 1};
    } else if (kind == kLayerNotice && (value == 1 || value == 2 || value == 4)) {
        profile->nLayer = value == 1 ? 0 : value == 2 ? 1 : 2;
        decision.step = KnobStep::ShowLayer;
    }
    decision.profileChanged = true;
    return decision;
}

void KnobController::popUpOpened() {
    if (link_) link_->TellFwDriverOnLine(1);
}

void KnobController::keepPopUp(int set, double x, double y) {
    _ST_PROFILE* profile = get_current_profile();
    if (!profile) return;
    profile->nKnodSet = set;
    profile->ptPop = _POINT{uint32_t(std::max(0.0, x)), uint32_t(std::max(0.0, y))};
}

void KnobController::setChosen(KnobChooser by) {
    if (by == KnobChooser::Window && link_) link_->TellFwDriverOnLine(0);
    quiet_apply_kb(APPLY_LIGHTING);
}

}  // namespace keyloom
