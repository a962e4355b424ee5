#pragma once

#include <cstdint>
#include <string>

#include "map/bsp_file.h"

namespace tarnwick::test {

// Checks the spawn points of `type` from `first_new` on, which a plan added, by the planner's
// rules with OpenGL selection in the current context in place of its geometry: free, on a floor,
// spaced, and reachable from one before `first_new`. A line per broken rule, "" when all hold.
std::string CheckPlannedSpawnPoints(BSPFile& map, int32_t type, int32_t first_new, float spacing);

}  // namespace tarnwick::test
