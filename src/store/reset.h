// Factory defaults: what a new or reset profile holds, and finding a key of the
// default table by its host key code.
#pragma once

#include "model/stprofile.h"

namespace keyloom {

// Builds a complete new profile (new id, factory keys, lighting and knob) in dst.
void new_profile(const char* name, _ST_PROFILE* dst);
void ResetProfile(_ST_PROFILE* profile);
void ResetKey(_ST_PROFILE* profile);
void ResetADV(_ST_PROFILE* profile);
void ResetKnod(_ST_PROFILE* profile);

// The first default-table slot carrying a host key code (modifier slots match
// their modifiers' codes), or -1; GetMatrixIndexForVk gives its matrix position.
int GetKeyIndexForVk(int vk);
int GetMatrixIndexForVk(int vk);

}  // namespace keyloom
