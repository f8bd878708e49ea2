// Restore puts the whole lighting, the whole knob and the key table of the
// selected mode back to the factory's; the other modes keep their tables.
#pragma once
#include "base/reason.h"

namespace keyloom {

struct _ST_KEYPRO;
struct _ST_PROFILE;

// The question Restore asks first: it names the table and the mode it resets.
Reason RestoreQuestion(const _ST_KEYPRO* shown, int mode);
// Resets the profile and the shown table (which may be none).
void RestoreDefaults(_ST_PROFILE& profile, _ST_KEYPRO* shown);

}  // namespace keyloom
