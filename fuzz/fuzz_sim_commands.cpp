// Feeds arbitrary feature reports into the simulated keyboard: through the
// backend (any report id and length, so the checks before decoding are
// covered too) and straight into the firmware decoder, then checks what the
// decoded state may hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "device/SimFirmware.h"
#include "device/SimKeyboard.h"

namespace {

using namespace keyloom;

// Each report is one length byte (times 5, so a single byte reaches 1025 and
// beyond) followed by that many bytes of the input.
size_t NextLength(const uint8_t*& data, size_t& size) {
    size_t want = size_t(data[0]) * 5;
    ++data;
    --size;
    return want < size ? want : size;
}

void CheckState(const SimFirmware& fw) {
    for (const auto& slot : fw.macroSlots) {
        if (slot.size() > 64) std::abort();
        for (const SimMacroEvent& ev : slot)
            if (ev.delayMs < 0 || ev.delayMs > 20470) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SimKeyboard sim;
    HidDeviceRef vendor;
    for (const auto& dev : sim.copyDevices({{0x05AC, 0x024F}}))
        if (dev->node == SIM_VENDOR_NODE) vendor = dev;
    if (!vendor || sim.openDevice(*vendor) != 0) std::abort();

    SimFirmware direct;
    while (size > 0) {
        size_t length = NextLength(data, size);
        (void)sim.setFeatureReport(*vendor, data, length);

        uint8_t payload[SIM_PAYLOAD_SIZE] = {};
        std::memcpy(payload, data, length < sizeof payload ? length : sizeof payload);
        direct.receive(payload);

        uint8_t answer[SIM_PAYLOAD_SIZE + 1] = {9};
        if (sim.getFeatureReport(*vendor, answer, sizeof answer) != 0) std::abort();
        data += length;
        size -= length;
    }
    CheckState(sim.firmware());
    CheckState(direct);
    return 0;
}
