#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "map/bsp_file.h"

namespace tarnwick {

// The walls of the wall check (world faces and brush entities of no group as DrawPolys draws
// them, brush entities of solid groups as DrawEntFaces draws them) compiled into display lists,
// one per cell of a coarse grid, so that each spawn point's selection pass sends only the faces
// that can reach its cube. A face goes into every cell its bounding box overlaps.
//
// The lists belong to the OpenGL context that is current when they are compiled; they go with
// it, or with Release.
class WallCells {
 public:
  WallCells() = default;
  WallCells(const WallCells&) = delete;  // the lists have one owner
  WallCells& operator=(const WallCells&) = delete;

  // Compiles the cells anew from the map's drawings; the context must be current. Raises what
  // the drawings raise, and then keeps the cells it had.
  void Compile(const BSPFile& map);
  // Deletes the lists, with the context current.
  void Release();

  // Sets `blocked` of every spawn point of `map` as BSPFile::WallCheck does when given the
  // filled-world and solid lists these cells were compiled with.
  void WallCheck(SelectionPass& pass, BSPFile& map, float min_distance) const;

 private:
  // Calls the lists of the cells that a box of half-sizes `half_xy` and `half_z` around `at`
  // overlaps.
  void CallCells(const VertexPoint& at, double half_xy, double half_z) const;
  // The cell along `axis` that holds the coordinate `at`, the first or last for one outside.
  int32_t CellOf(int axis, double at) const;

  std::array<double, 3> origin_{};     // the grid's low corner
  std::array<double, 3> cell_size_{};  // per axis
  std::array<int32_t, 3> count_{};     // cells per axis
  std::vector<uint32_t> lists_;        // per cell, x fastest, then y, then z; 0 = empty
  uint32_t unplaced_ = 0;              // faces with corners that are not finite: every pass
};

}  // namespace tarnwick
