#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "map/bsp_file.h"

namespace tarnwick::test {

struct V3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const V3&) const = default;
};

// Little-endian records for raw lumps (texinfo, leafs, ...).
class ByteWriter {
 public:
  ByteWriter& I32(int32_t value);
  ByteWriter& U16(uint16_t value);
  ByteWriter& U8(uint8_t value);
  ByteWriter& F32(float value);
  // `text` zero-padded (or cut) to `width` bytes.
  ByteWriter& Text(const std::string& text, size_t width);

  Bytes bytes;
};

// Writes BSP version 30 files from a description of their geometry and entities. Faces are given
// as polygons of vertex indexes; the builder makes the edges and surfedges, taking an edge that an
// earlier face already has in reverse as a negative surfedge, as map compilers do.
class BspBuilder {
 public:
  // Vertices are shared: adding a position twice gives the same index.
  int AddVertex(V3 position);
  // Planes are shared the same way.
  int AddPlane(V3 normal, float distance);

  // A face on plane `plane`; `side` 0 looks along the plane's normal, 1 against it.
  int AddFace(const std::vector<int>& corners, int plane, int side);
  // A face whose plane follows from its corners, which run clockwise seen from the side the face
  // looks to. An axial face lies on the plane with the positive axis as normal, as compilers do.
  int AddFace(const std::vector<V3>& corners);
  // An axis-aligned rectangle from `min` to `max` (equal in one coordinate) that looks along
  // `facing`, one of the six axis directions.
  int AddRect(V3 min, V3 max, V3 facing);
  // The six faces of a box: looking inward for a room, outward for a brush model. Returns the
  // first face and the face count.
  std::pair<int, int> AddBox(V3 min, V3 max, bool inward);

  int AddModel(int first_face, int face_count);
  // A model of the faces added since the previous model ended (or since the start).
  int AddModel();

  // The entity lump's bytes, exactly as given.
  void SetEntities(std::string text) { entities_ = std::move(text); }
  // Raw bytes for a lump, replacing whatever the builder would have written there.
  void SetLump(int lump, Bytes bytes);
  // The order of the lumps in the file; lumps not named follow in index order.
  void SetOrder(std::vector<int> order) { order_ = std::move(order); }
  // Zero bytes between two neighbouring lumps.
  void SetPadding(int32_t bytes) { padding_ = bytes; }
  // Zero bytes after the last lump: 1 unless set, since a lump of records that ends exactly at
  // the end of the file does not load.
  void SetTrailing(int32_t bytes) { trailing_ = bytes; }

  Bytes Build() const;

  int face_count() const { return static_cast<int>(faces_.size()); }
  const std::vector<V3>& vertices() const { return vertices_; }
  // The corners of face `f`, as given.
  const std::vector<int>& corners(int f) const { return faces_[f].corners; }

 private:
  struct FaceDesc {
    std::vector<int> corners;
    int plane = 0, side = 0;
  };
  struct PlaneDesc {
    V3 normal;
    float distance = 0;
  };
  struct ModelDesc {
    int first_face = 0, face_count = 0;
  };

  std::vector<V3> vertices_;
  std::vector<PlaneDesc> planes_;
  std::vector<FaceDesc> faces_;
  std::vector<ModelDesc> models_;
  int model_end_ = 0;
  std::string entities_;
  std::vector<std::pair<int, Bytes>> raw_;
  std::vector<int> order_;
  int32_t padding_ = 0;
  int32_t trailing_ = 1;
};

// One entity block: "{", a line "key" "value" per pair, "}", and a line feed.
std::string Block(const std::vector<std::pair<std::string, std::string>>& pairs);

// A valid texture lump: one 40-byte header per name, width and height 64, mip levels in a WAD.
Bytes TextureLump(const std::vector<std::string>& names);

// Reading and damaging a built file.
int32_t GetI32(const Bytes& file, size_t at);
void SetI32(Bytes& file, size_t at, int32_t value);
struct LumpPlace {
  int32_t offset = 0, size = 0;
};
LumpPlace GetLump(const Bytes& file, int lump);
void SetLumpHeader(Bytes& file, int lump, int32_t offset, int32_t size);
void SetVersion(Bytes& file, int32_t version);
void Truncate(Bytes& file, size_t size);

// A room (model 0, six inward faces) and two brush boxes (models 1 and 2, six faces each), with
// the given entity text.
BspBuilder RoomBuilder(const std::string& entities);

// Each raises std::runtime_error when the file cannot be read or written.
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);

}  // namespace tarnwick::test
