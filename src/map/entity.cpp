#include "map/entity.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "error.h"

namespace tarnwick {
namespace {

[[noreturn]] void Fail(const char* reason) {
  throw Error(std::string("Entity::Read (") + reason + ")");
}

// Where the quoted value that follows the quoted `key` starts in `block`, or npos when the block
// lacks the key. The key may stand anywhere, as a key or as a value.
size_t FindValue(std::string_view block, std::string_view key) {
  // The name is looked for and its quotes checked, rather than the quoted name looked for: texts
  // are full of quotes, and a search for one compares at each.
  size_t at = block.find(key);
  while (at != std::string_view::npos &&
         (at == 0 || block[at - 1] != '"' || block.substr(at + key.size(), 1) != "\"")) {
    at = block.find(key, at + 1);
  }
  if (at == std::string_view::npos) return at;
  const size_t quote = block.find('"', at + key.size() + 1);
  if (quote == std::string_view::npos) Fail("invalid ent");
  return quote + 1;
}

bool IsNumberByte(char c, bool fraction) {
  return (c >= '0' && c <= '9') || c == '-' || (fraction && c == '.');
}

// The bytes a number is read from: the block's text as kept, through its closing brace, then the
// bytes that follow the brace where the block was read. A run may not reach the brace, but the
// byte after it decides whether a run that starts there is refused or merely empty.
struct NumberBytes {
  std::string_view kept;  // from the "{" through the closing "}"
  const char* after;      // what follows the closing brace
  int64_t after_size;

  int64_t close() const { return static_cast<int64_t>(kept.size()) - 1; }
  int64_t end() const { return static_cast<int64_t>(kept.size()) + after_size; }
  char operator[](int64_t p) const {
    return p < static_cast<int64_t>(kept.size()) ? kept[static_cast<size_t>(p)]
                                                 : after[p - static_cast<int64_t>(kept.size())];
  }
};

// The longest run of number bytes at `pos`, which then moves past the run and one separator byte.
// A run must not reach the block's closing brace.
std::string_view TakeRun(const NumberBytes& bytes, int64_t& pos, bool fraction) {
  const int64_t start = pos;
  while (pos < bytes.end() && IsNumberByte(bytes[pos], fraction)) {
    if (pos >= bytes.close()) Fail("invalid ent");
    ++pos;
  }
  // The run ends before the brace, so it lies inside the kept text.
  const std::string_view run =
      start < pos ? bytes.kept.substr(static_cast<size_t>(start), static_cast<size_t>(pos - start))
                  : std::string_view();
  ++pos;
  return run;
}

template <class T>
bool Convert(std::string_view run, T& value) {
  const auto [ptr, ec] = std::from_chars(run.data(), run.data() + run.size(), value);
  return !run.empty() && ec == std::errc() && ptr == run.data() + run.size();
}

template <size_t N>
void ReadNumbers(const NumberBytes& bytes, int64_t value_pos, const char* what,
                 float (&numbers)[N]) {
  int64_t pos = value_pos;
  for (float& number : numbers) {
    if (!Convert(TakeRun(bytes, pos, true), number)) {
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
  e.text.reserve(static_cast<size_t>(close - pos_ + 1));
  for (int64_t p = pos_; p <= close; ++p) {  // the runs between carriage returns
    const auto* cr = static_cast<const char*>(memchr(file_ + p, '\r', size_t(close + 1 - p)));
    const int64_t run_end = cr ? cr - file_ : close + 1;
    e.text.append(file_ + p, static_cast<size_t>(run_end - p));
    p = run_end;
  }
  int64_t next = close;
  while (next < end_ && file_[next] != '{') ++next;
  if (next >= end_) next = -1;

  // The keys are read from the text as kept, carriage returns dropped, so that the fields agree
  // with the text that is shown and saved even where a CR stands inside a value. Positions below
  // are relative to the text's "{"; the block ends before its closing brace.
  const NumberBytes bytes{e.text, file_ + close + 1, end_ - close - 1};
  const std::string_view block(e.text.data(), e.text.size() - 1);
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
    ReadNumbers(bytes, static_cast<int64_t>(v), "origin", n);
    e.origin = {n[0], -n[1], -n[2]};
    e.has_origin = true;
  }
  if (const size_t v = FindValue(block, "angles"); v != std::string_view::npos) {
    float n[3];
    ReadNumbers(bytes, static_cast<int64_t>(v), "angles", n);
    e.angles = {n[0], n[2], n[1]};
    e.has_angles = true;
  }
  if (const size_t v = FindValue(block, "angle"); v != std::string_view::npos) {
    float n[1];
    ReadNumbers(bytes, static_cast<int64_t>(v), "angle", n);
    e.angle = n[0];
    e.has_angle = true;
  }
  if (const size_t v = FindValue(block, "model"); v < block.size() && block[v] == '*') {
    int64_t pos = static_cast<int64_t>(v) + 1;
    if (!Convert(TakeRun(bytes, pos, false), e.model)) {
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
  if (result == text) return;  // nothing to check: the usual case when a map is saved again
  // A line rewritten whole may have held more than its key and value: another key, or an odd quote
  // that carried a value on to the next line. The new text would then read as another entity, or
  // as none, and the saved map would not give this entity back: such a text is left as it is.
  const auto read = [](const std::string& block, Entity& entity) {
    int64_t pos = 0;
    try {
      entity.Read(block.data(), pos, static_cast<int64_t>(block.size()));
    } catch (const Error&) {
      return false;
    }
    return entity.text == block;
  };
  Entity before, after;
  if (read(text, before) &&
      (!read(result, after) || HasInnerBrace(result) != HasInnerBrace(text) ||
       after.class_name != before.class_name || after.has_origin != before.has_origin ||
       after.has_angles != before.has_angles || after.has_angle != before.has_angle ||
       after.has_model != before.has_model || after.model != before.model ||
       after.wads != before.wads)) {
    return;
  }
  text = std::move(result);
}

bool HasInnerBrace(std::string_view text) {
  bool quoted = false;
  for (size_t p = 1; p < text.size(); ++p) {
    if (text[p] == '"') quoted = !quoted;
    if (text[p] == '{' && !quoted) return true;
  }
  return false;
}

}  // namespace tarnwick
