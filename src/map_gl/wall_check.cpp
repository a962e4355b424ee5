// The room checks. Each spawn point gets one selection pass whose view volume is exactly its own
// cube: anything drawn in the pass that reaches into the volume is a hit.
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "map/bsp_file.h"
#include "map_gl/gl_drawing.h"
#include "map_gl/wall_cells.h"

namespace tarnwick {
namespace {

// The spawn point's cube as six solid faces, placed as SpawnPoint::Draw places its wire cube.
void DrawSolidCube(const SpawnPoint& spawn_point, float h) {
  static constexpr float kCorners[24][3] = {
      {1, -1, -1},  {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1},    // z = -h
      {1, -1, 1},   {-1, -1, 1},  {-1, 1, 1},  {1, 1, 1},     // z = +h
      {1, -1, -1},  {-1, -1, -1}, {-1, -1, 1}, {1, -1, 1},    // y = -h
      {1, 1, -1},   {-1, 1, -1},  {-1, 1, 1},  {1, 1, 1},     // y = +h
      {1, -1, -1},  {1, 1, -1},   {1, 1, 1},   {1, -1, 1},    // x = +h
      {-1, -1, -1}, {-1, 1, -1},  {-1, 1, 1},  {-1, -1, 1}};  // x = -h
  glPushMatrix();
  glTranslatef(spawn_point.origin[0], spawn_point.origin[1], spawn_point.origin[2]);
  glRotatef(spawn_point.yaw(), 0, 0, 1);
  glBegin(GL_QUADS);
  for (const auto& c : kCorners) glVertex3f(c[0] * h, c[1] * h, c[2] * h);
  glEnd();
  glPopMatrix();
}

// One selection pass for `spawn_point`: the cubes of every spawn point of `map` but `skip`, then
// whatever `draw_walls` draws. The selection buffer must be set.
template <class DrawWalls>
void CheckOne(const BSPFile& map, SpawnPoint& spawn_point, const SpawnPoint* skip,
              float min_distance, DrawWalls draw_walls) {
  const float h = min_distance / 2;
  spawn_point.blocked = 0;
  // Faces inside the volume count whichever way they face; the sides of a neighbour's cube are
  // seen edge-on here, and culling would drop them. The view's culling state comes back after.
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_CULL_FACE);
  glRenderMode(GL_SELECT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-h, h, -h, h, -h, h);
  glMatrixMode(GL_MODELVIEW);
  // The inverse of the cube's placement, so that the view volume is the drawn cube at every yaw.
  glLoadIdentity();
  glRotatef(spawn_point.yaw(), 0, 0, 1);
  TurnMapToView();
  glTranslatef(-spawn_point.origin[0], -spawn_point.origin[1], -spawn_point.origin[2]);
  glInitNames();
  glPushName(0);
  for (const std::vector<SpawnPoint>& type : map.spawn_points) {
    for (const SpawnPoint& other : type) {
      if (&other != skip) DrawSolidCube(other, h);
    }
  }
  draw_walls();
  if (glRenderMode(GL_RENDER) > 0) spawn_point.blocked = 1;
  glPopAttrib();
}

// OpenGL keeps the buffer's address after a check returns, so the buffer lives as long as the
// program. A pass writes one hit record at most: its name stack never changes.
std::array<GLuint, 1000> selection_buffer;

}  // namespace

void BSPFile::WallCheck(float min_distance, uint32_t list_a, uint32_t list_b) {
  glSelectBuffer(static_cast<GLsizei>(selection_buffer.size()), selection_buffer.data());
  for (std::vector<SpawnPoint>& type : spawn_points) {
    for (SpawnPoint& spawn_point : type) {
      CheckOne(*this, spawn_point, &spawn_point, min_distance, [&] {
        if (list_a != 0) glCallList(list_a);
        if (list_b != 0) glCallList(list_b);
      });
    }
  }
}

void BSPFile::CheckSpawnPoint(SpawnPoint& spawn_point, float min_distance) const {
  glSelectBuffer(static_cast<GLsizei>(selection_buffer.size()), selection_buffer.data());
  CheckOne(*this, spawn_point, nullptr, min_distance, [] {});
}

void WallCells::WallCheck(BSPFile& map, float min_distance) const {
  glSelectBuffer(static_cast<GLsizei>(selection_buffer.size()), selection_buffer.data());
  // The test volume is the cube turned by the spawn point's yaw, which reaches no further across
  // than its diagonal. A size of 0 leaves OpenGL's unit cube as the volume.
  const double h = std::max(std::abs(min_distance / 2.0), 1.0);
  for (std::vector<SpawnPoint>& type : map.spawn_points) {
    for (SpawnPoint& spawn_point : type) {
      CheckOne(map, spawn_point, &spawn_point, min_distance, [&] {
        const auto& [x, y, z] = spawn_point.origin;
        CallCells({x, y, z}, h * std::numbers::sqrt2, h);
      });
    }
  }
}

}  // namespace tarnwick
