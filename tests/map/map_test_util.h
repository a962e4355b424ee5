#pragma once
// What the map tests share: a configuration, small maps, and the message an operation raises.
#include <string>
#include <vector>

#include "config/config.h"
#include "error.h"
#include "map/bsp_file.h"
#include "support/bsp_builder.h"

namespace tarnwick::test {

// Three spawn-point types; doors are a solid group, illusionary brushes a non-solid one.
inline Config TestConfig() {
  Config config;
  config.spawn_point_entity = {"info_player_start", "info_player_deathmatch", "info_player_coop"};
  config.spawn_point_displayname = {"Start", "Deathmatch", "Coop"};
  ConfigEntity doors;
  doors.names = {"func_door", "func_wall"};
  doors.colour = {255, 128, 0, 160};
  ConfigEntity ghosts;
  ghosts.names = {"func_illusionary"};
  ghosts.colision = false;
  config.entitys = {doors, ghosts};
  return config;
}

// A room (model 0, six faces) and two brush boxes (models 1 and 2, six faces each).
inline BspBuilder RoomBuilder(const std::string& entities) {
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

// `count` bytes that differ from their neighbours, for lumps the loader does not decode.
inline std::vector<uint8_t> Pattern(size_t count, uint8_t seed) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(seed + 7 * i);
  return bytes;
}

// RoomBuilder with every lump filled: two leafs, six marksurfaces, two texinfos, two textures,
// light and visibility bytes, nodes and clipnodes.
inline BspBuilder FullBuilder(const std::string& entities) {
  BspBuilder map = RoomBuilder(entities);
  ByteWriter leafs, marks, texinfo;
  for (uint16_t i = 0; i < 2; ++i) {
    leafs.I32(-1 - i).I32(-1).Text("", 12).U16(uint16_t(3 * i)).U16(3).Text("", 4);
  }
  for (uint16_t f = 0; f < 6; ++f) marks.U16(f);
  for (int32_t i = 0; i < 2; ++i) {
    for (int a = 0; a < 8; ++a) texinfo.F32(float(a + 10 * i));
    texinfo.I32(i).I32(i * 2);
  }
  map.SetLump(LUMP_LEAFS, leafs.bytes);
  map.SetLump(LUMP_MARKSURFACES, marks.bytes);
  map.SetLump(LUMP_TEXINFO, texinfo.bytes);
  map.SetLump(LUMP_TEXTURES, TextureLump({"wall", "door"}));
  map.SetLump(LUMP_LIGHTING, Pattern(30, 1));
  map.SetLump(LUMP_VISIBILITY, Pattern(9, 2));
  map.SetLump(LUMP_NODES, Pattern(24, 3));
  map.SetLump(LUMP_CLIPNODES, Pattern(16, 4));
  return map;
}

// The lumps in index order, but `last` last.
inline std::vector<int> OrderWithLast(Lump last) {
  std::vector<int> order;
  for (int k = 0; k < LUMP_COUNT; ++k) {
    if (k != last) order.push_back(k);
  }
  order.push_back(last);
  return order;
}

inline const std::string kWorld = Block({{"classname", "worldspawn"}});

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

inline std::string LoadError(const std::vector<uint8_t>& file, const Config& config) {
  return ErrorOf([&] { BSPFile map(file, config); });
}

}  // namespace tarnwick::test
