// Saving: the layout of the saved file, entity texts kept byte for byte, symbolic links, the side
// file, and saves that fail part-way or cannot start.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>

#include "map_test_util.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

class Save : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = (fs::temp_directory_path() / "tarnwick_save_XXXXXX").string();
    ASSERT_NE(mkdtemp(name.data()), nullptr);
    dir = name;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(dir, fs::perms::owner_all, ignored);
    fs::remove_all(dir, ignored);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
  }
  std::string Reloaded(const std::string& name) const {
    return ErrorOf([&] { saved_texts = TextsOf(BSPFile(ReadFileBytes(Path(name)), config)); });
  }

  fs::path dir;
  Config config = TestConfig();
  mutable std::vector<std::string> saved_texts;
};

// Three lumps of known size after the 124-byte header, in `order`: planes (one 20-byte record),
// vertexes (one 12-byte record) and the entities; the empty lumps follow them, then one byte.
Bytes Small(const std::vector<int>& order) {
  BspBuilder b;
  b.SetLump(LUMP_PLANES, Bytes(20, 'p'));
  b.SetLump(LUMP_VERTEXES, Bytes(12, 'v'));
  b.SetEntities("{\"classname\" \"w\"}\n\n\n");  // 17 bytes of text, 3 between blocks
  b.SetOrder(order);
  return b.Build();
}

TEST_F(Save, OnlyTheEntityLumpChangesAndTheLumpsBehindItMoveByItsChange) {
  struct Case {
    std::vector<int> order;
    // Offsets after the save of planes, vertexes, entities, visibility (empty, where it was put)
    // and the other empty lumps.
    int32_t planes, vertexes, entities, visibility, others;
  };
  const Case cases[] = {
      {{LUMP_ENTITIES, LUMP_PLANES, LUMP_VERTEXES}, 142, 162, 124, 174, 174},
      {{LUMP_PLANES, LUMP_ENTITIES, LUMP_VERTEXES}, 124, 162, 144, 174, 174},
      {{LUMP_PLANES, LUMP_VERTEXES, LUMP_ENTITIES}, 124, 144, 156, 174, 174},
      // An empty lump at the entity lump's offset stays there.
      {{LUMP_PLANES, LUMP_VISIBILITY, LUMP_ENTITIES, LUMP_VERTEXES}, 124, 162, 144, 144, 174},
  };
  for (const Case& c : cases) {
    BSPFile map(Small(c.order), config);
    // Saved as loaded, the lump is the text and one zero byte: 2 bytes shorter. With one more
    // block of 17 bytes it is 15 bytes longer.
    for (const int32_t grown : {0, 17}) {
      if (grown) map.AddEntity("{\"classname\" \"x\"}");
      map.SaveFile(Path("a.bsp"));
      const Bytes file = ReadFileBytes(Path("a.bsp"));
      const auto after = [&](int32_t offset) {
        return offset > c.entities ? offset + grown : offset;
      };
      ASSERT_EQ(file.size(), 175u + grown);
      EXPECT_EQ(GetLump(file, LUMP_PLANES).offset, after(c.planes));
      EXPECT_EQ(GetLump(file, LUMP_VERTEXES).offset, after(c.vertexes));
      EXPECT_EQ(GetLump(file, LUMP_ENTITIES).offset, c.entities);
      EXPECT_EQ(GetLump(file, LUMP_ENTITIES).size, 18 + grown);
      EXPECT_EQ(GetLump(file, LUMP_VISIBILITY).offset, after(c.visibility));
      EXPECT_EQ(GetLump(file, LUMP_MODELS).offset, after(c.others));
      EXPECT_EQ(Bytes(file.begin() + after(c.planes), file.begin() + after(c.planes) + 20),
                Bytes(20, 'p'));
      EXPECT_EQ(Bytes(file.begin() + after(c.vertexes), file.begin() + after(c.vertexes) + 12),
                Bytes(12, 'v'));
      const std::string lump =
          grown ? "{\"classname\" \"w\"}{\"classname\" \"x\"}" : "{\"classname\" \"w\"}";
      EXPECT_EQ(std::string(file.begin() + c.entities, file.begin() + c.entities + 18 + grown),
                lump + '\0');
      EXPECT_EQ(ReadFileBytes(Path("a.ent")), Bytes(lump.begin(), lump.end() + 1));
      EXPECT_EQ(file.back(), 0);
    }
  }
  EXPECT_EQ(Files(), (std::set<std::string>{"a.bsp", "a.ent"}));
}

TEST_F(Save, UntouchedEntitiesAreSavedByteForByte) {
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
  ASSERT_EQ(Reloaded("a.bsp"), "");
  EXPECT_EQ(saved_texts, texts);
}

TEST_F(Save, ThroughSymbolicLinksTheFileAtTheirEndIsReplaced) {
  BSPFile map(RoomBuilder(kWorld).Build(), config);
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
  ASSERT_EQ(Reloaded("real/old.bsp"), "");
  EXPECT_EQ(saved_texts, TextsOf(map));
  EXPECT_EQ(ReadFileBytes(Path("real/new.bsp")), ReadFileBytes(Path("real/old.bsp")));
  EXPECT_EQ(Files(), (std::set<std::string>{"real", "hop.bsp", "link.bsp", "link.ent",
                                            "dangling.bsp", "dangling.ent", "loop.bsp"}));
}

TEST(SideFile, ItsNameReplacesAThreeCharacterExtensionOrAddsOne) {
  for (const auto& [map, side] : {std::pair{"maps/de_room.bsp", "maps/de_room.ent"},
                                  {"a.BSP", "a.ent"},
                                  {"maps/room", "maps/room.ent"},
                                  {"ab", "ab.ent"},
                                  {"room.bspx", "room.bspx.ent"},
                                  {"maps.d/x", "maps.d/x.ent"},
                                  {"room.ent", "room.ent.ent"}}) {
    EXPECT_EQ(EntFileName(map), side);
  }
}

// A save that fails leaves the user's files as they were and nothing beside them, says why, and
// keeps the map, which saves once the obstacle is gone.
TEST_F(Save, AFailedSaveLeavesTheFilesAsTheyWere) {
  BSPFile map(RoomBuilder(kWorld + Spawn("info_player_start", "1.6 0 0")).Build(), config);
  map.AddEntity(Spawn("info_player_deathmatch", "8 8 8"));
  map.SaveFile(Path("m.bsp"));  // the user's files: an earlier save with one more entity
  map.DeleteEntity(2);
  const Bytes old_map = ReadFileBytes(Path("m.bsp")), old_side = ReadFileBytes(Path("m.ent"));
  const std::vector<std::string> texts = TextsOf(map);
  const auto save = [&](const std::string& name) {
    return ErrorOf([&] { map.SaveFile(Path(name)); });
  };
  const auto untouched = [&] {
    return ReadFileBytes(Path("m.bsp")) == old_map && ReadFileBytes(Path("m.ent")) == old_side &&
           TextsOf(map) == texts;
  };
  const std::string invalid = "BSPFile::SaveFile (invalid file)";
  // Cut short by a limit on the file size: nothing, inside the header, half-way, a byte short.
  map.SaveFile(Path("size.bsp"));
  const rlim_t size = fs::file_size(dir / "size.bsp");
  fs::remove(dir / "size.bsp");
  fs::remove(dir / "size.ent");
  for (const rlim_t limit : {rlim_t{0}, rlim_t{100}, size / 2, size - 1}) {
    const auto handler = signal(SIGXFSZ, SIG_IGN);
    rlimit saved{}, small{};
    getrlimit(RLIMIT_FSIZE, &saved);
    small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = save("m.bsp");
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(error, "BSPFile::SaveFile (write file incompleat)") << limit;
    EXPECT_TRUE(untouched()) << limit;
  }
  // A folder of the map's name, a path through a file, a name that leaves no room for the
  // temporary name beside it.
  fs::create_directory(dir / "maps.bsp");
  const std::string long_name(NAME_MAX - 2, 'n');
  WriteFileBytes(Path(long_name), {1, 2, 3});
  for (const std::string& name : {std::string("maps.bsp"), std::string("m.bsp/x.bsp"), long_name}) {
    EXPECT_EQ(save(name), invalid) << name;
  }
  EXPECT_EQ(ReadFileBytes(Path(long_name)), (Bytes{1, 2, 3}));
  EXPECT_TRUE(untouched());
  EXPECT_EQ(Files(), (std::set<std::string>{"m.bsp", "m.ent", "maps.bsp", long_name}));
  // A folder in the side file's place: the map is saved whole, the side file not.
  fs::remove(dir / "m.ent");
  fs::create_directory(dir / "m.ent");
  EXPECT_EQ(save("m.bsp"), "BSPFile::SaveFile (could not write ent file)");
  EXPECT_EQ(Reloaded("m.bsp"), "");
  EXPECT_EQ(saved_texts, texts);
  EXPECT_TRUE(fs::is_empty(dir / "m.ent"));
}

}  // namespace
}  // namespace tarnwick::test
