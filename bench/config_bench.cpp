// Start-up cost of the configuration: parsing the largest model file and
// reading it into gVar, and the key-code lookups done for every key.
#include <benchmark/benchmark.h>

#include <string>

#include "base/INIFiler.h"
#include "config/gvar.h"
#include "keys/vk.h"

namespace {

const std::string kOrin = std::string(KEYLOOM_SOURCE_CFG_DIR) + "Dev/Orin/Designer/cfg.txt";

void BM_ParseModelFile(benchmark::State& state) {
    for (auto _ : state) {
        keyloom::INIFiler file;
        benchmark::DoNotOptimize(file.initIni(kOrin));
    }
}
BENCHMARK(BM_ParseModelFile);

void BM_ReadModelIntoGvar(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(keyloom::InitGlobalVariable(kOrin.c_str()));
}
BENCHMARK(BM_ReadModelIntoGvar);

void BM_Win2MacAllCodes(benchmark::State& state) {
    for (auto _ : state)
        for (int vk = 0; vk < 256; ++vk) benchmark::DoNotOptimize(keyloom::Win2Mac(vk));
}
BENCHMARK(BM_Win2MacAllCodes);

}  // namespace
