// tarnwick-cli export and edit --import-ent: a map's entities out to a .ent file and back in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/bsp_builder.h"

namespace tarnwick::test {
namespace {

TEST(EntFile, ExportWritesTheSideFileOfASaveAndItImportsBackToTheSameMap) {
  const std::string dir = ::testing::TempDir() + "ent_file_test/";
  std::filesystem::create_directories(dir);
  const std::string config = "3\n1\ninfo_player_start\nStart\n0\n";
  WriteFileBytes(dir + "Config.cfg", Bytes(config.begin(), config.end()));
  WriteFileBytes(dir + "in.bsp",
                 RoomBuilder(Block({{"classname", "worldspawn"}}) +
                             Block({{"classname", "info_player_start"}, {"origin", "1.5 2 3"}}))
                     .Build());
  for (const std::string args : {"resave in.bsp resaved.bsp", "export in.bsp out.ent",
                                 "edit in.bsp imported.bsp --import-ent out.ent"}) {
    const std::string command = "cd '" + dir + "' && " + TARNWICK_CLI + " " + args;
    EXPECT_EQ(std::system((command + " --config Config.cfg").c_str()), 0) << args;
  }
  EXPECT_EQ(ReadFileBytes(dir + "out.ent"), ReadFileBytes(dir + "resaved.ent"));
  EXPECT_EQ(ReadFileBytes(dir + "imported.bsp"), ReadFileBytes(dir + "resaved.bsp"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tarnwick::test
