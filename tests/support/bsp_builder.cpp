#include "support/bsp_builder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <map>
#include <stdexcept>

#include "base/read_file.h"

namespace tarnwick::test {
namespace {

float Get(V3 v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}
void Set(V3& v, int axis, float value) {
  (axis == 0 ? v.x : axis == 1 ? v.y : v.z) = value;
}
V3 Sub(V3 a, V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 Cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The one axis that `v` points along, or -1.
int AxisOf(V3 v) {
  const int nonzero = (v.x != 0) + (v.y != 0) + (v.z != 0);
  if (nonzero != 1) return -1;
  return v.x != 0 ? 0 : v.y != 0 ? 1 : 2;
}

}  // namespace

ByteWriter& ByteWriter::I32(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<uint8_t>(v >> (8 * b)));
  return *this;
}

ByteWriter& ByteWriter::U16(uint16_t value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
  return *this;
}

ByteWriter& ByteWriter::U8(uint8_t value) {
  bytes.push_back(value);
  return *this;
}

ByteWriter& ByteWriter::F32(float value) {
  return I32(std::bit_cast<int32_t>(value));
}

ByteWriter& ByteWriter::Text(const std::string& text, size_t width) {
  for (size_t i = 0; i < width; ++i) bytes.push_back(i < text.size() ? uint8_t(text[i]) : 0);
  return *this;
}

int BspBuilder::AddVertex(V3 position) {
  const auto it = std::find(vertices_.begin(), vertices_.end(), position);
  if (it != vertices_.end()) return static_cast<int>(it - vertices_.begin());
  vertices_.push_back(position);
  return static_cast<int>(vertices_.size()) - 1;
}

int BspBuilder::AddPlane(V3 normal, float distance) {
  for (size_t i = 0; i < planes_.size(); ++i) {
    if (planes_[i].normal == normal && planes_[i].distance == distance) return static_cast<int>(i);
  }
  planes_.push_back({normal, distance});
  return static_cast<int>(planes_.size()) - 1;
}

int BspBuilder::AddFace(const std::vector<int>& corners, int plane, int side) {
  faces_.push_back({corners, plane, side});
  return static_cast<int>(faces_.size()) - 1;
}

int BspBuilder::AddFace(const std::vector<V3>& corners) {
  // Clockwise seen from the front: the winding's right-hand normal points away from the front.
  const V3 wind = Cross(Sub(corners[1], corners[0]), Sub(corners[2], corners[1]));
  const float length = std::sqrt(wind.x * wind.x + wind.y * wind.y + wind.z * wind.z);
  const V3 looks{-wind.x / length, -wind.y / length, -wind.z / length};
  int plane = 0, side = 0;
  if (const int axis = AxisOf(looks); axis >= 0) {
    V3 normal;
    Set(normal, axis, 1);
    plane = AddPlane(normal, Get(corners[0], axis));
    side = Get(looks, axis) < 0 ? 1 : 0;
  } else {
    plane =
        AddPlane(looks, looks.x * corners[0].x + looks.y * corners[0].y + looks.z * corners[0].z);
  }
  std::vector<int> indexes;
  for (const V3& c : corners) indexes.push_back(AddVertex(c));
  return AddFace(indexes, plane, side);
}

int BspBuilder::AddRect(V3 min, V3 max, V3 facing) {
  const int a = AxisOf(facing), u = (a + 1) % 3, v = (a + 2) % 3;
  std::vector<V3> corners(4, min);
  Set(corners[1], u, Get(max, u));
  Set(corners[2], u, Get(max, u));
  Set(corners[2], v, Get(max, v));
  Set(corners[3], v, Get(max, v));
  // That runs counter-clockwise seen from the positive axis: clockwise seen from the negative one.
  if (Get(facing, a) > 0) std::reverse(corners.begin(), corners.end());
  return AddFace(corners);
}

std::pair<int, int> BspBuilder::AddBox(V3 min, V3 max, bool inward) {
  const int first = face_count();
  const float toward_max = inward ? 1 : -1;
  for (int a = 0; a < 3; ++a) {
    for (const bool at_max : {false, true}) {
      V3 lo = min, hi = max, facing;
      Set(lo, a, Get(at_max ? max : min, a));
      Set(hi, a, Get(at_max ? max : min, a));
      Set(facing, a, at_max ? -toward_max : toward_max);
      AddRect(lo, hi, facing);
    }
  }
  return {first, face_count() - first};
}

int BspBuilder::AddModel(int first_face, int face_count) {
  models_.push_back({first_face, face_count});
  model_end_ = first_face + face_count;
  return static_cast<int>(models_.size()) - 1;
}

int BspBuilder::AddModel() {
  return AddModel(model_end_, face_count() - model_end_);
}

void BspBuilder::SetLump(int lump, Bytes bytes) {
  raw_.emplace_back(lump, std::move(bytes));
}

Bytes BspBuilder::Build() const {
  std::vector<Bytes> lumps(LUMP_COUNT);
  lumps[LUMP_ENTITIES].assign(entities_.begin(), entities_.end());

  ByteWriter planes, vertices, edges, surfedges, faces, models;
  for (const PlaneDesc& p : planes_) {
    const int axis = AxisOf(p.normal);
    const int dominant = std::fabs(p.normal.x) >= std::fabs(p.normal.y) &&
                                 std::fabs(p.normal.x) >= std::fabs(p.normal.z)
                             ? 0
                         : std::fabs(p.normal.y) >= std::fabs(p.normal.z) ? 1
                                                                          : 2;
    planes.F32(p.normal.x).F32(p.normal.y).F32(p.normal.z).F32(p.distance);
    planes.I32(axis >= 0 ? axis : 3 + dominant);
  }
  for (const V3& v : vertices_) vertices.F32(v.x).F32(v.y).F32(v.z);

  // Edge 0 is never used: its surfedge could not be told from its reverse.
  std::map<std::pair<int, int>, int32_t> edge_index;
  edges.U16(0).U16(0);
  int32_t surfedge_count = 0;
  for (const FaceDesc& f : faces_) {
    const int32_t first = surfedge_count;
    for (size_t j = 0; j < f.corners.size(); ++j) {
      const int a = f.corners[j], b = f.corners[(j + 1) % f.corners.size()];
      if (const auto back = edge_index.find({b, a}); back != edge_index.end()) {
        surfedges.I32(-back->second);
      } else {
        auto [it, added] = edge_index.try_emplace({a, b}, int32_t(edge_index.size()) + 1);
        if (added) edges.U16(uint16_t(a)).U16(uint16_t(b));
        surfedges.I32(it->second);
      }
      ++surfedge_count;
    }
    faces.U16(uint16_t(f.plane)).U16(uint16_t(f.side)).I32(first);
    faces.U16(uint16_t(f.corners.size())).U16(0);  // texinfo 0
    faces.U8(0).U8(255).U8(255).U8(255).I32(-1);   // one light style, no light map
  }

  for (const ModelDesc& m : models_) {
    V3 lo{0, 0, 0}, hi{0, 0, 0};
    bool any = false;
    for (int f = std::max(m.first_face, 0); f < std::min(m.first_face + m.face_count, face_count());
         ++f) {
      for (const int c : faces_[f].corners) {
        if (c < 0 || c >= static_cast<int>(vertices_.size())) continue;
        const V3 p = vertices_[c];
        lo = any ? V3{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)} : p;
        hi = any ? V3{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)} : p;
        any = true;
      }
    }
    models.F32(lo.x).F32(lo.y).F32(lo.z).F32(hi.x).F32(hi.y).F32(hi.z);
    models.F32(0).F32(0).F32(0);                // origin
    models.I32(0).I32(0).I32(0).I32(0).I32(0);  // head nodes, visible leafs
    models.I32(m.first_face).I32(m.face_count);
  }
  if (!planes_.empty()) lumps[LUMP_PLANES] = planes.bytes;
  if (!vertices_.empty()) lumps[LUMP_VERTEXES] = vertices.bytes;
  if (!faces_.empty()) {
    lumps[LUMP_EDGES] = edges.bytes;
    lumps[LUMP_SURFEDGES] = surfedges.bytes;
    lumps[LUMP_FACES] = faces.bytes;
  }
  lumps[LUMP_MODELS] = models.bytes;
  for (const auto& [lump, bytes] : raw_) lumps.at(lump) = bytes;

  std::vector<int> order = order_;
  for (int k = 0; k < LUMP_COUNT; ++k) {
    if (std::find(order.begin(), order.end(), k) == order.end()) order.push_back(k);
  }
  Bytes file(kHeaderSize, 0);
  SetI32(file, 0, 30);
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0) file.resize(file.size() + padding_, 0);
    const int k = order[i];
    SetI32(file, 4 + 8 * k, static_cast<int32_t>(file.size()));
    SetI32(file, 8 + 8 * k, static_cast<int32_t>(lumps[k].size()));
    file.insert(file.end(), lumps[k].begin(), lumps[k].end());
  }
  file.resize(file.size() + trailing_, 0);
  return file;
}

std::string Block(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string text = "{\n";
  for (const auto& [key, value] : pairs) text += "\"" + key + "\" \"" + value + "\"\n";
  return text + "}\n";
}

Bytes TextureLump(const std::vector<std::string>& names) {
  ByteWriter lump;
  const auto count = static_cast<int32_t>(names.size());
  lump.I32(count);
  for (int32_t j = 0; j < count; ++j) lump.I32(4 + 4 * count + 40 * j);
  for (const std::string& name : names) {
    lump.Text(name, 16).I32(64).I32(64).I32(0).I32(0).I32(0).I32(0);
  }
  return lump.bytes;
}

void SetI32(Bytes& file, size_t at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int b = 0; b < 4; ++b) file.at(at + b) = static_cast<uint8_t>(v >> (8 * b));
}

int32_t GetI32(const Bytes& file, size_t at) {
  uint32_t v = 0;
  for (int b = 0; b < 4; ++b) v |= uint32_t{file.at(at + b)} << (8 * b);
  return static_cast<int32_t>(v);
}

LumpPlace GetLump(const Bytes& file, int lump) {
  return {GetI32(file, 4 + 8 * lump), GetI32(file, 8 + 8 * lump)};
}

void SetLumpHeader(Bytes& file, int lump, int32_t offset, int32_t size) {
  SetI32(file, 4 + 8 * lump, offset);
  SetI32(file, 8 + 8 * lump, size);
}

void SetVersion(Bytes& file, int32_t version) {
  SetI32(file, 0, version);
}

void Truncate(Bytes& file, size_t size) {
  file.resize(std::min(size, file.size()));
}

Bytes ReadFileBytes(const std::string& path) {
  FileBytes file = ReadWholeFile(path);
  if (file.outcome != FileBytes::kRead) throw std::runtime_error("cannot read " + path);
  return std::move(file.bytes);
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

BspBuilder RoomBuilder(const std::string& entities) {
  BspBuilder map;
  map.AddBox({-256, -256, 0}, {256, 256, 192}, true);
  map.AddModel();
  map.AddBox({-16, -64, 0}, {16, 64, 128}, false);
  map.AddModel();
  map.AddBox({100, 100, 0}, {140, 140, 40}, false);
  map.AddModel();
  map.SetEntities(entities);
  return map;
}

}  // namespace tarnwick::test
