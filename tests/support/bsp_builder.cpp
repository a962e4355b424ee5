#include "support/bsp_builder.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <stdexcept>

#include "base/read_file.h"

namespace tarnwick::test {
namespace {

float& At(V3& v, int axis) {
  return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

// The one axis that `v` points along, or -1.
int AxisOf(V3 v) {
  if ((v.x != 0) + (v.y != 0) + (v.z != 0) != 1) return -1;
  return v.x != 0 ? 0 : v.y != 0 ? 1 : 2;
}

// The index of `item` in `list`, which gets it when it has not.
template <class T>
int IndexIn(std::vector<T>& list, const T& item) {
  const auto index = static_cast<int>(std::find(list.begin(), list.end(), item) - list.begin());
  if (index == static_cast<int>(list.size())) list.push_back(item);
  return index;
}

}  // namespace

void BspBuilder::AddFace(const std::vector<V3>& corners) {
  // Clockwise seen from the front: the winding's right-hand normal points away from the front.
  V3 a = corners[0];
  const V3 b = corners[1], c = corners[2];
  const V3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - b.x, c.y - b.y, c.z - b.z};
  V3 looks{u.z * v.y - u.y * v.z, u.x * v.z - u.z * v.x, u.y * v.x - u.x * v.y}, normal;
  const int axis = AxisOf(looks);
  At(normal, axis) = 1;
  FaceDesc face{{}, IndexIn(planes_, {normal, At(a, axis)}), At(looks, axis) < 0 ? 1 : 0};
  for (const V3& corner : corners) face.corners.push_back(IndexIn(vertices_, corner));
  faces_.push_back(face);
}

void BspBuilder::AddRect(V3 min, V3 max, V3 facing) {
  const int a = AxisOf(facing), u = (a + 1) % 3, v = (a + 2) % 3;
  std::vector<V3> corners(4, min);
  At(corners[1], u) = At(corners[2], u) = At(max, u);
  At(corners[2], v) = At(corners[3], v) = At(max, v);
  // That runs counter-clockwise seen from the positive axis: clockwise seen from the negative one.
  if (At(facing, a) > 0) std::reverse(corners.begin(), corners.end());
  AddFace(corners);
}

void BspBuilder::AddBox(V3 min, V3 max, bool inward) {
  for (int a = 0; a < 3; ++a) {
    for (const bool at_max : {false, true}) {
      V3 low = min, high = max, facing;
      At(low, a) = At(high, a) = At(at_max ? max : min, a);
      At(facing, a) = at_max == inward ? -1 : 1;
      AddRect(low, high, facing);
    }
  }
}

void BspBuilder::AddModel() {
  const int end = models_.empty() ? 0 : models_.back().first + models_.back().second;
  models_.emplace_back(end, static_cast<int>(faces_.size()) - end);
}

Bytes BspBuilder::Build() const {
  std::vector<ByteWriter> lumps(LUMP_COUNT);
  ByteWriter &planes = lumps[LUMP_PLANES], &edges = lumps[LUMP_EDGES];
  lumps[LUMP_ENTITIES].bytes.assign(entities_.begin(), entities_.end());
  for (const auto& [n, distance] : planes_)
    planes.F32(n.x).F32(n.y).F32(n.z).F32(distance).I32(AxisOf(n));
  for (const V3& v : vertices_) lumps[LUMP_VERTEXES].F32(v.x).F32(v.y).F32(v.z);
  // Edge 0 is never used: its surfedge could not be told from its reverse.
  std::map<std::pair<int, int>, int32_t> edge_index;
  if (!faces_.empty()) edges.U16(0).U16(0);
  int32_t surfedge_count = 0;
  for (const FaceDesc& f : faces_) {
    lumps[LUMP_FACES].U16(uint16_t(f.plane)).U16(uint16_t(f.side)).I32(surfedge_count);
    lumps[LUMP_FACES].U16(uint16_t(f.corners.size())).U16(0);  // texinfo 0
    lumps[LUMP_FACES].I32(int32_t(0xFFFFFF00)).I32(-1);        // one light style, no light map
    for (size_t j = 0; j < f.corners.size(); ++j, ++surfedge_count) {
      const int a = f.corners[j], b = f.corners[(j + 1) % f.corners.size()];
      if (const auto back = edge_index.find({b, a}); back != edge_index.end()) {
        lumps[LUMP_SURFEDGES].I32(-back->second);
        continue;
      }
      auto [it, added] = edge_index.try_emplace({a, b}, int32_t(edge_index.size()) + 1);
      if (added) edges.U16(uint16_t(a)).U16(uint16_t(b));
      lumps[LUMP_SURFEDGES].I32(it->second);
    }
  }
  for (const auto& [first, count] : models_) {
    V3 low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
    for (int f = first; f < first + count; ++f) {
      for (const int c : faces_[f].corners) {
        const V3 p = vertices_[c];
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
      }
    }
    lumps[LUMP_MODELS].F32(low.x).F32(low.y).F32(low.z).F32(high.x).F32(high.y).F32(high.z);
    lumps[LUMP_MODELS].Text("", 32).I32(first).I32(count);  // origin, head nodes, leafs: zero
  }
  for (const auto& [lump, bytes] : raw_) lumps.at(lump).bytes = bytes;
  std::vector<int> order = order_;
  for (int k = 0; k < LUMP_COUNT; ++k)
    if (std::find(order.begin(), order.end(), k) == order.end()) order.push_back(k);
  Bytes file(kHeaderSize, 0);
  SetI32(file, 0, 30);
  for (size_t i = 0; i < order.size(); ++i) {
    if (i > 0) file.resize(file.size() + padding_, 0);
    const Bytes& lump = lumps[order[i]].bytes;
    SetLumpHeader(file, order[i], int32_t(file.size()), int32_t(lump.size()));
    file.insert(file.end(), lump.begin(), lump.end());
  }
  file.push_back(0);
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
  for (const std::string& name : names) lump.Text(name, 16).I32(64).I32(64).Text("", 16);
  return lump.bytes;
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

Config TestConfig() {
  Config config;
  config.spawn_point_entity = {"info_player_start", "info_player_deathmatch", "info_player_coop"};
  config.spawn_point_displayname = {"Start", "Deathmatch", "Coop"};
  config.entitys = {{{"func_door", "func_wall"}, {255, 128, 0, 160}, true},
                    {{"func_illusionary"}, {}, false}};
  return config;
}

std::vector<std::string> TextsOf(const BSPFile& map) {
  std::vector<std::string> texts;
  for (const Entity& e : map.entities) texts.push_back(e.text);
  return texts;
}

Bytes ReadFileBytes(const std::string& path) {
  FileBytes file = ReadWholeFile(path);
  if (file.outcome != FileBytes::kRead) throw std::runtime_error("cannot read " + path);
  return std::move(file.bytes);
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace tarnwick::test
