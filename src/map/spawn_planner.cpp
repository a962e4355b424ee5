// The spawn planner. Candidate places are tested with exact geometry on the CPU; a uniform grid
// of cells hands each test only the walls near it.
#include "map/spawn_planner.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>
#include <unordered_map>

#include "base/error.h"

namespace tarnwick {
namespace {

constexpr float kStep = 16;            // the grid of candidate places
constexpr int32_t kReach = 1024 / 16;  // the farthest candidate from its source, in steps
constexpr double kCell = 64;           // the side of the cells that sort the walls by place
constexpr double kHalfWidth = 16, kHalfHeight = 36;  // the standing player's box
constexpr double kFall = 36;  // the deepest floor under the box that still holds a player
// Only a face that looks up holds a player: a wall that reaches down beside the slab under the
// box, or the underside of a beam in it, is no floor. A face looks up when the upward part of its
// normal is at least this, on slopes of up to about 45 degrees.
constexpr double kFloorNormal = 0.7;
// The slab under the box is open, so that a face which only touches its sides (the edge of a
// ledge beside it) holds nobody up; it reaches a little beyond both its ends, so that a floor
// exactly at the box's bottom, or exactly 36 below it, does.
constexpr double kFloorSlack = 1.0 / 64;
// Cubes that come this close count as meeting: the spacing check's float arithmetic may find
// them touching (a yaw of 360 turns a cube by a rounding error).
constexpr double kSpacingSlack = 1.0 / 64;

struct Vec {
  double x = 0, y = 0, z = 0;
};
Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator*(double s, Vec a) {
  return {s * a.x, s * a.y, s * a.z};
}
double Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec Cross(Vec a, Vec b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec OriginOf(const SpawnPoint& spawn_point) {
  return {spawn_point.origin[0], spawn_point.origin[1], spawn_point.origin[2]};
}

// An axis-aligned box, closed.
struct Bounds {
  Vec min, max;
  bool Meets(const Bounds& o) const {
    return min.x <= o.max.x && o.min.x <= max.x && min.y <= o.max.y && o.min.y <= max.y &&
           min.z <= o.max.z && o.min.z <= max.z;
  }
};

Bounds BoundsOf(std::span<const Vec> points) {
  Bounds b{points[0], points[0]};
  for (const Vec& p : points) {
    b.min = {std::min(b.min.x, p.x), std::min(b.min.y, p.y), std::min(b.min.z, p.z)};
    b.max = {std::max(b.max.x, p.x), std::max(b.max.y, p.y), std::max(b.max.z, p.z)};
  }
  return b;
}

std::array<Vec, 8> CornersOf(const Bounds& b) {
  return {Vec{b.min.x, b.min.y, b.min.z}, {b.max.x, b.min.y, b.min.z}, {b.min.x, b.max.y, b.min.z},
          {b.max.x, b.max.y, b.min.z},    {b.min.x, b.min.y, b.max.z}, {b.max.x, b.min.y, b.max.z},
          {b.min.x, b.max.y, b.max.z},    {b.max.x, b.max.y, b.max.z}};
}

// A wall face: a convex polygon in map coordinates.
struct Polygon {
  std::vector<Vec> corners;
  Vec normal;          // the plane's normal, pointing the way the face looks
  bool floor = false;  // whether it looks up enough to stand on
  Bounds bounds;
};

// Whether the convex hulls of `a` and `b` overlap along `axis`, where touching counts as
// overlapping or not. A zero axis (the cross of parallel edges) separates nothing.
bool OverlapAlong(std::span<const Vec> a, std::span<const Vec> b, Vec axis, bool touching) {
  if (Dot(axis, axis) == 0) return true;
  const auto project = [&](std::span<const Vec> points) {
    double low = INFINITY, high = -INFINITY;
    for (const Vec& p : points) {
      low = std::min(low, Dot(p, axis));
      high = std::max(high, Dot(p, axis));
    }
    return std::pair{low, high};
  };
  const auto [a_low, a_high] = project(a);
  const auto [b_low, b_high] = project(b);
  return touching ? a_low <= b_high && b_low <= a_high : a_low < b_high && b_low < a_high;
}

// Whether polygon `p` comes into the open box `box`; touching its surface does not count. The
// separating axis test: the box's axes, the polygon's normal and the crosses of their edges.
bool BoxMeetsPolygon(const Bounds& box, const Polygon& p) {
  const std::array<Vec, 8> corners = CornersOf(box);
  if (!OverlapAlong(corners, p.corners, p.normal, false)) return false;
  for (const Vec axis : {Vec{1, 0, 0}, Vec{0, 1, 0}, Vec{0, 0, 1}}) {
    if (!OverlapAlong(corners, p.corners, axis, false)) return false;
    for (size_t k = 0; k < p.corners.size(); ++k) {
      const Vec edge = p.corners[(k + 1) % p.corners.size()] - p.corners[k];
      if (!OverlapAlong(corners, p.corners, Cross(axis, edge), false)) return false;
    }
  }
  return true;
}

// Whether the segment from `a` to `b` meets polygon `p`, touching included. The separating axis
// test: the polygon's normal, the crosses of the segment with its edges, and for a segment in
// the polygon's plane the normals of both within that plane.
bool SegmentMeetsPolygon(Vec a, Vec b, const Polygon& p) {
  const std::array<Vec, 2> ends = {a, b};
  const Vec d = b - a;
  if (!OverlapAlong(ends, p.corners, p.normal, true) ||
      !OverlapAlong(ends, p.corners, Cross(p.normal, d), true)) {
    return false;
  }
  for (size_t k = 0; k < p.corners.size(); ++k) {
    const Vec edge = p.corners[(k + 1) % p.corners.size()] - p.corners[k];
    if (!OverlapAlong(ends, p.corners, Cross(d, edge), true) ||
        !OverlapAlong(ends, p.corners, Cross(p.normal, edge), true)) {
      return false;
    }
  }
  return true;
}

// The square of side `side` around a spawn point, turned by its yaw (counter-clockwise seen from
// above, as the spacing check turns its cube), and the square's two axes.
struct Square {
  std::array<Vec, 4> corners;
  Vec u, v;
};
Square SquareOf(const SpawnPoint& spawn_point, double side) {
  const double yaw = spawn_point.yaw() * std::numbers::pi / 180, h = side / 2;
  const Vec c{spawn_point.origin[0], spawn_point.origin[1], 0};
  const Vec u{h * std::cos(yaw), h * std::sin(yaw), 0}, v{-u.y, u.x, 0};
  return {{c + u + v, c - u + v, c - u - v, c + u - v}, u, v};
}

// Whether the cubes of side `spacing` around two spawn points, each turned by its yaw, meet;
// touching counts, as in the spacing check.
bool CubesMeet(const SpawnPoint& a, const SpawnPoint& b, double spacing) {
  const double side = spacing + kSpacingSlack;
  const Vec d = OriginOf(a) - OriginOf(b);
  // Cubes farther apart than their heights, or than their circumscribed circles, cannot meet.
  if (std::abs(d.z) > side || d.x * d.x + d.y * d.y > 2 * side * side) return false;
  const Square p = SquareOf(a, side), q = SquareOf(b, side);
  for (const Vec axis : {p.u, p.v, q.u, q.v}) {
    if (!OverlapAlong(p.corners, q.corners, axis, true)) return false;
  }
  return true;
}

bool Finite(Vec v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The faces the wall check counts as walls, in map coordinates: the world's faces outside brush
// entities, and the faces of brush entities of no configured group or of a solid group, each at
// its entity's origin. Faces that enclose nothing or lie nowhere are left out.
std::vector<Polygon> Walls(const BSPFile& map) {
  std::vector<Polygon> walls;
  std::vector<VertexPoint> corners;
  const auto add = [&](int64_t f, Vec offset) {
    if (!map.FaceCorners(f, corners) || corners.size() < 3) return;
    Polygon p;
    for (const VertexPoint& c : corners) p.corners.push_back(Vec{c.x, c.y, c.z} + offset);
    if (!std::all_of(p.corners.begin(), p.corners.end(), Finite)) return;
    const Face& face = map.faces[f];
    const VertexPoint& n = map.planes[face.plane].normal;
    p.normal = (face.side == 0 ? 1 : -1) * Vec{n.x, n.y, n.z};
    p.floor = p.normal.z >= kFloorNormal * std::sqrt(Dot(p.normal, p.normal));
    p.bounds = BoundsOf(p.corners);
    walls.push_back(std::move(p));
  };
  for (size_t f = 0; f < map.faces.size(); ++f) {
    if (map.faces[f].in_brush_entity == 0) add(static_cast<int64_t>(f), {});
  }
  const auto add_entity = [&](int32_t k) {
    const Entity& e = map.entities[k];
    const Vec offset = e.has_origin ? Vec{e.origin[0], e.origin[1], e.origin[2]} : Vec{};
    const BSPFile::FaceRange range = map.ModelFaces(map.ModelOf(e)).value_or(BSPFile::FaceRange{});
    for (int64_t f = range.first; f < range.end; ++f) add(f, offset);
  };
  for (const int32_t k : map.unlisted_brushes) add_entity(k);
  for (const int32_t k : map.listed_brushes) {
    const ConfigEntity* group = FindGroup(map.config, map.entities[k].class_name);
    if (group != nullptr && group->colision) add_entity(k);
  }
  return walls;
}

// The walls sorted into cubic cells by their bounds, so that a test looks only at the walls near
// it. A wall that would fill too many cells goes into one list that every test looks at.
class WallGrid {
 public:
  explicit WallGrid(std::vector<Polygon> walls) : walls_(std::move(walls)), asked_(walls_.size()) {
    for (int32_t w = 0; w < static_cast<int32_t>(walls_.size()); ++w) {
      const Cells cells = CellsOf(walls_[w].bounds);
      if (cells.Count() > kMostCells) {
        everywhere_.push_back(w);
        continue;
      }
      for (int64_t x = cells.low[0]; x <= cells.high[0]; ++x) {
        for (int64_t y = cells.low[1]; y <= cells.high[1]; ++y) {
          for (int64_t z = cells.low[2]; z <= cells.high[2]; ++z) cells_[Key(x, y, z)].push_back(w);
        }
      }
    }
  }

  // Whether `hit` holds for some wall whose bounds meet one of `pieces`; each wall is asked once.
  template <class Hit>
  bool Any(std::span<const Bounds> pieces, Hit hit) {
    ++query_;
    for (const Bounds& piece : pieces) {
      const auto ask = [&](int32_t w) {
        if (asked_[w] == query_ || !walls_[w].bounds.Meets(piece)) return false;
        asked_[w] = query_;
        return hit(walls_[w]);
      };
      if (std::any_of(everywhere_.begin(), everywhere_.end(), ask)) return true;
      const Cells cells = CellsOf(piece);
      for (int64_t x = cells.low[0]; x <= cells.high[0]; ++x) {
        for (int64_t y = cells.low[1]; y <= cells.high[1]; ++y) {
          for (int64_t z = cells.low[2]; z <= cells.high[2]; ++z) {
            const auto cell = cells_.find(Key(x, y, z));
            if (cell != cells_.end() &&
                std::any_of(cell->second.begin(), cell->second.end(), ask)) {
              return true;
            }
          }
        }
      }
    }
    return false;
  }

 private:
  static constexpr double kMostCells = 512;
  static constexpr int64_t kLimit = int64_t{1} << 20;  // cells beyond ±kLimit share the last one

  struct Cells {
    std::array<int64_t, 3> low, high;
    double Count() const {
      return double(high[0] - low[0] + 1) * double(high[1] - low[1] + 1) *
             double(high[2] - low[2] + 1);
    }
  };
  static int64_t CellOf(double coordinate) {
    return static_cast<int64_t>(
        std::clamp(std::floor(coordinate / kCell), double(-kLimit), double(kLimit - 1)));
  }
  static Cells CellsOf(const Bounds& b) {
    return {{CellOf(b.min.x), CellOf(b.min.y), CellOf(b.min.z)},
            {CellOf(b.max.x), CellOf(b.max.y), CellOf(b.max.z)}};
  }
  static uint64_t Key(int64_t x, int64_t y, int64_t z) {
    return uint64_t(x + kLimit) << 42 | uint64_t(y + kLimit) << 21 | uint64_t(z + kLimit);
  }

  std::vector<Polygon> walls_;
  std::unordered_map<uint64_t, std::vector<int32_t>> cells_;
  std::vector<int32_t> everywhere_;
  std::vector<uint32_t> asked_;  // the query in which each wall was last asked
  uint32_t query_ = 0;
};

// A candidate place: (i, j) steps of the grid away from source `source`. Candidates compare
// nearest first, then by source, then row by row.
struct Candidate {
  int32_t distance = 0;  // i² + j²
  int32_t source = 0, j = 0, i = 0;
  auto operator<=>(const Candidate&) const = default;
};

std::vector<Candidate> Candidates(int32_t source_count) {
  std::vector<Candidate> candidates;
  for (int32_t s = 0; s < source_count; ++s) {
    for (int32_t j = -kReach; j <= kReach; ++j) {
      for (int32_t i = -kReach; i <= kReach; ++i) {
        if (i * i + j * j <= kReach * kReach) candidates.push_back({i * i + j * j, s, j, i});
      }
    }
  }
  std::sort(candidates.begin(), candidates.end());
  return candidates;
}

}  // namespace

SpawnPlan PlanSpawnPoints(const BSPFile& map, int32_t type, int32_t count, float spacing) {
  if (type < 0 || type >= map.config.spawn_point_count()) {
    throw Error("PlanSpawnPoints (type out of range)");
  }
  if (count < 0) throw Error("PlanSpawnPoints (count below 0)");
  if (!(spacing >= 32) || !std::isfinite(spacing)) {
    throw Error("PlanSpawnPoints (spacing must be a number of at least 32)");
  }
  SpawnPlan plan;
  const int32_t wanted = count - map.GetSpawnPointCount(type);
  if (wanted <= 0) return plan;
  const std::vector<SpawnPoint>& sources = map.spawn_points[type];
  std::vector<SpawnPoint> placed;
  for (const std::vector<SpawnPoint>& list : map.spawn_points) {
    placed.insert(placed.end(), list.begin(), list.end());
  }
  WallGrid walls(Walls(map));
  const auto crowded = [&](const SpawnPoint& sp) {
    return std::any_of(placed.begin(), placed.end(),
                       [&](const SpawnPoint& other) { return CubesMeet(sp, other, spacing); });
  };
  const auto free_at = [&](Vec at) {
    const Bounds box{at - Vec{kHalfWidth, kHalfWidth, kHalfHeight},
                     at + Vec{kHalfWidth, kHalfWidth, kHalfHeight}};
    return !walls.Any(std::span(&box, 1),
                      [&](const Polygon& p) { return BoxMeetsPolygon(box, p); });
  };
  const auto stands_at = [&](Vec at) {
    const Bounds slab{at - Vec{kHalfWidth, kHalfWidth, kHalfHeight + kFall + kFloorSlack},
                      at + Vec{kHalfWidth, kHalfWidth, kFloorSlack - kHalfHeight}};
    return walls.Any(std::span(&slab, 1),
                     [&](const Polygon& p) { return p.floor && BoxMeetsPolygon(slab, p); });
  };
  const auto reachable = [&](Vec from, Vec to) {
    // The line is cut into pieces no longer than a cell, whose bounds pick the walls to test.
    const double length = std::hypot(to.x - from.x, to.y - from.y);
    const int n = std::max(1, static_cast<int>(std::ceil(length / kCell)));
    std::vector<Bounds> pieces;
    for (int k = 0; k < n; ++k) {
      const std::array<Vec, 2> ends = {from + (double(k) / n) * (to - from),
                                       from + (double(k + 1) / n) * (to - from)};
      pieces.push_back(BoundsOf(ends));
    }
    return !walls.Any(pieces, [&](const Polygon& p) { return SegmentMeetsPolygon(from, to, p); });
  };
  for (const Candidate& c : Candidates(static_cast<int32_t>(sources.size()))) {
    if (static_cast<int32_t>(plan.spawn_points.size()) == wanted) break;
    const SpawnPoint& source = sources[c.source];
    SpawnPoint sp;
    sp.origin = {source.origin[0] + kStep * c.i, source.origin[1] + kStep * c.j, source.origin[2]};
    sp.angles = source.angles;
    const Vec at = OriginOf(sp);
    if (crowded(sp) || !free_at(at) || !stands_at(at) || !reachable(OriginOf(source), at)) continue;
    placed.push_back(sp);
    plan.spawn_points.push_back(sp);
  }
  plan.missing = wanted - static_cast<int32_t>(plan.spawn_points.size());
  return plan;
}

}  // namespace tarnwick
