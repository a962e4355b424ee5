#pragma once

#include "map/bsp_file.h"

namespace tarnwick {

// The view looks at the map with y and z turned round: map (x, y, z) is view (x, -y, -z).
inline VertexPoint ToView(const VertexPoint& map_point) {
  return {map_point.x, -map_point.y, -map_point.z};
}

}  // namespace tarnwick
