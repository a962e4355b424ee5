// The spawn planner on real maps: fills every spawn-point type that has a spawn point to COUNT
// (default 16) in each map, times the planner, and checks every new spawn point with OpenGL
// selection in an off-screen context. Exits 1 when a new spawn point breaks a rule.
//
//   plan_maps [--count N] [MAP...]      (default: every .bsp of the shared maps)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "map/spawn_planner.h"
#include "map_gl/offscreen_gl.h"
#include "support/bsp_builder.h"
#include "support/spawn_plan_check.h"

namespace fs = std::filesystem;
using namespace tarnwick;

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int32_t count = 16;
  if (args.size() >= 2 && args[0] == "--count") {
    count = std::stoi(args[1]);
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) {
    for (const auto& entry : fs::directory_iterator(TARNWICK_DEFAULT_MAPS)) {
      if (entry.path().extension() == ".bsp") args.push_back(entry.path().string());
    }
    std::sort(args.begin(), args.end());
  }
  Config config;
  if (!config.ReadFile(TARNWICK_CONFIG)) return 1;
  const OffscreenGL gl;

  std::printf("%-18s %-45s %5s %5s %7s %8s\n", "map", "type", "had", "added", "missing", "plan ms");
  int failed = 0;
  for (const std::string& path : args) {
    BSPFile map(test::ReadFileBytes(path), config);
    const std::string name = fs::path(path).filename().string();
    for (int32_t t = 0; t < config.spawn_point_count(); ++t) {
      const int32_t had = map.GetSpawnPointCount(t);
      if (had == 0) continue;
      const auto start = std::chrono::steady_clock::now();
      const SpawnPlan plan = PlanSpawnPoints(map, t, count);
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      for (const SpawnPoint& sp : plan.spawn_points) map.AddSpawnPoint(t, sp);
      std::printf("%-18s %-45s %5d %5zu %7d %8.0f\n", name.c_str(),
                  config.spawn_point_displayname[t].c_str(), had, plan.spawn_points.size(),
                  plan.missing, took.count());
      const std::string failures = test::CheckPlannedSpawnPoints(map, t, had, kDefaultSpawnSpacing);
      if (!failures.empty()) {
        std::printf("%s", failures.c_str());
        ++failed;
      }
    }
  }
  std::printf(failed == 0 ? "every new spawn point keeps every rule\n"
                          : "%d types with new spawn points that break a rule\n",
              failed);
  return failed == 0 ? 0 : 1;
}
