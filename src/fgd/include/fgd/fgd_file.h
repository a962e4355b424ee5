#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// One class definition of an FGD file: its name and its text, cut from the file unchanged.
struct FGDEntity {
  // Finds the next definition at or after `pos_` in `text_`. On success fills the entity, moves
  // `pos_` past it and returns true; returns false when no further complete definition exists.
  // The entity's text stays inside `text_`, which it shares.
  bool Read(const std::shared_ptr<const std::string>& text_, int32_t& pos_);

  std::string name;
  int32_t start = -1;  // offset of the first character of the line that holds the "="
  int32_t end = -1;    // offset just past the closing bracket
  int32_t length = 0;  // end - start
  // The file's bytes from start to end, held by `source`, which every copy of the entity shares.
  // Definitions that share a line overlap (each starts where the line starts), so a copy of each
  // would let one long line of short definitions take memory in the square of its length.
  std::string_view text;
  std::shared_ptr<const std::string> source;

 private:
  bool Find(std::string_view text_, int32_t& pos_);

  // Where the last "=" found stood, in which text, and where its line starts.
  struct LineHint {
    const char* text = nullptr;
    int32_t size = 0, at = -1, line_start = -1;
  };
  LineHint line_hint_;
};

// A loaded FGD file, cut into its definitions in file order. Definitions are not interpreted.
class FGDFile {
 public:
  // Reads the file as text. Raises Error when it cannot be read.
  explicit FGDFile(const std::string& path);

  // Index of the first definition named exactly `name`, or -1.
  int32_t FindEntity(const std::string& name) const;
  // The lines that show definition `index`, or one line saying why there is none.
  std::vector<std::string> ShowEntity(int32_t index) const;
  // The class names in file order, or the one item that says there are none.
  std::vector<std::string> ListEntitys() const;

  std::vector<FGDEntity> entitys;
};

}  // namespace tarnwick
