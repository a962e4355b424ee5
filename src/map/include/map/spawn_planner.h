#pragma once

#include <cstdint>
#include <vector>

#include "map/bsp_file.h"

namespace tarnwick {

// Spawn points a plan adds to one type, in the order chosen, and how many of the wanted count
// could not be placed.
struct SpawnPlan {
  std::vector<SpawnPoint> spawn_points;
  int32_t missing = 0;
};

constexpr float kDefaultSpawnSpacing = 64;

// Chooses new spawn points of `type` until the type has `count`, changing nothing in the map;
// the caller adds them with BSPFile::AddSpawnPoint. Each new spawn point lies on a grid of 16
// units around an existing spawn point of the type (its source), within 1024 units of it at its
// height, and takes its angles. Places are taken nearest to their source first, then in the order
// of the sources, then row by row (y, then x), so a map always gets the same plan. A place is
// taken when a standing player's box (x and y ±16, z −36 to +36 around the origin) is free of
// walls (touching them is allowed), a floor that looks up lies under the box within 36 units,
// the cube of side `spacing` around it, turned by its yaw, keeps clear of every other spawn
// point's cube (touching is not allowed), and the straight line from the source crosses no wall.
// Walls are the faces the wall check counts: the world's and those of brush entities of no group
// or a solid group. Raises Error when the type is not a configured one, the count is negative or
// the spacing is not a number of at least 32.
SpawnPlan PlanSpawnPoints(const BSPFile& map, int32_t type, int32_t count,
                          float spacing = kDefaultSpawnSpacing);

}  // namespace tarnwick
