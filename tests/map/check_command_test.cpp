// tarnwick-cli check, run as a program on maps written to a temporary folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "map_test_util.h"

namespace tarnwick::test {
namespace {

struct Result {
  int exit_code = -1;
  std::string output;
};

class CheckCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_);
    const std::string types = "3\n1\ninfo_player_start\nStart\n0\n";
    WriteFileBytes(config_, std::vector<uint8_t>(types.begin(), types.end()));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Writes the room with `entities` and runs the check on it with `options`.
  Result Run(const std::string& entities, const std::string& options) {
    WriteFileBytes(map_, RoomBuilder(kWorld + entities).Build());
    const std::string command =
        std::string(TARNWICK_CLI) + " check " + map_ + " --config " + config_ + " " + options;
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[256];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) {
      result.output.append(buffer, n);
    }
    const int status = pclose(pipe);
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    return result;
  }

  const std::string dir_ = ::testing::TempDir() + "check_command_test";
  const std::string map_ = dir_ + "/room.bsp";
  const std::string config_ = dir_ + "/Config.cfg";
};

std::string Start(const std::string& origin) {
  return Block({{"classname", "info_player_start"}, {"origin", origin}});
}

TEST_F(CheckCommandTest, SpacingCheckMarksSpawnPointsTooCloseForTheSize) {
  const std::string pair = Start("0 0 64") + Start("50 0 64");
  const Result close = Run(pair, "--size 90");
  EXPECT_EQ(close.exit_code, 3);
  EXPECT_EQ(close.output, "Start 01 0 0 64 blocked\nStart 02 50 0 64 blocked\n");
  EXPECT_EQ(Run(pair, "").output, close.output);  // 90 is the default size

  const Result apart = Run(pair, "--size 40");
  EXPECT_EQ(apart.exit_code, 0);
  EXPECT_EQ(apart.output, "Start 01 0 0 64 free\nStart 02 50 0 64 free\n");
}

TEST_F(CheckCommandTest, WallsCountOnlyWithTheWallsOption) {
  // The room's wall at y = 256 lies 56 from the spawn point: inside a cube of side 120.
  const Result spacing = Run(Start("0 200 96"), "--size 120");
  EXPECT_EQ(spacing.exit_code, 0);
  EXPECT_EQ(spacing.output, "Start 01 0 200 96 free\n");
  const Result walls = Run(Start("0 200 96"), "--size 120 --walls");
  EXPECT_EQ(walls.exit_code, 3);
  EXPECT_EQ(walls.output, "Start 01 0 200 96 blocked\n");
  EXPECT_EQ(Run(Start("0 200 96"), "--size 90 --walls").exit_code, 0);
}

TEST_F(CheckCommandTest, SizeMustBeANumber) {
  for (const char* size : {"abc", "90x", ""}) {
    SCOPED_TRACE(size);
    const Result result = Run(Start("0 0 64"), std::string("--size '") + size + "'");
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(result.output, "");
  }
  EXPECT_EQ(Run(Start("0 0 64"), "--size 12.5").exit_code, 0);
}

}  // namespace
}  // namespace tarnwick::test
