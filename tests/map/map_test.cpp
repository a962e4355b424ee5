// The map model: loading and the damage it refuses; entity texts; spawn points and brush entities
// kept linked through every change; the editing rules; imports and the edit history.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <regex>

#include "map/edit_history.h"
#include "map/editing.h"
#include "support/bsp_builder.h"

namespace tarnwick::test {
namespace {

using Floats = std::array<float, 3>;
using Ints = std::vector<int32_t>;
using Texts = std::vector<std::string>;

std::string LoadError(const Bytes& file) {
  return ErrorOf([&] { BSPFile(file, TestConfig()); });
}

TEST(MapLoad, DamageFailsWithTheMessageOfTheFirstCheckThatFails) {
  // The lumps that have a check, in the order the loader checks them.
  const Lump checked[] = {LUMP_VERTEXES,     LUMP_EDGES,  LUMP_SURFEDGES, LUMP_FACES,
                          LUMP_MARKSURFACES, LUMP_LEAFS,  LUMP_MODELS,    LUMP_LIGHTING,
                          LUMP_TEXINFO,      LUMP_PLANES, LUMP_ENTITIES};
  const auto message = [](Lump lump) {
    return lump == LUMP_LIGHTING
               ? std::string("BSPFile::BSPFile (lightmap lumpsize to big)")
               : "BSPFile::BSPFile (" + std::string(kLumpNames[lump]) + " size check)";
  };
  // Whole records in every lump the loader checks, and two textures.
  BspBuilder builder = RoomBuilder(kWorld + Spawn("info_player_start", "1 2 3"));
  for (const auto& [lump, size] : {std::pair{LUMP_LEAFS, 56},
                                   {LUMP_MARKSURFACES, 12},
                                   {LUMP_TEXINFO, 80},
                                   {LUMP_LIGHTING, 30}})
    builder.SetLump(lump, Bytes(size, uint8_t(lump)));
  builder.SetLump(LUMP_TEXTURES, TextureLump({"wall", "door"}));
  const Bytes good = builder.Build();
  ASSERT_EQ(BSPFile(good, TestConfig()).textures.size(), 2u);
  Bytes header = BspBuilder().Build();  // the header and one byte: no lumps
  EXPECT_EQ(LoadError(header), "");
  header.pop_back();
  EXPECT_EQ(LoadError(header), "BSPFile::BSPFile (file_size_ to small to load header)");
  Bytes old = good;  // the version is checked before the vertices, which reach past the end
  SetI32(old, 0, 29);
  SetLumpHeader(old, LUMP_VERTEXES, int32_t(old.size()) - 1, 64);
  EXPECT_EQ(LoadError(old), "BSPHeader::ReadFile (Version Number Is Not 30)");
  // Any two checked lumps that start on the file's last byte: the one checked first reports.
  for (size_t i = 0; i < std::size(checked); ++i) {
    for (size_t j = i; j < std::size(checked); ++j) {
      Bytes file = good;
      SetLumpHeader(file, checked[j], int32_t(file.size()) - 1, 64);
      SetLumpHeader(file, checked[i], int32_t(file.size()) - 1, 64);
      EXPECT_EQ(LoadError(file), message(checked[i])) << kLumpNames[checked[j]];
    }
  }
  // A lump of records that ends exactly at the end of the file fails, one byte before it loads;
  // text has no records to run past the end. Cut anywhere, such a file loads or raises.
  for (const Lump lump : {LUMP_VERTEXES, LUMP_ENTITIES}) {
    std::vector<int> order(LUMP_COUNT);
    std::iota(order.begin(), order.end(), 0);
    std::rotate(order.begin(), order.begin() + lump + 1, order.end());  // `lump` last
    builder.SetOrder(order);
    Bytes file = builder.Build();
    EXPECT_EQ(LoadError(file), "");
    file.pop_back();
    EXPECT_EQ(LoadError(file), lump == LUMP_ENTITIES ? "" : message(lump));
    for (size_t n = 0; n < file.size(); ++n) LoadError(Bytes(file.begin(), file.begin() + n));
  }
  // A texture directory that reaches outside its lump leaves the map without textures.
  const auto [textures, size] = GetLump(good, LUMP_TEXTURES);
  for (const auto& [at, value] : {std::pair{0, 0x7fffffff}, {0, -1}, {8, size - 8}}) {
    Bytes file = good;
    SetI32(file, textures + at, value);
    EXPECT_TRUE(BSPFile(file, TestConfig()).textures.empty()) << at << " " << value;
  }
}

Entity Parse(const std::string& text) {
  Entity entity;
  int64_t pos = 0;
  entity.Read(text, pos);
  return entity;
}

std::string Classed(const std::string& pairs) {
  return "{\n\"classname\" \"info_target\"\n" + pairs + "}";
}

TEST(MapLoad, EntityLumpMessages) {
  const std::string counting = "BSPFile::BSPFile (error counting entitys)";
  const auto cannot = [](const std::string& what) {
    return "Entity::Read (error converting " + what + " from string to int)";
  };
  // Loaded as a map's entity lump, or read as one block: the text, and the message.
  const std::tuple<bool, std::string, std::string> cases[] = {
      {true, kWorld + "}", counting},
      // The lump's braces pair up only with a quoted "{" between the blocks.
      {true, kWorld + "{{\"classname\" \"x\"}}\"{\"classname\" \"y\"}", counting},
      // The first block closes at the inner brace; no "{" follows for the second one.
      {true, "{\"classname\" \"a\" { } }", "BSPFile::BSPFile (missing entitys)"},
      {true, "\n" + kWorld, "Entity::Read (entity dose not start with '{')"},
      {true, kWorld + "{\"origin\" \"1 2 3\"}",
       "Entity::Read (entity dose not contain a class_name)"},
      {true, kWorld + "{\"classname\" \"x\" \"m\" \"{\"}", ""},
      {true, kWorld + Block({{"classname", "info_player_start"}}),
       "SpawnPoint::Read (No origin in entity (info_player_start)"},
      {false, "{\"classname\" \"a\"", "Entity::Read (entity dose not end with '}')"},
      // The third number would start after the closing brace.
      {false, "{\"a \"classname\" \"x\" \"origin\" \"1 2}3 \"", "Entity::Read (invalid ent)"},
      {false, Classed("\"origin\" \"1  2 3\"\n"), cannot("origin")},  // two blanks
      {false, Classed("\"angles\" \"0 x 0\"\n"), cannot("angles")},
      {false, Classed("\"angle\" \"east\"\n"), cannot("angle")},
      {false, Classed("\"model\" \"*\"\n"), cannot("model number")},
  };
  for (const auto& [lump, text, message] : cases) {
    EXPECT_EQ(lump ? LoadError(RoomBuilder(text).Build()) : ErrorOf([&] { Parse(text); }), message)
        << text;
  }
}

TEST(Entity, KeysAreReadFromTheTextAsKept) {
  // Carriage returns go, also inside values; braces inside quotes do not count.
  const std::string braces = Classed("\"message\" \"a } and a { here\"\n");
  const std::string crs = "{\r\n\"classname\" \"a\rb\"\r\n\"origin\" \"1\r2 3 4\"\r\n}\r\n";
  const Config config = TestConfig();
  const BSPFile split(RoomBuilder(crs + braces + kWorld).Build(), config);
  EXPECT_EQ(split.entities[0].text, "{\n\"classname\" \"ab\"\n\"origin\" \"12 3 4\"\n}");
  EXPECT_EQ(split.entities[0].origin, (Floats{12, 3, 4}));
  EXPECT_EQ(split.entities[1].text, braces);
  const Entity e = Parse(Classed("\"origin\" \"10 -20 30.5\"\n\"angles\" \"0 90 5\"\n"));
  EXPECT_TRUE(e.has_origin && e.has_angles && !e.has_angle);  // "angle" is not "angles"
  EXPECT_EQ(e.origin, (Floats{10, -20, 30.5}));
  EXPECT_EQ(e.angles, (Floats{0, 5, 90}));  // pitch, roll, yaw
  EXPECT_EQ(Parse(Classed("\"model\" \"*12\"\n")).model, 12);
  EXPECT_FALSE(Parse(Classed("\"model\" \"sprites/glow.spr\"\n")).has_model);
}

TEST(Entity, WriteBackReplacesOnlyTheValuesThatChanged) {
  const std::pair<std::string, std::string> cases[] = {
      // Indentation, order and keys that merely contain or name "origin" stay.
      {"{\n\"classname\" \"a\"\n\t\"origin\" \"1 2 3\"\n\"target\" \"origin\"\n \t \"angles\" "
       "\"0 90 5\"\n\"angle\" \"10\"\n  \"origin_x\" \"1\"\n}",
       "{\n\"classname\" \"a\"\n\t\"origin\" \"136.3 -200.25 0\"\n\"target\" \"origin\"\n \t "
       "\"angles\" \"15 270 0\"\n\"angle\" \"-22.5\"\n  \"origin_x\" \"1\"\n}"},
      // Another key on the value's line stays; no key is added.
      {Classed("\"origin\" \"1.5 0 0\" \"angle\" \"90\"\n"),
       Classed("\"origin\" \"136.3 -200.25 0\" \"angle\" \"-22.5\"\n")},
      // A value that reads as its field already stays as written.
      {Classed("\"origin\" \"136.30 -200.25 -0\"\n\"angle\" \"-22.50\"\n"), ""},
      // A value without a line feed, or before an odd quote that carries a value past a "}".
      {"{\"classname\" \"a\" \"origin\" \"1 2 3\"}",
       "{\"classname\" \"a\" \"origin\" \"136.3 -200.25 0\"}"},
      {"{\"classname\" \"a\"\n\"origin\" \"1 2 3\" \"\n}\"\n}",
       "{\"classname\" \"a\"\n\"origin\" \"136.3 -200.25 0\" \"\n}\"\n}"},
  };
  for (const auto& [before, after] : cases) {
    Entity e = Parse(before);
    e.origin = {136.3f, -200.25f, -0.0f};  // a fraction as written, never "-0"
    e.angles = {15, 0, 270};
    e.angle = -22.5f;
    e.WriteBack();
    EXPECT_EQ(e.text, after.empty() ? before : after);
  }
}

// The entities behind each type's spawn points, types ended by "|", blocked ones marked "*":
// "1 2* 5 | 3 | | ". Each is of its type's class and, when it backs a spawn point of that type,
// names that one.
std::string Links(const BSPFile& map) {
  std::string links;
  for (int32_t t = 0; t < map.config.spawn_point_count(); ++t) {
    for (int32_t i = 0; i < map.GetSpawnPointCount(t); ++i) {
      const int32_t k = map.GetSpawnPoint(t, i)->entity;
      const Entity& e = map.entities.at(k);
      EXPECT_EQ(e.class_name, map.config.spawn_point_entity[t]);
      EXPECT_TRUE(e.is_spawn_point && (e.spawn_point_type != t || e.spawn_point_index == i)) << k;
      links += std::to_string(k) + (map.GetSpawnPoint(t, i)->blocked ? "* " : " ");
    }
    links += "| ";
  }
  return links;
}

// 0 world, 1-2 starts, 3 a deathmatch start, 4 a door (model 1), 5 a start, 6 a pendulum
// (model 2, of no group), 7 a light.
class MapModel : public ::testing::Test {
 protected:
  Config config = TestConfig();
  BSPFile map{RoomBuilder(kWorld + Spawn("info_player_start", "10.4 20 30") +
                          "{\"classname\" \"info_player_start\" \"origin\" \"-50 -60 70\" "
                          "\"angles\" \"5 30 10\" \"angle\" \"180\"}" +
                          Spawn("info_player_deathmatch", "100 0 0") +
                          Block({{"classname", "func_door"}, {"model", "*1"}}) +
                          Spawn("info_player_start", "0 0 8") +
                          Block({{"classname", "func_pendulum"}, {"model", "*2"}}) +
                          Spawn("light", "1 1 1"))
                  .Build(),
              config};
};

TEST_F(MapModel, SpawnPointsAreListedByTypeAddedAndDeletedWithTheirMarks) {
  EXPECT_EQ(Links(map), "1 2 5 | 3 | | ");
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->angles, (Floats{5, 10, 180}));  // "angle" wins
  AddSpawnPointAt(map, 2, {10, -20, 30.4f}, 90);
  EXPECT_EQ(map.entities[8].text,
            "{\n\"origin\" \"10 -20 30.4\"\n\"angles\" \"0 90 0\"\n\"classname\" "
            "\"info_player_coop\"\n}");
  map.GetSpawnPoint(0, 1)->blocked = 1;
  map.DeleteSpawnPoint(0, 0);  // the later ones move down with their marks
  EXPECT_EQ(Links(map), "1* 4 | 2 | 7 | ");
  const Texts before = TextsOf(map);
  // A class under two types backs a spawn point of each; only the last type's leads to it.
  config.spawn_point_entity.push_back("info_player_deathmatch");
  map.Rebuild();
  EXPECT_EQ(Links(map), "1* 4 | 2 | 7 | 2 | ");
  EXPECT_EQ(ErrorOf([&] { map.DeleteSpawnPoint(1, 0); }),
            "BSPFile::DeleteSpawnPoint (Could not find entity relevent to SpawnPoint)");
  EXPECT_EQ(TextsOf(map), before);
  map.DeleteSpawnPoint(3, 0);
  EXPECT_EQ(Links(map), "1* 3 | | 6 | | ");
}

TEST_F(MapModel, EntityChangesKeepTheLinksAndMarksOrChangeNothing) {
  map.GetSpawnPoint(0, 1)->blocked = 1;
  const Texts before = TextsOf(map);
  const std::string no_origin = "SpawnPoint::Read (No origin in entity (info_player_start)";
  const std::pair<std::function<void()>, std::string> failures[] = {
      {[&] { map.AddEntity("{\"classname\" \"info_player_start\" \"model\" \"*2\"}"); }, no_origin},
      // The new text is read before the old one goes.
      {[&] { map.ReplaceEntity(2, "{\"origin\" \"1 2 3\"}"); },
       "Entity::Read (entity dose not contain a class_name)"},
      {[&] { map.ReplaceEntity(2, "{\"classname\" \"info_player_start\"}"); }, no_origin},
      {[&] { map.DeleteEntity(8); }, "BSPFile::DeleteEntity (index_ out of range)"},
      // The game takes the first entity for the world.
      {[&] { map.DeleteEntity(0); },
       "BSPFile::DeleteEntity (worldspawn must stay the first entity)"},
      // An import that does not read as entities, early or late.
      {[&] { map.ImportEntities(Spawn("light", "0 0 0") + kWorld); },
       "BSPFile::ImportEntities (worldspawn must be the first entity)"},
      {[&] { map.ImportEntities(kWorld + "{\"classname\" \"light\""); },
       "BSPFile::BSPFile (error counting entitys)"},
      {[&] { map.ImportEntities(kWorld + "{\"classname\" \"info_player_start\"}"); }, no_origin},
  };
  for (const auto& [change, message] : failures) {
    EXPECT_EQ(ErrorOf(change), message);
    EXPECT_EQ(TextsOf(map), before);
    EXPECT_EQ(Links(map), "1 2* 5 | 3 | | ");
  }
  map.AddEntity("{\"classname\" \"info_player_deathmatch\" \"origin\" \"5 6 7\"}");
  map.DeleteEntity(1);  // a start before every other spawn point's entity; marks follow theirs
  EXPECT_EQ(Links(map), "1* 4 | 2 7 | | ");
  map.ReplaceEntity(0, "{\"classname\" \"worldspawn\" \"message\" \"hi\"}");  // in place
  map.ReplaceEntity(1, "{\"classname\" \"info_player_start\" \"origin\" \"4 5 6\"}");
  EXPECT_EQ(map.entities[0].text + map.entities[1].text,
            "{\"classname\" \"worldspawn\" \"message\" \"hi\"}{\"classname\" \"info_player_start\" "
            "\"origin\" \"4 5 6\"}");
  EXPECT_EQ(Links(map), "1* 4 | 2 7 | | ");
}

TEST_F(MapModel, BrushEntitiesAreListedByGroupAndMarkTheirFaces) {
  map.AddEntity(Block({{"classname", "func_illusionary"}, {"model", "*2"}}));
  map.AddEntity(Block({{"classname", "func_wall"}, {"model", "sprites/glow.spr"}}));
  // The listed and unlisted brushes, then a '1' for each face marked as a brush entity's.
  const auto brushes = [&] {
    std::string marks;
    for (const Face& face : map.faces) marks += face.in_brush_entity ? '1' : '0';
    return std::tuple{map.listed_brushes, map.unlisted_brushes, marks};
  };
  EXPECT_EQ(brushes(), (std::tuple{Ints{4, 8}, Ints{6}, std::string("000000111111111111")}));
  map.DeleteEntity(4);  // the door: model 1's faces become world faces again
  EXPECT_EQ(brushes(), (std::tuple{Ints{7}, Ints{5}, std::string("000000000000111111")}));
}

TEST_F(MapModel, EditingRulesMoveTurnListAndFind) {
  EXPECT_EQ((std::array{Wrap(370), Wrap(360), Wrap(-730)}), (std::array{10.f, 360.f, 350.f}));
  // The camera's yaw + 90, wrapped: 360 stays.
  EXPECT_EQ((std::array{CameraFacing(270), CameraFacing(-100), CameraFacing(300)}),
            (std::array{360.f, 350.f, 30.f}));
  EXPECT_EQ(ListItem(3, {100.4f, -20, 36.7f}) + FoundItem(6, "info_target"),
            "03 (100,-20,37)006   (info_target)");
  // Contains, starts with, ends with, is; case counts.
  for (const auto& [search, type, found] :
       {std::tuple<std::string, int, Ints>{"_player_", 0, {1, 2, 3, 5}},
        {"Info_", 0, {}},
        {"func_", 1, {4, 6}},
        {"_start", 2, {1, 2, 5}},
        {"light", 3, {7}}}) {
    EXPECT_EQ(FindEntities(map, search, type), found) << search << " " << type;
  }
  EXPECT_EQ(PointClasses(map),
            (std::vector<std::string>{"info_player_start", "info_player_deathmatch", "light"}));
  EXPECT_EQ(PointEntities(map, "info_player_start"), (Ints{1, 2, 5}));
  // Each move or turn is written into the text, and the spawn point follows.
  MoveEntityAlong(map, 1, 2, -5.5f);
  EXPECT_EQ(map.entities[1].text,
            "{\n\"classname\" \"info_player_start\"\n\"origin\" \"10.4 20 -5.5\"\n}");
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->origin, (Floats{10.4f, 20, -5.5f}));
  SetEntityToCamera(map, 2, {50, 0, 0}, 45);  // "angles" and "angle" both take the facing
  EXPECT_EQ(map.entities[2].text,
            "{\"classname\" \"info_player_start\" \"origin\" \"50 0 0\" \"angles\" \"5 135 10\" "
            "\"angle\" \"135\"}");
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->yaw(), 135);
  const std::string unturned = map.entities[3].text;
  TurnEntity(map, 3, 90);  // a turn writes only the keys there are
  EXPECT_EQ(map.entities[3].text, unturned);
}

TEST_F(MapModel, ASavedLumpImportsBack) {
  AddSpawnPointAt(map, 1, {4, 5, 6}, 90);
  const Texts texts = TextsOf(map);
  // As the side file holds it, with its zero byte, and with CR LF line ends.
  const std::string lump = std::regex_replace(map.EntityLump(), std::regex("\n"), "\r\n");
  BSPFile other(RoomBuilder(kWorld).Build(), config);
  other.ImportEntities(lump);
  EXPECT_EQ(TextsOf(other), texts);
}

TEST_F(MapModel, TypingInOneFieldIsOneStepTheSavedMarkFollowsAndTheLast100StepsAreKept) {
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
  edit(1, 20, &y);
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
  // New steps after an undo drop the steps after it, the saved one among them; of 105 new steps
  // the last 100 can be undone.
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
