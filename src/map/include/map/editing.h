#pragma once
// The editing rules that the editors and tarnwick-cli share: each sets an entity's fields and has
// the map write them into the entity's text and its spawn point.
#include <array>
#include <cstdint>

#include "map/bsp_file.h"

namespace tarnwick {

// Moves entity `index` to the map position `position`.
void MoveEntity(BSPFile& map, int32_t index, const std::array<float, 3>& position);

// Turns entity `index` to `yaw`: the yaw of its "angles" and its "angle", as far as it has them.
void TurnEntity(BSPFile& map, int32_t index, float yaw);

// Adds a spawn point of `type` at the map position `position`, facing `yaw`, level.
void AddSpawnPointAt(BSPFile& map, int32_t type, const std::array<float, 3>& position, float yaw);

}  // namespace tarnwick
