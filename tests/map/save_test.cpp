// Saving: the layout of the written map and side file, and failures that leave no damage behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <set>

#include "map/bsp_file.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

std::string Lump(const BSPFile& map) {
  std::string lump;
  for (const Entity& e : map.entities) lump += e.text;
  return lump + '\0';
}

std::vector<std::string> Texts(const BSPFile& map) {
  std::vector<std::string> texts;
  for (const Entity& e : map.entities) texts.push_back(e.text);
  return texts;
}

// Fills the bytes of `file` that lie in no lump (after the header) with 0xAA, so that a saved
// file shows whether it copied them.
void FillGaps(std::vector<uint8_t>& file) {
  std::vector<bool> used(file.size(), false);
  for (int k = 0; k < LUMP_COUNT; ++k) {
    const LumpPlace l = GetLump(file, k);
    for (int32_t i = 0; i < l.size; ++i) used[l.offset + i] = true;
  }
  for (size_t i = kHeaderSize; i < file.size(); ++i) {
    if (!used[i]) file[i] = 0xAA;
  }
}

// `saved` is `old` with the entity lump replaced by the map's texts: later lumps shifted by the
// change in size, every other lump copied, every byte outside the header and the lumps zero.
void ExpectSavedLayout(const BSPFile& map, const std::vector<uint8_t>& old,
                       const std::vector<uint8_t>& saved) {
  const std::string lump = Lump(map);
  const auto size = static_cast<int32_t>(lump.size());
  const LumpPlace old0 = GetLump(old, LUMP_ENTITIES);
  const int32_t shift = size - old0.size;
  ASSERT_EQ(saved.size(), old.size() + shift);
  EXPECT_EQ(GetI32(saved, 0), 30);
  EXPECT_EQ(GetLump(saved, LUMP_ENTITIES).offset, old0.offset);
  EXPECT_EQ(GetLump(saved, LUMP_ENTITIES).size, size);
  EXPECT_EQ(std::string(saved.begin() + old0.offset, saved.begin() + old0.offset + size), lump);

  std::vector<bool> used(saved.size(), false);
  for (int32_t i = 0; i < size; ++i) used[old0.offset + i] = true;
  for (int k = 1; k < LUMP_COUNT; ++k) {
    const LumpPlace before = GetLump(old, k), after = GetLump(saved, k);
    EXPECT_EQ(after.offset, before.offset > old0.offset ? before.offset + shift : before.offset)
        << "lump " << k;
    ASSERT_EQ(after.size, before.size) << "lump " << k;
    EXPECT_TRUE(std::equal(old.begin() + before.offset, old.begin() + before.offset + before.size,
                           saved.begin() + after.offset))
        << "lump " << k;
    for (int32_t i = 0; i < after.size; ++i) used[after.offset + i] = true;
  }
  for (size_t i = kHeaderSize; i < saved.size(); ++i) {
    if (!used[i]) {
      ASSERT_EQ(saved[i], 0) << "byte " << i;
    }
  }
}

class SaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string dir_template = (fs::temp_directory_path() / "tarnwick_save_XXXXXX").string();
    ASSERT_NE(mkdtemp(dir_template.data()), nullptr);
    dir = dir_template;
  }
  void TearDown() override {
    fs::permissions(dir, fs::perms::owner_all);
    fs::remove_all(dir);
  }

  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::set<std::string> Files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
  }

  fs::path dir;
  Config config = TestConfig();
  const std::string entities =
      kWorld + Block({{"classname", "info_player_start"}, {"origin", "1.6 0 0"}}) +
      Block({{"classname", "func_door"}, {"model", "*1"}}) + std::string(1, '\0');
};

TEST_F(SaveTest, OnlyTheEntityLumpChangesAndLaterLumpsMoveByItsChange) {
  struct Case {
    bool full;  // every lump filled, or some of them empty
    std::vector<int> order;
    int32_t padding;
  };
  const Case cases[] = {
      {true, {LUMP_ENTITIES}, 3},
      {true, {LUMP_PLANES, LUMP_VERTEXES, LUMP_ENTITIES}, 3},
      {true, OrderWithLast(LUMP_ENTITIES), 3},
      // An empty lump at the entity lump's offset stays where it is.
      {false, {LUMP_PLANES, LUMP_VISIBILITY, LUMP_ENTITIES}, 0},
  };
  for (const Case& c : cases) {
    BspBuilder builder = c.full ? FullBuilder(entities) : RoomBuilder(entities);
    builder.SetOrder(c.order);
    builder.SetPadding(c.padding);
    builder.SetTrailing(5);
    std::vector<uint8_t> file = builder.Build();
    FillGaps(file);
    BSPFile map(file, config);

    map.SaveFile(Path("a.bsp"));  // the lump shrinks: the line feeds between blocks go
    ExpectSavedLayout(map, file, ReadFileBytes(Path("a.bsp")));
    SpawnPoint where;
    where.origin = {100, 200, 300};
    map.AddSpawnPoint(0, where);
    map.SaveFile(Path("a.bsp"));  // and grows by the new block
    ExpectSavedLayout(map, file, ReadFileBytes(Path("a.bsp")));
    EXPECT_EQ(Files(), (std::set<std::string>{"a.bsp", "a.ent"}));
  }
}

TEST_F(SaveTest, EveryEntityIsWrittenBackFirst) {
  BSPFile map(RoomBuilder(entities).Build(), config);
  map.entities[2].origin = {5, -6, -7};  // not written back by anyone yet
  map.SaveFile(Path("m.bsp"));
  EXPECT_EQ(map.entities[1].text,
            "{\n\"classname\" \"info_player_start\"\n\"origin\" \"2 0 0\"\n}");
  EXPECT_EQ(map.GetSpawnPoint(0, 0)->origin, (std::array<float, 3>{1.6f, 0, 0}));
  EXPECT_EQ(map.entities[2].text, "{\n\"classname\" \"func_door\"\n\"model\" \"*1\"\n}");
  const std::vector<uint8_t> saved = ReadFileBytes(Path("m.bsp"));
  const std::string text(saved.begin(), saved.end());
  EXPECT_NE(text.find("\"origin\" \"2 0 0\"\n}{\n\"classname\" \"func_door\""), std::string::npos);
}

TEST_F(SaveTest, TheSavedMapLoadsWithTheSameEntitiesAndSavesTheSameAgain) {
  BSPFile map(FullBuilder(entities).Build(), config);
  map.AddEntity(Block({{"classname", "info_player_deathmatch"}, {"origin", "1 2 3"}}));
  map.SaveFile(Path("first.bsp"));
  const BSPFile again(ReadFileBytes(Path("first.bsp")), config);
  EXPECT_EQ(Texts(again), Texts(map));
  EXPECT_EQ(again.GetSpawnPointCount(1), 1);
  EXPECT_EQ(again.faces.size(), map.faces.size());
  EXPECT_EQ(again.lighting, map.lighting);

  map.SaveFile(Path("second.bsp"));
  EXPECT_EQ(ReadFileBytes(Path("second.bsp")), ReadFileBytes(Path("first.bsp")));
  EXPECT_EQ(ReadFileBytes(Path("second.ent")), ReadFileBytes(Path("first.ent")));
}

TEST_F(SaveTest, AMapWithoutEntityLumpGetsOne) {
  std::vector<uint8_t> file = FullBuilder(entities).Build();
  SetLumpHeader(file, LUMP_ENTITIES, 0, 0);
  BSPFile map(file, config);
  map.AddEntity(kWorld);
  map.SaveFile(Path("m.bsp"));
  const BSPFile again(ReadFileBytes(Path("m.bsp")), config);
  EXPECT_EQ(Texts(again), Texts(map));
  EXPECT_EQ(again.planes.size(), map.planes.size());
  EXPECT_EQ(again.texinfos.size(), map.texinfos.size());
}

TEST_F(SaveTest, ALumpReachingIntoTheEntityLumpKeepsItsPlaceAndTheEntitiesGoToTheEnd) {
  // The line feeds between the blocks go when saved, so the entity lump shrinks; the models lump
  // in front of it reaches into it and, left where it is, would then reach past the file's end.
  std::string spaced = kWorld + std::string(200, '\n') + kWorld + std::string(1, '\0');
  BspBuilder builder = FullBuilder(spaced);
  builder.SetOrder({LUMP_MODELS, LUMP_ENTITIES});
  std::vector<uint8_t> file = builder.Build();
  const LumpPlace models = GetLump(file, LUMP_MODELS);
  SetLumpHeader(file, LUMP_MODELS, models.offset, models.size + 128);
  BSPFile map(file, config);
  ASSERT_EQ(map.GetModelCount(), 5);

  map.SaveFile(Path("m.bsp"));
  const std::vector<uint8_t> saved = ReadFileBytes(Path("m.bsp"));
  const std::string lump = Lump(map);
  ASSERT_EQ(saved.size(), file.size() + lump.size());
  EXPECT_EQ(GetLump(saved, LUMP_ENTITIES).offset, static_cast<int32_t>(file.size()));
  EXPECT_EQ(std::string(saved.end() - static_cast<int64_t>(lump.size()), saved.end()), lump);
  for (int k = 1; k < LUMP_COUNT; ++k) {
    const LumpPlace before = GetLump(file, k), after = GetLump(saved, k);
    EXPECT_EQ(after.offset, before.offset) << "lump " << k;
    EXPECT_EQ(after.size, before.size) << "lump " << k;
  }
  const BSPFile again(saved, config);
  EXPECT_EQ(Texts(again), Texts(map));
  EXPECT_EQ(again.GetModelCount(), 5);
}

TEST_F(SaveTest, TheSideFileHoldsTheEntityLump) {
  BSPFile map(RoomBuilder(entities).Build(), config);
  map.SaveFile(Path("room.bsp"));
  const std::vector<uint8_t> side = ReadFileBytes(Path("room.ent"));
  EXPECT_EQ(std::string(side.begin(), side.end()), Lump(map));

  map.SaveFile(Path("room"));
  map.SaveFile(Path("room.x"));
  EXPECT_EQ(Files(),
            (std::set<std::string>{"room.bsp", "room.ent", "room", "room.x", "room.x.ent"}));
  EXPECT_EQ(ReadFileBytes(Path("room.x.ent")), side);
}

TEST(EntFileNameTest, ReplacesAThreeCharacterExtensionOrAppends) {
  EXPECT_EQ(EntFileName("maps/de_room.bsp"), "maps/de_room.ent");
  EXPECT_EQ(EntFileName("a.BSP"), "a.ent");
  EXPECT_EQ(EntFileName("maps/room"), "maps/room.ent");
  EXPECT_EQ(EntFileName("ab"), "ab.ent");
  EXPECT_EQ(EntFileName(""), ".ent");
  EXPECT_EQ(EntFileName("room.bspx"), "room.bspx.ent");
  EXPECT_EQ(EntFileName("maps.d/x"), "maps.d/x.ent");
  EXPECT_NE(EntFileName("room.ent"), "room.ent");  // never the map itself
}

TEST_F(SaveTest, APathThatCannotBeCreatedFailsBeforeAnything) {
  BSPFile map(RoomBuilder(entities).Build(), config);
  fs::create_directory(dir / "folder");
  for (const std::string& name : {Path("folder"), Path("missing/m.bsp"), std::string()}) {
    EXPECT_EQ(ErrorOf([&] { map.SaveFile(name); }), "BSPFile::SaveFile (invalid file)") << name;
  }
  EXPECT_EQ(
      map.entities[1].text,
      "{\n\"classname\" \"info_player_start\"\n\"origin\" \"1.6 0 0\"\n}");  // not written back
  EXPECT_EQ(Files(), std::set<std::string>{"folder"});
  EXPECT_TRUE(fs::is_empty(dir / "folder"));
}

TEST_F(SaveTest, AReadOnlyFolderOrFileIsLeftAlone) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
  BSPFile map(RoomBuilder(entities).Build(), config);
  const std::vector<uint8_t> old = {1, 2, 3};
  WriteFileBytes(Path("old.bsp"), old);
  fs::permissions(Path("old.bsp"), fs::perms::owner_read);
  EXPECT_EQ(ErrorOf([&] { map.SaveFile(Path("old.bsp")); }), "BSPFile::SaveFile (invalid file)");
  fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
  for (const char* name : {"old.bsp", "new.bsp"}) {
    EXPECT_EQ(ErrorOf([&] { map.SaveFile(Path(name)); }), "BSPFile::SaveFile (invalid file)");
  }
  fs::permissions(dir, fs::perms::owner_all);
  EXPECT_EQ(ReadFileBytes(Path("old.bsp")), old);
  EXPECT_EQ(Files(), std::set<std::string>{"old.bsp"});
}

TEST_F(SaveTest, AnIncompleteWriteLeavesTheOldFileAndNoTemporaryFile) {
  BSPFile map(FullBuilder(entities).Build(), config);
  const std::vector<uint8_t> old = {1, 2, 3};
  WriteFileBytes(Path("m.bsp"), old);

  // A file size limit below the map's size makes the write stop part-way.
  rlimit saved_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_limit), 0);
  rlimit small = saved_limit;
  small.rlim_cur = 200;
  const auto saved_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = ErrorOf([&] { map.SaveFile(Path("m.bsp")); });
  setrlimit(RLIMIT_FSIZE, &saved_limit);
  signal(SIGXFSZ, saved_handler);

  EXPECT_EQ(error, "BSPFile::SaveFile (write file incompleat)");
  EXPECT_EQ(ReadFileBytes(Path("m.bsp")), old);
  EXPECT_EQ(Files(), std::set<std::string>{"m.bsp"});
  map.SaveFile(Path("m.bsp"));  // and the user can save again
  ExpectSavedLayout(map, map.raw_file, ReadFileBytes(Path("m.bsp")));
}

TEST_F(SaveTest, ASideFileThatCannotBeWrittenIsReported) {
  BSPFile map(RoomBuilder(entities).Build(), config);
  fs::create_directory(dir / "m.ent");
  EXPECT_EQ(ErrorOf([&] { map.SaveFile(Path("m.bsp")); }),
            "BSPFile::SaveFile (could not write ent file)");
  const BSPFile saved(ReadFileBytes(Path("m.bsp")), config);  // the map itself is complete
  EXPECT_EQ(Texts(saved), Texts(map));
  EXPECT_EQ(Files(), (std::set<std::string>{"m.bsp", "m.ent"}));
  EXPECT_TRUE(fs::is_empty(dir / "m.ent"));
}

}  // namespace
}  // namespace tarnwick::test
