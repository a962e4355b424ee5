// Load and save of a real map (see bench_map.h for which).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench_map.h"
#include "map/bsp_file.h"

namespace {

namespace fs = std::filesystem;
using tarnwick::BSPFile;

tarnwick::Config CounterStrike() {
  tarnwick::Config config;
  config.spawn_point_entity = {"info_player_start", "info_player_deathmatch"};
  config.spawn_point_displayname = {"Counter-Terrorist", "Terrorist"};
  config.entitys.push_back({{"func_door", "func_wall", "func_breakable"}, {0, 0, 255, 100}, true});
  config.entitys.push_back(
      {{"func_illusionary", "func_water", "func_buyzone"}, {0, 255, 0, 100}, false});
  return config;
}

// The file read into the buffer the map keeps, and the map built from it.
void BM_Load(benchmark::State& state) {
  const auto config = CounterStrike();
  const std::string path = BenchMap().string();
  for (auto _ : state) {
    BSPFile map(tarnwick::ReadMapFile(path).value(), config);
    benchmark::DoNotOptimize(map.entities.data());
  }
  state.SetLabel(BenchMap().filename().string());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(BenchMapBytes().size()));
}

void BM_Save(benchmark::State& state) {
  const auto config = CounterStrike();
  BSPFile map(BenchMapBytes(), config);
  const fs::path out = fs::temp_directory_path() / "tarnwick_bench_save.bsp";
  for (auto _ : state) map.SaveFile(out.string());
  state.SetLabel(BenchMap().filename().string());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(BenchMapBytes().size()));
  fs::remove(out);
  fs::remove(tarnwick::EntFileName(out.string()));
}

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
