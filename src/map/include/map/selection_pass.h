#pragma once

#include "map/drawing.h"
#include "map/spawn_point.h"

namespace tarnwick {

// One pass of the room checks, as the program runs it (OpenGL selection, GLSelection): whatever is
// drawn into the pass and reaches into its volume is a hit. The volume is the cube that
// SpawnPoint::DrawSolid draws around the spawn point.
class SelectionPass {
 public:
  virtual ~SelectionPass() = default;
  // Starts a pass around `spawn_point` with a cube of side `min_distance`; what is drawn into the
  // drawing it returns counts until End.
  virtual Drawing& Begin(const SpawnPoint& spawn_point, float min_distance) = 0;
  // Ends the pass: whether anything reached into the volume.
  virtual bool End() = 0;
};

}  // namespace tarnwick
