// The skin pictures, by group. Each function draws its pictures and adds them
// to the set under their file names.
#pragma once
#include "paint.h"

namespace keyloom::skins {

void addWindowSkins(SkinSet& out);   // main_nr, main_dn
void addDialogSkins(SkinSet& out);   // dialog backgrounds and the progress panel
void addControlSkins(SkinSet& out);  // buttons, check boxes, menus, icons, sliders
void addKnobSkins(SkinSet& out);     // the knob pop-up's dial and set highlights
void addColourSkins(SkinSet& out);   // colour wheel, ring and chart

}  // namespace keyloom::skins
