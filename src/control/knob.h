// The knob side of the main window: the knob pop-up, opened and closed from
// the key map's knob row or by the keyboard, and the keyboard's
// notifications (the knob chooser opened, moved, confirmed; a layer switched).
// The window shows what a decision says, then reports back what it did.
#pragma once
#include <cstdint>

#include "base/geometry.h"

namespace keyloom {

class Dev6120;

enum class KnobStep {
    Nothing,
    OpenPopUp,   // at the profile's set and place
    ClosePopUp,  // the set shown in it is the one chosen
    ShowSet,     // the keyboard's chooser moved to another set
    ShowLayer,   // the keyboard switched the layer (the profile plays it now)
};

struct KnobDecision {
    KnobStep step = KnobStep::Nothing;
    int set = 0;     // OpenPopUp, ShowSet: the set, 0..7
    _POINT at{};     // OpenPopUp: where, as stored in the profile
    // The keyboard changed the profile, which no input to the window shows.
    bool profileChanged = false;
};

// Who chose a knob set: the window (the knob row closed the pop-up) or the
// keyboard (its chooser confirmed).
enum class KnobChooser { Window, Keyboard };

class KnobController {
public:
    // link (may be none): the keyboard told when the window chooses the set.
    explicit KnobController(Dev6120* link) : link_(link) {}

    // The key map's knob row clicked; opens nothing without ShowKnod.
    KnobDecision knobRowClicked(bool popUpOpen) const;
    // A notification [value, kind] from the keyboard; a layer switch is
    // taken into the current profile here.
    KnobDecision keyboardNotice(uint8_t value, uint8_t kind, bool popUpOpen);

    // The pop-up is up: the keyboard leaves the choice to the window.
    void popUpOpened();
    // The pop-up went: its set and place are kept in the current profile.
    void keepPopUp(int set, double x, double y);
    // The set chosen reaches the keyboard; chosen in the window, the
    // keyboard takes the choice back first.
    void setChosen(KnobChooser by);

private:
    Dev6120* link_;
};

}  // namespace keyloom
