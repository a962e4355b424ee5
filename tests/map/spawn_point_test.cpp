// Spawn points and brush-entity lists: derived from the entities, and kept linked to them through
// every change of the entity list.
#include "map/spawn_point.h"

#include <gtest/gtest.h>

#include "map/bsp_file.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

using Floats = std::array<float, 3>;

std::string Start(const std::string& class_name, const std::string& origin,
                  const std::string& more = "") {
  return "{\n\"classname\" \"" + class_name + "\"\n\"origin\" \"" + origin + "\"\n" + more + "}\n";
}

// Every spawn point names an entity of its type's class, every backing entity names a spawn point
// that names it back, and each type has one spawn point per entity of its class.
void ExpectLinked(const BSPFile& map) {
  for (int32_t t = 0; t < map.config.spawn_point_count(); ++t) {
    int32_t of_class = 0;
    for (const Entity& e : map.entities)
      of_class += e.class_name == map.config.spawn_point_entity[t];
    EXPECT_EQ(map.GetSpawnPointCount(t), of_class) << "type " << t;
    for (int32_t i = 0; i < map.GetSpawnPointCount(t); ++i) {
      const SpawnPoint& sp = *map.GetSpawnPoint(t, i);
      ASSERT_GE(sp.entity, 0);
      ASSERT_LT(sp.entity, map.GetEntityCount());
      const Entity& e = map.entities[sp.entity];
      EXPECT_EQ(e.class_name, map.config.spawn_point_entity[t]);
      EXPECT_TRUE(e.is_spawn_point);
      EXPECT_EQ(sp.origin, (Floats{e.origin[0], -e.origin[1], -e.origin[2]}));
    }
  }
  for (int32_t k = 0; k < map.GetEntityCount(); ++k) {
    const Entity& e = map.entities[k];
    if (!e.is_spawn_point) continue;
    const SpawnPoint* sp = map.GetSpawnPoint(e.spawn_point_type, e.spawn_point_index);
    ASSERT_NE(sp, nullptr) << "entity " << k;
    EXPECT_EQ(sp->entity, k);
  }
}

std::vector<std::string> Texts(const BSPFile& map) {
  std::vector<std::string> texts;
  for (const Entity& e : map.entities) texts.push_back(e.text);
  return texts;
}

std::vector<int> MarkedFaces(const BSPFile& map) {
  std::vector<int> marked;
  for (size_t f = 0; f < map.faces.size(); ++f) {
    if (map.faces[f].in_brush_entity) marked.push_back(static_cast<int>(f));
  }
  return marked;
}

std::vector<int> Range(int first, int count) {
  std::vector<int> range;
  for (int i = first; i < first + count; ++i) range.push_back(i);
  return range;
}

class SpawnPointTest : public ::testing::Test {
 protected:
  // 0 world, 1-2 starts, 3 a deathmatch start, 4 a door (model 1), 5 a start, 6 a pendulum
  // (model 2, of no group), 7 a light.
  const std::string lump =
      kWorld + Start("info_player_start", "10 20 30", "\"angles\" \"0 90 0\"\n") +
      Start("info_player_start", "-50 -60 70", "\"angles\" \"5 30 10\"\n\"angle\" \"180\"\n") +
      Start("info_player_deathmatch", "100 0 0", "\"angle\" \"45\"\n") +
      Block({{"classname", "func_door"}, {"model", "*1"}}) + Start("info_player_start", "0 0 8") +
      Block({{"classname", "func_pendulum"}, {"model", "*2"}}) + Start("light", "1 1 1");

  BSPFile Load(const std::string& entities) {
    return BSPFile(RoomBuilder(entities).Build(), config);
  }

  Config config = TestConfig();
};

TEST_F(SpawnPointTest, TheLoadListsSpawnPointsByTypeInEntityOrder) {
  const BSPFile map = Load(lump);
  ASSERT_EQ(map.GetSpawnPointCount(0), 3);
  ASSERT_EQ(map.GetSpawnPointCount(1), 1);
  EXPECT_EQ(map.GetSpawnPointCount(2), 0);
  ExpectLinked(map);

  const SpawnPoint& a = *map.GetSpawnPoint(0, 0);
  EXPECT_EQ(a.entity, 1);
  EXPECT_EQ(a.origin, (Floats{10, 20, 30}));
  EXPECT_EQ(a.angles, (Floats{0, 0, 90}));
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->angles, (Floats{5, 10, 180}));  // "angle" wins the yaw
  EXPECT_EQ(map.GetSpawnPoint(0, 2)->entity, 5);
  EXPECT_EQ(map.GetSpawnPoint(0, 2)->angles, (Floats{0, 0, 0}));
  EXPECT_EQ(map.GetSpawnPoint(1, 0)->yaw(), 45.0f);
  EXPECT_EQ(map.entities[3].spawn_point_type, 1);
  EXPECT_EQ(map.entities[3].spawn_point_index, 0);
  EXPECT_FALSE(map.entities[7].is_spawn_point);
}

TEST_F(SpawnPointTest, OutOfRangeTypesAndIndexesGiveNothing) {
  BSPFile map = Load(lump);
  EXPECT_EQ(map.GetSpawnPointCount(-1), 0);
  EXPECT_EQ(map.GetSpawnPointCount(config.spawn_point_count()), 0);
  EXPECT_EQ(map.GetSpawnPoint(-1, 0), nullptr);
  EXPECT_EQ(map.GetSpawnPoint(3, 0), nullptr);
  EXPECT_EQ(map.GetSpawnPoint(0, -1), nullptr);
  EXPECT_EQ(map.GetSpawnPoint(0, 3), nullptr);

  const std::vector<std::string> before = Texts(map);
  map.AddSpawnPoint(-1, SpawnPoint{});
  map.AddSpawnPoint(3, SpawnPoint{});
  map.DeleteSpawnPoint(-1, 0);
  map.DeleteSpawnPoint(3, 0);
  map.DeleteSpawnPoint(0, 3);
  map.DeleteSpawnPoint(0, -1);
  EXPECT_EQ(Texts(map), before);
  EXPECT_EQ(map.GetSpawnPointCount(0), 3);
}

TEST_F(SpawnPointTest, AnEntityWithoutOriginFailsTheLoad) {
  EXPECT_EQ(
      LoadError(RoomBuilder(kWorld + Block({{"classname", "info_player_deathmatch"}})).Build(),
                config),
      "SpawnPoint::Read (No origin in entity (info_player_deathmatch)");
  EXPECT_EQ(LoadError(RoomBuilder(kWorld + Block({{"classname", "light"}})).Build(), config), "");
}

TEST_F(SpawnPointTest, AddSpawnPointAppendsAnEntityWithWholeNumbers) {
  std::string entities = kWorld;
  for (int i = 0; i < 5; ++i) entities += Start("info_player_coop", std::to_string(i) + " 0 0");
  BSPFile map = Load(entities);
  SpawnPoint where;
  where.origin = {10, -20, 30};
  where.angles = {0, 0, 90};
  map.AddSpawnPoint(2, where);

  ASSERT_EQ(map.GetSpawnPointCount(2), 6);
  ASSERT_EQ(map.GetEntityCount(), 7);
  const Entity& e = map.entities[6];
  EXPECT_EQ(e.text,
            "{\n\"origin\" \"10 -20 30\"\n\"angles\" \"0 90 0\"\n\"classname\" "
            "\"info_player_coop\"\n}\n");
  EXPECT_EQ(e.class_name, "info_player_coop");
  const SpawnPoint& sp = *map.GetSpawnPoint(2, 5);
  EXPECT_EQ(sp.entity, 6);
  EXPECT_EQ(sp.origin, (Floats{10, -20, 30}));
  EXPECT_EQ(sp.yaw(), 90.0f);
  ExpectLinked(map);
}

TEST_F(SpawnPointTest, DeletingASpawnPointMovesTheLaterOnesDown) {
  BSPFile map = Load(lump);
  map.GetSpawnPoint(0, 1)->blocked = 1;
  map.GetSpawnPoint(0, 2)->blocked = 0;
  map.DeleteSpawnPoint(0, 0);

  ASSERT_EQ(map.GetEntityCount(), 7);
  ASSERT_EQ(map.GetSpawnPointCount(0), 2);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->origin, (Floats{-50, -60, 70}));
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 1u);
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->origin, (Floats{0, 0, 8}));
  EXPECT_EQ(map.GetSpawnPoint(1, 0)->entity, 2);
  ExpectLinked(map);

  // Moving the new first spawn point through its entity moves that same spawn point.
  const int32_t k = map.GetSpawnPoint(0, 0)->entity;
  map.entities[k].origin = {1, -2, -3};
  map.WriteBack(k);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->origin, (Floats{1, 2, 3}));
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->origin, (Floats{0, 0, 8}));
  EXPECT_NE(map.entities[k].text.find("\"origin\" \"1 2 3\"\n"), std::string::npos);
}

TEST_F(SpawnPointTest, AClassUnderTwoTypesBacksASpawnPointOfEach) {
  config.spawn_point_entity.push_back("info_player_deathmatch");
  config.spawn_point_displayname.push_back("Deathmatch again");
  BSPFile map = Load(lump);
  EXPECT_EQ(map.GetSpawnPointCount(1), 1);
  EXPECT_EQ(map.GetSpawnPointCount(3), 1);
  EXPECT_EQ(map.entities[3].spawn_point_type, 3);
  ExpectLinked(map);

  EXPECT_EQ(ErrorOf([&] { map.DeleteSpawnPoint(1, 0); }),
            "BSPFile::DeleteSpawnPoint (Could not find entity relevent to SpawnPoint)");
  EXPECT_EQ(map.GetEntityCount(), 8);
  EXPECT_EQ(map.GetSpawnPointCount(1), 1);

  map.DeleteSpawnPoint(3, 0);
  EXPECT_EQ(map.GetEntityCount(), 7);
  EXPECT_EQ(map.GetSpawnPointCount(1), 0);
  EXPECT_EQ(map.GetSpawnPointCount(3), 0);
  ExpectLinked(map);
}

TEST_F(SpawnPointTest, AddAndDeleteEntityRebuild) {
  BSPFile map = Load(lump);
  map.AddEntity("{\"classname\" \"info_player_deathmatch\" \"origin\" \"5 6 7\"}");
  ASSERT_EQ(map.GetEntityCount(), 9);
  EXPECT_EQ(map.GetSpawnPoint(1, 1)->entity, 8);
  ExpectLinked(map);

  map.DeleteEntity(1);  // a start before every other spawn point's entity
  EXPECT_EQ(map.GetEntityCount(), 8);
  EXPECT_EQ(map.GetSpawnPointCount(0), 2);
  EXPECT_EQ(map.GetSpawnPoint(1, 0)->entity, 2);
  EXPECT_EQ(map.GetSpawnPoint(1, 1)->entity, 7);
  ExpectLinked(map);

  map.DeleteEntity(0);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->entity, 0);
  ExpectLinked(map);
}

TEST_F(SpawnPointTest, FailedEntityChangesLeaveTheMapAsItWas) {
  BSPFile map = Load(lump);
  map.GetSpawnPoint(0, 1)->blocked = 1;
  const std::vector<std::string> before = Texts(map);
  const auto unchanged = [&] {
    EXPECT_EQ(Texts(map), before);
    EXPECT_EQ(map.GetSpawnPointCount(0), 3);
    EXPECT_EQ(map.GetSpawnPointCount(1), 1);
    EXPECT_EQ(map.listed_brushes, std::vector<int32_t>{4});
    ExpectLinked(map);
  };
  EXPECT_EQ(
      ErrorOf([&] { map.AddEntity("{\"classname\" \"info_player_start\" \"model\" \"*2\"}"); }),
      "SpawnPoint::Read (No origin in entity (info_player_start)");
  unchanged();
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->blocked, 1u);
  EXPECT_EQ(map.unlisted_brushes, std::vector<int32_t>{6});

  EXPECT_EQ(ErrorOf([&] { map.AddEntity(""); }), "Entity::Read (entity dose not start with '{')");
  EXPECT_EQ(ErrorOf([&] { map.AddEntity(" {\"classname\" \"a\"}"); }),
            "Entity::Read (entity dose not start with '{')");
  EXPECT_EQ(ErrorOf([&] { map.AddEntity("{\"origin\" \"1 2 3\"}"); }),
            "Entity::Read (entity dose not contain a class_name)");
  EXPECT_EQ(ErrorOf([&] { map.DeleteEntity(-1); }), "BSPFile::DeleteEntity (index_ out of range)");
  EXPECT_EQ(ErrorOf([&] { map.DeleteEntity(8); }), "BSPFile::DeleteEntity (index_ out of range)");
  unchanged();
}

TEST_F(SpawnPointTest, ReplaceEntityMovesTheNewTextToTheEndOrChangesNothing) {
  BSPFile map = Load(lump);
  map.ReplaceEntity(1, "{\"classname\" \"info_player_start\" \"origin\" \"4 5 6\"}");
  ASSERT_EQ(map.GetEntityCount(), 8);
  EXPECT_EQ(map.entities[7].text, "{\"classname\" \"info_player_start\" \"origin\" \"4 5 6\"}");
  EXPECT_EQ(map.GetSpawnPoint(0, 2)->entity, 7);
  EXPECT_EQ(map.listed_brushes, std::vector<int32_t>{3});
  ExpectLinked(map);

  const std::vector<std::string> before = Texts(map);
  EXPECT_EQ(ErrorOf([&] { map.ReplaceEntity(2, "{\"origin\" \"1 2 3\"}"); }),
            "Entity::Read (entity dose not contain a class_name)");
  EXPECT_EQ(ErrorOf([&] { map.ReplaceEntity(2, "{\"classname\" \"info_player_deathmatch\"}"); }),
            "SpawnPoint::Read (No origin in entity (info_player_deathmatch)");
  EXPECT_EQ(ErrorOf([&] { map.ReplaceEntity(8, kWorld); }),
            "BSPFile::DeleteEntity (index_ out of range)");
  EXPECT_EQ(Texts(map), before);
  ExpectLinked(map);
}

TEST_F(SpawnPointTest, ARebuildKeepsEachSlotsCheckResult) {
  BSPFile map = Load(lump);
  map.GetSpawnPoint(0, 1)->blocked = 1;
  map.AddEntity(Block({{"classname", "light"}}));
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->blocked, 1u);
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->blocked, 0u);
}

TEST_F(SpawnPointTest, NoFixedLimitOnTypesOrSpawnPoints) {
  std::string entities = kWorld;
  for (int i = 0; i < 250; ++i) entities += Start("info_player_start", std::to_string(i) + " 0 0");
  config.spawn_point_entity.clear();
  config.spawn_point_displayname.clear();
  for (int t = 0; t < 60; ++t) {
    config.spawn_point_entity.push_back(t == 0 ? "info_player_start" : "type_" + std::to_string(t));
    config.spawn_point_displayname.push_back("Type " + std::to_string(t));
  }
  entities += Start("type_55", "1 2 3") + Start("type_59", "4 5 6");
  BSPFile map = Load(entities);
  EXPECT_EQ(map.GetSpawnPointCount(0), 250);
  EXPECT_EQ(map.GetSpawnPoint(0, 249)->origin, (Floats{249, 0, 0}));
  EXPECT_EQ(map.GetSpawnPointCount(55), 1);
  EXPECT_EQ(map.GetSpawnPointCount(59), 1);
  map.AddSpawnPoint(59, SpawnPoint{});
  EXPECT_EQ(map.GetSpawnPointCount(59), 2);
  ExpectLinked(map);
}

TEST_F(SpawnPointTest, BrushEntitiesAreListedByGroupAndMarkTheirFaces) {
  BSPFile map = Load(lump + Block({{"classname", "func_illusionary"}, {"model", "*2"}}) +
                     Block({{"classname", "func_wall"}, {"model", "sprites/glow.spr"}}));
  EXPECT_EQ(map.listed_brushes, (std::vector<int32_t>{4, 8}));
  EXPECT_EQ(map.unlisted_brushes, (std::vector<int32_t>{6}));
  EXPECT_EQ(MarkedFaces(map), Range(6, 12));

  map.DeleteEntity(4);  // the door: model 1's faces become world faces again
  EXPECT_EQ(map.listed_brushes, (std::vector<int32_t>{7}));
  EXPECT_EQ(map.unlisted_brushes, (std::vector<int32_t>{5}));
  EXPECT_EQ(MarkedFaces(map), Range(12, 6));

  map.AddEntity("{\"classname\" \"func_door\" \"model\" \"*1\"}");
  EXPECT_EQ(map.listed_brushes, (std::vector<int32_t>{7, 9}));
  EXPECT_EQ(MarkedFaces(map), Range(6, 12));
}

TEST_F(SpawnPointTest, ModelsTheMapLacksCountAsNoModel) {
  BspBuilder builder = RoomBuilder("");
  builder.AddModel(15, 10);  // model 3 runs past the last face
  builder.AddModel(-3, 5);   // model 4 starts before the first
  builder.SetEntities(kWorld + Block({{"classname", "func_door"}, {"model", "*7"}}) +
                      Block({{"classname", "func_pendulum"}, {"model", "*-1"}}));
  BSPFile map(builder.Build(), config);
  EXPECT_TRUE(map.entities[1].has_model);
  EXPECT_EQ(map.ModelOf(map.entities[1]), -1);
  EXPECT_EQ(map.ModelOf(map.entities[2]), -1);
  EXPECT_EQ(map.ModelOf(map.entities[0]), -1);
  EXPECT_TRUE(map.listed_brushes.empty());
  EXPECT_TRUE(map.unlisted_brushes.empty());
  EXPECT_TRUE(MarkedFaces(map).empty());

  map.AddEntity("{\"classname\" \"func_wall\" \"model\" \"*3\"}");
  map.AddEntity("{\"classname\" \"func_wall\" \"model\" \"*4\"}");
  EXPECT_EQ(map.ModelOf(map.entities[3]), 3);
  std::vector<int> expected = Range(0, 2);
  for (const int f : Range(15, 3)) expected.push_back(f);
  EXPECT_EQ(MarkedFaces(map), expected);
}

TEST_F(SpawnPointTest, OverlappingAndSharedModelsMarkTheirFacesOnce) {
  BspBuilder builder = RoomBuilder("");
  builder.AddModel(4, 6);   // model 3: the world's last faces and the door's first
  builder.AddModel(10, 0);  // model 4: no faces
  std::string entities = kWorld;
  for (int k = 0; k < 1000; ++k) entities += Block({{"classname", "func_wall"}, {"model", "*3"}});
  entities += Block({{"classname", "func_wall"}, {"model", "*4"}});
  builder.SetEntities(entities);
  BSPFile map(builder.Build(), config);
  EXPECT_EQ(map.listed_brushes.size(), 1001u);
  EXPECT_EQ(MarkedFaces(map), Range(4, 6));

  map.AddEntity("{\"classname\" \"func_door\" \"model\" \"*2\"}");
  std::vector<int> expected = Range(4, 6);
  for (const int f : Range(12, 6)) expected.push_back(f);
  EXPECT_EQ(MarkedFaces(map), expected);
}

}  // namespace
}  // namespace tarnwick::test
