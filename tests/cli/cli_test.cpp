// tarnwick-cli run as a user runs it, in a folder of its own, on the maps, caches and FGD files
// written there.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/bsp_builder.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_);
    Write("t.cfg", "3\n2\ninfo_player_start\nStart\ninfo_player_deathmatch\nDm\n0\n");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(dir_ + name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    return {std::istreambuf_iterator<char>(std::ifstream(dir_ + name, std::ios::binary).rdbuf()),
            {}};
  }
  void Map(const std::string& name, const std::string& entities) const {  // the world first
    WriteFileBytes(dir_ + name, RoomBuilder(kWorld + entities).Build());
  }
  // "exit code|stdout|stderr" of tarnwick-cli with `args`. A sanitized build keeps quiet about the
  // GL driver's suppressed leaks.
  std::string Run(const std::string& args) const {
    const int status = std::system(("cd '" + dir_ + "' && LSAN_OPTIONS=print_suppressions=0 '" +
                                    TARNWICK_CLI + "' " + args + " >out 2>err")
                                       .c_str());
    return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "|" + Read("out") + "|" +
           Read("err");
  }

  const std::string dir_ = ::testing::TempDir() + "cli_test_" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
};

TEST_F(Cli, MapCommandsShowSaveExportAndCheckAMap) {
  const std::string spawns =
      Spawn("info_player_start", "0 0 64") + Spawn("info_player_start", "50 0 64");
  Map("room.bsp", spawns);
  // The entity lump holds 29 + 54 + 55 bytes; 16 planes of 20 bytes follow it.
  const std::string info = Run("info room.bsp --config t.cfg");
  EXPECT_TRUE(info.starts_with("0|file size 1859\nversion 30\n 0 LUMP_ENTITIES     offset        "
                               "124 size        138\n 1 LUMP_PLANES       offset        262 "
                               "size        320\n") &&
              info.ends_with("vertices 24\nedges 37\nsurfedges 72\nfaces 18\nmarksurfaces 0\n"
                             "leafs 0\nmodels 3\nlighting bytes 0\ntexinfos 0\ntextures 0\n"
                             "planes 16\nentities 3\n|"))
      << info;
  EXPECT_EQ(Run("entities room.bsp --config t.cfg"), "0|" + kWorld + spawns + "|");
  EXPECT_EQ(Run("spawns room.bsp --config t.cfg"), "0|Start\n01 0 0 64 0\n02 50 0 64 0\nDm\n|");
  // Export writes a save's side file, which imports back to the same map.
  for (const std::string args : {"resave room.bsp resaved.bsp", "export room.bsp out.ent",
                                 "edit room.bsp imported.bsp --import-ent out.ent"})
    EXPECT_EQ(Run(args + " --config t.cfg"), "0||");
  EXPECT_EQ(Run("entities resaved.bsp --config t.cfg"), Run("entities room.bsp --config t.cfg"));
  EXPECT_EQ(Read("out.ent"), Read("resaved.ent"));
  EXPECT_EQ(Read("imported.bsp"), Read("resaved.bsp"));
  // The room check: 3 when a spawn point is blocked; 90 is the default size. The room's wall at
  // y = 256 lies 56 from the lone spawn point: inside a cube of side 120.
  EXPECT_EQ(Run("check room.bsp --config t.cfg"),
            "3|Start 01 0 0 64 blocked\nStart 02 50 0 64 blocked\n|");
  Map("lone.bsp", Spawn("info_player_start", "0 200 96"));
  EXPECT_EQ(Run("check lone.bsp --config t.cfg --size 120"), "0|Start 01 0 200 96 free\n|");
  EXPECT_EQ(Run("check lone.bsp --config t.cfg --size 120 --walls"),
            "3|Start 01 0 200 96 blocked\n|");
  // Errors exit 1 with the message; a command line that does not fit the command exits 2.
  EXPECT_EQ(Run("info none.bsp --config t.cfg"), "1||Failed to open file \"none.bsp\"\n");
  EXPECT_EQ(Run("spawns room.bsp --config none.cfg"), "1||Failed To Open File \"none.cfg\"\n");
  for (const char* usage :
       {"", "draw room.bsp", "info", "info room.bsp room.bsp", "info room.bsp --size 1",
        "check room.bsp --size 1e2", "resave room.bsp", "spawns room.bsp --delete 1",
        "edit room.bsp out.bsp", "fgd-list room.bsp --config room.bsp",
        "gcf-extract room.bsp -1 room.bsp"})
    EXPECT_TRUE(Run(usage).starts_with("2||usage: tarnwick-cli ")) << usage;
}

TEST_F(Cli, FgdAndCacheCommandsListShowAndExtract) {
  Write("game.fgd",
        "// classes\r\n@PointClass = light\r\n[\r\n\tstyle(integer)\r\n]\r\n@S = func_wall []\n");
  EXPECT_EQ(Run("fgd-list game.fgd"), "0|light\nfunc_wall\n|");
  EXPECT_EQ(Run("fgd-show game.fgd light"), "0|@PointClass = light\n[\n\tstyle(integer)\n]\n|");
  GcfWriter writer(32);
  writer.AddFile("de_first.bsp", Bytes(100, 'a'));
  writer.AddFile("notes.txt", {'x'});
  writer.AddFile("de_second.bsp", Bytes(70, 'b'), 0, {.chain_goes_on = true});
  writer.Write(dir_ + "game.gcf");
  EXPECT_EQ(Run("gcf-list game.gcf"), "0|0 0 de_first.bsp\n1 2 de_second.bsp\n|");
  EXPECT_EQ(Run("gcf-extract game.gcf 0 first.bsp"), "0||");
  EXPECT_EQ(Read("first.bsp"), std::string(100, 'a'));
  EXPECT_EQ(Run("gcf-extract game.gcf 1 first.bsp"),  // over the longer first map
            "0||Warnning File May Be Incompleat\n");
  EXPECT_EQ(Read("first.bsp"), std::string(70, 'b'));
  EXPECT_EQ(Run("gcf-extract game.gcf 2 x.bsp"), "1||No map 2 in the list (2 maps)\n");
}

TEST_F(Cli, EditRunsTheEditorsOperationsInOrderAndSavesOnce) {
  Write("world.txt", "{\n\"classname\" \"worldspawn\"\n\"message\" \"new\"\n}\n");
  Write("light.txt", "{\"classname\" \"light\"}");
  Map("in.bsp",
      "{\n\"classname\" \"info_player_start\"\n\"origin\" \"1.5 0 0\" \"angle\" \"90\"\n}\n"
      "{\"classname\" \"info_player_start\" \"origin\" \"8 8 8\"}");
  const auto edit = [&](const std::string& in, const std::string& operations) {
    return Run("edit " + in + " out.bsp --config t.cfg " + operations);
  };
  // The world replaced stays first; a move to fractions is written exactly, beside "angle".
  EXPECT_EQ(edit("in.bsp", "--replace 0 world.txt --move-spawn 1 1 100.5 -200.25 64"), "0||");
  const std::string world = "0|{\n\"classname\" \"worldspawn\"\n\"message\" \"new\"\n}\n";
  EXPECT_EQ(Run("entities out.bsp --config t.cfg"),
            world +
                "{\n\"classname\" \"info_player_start\"\n\"origin\" \"100.5 -200.25 64\" \"angle\" "
                "\"90\"\n}\n{\"classname\" \"info_player_start\" \"origin\" \"8 8 8\"}\n|");
  // Each operation sees what the ones before it left.
  EXPECT_EQ(edit("out.bsp",
                 "--add-spawn 1 1 2 3 -90 --turn-spawn 1 3 45.5 --delete-spawn 1 1 --add "
                 "light.txt --delete 1"),
            "0||");
  EXPECT_EQ(Run("spawns out.bsp --config t.cfg"), "0|Start\n01 1 2 3 45.5\nDm\n|");
  EXPECT_EQ(Run("entities out.bsp --config t.cfg"),
            world + "{\n\"origin\" \"1 2 3\"\n\"angles\" \"0 45.5 0\"\n\"classname\" " +
                "\"info_player_start\"\n}\n{\"classname\" \"light\"}\n|");
  // An error leaves OUT as it was; values that do not fit are a usage error.
  const std::string saved = Read("out.bsp");
  EXPECT_EQ(edit("in.bsp", "--turn-spawn 1 2 90"),
            "1||Spawn point 2 of type 1 has no \"angles\" or \"angle\" to turn\n");
  for (const char* usage : {"--turn-spawn 1 1 east", "--turn-spawn 1 1"})
    EXPECT_EQ(edit("in.bsp", usage)[0], '2') << usage;
  EXPECT_EQ(Read("out.bsp"), saved);
}

TEST_F(Cli, PlanAddsTheSpawnPointsFoundSavesThemAndSaysHowManyAreMissing) {
  BspBuilder corridor;  // 32 units wide: a player fits only along its middle
  corridor.AddBox({-16, -16, 0}, {400, 16, 128}, true);
  corridor.AddModel();
  corridor.SetEntities(
      "{\"classname\" \"worldspawn\"}\n{\"classname\" \"light\"}\n"
      "{\"classname\" \"info_player_start\" \"origin\" \"0 0 36\" \"angle\" \"90\"}");
  WriteFileBytes(dir_ + "in.bsp", corridor.Build());
  const std::string had = Run("entities in.bsp --config t.cfg");
  const std::pair<std::string, std::string> runs[] = {
      {"--type 1 --count 3 --spacing 100", "0|02 112 0 36 90\n03 224 0 36 90\n|"},
      {"--type 1 --count 6",  // every 80 units, the default spacing and a step apart
       "4|02 80 0 36 90\n03 160 0 36 90\n04 240 0 36 90\n05 320 0 36 90\n|"
       "plan: 1 of 6 spawn points could not be placed\n"},
      {"--type 3 --count 1", "1||No spawn-point type 3 (the configuration has 2)\n"}};
  for (const auto& [options, result] : runs) {
    SCOPED_TRACE(options);
    std::filesystem::remove(dir_ + "out.bsp");
    EXPECT_EQ(Run("plan in.bsp out.bsp --config t.cfg " + options), result);
    const bool saved = std::filesystem::exists(dir_ + "out.bsp");
    EXPECT_EQ(saved, result[0] == '0' || result[0] == '4');
    if (!saved) continue;
    // Saved: the spawn points printed after those there were, every other entity text unchanged.
    const std::string printed = result.substr(2, result.find('|', 2) - 2);
    EXPECT_EQ(Run("spawns out.bsp --config t.cfg"), "0|Start\n01 0 0 36 90\n" + printed + "Dm\n|");
    EXPECT_TRUE(Run("entities out.bsp --config t.cfg").starts_with(had.substr(0, had.size() - 1)));
  }
}

}  // namespace
}  // namespace tarnwick::test
