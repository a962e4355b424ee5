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
  const std::string no_world = "BSPFile::ImportEntities (worldspawn must be the first entity)";
  const std::pair<std::string, std::string> refused[] = {
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

TEST_F(HistoryTest, TypingInOneFieldIsOneStepTheSavedMarkFollowsAndTheLast100StepsAreKept) {
  EditHistory history;
  history.Reset(map);
  const int x = 0, y = 0;  // two fields typed in
  const auto edit = [&](int axis, float value, const void* field) {
    MoveEntityAlong(map, 1, axis, value);
    history.Record(map, field);
  };
  std::vector<Texts> steps = {TextsOf(map)};
  for (const float typed : {1.f, 12.f, 128.f}) edit(0, typed, &x);
  history.Record(map);  // nothing changed: no step
  steps.push_back(TextsOf(map));
  edit(2, 9, nullptr);
  steps.push_back(TextsOf(map));
  history.MarkSaved();
  edit(1, 5, &y);  // typed, then typed back: the step goes again
  EXPECT_FALSE(history.IsSaved());
  edit(1, 2, &y);
  EXPECT_TRUE(history.IsSaved());
  for (size_t step = steps.size() - 1; step-- > 0;) {
    EXPECT_TRUE(history.Undo(map) && !history.IsSaved());
    EXPECT_EQ(TextsOf(map), steps[step]);
  }
  EXPECT_FALSE(history.Undo(map));
  while (history.Redo(map)) {
  }
  EXPECT_EQ(TextsOf(map), steps.back());
  EXPECT_TRUE(history.IsSaved());
  // New steps after an undo: the steps after it, the saved one among them, are gone; of 105 new
  // steps the last 100 can be undone.
  history.Undo(map);
  for (int step = 1; step <= 105; ++step) edit(0, static_cast<float>(step), nullptr);
  EXPECT_FALSE(history.Redo(map));
  int undone = 0;
  while (history.Undo(map)) ++undone;
  EXPECT_EQ(undone, 100);
  EXPECT_EQ(map.entities[1].origin[0], 5);
  EXPECT_FALSE(history.IsSaved());
}

}  // namespace
}  // namespace tarnwick::test
