// Saving: the layout of the saved file, entity texts kept byte for byte, symbolic links, the side
// file, and saves that fail part-way or cannot start.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <set>

#include "support/bsp_builder.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class Save : public ::testing::Test {
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
};

TEST_F(Save, OnlyTheEntityLumpChangesAndTheLumpsBehindItMoveByItsChange) {
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
    BSPFile map(b.Build(), config);
    // Saved as loaded, the lump is the text and one zero byte: 2 bytes shorter. With one more
    // block of 17 bytes it is 15 bytes longer.
    for (const int32_t grown : {0, 17}) {
      if (grown) map.AddEntity("{\"classname\" \"x\"}");
      map.SaveFile(Path("a.bsp"));
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
}

TEST_F(Save, UntouchedEntitiesAreSavedByteForByteThroughSymbolicLinksToTheFileAtTheirEnd) {
  Texts texts = {
      "{\"classname\" \"worldspawn\"}",
      "{\n\"classname\" \"info_player_start\"\n\"origin\" \"136.3 -107.2 -125.1\"\n\"angles\" "
      "\"0 90.50 0\"\n}",
      "{\"classname\" \"light\" \"origin\" \"-0 0.0 -0.5\" \"angle\" \"-0\"}",
      "{\n\t\"classname\"\t\"info_player_deathmatch\"\n\t\"origin\"\t\"1.5 2 3\"\n}",
      "{\r\n\"classname\" \"info_target\"\r\n\"origin\" \"1.25 2 3\"\r\n}"};
  std::string lump;
  for (const std::string& text : texts) lump += text + "\r\n";
  BSPFile map(RoomBuilder(lump).Build(), config);
  for (std::string& text : texts) std::erase(text, '\r');  // the texts keep no CR
  fs::create_directory(dir / "real");
  WriteFileBytes(Path("real/old.bsp"), {1});
  fs::create_symlink("real/old.bsp", dir / "hop.bsp");    // relative, to a file
  fs::create_symlink(dir / "hop.bsp", dir / "link.bsp");  // to a link
  fs::create_symlink("real/new.bsp", dir / "dangling.bsp");
  fs::create_symlink("loop.bsp", dir / "loop.bsp");
  map.SaveFile(Path("link.bsp"));
  map.SaveFile(Path("dangling.bsp"));
  EXPECT_EQ(ErrorOf([&] { map.SaveFile(Path("loop.bsp")); }), "BSPFile::SaveFile (invalid file)");
  for (const char* link : {"hop.bsp", "link.bsp", "dangling.bsp", "loop.bsp"})
    EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
  EXPECT_EQ(Saved("real/old.bsp"), texts);
  EXPECT_EQ(ReadFileBytes(Path("real/new.bsp")), ReadFileBytes(Path("real/old.bsp")));
  EXPECT_EQ(Files(), (std::set<std::string>{"real", "hop.bsp", "link.bsp", "link.ent",
                                            "dangling.bsp", "dangling.ent", "loop.bsp"}));
}

TEST(SideFile, ItsNameReplacesAThreeCharacterExtensionOrAddsOne) {
  const char* cases[][2] = {{"maps/de_room.bsp", "maps/de_room.ent"},
                            {"a.BSP", "a.ent"},
                            {"maps/room", "maps/room.ent"},
                            {"ab", "ab.ent"},
                            {"room.bspx", "room.bspx.ent"},
                            {"maps.d/x", "maps.d/x.ent"},
                            {"room.ent", "room.ent.ent"}};
  for (const auto& [map, side] : cases) EXPECT_EQ(EntFileName(map), side);
}

// A save that fails leaves the user's files as they were and nothing beside them, says why, and
// keeps the map, which saves once the obstacle is gone.
TEST_F(Save, AFailedSaveLeavesTheFilesAsTheyWere) {
  BSPFile map(RoomBuilder(kWorld + Spawn("info_player_start", "1.6 0 0")).Build(), config);
  map.AddEntity(Spawn("info_player_deathmatch", "8 8 8"));
  map.SaveFile(Path("m.bsp"));  // the user's files: an earlier save with one more entity
  const Bytes old_map = ReadFileBytes(Path("m.bsp")), old_side = ReadFileBytes(Path("m.ent"));
  const rlim_t size = old_map.size() - map.entities[2].text.size();  // of the saves to come
  map.DeleteEntity(2);
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
  // A folder of the map's name, a path through a file, a name that leaves no room for the
  // temporary name beside it.
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

}  // namespace
}  // namespace tarnwick::test
