#include "map/bsp_file.h"

#include <algorithm>
#include <climits>

#include "base/bytes.h"
#include "base/error.h"
#include "base/read_file.h"

namespace tarnwick {

void VertexPoint::ReadPoint(const uint8_t* src) {
  x = ReadF32(src);
  y = ReadF32(src + 4);
  z = ReadF32(src + 8);
}

void Edge::ReadEdge(const uint8_t* src) {
  first = ReadU16(src);
  second = ReadU16(src + 2);
}

void LumpHeader::ReadLumpHeader(const uint8_t* src) {
  offset = ReadI32(src);
  size = ReadI32(src + 4);
}

void LumpHeader::WriteLumpHeader(uint8_t* dst) const {
  WriteI32(dst, offset);
  WriteI32(dst + 4, size);
}

void BSPHeader::ReadFile(const uint8_t* src) {
  version = ReadI32(src);
  if (version != 30) throw Error("BSPHeader::ReadFile (Version Number Is Not 30)");
  for (int k = 0; k < LUMP_COUNT; ++k) lumps[k].ReadLumpHeader(src + 4 + 8 * k);
}

void BSPHeader::WriteFile(uint8_t* dst) const {
  WriteI32(dst, version);
  for (int k = 0; k < LUMP_COUNT; ++k) lumps[k].WriteLumpHeader(dst + 4 + 8 * k);
}

const std::array<const char*, LUMP_COUNT> kLumpNames = {
    "LUMP_ENTITIES", "LUMP_PLANES",       "LUMP_TEXTURES", "LUMP_VERTEXES",  "LUMP_VISIBILITY",
    "LUMP_NODES",    "LUMP_TEXINFO",      "LUMP_FACES",    "LUMP_LIGHTING",  "LUMP_CLIPNODES",
    "LUMP_LEAFS",    "LUMP_MARKSURFACES", "LUMP_EDGES",    "LUMP_SURFEDGES", "LUMP_MODELS"};

std::optional<Bytes> ReadMapFile(const std::string& path) {
  FileBytes file = ReadWholeFile(path);
  switch (file.outcome) {
    case FileBytes::kRead:
      return std::move(file.bytes);
    case FileBytes::kNoFile:
      return std::nullopt;
    case FileBytes::kTooLarge:
      throw Error("Form1 (raw_file pointer = 0)");
    case FileBytes::kCut:
      break;
  }
  throw Error("Form1 (could not read all of the file)");
}

const ConfigEntity* FindGroup(const Config& config, const std::string& class_name) {
  for (const ConfigEntity& group : config.entitys) {
    if (std::find(group.names.begin(), group.names.end(), class_name) != group.names.end()) {
      return &group;
    }
  }
  return nullptr;
}

namespace {

// The number of records of a lump of fixed-size records. Every record must end at least one byte
// before the end of the file, so checking the last one settles them all.
int64_t CountRecords(const BSPHeader& header, const Bytes& file, Lump lump, int64_t record_size) {
  const LumpHeader& l = header.lumps[lump];
  if (l.offset < 1 || l.size < 1) return 0;
  const int64_t count = l.size / record_size;
  if (l.offset + count * record_size >= static_cast<int64_t>(file.size())) {
    throw Error(std::string("BSPFile::BSPFile (") + kLumpNames[lump] + " size check)");
  }
  return count;
}

// Decodes a lump of fixed-size records, checked as above (which bounds the allocation by the file).
template <class T, class Decode>
std::vector<T> ReadRecords(const BSPHeader& header, const Bytes& file, Lump lump,
                           int64_t record_size, Decode decode) {
  const int64_t count = CountRecords(header, file, lump, record_size);
  std::vector<T> records(static_cast<size_t>(count));
  const uint8_t* p = file.data() + header.lumps[lump].offset;
  for (T& record : records) {
    decode(record, p);
    p += record_size;
  }
  return records;
}

// The texture directory is taken only as far as it lies inside both the lump and the file; a
// directory that points elsewhere leaves the map without textures, which nothing else reads.
std::vector<Texture> ReadTextures(const BSPHeader& header, const Bytes& file) {
  const LumpHeader& l = header.lumps[LUMP_TEXTURES];
  if (l.offset < 1 || l.size < 1) return {};
  const int64_t begin = l.offset;
  const int64_t end = std::min<int64_t>(begin + l.size, static_cast<int64_t>(file.size()));
  if (begin + 4 > end) return {};
  const int64_t count = ReadI32(&file[begin]);
  if (count < 0 || begin + 4 + 4 * count > end) return {};
  std::vector<Texture> textures(static_cast<size_t>(count));
  for (int64_t j = 0; j < count; ++j) {
    const int64_t at = begin + ReadI32(&file[begin + 4 + 4 * j]);
    if (at < begin || at + 40 > end) return {};
    Texture& t = textures[j];
    std::copy_n(&file[at], 16, t.name.begin());
    t.width = ReadU32(&file[at + 16]);
    t.height = ReadU32(&file[at + 20]);
    for (int m = 0; m < 4; ++m) t.mip_offsets[m] = ReadU32(&file[at + 24 + 4 * m]);
  }
  return textures;
}

// The blocks of an entity lump that runs from `begin` to the end of `text`, each read from its "{"
// through its "}" (carriage returns dropped); bytes between and after the blocks are passed over.
std::vector<Entity> SplitEntities(std::string_view text, int64_t begin) {
  int64_t opens = 0, closes = 0;
  bool quoted = false;
  for (size_t p = static_cast<size_t>(begin); p < text.size(); ++p) {
    const char c = text[p];
    if (c == '"') quoted = !quoted;
    if (!quoted && c == '{') ++opens;
    if (!quoted && c == '}') ++closes;
  }
  if (opens != closes) throw Error("BSPFile::BSPFile (error counting entitys)");
  std::vector<Entity> entities(static_cast<size_t>(closes));
  int64_t pos = begin;
  for (Entity& entity : entities) {
    if (pos < 0) throw Error("BSPFile::BSPFile (missing entitys)");
    entity.Read(text, pos);
  }
  // The braces paired up over the lump, but a block that holds a second "{" took its partner
  // from outside the blocks; saved, the blocks alone would not pair up and could not be split.
  for (const Entity& entity : entities) {
    if (HasInnerBrace(entity.text)) throw Error("BSPFile::BSPFile (error counting entitys)");
  }
  return entities;
}

// A spawn point needs an origin: refused before an entity joins the map, so that the rebuild that
// follows cannot fail.
void RequireSpawnOrigin(const Config& config, const Entity& entity) {
  const std::vector<std::string>& types = config.spawn_point_entity;
  if (std::find(types.begin(), types.end(), entity.class_name) != types.end()) {
    RequireOrigin(entity);
  }
}

}  // namespace

BSPFile::BSPFile(Bytes raw_file_, const Config& config_)
    : raw_file(std::move(raw_file_)), config(config_) {
  if (raw_file.size() > INT32_MAX) throw Error("BSPFile::BSPFile (invalid file)");
  if (raw_file.size() < 125) throw Error("BSPFile::BSPFile (file_size_ to small to load header)");
  header.ReadFile(raw_file.data());

  const auto& f = raw_file;
  vertices = ReadRecords<VertexPoint>(header, f, LUMP_VERTEXES, 12,
                                      [](VertexPoint& v, const uint8_t* p) { v.ReadPoint(p); });
  edges =
      ReadRecords<Edge>(header, f, LUMP_EDGES, 4, [](Edge& e, const uint8_t* p) { e.ReadEdge(p); });
  surfedges = ReadRecords<int32_t>(header, f, LUMP_SURFEDGES, 4,
                                   [](int32_t& s, const uint8_t* p) { s = ReadI32(p); });
  faces = ReadRecords<Face>(header, f, LUMP_FACES, 20, [](Face& r, const uint8_t* p) {
    r.plane = ReadU16(p);
    r.side = ReadU16(p + 2);
    r.first_surfedge = ReadI32(p + 4);
    r.surfedge_count = ReadU16(p + 8);
    r.texinfo = ReadU16(p + 10);
    std::copy_n(p + 12, 4, r.styles.begin());
    r.lightmap_offset = ReadI32(p + 16);
  });
  marksurfaces = ReadRecords<uint16_t>(header, f, LUMP_MARKSURFACES, 2,
                                       [](uint16_t& m, const uint8_t* p) { m = ReadU16(p); });
  struct Leaf {
    uint16_t first_marksurface = 0, marksurface_count = 0;
  };
  const auto read_leaf = [](Leaf& r, const uint8_t* p) {
    r.first_marksurface = ReadU16(p + 20);
    r.marksurface_count = ReadU16(p + 22);
  };
  for (const Leaf& leaf : ReadRecords<Leaf>(header, f, LUMP_LEAFS, 28, read_leaf)) {
    leaf_first_marksurface.push_back(leaf.first_marksurface);
    leaf_marksurface_count.push_back(leaf.marksurface_count);
  }
  models = ReadRecords<Model>(header, f, LUMP_MODELS, 64, [](Model& m, const uint8_t* p) {
    m.first_face = ReadI32(p + 56);
    m.face_count = ReadI32(p + 60);
  });
  if (const LumpHeader& l = header.lumps[LUMP_LIGHTING]; l.offset >= 1 && l.size >= 1) {
    if (int64_t{l.offset} + l.size >= static_cast<int64_t>(f.size())) {
      throw Error("BSPFile::BSPFile (lightmap lumpsize to big)");
    }
    lighting_size = l.size;
  }
  texinfo_count = static_cast<int32_t>(CountRecords(header, f, LUMP_TEXINFO, 40));
  textures = ReadTextures(header, f);
  planes = ReadRecords<Plane>(header, f, LUMP_PLANES, 20, [](Plane& r, const uint8_t* p) {
    r.normal.ReadPoint(p);
    r.distance = ReadF32(p + 12);
  });
  ReadEntities();
  Rebuild();
}

void BSPFile::ReadEntities() {
  const LumpHeader& l = header.lumps[LUMP_ENTITIES];
  if (l.offset < 1 || l.size < 1) return;
  const int64_t end = int64_t{l.offset} + l.size;
  if (end > static_cast<int64_t>(raw_file.size())) {
    throw Error("BSPFile::BSPFile (LUMP_ENTITIES size check)");
  }
  entities = SplitEntities(AsText(raw_file).substr(0, static_cast<size_t>(end)), l.offset);
}

int32_t BSPFile::ModelOf(const Entity& entity) const {
  return entity.has_model && entity.model >= 0 && entity.model < GetModelCount() ? entity.model
                                                                                 : -1;
}

std::optional<BSPFile::FaceRange> BSPFile::ModelFaces(int32_t m) const {
  if (m < 0 || m >= GetModelCount()) return std::nullopt;
  const int64_t first = models[m].first_face, end = first + models[m].face_count;
  if (first < 0 || end < first || end > static_cast<int64_t>(faces.size())) return std::nullopt;
  return FaceRange{first, end};
}

bool BSPFile::FaceCorners(int64_t f, std::vector<VertexPoint>& corners) const {
  corners.clear();
  if (f < 0 || f >= static_cast<int64_t>(faces.size())) return false;
  const Face& face = faces[f];
  if (face.plane >= planes.size()) return false;
  const int64_t first = face.first_surfedge;
  if (first < 0 || first + face.surfedge_count > static_cast<int64_t>(surfedges.size())) {
    return false;
  }
  for (int64_t j = first; j < first + face.surfedge_count; ++j) {
    const int64_t e = surfedges[j];
    const int64_t edge = e >= 0 ? e : -e;
    if (edge >= static_cast<int64_t>(edges.size())) return false;
    const uint16_t vertex = e >= 0 ? edges[edge].first : edges[edge].second;
    if (vertex >= vertices.size()) return false;
    corners.push_back(vertices[vertex]);
  }
  return true;
}

void BSPFile::Rebuild() {
  // A spawn point keeps its check result until the next check, wherever a change of the entity
  // list moved it: its entity still names the slot it had.
  std::vector<uint32_t> marks(entities.size(), 0);
  for (size_t k = 0; k < entities.size(); ++k) {
    const Entity& e = entities[k];
    const SpawnPoint* sp =
        e.is_spawn_point ? GetSpawnPoint(e.spawn_point_type, e.spawn_point_index) : nullptr;
    if (sp) marks[k] = sp->blocked;
  }
  listed_brushes.clear();
  unlisted_brushes.clear();
  spawn_points.resize(config.spawn_point_entity.size());
  std::vector<size_t> counts(spawn_points.size(), 0);
  for (int32_t k = 0; k < GetEntityCount(); ++k) {
    Entity& e = entities[k];
    e.is_spawn_point = false;
    e.spawn_point_type = e.spawn_point_index = -1;
    for (size_t t = 0; t < spawn_points.size(); ++t) {
      if (e.class_name != config.spawn_point_entity[t]) continue;
      std::vector<SpawnPoint>& list = spawn_points[t];
      const size_t i = counts[t]++;
      if (i == list.size()) list.emplace_back();
      list[i].Read(e, k, static_cast<int32_t>(t), static_cast<int32_t>(i));
      list[i].blocked = marks[k];
    }
    if (ModelOf(e) >= 0) {
      (FindGroup(config, e.class_name) ? listed_brushes : unlisted_brushes).push_back(k);
    }
  }
  for (size_t t = 0; t < spawn_points.size(); ++t) spawn_points[t].resize(counts[t]);

  // Each brush entity's face range is counted in where it starts and out where it ends, so that
  // many entities that own one large model cost no more than one.
  const int64_t face_count = static_cast<int64_t>(faces.size());
  std::vector<int32_t> starting(faces.size() + 1, 0);
  for (const Entity& e : entities) {
    const int32_t m = ModelOf(e);
    if (m < 0) continue;
    const int64_t first = std::max<int64_t>(models[m].first_face, 0);
    const int64_t last =
        std::min<int64_t>(int64_t{models[m].first_face} + models[m].face_count, face_count);
    if (first >= last) continue;
    ++starting[first];
    --starting[last];
  }
  int32_t covering = 0;
  for (int64_t f = 0; f < face_count; ++f) {
    covering += starting[f];
    faces[f].in_brush_entity = covering > 0 ? 1 : 0;
  }
}

namespace {

// `text` read as one entity, over `entity`, whose spawn-point link it keeps.
Entity ParseEntity(const std::string& text, const Config& config, Entity entity = {}) {
  int64_t pos = 0;
  entity.Read(text, pos);
  // Blocks do not nest: the map would not load again once saved with this one.
  if (HasInnerBrace(entity.text)) throw Error("Entity::Read (invalid ent)");
  RequireSpawnOrigin(config, entity);
  return entity;
}

}  // namespace

void BSPFile::AddEntity(const std::string& text) {
  entities.push_back(ParseEntity(text, config));
  Rebuild();
}

void BSPFile::ReplaceEntities(std::string_view lump) {
  SetEntities(SplitEntities(lump, 0));
}

void BSPFile::ImportEntities(std::string_view lump) {
  std::vector<Entity> imported = SplitEntities(lump, 0);
  // The game takes the lump's first block for the world.
  if (imported.empty() || imported[0].class_name != "worldspawn") {
    throw Error("BSPFile::ImportEntities (worldspawn must be the first entity)");
  }
  SetEntities(std::move(imported));
}

void BSPFile::SetEntities(std::vector<Entity> replacement) {
  for (const Entity& entity : replacement) RequireSpawnOrigin(config, entity);
  entities = std::move(replacement);
  Rebuild();
}

void BSPFile::ReplaceEntity(int32_t index_, const std::string& text) {
  if (index_ < 0 || index_ >= GetEntityCount()) {
    throw Error("BSPFile::DeleteEntity (index_ out of range)");
  }
  // The entity keeps its place, and a spawn point it backs keeps its check result.
  entities[index_] = ParseEntity(text, config, entities[index_]);
  Rebuild();
}

void BSPFile::DeleteEntity(int32_t index_) {
  if (index_ < 0 || index_ >= GetEntityCount()) {
    throw Error("BSPFile::DeleteEntity (index_ out of range)");
  }
  RemoveEntity(index_);
}

void BSPFile::RemoveEntity(int32_t index_) {
  // The game takes the lump's first block for the world.
  if (index_ == 0 && entities[0].class_name == "worldspawn") {
    throw Error("BSPFile::DeleteEntity (worldspawn must stay the first entity)");
  }
  entities.erase(entities.begin() + index_);
  Rebuild();
}

void BSPFile::WriteBack(int32_t index_) {
  Entity& e = entities.at(static_cast<size_t>(index_));
  e.WriteBack();
  if (e.is_spawn_point) {
    spawn_points[e.spawn_point_type][e.spawn_point_index].Read(e, index_, e.spawn_point_type,
                                                               e.spawn_point_index);
  }
}

int32_t BSPFile::GetSpawnPointCount(int32_t type) const {
  if (type < 0 || type >= static_cast<int32_t>(spawn_points.size())) return 0;
  return static_cast<int32_t>(spawn_points[type].size());
}

SpawnPoint* BSPFile::GetSpawnPoint(int32_t type, int32_t index) {
  if (index < 0 || index >= GetSpawnPointCount(type)) return nullptr;
  return &spawn_points[type][index];
}

const SpawnPoint* BSPFile::GetSpawnPoint(int32_t type, int32_t index) const {
  return const_cast<BSPFile*>(this)->GetSpawnPoint(type, index);
}

void BSPFile::AddSpawnPoint(int32_t type, const SpawnPoint& spawn_point) {
  if (type < 0 || type >= static_cast<int32_t>(spawn_points.size())) return;
  Entity e;
  e.class_name = config.spawn_point_entity[type];
  e.has_origin = e.has_angles = true;
  e.origin = spawn_point.origin;
  e.angles = spawn_point.angles;
  e.text =
      "{\n\"origin\" \"0 0 0\"\n\"angles\" \"0 0 0\"\n\"classname\" \"" + e.class_name + "\"\n}";
  e.WriteBack();
  entities.push_back(std::move(e));
  std::vector<SpawnPoint>& list = spawn_points[type];
  list.emplace_back().Read(entities.back(), GetEntityCount() - 1, type,
                           static_cast<int32_t>(list.size()) - 1);
}

void BSPFile::DeleteSpawnPoint(int32_t type, int32_t index) {
  if (index < 0 || index >= GetSpawnPointCount(type)) return;
  const auto backing = std::find_if(entities.begin(), entities.end(), [&](const Entity& e) {
    return e.is_spawn_point && e.spawn_point_type == type && e.spawn_point_index == index;
  });
  if (backing == entities.end()) {
    throw Error("BSPFile::DeleteSpawnPoint (Could not find entity relevent to SpawnPoint)");
  }
  RemoveEntity(static_cast<int32_t>(backing - entities.begin()));
}

}  // namespace tarnwick
