#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One group of brush-entity classes from Config.cfg: drawn in `colour`, solid when `colision`.
struct ConfigEntity {
  std::vector<std::string> names;
  std::array<uint8_t, 4> colour{0, 0, 0, 0};  // red, green, blue, alpha
  bool colision = true;
};

// The spawn-point types and brush-entity groups of Config.cfg.
class Config {
 public:
  // Reads the whole configuration from `text`, as text: a CR directly before an LF is dropped.
  // Raises Error with the message for the first bad field; the tables keep everything stored
  // before it.
  void Read(std::string_view text);
  // Reads the file at `path` with Read; false, and nothing changed, when it cannot be read.
  bool ReadFile(const std::string& path);

  int32_t spawn_point_count() const { return static_cast<int32_t>(spawn_point_entity.size()); }

  std::vector<std::string> spawn_point_entity;       // class name of each spawn-point type
  std::vector<std::string> spawn_point_displayname;  // the name the user picks it by
  std::vector<ConfigEntity> entitys;
};

}  // namespace tarnwick
