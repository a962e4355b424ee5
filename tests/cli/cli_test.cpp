// tarnwick-cli, run as a user runs it, on maps, caches and FGD files written to a temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "map_test_util.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_);
    std::ofstream(Path("Config.cfg")) << "3\n1\ninfo_player_start\nStart\n0\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Runs tarnwick-cli with `args`, each quoted for the shell: "exit code|stdout|stderr". A
  // sanitized build keeps quiet about the GL driver's suppressed leaks.
  std::string Run(const std::vector<std::string>& args) const {
    std::string command = std::string("LSAN_OPTIONS=print_suppressions=0 '") + TARNWICK_CLI + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    const int status = std::system((command + " >" + Path("out") + " 2>" + Path("err")).c_str());
    const Bytes out = ReadFileBytes(Path("out")), err = ReadFileBytes(Path("err"));
    return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "|" +
           std::string(out.begin(), out.end()) + "|" + std::string(err.begin(), err.end());
  }
  // The same with the test's configuration.
  std::string RunWithConfig(std::vector<std::string> args) const {
    args.insert(args.end(), {"--config", Path("Config.cfg")});
    return Run(args);
  }
  // The room with starts at `origins`, written to `name`.
  std::string Room(const std::vector<std::string>& origins, const std::string& name = "room.bsp") {
    std::string entities = kWorld;
    for (const std::string& origin : origins) entities += Spawn("info_player_start", origin);
    WriteFileBytes(Path(name), RoomBuilder(entities).Build());
    return Path(name);
  }

  std::string dir_ = ::testing::TempDir() + "cli_test_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(Cli, MapCommandsShowSaveAndCheckAMap) {
  const std::string room = Room({"0 0 64", "50 0 64"});
  // The entity lump holds 29 + 54 + 55 bytes; 16 planes of 20 bytes follow it.
  const std::string info = RunWithConfig({"info", room});
  EXPECT_TRUE(
      info.starts_with("0|file size 1859\nversion 30\n 0 LUMP_ENTITIES     offset        124 "
                       "size        138\n 1 LUMP_PLANES       offset        262 size "
                       "       320\n"))
      << info;
  EXPECT_TRUE(
      info.ends_with("vertices 24\nedges 37\nsurfedges 72\nfaces 18\nmarksurfaces 0\n"
                     "leafs 0\nmodels 3\nlighting bytes 0\ntexinfos 0\ntextures 0\n"
                     "planes 16\nentities 3\n|"))
      << info;
  EXPECT_EQ(RunWithConfig({"entities", room}), "0|" + kWorld +
                                                   Spawn("info_player_start", "0 0 64") +
                                                   Spawn("info_player_start", "50 0 64") + "|");
  EXPECT_EQ(RunWithConfig({"spawns", room}), "0|Start\n01 0 0 64 0\n02 50 0 64 0\n|");
  EXPECT_EQ(RunWithConfig({"resave", room, Path("out.bsp")}), "0||");
  EXPECT_EQ(RunWithConfig({"entities", Path("out.bsp")}), RunWithConfig({"entities", room}));
  // The room check: 3 when a spawn point is blocked; 90 is the default size. The room's wall at
  // y = 256 lies 56 from the lone spawn point: inside a cube of side 120.
  EXPECT_EQ(RunWithConfig({"check", room}),
            "3|Start 01 0 0 64 blocked\nStart 02 50 0 64 blocked\n|");
  EXPECT_EQ(RunWithConfig({"check", room, "--size", "40"}),
            "0|Start 01 0 0 64 free\nStart 02 50 0 64 free\n|");
  const std::string lone = Room({"0 200 96"}, "lone.bsp");
  EXPECT_EQ(RunWithConfig({"check", lone, "--size", "120"}), "0|Start 01 0 200 96 free\n|");
  EXPECT_EQ(RunWithConfig({"check", lone, "--size", "120", "--walls"}),
            "3|Start 01 0 200 96 blocked\n|");
  EXPECT_EQ(RunWithConfig({"check", lone, "--walls"}), "0|Start 01 0 200 96 free\n|");
  // Errors exit 1 with the message; a command line that does not fit the command exits 2.
  EXPECT_EQ(RunWithConfig({"info", Path("none.bsp")}),
            "1||Failed to open file \"" + Path("none.bsp") + "\"\n");
  EXPECT_EQ(Run({"spawns", room, "--config", Path("none.cfg")}),
            "1||Failed To Open File \"" + Path("none.cfg") + "\"\n");
  for (const std::vector<std::string>& usage : {std::vector<std::string>{},
                                                {"draw", room},
                                                {"info"},
                                                {"info", room, room},
                                                {"info", room, "--size", "1"},
                                                {"check", room, "--size", "1e2"},
                                                {"resave", room},
                                                {"spawns", room, "--delete", "1"},
                                                {"edit", room, Path("out.bsp")},
                                                {"fgd-list", room, "--config", room},
                                                {"gcf-extract", room, "-1", room}}) {
    EXPECT_TRUE(Run(usage).starts_with("2||usage: tarnwick-cli ")) << usage.size();
  }
}

TEST_F(Cli, FgdAndCacheCommandsListShowAndExtract) {
  const std::string fgd = Path("game.fgd");
  std::ofstream(fgd)
      << "// classes\r\n@PointClass = light\r\n[\r\n\tstyle(integer)\r\n]\r\n@S = func_wall []\n";
  EXPECT_EQ(Run({"fgd-list", fgd}), "0|light\nfunc_wall\n|");
  EXPECT_EQ(Run({"fgd-show", fgd, "light"}), "0|@PointClass = light\n[\n\tstyle(integer)\n]\n|");
  EXPECT_EQ(Run({"fgd-show", fgd, "Light"}), "1||Could not find entity \"Light\" in the fgd\n");
  EXPECT_EQ(Run({"fgd-list", Path("none.fgd")}), "1||FGDFile::FGDFile (Could Not Open File)\n");

  GcfWriter writer(32);
  const Bytes first(100, 'a'), second(70, 'b');
  writer.AddFile("de_first.bsp", first);
  writer.AddFile("notes.txt", {'x'});
  writer.AddFile("de_second.bsp", second, 0, {.chain_goes_on = true});
  const std::string cache = Path("game.gcf");
  writer.Write(cache);
  EXPECT_EQ(ReadFileBytes(cache), writer.Build());  // the file with holes holds the same bytes
  EXPECT_EQ(Run({"gcf-list", cache}), "0|0 0 de_first.bsp\n1 2 de_second.bsp\n|");
  EXPECT_EQ(Run({"gcf-extract", cache, "0", Path("first.bsp")}), "0||");
  EXPECT_EQ(ReadFileBytes(Path("first.bsp")), first);
  EXPECT_EQ(Run({"gcf-extract", cache, "1", Path("first.bsp")}),  // over the longer first map
            "0||Warnning File May Be Incompleat\n");
  EXPECT_EQ(ReadFileBytes(Path("first.bsp")), second);
  EXPECT_EQ(Run({"gcf-extract", cache, "2", Path("x.bsp")}), "1||No map 2 in the list (2 maps)\n");
  const std::string failed = "1||Failed to open file\nIf steam is open close\nit and try again\n";
  WriteFileBytes(Path("map.gcf"), Bytes(4096, 7));
  EXPECT_EQ(Run({"gcf-list", Path("map.gcf")}), failed);
  EXPECT_EQ(Run({"gcf-extract", Path("missing.gcf"), "0", Path("x.bsp")}), failed);
}

TEST_F(Cli, EditRunsTheEditorsOperationsInOrderAndSavesOnce) {
  const std::string in = Path("in.bsp"), out = Path("out.bsp");
  std::ofstream(Path("world.txt")) << "{\n\"classname\" \"worldspawn\"\n\"message\" \"new\"\n}\n";
  std::ofstream(Path("light.txt")) << "{\"classname\" \"light\"}";
  WriteFileBytes(in, RoomBuilder("{\"classname\" \"worldspawn\"}\n"
                                 "{\n\"classname\" \"info_player_start\"\n"
                                 "\"origin\" \"1.5 0 0\" \"angle\" \"90\"\n}\n"
                                 "{\"classname\" \"info_player_start\" \"origin\" \"8 8 8\"}")
                         .Build());
  const auto edit = [&](const std::string& from, std::vector<std::string> operations) {
    operations.insert(operations.begin(), {"edit", from, out});
    return RunWithConfig(operations);
  };
  // The world replaced stays first; a move to fractions is written exactly, beside "angle".
  EXPECT_EQ(edit(in, {"--replace", "0", Path("world.txt"), "--move-spawn", "1", "1", "100.5",
                      "-200.25", "64"}),
            "0||");
  const std::string world = "0|{\n\"classname\" \"worldspawn\"\n\"message\" \"new\"\n}\n";
  EXPECT_EQ(
      RunWithConfig({"entities", out}),
      world + "{\n\"classname\" \"info_player_start\"\n\"origin\" \"100.5 -200.25 64\" " +
          "\"angle\" \"90\"\n}\n{\"classname\" \"info_player_start\" \"origin\" \"8 8 8\"}\n|");
  // Each operation sees what the ones before it left.
  EXPECT_EQ(edit(out, {"--add-spawn", "1", "1", "2", "3", "-90", "--turn-spawn", "1", "3", "45.5",
                       "--delete-spawn", "1", "1", "--add", Path("light.txt"), "--delete", "1"}),
            "0||");
  EXPECT_EQ(RunWithConfig({"spawns", out}), "0|Start\n01 1 2 3 45.5\n|");
  EXPECT_EQ(RunWithConfig({"entities", out}),
            world + "{\n\"origin\" \"1 2 3\"\n\"angles\" \"0 45.5 0\"\n\"classname\" " +
                "\"info_player_start\"\n}\n{\"classname\" \"light\"}\n|");
  // A map error leaves OUT as it was; values that do not fit are a usage error.
  const Bytes saved = ReadFileBytes(out);
  EXPECT_EQ(edit(in, {"--delete", "0"}),
            "1||BSPFile::DeleteEntity (worldspawn must stay the first entity)\n");
  EXPECT_EQ(edit(in, {"--turn-spawn", "1", "2", "90"}),
            "1||Spawn point 2 of type 1 has no \"angles\" or \"angle\" to turn\n");
  EXPECT_EQ(edit(in, {"--move-spawn", "2", "1", "0", "0", "0"}),
            "1||No spawn-point type 2 (the configuration has 1)\n");
  EXPECT_EQ(edit(in, {"--turn-spawn", "1", "1", "east"})[0], '2');
  EXPECT_EQ(edit(in, {"--turn-spawn", "1", "1"})[0], '2');
  EXPECT_EQ(ReadFileBytes(out), saved);
}

TEST_F(Cli, PlanAddsTheSpawnPointsFoundSavesThemAndSaysHowManyAreMissing) {
  const std::string config = Path("Config.cfg"), in = Path("in.bsp"), out = Path("out.bsp");
  std::ofstream(config) << "3\n2\ninfo_player_start\nStart\ninfo_player_deathmatch\nDm\n0\n";
  BspBuilder corridor;  // 32 units wide: a player fits only along its middle
  corridor.AddBox({-16, -16, 0}, {400, 16, 128}, true);
  corridor.AddModel();
  corridor.SetEntities(
      "{\"classname\" \"worldspawn\"}\n{\"classname\" \"light\"}\n"
      "{\"classname\" \"info_player_start\" \"origin\" \"0 0 36\" \"angle\" \"90\"}");
  WriteFileBytes(in, corridor.Build());
  const std::string had = Run({"entities", in, "--config", config});
  const std::string usage =
      "2||usage: tarnwick-cli plan IN OUT --type TYPE --count N [--spacing S] [--config FILE]\n";
  const std::pair<std::vector<std::string>, std::string> runs[] = {
      {{"--type", "1", "--count", "3", "--spacing", "100"}, "0|02 112 0 36 90\n03 224 0 36 90\n|"},
      {{"--type", "1", "--count", "6"},  // every 80 units, the default spacing and a step apart
       "4|02 80 0 36 90\n03 160 0 36 90\n04 240 0 36 90\n05 320 0 36 90\n|"
       "plan: 1 of 6 spawn points could not be placed\n"},
      {{"--type", "3", "--count", "1"}, "1||No spawn-point type 3 (the configuration has 2)\n"},
      {{"--type", "1", "--count", "-1"}, usage},
      {{"--type", "1", "--count", "2", "--spacing", "31.9"}, usage},
      {{"--type", "1"}, usage}};
  for (const auto& [options, result] : runs) {
    SCOPED_TRACE(result);
    std::filesystem::remove(out);
    std::vector<std::string> args = {"plan", in, out, "--config", config};
    args.insert(args.end(), options.begin(), options.end());
    EXPECT_EQ(Run(args), result);
    EXPECT_EQ(std::filesystem::exists(out), result[0] == '0' || result[0] == '4');
    if (!std::filesystem::exists(out)) continue;
    // Saved: the spawn points printed after those there were, every other entity text unchanged.
    const std::string printed = result.substr(2, result.find('|', 2) - 2);
    EXPECT_EQ(Run({"spawns", out, "--config", config}),
              "0|Start\n01 0 0 36 90\n" + printed + "Dm\n|");
    EXPECT_TRUE(
        Run({"entities", out, "--config", config}).starts_with(had.substr(0, had.size() - 1)));
  }
}

}  // namespace
}  // namespace tarnwick::test
