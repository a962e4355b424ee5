#pragma once
// What the map tests share: a configuration, small maps, and the message an operation raises.
#include "base/error.h"
#include "map/bsp_file.h"
#include "support/bsp_builder.h"

namespace tarnwick::test {

// Three spawn-point types; doors and walls are a solid group, illusionary brushes a non-solid one.
inline Config TestConfig() {
  Config config;
  config.spawn_point_entity = {"info_player_start", "info_player_deathmatch", "info_player_coop"};
  config.spawn_point_displayname = {"Start", "Deathmatch", "Coop"};
  config.entitys = {{{"func_door", "func_wall"}, {255, 128, 0, 160}, true},
                    {{"func_illusionary"}, {}, false}};
  return config;
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

}  // namespace tarnwick::test
