// The room checks, run with OpenGL selection in an off-screen context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "map/bsp_file.h"
#include "map/gl_drawing.h"
#include "map/offscreen_gl.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

std::string Spawn(const std::string& class_name, const std::string& origin,
                  const std::string& angle = "0") {
  return Block({{"classname", class_name}, {"origin", origin}, {"angle", angle}});
}

class WallCheckTest : public ::testing::Test {
 protected:
  // A display list of what `draw` emits.
  GLuint Compile(const std::function<void(Drawing&)>& draw) {
    const GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    GLDrawing drawing;
    draw(drawing);
    glEndList();
    return list;
  }

  OffscreenGL gl;
  Config config = TestConfig();
};

TEST_F(WallCheckTest, SpawnPointsBlockEachOtherWithinTheCubeSide) {
  // Two types: the check counts spawn points of every type.
  BSPFile map(RoomBuilder(kWorld + Spawn("info_player_start", "0 0 64") +
                          Spawn("info_player_deathmatch", "50 0 64") +
                          Spawn("info_player_start", "-150 150 64"))
                  .Build(),
              config);
  map.WallCheck(90, 0, 0);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 1u);
  EXPECT_EQ(map.GetSpawnPoint(1, 0)->blocked, 1u);
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->blocked, 0u);
  map.WallCheck(40, 0, 0);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 0u);
  EXPECT_EQ(map.GetSpawnPoint(1, 0)->blocked, 0u);
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->blocked, 0u);
}

TEST_F(WallCheckTest, WallsCountOnlyThroughTheListsPassed) {
  // The wall at y = 256 is 56 from the spawn point; the floor and ceiling are 96 away.
  BSPFile map(RoomBuilder(kWorld + Spawn("info_player_start", "0 200 96")).Build(), config);
  const GLuint polys = Compile([&](Drawing& d) { map.DrawPolys(d); });
  map.WallCheck(120, 0, 0);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 0u);
  map.WallCheck(90, polys, 0);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 0u);
  map.WallCheck(120, polys, 0);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 1u);
  map.WallCheck(120, 0, polys);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 1u);
  glDeleteLists(polys, 1);
}

TEST_F(WallCheckTest, SolidGroupsBlockAndNonSolidOnesDoNot) {
  // Model 2 is a box from z = 0 to 40; the spawn point's cube reaches down to z = 25.
  for (const auto& [class_name, blocked] :
       {std::pair{"func_door", 1u}, {"func_illusionary", 0u}, {"func_plain", 1u}}) {
    SCOPED_TRACE(class_name);
    BSPFile map(RoomBuilder(kWorld + Block({{"classname", class_name}, {"model", "*2"}}) +
                            Spawn("info_player_start", "120 120 70"))
                    .Build(),
                config);
    const GLuint polys = Compile([&](Drawing& d) { map.DrawPolys(d); });
    const GLuint solid = Compile([&](Drawing& d) { map.DrawEntFaces(d, true); });
    map.WallCheck(90, polys, solid);
    EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, blocked);
    glDeleteLists(polys, 1);
    glDeleteLists(solid, 1);
  }
}

TEST_F(WallCheckTest, TestVolumeIsTheDrawnCubeAtEveryYaw) {
  // A spawn point turned by 30 degrees with a cube of side 90 (h = 45). Its drawn cube reaches
  // the map direction 75 degrees out to 63.6 (a corner); the cube turned the other way reaches
  // -75 degrees instead. A small obstacle 60 out at either angle lies in exactly one of them.
  const double r = 60, a = 75 * std::numbers::pi / 180;
  const float x = float(r * std::cos(a)), y = float(r * std::sin(a));
  for (const auto& [side, blocked] : {std::pair{1.f, 1u}, {-1.f, 0u}}) {
    SCOPED_TRACE(side);
    BspBuilder b;
    const float oy = side * y;
    b.AddFace(
        std::vector<V3>{{x - 0.5f, oy - 0.5f, 0}, {x, oy + 0.5f, 0}, {x + 0.5f, oy - 0.5f, 0}});
    b.AddModel();
    b.SetEntities(kWorld + Spawn("info_player_start", "0 0 0", "30"));
    BSPFile map(b.Build(), config);
    const GLuint polys = Compile([&](Drawing& d) { map.DrawPolys(d); });
    map.WallCheck(90, polys, 0);
    EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, blocked);
    glDeleteLists(polys, 1);

    // The camera's check turns its volume the same way. The obstacle is a spawn point whose cube
    // (side 90, not turned) has a corner on the same spot and stretches away from the camera.
    BspBuilder others;
    others.SetEntities(
        kWorld + Spawn("info_player_start",
                       std::to_string(x + 45) + " " + std::to_string(side * (y + 45)) + " 0"));
    const BSPFile with_other(others.Build(), config);
    SpawnPoint camera;
    camera.angles = {0, 0, 30};
    with_other.CheckSpawnPoint(camera, 90);
    EXPECT_EQ(camera.blocked, blocked);

    // Turned and unturned spawn points see each other alike: the cube of side 90 from
    // (15, 60) to (105, 150) holds the turned cube's corner, and no point of the mirrored one.
    BspBuilder pair;
    pair.SetEntities(kWorld + Spawn("info_player_start", "0 0 0", "30") +
                     Spawn("info_player_start", "60 " + std::to_string(side * 105) + " 0"));
    BSPFile two(pair.Build(), config);
    two.WallCheck(90, 0, 0);
    EXPECT_EQ(two.GetSpawnPoint(0, 0)->blocked, blocked);
    EXPECT_EQ(two.GetSpawnPoint(0, 1)->blocked, blocked);
  }
}

TEST_F(WallCheckTest, CheckSpawnPointCountsEverySpawnPointAndNoWalls) {
  BSPFile map(RoomBuilder(kWorld + Spawn("info_player_start", "0 0 64") +
                          Spawn("info_player_coop", "200 0 64"))
                  .Build(),
              config);
  const struct {
    float x;
    uint32_t blocked;
  } cases[] = {{0, 1}, {100, 0}, {150, 1}, {240, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    SpawnPoint camera;
    camera.origin = {c.x, 0, 64};
    camera.blocked = 7;
    map.CheckSpawnPoint(camera, 90);
    EXPECT_EQ(camera.blocked, c.blocked);
  }
  // A camera on the floor is not blocked by it, and the map's own spawn points keep their marks.
  map.GetSpawnPoint(0, 0)->blocked = 1;
  SpawnPoint camera;
  camera.origin = {100, 100, 0};
  map.CheckSpawnPoint(camera, 90);
  EXPECT_EQ(camera.blocked, 0u);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 1u);
  EXPECT_EQ(map.GetSpawnPoint(2, 0)->blocked, 0u);
}

}  // namespace
}  // namespace tarnwick::test
