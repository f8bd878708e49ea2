#include "device/SimFirmware.h"

#include <cstring>

namespace keyloom {

namespace {

uint32_t ReadLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void ReceiveMatrix(SimFirmware& fw, const uint8_t* payload) {
    for (int i = 0; i < SIM_MATRIX_SIZE; ++i) fw.keyMatrix[i] = ReadLe32(payload + 2 + 4 * i);
}

void ReceiveLighting(SimFirmware& fw, const uint8_t* payload) {
    SimLighting& l = fw.lighting;
    l.hwMode = payload[2];
    l.speed = payload[4];
    l.brightness = payload[5];
    l.layerBits = payload[9];
    for (int i = 0; i < SIM_KNOB_CODES; ++i) l.knobCodes[i] = ReadLe32(payload + 10 + 4 * i);
    l.knobSet = payload[74];
}

void ReceiveColors(SimFirmware& fw, const uint8_t* payload) {
    fw.colorTable = payload[2];
    std::memcpy(fw.keyColors.data(), payload + 3, SIM_MATRIX_SIZE);
}

void ReceiveMacroPart(SimFirmware& fw, const uint8_t* payload, int areaOffset, int length) {
    std::memcpy(fw.macroArea.data() + areaOffset, payload + 2, length);
    for (int n = 0; n < SIM_MACRO_SLOTS; ++n)
        fw.macroSlots[n] = DecodeMacroSlot(fw.macroArea.data() + n * SIM_MACRO_SLOT_SIZE);
}

}  // namespace

std::vector<SimMacroEvent> DecodeMacroSlot(const uint8_t* slot) {
    std::vector<SimMacroEvent> events;
    for (int pos = 0; pos + 3 <= SIM_MACRO_SLOT_SIZE; pos += 3) {
        const uint8_t e0 = slot[pos], e1 = slot[pos + 1], e2 = slot[pos + 2];
        // No event the program writes is all zero (a key with usage 0 is never sent), so it ends the slot.
        if (e0 == 0 && e1 == 0 && e2 == 0) break;
        SimMacroEvent ev;
        ev.released = (e0 & 0x80) != 0;
        ev.delayMs = ((e0 & 0x7F) | (e1 & 0x0F) << 7) * 10;
        ev.modifier = (e1 & 0xF0) == 0xF0;
        ev.usage = e2;
        events.push_back(ev);
    }
    return events;
}

void SimFirmware::receive(const uint8_t (&payload)[SIM_PAYLOAD_SIZE]) {
    switch (payload[0]) {
        case 0x01: ReceiveMatrix(*this, payload); break;
        case 0x02: ReceiveLighting(*this, payload); break;
        case 0x03: ReceiveColors(*this, payload); break;
        case 0x04: ReceiveMacroPart(*this, payload, 0, SIM_MACRO_PART1_SIZE); break;
        case 0x05:
            ReceiveMacroPart(*this, payload, SIM_MACRO_PART1_SIZE, SIM_MACRO_AREA_SIZE - SIM_MACRO_PART1_SIZE);
            break;
        case 0x0A: driverOnline = payload[1] != 0; break;
        default: unknownCommands.push_back(payload[0]); break;
    }
}

}  // namespace keyloom
