// Opening a game cache of over 1 GiB, listing its maps and extracting a 4 MiB map from it. The
// cache is written sparse to the temporary folder (TMPDIR, default /tmp) before the runs and
// removed after them; its blocks are scattered, so the map's chain jumps all over the file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gcf/gcf.h"
#include "support/gcf_writer.h"

namespace {

constexpr uint32_t kBlockSize = 0x2000;
constexpr uint32_t kBlocks = (1u << 30) / kBlockSize + 1;  // a little over 1 GiB of data blocks
constexpr size_t kMapSize = 4u << 20;

std::string CachePath() {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/tarnwick_gcf_bench.gcf";
}

// A game tree: a few thousand small files in folders, a few maps, and the big map.
void WriteCache(const std::string& path) {
  tarnwick::test::GcfWriter writer(kBlockSize);
  const uint32_t maps = writer.AddFolder("maps");
  const uint32_t sound = writer.AddFolder("sound");
  const uint32_t models = writer.AddFolder("models");
  for (uint32_t i = 0; i < 3000; ++i) {
    const uint32_t folder = i % 3 == 0 ? sound : models;
    writer.AddFile("file" + std::to_string(i) + ".dat",
                   tarnwick::Bytes(1000 + (i * 7919) % 20000, uint8_t(i)), folder);
  }
  for (uint32_t i = 0; i < 20; ++i) {
    writer.AddFile("map" + std::to_string(i) + ".bsp", tarnwick::Bytes(300000, uint8_t(i)), maps);
  }
  tarnwick::Bytes big(kMapSize);
  for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 31 + i / 4096);
  writer.AddFile("de_big.bsp", std::move(big), maps);
  writer.ReserveBlocks(kBlocks);
  writer.Scatter(1);
  writer.Write(path);
}

int32_t BigMapEntry(const tarnwick::GCF& gcf) {
  for (const tarnwick::GcfMapEntry& map : gcf.ListMaps()) {
    if (map.name == "de_big.bsp") return map.block_entry;
  }
  return -1;
}

void BM_OpenCache(benchmark::State& state) {
  tarnwick::GCF gcf;
  for (auto _ : state) {
    if (!gcf.Open(CachePath())) state.SkipWithError("the cache does not open");
    gcf.Close();
  }
}
BENCHMARK(BM_OpenCache)->Unit(benchmark::kMicrosecond);

void BM_ListMaps(benchmark::State& state) {
  tarnwick::GCF gcf;
  if (!gcf.Open(CachePath())) state.SkipWithError("the cache does not open");
  for (auto _ : state) benchmark::DoNotOptimize(gcf.ListMaps());
}
BENCHMARK(BM_ListMaps)->Unit(benchmark::kMillisecond);

void BM_ExtractMap(benchmark::State& state) {
  tarnwick::GCF gcf;
  if (!gcf.Open(CachePath())) state.SkipWithError("the cache does not open");
  const int32_t entry = BigMapEntry(gcf);
  for (auto _ : state) {
    const tarnwick::ExtractedItem item = gcf.ExtractItem(entry);
    if (item.bytes.size() != kMapSize) state.SkipWithError("the map came out short");
    benchmark::DoNotOptimize(item.bytes.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kMapSize));
}
BENCHMARK(BM_ExtractMap)->Unit(benchmark::kMillisecond);

// What the picker does for one map: open the cache, list it, take the map out.
void BM_OpenListExtract(benchmark::State& state) {
  for (auto _ : state) {
    tarnwick::GCF gcf;
    if (!gcf.Open(CachePath())) state.SkipWithError("the cache does not open");
    benchmark::DoNotOptimize(gcf.ExtractItem(BigMapEntry(gcf)).bytes.data());
  }
}
BENCHMARK(BM_OpenListExtract)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  WriteCache(CachePath());
  benchmark::AddCustomContext("cache_bytes",
                              std::to_string(std::filesystem::file_size(CachePath())));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(CachePath());
}
