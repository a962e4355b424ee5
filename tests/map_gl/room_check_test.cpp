// The room checks and the spawn planner, checked with OpenGL selection in an off-screen context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "map/editing.h"
#include "map/spawn_planner.h"
#include "map_gl/gl_drawing.h"
#include "map_gl/offscreen_gl.h"
#include "map_gl/wall_cells.h"
#include "support/bsp_builder.h"
#include "support/spawn_plan_check.h"

namespace tarnwick::test {
namespace {

using Marks = std::vector<uint32_t>;
const std::string kTurned =
    Block({{"classname", "info_player_start"}, {"angle", "30"}, {"origin", "0 0 0"}});

// Rooms, each a box from its `min` to its `max` seen from inside, and the faces `more` adds.
Bytes Rooms(const std::vector<std::pair<V3, V3>>& boxes, const std::string& entities,
            void (*more)(BspBuilder&) = nullptr) {
  BspBuilder b;
  for (const auto& [min, max] : boxes) b.AddBox(min, max, true);
  if (more) more(b);
  b.AddModel();
  b.SetEntities(kWorld + entities);
  return b.Build();
}

// A room from -`half` to `half`, floor at z = 0, and a second room behind its x = `half` wall.
Bytes TwoRooms(float half, const std::string& entities) {
  return Rooms({{{-half, -half, 0}, {half, half, 128}}, {{half + 16, -half, 0}, {400, half, 128}}},
               entities);
}

// Over a drop: a ledge with its top at z = 0, a beam's underside at -20, floors at -36 and -40.
void Ledge(BspBuilder& b) {
  b.AddBox({-256, -64, -512}, {-128, 64, 0}, false);
  b.AddRect({-64, -64, -20}, {-32, 64, -20}, {0, 0, -1});
  b.AddRect({32, -64, -36}, {64, 64, -36}, {0, 0, 1});
  b.AddRect({128, -64, -40}, {160, 64, -40}, {0, 0, 1});
}

class RoomCheck : public ::testing::Test {
 protected:
  // The spawn points' marks after a check with cube side `size` against the filled faces 'a', the
  // walls as two whole lists 'w' or as wall cells 'c', or nothing.
  Marks Check(BSPFile& map, float size, char list = ' ') {
    const GLuint polys = glGenLists(2);
    GLDrawing drawing;
    CompileList(polys, [&] { map.DrawPolys(drawing); });
    CompileList(polys + 1, [&] { map.DrawEntFaces(drawing, true); });
    GLSelection pass;
    if (list == 'c') {
      WallCells cells;
      cells.Compile(map);
      cells.WallCheck(pass, map, size);
      cells.Release();
    } else {
      map.WallCheck(pass, size, list == ' ' ? 0 : polys, list == 'w' ? polys + 1 : 0);
    }
    glDeleteLists(polys, 2);
    Marks marks;
    for (const auto& type : map.spawn_points)
      for (const SpawnPoint& sp : type) marks.push_back(sp.blocked);
    return marks;
  }
  OffscreenGL gl;
  Config config = TestConfig();
};

TEST_F(RoomCheck, TestVolumeIsTheDrawnCubeAtEveryYaw) {
  // A spawn point turned by 30 degrees with a cube of side 90 reaches 75 degrees out to 63.6 (a
  // corner), a cube turned the other way -75 degrees. A small box 60 out lies in exactly one.
  const double r = 60, a = 75 * std::numbers::pi / 180;
  const float x = float(r * std::cos(a)), y = float(r * std::sin(a));
  for (const auto& [side, blocked] : {std::pair{1.f, 1u}, {-1.f, 0u}}) {
    SCOPED_TRACE(side);
    const float oy = side * y;
    BSPFile map(Rooms({{{x - 0.5f, oy - 0.5f, 0}, {x + 0.5f, oy + 0.5f, 1}}}, kTurned), config);
    EXPECT_EQ(Check(map, 90, 'a'), Marks{blocked});
  }
}

TEST_F(RoomCheck, WallCellsGiveTheAnswersOfTheWholeLists) {
  // A hall over several cells: world pillars, a solid door, a moved brush of no group and an
  // illusionary brush, some across the cells' borders. Spawn points of every type and of yaws
  // not all multiples of 45 stand all over it: inside brushes, touching walls, free.
  BspBuilder b;
  b.AddBox({-1200, -300, 0}, {1200, 300, 256}, true);
  b.AddBox({-700, -100, 0}, {-660, 100, 256}, false);
  b.AddBox({330, 150, 0}, {345, 260, 200}, false);
  b.AddBox({340, 90, 50}, {360, 110, 70}, false);  // in the cell beyond x = 336
  b.AddModel();
  for (const auto& [low, high] : {std::pair<V3, V3>{{-200, -40, 0}, {-150, 40, 100}},
                                  {{0, 0, 0}, {60, 60, 60}},
                                  {{800, -50, 0}, {900, 50, 100}}}) {
    b.AddBox(low, high, false);
    b.AddModel();
  }
  b.SetEntities(
      kWorld + Block({{"classname", "func_door"}, {"model", "*1"}}) +
      Block({{"classname", "func_train"}, {"model", "*2"}, {"origin", "600 -200 0"}}) +
      Block({{"classname", "func_illusionary"}, {"model", "*3"}}) +
      Spawn("info_player_start", "-175 0 50") + Spawn("info_player_start", "630 -170 45") +
      // Only the turned cube's corner reaches across the border to the small box.
      Block({{"classname", "info_player_start"}, {"origin", "302 100 60"}, {"angle", "45"}}));
  BSPFile map(b.Build(), config);
  const float yaws[] = {0, 30, 45, 100, 217, 333};
  for (int k = 0; k < 126; ++k) {  // z, then y, then x changes; the type and yaw with each
    const std::array<float, 3> at{-1150.f + 115 * (k / 6), -270.f + 250 * (k / 2 % 3),
                                  45.f + 105 * (k % 2)};
    AddSpawnPointAt(map, k % 3, at, yaws[k % 6]);
  }
  for (const float size : {60.f, 90.f}) {
    const Marks whole = Check(map, size, 'w');
    EXPECT_EQ(Check(map, size, 'c'), whole) << size;
    const auto blocked = std::count(whole.begin(), whole.end(), 1u);
    EXPECT_GT(blocked, 0) << size;
    EXPECT_LT(blocked, static_cast<long>(whole.size())) << size;
  }
}

TEST_F(RoomCheck, PlannerFillsOnlyPlacesThatKeepEveryRule) {
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
      // Room only along the walls; nearest first, then row by row; the second room is not reached.
      {"a small room", TwoRooms(100, start), 0, 10, 1,
       "0 -80, -80 0, 80 0, 0 80, -80 -80, 80 -80, -80 80, 80 80, "},
      // The places beside the start's cube lie 6 units into the walls.
      {"a room too small", TwoRooms(90, start), 0, 4, 3, ""},
      {"a ledge over a drop",
       Rooms({{{-256, -64, -512}, {256, 64, 192}}}, Spawn("info_player_start", "-208 0 36"), Ledge),
       0, 4, 1, "-128 0, 32 0, "},
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
    std::string places;
    for (const SpawnPoint& sp : plan.spawn_points) {
      places += std::to_string(int(sp.origin[0])) + " " + std::to_string(int(sp.origin[1])) + ", ";
      EXPECT_EQ(sp.angles, map.GetSpawnPoint(c.type, 0)->angles);
      map.AddSpawnPoint(c.type, sp);
    }
    EXPECT_EQ(places, c.places);
    EXPECT_EQ(plan.missing, c.missing);
    EXPECT_EQ(CheckPlannedSpawnPoints(map, c.type, had, kDefaultSpawnSpacing), "");
  }
}

TEST_F(RoomCheck, PlanCheckFindsEachBrokenRule) {
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
