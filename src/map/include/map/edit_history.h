#pragma once
// Undo and redo of a map's edits: the map's entity texts after each step.
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "map/bsp_file.h"

namespace tarnwick {

class EditHistory {
 public:
  // The most steps that can be undone; older ones are forgotten.
  static constexpr size_t kMaxUndoSteps = 100;

  // Forgets every step: the map as it is now is the first, and is saved. A map's history starts
  // here; the other operations need a step to stand on.
  void Reset(const BSPFile& map);

  // Records the map's entities as they are now as the step after the current one, and forgets the
  // steps that could have been redone; nothing when they did not change. Typing into one field is
  // one step: a record with the same `typed_in` as the last one, with nothing recorded, undone,
  // redone, saved or EndTyping between them, goes into that step.
  void Record(const BSPFile& map, const void* typed_in = nullptr);
  // The field typed in lost the focus: the next record starts a step of its own.
  void EndTyping() { typed_in_ = nullptr; }

  // Gives the map the entities of the step before, or after, the current one; false when there is
  // none. Raises BSPFile::ReplaceEntities' error, and then stays at the current step.
  bool Undo(BSPFile& map);
  bool Redo(BSPFile& map);

  // The current step is what the map's file holds now.
  void MarkSaved();
  bool IsSaved() const { return saved_ == current_; }

 private:
  // Texts that steps have in common are kept once.
  using Texts = std::vector<std::shared_ptr<const std::string>>;
  static Texts TextsOf(const BSPFile& map, const Texts& before);
  static bool SameTexts(const Texts& a, const Texts& b);
  void GoTo(BSPFile& map, size_t step);

  std::deque<Texts> steps_;
  size_t current_ = 0;
  std::optional<size_t> saved_;
  const void* typed_in_ = nullptr;
};

}  // namespace tarnwick
