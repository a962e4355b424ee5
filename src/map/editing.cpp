#include "map/editing.h"

namespace tarnwick {

void MoveEntity(BSPFile& map, int32_t index, const std::array<float, 3>& position) {
  map.entities.at(static_cast<size_t>(index)).origin = position;
  map.WriteBack(index);
}

void TurnEntity(BSPFile& map, int32_t index, float yaw) {
  Entity& e = map.entities.at(static_cast<size_t>(index));
  if (e.has_angles) e.angles[2] = yaw;
  if (e.has_angle) e.angle = yaw;
  map.WriteBack(index);
}

void AddSpawnPointAt(BSPFile& map, int32_t type, const std::array<float, 3>& position, float yaw) {
  SpawnPoint sp;
  sp.origin = position;
  sp.angles = {0, 0, yaw};
  map.AddSpawnPoint(type, sp);
}

}  // namespace tarnwick
