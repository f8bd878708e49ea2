// Integer rectangle and point shared by the configuration and the stored records.
#pragma once
#include <cstdint>

namespace keyloom {

struct _RECT {
    uint32_t left;
    uint32_t top;
    uint32_t right;
    uint32_t bottom;
};
static_assert(sizeof(_RECT) == 16);

struct _POINT {
    uint32_t x;
    uint32_t y;
};
static_assert(sizeof(_POINT) == 8);

}  // namespace keyloom
