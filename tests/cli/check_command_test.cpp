// tarnwick-cli check, run as a program on maps written to a temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "map_test_util.h"

namespace tarnwick::test {
namespace {

class CheckCommandTest : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Writes the room with starts at `origins` and a configuration of that one spawn-point type,
  // runs the check on it with `options` and gives the exit code and what the check printed.
  std::string Run(const std::vector<std::string>& origins, const std::string& options) {
    std::filesystem::create_directories(dir_);
    const std::string types = "3\n1\ninfo_player_start\nStart\n0\n";
    WriteFileBytes(config_, {types.begin(), types.end()});
    std::string entities = kWorld;
    for (const std::string& origin : origins) entities += Spawn("info_player_start", origin);
    WriteFileBytes(map_, RoomBuilder(entities).Build());
    const std::string command =
        std::string(TARNWICK_CLI) + " check " + map_ + " --config " + config_ + " " + options;
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[256];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = pclose(pipe);
    return std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ": " + output;
  }

  const std::string dir_ = ::testing::TempDir() + "check_command_test";
  const std::string map_ = dir_ + "/room.bsp";
  const std::string config_ = dir_ + "/Config.cfg";
};

TEST_F(CheckCommandTest, ExitsWith3WhenASpawnPointIsBlocked) {
  const std::vector<std::string> pair = {"0 0 64", "50 0 64"};
  // 90 is the default size.
  EXPECT_EQ(Run(pair, ""), "3: Start 01 0 0 64 blocked\nStart 02 50 0 64 blocked\n");
  EXPECT_EQ(Run(pair, "--size 40"), "0: Start 01 0 0 64 free\nStart 02 50 0 64 free\n");
  // The room's wall at y = 256 lies 56 from the spawn point: inside a cube of side 120.
  EXPECT_EQ(Run({"0 200 96"}, "--size 120"), "0: Start 01 0 200 96 free\n");
  EXPECT_EQ(Run({"0 200 96"}, "--size 120 --walls"), "3: Start 01 0 200 96 blocked\n");
  EXPECT_EQ(Run({"0 200 96"}, "--size 90 --walls"), "0: Start 01 0 200 96 free\n");
}

}  // namespace
}  // namespace tarnwick::test
