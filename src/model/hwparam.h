// Fixed hardware parameters, set once at start and read-only afterwards.
#pragma once
#include <cstdint>

namespace keyloom {

struct _HW_PARAM {
    uint32_t nHwVersion;
    uint32_t nMacroBufferSize;  // bytes of one hardware macro slot
    uint32_t nHwReserved;
    uint32_t nMaxRepeat;        // largest repeat count the macro editor accepts
    uint32_t nMaxDelay;         // delay bound for the macro editor
    uint32_t nMaxMacroItems;    // event-count bound for the macro editor; 0 means 170
};
static_assert(sizeof(_HW_PARAM) == 24);

extern _HW_PARAM hwParam;

// Sets hwParam to its start values; always true.
bool InitKey();
// The keyboard has no separate Fn matrix to prepare; kept as the start-up step it is.
void InitFNMatrix();

}  // namespace keyloom
