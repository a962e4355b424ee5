// Writes the inputs of the whole-process comparisons (bench/compare.sh):
//   bench_inputs spawns MAP CONFIG COUNT OUT   MAP with its spawn points copied until it holds
//                                             COUNT, each copy moved along x in 40-unit steps
//   bench_inputs cache MAP MB OUT              a cache of about MB megabytes in scattered 8 KiB
//                                             blocks: MAP and filler maps of about 1.2 MB
#include <cstdio>
#include <fstream>
#include <string>

#include "base/error.h"
#include "map/bsp_file.h"
#include "support/gcf_writer.h"

namespace {

using tarnwick::BSPFile;

tarnwick::Bytes ReadMap(const std::string& path) {
  std::optional<tarnwick::Bytes> bytes = tarnwick::ReadMapFile(path);
  if (!bytes) throw tarnwick::Error("cannot read " + path);
  return std::move(*bytes);
}

int Spawns(const std::string& map_path, const std::string& config_path, int count,
           const std::string& out) {
  tarnwick::Config config;
  if (!config.ReadFile(config_path)) throw tarnwick::Error("cannot read " + config_path);
  BSPFile map(ReadMap(map_path), config);
  struct Original {
    int32_t type;
    tarnwick::SpawnPoint spawn_point;
  };
  std::vector<Original> originals;
  for (int32_t t = 0; t < config.spawn_point_count(); ++t) {
    for (int32_t i = 0; i < map.GetSpawnPointCount(t); ++i) {
      originals.push_back({t, *map.GetSpawnPoint(t, i)});
    }
  }
  if (originals.empty()) throw tarnwick::Error("the map has no spawn points");
  // Copy c of every spawn point stands 40 * c further along x, round the originals in turn.
  for (size_t k = originals.size(); k < static_cast<size_t>(count); ++k) {
    const Original& original = originals[k % originals.size()];
    tarnwick::SpawnPoint copy = original.spawn_point;
    copy.origin[0] += 40.0f * static_cast<float>(k / originals.size());
    map.AddSpawnPoint(original.type, copy);
  }
  map.SaveFile(out);
  return 0;
}

int Cache(const std::string& map_path, int megabytes, const std::string& out) {
  constexpr size_t kFillerSize = 1200 * 1000;
  tarnwick::test::GcfWriter writer(0x2000);
  const uint32_t maps = writer.AddFolder("maps");
  tarnwick::Bytes map = ReadMap(map_path);
  size_t total = map.size();
  const std::string name = map_path.substr(map_path.rfind('/') + 1);
  writer.AddFile(name, std::move(map), maps);
  for (uint32_t i = 0; total < static_cast<size_t>(megabytes) * 1000 * 1000; ++i) {
    tarnwick::Bytes filler(kFillerSize + (i * 7919) % 65536);
    for (size_t b = 0; b < filler.size(); ++b) filler[b] = static_cast<uint8_t>(b * 31 + i);
    total += filler.size();
    writer.AddFile("filler" + std::to_string(i) + ".bsp", std::move(filler), maps);
  }
  writer.Scatter(1);
  writer.Write(out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 5 && args[0] == "spawns") {
      return Spawns(args[1], args[2], std::stoi(args[3]), args[4]);
    }
    if (args.size() == 4 && args[0] == "cache") return Cache(args[1], std::stoi(args[2]), args[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  std::fputs("usage: bench_inputs spawns MAP CONFIG COUNT OUT | cache MAP MB OUT\n", stderr);
  return 2;
}
