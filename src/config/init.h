// The configuration step of start-up: device configuration, diagnostic log,
// default key table and hardware parameters.
#pragma once

namespace keyloom {

// Runs InitGvar, InitFNMatrix and InitKey in that order; true on success.
bool Init();

}  // namespace keyloom
