#include "map/edit_history.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace tarnwick {

bool EditHistory::SameTexts(const Texts& a, const Texts& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const auto& x, const auto& y) { return x == y || *x == *y; });
}

// The map's texts, sharing those that `before` holds.
EditHistory::Texts EditHistory::TextsOf(const BSPFile& map, const Texts& before) {
  std::unordered_map<std::string_view, std::shared_ptr<const std::string>> known;
  for (const auto& text : before) known.emplace(*text, text);
  Texts texts;
  texts.reserve(map.entities.size());
  for (const Entity& e : map.entities) {
    const auto found = known.find(e.text);
    texts.push_back(found != known.end() ? found->second
                                         : std::make_shared<const std::string>(e.text));
  }
  return texts;
}

void EditHistory::Reset(const BSPFile& map) {
  steps_.assign(1, TextsOf(map, {}));
  current_ = 0;
  saved_ = 0;
  typed_in_ = nullptr;
}

void EditHistory::Record(const BSPFile& map, const void* typed_in) {
  Texts texts = TextsOf(map, steps_[current_]);
  if (SameTexts(texts, steps_[current_])) return;
  if (typed_in && typed_in == typed_in_) {
    steps_[current_] = std::move(texts);
    // Typed back to what it was: the step changes nothing.
    if (SameTexts(steps_[current_], steps_[current_ - 1])) {
      steps_.pop_back();
      --current_;
      typed_in_ = nullptr;
    }
    return;
  }
  steps_.resize(current_ + 1);
  if (saved_ > current_) saved_.reset();
  steps_.push_back(std::move(texts));
  ++current_;
  if (steps_.size() > kMaxUndoSteps + 1) {
    steps_.pop_front();
    --current_;
    saved_ = saved_ > 0 ? std::optional<size_t>(*saved_ - 1) : std::nullopt;
  }
  typed_in_ = typed_in;
}

void EditHistory::GoTo(BSPFile& map, size_t step) {
  std::string lump;
  for (const auto& text : steps_[step]) lump += *text;
  map.ReplaceEntities(lump);
  current_ = step;
  typed_in_ = nullptr;
}

bool EditHistory::Undo(BSPFile& map) {
  if (current_ == 0) return false;
  GoTo(map, current_ - 1);
  return true;
}

bool EditHistory::Redo(BSPFile& map) {
  if (current_ + 1 >= steps_.size()) return false;
  GoTo(map, current_ + 1);
  return true;
}

void EditHistory::MarkSaved() {
  saved_ = current_;
  typed_in_ = nullptr;
}

}  // namespace tarnwick
