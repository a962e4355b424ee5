// The room checks: one selection pass per spawn point, into which the cubes of the other spawn
// points and then the walls are drawn.
#include "map/bsp_file.h"

namespace tarnwick {
namespace {

// The solid cubes of every spawn point of `map` but `skip`.
void DrawCubes(Drawing& drawing, const BSPFile& map, const SpawnPoint* skip, float min_distance) {
  for (const std::vector<SpawnPoint>& type : map.spawn_points) {
    for (const SpawnPoint& other : type) {
      if (&other != skip) other.DrawSolid(drawing, min_distance);
    }
  }
}

}  // namespace

void BSPFile::CheckSpawnPoints(SelectionPass& pass, float min_distance,
                               const WallDrawing& draw_walls) {
  for (std::vector<SpawnPoint>& type : spawn_points) {
    for (SpawnPoint& spawn_point : type) {
      Drawing& drawing = pass.Begin(spawn_point, min_distance);
      DrawCubes(drawing, *this, &spawn_point, min_distance);
      draw_walls(drawing, spawn_point);
      spawn_point.blocked = pass.End() ? 1 : 0;
    }
  }
}

void BSPFile::WallCheck(SelectionPass& pass, float min_distance, uint32_t list_a, uint32_t list_b) {
  CheckSpawnPoints(pass, min_distance, [&](Drawing& drawing, const SpawnPoint&) {
    if (list_a != 0) drawing.CallList(list_a);
    if (list_b != 0) drawing.CallList(list_b);
  });
}

void BSPFile::CheckSpawnPoint(SelectionPass& pass, SpawnPoint& spawn_point,
                              float min_distance) const {
  DrawCubes(pass.Begin(spawn_point, min_distance), *this, nullptr, min_distance);
  spawn_point.blocked = pass.End() ? 1 : 0;
}

}  // namespace tarnwick
