// Load and save of a real map: the largest .bsp in the folder TARNWICK_MAPS (default: the shared
// maps beside this checkout), or the file TARNWICK_MAP.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "map/bsp_file.h"

namespace {

namespace fs = std::filesystem;
using tarnwick::BSPFile;

fs::path BenchMap() {
  if (const char* file = std::getenv("TARNWICK_MAP")) return file;
  const char* folder = std::getenv("TARNWICK_MAPS");
  fs::path largest;
  for (const auto& entry : fs::directory_iterator(folder ? folder : TARNWICK_DEFAULT_MAPS)) {
    if (entry.path().extension() == ".bsp" &&
        (largest.empty() || entry.file_size() > fs::file_size(largest))) {
      largest = entry.path();
    }
  }
  return largest;
}

std::vector<uint8_t> Bytes() {
  static const std::vector<uint8_t> bytes = [] {
    std::ifstream in(BenchMap(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }();
  return bytes;
}

tarnwick::Config CounterStrike() {
  tarnwick::Config config;
  config.spawn_point_entity = {"info_player_start", "info_player_deathmatch"};
  config.spawn_point_displayname = {"Counter-Terrorist", "Terrorist"};
  config.entitys.push_back({{"func_door", "func_wall", "func_breakable"}, {0, 0, 255, 100}, true});
  config.entitys.push_back({{"func_illusionary", "func_water", "func_buyzone"}, {0, 255, 0, 100},
                            false});
  return config;
}

void BM_Load(benchmark::State& state) {
  const auto config = CounterStrike();
  for (auto _ : state) {
    BSPFile map(Bytes(), config);  // the copy of the buffer is the caller's read of the file
    benchmark::DoNotOptimize(map.entities.data());
  }
  state.SetLabel(BenchMap().filename().string());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Bytes().size()));
}

void BM_Save(benchmark::State& state) {
  const auto config = CounterStrike();
  BSPFile map(Bytes(), config);
  const fs::path out = fs::temp_directory_path() / "tarnwick_bench_save.bsp";
  for (auto _ : state) map.SaveFile(out.string());
  state.SetLabel(BenchMap().filename().string());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(Bytes().size()));
  fs::remove(out);
  fs::remove(tarnwick::EntFileName(out.string()));
}

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
