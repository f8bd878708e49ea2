// The desktop's pointer settings: pointer acceleration, scroll acceleration,
// double-click time, primary button and natural scrolling, read and changed
// through the desktop's settings store, and the fixed step tables that turn
// them into the positions of a ten-step slider.
#pragma once
#include <cstdint>

namespace keyloom {

class PointerStore;

// The step tables, by slider step.
extern const float fMsSpeed[12];     // pointer acceleration; 10 steps used, the last two 0
extern const float fScrollSpeed[8];  // scroll acceleration
extern const float fDbSpeed[11];     // double-click time in seconds; the search covers 0..9

// The first step whose table value equals the value as a 32-bit float, or -1.
int MouseSpeedToIndex(double speed);
int ScrollSpeedToIndex(double speed);  // steps 0..7
int DbSpeedToIndex(double seconds);    // steps 0..9
// The table value of a step; 0 for a step outside its table.
double IndexToMouseSpeed(int index);
double IndexToScrollSpeed(int index);
double IndexToDbSpeed(int index);

// The host encodings of the values: accelerations as signed 16.16 fixed
// point (truncated), the double-click time as nanoseconds (truncated).
int32_t to_fixed_16_16(double value);
double from_fixed_16_16(int32_t raw);
uint64_t secs_to_packed_nsecs(double seconds);
double packed_nsecs_to_secs(uint64_t nanoseconds);

// Primary-button modes.
constexpr int PRIMARY_BUTTON_LEFT = 0;   // the left button clicks (right-handed)
constexpr int PRIMARY_BUTTON_RIGHT = 1;  // the right button clicks (left-handed)

// Reads each requested value, logging "MouseSpeed = %f", "ScrollSpeed = %f",
// "DbClickSpeed = %f" and "PrimaryButton = %d". A value the desktop does not
// keep is left as it was, with a log line saying so. False when the
// desktop's pointer settings cannot be reached at all.
bool ReadMouseParamer(double* msSpeed, double* scrollSpeed, double* dbClickSeconds, int* primaryButton);
// Writes each given value. False when the settings cannot be reached or a
// given value could not be written (each such value is logged; the others
// are still written).
bool SetMouseParamer(const double* msSpeed, const double* scrollSpeed, const double* dbClickSeconds,
                     const int* primaryButton);
// Natural (reversed) scrolling for mice and touchpads alike.
bool SetNaturalScroll(bool natural);
bool ReadNaturalScroll(bool* natural);

// The store the functions above use; none restores the desktop's own
// (GSettings). The store must outlive its use.
void UsePointerStore(PointerStore* store);
PointerStore& CurrentPointerStore();

// How the step tables' values map onto the desktop store's own ranges.
// Pointer acceleration: the ten steps spread evenly over the store's speed
// range -1..1, values between steps in proportion. Exact at every step.
double mouse_speed_to_store(double speed);
double store_to_mouse_speed(double stored);

}  // namespace keyloom
