// The map model: loading, entity texts, the links kept through every change, the editing rules,
// imports, the edit history, saving and the drawings.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <functional>
#include <numeric>
#include <set>

#include "map/edit_history.h"
#include "map/editing.h"
#include "support/bsp_builder.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

using Floats = std::array<float, 3>;
using Ints = std::vector<int32_t>;
using Texts = std::vector<std::string>;

std::string LoadError(const Bytes& file) {
  return ErrorOf([&] { BSPFile(file, TestConfig()); });
}

TEST(MapLoad, DamageFailsWithTheMessageOfTheCheckThatFinds) {
  // The lumps that have a check.
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
  Bytes old = good;  // the version is checked before the vertices, which reach past the end
  SetI32(old, 0, 29);
  SetLumpHeader(old, LUMP_VERTEXES, int32_t(old.size()) - 1, 64);
  EXPECT_EQ(LoadError(old), "BSPHeader::ReadFile (Version Number Is Not 30)");
  for (const Lump lump : checked) {  // starting on the file's last byte
    Bytes file = good;
    SetLumpHeader(file, lump, int32_t(file.size()) - 1, 64);
    EXPECT_EQ(LoadError(file), message(lump)) << kLumpNames[lump];
  }
  // Records ending the file fail, a byte earlier they load; text has none.
  for (const Lump lump : {LUMP_VERTEXES, LUMP_ENTITIES}) {
    std::vector<int> order(LUMP_COUNT);
    std::iota(order.begin(), order.end(), 0);
    std::rotate(order.begin(), order.begin() + lump + 1, order.end());  // `lump` last
    builder.SetOrder(order);
    Bytes file = builder.Build();
    EXPECT_EQ(LoadError(file), "");
    file.pop_back();
    EXPECT_EQ(LoadError(file), lump == LUMP_ENTITIES ? "" : message(lump));
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
      {false, "{\"classname\" \"a\"", "Entity::Read (entity dose not end with '}')"},
      // The third number would start after the closing brace.
      {false, "{\"a \"classname\" \"x\" \"origin\" \"1 2}3 \"", "Entity::Read (invalid ent)"},
      {false, Classed("\"origin\" \"1  2 3\"\n"), cannot("origin")},  // two blanks
      {false, Classed("\"model\" \"*\"\n"), cannot("model number")},
  };
  for (const auto& [lump, text, message] : cases) {
    EXPECT_EQ(lump ? LoadError(RoomBuilder(text).Build()) : ErrorOf([&] { Parse(text); }), message)
        << text;
  }
}

TEST(Entity, KeysAreReadFromTheTextAndWrittenBackOnlyWhereTheyChanged) {
  // Carriage returns go, also inside values; braces inside quotes do not count.
  const std::string braces = Classed("\"message\" \"a } and a { here\"\n");
  const std::string crs = "{\r\n\"classname\" \"a\rb\"\r\n\"origin\" \"1\r2 3 4\"\r\n}\r\n";
  const Config config = TestConfig();
  const BSPFile split(RoomBuilder(crs + braces + kWorld).Build(), config);
  EXPECT_EQ(split.entities[0].text, "{\n\"classname\" \"ab\"\n\"origin\" \"12 3 4\"\n}");
  EXPECT_EQ(split.entities[0].origin, (Floats{12, 3, 4}));
  EXPECT_EQ(split.entities[1].text, braces);
  // Write-back replaces only the values that changed.
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
    Entity written = Parse(before);
    written.origin = {136.3f, -200.25f, -0.0f};  // a fraction as written, never "-0"
    written.angles = {15, 0, 270};
    written.angle = -22.5f;
    written.WriteBack();
    EXPECT_EQ(written.text, after.empty() ? before : after);
  }
}

// The entities behind each type's spawn points, blocked ones marked: "1 2* 5 | 3 | | ". Each is
// of its type's class and, when it backs a spawn point of that type, names that one.
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

// The map: 0 world, 1-2 starts, 3 a deathmatch start, 4 a door (model 1), 5 a start, 6 a
// pendulum (model 2, of no group), 7 a light. Saves go to a folder of the test's own.
class MapModel : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "tarnwick_save_XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir = name;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
  }
  Texts Saved(const std::string& name) const {
    return TextsOf(BSPFile(ReadFileBytes(Path(name)), config));
  }
  fs::path dir;
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
  map.GetSpawnPoint(0, 1)->blocked = 1;
  map.DeleteSpawnPoint(0, 0);  // the later ones move down with their marks
  EXPECT_EQ(Links(map), "1* 4 | 2 | 7 | ");
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
      {[&] { map.DeleteEntity(8); }, "BSPFile::DeleteEntity (index_ out of range)"},
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

// Steps of several edits and their undo and redo are the window tests'.
TEST_F(MapModel, TheHistoryKeepsOnlyChangesAndItsSavedMarkFollowsTheTexts) {
  EditHistory history;
  history.Reset(map);
  const Texts loaded = TextsOf(map);
  history.Record(map);  // nothing changed: no step
  EXPECT_FALSE(history.Undo(map));
  history.MarkSaved();
  const int field = 0;
  MoveEntityAlong(map, 1, 0, 5);
  history.Record(map, &field);
  EXPECT_FALSE(history.IsSaved());
  MoveEntityAlong(map, 1, 0, 10.4f);  // typed back: the step goes again
  history.Record(map, &field);
  EXPECT_TRUE(history.IsSaved() && !history.Undo(map));
  MoveEntityAlong(map, 1, 2, 9);
  history.Record(map);
  EXPECT_TRUE(history.Undo(map) && TextsOf(map) == loaded);
  MoveEntityAlong(map, 1, 1, 7);  // a new step after an undo drops those after it
  history.Record(map);
  EXPECT_FALSE(history.Redo(map));
}

TEST_F(MapModel, OnlyTheEntityLumpChangesTheLumpsBehindItMoveAndTheSideFileTakesTheMapsName) {
  const int lumps[] = {LUMP_PLANES, LUMP_VERTEXES, LUMP_ENTITIES, LUMP_VISIBILITY, LUMP_MODELS};
  // The order of the first lumps in the file (after the 124-byte header, before the other empty
  // lumps and one byte), and the offsets of `lumps` in a save of the map as loaded.
  const std::pair<std::vector<int>, std::array<int32_t, 5>> cases[] = {
      {{LUMP_ENTITIES, LUMP_PLANES, LUMP_VERTEXES}, {142, 162, 124, 174, 174}},
      {{LUMP_PLANES, LUMP_ENTITIES, LUMP_VERTEXES}, {124, 162, 144, 174, 174}},
      {{LUMP_PLANES, LUMP_VERTEXES, LUMP_ENTITIES}, {124, 144, 156, 174, 174}},
      // An empty lump at the entity lump's offset stays there.
      {{LUMP_PLANES, LUMP_VISIBILITY, LUMP_ENTITIES, LUMP_VERTEXES}, {124, 162, 144, 144, 174}},
  };
  for (const auto& [order, offsets] : cases) {
    BspBuilder b;
    b.SetLump(LUMP_PLANES, Bytes(20, 'p'));  // one record
    b.SetLump(LUMP_VERTEXES, Bytes(12, 'v'));
    b.SetEntities("{\"classname\" \"w\"}\n\n\n");  // 17 bytes of text, 3 between blocks
    b.SetOrder(order);
    BSPFile loaded(b.Build(), config);
    // Saved as loaded, the lump is the text and a zero byte; then with one more block of 17.
    for (const int32_t grown : {0, 17}) {
      if (grown) loaded.AddEntity("{\"classname\" \"x\"}");
      loaded.SaveFile(Path("a.bsp"));
      const Bytes file = ReadFileBytes(Path("a.bsp"));
      ASSERT_EQ(file.size(), 175u + grown);
      const std::string lump =
          "{\"classname\" \"w\"}" + std::string(grown ? "{\"classname\" \"x\"}" : "") + '\0';
      const Bytes contents[] = {
          Bytes(20, 'p'), Bytes(12, 'v'), Bytes(lump.begin(), lump.end()), {}, {}};
      for (size_t k = 0; k < std::size(lumps); ++k) {
        const auto [offset, size] = GetLump(file, lumps[k]);
        EXPECT_EQ(offset, offsets[k] + (offsets[k] > offsets[2] ? grown : 0))
            << kLumpNames[lumps[k]];
        EXPECT_EQ(Bytes(file.begin() + offset, file.begin() + offset + size), contents[k]);
      }
      EXPECT_EQ(ReadFileBytes(Path("a.ent")), contents[2]);
      EXPECT_EQ(file.back(), 0);
    }
  }
  EXPECT_EQ(Files(), (std::set<std::string>{"a.bsp", "a.ent"}));
  // The side file's name replaces a three-character extension or adds one.
  const char* names[][2] = {{"a.BSP", "a.ent"},
                            {"maps/room", "maps/room.ent"},
                            {"ab", "ab.ent"},
                            {"room.bspx", "room.bspx.ent"},
                            {"maps.d/x", "maps.d/x.ent"},
                            {"room.ent", "room.ent.ent"}};
  for (const auto& [name, side] : names) EXPECT_EQ(EntFileName(name), side);
}

TEST_F(MapModel, UntouchedEntitiesAreSavedByteForByteThroughSymbolicLinksToTheFileAtTheirEnd) {
  Texts texts = {
      "{\"classname\" \"worldspawn\"}",
      "{\n\"classname\" \"info_player_start\"\n\"origin\" \"136.3 -107.2 -125.1\"\n\"angles\" "
      "\"0 90.50 0\"\n}",
      "{\"classname\" \"light\" \"origin\" \"-0 0.0 -0.5\" \"angle\" \"-0\"}",
      "{\n\t\"classname\"\t\"info_player_deathmatch\"\n\t\"origin\"\t\"1.5 2 3\"\n}",
      "{\r\n\"classname\" \"info_target\"\r\n\"origin\" \"1.25 2 3\"\r\n}"};
  std::string lump;
  for (const std::string& text : texts) lump += text + "\r\n";
  BSPFile kept(RoomBuilder(lump).Build(), config);
  for (std::string& text : texts) std::erase(text, '\r');  // the texts keep no CR
  fs::create_directory(dir / "real");
  WriteFileBytes(Path("real/old.bsp"), {1});
  fs::create_symlink("real/old.bsp", dir / "hop.bsp");    // relative, to a file
  fs::create_symlink(dir / "hop.bsp", dir / "link.bsp");  // to a link
  fs::create_symlink("real/new.bsp", dir / "dangling.bsp");
  fs::create_symlink("loop.bsp", dir / "loop.bsp");
  kept.SaveFile(Path("link.bsp"));
  kept.SaveFile(Path("dangling.bsp"));
  EXPECT_EQ(ErrorOf([&] { kept.SaveFile(Path("loop.bsp")); }), "BSPFile::SaveFile (invalid file)");
  for (const char* link : {"hop.bsp", "link.bsp", "dangling.bsp", "loop.bsp"})
    EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
  EXPECT_EQ(Saved("real/old.bsp"), texts);
  EXPECT_EQ(ReadFileBytes(Path("real/new.bsp")), ReadFileBytes(Path("real/old.bsp")));
  EXPECT_EQ(Files(), (std::set<std::string>{"real", "hop.bsp", "link.bsp", "link.ent",
                                            "dangling.bsp", "dangling.ent", "loop.bsp"}));
}

// A failed save says why and leaves the files as they were, nothing beside them, and the map.
TEST_F(MapModel, AFailedSaveLeavesTheFilesAsTheyWere) {
  map.SaveFile(Path("m.bsp"));  // the user's files: an earlier save with one more entity
  const Bytes old_map = ReadFileBytes(Path("m.bsp")), old_side = ReadFileBytes(Path("m.ent"));
  const rlim_t size = old_map.size() - map.entities[7].text.size();  // of the saves to come
  map.DeleteEntity(7);
  const Texts texts = TextsOf(map);
  const auto save = [&](const std::string& name) {
    return ErrorOf([&] { map.SaveFile(Path(name)); });
  };
  const auto untouched = [&] {
    return ReadFileBytes(Path("m.bsp")) == old_map && ReadFileBytes(Path("m.ent")) == old_side &&
           TextsOf(map) == texts;
  };
  // Cut short by a limit on the file size: nothing, inside the header, half-way, a byte short.
  const auto handler = signal(SIGXFSZ, SIG_IGN);
  rlimit unlimited{};
  getrlimit(RLIMIT_FSIZE, &unlimited);
  for (const rlim_t limit : {rlim_t{0}, rlim_t{100}, size / 2, size - 1}) {
    const rlimit small{limit, unlimited.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = save("m.bsp");
    setrlimit(RLIMIT_FSIZE, &unlimited);
    EXPECT_EQ(error, "BSPFile::SaveFile (write file incompleat)") << limit;
    EXPECT_TRUE(untouched()) << limit;
  }
  signal(SIGXFSZ, handler);
  // A folder of the map's name, a path through a file, no room for a temporary name beside it.
  fs::create_directory(dir / "maps.bsp");
  const std::string long_name(NAME_MAX - 2, 'n');
  WriteFileBytes(Path(long_name), {1, 2, 3});
  for (const std::string& name : {std::string("maps.bsp"), std::string("m.bsp/x.bsp"), long_name})
    EXPECT_EQ(save(name), "BSPFile::SaveFile (invalid file)") << name;
  EXPECT_EQ(ReadFileBytes(Path(long_name)), (Bytes{1, 2, 3}));
  EXPECT_TRUE(untouched());
  EXPECT_EQ(Files(), (std::set<std::string>{"m.bsp", "m.ent", "maps.bsp", long_name}));
  // A folder in the side file's place: the map is saved whole, the side file not.
  fs::remove(dir / "m.ent");
  fs::create_directory(dir / "m.ent");
  EXPECT_EQ(save("m.bsp"), "BSPFile::SaveFile (could not write ent file)");
  EXPECT_EQ(Saved("m.bsp"), texts);
  EXPECT_TRUE(fs::is_empty(dir / "m.ent"));
}

// Records the calls that carry numbers: "Vertex 1 -2 -3; ".
struct Recorder : Drawing {
  void Call(const char* name, std::initializer_list<float> args) {  // the drawings here are whole
    out += name;
    for (const float a : args) out += " " + std::to_string(std::lround(a));
    out += "; ";
  }
  void Begin(Primitive p) override { out += "Begin" + std::to_string(int(p)) + "; "; }
  void End() override { out += "End; "; }
  void Vertex(float x, float y, float z) override { Call("Vertex", {x, y, z}); }
  void Normal(float x, float y, float z) override { Call("Normal", {x, y, z}); }
  void Color(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override {
    Call("Color", {float(r), float(g), float(b), float(a)});
  }
  void PushMatrix() override { out += "Push; "; }
  void PopMatrix() override { out += "Pop; "; }
  void Translate(float x, float y, float z) override { Call("Translate", {x, y, z}); }
  void Rotate(float d, float x, float y, float z) override { Call("Rotate", {d, x, y, z}); }
  void CallList(uint32_t list) override { Call("CallList", {float(list)}); }
  std::string out;
};

template <class Draw>
std::string Drawn(Draw draw) {
  Recorder recorder;
  draw(recorder);
  return recorder.out;
}

TEST(Draw, FacesAtTheirEntitysOriginInTheirGroupsColour) {
  // A square on z = 3 that looks up, then one-triangle models: a door (solid group) moved by its
  // origin, an illusionary brush (non-solid group), and a brush of no group whose face looks down.
  BspBuilder b;
  b.AddFace({{1, 2, 3}, {1, 6, 3}, {5, 6, 3}});
  for (const float x : {0.f, 16.f, 32.f}) {
    b.AddModel();
    x == 32 ? b.AddFace({{x + 8, 8, 8}, {x, 8, 8}, {x, 0, 8}})
            : b.AddFace({{x, 0, 8}, {x, 8, 8}, {x + 8, 8, 8}});
  }
  b.AddModel();
  b.SetEntities(kWorld +
                Block({{"classname", "func_door"}, {"model", "*1"}, {"origin", "10 20 30"}}) +
                Block({{"classname", "func_illusionary"}, {"model", "*2"}}) +
                Block({{"classname", "func_plain"}, {"model", "*3"}}));
  const Config config = TestConfig();
  const BSPFile map(b.Build(), config);
  const std::string white = "Color 255 255 255 255; ";
  const std::string world = "Vertex 1 2 3; Vertex 1 6 3; Vertex 5 6 3; ";
  const std::string door = "Vertex 0 0 8; Vertex 0 8 8; Vertex 8 8 8; ";
  EXPECT_EQ(Drawn([&](Drawing& d) { map.DrawDots(d); }).substr(0, 50), "Begin0; " + world);
  const std::string lines = Drawn([&](Drawing& d) { map.DrawLines(d, true); });
  EXPECT_TRUE(lines.starts_with(white + "Begin1; Vertex 1 2 3; Vertex 1 6 3; Vertex 1 6 3; "));
  // The filled world holds the world and the brush of no group, never a listed one; the normal
  // is the plane's, turned round for a face that looks against it.
  EXPECT_EQ(
      Drawn([&](Drawing& d) { map.DrawPolys(d); }),
      white + "Normal 0 0 1; Begin2; " + world + "End; " + white +
          "Push; Normal 0 0 -1; Begin2; Vertex 40 8 8; Vertex 32 8 8; Vertex 32 0 8; End; Pop; ");
  EXPECT_EQ(Drawn([&](Drawing& d) { map.DrawEntFaces(d, true); }),
            "Color 255 128 0 160; Push; Translate 10 20 30; Begin2; " + door + "End; Pop; ");
}

}  // namespace
}  // namespace tarnwick::test
