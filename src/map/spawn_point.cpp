#include "map/spawn_point.h"

#include "base/error.h"
#include "map/entity.h"

namespace tarnwick {

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

void RequireOrigin(const Entity& entity) {
  if (!entity.has_origin) {
    throw Error("SpawnPoint::Read (No origin in entity (" + entity.class_name + ")");
  }
}

}  // namespace tarnwick
