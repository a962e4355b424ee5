// All the entities replaced from an entity lump's text (an imported .ent file), and the edit
// history that undoes and redoes a map's edits.
#include <gtest/gtest.h>

#include "map/edit_history.h"
#include "map/editing.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

using Texts = std::vector<std::string>;

class HistoryTest : public ::testing::Test {
 protected:
  Config config = TestConfig();
  BSPFile map{RoomBuilder(kWorld + Spawn("info_player_start", "1 2 3")).Build(), config};
};

TEST_F(HistoryTest, ASavedLumpImportsBackAndOneThatDoesNotReadAsEntitiesChangesNothing) {
  AddSpawnPointAt(map, 1, {4, 5, 6}, 90);
  const Texts texts = TextsOf(map);
  std::string lump = map.EntityLump();  // as the side file holds it, with its zero byte
  for (size_t at = 0; (at = lump.find('\n', at)) != std::string::npos; at += 2) {
    lump.insert(at, "\r");  // and with CR LF line ends
  }
  BSPFile other(RoomBuilder(kWorld).Build(), config);
  other.ImportEntities(lump);
  EXPECT_EQ(TextsOf(other), texts);
  EXPECT_EQ(other.GetSpawnPoint(1, 0)->entity, 2);
  const std::string no_world = "BSPFile::ImportEntities (worldspawn must be the first entity)";
  const std::pair<std::string, std::string> refused[] = {
      {"", no_world},
      {Spawn("light", "0 0 0") + kWorld, no_world},
      {kWorld + "{\"classname\" \"light\"", "BSPFile::BSPFile (error counting entitys)"},
      {kWorld + "{\"origin\" \"1 2 3\"}", "Entity::Read (entity dose not contain a class_name)"},
      {kWorld + "{\"classname\" \"info_player_start\"}",
       "SpawnPoint::Read (No origin in entity (info_player_start)"}};
  for (const auto& [text, error] : refused) {
    EXPECT_EQ(ErrorOf([&] { other.ImportEntities(text); }), error) << text;
    EXPECT_EQ(TextsOf(other), texts);
  }
}

TEST_F(HistoryTest, StepsUndoAndRedoTypingInOneFieldIsOneStepAndTheSavedMarkFollows) {
  EditHistory history;
  history.Reset(map);
  const int x = 0, y = 0;  // two fields typed in
  std::vector<Texts> steps = {TextsOf(map)};
  for (const float typed : {1.f, 12.f, 128.f}) {
    MoveEntityAlong(map, 1, 0, typed);
    history.Record(map, &x);
  }
  history.Record(map);  // nothing changed: no step
  steps.push_back(TextsOf(map));
  AddSpawnPointAt(map, 0, {9, 9, 9}, 0);
  history.Record(map);
  steps.push_back(TextsOf(map));
  history.MarkSaved();
  for (const float typed : {5.f, 2.f}) {  // typed, then typed back: the step goes again
    MoveEntityAlong(map, 1, 1, typed);
    history.Record(map, &y);
    EXPECT_EQ(history.IsSaved(), typed == 2);
  }
  for (size_t step = steps.size() - 1; step-- > 0;) {
    EXPECT_TRUE(history.Undo(map));
    EXPECT_EQ(TextsOf(map), steps[step]);
    EXPECT_FALSE(history.IsSaved());
  }
  EXPECT_FALSE(history.Undo(map));
  while (history.Redo(map)) {
  }
  EXPECT_EQ(TextsOf(map), steps.back());
  EXPECT_TRUE(history.IsSaved());
  // A new step after an undo: the steps after it, and the saved one among them, are gone.
  history.Undo(map);
  MoveEntityAlong(map, 1, 2, 7);
  history.Record(map, &x);
  EXPECT_FALSE(history.Redo(map) || history.IsSaved());
}

TEST_F(HistoryTest, TheLast100StepsAreKept) {
  EditHistory history;
  history.Reset(map);
  Texts fifth;
  for (int step = 1; step <= 105; ++step) {
    MoveEntityAlong(map, 1, 0, static_cast<float>(step));
    history.Record(map);
    if (step == 5) fifth = TextsOf(map);
  }
  int undone = 0;
  while (history.Undo(map)) ++undone;
  EXPECT_EQ(undone, 100);
  EXPECT_EQ(TextsOf(map), fifth);
  EXPECT_FALSE(history.IsSaved());  // the loaded map's step was forgotten
}

}  // namespace
}  // namespace tarnwick::test
