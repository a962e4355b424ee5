#pragma once

#include <cstdint>
#include <string>

#include "map/bsp_file.h"

namespace tarnwick::test {

// Checks the spawn points of `type` from index `first_new` on, which a plan added, by the
// planner's rules but with OpenGL selection in the current context instead of its geometry: each
// must be free, stand on a floor, keep its spacing and be reachable from one of the type's
// spawn points before `first_new`. Returns a line for each broken rule, "" when all hold. The
// spacing check it runs sets every spawn point's `blocked`.
std::string CheckPlannedSpawnPoints(BSPFile& map, int32_t type, int32_t first_new, float spacing);

}  // namespace tarnwick::test
