// Each rule is one selection pass whose view volume is the box the rule keeps clear or needs a
// floor in.
#include "support/spawn_plan_check.h"

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

#include "map_gl/gl_drawing.h"

namespace tarnwick::test {
namespace {

// The volumes keep this far inside a box kept clear, and reach this far beyond the floor's slab:
// a face touching the player's box is allowed and a floor at either end counts, whatever rounding.
constexpr float kMargin = 1.0f / 64;

// Forwards to OpenGL only the polygons that look up, told by their winding (clockwise seen from
// the side they look to) rather than by their plane as in the planner.
class UpwardFaces : public GLDrawing {
 public:
  void Begin(Primitive) override { corners_.clear(); }
  void Vertex(float x, float y, float z) override { corners_.push_back({x, y, z}); }
  void End() override {
    std::array<double, 3> n{};  // Newell's normal: away from the side the face looks to
    for (size_t k = 0; k < corners_.size(); ++k) {
      const auto& a = corners_[k];
      const auto& b = corners_[(k + 1) % corners_.size()];
      n[0] += (a[1] - b[1]) * (a[2] + b[2]);
      n[1] += (a[2] - b[2]) * (a[0] + b[0]);
      n[2] += (a[0] - b[0]) * (a[1] + b[1]);
    }
    if (n[2] >= 0 || -n[2] < 0.7 * std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2])) return;
    GLDrawing::Begin(Primitive::Polygon);
    for (const auto& c : corners_) GLDrawing::Vertex(c[0], c[1], c[2]);
    GLDrawing::End();
  }

 private:
  std::vector<std::array<float, 3>> corners_;
};

// The filled world and the solid brush entities, as two display lists.
std::array<GLuint, 2> Compile(BSPFile& map, GLDrawing&& drawing) {
  const GLuint lists = glGenLists(2);
  CompileList(lists, [&] { map.DrawPolys(drawing); });
  CompileList(lists + 1, [&] { map.DrawEntFaces(drawing, true); });
  return {lists, lists + 1};
}

// Whether `lists` draw into the box of half sizes `half` around `centre`, turned by `degrees`.
bool Hits(const std::array<GLuint, 2>& lists, std::array<float, 3> centre, float degrees,
          std::array<float, 3> half) {
  static std::array<GLuint, 64> buffer;
  glSelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());
  glRenderMode(GL_SELECT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-half[0], half[0], -half[1], half[1], -half[2], half[2]);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glRotatef(degrees, 0, 0, 1);
  TurnMapToView();
  glTranslatef(-centre[0], -centre[1], -centre[2]);
  glInitNames();
  glPushName(0);
  for (const GLuint list : lists) glCallList(list);
  return glRenderMode(GL_RENDER) > 0;
}

}  // namespace

std::string CheckPlannedSpawnPoints(BSPFile& map, int32_t type, int32_t first_new, float spacing) {
  glDisable(GL_CULL_FACE);
  const auto walls = Compile(map, GLDrawing()), floors = Compile(map, UpwardFaces());
  GLSelection pass;
  map.WallCheck(pass, spacing, 0, 0);
  std::string failures;
  for (int32_t i = first_new; i < map.GetSpawnPointCount(type); ++i) {
    const SpawnPoint& sp = *map.GetSpawnPoint(type, i);
    const auto [x, y, z] = sp.origin;
    const auto fail = [&](const char* rule) {
      char line[200];
      std::snprintf(line, sizeof line, "%d (%g %g %g): %s\n", i + 1, x, y, z, rule);
      failures += line;
    };
    if (Hits(walls, sp.origin, 0, {16 - kMargin, 16 - kMargin, 36 - kMargin})) fail("not free");
    // The slab from 72 to 36 below the origin.
    if (!Hits(floors, {x, y, z - 54}, 0, {16 - kMargin, 16 - kMargin, 18 + kMargin}))
      fail("no floor");
    if (sp.blocked) fail("too close to another spawn point");
    bool reached = false;
    for (int32_t s = 0; s < first_new && !reached; ++s) {
      const auto [sx, sy, sz] = map.GetSpawnPoint(type, s)->origin;
      const float length = std::hypot(x - sx, y - sy);
      if (sz != z || length > 1024 + kMargin) continue;
      const float degrees = std::atan2(y - sy, x - sx) * 180 / std::numbers::pi_v<float>;
      reached =
          !Hits(walls, {(x + sx) / 2, (y + sy) / 2, z}, degrees, {length / 2, kMargin, kMargin});
    }
    if (!reached) fail("not reachable");
  }
  glDeleteLists(walls[0], 2);
  glDeleteLists(floors[0], 2);
  return failures;
}

}  // namespace tarnwick::test
