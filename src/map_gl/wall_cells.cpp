// The wall cells: the wall faces recorded from the map's drawings, sorted into a coarse grid and
// compiled into one display list per cell.
#include "map_gl/wall_cells.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "map_gl/gl_drawing.h"

namespace tarnwick {
namespace {

constexpr double kCellSize = 512;  // map units: a spawn point's cube reaches one to eight cells
constexpr int32_t kMaxCells = 32;  // per axis: a larger map gets larger cells

// A filled face as a drawing emits it: its corners, and the translation of
// the matrix it was drawn in, so that a list sends it exactly as the whole lists do.
struct WallFace {
  std::vector<VertexPoint> corners;
  bool moved = false;
  VertexPoint offset{0, 0, 0};
};

// Records the filled faces of a drawing. The wall drawings move a face by at most one
// translation inside a matrix of its own; colours and normals mean nothing to selection.
class FaceRecorder : public Drawing {
 public:
  void Begin(Primitive primitive) override {
    recording_ = primitive == Primitive::Polygon;
    if (recording_) faces.push_back({{}, moved_, offset_});
  }
  void End() override { recording_ = false; }
  void Vertex(float x, float y, float z) override {
    if (recording_) faces.back().corners.push_back({x, y, z});
  }
  void Normal(float, float, float) override {}
  void Color(uint8_t, uint8_t, uint8_t, uint8_t) override {}
  void PushMatrix() override { saved_.push_back({moved_, offset_}); }
  void PopMatrix() override {
    moved_ = saved_.back().first;
    offset_ = saved_.back().second;
    saved_.pop_back();
  }
  void Translate(float x, float y, float z) override {
    moved_ = true;
    offset_ = {x, y, z};
  }
  void Rotate(float, float, float, float) override {}
  void CallList(uint32_t) override {}

  std::vector<WallFace> faces;

 private:
  bool recording_ = false;
  bool moved_ = false;
  VertexPoint offset_{0, 0, 0};
  std::vector<std::pair<bool, VertexPoint>> saved_;
};

void Emit(Drawing& drawing, const WallFace& face) {
  if (face.moved) {
    drawing.PushMatrix();
    drawing.Translate(face.offset.x, face.offset.y, face.offset.z);
  }
  drawing.Begin(Primitive::Polygon);
  for (const VertexPoint& c : face.corners) drawing.Vertex(c.x, c.y, c.z);
  drawing.End();
  if (face.moved) drawing.PopMatrix();
}

// The lowest and highest corner of a box.
struct Box {
  std::array<double, 3> low, high;
  bool finite() const {
    for (int a = 0; a < 3; ++a) {
      if (!std::isfinite(low[a]) || !std::isfinite(high[a])) return false;
    }
    return true;
  }
};

Box BoundsOf(const WallFace& face) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  Box box{{kInf, kInf, kInf}, {-kInf, -kInf, -kInf}};
  for (const VertexPoint& c : face.corners) {
    const double at[3] = {double{c.x} + face.offset.x, double{c.y} + face.offset.y,
                          double{c.z} + face.offset.z};
    for (int a = 0; a < 3; ++a) {
      // A corner that is not a number leaves the box not finite for good.
      box.low[a] = std::isnan(at[a]) ? at[a] : std::min(box.low[a], at[a]);
      box.high[a] = std::max(box.high[a], at[a]);
    }
  }
  return box;
}

// Calls `visit` with the index of every cell from the cell numbers `first` to `last`, both
// included, in a grid of `count` cells along each axis.
using Cell = std::array<int32_t, 3>;
template <class Visit>
void ForEachCell(const Cell& count, const Cell& first, const Cell& last, Visit visit) {
  for (int32_t z = first[2]; z <= last[2]; ++z) {
    for (int32_t y = first[1]; y <= last[1]; ++y) {
      for (int32_t x = first[0]; x <= last[0]; ++x) {
        visit((size_t(z) * count[1] + y) * count[0] + x);
      }
    }
  }
}

uint32_t CompileCell(const std::vector<const WallFace*>& faces) {
  const GLuint list = glGenLists(1);
  GLDrawing gl;
  CompileList(list, [&] {
    for (const WallFace* face : faces) Emit(gl, *face);
  });
  return list;
}

}  // namespace

void WallCells::Compile(const BSPFile& map) {
  FaceRecorder recorder;
  map.DrawPolys(recorder);
  map.DrawEntFaces(recorder, true);
  Release();

  // The grid covers the faces whose corners are all finite; the others are sent in every pass.
  std::vector<Box> boxes;
  boxes.reserve(recorder.faces.size());
  Box grid = BoundsOf(WallFace{});  // empty: from +infinity to -infinity
  std::vector<const WallFace*> unplaced;
  for (const WallFace& face : recorder.faces) {
    boxes.push_back(BoundsOf(face));
    if (face.corners.empty()) continue;  // draws nothing
    if (!boxes.back().finite()) {
      unplaced.push_back(&face);
      continue;
    }
    for (int a = 0; a < 3; ++a) {
      grid.low[a] = std::min(grid.low[a], boxes.back().low[a]);
      grid.high[a] = std::max(grid.high[a], boxes.back().high[a]);
    }
  }
  if (!unplaced.empty()) unplaced_ = CompileCell(unplaced);
  if (!grid.finite()) return;  // no face to place
  for (int a = 0; a < 3; ++a) {
    const double extent = grid.high[a] - grid.low[a];
    origin_[a] = grid.low[a];
    cell_size_[a] = std::max(kCellSize, extent / kMaxCells);
    count_[a] = std::min(kMaxCells, static_cast<int32_t>(extent / cell_size_[a]) + 1);
  }

  std::vector<std::vector<const WallFace*>> cells(static_cast<size_t>(count_[0]) * count_[1] *
                                                  count_[2]);
  for (size_t f = 0; f < recorder.faces.size(); ++f) {
    if (recorder.faces[f].corners.empty() || !boxes[f].finite()) continue;
    Cell first, last;
    for (int a = 0; a < 3; ++a) {
      first[a] = CellOf(a, boxes[f].low[a]);
      last[a] = CellOf(a, boxes[f].high[a]);
    }
    ForEachCell(count_, first, last, [&](size_t c) { cells[c].push_back(&recorder.faces[f]); });
  }
  lists_.assign(cells.size(), 0);
  for (size_t c = 0; c < cells.size(); ++c) {
    if (!cells[c].empty()) lists_[c] = CompileCell(cells[c]);
  }
}

void WallCells::Release() {
  for (const uint32_t list : lists_) {
    if (list != 0) glDeleteLists(list, 1);
  }
  if (unplaced_ != 0) glDeleteLists(unplaced_, 1);
  lists_.clear();
  unplaced_ = 0;
  count_ = {};
}

int32_t WallCells::CellOf(int axis, double at) const {
  const double cell = std::floor((at - origin_[axis]) / cell_size_[axis]);
  return static_cast<int32_t>(std::clamp(cell, 0.0, double(count_[axis] - 1)));
}

void WallCells::CallCells(const VertexPoint& at, double half_xy, double half_z) const {
  if (unplaced_ != 0) glCallList(unplaced_);
  if (lists_.empty()) return;
  // A face that touches the cube counts: the margin covers the rounding of the transforms.
  const double centre[3] = {at.x, at.y, at.z};
  const double half[3] = {half_xy, half_xy, half_z};
  Cell first, last;
  for (int a = 0; a < 3; ++a) {
    const double margin = 1 + 1e-5 * std::abs(centre[a]);
    const double low = centre[a] - half[a] - margin, high = centre[a] + half[a] + margin;
    const bool finite = std::isfinite(low) && std::isfinite(high);
    first[a] = finite ? CellOf(a, low) : 0;
    last[a] = finite ? CellOf(a, high) : count_[a] - 1;
  }
  ForEachCell(count_, first, last, [&](size_t c) {
    if (lists_[c] != 0) glCallList(lists_[c]);
  });
}

void WallCells::WallCheck(SelectionPass& pass, BSPFile& map, float min_distance) const {
  // The test volume is the cube turned by the spawn point's yaw, which reaches no further across
  // than its diagonal. A size of 0 leaves OpenGL's unit cube as the volume.
  const double h = std::max(std::abs(min_distance / 2.0), 1.0);
  map.CheckSpawnPoints(pass, min_distance, [&](Drawing&, const SpawnPoint& spawn_point) {
    const auto& [x, y, z] = spawn_point.origin;
    CallCells({x, y, z}, h * std::numbers::sqrt2, h);
  });
}

}  // namespace tarnwick
