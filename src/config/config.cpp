#include "config/config.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <string_view>

#include "base/error.h"
#include "base/read_file.h"

namespace tarnwick {
namespace {

// A field and every message share one 800-byte buffer with its terminating zero.
constexpr size_t kBufferSize = 800;
constexpr size_t kMaxField = kBufferSize - 1;

// Counts come from the file. Tables get at most this many entries before the file supplies them,
// so a bogus count cannot make a huge allocation; entries beyond it are added as they are reached.
constexpr int32_t kUpFront = 4096;

// Raises the message formatted as the fixed buffer holds it: a longer text is cut.
[[noreturn]] void Fail(const char* format, ...) {
  char text[kBufferSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  throw Error(text);
}

// Strict conversion: an optional sign, then decimal digits to the end, within 32 bits.
std::optional<int32_t> ToInt(std::string_view text) {
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return std::nullopt;
  }
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

template <typename T>
void Allocate(std::vector<T>& table, int32_t count) {
  table.assign(static_cast<size_t>(std::min(count, kUpFront)), T{});
}

// Entry `index` of a table, added if the up-front allocation did not reach it.
template <typename T>
T& Entry(std::vector<T>& table, int32_t index) {
  if (static_cast<size_t>(index) >= table.size()) table.emplace_back();
  return table[static_cast<size_t>(index)];
}

// Reads the fields one character at a time and keeps the line number of the messages.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text) {}

  // Gathers one field into `field`; false when the text ends before the field does.
  bool Gather(std::string& field, bool comma_ends = false) {
    field.clear();
    for (;;) {
      if (at_ == text_.size()) return false;
      const char c = text_[at_++];
      if (c == '\n' || (comma_ends && c == ',')) return true;
      // Text mode: CR LF ends a line like LF.
      if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') continue;
      if (field.size() == kMaxField) Fail("Config::Read (field too long)\nLine(%d)", line);
      field.push_back(c);
    }
  }

  std::string Text(const char* eof_message, bool comma_ends = false) {
    std::string field;
    if (!Gather(field, comma_ends)) Fail(eof_message, line);
    return field;
  }

  int32_t Convert(const std::string& field, const char* message) {
    const std::optional<int32_t> value = ToInt(field);
    if (!value) Fail(message, field.c_str(), line);
    return *value;
  }

  int32_t Int(const char* eof_message, const char* convert_message, bool comma_ends = false) {
    return Convert(Text(eof_message, comma_ends), convert_message);
  }

  // A count of entries that follow; a negative one cannot be read as a number of entries.
  int32_t Count(const char* eof_message, const char* convert_message) {
    const int32_t count = Int(eof_message, convert_message);
    if (count < 0) Fail("Config::Read (negative count(%d))\nLine(%d)", count, line);
    return count;
  }

  int32_t line = 1;

 private:
  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

bool Config::ReadFile(const std::string& path) {
  const FileBytes file = ReadWholeFile(path);
  if (file.outcome != FileBytes::kRead) return false;
  Read(AsText(file.bytes));
  return true;
}

void Config::Read(std::string_view text) {
  spawn_point_entity.clear();
  spawn_point_displayname.clear();
  entitys.clear();
  FieldReader reader(text);

  std::string field;
  if (!reader.Gather(field)) {
    if (field.empty()) throw Error("Config::Read (line(1) invalid version string)");
    Fail("Config::Read (invalid version string)\nLine(%d)", reader.line);
  }
  const int32_t version = reader.Convert(
      field, "Config::Read (Error Converting VersionString to int)\nString(%s)\nLine(%d)");
  if (version != 3) Fail("Config::Read (ConfigVersionNumber(%d) should = 3)\nLine(1)", version);
  ++reader.line;

  const int32_t spawn_points = reader.Count(
      "Config::Read (invalid spawn_point count string)\nLine(%d)",
      "Config::Read (error converting SpawnPointCountString to int)\nString(%s)\nLine(%d)");
  Allocate(spawn_point_entity, spawn_points);
  Allocate(spawn_point_displayname, spawn_points);
  ++reader.line;
  for (int32_t i = 0; i < spawn_points; ++i) {
    // Both entries first, so the two tables stay parallel whatever field fails.
    std::string& entity = Entry(spawn_point_entity, i);
    std::string& displayname = Entry(spawn_point_displayname, i);
    entity = reader.Text("Config::Read (invalid entity string)\nLine(%d)");
    ++reader.line;
    displayname = reader.Text("Config::Read (invalid entity_displayname string)\nLine(%d)");
    ++reader.line;
  }

  const int32_t groups = reader.Count(
      "Config::Read (invalid entity count string)\nLine(%d)",
      "Config::Read (error converting EntityCountString to int)\nString(%s)\nLine(%d)");
  Allocate(entitys, groups);
  ++reader.line;
  for (int32_t j = 0; j < groups; ++j) {
    ConfigEntity& group = Entry(entitys, j);
    for (uint8_t& component : group.colour) {
      const int32_t value = reader.Int(
          "Config::Read (invalid colour string)\nLine(%d)",
          "Config::Read (error converting ColourString to int)\nString(%s)\nLine(%d)", true);
      component = static_cast<uint8_t>(value & 0xff);
      ++reader.line;
    }

    const std::string colision = reader.Text("Config::Read (invalid colision string)\nLine(%d)");
    if (colision != "true" && colision != "false") {
      Fail("Config::Read (colision string = (%s) & not true or false)\nLine(%d)", colision.c_str(),
           reader.line);
    }
    group.colision = colision == "true";
    ++reader.line;

    const int32_t names = reader.Count(
        "Config::Read (invalid entity name count string)\nLine(%d)",
        "Config::Read (error converting EntityNameCountString to int)\nString(%s)\nLine(%d)");
    Allocate(group.names, names);
    ++reader.line;
    for (int32_t k = 0; k < names; ++k) {
      Entry(group.names, k) = reader.Text("Config::Read (invalid entity name string)\nLine(%d)");
      ++reader.line;
    }
  }
}

}  // namespace tarnwick
