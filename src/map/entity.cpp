#include "map/entity.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "base/error.h"

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

// Where a number value stands and what it reads as: the value's bytes run from after its opening
// quote to its closing quote (or the block's brace, when none comes).
template <size_t N>
struct NumberValue {
  bool found = false;
  size_t begin = 0, end = 0;
  std::array<float, N> numbers{};
};

// The value of number key `key` in `block` (the text before its closing brace), read as
// Entity::Read reads it: the runs of number bytes, each followed by one separator byte.
template <size_t N>
NumberValue<N> ReadNumberValue(const NumberBytes& bytes, std::string_view block, const char* key) {
  NumberValue<N> value;
  const size_t v = FindValue(block, key);
  if (v == std::string_view::npos) return value;
  int64_t pos = static_cast<int64_t>(v);
  for (float& number : value.numbers) {
    if (!Convert(TakeRun(bytes, pos, true), number)) {
      Fail((std::string("error converting ") + key + " from string to int").c_str());
    }
  }
  value.found = true;
  value.begin = v;
  value.end = std::min(block.find('"', v), block.size());
  return value;
}

// The first "}" outside quotes at or after `pos`, or -1 when none comes before `end`.
int64_t ClosingBrace(const char* file, int64_t pos, int64_t end) {
  bool quoted = false;
  for (int64_t p = pos; p < end; ++p) {
    if (file[p] == '"') {
      quoted = !quoted;
    } else if (file[p] == '}' && !quoted) {
      return p;
    }
  }
  return -1;
}

// A whole number as "%.0f", any other as the shortest fixed-point text that reads back as the same
// float (the reader takes no exponent); never "-0".
std::string FormatNumber(float number) {
  char text[128];
  if (number == 0) return "0";
  if (std::trunc(number) == number) {
    std::snprintf(text, sizeof text, "%.0f", number);
    return text;
  }
  const auto result = std::to_chars(text, text + sizeof text, number, std::chars_format::fixed);
  return std::string(text, result.ptr);
}

// Gives key `key` of `text` (whose block closes at `close`, which follows the change) the numbers
// `wanted`, replacing only the bytes of its value, unless the key is missing or its value already
// reads as those numbers.
template <size_t N>
void Rewrite(std::string& text, size_t& close, const char* key,
             const std::array<float, N>& wanted) {
  const NumberBytes bytes{std::string_view(text.data(), close + 1), text.data() + close + 1,
                          static_cast<int64_t>(text.size() - close - 1)};
  const NumberValue<N> value = ReadNumberValue<N>(bytes, bytes.kept.substr(0, close), key);
  if (!value.found || value.numbers == wanted) return;
  std::string numbers;
  for (const float number : wanted) {
    if (!numbers.empty()) numbers += ' ';
    numbers += FormatNumber(number);
  }
  text.replace(value.begin, value.end - value.begin, numbers);
  close = close + numbers.size() - (value.end - value.begin);
}

}  // namespace

void Entity::Read(std::string_view file_, int64_t& pos_) {
  const char* file = file_.data();
  const auto end = static_cast<int64_t>(file_.size());
  if (pos_ < 0 || pos_ >= end || file[pos_] != '{') Fail("entity dose not start with '{'");
  const int64_t close = ClosingBrace(file, pos_, end);
  if (close < 0) Fail("entity dose not end with '}'");

  Entity e;
  e.is_spawn_point = is_spawn_point;
  e.spawn_point_type = spawn_point_type;
  e.spawn_point_index = spawn_point_index;
  e.text.reserve(static_cast<size_t>(close - pos_ + 1));
  for (int64_t p = pos_; p <= close; ++p) {  // the runs between carriage returns
    const auto* cr = static_cast<const char*>(memchr(file + p, '\r', size_t(close + 1 - p)));
    const int64_t run_end = cr ? cr - file : close + 1;
    e.text.append(file + p, static_cast<size_t>(run_end - p));
    p = run_end;
  }
  int64_t next = close;
  while (next < end && file[next] != '{') ++next;
  if (next >= end) next = -1;

  // The keys are read from the text as kept, carriage returns dropped, so that the fields agree
  // with the text that is shown and saved even where a CR stands inside a value. Positions below
  // are relative to the text's "{"; the block ends before its closing brace.
  const NumberBytes bytes{e.text, file + close + 1, end - close - 1};
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

  if (const auto v = ReadNumberValue<3>(bytes, block, "origin"); v.found) {
    e.origin = v.numbers;
    e.has_origin = true;
  }
  if (const auto v = ReadNumberValue<3>(bytes, block, "angles"); v.found) {
    e.angles = {v.numbers[0], v.numbers[2], v.numbers[1]};
    e.has_angles = true;
  }
  if (const auto v = ReadNumberValue<1>(bytes, block, "angle"); v.found) {
    e.angle = v.numbers[0];
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
  const int64_t brace = ClosingBrace(text.data(), 0, static_cast<int64_t>(text.size()));
  if (brace < 0) return;
  std::string result = text;
  size_t close = static_cast<size_t>(brace);
  try {
    Rewrite<3>(result, close, "origin", origin);
    Rewrite<3>(result, close, "angles", {angles[0], angles[2], angles[1]});
    Rewrite<1>(result, close, "angle", {angle});
  } catch (const Error&) {
    return;  // a text that does not read as an entity keeps what it says
  }
  if (result == text) return;
  // Only the bytes of number values changed, and none of them is a quote or a brace, so the text
  // keeps its keys and values. But the numbers of one key may run on into the value of another in
  // an odd text; the new text is taken only when it reads as this entity with its new numbers.
  Entity after;
  int64_t pos = 0;
  try {
    after.Read(result, pos);
  } catch (const Error&) {
    return;
  }
  if (after.class_name == class_name && after.has_origin == has_origin &&
      after.has_angles == has_angles && after.has_angle == has_angle &&
      after.has_model == has_model && after.model == model && after.wads == wads &&
      (!has_origin || after.origin == origin) && (!has_angles || after.angles == angles) &&
      (!has_angle || after.angle == angle)) {
    text = std::move(result);
  }
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
