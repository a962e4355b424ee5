#pragma once
// What the map tests share: a configuration, small maps, and the message an operation raises.
#include <algorithm>
#include <numeric>

#include "base/error.h"
#include "map/bsp_file.h"
#include "support/bsp_builder.h"

namespace tarnwick::test {

// Three spawn-point types; doors are a solid group, illusionary brushes a non-solid one.
inline Config TestConfig() {
  Config config;
  config.spawn_point_entity = {"info_player_start", "info_player_deathmatch", "info_player_coop"};
  config.spawn_point_displayname = {"Start", "Deathmatch", "Coop"};
  config.entitys = {{{"func_door", "func_wall"}, {255, 128, 0, 160}, true},
                    {{"func_illusionary"}, {}, false}};
  return config;
}

// RoomBuilder with every lump filled: a valid texture lump with two textures, and bytes that
// differ from their neighbours, of whole records, for the lumps the loader only counts.
inline BspBuilder FullBuilder(const std::string& entities) {
  BspBuilder map = RoomBuilder(entities);
  const std::pair<Lump, size_t> raw[] = {
      {LUMP_LEAFS, 2 * 28}, {LUMP_MARKSURFACES, 6 * 2}, {LUMP_TEXINFO, 2 * 40}, {LUMP_LIGHTING, 30},
      {LUMP_VISIBILITY, 9}, {LUMP_NODES, 24},           {LUMP_CLIPNODES, 16}};
  for (const auto& [lump, size] : raw) {
    Bytes bytes(size, 0);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(lump + 7 * i);
    map.SetLump(lump, bytes);
  }
  map.SetLump(LUMP_TEXTURES, TextureLump({"wall", "door"}));
  return map;
}

// The lumps in index order, but `last` last.
inline std::vector<int> OrderWithLast(Lump last) {
  std::vector<int> order(LUMP_COUNT);
  std::iota(order.begin(), order.end(), 0);
  std::rotate(order.begin() + last, order.begin() + last + 1, order.end());
  return order;
}

inline const std::string kWorld = Block({{"classname", "worldspawn"}});

inline std::string Spawn(const std::string& class_name, const std::string& origin) {
  return Block({{"classname", class_name}, {"origin", origin}});
}

inline std::vector<std::string> TextsOf(const BSPFile& map) {
  std::vector<std::string> texts;
  for (const Entity& e : map.entities) texts.push_back(e.text);
  return texts;
}

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

inline std::string LoadError(const Bytes& file, const Config& config) {
  return ErrorOf([&] { BSPFile map(file, config); });
}

}  // namespace tarnwick::test
