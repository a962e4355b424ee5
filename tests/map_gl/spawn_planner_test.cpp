// The spawn planner on small built maps; every plan is checked by OpenGL selection off-screen.
#include "map/spawn_planner.h"

#include <gtest/gtest.h>

#include "map/editing.h"
#include "map_gl/offscreen_gl.h"
#include "map_test_util.h"
#include "support/spawn_plan_check.h"

namespace tarnwick::test {
namespace {

// Rooms, each a box from its `min` to its `max` seen from inside.
Bytes Rooms(const std::vector<std::pair<V3, V3>>& boxes, const std::string& entities) {
  BspBuilder b;
  for (const auto& [min, max] : boxes) b.AddBox(min, max, true);
  b.AddModel();
  b.SetEntities(kWorld + entities);
  return b.Build();
}

// A room from -`half` to `half` around the origin, floor at z = 0, and a second room behind its
// x = `half` wall.
Bytes TwoRooms(float half, const std::string& entities) {
  return Rooms({{{-half, -half, 0}, {half, half, 128}}, {{half + 16, -half, 0}, {400, half, 128}}},
               entities);
}

// A room over a drop of 512 units, with a ledge 128 units deep along its x = -256 wall, its top
// at z = 0. In the drop, the underside of a beam 20 below the ledge's top, and two narrow floors
// 36 and 40 below it.
Bytes Ledge(const std::string& entities) {
  BspBuilder b;
  b.AddBox({-256, -64, -512}, {256, 64, 192}, true);
  b.AddBox({-256, -64, -512}, {-128, 64, 0}, false);
  b.AddRect({-64, -64, -20}, {-32, 64, -20}, {0, 0, -1});
  b.AddRect({32, -64, -36}, {64, 64, -36}, {0, 0, 1});
  b.AddRect({128, -64, -40}, {160, 64, -40}, {0, 0, 1});
  b.AddModel();
  b.SetEntities(kWorld + entities);
  return b.Build();
}

std::string Places(const std::vector<SpawnPoint>& spawn_points) {
  std::string places;
  for (const SpawnPoint& sp : spawn_points)
    places += std::to_string(int(sp.origin[0])) + " " + std::to_string(int(sp.origin[1])) + ", ";
  return places;
}

class SpawnPlannerTest : public ::testing::Test {
 protected:
  OffscreenGL gl;
  Config config = TestConfig();
};

TEST_F(SpawnPlannerTest, FillsOnlyPlacesThatKeepEveryRule) {
  const std::string start = Spawn("info_player_start", "0 0 36");
  const struct {
    const char* what;
    Bytes file;
    int32_t type, count, missing;
    const char* places;
  } cases[] = {
      {"a room with a turned start, a solid and a non-solid brush",
       RoomBuilder(
           kWorld + Block({{"classname", "func_wall"}, {"model", "*1"}}) +
           Block({{"classname", "func_illusionary"}, {"model", "*2"}}) +
           Block({{"classname", "info_player_start"}, {"origin", "64 40 36"}, {"angle", "20"}}))
           .Build(),
       0, 8, 0, "80 -24, 128 56, 48 104, 144 -8, -16 88, 112 120, 32 -88, "},
      // The start's cube leaves room only along the walls; nearest first, then row by row. The
      // second room lies within reach, behind the wall.
      {"a small room", TwoRooms(100, start), 0, 10, 1,
       "0 -80, -80 0, 80 0, 0 80, -80 -80, 80 -80, -80 80, 80 80, "},
      // The places beside the start's cube lie 6 units into the walls.
      {"a room too small", TwoRooms(90, start), 0, 4, 3, ""},
      {"a ledge over a drop", Ledge(Spawn("info_player_start", "-208 0 36")), 0, 4, 1,
       "-128 0, 32 0, "},
      // A place every 80 units along the corridor, up to 1024 from the start.
      {"a long corridor", Rooms({{{-16, -16, 0}, {2000, 16, 128}}}, start), 0, 20, 7,
       "80 0, 160 0, 240 0, 320 0, 400 0, 480 0, 560 0, 640 0, 720 0, 800 0, 880 0, 960 0, "},
      {"a type without spawn points", TwoRooms(100, start), 1, 4, 4, ""},
      {"a type that has enough", TwoRooms(100, start), 0, 1, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    BSPFile map(c.file, config);
    const int32_t had = map.GetSpawnPointCount(c.type);
    const SpawnPlan plan = PlanSpawnPoints(map, c.type, c.count);
    EXPECT_EQ(Places(plan.spawn_points), c.places);
    EXPECT_EQ(plan.missing, c.missing);
    for (const SpawnPoint& sp : plan.spawn_points) {
      EXPECT_EQ(sp.angles, map.GetSpawnPoint(c.type, 0)->angles);
      map.AddSpawnPoint(c.type, sp);
    }
    EXPECT_EQ(CheckPlannedSpawnPoints(map, c.type, had, kDefaultSpawnSpacing), "");
  }
}

TEST_F(SpawnPlannerTest, CheckFindsEachBrokenRule) {
  BSPFile map(TwoRooms(100, Spawn("info_player_start", "0 0 36")), config);
  // Beside the start; in the second room; sunk 6 units into the floor.
  for (const auto& origin : {std::array<float, 3>{16, 0, 36}, {200, 0, 36}, {-80, -80, 30}})
    AddSpawnPointAt(map, 0, origin, 0);
  EXPECT_EQ(CheckPlannedSpawnPoints(map, 0, 1, kDefaultSpawnSpacing),
            "2 (16 0 36): too close to another spawn point\n3 (200 0 36): not reachable\n"
            "4 (-80 -80 30): not free\n4 (-80 -80 30): no floor\n"
            "4 (-80 -80 30): not reachable\n");
}

}  // namespace
}  // namespace tarnwick::test
