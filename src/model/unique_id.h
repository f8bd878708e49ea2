// The ids of stored records.
#pragma once
#include <cstdint>

namespace keyloom {

// Milliseconds since 1970 truncated to 32 bits, after a 20 ms wait, so two ids
// taken one after the other always differ. Profiles, sets and macros share it.
// Within one process the ids also always increase (a clock that stands still or
// steps back gives the last id + 1), and 0 is never returned.
uint32_t create_unique_id();

}  // namespace keyloom
