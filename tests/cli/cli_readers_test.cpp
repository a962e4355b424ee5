// tarnwick-cli's FGD and cache commands and its map edits, run as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/bsp_builder.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

class CliReaders : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  // Runs tarnwick-cli with `args`, each quoted for the shell: "exit code|stdout|stderr".
  std::string Run(const std::vector<std::string>& args) const {
    std::string command = std::string("'") + TARNWICK_CLI + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    const int status = std::system((command + " >" + Path("out") + " 2>" + Path("err")).c_str());
    const Bytes out = ReadFileBytes(Path("out")), err = ReadFileBytes(Path("err"));
    return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + "|" +
           std::string(out.begin(), out.end()) + "|" + std::string(err.begin(), err.end());
  }

  std::string dir_ = ::testing::TempDir() + "cli_readers_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(CliReaders, ListAndShowDefinitionsListAndExtractMaps) {
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
  const std::string failed = "1||Failed to open file\nIf steam is open close\nit and try again\n";
  WriteFileBytes(Path("map.gcf"), Bytes(4096, 7));
  EXPECT_EQ(Run({"gcf-list", Path("map.gcf")}), failed);
  EXPECT_EQ(Run({"gcf-extract", Path("missing.gcf"), "0", Path("x.bsp")}), failed);
}

TEST_F(CliReaders, EditRunsTheEditorsOperationsInOrderAndSavesOnce) {
  const std::string config = Path("Config.cfg"), in = Path("in.bsp"), out = Path("out.bsp");
  std::ofstream(config) << "3\n1\ninfo_player_start\nStart\n0\n";
  std::ofstream(Path("world.txt")) << "{\n\"classname\" \"worldspawn\"\n\"message\" \"new\"\n}\n";
  std::ofstream(Path("light.txt")) << "{\"classname\" \"light\"}";
  WriteFileBytes(in, RoomBuilder("{\"classname\" \"worldspawn\"}\n"
                                 "{\n\"classname\" \"info_player_start\"\n"
                                 "\"origin\" \"1.5 0 0\" \"angle\" \"90\"\n}\n"
                                 "{\"classname\" \"info_player_start\" \"origin\" \"8 8 8\"}")
                         .Build());
  const auto edit = [&](const std::string& from, std::vector<std::string> operations) {
    operations.insert(operations.begin(), {"edit", from, out, "--config", config});
    return Run(operations);
  };
  EXPECT_EQ(edit(in, {"--replace", "0", Path("world.txt"), "--move-spawn", "1", "1", "100.5",
                      "-200.25", "64"}),
            "0||");
  const std::string world = "0|{\n\"classname\" \"worldspawn\"\n\"message\" \"new\"\n}\n";
  EXPECT_EQ(
      Run({"entities", out, "--config", config}),
      world + "{\n\"classname\" \"info_player_start\"\n\"origin\" \"100.5 -200.25 64\" " +
          "\"angle\" \"90\"\n}\n{\"classname\" \"info_player_start\" \"origin\" \"8 8 8\"}\n|");
  // Each operation sees what the ones before it left.
  EXPECT_EQ(edit(out, {"--add-spawn", "1", "1", "2", "3", "-90", "--turn-spawn", "1", "3", "45.5",
                       "--delete-spawn", "1", "1", "--add", Path("light.txt"), "--delete", "1"}),
            "0||");
  EXPECT_EQ(Run({"spawns", out, "--config", config}), "0|Start\n01 1 2 3 45.5\n|");
  EXPECT_EQ(Run({"entities", out, "--config", config}),
            world + "{\n\"origin\" \"1 2 3\"\n\"angles\" \"0 45.5 0\"\n\"classname\" " +
                "\"info_player_start\"\n}\n{\"classname\" \"light\"}\n|");
  // A map error leaves OUT as it was; values that do not fit are a usage error.
  const Bytes saved = ReadFileBytes(out);
  EXPECT_EQ(edit(in, {"--delete", "0"}),
            "1||BSPFile::DeleteEntity (worldspawn must stay the first entity)\n");
  EXPECT_EQ(edit(in, {"--turn-spawn", "1", "2", "90"}),
            "1||Spawn point 2 of type 1 has no \"angles\" or \"angle\" to turn\n");
  EXPECT_EQ(edit(in, {"--turn-spawn", "1", "1", "east"})[0], '2');
  EXPECT_EQ(edit(in, {"--turn-spawn", "1", "1"})[0], '2');
  EXPECT_EQ(ReadFileBytes(out), saved);
}

TEST_F(CliReaders, PlanAddsTheSpawnPointsFoundSavesThemAndSaysHowManyAreMissing) {
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
