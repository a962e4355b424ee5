#include "map/entity.h"

#include <charconv>
#include <cstdio>
#include <string_view>

#include "error.h"

namespace tarnwick {
namespace {

[[noreturn]] void Fail(const char* reason) { throw Error(std::string("Entity::Read (") + reason + ")"); }

// Where the quoted value that follows the quoted `key` starts in `block`, or npos when the block
// lacks the key. The key may stand anywhere, as a key or as a value.
size_t FindValue(std::string_view block, std::string_view key) {
  const std::string quoted = "\"" + std::string(key) + "\"";
  const size_t at = block.find(quoted);
  if (at == std::string_view::npos) return at;
  const size_t quote = block.find('"', at + quoted.size());
  if (quote == std::string_view::npos) Fail("invalid ent");
  return quote + 1;
}

bool IsNumberByte(char c, bool fraction) {
  return (c >= '0' && c <= '9') || c == '-' || (fraction && c == '.');
}

// The longest run of number bytes at `pos` (absolute), which then moves past the run and one
// separator byte. A run must not reach the block's closing brace at `close`.
std::string_view TakeRun(const char* file, int64_t& pos, int64_t close, int64_t end,
                         bool fraction) {
  const int64_t start = pos;
  while (pos < end && IsNumberByte(file[pos], fraction)) {
    if (pos >= close) Fail("invalid ent");
    ++pos;
  }
  std::string_view run(file + start, static_cast<size_t>(pos - start));
  ++pos;
  return run;
}

template <class T>
bool Convert(std::string_view run, T& value) {
  const auto [ptr, ec] = std::from_chars(run.data(), run.data() + run.size(), value);
  return !run.empty() && ec == std::errc() && ptr == run.data() + run.size();
}

template <size_t N>
void ReadNumbers(const char* file, int64_t value_pos, int64_t close, int64_t end, const char* what,
                 float (&numbers)[N]) {
  int64_t pos = value_pos;
  for (float& number : numbers) {
    if (!Convert(TakeRun(file, pos, close, end, true), number)) {
      Fail((std::string("error converting ") + what + " from string to int").c_str());
    }
  }
}

std::string FormatLine(const char* format, double a, double b = 0, double c = 0) {
  char line[200];
  std::snprintf(line, sizeof line, format, a, b, c);
  return line;
}

}  // namespace

void Entity::Read(const char* file_, int64_t& pos_, int64_t end_) {
  if (file_ == nullptr) Fail("invalid file_");
  if (pos_ < 0) Fail("pos_ < 0");
  if (pos_ >= end_ || file_[pos_] != '{') Fail("entity dose not start with '{'");

  int64_t close = -1;
  bool quoted = false;
  for (int64_t p = pos_; p < end_ && close < 0; ++p) {
    if (file_[p] == '"') {
      quoted = !quoted;
    } else if (file_[p] == '}' && !quoted) {
      close = p;
    }
  }
  if (close < 0) Fail("entity dose not end with '}'");

  Entity e;
  e.is_spawn_point = is_spawn_point;
  e.spawn_point_type = spawn_point_type;
  e.spawn_point_index = spawn_point_index;
  for (int64_t p = pos_; p <= close; ++p) {
    if (file_[p] != '\r') e.text += file_[p];
  }
  int64_t next = close;
  while (next < end_ && file_[next] != '{') ++next;
  if (next >= end_) next = -1;

  // Positions below are relative to the block's "{"; the block ends before its closing brace.
  const std::string_view block(file_ + pos_, static_cast<size_t>(close - pos_));
  const auto text_value = [&](size_t value) {
    const size_t quote = block.find('"', value);
    if (quote == std::string_view::npos) Fail("invalid ent");
    return std::string(block.substr(value, quote - value));
  };

  if (const size_t v = FindValue(block, "wad"); v != std::string_view::npos) {
    const std::string wad = text_value(v);
    if (wad.size() > 2) {
      e.has_wad = true;
      for (size_t start = 0, semi; (semi = wad.find(';', start)) != std::string::npos;
           start = semi + 1) {
        e.wads.push_back(wad.substr(start, semi - start));
      }
    }
  }
  const size_t class_value = FindValue(block, "classname");
  if (class_value == std::string_view::npos) Fail("entity dose not contain a class_name");
  e.class_name = text_value(class_value);

  if (const size_t v = FindValue(block, "origin"); v != std::string_view::npos) {
    float n[3];
    ReadNumbers(file_, pos_ + static_cast<int64_t>(v), close, end_, "origin", n);
    e.origin = {n[0], -n[1], -n[2]};
    e.has_origin = true;
  }
  if (const size_t v = FindValue(block, "angles"); v != std::string_view::npos) {
    float n[3];
    ReadNumbers(file_, pos_ + static_cast<int64_t>(v), close, end_, "angles", n);
    e.angles = {n[0], n[2], n[1]};
    e.has_angles = true;
  }
  if (const size_t v = FindValue(block, "angle"); v != std::string_view::npos) {
    float n[1];
    ReadNumbers(file_, pos_ + static_cast<int64_t>(v), close, end_, "angle", n);
    e.angle = n[0];
    e.has_angle = true;
  }
  if (const size_t v = FindValue(block, "model"); v < block.size() && block[v] == '*') {
    int64_t pos = pos_ + static_cast<int64_t>(v) + 1;
    if (!Convert(TakeRun(file_, pos, close, end_, false), e.model)) {
      Fail("error converting model number from string to int");
    }
    e.has_model = true;
  }

  *this = std::move(e);
  pos_ = next;
}

void Entity::WriteBack() {
  std::string result;
  result.reserve(text.size() + 32);
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string_view line(text.data() + start, end + 1 - start);
    const size_t blanks = line.find_first_not_of(" \t");
    const std::string_view rest = line.substr(blanks);  // a line always holds its line feed
    std::string replaced;
    if (rest.starts_with("\"origin\"")) {
      replaced = FormatLine("\"origin\" \"%.0f %.0f %.0f\"\n", origin[0], -origin[1], -origin[2]);
    } else if (rest.starts_with("\"angles\"")) {
      replaced = FormatLine("\"angles\" \"%.0f %.0f %.0f\"\n", angles[0], angles[2], angles[1]);
    } else if (rest.starts_with("\"angle\"")) {
      replaced = FormatLine("\"angle\" \"%.0f\"\n", angle);
    }
    if (replaced.empty()) {
      result += line;
    } else {
      result += line.substr(0, blanks);
      result += replaced;
    }
  }
  result.append(text, start);
  text = std::move(result);
}

}  // namespace tarnwick
