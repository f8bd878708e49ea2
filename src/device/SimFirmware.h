// The simulated keyboard's firmware state: what the keyboard holds after the
// commands it has received, decoded from their 1024-byte payloads.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace keyloom {

constexpr int SIM_PAYLOAD_SIZE = 1024;
constexpr int SIM_MATRIX_SIZE = 126;
constexpr int SIM_MACRO_SLOTS = 10;
constexpr int SIM_MACRO_SLOT_SIZE = 192;
constexpr int SIM_MACRO_AREA_SIZE = SIM_MACRO_SLOTS * SIM_MACRO_SLOT_SIZE;  // 1920
constexpr int SIM_MACRO_PART1_SIZE = 1022;  // area bytes carried by command 0x04
constexpr int SIM_KNOB_CODES = 16;

// One event of a hardware macro slot.
struct SimMacroEvent {
    bool released = false;
    int delayMs = 0;  // the 11-bit delay in 10 ms units, times 10
    bool modifier = false;
    uint8_t usage = 0;  // modifier bit, mouse button code or keyboard usage

    bool operator==(const SimMacroEvent&) const = default;
};

// The lighting and knob state of command 0x02.
struct SimLighting {
    uint8_t hwMode = 0;
    uint8_t speed = 0;  // as sent: 6 - the program's speed
    uint8_t brightness = 0;
    uint8_t layerBits = 0;
    std::array<uint32_t, SIM_KNOB_CODES> knobCodes{};  // wire order: entry 2 * set + direction
    uint8_t knobSet = 0;  // as sent: the set number + 1

    uint32_t knobCode(int set, int direction) const { return knobCodes[2 * set + direction]; }
};

struct SimFirmware {
    std::array<uint32_t, SIM_MATRIX_SIZE> keyMatrix{};
    std::array<uint8_t, SIM_MACRO_AREA_SIZE> macroArea{};
    std::array<std::vector<SimMacroEvent>, SIM_MACRO_SLOTS> macroSlots;  // decoded from macroArea
    SimLighting lighting;
    uint8_t colorTable = 0;  // as sent: the profile's colour group + 1
    std::array<uint8_t, SIM_MATRIX_SIZE> keyColors{};
    bool driverOnline = false;
    std::vector<uint8_t> unknownCommands;  // command bytes the firmware does not know, in arrival order

    // Takes one command payload (the report without its id byte).
    void receive(const uint8_t (&payload)[SIM_PAYLOAD_SIZE]);
};

// The events of one 192-byte slot, up to its first all-zero event.
std::vector<SimMacroEvent> DecodeMacroSlot(const uint8_t* slot);

}  // namespace keyloom
