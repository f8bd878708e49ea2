// Cost of encoding one key step of an apply: a full 126-key set using ten
// macros of 63 events each, turned into the key matrix and the macro area,
// plus the five command payloads an apply sends.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "config/gvar.h"
#include "device/hwencode.h"
#include "model/hwparam.h"

namespace keyloom {
namespace {

constexpr int kMacros = 10;
constexpr int kEvents = 63;
constexpr size_t kPayload = 1024;
constexpr size_t kAreaSplit = 1022;

// The default table puts key i at matrix position i; no knob row.
void SetUpDefaults() {
    InitKey();
    gVar.SrIndex = 255;
    for (int i = 0; i < KEY_COUNT; ++i) {
        g_defKEY[i] = _KEYINFO{};
        g_defKEY[i].dwFunID = MAKE_FUNID(FUN_KEY, 0);
        g_defKEY[i].dwMatrixIdx = static_cast<uint32_t>(i);
    }
}

_ST_MACRO MakeMacro(uint32_t id) {
    _ST_MACRO m{};
    m.dwMagic = MACRO_MAGIC;
    m.dwID = id;
    m.stData.wRepeat = 2;
    // Shift down, letters pressed and released, Shift up.
    m.stData.stItem[0] = {56, 1, 30};
    for (int e = 1; e < kEvents - 1; ++e)
        m.stData.stItem[e] = {static_cast<uint16_t>(e % 30), static_cast<uint16_t>(e % 2), 40};
    m.stData.stItem[kEvents - 1] = {56, 0, 0};
    return m;
}

// Keys 0..29 play the ten macros (three keys each), the rest are a mix of
// the other classes.
void MakeProfile(_ST_PROFILE& profile) {
    profile = _ST_PROFILE{};
    for (int i = 0; i < KEY_COUNT; ++i) {
        _KEYINFO& k = profile.stKey[0][i];
        k.dwMatrixIdx = static_cast<uint32_t>(i);
        k.stCombo = {0, VK_NONE, VK_NONE, 0};
        if (i < 3 * kMacros) {
            k.dwFunID = MAKE_FUNID(FUN_MACRO, 0);
            k.dwMacroID = 1 + static_cast<uint32_t>(i % kMacros);
        } else if (i % 4 == 0) {
            k.dwFunID = MAKE_FUNID(FUN_MEDIA, 34);
        } else if (i % 4 == 1) {
            k.dwFunID = MAKE_FUNID(FUN_MOUSE, 17);
        } else {
            k.dwFunID = MAKE_FUNID(FUN_KEY, 0);
            k.stCombo = {0x01, static_cast<uint8_t>(i % 50), VK_NONE, 0};
        }
    }
    for (int d = 0; d < KNOB_DIRECTIONS; ++d)
        for (int s = 0; s < KNOB_SETS; ++s) profile.stKnod[d][s].dwFunID = MAKE_FUNID(FUN_MEDIA, 38 + d);
    for (int k = 0; k < KEY_COUNT; ++k) profile.stAdv.dwKeyColor[0][k] = k % 3 ? 0x00FF00 : 0;
}

struct Payloads {
    std::array<uint8_t, kPayload> matrix, lighting, colours, macro1, macro2;
};

void BuildPayloads(const _ST_PROFILE& profile, const uint32_t* matrix, const uint8_t* area, Payloads& out,
                   const MacroSource& macros) {
    out.matrix.fill(0);
    out.matrix[0] = 0x01;
    std::memcpy(&out.matrix[2], matrix, KEY_COUNT * 4);

    out.lighting.fill(0);
    out.lighting[0] = 0x02;
    out.lighting[1] = 0x29;
    out.lighting[9] = 0x01;
    for (int s = 0; s < KNOB_SETS; ++s)
        for (int d = 0; d < KNOB_DIRECTIONS; ++d) {
            uint32_t code = keyinfo_to_hardware_code(profile.stKnod[d][s], macros);
            if (code == NO_DEVICE_CODE) code = 0;
            std::memcpy(&out.lighting[10 + 4 * (2 * s + d)], &code, 4);
        }
    out.lighting[74] = static_cast<uint8_t>(profile.nKnodSet + 1);

    out.colours.fill(0);
    out.colours[0] = 0x03;
    out.colours[1] = 0x7E;
    out.colours[2] = static_cast<uint8_t>(profile.stAdv.nKeyColorGroup + 1);
    for (int k = 0; k < KEY_COUNT; ++k)
        out.colours[3 + g_defKEY[k].dwMatrixIdx] = color32_to_val(profile.stAdv.dwKeyColor[0][k]);

    out.macro1.fill(0);
    out.macro1[0] = 0x04;
    std::memcpy(&out.macro1[2], area, kAreaSplit);
    out.macro2.fill(0);
    out.macro2[0] = 0x05;
    std::memcpy(&out.macro2[2], area + kAreaSplit, MACRO_AREA_SIZE - kAreaSplit);
}

void BM_EncodeKeySet(benchmark::State& state) {
    SetUpDefaults();
    static _ST_PROFILE profile;
    MakeProfile(profile);
    MacroSnapshot macros;
    for (uint32_t id = 1; id <= kMacros; ++id) macros.add(MakeMacro(id));

    uint32_t matrix[KEY_COUNT];
    uint8_t area[MACRO_AREA_SIZE];
    Payloads payloads;
    for (auto _ : state) {
        std::fill(std::begin(area), std::end(area), 0);
        int slots = FillMatrix(matrix, 1, area, &profile, macros);
        BuildPayloads(profile, matrix, area, payloads, macros);
        macros.clearBufferIds();
        benchmark::DoNotOptimize(slots);
        benchmark::DoNotOptimize(payloads);
    }
    if (FillMatrix(matrix, 1, area, &profile, macros) != kMacros) state.SkipWithError("expected ten slots");
}
BENCHMARK(BM_EncodeKeySet);

void BM_MacroToSlot(benchmark::State& state) {
    InitKey();
    const _ST_MACRO macro = MakeMacro(1);
    uint8_t slot[192];
    for (auto _ : state) benchmark::DoNotOptimize(StMacro_To_HdMacro(&macro, slot));
}
BENCHMARK(BM_MacroToSlot);

}  // namespace
}  // namespace keyloom
