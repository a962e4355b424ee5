// The map file: loading and the damage it refuses, with which message and in which order; the
// entity lump and entity texts; spawn points and brush-entity lists, kept linked to the entities
// through every change; saving, and the save failures that save_failure_test does not cover.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

#include "map_test_util.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using Floats = std::array<float, 3>;

// The lumps that have a check, in the order the loader checks them, with their messages.
const std::pair<Lump, std::string> kChecks[] = {
    {LUMP_VERTEXES, "BSPFile::BSPFile (LUMP_VERTEXES size check)"},
    {LUMP_EDGES, "BSPFile::BSPFile (LUMP_EDGES size check)"},
    {LUMP_SURFEDGES, "BSPFile::BSPFile (LUMP_SURFEDGES size check)"},
    {LUMP_FACES, "BSPFile::BSPFile (LUMP_FACES size check)"},
    {LUMP_MARKSURFACES, "BSPFile::BSPFile (LUMP_MARKSURFACES size check)"},
    {LUMP_LEAFS, "BSPFile::BSPFile (LUMP_LEAFS size check)"},
    {LUMP_MODELS, "BSPFile::BSPFile (LUMP_MODELS size check)"},
    {LUMP_LIGHTING, "BSPFile::BSPFile (lightmap lumpsize to big)"},
    {LUMP_TEXINFO, "BSPFile::BSPFile (LUMP_TEXINFO size check)"},
    {LUMP_PLANES, "BSPFile::BSPFile (LUMP_PLANES size check)"},
    {LUMP_ENTITIES, "BSPFile::BSPFile (LUMP_ENTITIES size check)"},
};

// The fixture's map: 0 world, 1-2 starts, 3 a deathmatch start, 4 a door (model 1), 5 a start,
// 6 a pendulum (model 2, of no group), 7 a light. Saves go to a temporary folder.
class MapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
  }

  const fs::path dir = fs::path(::testing::TempDir()) / "tarnwick_map_test";
  Config config = TestConfig();
  const std::string entities =
      kWorld + Spawn("info_player_start", "10.4 20 30") +
      "{\"classname\" \"info_player_start\" \"origin\" \"-50 -60 70\" \"angles\" \"5 30 10\" "
      "\"angle\" \"180\"}" +
      Block({{"classname", "info_player_deathmatch"}, {"origin", "100 0 0"}, {"angle", "45"}}) +
      Block({{"classname", "func_door"}, {"model", "*1"}}) + Spawn("info_player_start", "0 0 8") +
      Block({{"classname", "func_pendulum"}, {"model", "*2"}}) + Spawn("light", "1 1 1");
  BSPFile map{RoomBuilder(entities).Build(), config};
  const Bytes good = FullBuilder(entities).Build();
};

TEST_F(MapTest, DamagedFilesFailWithTheFirstFailingChecksMessage) {
  const std::string header = "BSPFile::BSPFile (file_size_ to small to load header)";
  Bytes empty = BspBuilder().Build();
  ASSERT_EQ(empty.size(), 125u);
  EXPECT_EQ(LoadError(empty, config), "");
  Truncate(empty, 124);
  EXPECT_EQ(LoadError(empty, config), header);
  for (const int32_t version : {29, 31, 0, -1}) {
    Bytes file = good;
    SetVersion(file, version);
    // The version is read before any lump: the vertices start on the file's last byte.
    SetLumpHeader(file, LUMP_VERTEXES, int32_t(file.size()) - 1, 64);
    EXPECT_EQ(LoadError(file, config), "BSPHeader::ReadFile (Version Number Is Not 30)");
  }
  // Every checked lump alone, and each pair, starting on the file's last byte, so that any record
  // reaches past the end: the one checked first reports.
  for (size_t i = 0; i < std::size(kChecks); ++i) {
    for (size_t j = i; j < std::size(kChecks); ++j) {
      Bytes file = good;
      SetLumpHeader(file, kChecks[j].first, int32_t(file.size()) - 1, 64);
      SetLumpHeader(file, kChecks[i].first, int32_t(file.size()) - 1, 64);
      EXPECT_EQ(LoadError(file, config), kChecks[i].second) << kChecks[j].second;
    }
  }
}

TEST_F(MapTest, ALumpEndingExactlyAtTheEndOfTheFileFailsItsCheck) {
  for (const auto& [lump, message] : kChecks) {
    BspBuilder builder = FullBuilder(entities);
    builder.SetOrder(OrderWithLast(lump));
    builder.SetTrailing(0);
    const Bytes exact = builder.Build();
    ASSERT_EQ(GetLump(exact, lump).offset + GetLump(exact, lump).size, int32_t(exact.size()));
    // Text has no record to run past the end.
    EXPECT_EQ(LoadError(exact, config), lump == LUMP_ENTITIES ? "" : message);
    builder.SetTrailing(1);  // one byte more
    EXPECT_EQ(LoadError(builder.Build(), config), "") << message;
  }
}

TEST_F(MapTest, ADamagedTextureLumpLeavesNoTexturesAndTheMapLoads) {
  ASSERT_EQ(BSPFile(good, config).textures.size(), 2u);
  const LumpPlace textures = GetLump(good, LUMP_TEXTURES);
  const std::pair<int32_t, int32_t> damages[] = {
      {0, 0x7fffffff},         // a count far beyond the lump
      {0, -1},                 // a negative count
      {8, textures.size - 8},  // a header cut by the lump's end
  };
  for (const auto& [at, value] : damages) {
    Bytes file = good;
    SetI32(file, textures.offset + at, value);
    EXPECT_TRUE(BSPFile(file, config).textures.empty()) << at << " " << value;
  }
}

TEST_F(MapTest, TruncatingAtAnyLengthLoadsOrRaises) {
  for (const Lump last : {LUMP_ENTITIES, LUMP_LIGHTING, LUMP_MODELS}) {
    BspBuilder builder = FullBuilder(entities);
    builder.SetOrder(OrderWithLast(last));
    const Bytes file = builder.Build();
    for (size_t n = 0; n < file.size(); ++n) {
      LoadError(Bytes(file.begin(), file.begin() + n), config);  // no crash
    }
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

TEST_F(MapTest, EntityMessages) {
  const std::string counting = "BSPFile::BSPFile (error counting entitys)";
  const std::string no_class = "Entity::Read (entity dose not contain a class_name)";
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
      {true, kWorld + "{\"origin\" \"1 2 3\"}", no_class},
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
    EXPECT_EQ(lump ? LoadError(RoomBuilder(text).Build(), config) : ErrorOf([&] { Parse(text); }),
              message)
        << text;
  }
}

TEST_F(MapTest, TheEntityLumpIsSplitIntoBlocksWithoutCarriageReturns) {
  // Braces inside quotes do not count. Values are read from the text as kept, so that the saved
  // text loads as the same entity.
  const std::string braces = Classed("\"message\" \"a } and a { here\"\n");
  const std::string cr = "{\r\n\"classname\" \"a\rb\"\r\n\"origin\" \"1\r2 3 4\"\r\n}\r\n\r\n";
  const BSPFile split(RoomBuilder(cr + braces + kWorld).Build(), config);
  EXPECT_EQ(split.entities[0].text, "{\n\"classname\" \"ab\"\n\"origin\" \"12 3 4\"\n}");
  EXPECT_EQ(split.entities[0].origin, (Floats{12, 3, 4}));
  EXPECT_EQ(split.entities[1].text, braces);
}

TEST(EntityTest, KeysAndValues) {
  const Entity e = Parse(Classed("\"origin\" \"10 -20 30.5\"\n\"angle\" \"-90\"\n"));
  EXPECT_TRUE(e.has_origin && e.has_angle && !e.has_angles);
  EXPECT_EQ(e.origin, (Floats{10, -20, 30.5}));
  const Entity turned = Parse(Classed("\"angles\" \"0 90 5\"\n"));
  EXPECT_TRUE(turned.has_angles && !turned.has_angle);  // "angle" and its quote are not there
  EXPECT_EQ(turned.angles, (Floats{0, 5, 90}));
  // A long value is as good as a short one.
  EXPECT_EQ(Parse("{\"classname\" \"" + std::string(1000, 'c') + "\"}").class_name,
            std::string(1000, 'c'));

  const Entity brush = Parse(Classed("\"model\" \"*12\"\n"));
  EXPECT_TRUE(brush.has_model && brush.model == 12);
  EXPECT_FALSE(Parse(Classed("\"model\" \"sprites/glow.spr\"\n")).has_model);

  // Wad lists: names end with ";", and a value of two characters or less is no list.
  const auto wads = [](const std::string& value) {
    const Entity w = Parse(Classed("\"wad\" \"" + value + "\"\n"));
    return std::pair{w.has_wad, w.wads};
  };
  using Wads = std::pair<bool, std::vector<std::string>>;
  EXPECT_EQ(wads("\\a\\one.wad;two.wad;"), (Wads{true, {"\\a\\one.wad", "two.wad"}}));
  EXPECT_EQ(wads("one.wad;two.wad"), (Wads{true, {"one.wad"}}));
  EXPECT_EQ(wads("one.wad"), (Wads{true, {}}));
  EXPECT_EQ(wads("a;"), (Wads{false, {}}));
}

TEST(EntityTest, WriteBackReplacesOnlyTheValuesThatChanged) {
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
    e.origin = {136.3f, -200.25f, -0.0f};
    e.angles = {15, 0, 270};
    e.angle = -22.5f;
    e.WriteBack();
    EXPECT_EQ(e.text, after.empty() ? before : after);
  }
}

// Spawn points and brush-entity lists.

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

// A '1' for each face marked as a brush entity's, a '0' for each other face.
std::string Marks(const BSPFile& map) {
  std::string marks;
  for (const Face& face : map.faces) marks += face.in_brush_entity ? '1' : '0';
  return marks;
}

TEST_F(MapTest, SpawnPointsAreListedByTypeAddedAndDeleted) {
  EXPECT_EQ(Links(map), "1 2 5 | 3 | | ");
  EXPECT_EQ(map.GetSpawnPoint(0, 1)->angles, (Floats{5, 10, 180}));  // "angle" wins

  SpawnPoint where;
  where.origin = {10, -20, 30.4f};
  where.angles = {0, 0, 90};
  map.AddSpawnPoint(2, where);
  EXPECT_EQ(map.entities[8].text,
            "{\n\"origin\" \"10 -20 30.4\"\n\"angles\" \"0 90 0\"\n\"classname\" "
            "\"info_player_coop\"\n}");
  EXPECT_EQ(Links(map), "1 2 5 | 3 | 8 | ");
  map.GetSpawnPoint(0, 1)->blocked = 1;
  map.DeleteSpawnPoint(0, 0);  // the later ones move down with their marks
  EXPECT_EQ(Links(map), "1* 4 | 2 | 7 | ");
  const std::vector<std::string> before = TextsOf(map);

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

TEST_F(MapTest, EntityChangesRebuildTheLinksOrChangeNothing) {
  map.GetSpawnPoint(0, 1)->blocked = 1;
  const std::vector<std::string> before = TextsOf(map);
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
  };
  for (const auto& [change, message] : failures) {
    EXPECT_EQ(ErrorOf(change), message);
    EXPECT_EQ(TextsOf(map), before);
    EXPECT_EQ(Links(map), "1 2* 5 | 3 | | ");
  }
  map.AddEntity("{\"classname\" \"info_player_deathmatch\" \"origin\" \"5 6 7\"}");
  EXPECT_EQ(Links(map), "1 2* 5 | 3 8 | | ");
  map.DeleteEntity(1);  // a start before every other spawn point's entity; marks follow theirs
  EXPECT_EQ(Links(map), "1* 4 | 2 7 | | ");
  map.ReplaceEntity(0, "{\"classname\" \"worldspawn\" \"message\" \"hi\"}");  // in place
  map.ReplaceEntity(1, "{\"classname\" \"info_player_start\" \"origin\" \"4 5 6\"}");
  EXPECT_EQ(map.entities[0].text, "{\"classname\" \"worldspawn\" \"message\" \"hi\"}");
  EXPECT_EQ(map.entities[1].text, "{\"classname\" \"info_player_start\" \"origin\" \"4 5 6\"}");
  EXPECT_EQ(map.listed_brushes, std::vector<int32_t>{3});
  EXPECT_EQ(Links(map), "1* 4 | 2 7 | | ");
}

TEST_F(MapTest, NoFixedLimitOnTypesOrSpawnPoints) {
  std::string starts = kWorld;
  for (int i = 0; i < 250; ++i) starts += Spawn("info_player_start", std::to_string(i) + " 0 0");
  for (int t = 3; t < 60; ++t) config.spawn_point_entity.push_back("type_" + std::to_string(t));
  BSPFile many(RoomBuilder(starts + Spawn("type_59", "4 5 6")).Build(), config);
  many.AddSpawnPoint(59, SpawnPoint{});
  EXPECT_EQ(many.GetSpawnPointCount(0), 250);
  EXPECT_TRUE(Links(many).ends_with("| 251 252 | "));
}

TEST_F(MapTest, BrushEntitiesAreListedByGroupAndMarkTheirFaces) {
  map.AddEntity(Block({{"classname", "func_illusionary"}, {"model", "*2"}}));
  map.AddEntity(Block({{"classname", "func_wall"}, {"model", "sprites/glow.spr"}}));
  EXPECT_EQ(map.listed_brushes, (std::vector<int32_t>{4, 8}));
  EXPECT_EQ(map.unlisted_brushes, (std::vector<int32_t>{6}));
  EXPECT_EQ(Marks(map), "000000111111111111");
  map.DeleteEntity(4);  // the door: model 1's faces become world faces again
  EXPECT_EQ(map.listed_brushes, (std::vector<int32_t>{7}));
  EXPECT_EQ(map.unlisted_brushes, (std::vector<int32_t>{5}));
  EXPECT_EQ(Marks(map), "000000000000111111");

  // Models the map lacks count as none; models reaching past the faces mark those there are.
  BspBuilder builder = RoomBuilder(kWorld + Block({{"classname", "func_door"}, {"model", "*7"}}) +
                                   Block({{"classname", "func_pendulum"}, {"model", "*-1"}}) +
                                   Block({{"classname", "func_wall"}, {"model", "*3"}}) +
                                   Block({{"classname", "func_wall"}, {"model", "*4"}}));
  builder.AddModel(15, 10);  // model 3 runs past the last face
  builder.AddModel(-3, 5);   // model 4 starts before the first
  BSPFile odd(builder.Build(), config);
  EXPECT_EQ(odd.ModelOf(odd.entities[1]), -1);
  EXPECT_EQ(odd.listed_brushes, (std::vector<int32_t>{3, 4}));
  EXPECT_EQ(Marks(odd), "110000000000000111");
}

// Saving.

// The entity lump a save writes: the texts end to end and one zero byte.
Bytes Lump(const BSPFile& map) {
  Bytes lump;
  for (const Entity& e : map.entities) lump.insert(lump.end(), e.text.begin(), e.text.end());
  lump.push_back(0);
  return lump;
}

// `old` with the entity lump replaced by `lump`: later lumps shifted by the change in size, every
// other lump copied, every byte outside the header and the lumps zero.
Bytes Saved(const Bytes& old, const Bytes& lump) {
  const LumpPlace e = GetLump(old, LUMP_ENTITIES);
  const auto shift = static_cast<int32_t>(lump.size()) - e.size;
  Bytes file(old.size() + shift, 0);
  SetI32(file, 0, 30);
  SetLumpHeader(file, LUMP_ENTITIES, e.offset, static_cast<int32_t>(lump.size()));
  std::copy(lump.begin(), lump.end(), file.begin() + e.offset);
  for (int k = 1; k < LUMP_COUNT; ++k) {
    const LumpPlace l = GetLump(old, k);
    const int32_t at = l.offset > e.offset ? l.offset + shift : l.offset;
    SetLumpHeader(file, k, at, l.size);
    std::copy_n(old.begin() + l.offset, l.size, file.begin() + at);
  }
  return file;
}

TEST_F(MapTest, OnlyTheEntityLumpChangesAndLaterLumpsMoveByItsChange) {
  // The entity lump first, in the middle, last; an empty lump at its offset stays where it is.
  const std::pair<bool, std::vector<int>> cases[] = {
      {true, {LUMP_ENTITIES}},
      {true, {LUMP_PLANES, LUMP_VERTEXES, LUMP_ENTITIES}},
      {true, OrderWithLast(LUMP_ENTITIES)},
      {false, {LUMP_PLANES, LUMP_VISIBILITY, LUMP_ENTITIES}}};
  for (const auto& [full, order] : cases) {
    BspBuilder builder = full ? FullBuilder(entities) : RoomBuilder(entities);
    builder.SetOrder(order);
    builder.SetPadding(full ? 3 : 0);
    builder.SetTrailing(5);
    Bytes file = builder.Build();
    std::fill(file.end() - 5, file.end(), 0xAA);  // bytes in no lump, which a save leaves zero
    BSPFile saved(file, config);
    saved.SaveFile(Path("a.bsp"));  // the lump shrinks: the line feeds between blocks go
    EXPECT_EQ(ReadFileBytes(Path("a.bsp")), Saved(file, Lump(saved)));
    EXPECT_EQ(TextsOf(BSPFile(ReadFileBytes(Path("a.bsp")), config)), TextsOf(saved));
    saved.AddSpawnPoint(0, SpawnPoint{});
    saved.SaveFile(Path("a.bsp"));  // and grows by the new block
    EXPECT_EQ(ReadFileBytes(Path("a.bsp")), Saved(file, Lump(saved)));
    EXPECT_EQ(ReadFileBytes(Path("a.ent")), Lump(saved));
    saved.SaveFile(Path("b.bsp"));
    EXPECT_EQ(ReadFileBytes(Path("b.bsp")), ReadFileBytes(Path("a.bsp")));
  }
  EXPECT_EQ(Files(), (std::set<std::string>{"a.bsp", "a.ent", "b.bsp", "b.ent"}));
}

TEST_F(MapTest, UntouchedEntitiesAreSavedByteForByte) {
  std::vector<std::string> texts = {
      "{\"classname\" \"worldspawn\"}",
      "{\n\"classname\" \"info_player_start\"\n\"origin\" \"136.3 -107.2 -125.1\"\n\"angles\" "
      "\"0 90.50 0\"\n}",
      "{\"classname\" \"light\" \"origin\" \"-0 0.0 -0.5\" \"angle\" \"-0\"}",
      "{\n\t\"classname\"\t\"info_player_deathmatch\"\n\t\"origin\"\t\"1.5 2 3\"\n}",
      "{\r\n\"classname\" \"info_target\"\r\n\"origin\" \"1.25 2 3\"\r\n}"};
  std::string lump;
  for (const std::string& text : texts) lump += text + "\r\n";
  BSPFile(RoomBuilder(lump).Build(), config).SaveFile(Path("a.bsp"));
  for (std::string& text : texts) std::erase(text, '\r');  // the texts keep no CR
  EXPECT_EQ(TextsOf(BSPFile(ReadFileBytes(Path("a.bsp")), config)), texts);
}

TEST_F(MapTest, SavingThroughSymbolicLinksReplacesTheFileAtTheirEnd) {
  fs::create_directory(dir / "real");
  WriteFileBytes(Path("real/old.bsp"), {1});
  fs::create_symlink("real/old.bsp", dir / "hop.bsp");    // relative, to a file
  fs::create_symlink(dir / "hop.bsp", dir / "link.bsp");  // to a link
  fs::create_symlink("real/new.bsp", dir / "dangling.bsp");
  fs::create_symlink("loop.bsp", dir / "loop.bsp");
  map.SaveFile(Path("link.bsp"));
  map.SaveFile(Path("dangling.bsp"));
  EXPECT_EQ(ErrorOf([&] { map.SaveFile(Path("loop.bsp")); }), "BSPFile::SaveFile (invalid file)");
  for (const char* link : {"hop.bsp", "link.bsp", "dangling.bsp", "loop.bsp"}) {
    EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
  }
  EXPECT_EQ(TextsOf(BSPFile(ReadFileBytes(Path("real/old.bsp")), config)), TextsOf(map));
  EXPECT_EQ(ReadFileBytes(Path("real/new.bsp")), ReadFileBytes(Path("real/old.bsp")));
  EXPECT_EQ(Files(), (std::set<std::string>{"real", "hop.bsp", "link.bsp", "link.ent",
                                            "dangling.bsp", "dangling.ent", "loop.bsp"}));
}

TEST_F(MapTest, SideFileNamesAndFailures) {
  // A three-character extension is replaced, other names get one; never the map itself.
  const char* const names[] = {"maps/de_room.bsp", "maps/de_room.ent", "a.BSP",    "a.ent",
                               "maps/room",        "maps/room.ent",    "ab",       "ab.ent",
                               "room.bspx",        "room.bspx.ent",    "maps.d/x", "maps.d/x.ent",
                               "room.ent",         "room.ent.ent"};
  for (size_t i = 0; i < std::size(names); i += 2) EXPECT_EQ(EntFileName(names[i]), names[i + 1]);

  fs::create_directory(dir / "folder");
  for (const std::string& name : {Path("folder"), Path("missing/m.bsp"), std::string()}) {
    EXPECT_EQ(ErrorOf([&] { map.SaveFile(name); }), "BSPFile::SaveFile (invalid file)") << name;
  }
  EXPECT_EQ(map.entities[1].text + "\n", Spawn("info_player_start", "10.4 20 30"));  // as loaded
  EXPECT_EQ(Files(), std::set<std::string>{"folder"});
  EXPECT_TRUE(fs::is_empty(dir / "folder"));

  fs::create_directory(dir / "m.ent");
  EXPECT_EQ(ErrorOf([&] { map.SaveFile(Path("m.bsp")); }),
            "BSPFile::SaveFile (could not write ent file)");
  EXPECT_EQ(TextsOf(BSPFile(ReadFileBytes(Path("m.bsp")), config)), TextsOf(map));  // map complete
  EXPECT_TRUE(fs::is_empty(dir / "m.ent"));
}

}  // namespace
}  // namespace tarnwick::test
