#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"
#include "config/config.h"
#include "map/drawing.h"
#include "map/entity.h"
#include "map/selection_pass.h"
#include "map/spawn_point.h"

namespace tarnwick {

enum Lump {
  LUMP_ENTITIES,
  LUMP_PLANES,
  LUMP_TEXTURES,
  LUMP_VERTEXES,
  LUMP_VISIBILITY,
  LUMP_NODES,
  LUMP_TEXINFO,
  LUMP_FACES,
  LUMP_LIGHTING,
  LUMP_CLIPNODES,
  LUMP_LEAFS,
  LUMP_MARKSURFACES,
  LUMP_EDGES,
  LUMP_SURFEDGES,
  LUMP_MODELS,
  LUMP_COUNT
};

constexpr int32_t kHeaderSize = 4 + 8 * LUMP_COUNT;

// The lumps' names, by index, as the loader's messages and tarnwick-cli's info give them.
extern const std::array<const char*, LUMP_COUNT> kLumpNames;

// The readers and writers below take raw pointers; the caller has checked that the bytes exist.
struct VertexPoint {
  void ReadPoint(const uint8_t* src);
  VertexPoint operator-() const { return {-x, -y, -z}; }

  float x = -1, y = -1, z = -1;
};

struct Edge {
  void ReadEdge(const uint8_t* src);

  uint16_t first = 0, second = 0;
};

struct Face {
  uint16_t plane = 0;
  uint16_t side = 0;  // 0: the face looks along its plane's normal
  int32_t first_surfedge = 0;
  uint16_t surfedge_count = 0;
  uint16_t texinfo = 0;
  std::array<uint8_t, 4> styles{};
  int32_t lightmap_offset = 0;
  uint8_t in_brush_entity = 0;  // 1 when the face belongs to a brush entity's model
};

struct Plane {
  VertexPoint normal;
  float distance = 0;
};

struct Model {
  int32_t first_face = 0, face_count = 0;
};

struct Texture {
  std::array<char, 17> name{};
  uint32_t width = 0, height = 0;
  std::array<uint32_t, 4> mip_offsets{};
};

struct LumpHeader {
  void ReadLumpHeader(const uint8_t* src);
  void WriteLumpHeader(uint8_t* dst) const;

  int32_t offset = -1, size = -1;
};

struct BSPHeader {
  // Raises Error when the version is not 30.
  void ReadFile(const uint8_t* src);
  void WriteFile(uint8_t* dst) const;

  int32_t version = -1;
  std::array<LumpHeader, LUMP_COUNT> lumps{};
};

// One loaded map. The file's bytes are kept unchanged; only the entities are edited.
class BSPFile {
 public:
  // Takes the whole file. Raises Error when it is damaged; `config` must outlive the map.
  BSPFile(Bytes raw_file_, const Config& config);

  int32_t GetModelCount() const { return static_cast<int32_t>(models.size()); }
  int32_t GetEntityCount() const { return static_cast<int32_t>(entities.size()); }

  // Entities. Each raises Error and leaves the entity list as it was when it fails; the world
  // (a "worldspawn" entity 0) cannot be deleted.
  void AddEntity(const std::string& text);
  void DeleteEntity(int32_t index_);
  // Entity `index_` becomes one parsed from `text`, in the same place.
  void ReplaceEntity(int32_t index_, const std::string& text);
  // Rewrites entity `index_`'s text from its fields and refreshes the spawn point it backs.
  void WriteBack(int32_t index_);
  // All the entities become the blocks of `lump`, an entity lump's text, split and read as the
  // loader reads the lump in the file (carriage returns dropped, bytes between and after the
  // blocks, such as the closing zero byte, passed over). Raises the loader's errors, or AddEntity's
  // for a spawn point without an origin, and then leaves the entities as they were.
  void ReplaceEntities(std::string_view lump);
  // ReplaceEntities for an entity file the user imports, whose first block must be the world.
  void ImportEntities(std::string_view lump);

  // Spawn points, by type (index into the configuration's types) and index within the type.
  int32_t GetSpawnPointCount(int32_t type) const;
  SpawnPoint* GetSpawnPoint(int32_t type, int32_t index);
  const SpawnPoint* GetSpawnPoint(int32_t type, int32_t index) const;
  // Appends an entity of the type's class at `spawn_point`'s origin and angles, and its spawn
  // point.
  void AddSpawnPoint(int32_t type, const SpawnPoint& spawn_point);
  void DeleteSpawnPoint(int32_t type, int32_t index);

  // Derives the spawn points, the brush-entity lists and the faces' marks from the entities.
  void Rebuild();

  // Drawing, in map coordinates. Faces and models that name indexes outside the tables are
  // skipped.
  void DrawDots(Drawing& drawing) const;
  void DrawLines(Drawing& drawing, bool use_colours) const;
  void DrawPolys(Drawing& drawing) const;
  void DrawEntFaces(Drawing& drawing, bool solid) const;
  void DrawModel(Drawing& drawing, int32_t model) const;
  // The lowest and highest corner of the box around the faces DrawModel draws, in map
  // coordinates; none when it draws none.
  std::optional<std::array<VertexPoint, 2>> ModelBounds(int32_t model) const;

  // The room checks, one pass of `pass` for each spawn point: every spawn point (or the given
  // free-standing one) is blocked when another spawn point's cube of side `min_distance` or, for
  // WallCheck, the geometry of display lists `list_a` and `list_b` (0 = none) reaches into its own.
  void WallCheck(SelectionPass& pass, float min_distance, uint32_t list_a, uint32_t list_b);
  void CheckSpawnPoint(SelectionPass& pass, SpawnPoint& spawn_point, float min_distance) const;
  // WallCheck with the walls that `draw_walls` draws into each spawn point's pass.
  using WallDrawing = std::function<void(Drawing& drawing, const SpawnPoint& spawn_point)>;
  void CheckSpawnPoints(SelectionPass& pass, float min_distance, const WallDrawing& draw_walls);

  // Writes every entity back, then gives the entity lump a save writes: the texts laid end to end
  // and one zero byte.
  std::string EntityLump();
  // Writes the map with a rebuilt entity lump, and the lump alone to the side file.
  void SaveFile(const std::string& file_name);
  // Writes the side file that a save writes, alone, to `file_name`.
  void ExportEntities(const std::string& file_name);

  // The model an entity owns, or -1 when it has none or names one the map lacks.
  int32_t ModelOf(const Entity& entity) const;
  // The faces of model `m` as a range [first, end), or none when the model or any of its faces
  // lies outside the tables.
  struct FaceRange {
    int64_t first = 0, end = 0;
  };
  std::optional<FaceRange> ModelFaces(int32_t m) const;
  // The corners of face `f` in order (map coordinates), or false when the face names a plane,
  // surfedge, edge or vertex that the map lacks.
  bool FaceCorners(int64_t f, std::vector<VertexPoint>& corners) const;

  BSPHeader header;
  Bytes raw_file;  // the bytes as loaded; never changed
  std::vector<VertexPoint> vertices;
  std::vector<Edge> edges;
  std::vector<int32_t> surfedges;
  std::vector<Face> faces;
  std::vector<uint16_t> marksurfaces;
  std::vector<std::vector<SpawnPoint>> spawn_points;  // one list per spawn-point type
  std::vector<uint16_t> leaf_first_marksurface, leaf_marksurface_count;
  // The lighting and texinfo lumps are checked and measured; nothing reads their bytes, which stay
  // in raw_file.
  int32_t lighting_size = 0;
  int32_t texinfo_count = 0;
  std::vector<Texture> textures;
  std::vector<Model> models;
  std::vector<Entity> entities;
  std::vector<Plane> planes;
  std::vector<int32_t> listed_brushes;    // brush entities whose class is in a configured group
  std::vector<int32_t> unlisted_brushes;  // brush entities of no configured group
  const Config& config;

 private:
  void ReadEntities();
  void SetEntities(std::vector<Entity> replacement);
  void RemoveEntity(int32_t index_);
};

// The first group of `config` that lists `class_name`, or none.
const ConfigEntity* FindGroup(const Config& config, const std::string& class_name);

// The bytes of the map file at `path`, read once into the buffer a map takes over; nothing when it
// is not a regular file that can be opened. Raises Error("Form1 (raw_file pointer = 0)") when no
// buffer of its size can be had and Error("Form1 (could not read all of the file)") on a short
// read.
std::optional<Bytes> ReadMapFile(const std::string& path);

// The name of the side file that holds the entity lump saved beside `map_file_name`.
std::string EntFileName(const std::string& map_file_name);

}  // namespace tarnwick
