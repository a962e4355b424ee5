#pragma once

#include <array>
#include <cstdint>

#include "map/drawing.h"

namespace tarnwick {

struct Entity;

struct SpawnPoint {
  // Links this spawn point (slot `type`, `index`) and entity `entity_index` both ways and copies
  // the entity's position and orientation. Raises Error when the entity has no origin.
  void Read(Entity& entity_, int32_t entity_index, int32_t type, int32_t index);

  // The cube of side `min_distance` around the spawn point, turned by its yaw: as wires with an
  // arrow along its facing, or as six solid faces (for the room checks).
  void Draw(Drawing& drawing, float min_distance) const;
  void DrawSolid(Drawing& drawing, float min_distance) const;

  float yaw() const { return angles[2]; }

  uint32_t blocked = 0;
  std::array<float, 3> origin{};  // map coordinates
  std::array<float, 3> angles{};  // pitch, roll, yaw
  int32_t entity = -1;            // index of the backing entity
};

// Raises SpawnPoint::Read's error when `entity` has no origin, as a spawn point must.
void RequireOrigin(const Entity& entity);

}  // namespace tarnwick
