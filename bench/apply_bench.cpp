// Cost of one full apply (flags 0x8007: lighting and knob, per-key colours,
// both macro parts and the key matrix) through the link to the simulated
// keyboard with no transfer latency. The apply's fixed pauses (50 ms after
// each command, 500 ms before the last progress number) are scaled to zero
// with SetPauseScalePercent, so the time shown is what an apply costs beyond
// them. Target: under 1 ms.
#include <benchmark/benchmark.h>

#include <memory>

#include "config/gvar.h"
#include "device/Dev6120.h"
#include "device/HidAccess.h"
#include "device/PollLoop.h"
#include "device/SimKeyboard.h"
#include "device/apply.h"
#include "model/hwparam.h"

namespace keyloom {
namespace {

constexpr int kMacros = 10;
constexpr int kEvents = 63;
constexpr int kGameMode = 0;

_ST_MACRO BenchMacro(uint32_t id) {
    _ST_MACRO m{};
    m.dwMagic = MACRO_MAGIC;
    m.dwID = id;
    m.stData.wRepeat = 2;
    for (int e = 0; e < kEvents; ++e)
        m.stData.stItem[e] = {static_cast<uint16_t>(e % 30), static_cast<uint16_t>(e % 2), 40};
    return m;
}

// Every key assigned, the first thirty to ten macros; every key lit.
void MakeSnapshot(ApplySnapshot& snap) {
    InitKey();
    gVar.SrIndex = 255;
    gVar.GaoshouIndex = kGameMode;
    for (int i = 0; i < KEY_COUNT; ++i) {
        g_defKEY[i] = _KEYINFO{};
        g_defKEY[i].dwFunID = MAKE_FUNID(FUN_KEY, 0);
        g_defKEY[i].dwMatrixIdx = static_cast<uint32_t>(i);
    }
    _ST_KEYPRO set{};
    set.nLayer = 0;
    for (int i = 0; i < KEY_COUNT; ++i) {
        _KEYINFO& k = set.stKey[i];
        k.dwMatrixIdx = static_cast<uint32_t>(i);
        if (i < 3 * kMacros) {
            k.dwFunID = MAKE_FUNID(FUN_MACRO, 0);
            k.dwMacroID = 1 + static_cast<uint32_t>(i % kMacros);
        } else {
            k.dwFunID = MAKE_FUNID(FUN_KEY, 0);
            k.stCombo = {0x01, static_cast<uint8_t>(i % 50), VK_NONE, 0};
        }
    }
    snap.profile = _ST_PROFILE{};
    snap.profile.stAdv.nMode = kGameMode;
    snap.profile.stAdv.stRgbCfg[kGameMode] = {3, 5, 0, 0, {}};
    for (int k = 0; k < KEY_COUNT; ++k) snap.profile.stAdv.dwKeyColor[0][k] = 0x00FF00;
    for (int d = 0; d < KNOB_DIRECTIONS; ++d)
        for (int s = 0; s < KNOB_SETS; ++s) snap.profile.stKnod[d][s].dwFunID = MAKE_FUNID(FUN_MEDIA, 38 + d);
    snap.keypro = set;
    for (uint32_t id = 1; id <= kMacros; ++id) snap.macros.add(BenchMacro(id));
}

void BM_ApplyAllOnSimulatedKeyboard(benchmark::State& state) {
    auto sim = std::make_shared<SimKeyboard>();
    SetHidBackendFactory(SimKeyboardFactory(sim));
    PollLoop loop;
    auto link = std::make_unique<Dev6120>(loop);
    if (link->InitHID() != 1 || link->FindHIDDevice() != 1) {
        state.SkipWithError("the simulated keyboard was not found");
        return;
    }
    ApplySnapshot snap;
    MakeSnapshot(snap);
    SetPauseScalePercent(0);
    bool ok = true;
    for (auto _ : state) ok = link->ApplySetting(snap, 0x8007, nullptr) && ok;
    SetPauseScalePercent(100);

    const size_t commands = sim->commands().size();
    state.counters["commands/apply"] = static_cast<double>(commands) / static_cast<double>(state.iterations());
    if (!ok || commands != 5 * static_cast<size_t>(state.iterations()))
        state.SkipWithError("an apply did not send its five commands");
    link.reset();
    SetHidBackendFactory(nullptr);
}
BENCHMARK(BM_ApplyAllOnSimulatedKeyboard)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace keyloom
