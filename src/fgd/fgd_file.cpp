#include "fgd/fgd_file.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "base/error.h"
#include "base/read_file.h"

namespace tarnwick {
namespace {

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The file's bytes as a text-mode read gives them: a CR directly before an LF is dropped. Offsets
// into the text are signed 32-bit: a larger file cannot be taken.
std::string ReadText(const std::string& path) {
  const FileBytes file = ReadWholeFile(path, std::numeric_limits<int32_t>::max());
  switch (file.outcome) {
    case FileBytes::kRead:
      break;
    case FileBytes::kNoFile:
      throw Error("FGDFile::FGDFile (Could Not Open File)");
    case FileBytes::kTooLarge:
      throw Error("FGDFile::FGDFile (Could Get File Size)");
    case FileBytes::kCut:
      throw Error("FGDFile::FGDFile (Could Not Find End Of File)");
  }
  const std::string_view raw = AsText(file.bytes);
  std::string text;
  text.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text.push_back(raw[i]);
  }
  return text;
}

}  // namespace

bool FGDEntity::Read(const std::shared_ptr<const std::string>& text_, int32_t& pos_) {
  if (!Find(*text_, pos_)) return false;
  source = text_;
  text = std::string_view(*source).substr(start, length);
  return true;
}

bool FGDEntity::Find(std::string_view text_, int32_t& pos_) {
  const LineHint hint = line_hint_;
  *this = FGDEntity{};
  const auto size = static_cast<int32_t>(text_.size());
  bool in_quotes = false;
  bool found_equals = false;
  int32_t depth = 0;
  int32_t i = pos_;
  while (i < size) {
    const char c = text_[i];
    if (!in_quotes && c == '/' && i + 1 < size && text_[i + 1] == '/') {
      // The line feed that ends the comment is processed like any other character.
      while (i < size && text_[i] != '\n') ++i;
      continue;
    }
    ++i;
    if (c == '"') {
      in_quotes = !in_quotes;
      continue;
    }
    if (in_quotes) continue;
    if (!found_equals) {
      if (c != '=') continue;
      // Back to the start of the line, but no further than the "=" of the definition found
      // before on this line, whose line start is known: many definitions on one long line would
      // otherwise each be looked back over the whole line.
      start = i - 1;
      const bool hinted = hint.text == text_.data() && hint.size == size && hint.at <= start;
      while (start > 0 && text_[start - 1] != '\n' && !(hinted && start == hint.at)) --start;
      if (hinted && start == hint.at) start = hint.line_start;
      line_hint_ = {text_.data(), size, i - 1, start};
      while (i < size && text_[i] == ' ') ++i;
      const int32_t name_start = i;
      while (i < size && IsNameChar(text_[i])) ++i;
      if (i >= size) return false;
      name.assign(text_.substr(name_start, i - name_start));
      ++i;  // the character that ends the name is not looked at
      found_equals = true;
      continue;
    }
    if (c == '[') {
      ++depth;
    } else if (c == ']' && --depth == 0) {
      end = i;
      length = end - start;
      pos_ = end + 1;  // the character after the bracket is passed over
      return true;
    }
  }
  return false;
}

FGDFile::FGDFile(const std::string& path) {
  const auto text = std::make_shared<const std::string>(ReadText(path));
  int32_t pos = 0;
  FGDEntity entity;
  while (entity.Read(text, pos)) entitys.push_back(entity);
}

int32_t FGDFile::FindEntity(const std::string& name) const {
  for (size_t i = 0; i < entitys.size(); ++i) {
    if (entitys[i].name == name) return static_cast<int32_t>(i);
  }
  return -1;
}

std::vector<std::string> FGDFile::ShowEntity(int32_t index) const {
  if (index < 0) return {"Could Not Find Entity Index < 0"};
  if (static_cast<size_t>(index) >= entitys.size()) {
    return {"Could Not Find Entity Index >= entity_count"};
  }
  std::vector<std::string> lines;
  std::string line;
  for (const char c : entitys[index].text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::vector<std::string> FGDFile::ListEntitys() const {
  if (entitys.empty()) return {"No entitys found in the FGD"};
  std::vector<std::string> names;
  names.reserve(entitys.size());
  for (const FGDEntity& entity : entitys) names.push_back(entity.name);
  return names;
}

}  // namespace tarnwick
