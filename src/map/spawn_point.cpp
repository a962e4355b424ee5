#include "map/spawn_point.h"

#include "base/error.h"
#include "map/entity.h"

namespace tarnwick {
namespace {

// The cube of side 2h around a spawn point, in the spawn point's own frame (x along its facing):
// the corners of its square at z = -h, then those of its square at z = +h, each square's in order
// round it.
constexpr float kSquare[4][2] = {{1, -1}, {-1, -1}, {-1, 1}, {1, 1}};
void Corner(Drawing& drawing, int corner, float h) {
  const float* xy = kSquare[corner % 4];
  drawing.Vertex(xy[0] * h, xy[1] * h, corner < 4 ? -h : h);
}

// Moves to the spawn point and turns by its yaw, until the matching PopMatrix.
void PlaceAt(Drawing& drawing, const SpawnPoint& spawn_point) {
  drawing.PushMatrix();
  drawing.Translate(spawn_point.origin[0], spawn_point.origin[1], spawn_point.origin[2]);
  drawing.Rotate(spawn_point.yaw(), 0, 0, 1);
}

}  // namespace

void SpawnPoint::Read(Entity& entity_, int32_t entity_index, int32_t type, int32_t index) {
  entity = entity_index;
  entity_.is_spawn_point = true;
  entity_.spawn_point_type = type;
  entity_.spawn_point_index = index;
  RequireOrigin(entity_);
  origin = entity_.origin;
  angles = entity_.has_angles ? entity_.angles : std::array<float, 3>{0, 0, 0};
  if (entity_.has_angle) angles[2] = entity_.angle;
}

void SpawnPoint::Draw(Drawing& drawing, float min_distance) const {
  const float h = min_distance / 2;
  PlaceAt(drawing, *this);
  drawing.Begin(Primitive::Lines);
  for (const int square : {0, 4}) {  // round each square, corner to corner
    for (int c = 0; c < 4; ++c) {
      Corner(drawing, square + c, h);
      Corner(drawing, square + (c + 1) % 4, h);
    }
  }
  for (int c = 0; c < 4; ++c) {  // the edges between them
    Corner(drawing, c, h);
    Corner(drawing, c + 4, h);
  }
  // The arrow: a shaft through the centre and two barbs meeting at the tip on +x.
  const float arrow[6][2] = {{h, 0}, {-h, 0}, {0, -h}, {h, 0}, {0, h}, {h, 0}};
  for (const auto& [x, y] : arrow) drawing.Vertex(x, y, 0);
  drawing.End();
  drawing.PopMatrix();
}

void SpawnPoint::DrawSolid(Drawing& drawing, float min_distance) const {
  static constexpr int kFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                       {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 2, 6, 5}};
  const float h = min_distance / 2;
  PlaceAt(drawing, *this);
  drawing.Begin(Primitive::Quads);
  for (const auto& face : kFaces) {
    for (const int corner : face) Corner(drawing, corner, h);
  }
  drawing.End();
  drawing.PopMatrix();
}

void RequireOrigin(const Entity& entity) {
  if (!entity.has_origin) {
    throw Error("SpawnPoint::Read (No origin in entity (" + entity.class_name + ")");
  }
}

}  // namespace tarnwick
