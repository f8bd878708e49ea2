#include "device/apply_sequence.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "base/debug.h"
#include "device/Dev6120.h"
#include "model/hwparam.h"

namespace keyloom {

namespace {

using Payload = std::array<uint8_t, COMMAND_PAYLOAD_SIZE>;

constexpr uint8_t kLightingTag = 0x29;
constexpr int kLightingDumpBytes = 32;
constexpr int kKnobCodesAt = 10;
constexpr int kKnobSetAt = 74;
constexpr int kColorsAt = 3;
constexpr int kMacroPart2Size = 900;
constexpr int kMatrixCommandSize = 2 + 4 * KEY_COUNT;  // 506
constexpr int kMatrixDumpPerLine = 40;

// "key matrix (01)"
std::string CommandLabel(uint8_t command) {
    char code[8];
    std::snprintf(code, sizeof code, "%02x", command);
    return std::string(ApplyCommandName(command)) + " (" + code + ")";
}

void PutLe32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Command 0x02: lighting mode, speed, brightness, layer and the knob's sets.
bool BuildLighting(const ApplySnapshot& snap, uint8_t layerBit, Payload& p, std::string& why) {
    const _ST_PROFILE& profile = snap.profile;
    const int mode = profile.stAdv.nMode;
    if (mode < 0 || mode >= LED_OPT_COUNT) {
        LOG("Wrong LED mode = %d", mode);
        why = "the profile's lighting mode " + std::to_string(mode) + " does not exist";
        return false;
    }
    const _RGB_CFG& rgb = profile.stAdv.stRgbCfg[mode];
    p.fill(0);
    p[0] = CMD_LIGHTING;
    p[1] = kLightingTag;
    p[2] = static_cast<uint8_t>(gVar.LedOpt[mode].nHwMode);
    p[4] = static_cast<uint8_t>(6 - rgb.nSpeed);
    p[5] = static_cast<uint8_t>(rgb.nLight);
    p[9] = layerBit;
    for (int s = 0; s < KNOB_SETS; ++s) {
        for (int d = 0; d < KNOB_DIRECTIONS; ++d) {
            uint32_t code = keyinfo_to_hardware_code(profile.stKnod[d][s], snap.macros);
            if (code == NO_DEVICE_CODE) code = 0;
            uint8_t* at = p.data() + kKnobCodesAt + 4 * (2 * s + d);
            PutLe32(at, code);
            LOG("Sr[%d][%d]: %02x %02x %02x %02x", d, s, at[0], at[1], at[2], at[3]);
        }
    }
    p[kKnobSetAt] = static_cast<uint8_t>(profile.nKnodSet + 1);
    LOG("SrIndex=%d", p[kKnobSetAt]);
    LOG("LED(Save):-------------");
    printdata(p.data(), kLightingDumpBytes);
    return true;
}

// Command 0x03: which keys are lit in the game mode's colour table.
bool BuildKeyColors(const _ST_PROFILE& profile, Payload& p, std::string& why) {
    const int group = profile.stAdv.nKeyColorGroup;
    if (group < 0 || group >= KEY_COLOR_GROUPS) {
        LOG("Wrong key colour group = %d", group);
        why = "the profile's key colour group " + std::to_string(group) + " does not exist";
        return false;
    }
    p.fill(0);
    p[0] = CMD_KEY_COLORS;
    p[1] = KEY_COUNT;
    p[2] = static_cast<uint8_t>(group + 1);
    for (int k = 0; k < KEY_COUNT; ++k) {
        const _KEYINFO& def = g_defKEY[k];
        if (def.dwFunID == 0 || def.dwMatrixIdx >= static_cast<uint32_t>(KEY_COUNT)) continue;
        p[kColorsAt + def.dwMatrixIdx] = color32_to_val(profile.stAdv.dwKeyColor[group][k]);
    }
    LOG("KeyColor(Save):-------------");
    printdata(p.data() + kColorsAt, KEY_COUNT);
    return true;
}

struct KeyTables {
    uint32_t matrix[KEY_COUNT] = {};
    uint8_t area[MACRO_AREA_SIZE] = {};
    int slots = 0;
};

// The active layer's set becomes the profile's key table, then the tables.
void BuildKeyTables(ApplySnapshot& snap, KeyTables& t) {
    std::memcpy(snap.profile.stKey[0], snap.keypro->stKey, sizeof snap.profile.stKey[0]);
    t.slots = FillMatrix(t.matrix, 1, t.area, &snap.profile, snap.macros);
    LOG("Matrix  hwParam.nMacroBufferSize=%d", hwParam.nMacroBufferSize);
    uint8_t bytes[4 * KEY_COUNT];
    for (int i = 0; i < KEY_COUNT; ++i) PutLe32(bytes + 4 * i, t.matrix[i]);
    printdata_prefix_ex(bytes, sizeof bytes, kMatrixDumpPerLine, 4, "");
}

void BuildMacroPart(const KeyTables& t, int part, Payload& p) {
    p.fill(0);
    p[0] = part == 1 ? CMD_MACRO_PART1 : CMD_MACRO_PART2;
    if (part == 1)
        std::memcpy(p.data() + 2, t.area, MACRO_PART1_SIZE);
    else
        std::memcpy(p.data() + 2, t.area + MACRO_PART1_SIZE, MACRO_AREA_SIZE - MACRO_PART1_SIZE);
}

void BuildMatrix(const KeyTables& t, Payload& p) {
    p.fill(0);
    p[0] = CMD_KEY_MATRIX;
    for (int i = 0; i < KEY_COUNT; ++i) PutLe32(p.data() + 2 + 4 * i, t.matrix[i]);
}

class Sequence {
public:
    Sequence(ApplySnapshot& snap, ApplyChannel& channel, const ApplyOptions& options)
        : snap_(snap), channel_(channel), options_(options) {}

    bool run(int32_t flag, uint8_t layerBit) {
        // The steps written are the ones the window announces.
        const std::vector<ApplyStep> steps =
            ApplySteps(flag, IsLedGameMode(snap_.profile.stAdv.nMode), snap_.keypro.has_value());
        auto planned = [&steps](int32_t step) {
            return std::any_of(steps.begin(), steps.end(), [step](const ApplyStep& s) { return s.flag == step; });
        };
        if (planned(APPLY_LIGHTING) && !lightingStep(layerBit)) return false;
        notify(APPLY_PROGRESS_LIGHTING);
        if (planned(APPLY_KEY_COLORS) && !colorStep()) return false;
        notify(APPLY_PROGRESS_KEY_COLORS);
        if (planned(APPLY_KEYS)) {
            if (!keyStep()) return false;
            notify(APPLY_PROGRESS_KEYS);
        } else if (flag & APPLY_KEYS) {
            // Nothing to program for this layer; the other steps stand.
            LOG("No key-property set 0x%x for layer %d", snap_.profile.dwKeyProID[snap_.profile.nLayer],
                snap_.profile.nLayer);
        }
        notify(APPLY_PROGRESS_END);
        if (options_.reportProgress) {
            channel_.pause(APPLY_RESULT_PAUSE_MS);
            notify(APPLY_PROGRESS_CLOSE);
        }
        return true;
    }

private:
    void notify(int progress) {
        if (options_.reportProgress) channel_.notify(progress);
    }

    // A step whose command cannot be built stops the apply unless it goes on
    // without a keyboard.
    bool failed(uint8_t command, const std::string& why) {
        if (!options_.stopOnError) return true;
        snap_.failure = CommandLabel(command) + ": " + why;
        return false;
    }

    // Sends one command; false when the apply must stop.
    bool send(const Payload& p, int size, const char* failure, bool pauseAfter) {
        const bool ok = channel_.send(p.data(), size);
        if (!ok) {
            const int32_t status = channel_.lastError();
            LOG(failure, status);
            if (options_.stopOnError) {
                snap_.failure = CommandLabel(p[0]) + ": " + LinkErrorText(status);
                return false;
            }
        }
        if (pauseAfter) channel_.pause(APPLY_PAUSE_MS);
        return true;
    }

    bool lightingStep(uint8_t layerBit) {
        Payload p;
        std::string why;
        if (!BuildLighting(snap_, layerBit, p, why)) return failed(CMD_LIGHTING, why);
        return send(p, COMMAND_PAYLOAD_SIZE, "Set led err=0x%x", true);
    }

    bool colorStep() {
        Payload p;
        std::string why;
        if (!BuildKeyColors(snap_.profile, p, why)) return failed(CMD_KEY_COLORS, why);
        return send(p, COMMAND_PAYLOAD_SIZE, "Set KeyColor err=0x%x", true);
    }

    bool keyStep() {
        KeyTables t;
        BuildKeyTables(snap_, t);
        channel_.keyTables(t.matrix, t.area, t.slots);
        Payload p;
        if (t.slots > 0) {
            BuildMacroPart(t, 1, p);
            if (!send(p, COMMAND_PAYLOAD_SIZE, "Set Macro1 err=0x%x", true)) return false;
            BuildMacroPart(t, 2, p);
            if (!send(p, kMacroPart2Size, "Set Macro2 err=0x%x", true)) return false;
        }
        BuildMatrix(t, p);
        return send(p, kMatrixCommandSize, "Set Matrix err=0x%x", false);
    }

    ApplySnapshot& snap_;
    ApplyChannel& channel_;
    const ApplyOptions& options_;
};

// Clears what an apply holds only while it runs, on every way out.
class RunningApply {
public:
    RunningApply(ApplySnapshot& snap, std::atomic<int32_t>* reset, bool isReset) : snap_(snap), reset_(reset) {
        if (reset_) *reset_ = isReset ? 1 : 0;
    }
    ~RunningApply() {
        if (reset_) *reset_ = 0;
        snap_.macros.clearBufferIds();
    }
    RunningApply(const RunningApply&) = delete;
    RunningApply& operator=(const RunningApply&) = delete;

private:
    ApplySnapshot& snap_;
    std::atomic<int32_t>* reset_;
};

}  // namespace

bool RunApplySequence(ApplySnapshot& snapshot, int32_t flag, ApplyChannel& channel, const ApplyOptions& options) {
    LOG("Apply_KB");
    snapshot.failure.clear();
    const int layer = snapshot.profile.nLayer;
    // Only M1..M3 exist; any other layer has no bit to send.
    if (layer < 0 || layer >= LAYER_COUNT) {
        LOG("Wrong nProIndex = %d", layer);
        snapshot.failure = "the profile's layer " + std::to_string(layer) + " is not one of M1..M3";
        return false;
    }
    const uint8_t layerBit = static_cast<uint8_t>(1 << layer);
    LOG("nProIndex = %d", layerBit);

    const bool isReset = (flag & APPLY_RESET) != 0;
    RunningApply running(snapshot, options.reset, isReset);
    if (isReset) LOG("Apply Reset...");
    return Sequence(snapshot, channel, options).run(flag, layerBit);
}

std::vector<ApplyStep> ApplySteps(int32_t flag, bool gameMode, bool hasKeyTable) {
    std::vector<ApplyStep> steps;
    if (flag & APPLY_LIGHTING) steps.push_back({APPLY_LIGHTING, APPLY_PROGRESS_LIGHTING});
    if ((flag & APPLY_KEY_COLORS) && gameMode) steps.push_back({APPLY_KEY_COLORS, APPLY_PROGRESS_KEY_COLORS});
    if ((flag & APPLY_KEYS) && hasKeyTable) steps.push_back({APPLY_KEYS, APPLY_PROGRESS_KEYS});
    return steps;
}

const char* ApplyCommandName(uint8_t command) {
    switch (command) {
        case CMD_KEY_MATRIX: return "key matrix";
        case CMD_LIGHTING: return "lighting and knob";
        case CMD_KEY_COLORS: return "per-key colours";
        case CMD_MACRO_PART1: return "macro area, part 1";
        case CMD_MACRO_PART2: return "macro area, part 2";
        default: return "unknown";
    }
}

std::string LinkErrorText(int32_t status) {
    // A send that found no open handle leaves the status as it was.
    if (status == 0) return "the keyboard is not attached";
    if (status < 0) return std::strerror(-status);
    return "status " + std::to_string(status);
}

}  // namespace keyloom
