// The skin pictures, by group. Each function draws its pictures at a scale
// (pixels to a point) and adds them to the set under their file names.
#pragma once
#include "paint.h"

namespace keyloom::skins {

void addWindowSkins(SkinSet& out, int scale);   // main_nr, main_dn
void addDialogSkins(SkinSet& out, int scale);   // dialog backgrounds and the progress panel
void addControlSkins(SkinSet& out, int scale);  // buttons, check boxes, menus, icons, sliders
void addKnobSkins(SkinSet& out, int scale);     // the knob pop-up's dial and set highlights
void addColourSkins(SkinSet& out, int scale);   // colour wheel, ring and chart

}  // namespace keyloom::skins
