#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One block of the entity lump: its own copy of the text plus the keys the program interprets.
struct Entity {
  // Parses the block that starts at `pos_` in `file_`. On success replaces every field but the
  // spawn-point link and sets `pos_` to the next "{" (or -1); on failure raises Error and leaves
  // the entity and `pos_` as they were.
  void Read(std::string_view file_, int64_t& pos_);

  // Gives the "origin", "angles" and "angle" values of `text` the numbers of the fields, each where
  // Read finds it. A value that already reads as its field is left alone, and of a changed one
  // only the bytes between its quotes are replaced, so an untouched entity keeps its text byte for
  // byte. A key the text lacks is not added. Only the text changes; BSPFile::WriteBack also
  // refreshes the spawn point the entity backs.
  void WriteBack();

  std::string class_name;
  bool has_origin = false;
  std::array<float, 3> origin{};  // map coordinates
  bool has_angles = false;
  std::array<float, 3> angles{};  // pitch, roll, yaw
  bool has_angle = false;
  float angle = 0;
  bool has_model = false;
  int32_t model = 0;
  bool is_spawn_point = false;
  int32_t spawn_point_type = -1;  // the spawn point it backs, when is_spawn_point
  int32_t spawn_point_index = -1;
  bool has_wad = false;
  std::vector<std::string> wads;
  std::string text;  // the block from its "{" through its "}", carriage returns dropped
};

// Whether a block's text holds a "{" outside quotes besides the one it starts with. Blocks do not
// nest: the saved lump of such a block would not split into the same blocks again.
bool HasInnerBrace(std::string_view text);

}  // namespace tarnwick
