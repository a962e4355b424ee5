#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"
#include "base/error.h"
#include "map/bsp_file.h"

namespace tarnwick::test {

struct V3 {
  float x = 0, y = 0, z = 0;
  bool operator==(const V3&) const = default;
};

// Little-endian records for raw lumps.
struct ByteWriter {
  ByteWriter& I32(int32_t value) { return Word(uint32_t(value), 4); }
  ByteWriter& U16(uint16_t value) { return Word(value, 2); }
  ByteWriter& F32(float value) { return I32(std::bit_cast<int32_t>(value)); }
  ByteWriter& Text(const std::string& text, size_t width) {  // zero-padded or cut to `width`
    for (size_t i = 0; i < width; ++i) bytes.push_back(i < text.size() ? uint8_t(text[i]) : 0);
    return *this;
  }
  ByteWriter& Word(uint32_t value, int size) {
    for (int b = 0; b < size; ++b) bytes.push_back(uint8_t(value >> 8 * b));
    return *this;
  }
  Bytes bytes;
};

// Writes BSP version 30 files from faces and entities, making the vertices, planes, edges and
// surfedges as map compilers do: an edge an earlier face has in reverse is a negative surfedge.
class BspBuilder {
 public:
  // Corners run clockwise seen from the side the face looks to. Faces are axial: each lies on the
  // plane whose normal is the positive axis.
  void AddFace(const std::vector<V3>& corners);
  // An axis-aligned rectangle from `min` to `max` that looks along `facing`, an axis direction.
  void AddRect(V3 min, V3 max, V3 facing);
  // A box's six faces, looking inward for a room, outward for a brush model.
  void AddBox(V3 min, V3 max, bool inward);
  void AddModel();  // of the faces added since the previous model
  void SetEntities(std::string text) { entities_ = std::move(text); }
  // Raw bytes for a lump, in place of what the builder would write.
  void SetLump(int lump, Bytes bytes) { raw_.emplace_back(lump, std::move(bytes)); }
  // The lumps named come first in the file, the others follow in index order.
  void SetOrder(std::vector<int> order) { order_ = std::move(order); }
  void SetPadding(int32_t bytes) { padding_ = bytes; }  // zeros between neighbouring lumps
  // The file ends in one zero byte: a lump of records that ends the file does not load.
  Bytes Build() const;

 private:
  struct FaceDesc {
    std::vector<int> corners;
    int plane = 0, side = 0;
  };
  std::vector<V3> vertices_;
  std::vector<std::pair<V3, float>> planes_;  // normal, distance
  std::vector<FaceDesc> faces_;
  std::vector<std::pair<int, int>> models_;  // first face, face count
  std::string entities_;
  std::vector<std::pair<int, Bytes>> raw_;
  std::vector<int> order_;
  int32_t padding_ = 0;
};

// One entity block: "{", a line "key" "value" per pair, "}", and a line feed.
std::string Block(const std::vector<std::pair<std::string, std::string>>& pairs);
inline const std::string kWorld = Block({{"classname", "worldspawn"}});
inline std::string Spawn(const std::string& class_name, const std::string& origin) {
  return Block({{"classname", class_name}, {"origin", origin}});
}

// A texture lump: one 40-byte header per name, width and height 64, mip levels in a WAD.
Bytes TextureLump(const std::vector<std::string>& names);

// Reading and damaging a built file, a word's last byte checked first; a lump's place is its
// offset and size.
inline void SetI32(Bytes& file, size_t at, int32_t value) {
  WriteI32(&file.at(at + 3) - 3, value);
}
inline std::pair<int32_t, int32_t> GetLump(const Bytes& file, int lump) {
  return {ReadI32(&file.at(7 + 8 * lump) - 3), ReadI32(&file.at(11 + 8 * lump) - 3)};
}
inline void SetLumpHeader(Bytes& file, int lump, int32_t offset, int32_t size) {
  SetI32(file, 4 + 8 * lump, offset);
  SetI32(file, 8 + 8 * lump, size);
}

// A room (model 0, six inward faces) and two brush boxes (models 1 and 2), with `entities`.
BspBuilder RoomBuilder(const std::string& entities);
// Three spawn-point types; doors and walls are a solid group, illusionary brushes a non-solid one.
Config TestConfig();
std::vector<std::string> TextsOf(const BSPFile& map);

// The message of the Error that `action` raises, or "" when it raises none.
template <class Action>
std::string ErrorOf(Action&& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// Each raises std::runtime_error when the file cannot be read or written.
Bytes ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const Bytes& bytes);

}  // namespace tarnwick::test
