// tarnwick-cli's FGD and cache commands, run as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/bsp_builder.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

struct Result {
  int code;
  std::string out, err;
};

class CliReaders : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(dir_); }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  std::string ReadText(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Runs tarnwick-cli with `args`, each quoted for the shell.
  Result Run(const std::vector<std::string>& args) const {
    std::string command = std::string("'") + TARNWICK_CLI + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >'" + Path("stdout") + "' 2>'" + Path("stderr") + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(Path("stdout")),
            ReadText(Path("stderr"))};
  }

  std::string dir_ = ::testing::TempDir() + "cli_readers_" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(CliReaders, FgdListAndShow) {
  const std::string fgd = Path("game.fgd");
  std::ofstream(fgd)
      << "// classes\r\n@PointClass = light : \"Light\"\r\n[\r\n\tstyle(integer)\r\n]\r\n"
         "@SolidClass = func_wall : \"Wall\" []\n";
  EXPECT_EQ(Run({"fgd-list", fgd}).out, "light\nfunc_wall\n");
  const Result shown = Run({"fgd-show", fgd, "light"});
  EXPECT_EQ(shown.code, 0);
  EXPECT_EQ(shown.out, "@PointClass = light : \"Light\"\n[\n\tstyle(integer)\n]\n");
  const Result missing = Run({"fgd-show", fgd, "Light"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "Could not find entity \"Light\" in the fgd\n");

  std::ofstream(Path("empty.fgd")) << "// nothing here\n";
  EXPECT_EQ(Run({"fgd-list", Path("empty.fgd")}).out, "No entitys found in the FGD\n");
  const Result unreadable = Run({"fgd-list", Path("none.fgd")});
  EXPECT_EQ(unreadable.code, 1);
  EXPECT_EQ(unreadable.err, "FGDFile::FGDFile (Could Not Open File)\n");
  EXPECT_EQ(Run({"fgd-show", fgd}).code, 2);
}

TEST_F(CliReaders, GcfListAndExtract) {
  GcfWriter writer(32);
  const uint32_t maps = writer.AddFolder("maps");
  const std::vector<uint8_t> first(100, 'a'), second(64, 'b');
  const uint32_t a = writer.AddFile("de_first.bsp", first, maps);
  writer.AddFile("notes.txt", {'x'}, maps);
  const uint32_t b = writer.AddFile("de_second.bsp", second, maps, {.chain_goes_on = true});
  writer.Scatter(4);
  const std::string cache = Path("game.gcf");
  const GcfLayout layout = writer.Write(cache);
  const bool a_first = layout.first_entry[a] < layout.first_entry[b];

  const Result listed = Run({"gcf-list", cache});
  EXPECT_EQ(listed.code, 0);
  const std::string line_a = std::to_string(layout.first_entry[a]) + " de_first.bsp\n";
  const std::string line_b = std::to_string(layout.first_entry[b]) + " de_second.bsp\n";
  EXPECT_EQ(listed.out, a_first ? "0 " + line_a + "1 " + line_b : "0 " + line_b + "1 " + line_a);

  const Result whole = Run({"gcf-extract", cache, a_first ? "0" : "1", Path("first.bsp")});
  EXPECT_EQ(whole.code, 0);
  EXPECT_EQ(whole.err, "");
  EXPECT_EQ(ReadFileBytes(Path("first.bsp")), first);
  const Result runs_on = Run({"gcf-extract", cache, a_first ? "1" : "0", Path("second.bsp")});
  EXPECT_EQ(runs_on.code, 0);
  EXPECT_EQ(runs_on.err, "Warnning File May Be Incompleat\n");
  EXPECT_EQ(ReadFileBytes(Path("second.bsp")), second);

  EXPECT_EQ(Run({"gcf-extract", cache, "2", Path("x.bsp")}).code, 1);
  EXPECT_EQ(Run({"gcf-extract", cache, "-1", Path("x.bsp")}).code, 2);
  EXPECT_EQ(Run({"gcf-extract", cache, "1x", Path("x.bsp")}).code, 2);
  EXPECT_FALSE(std::filesystem::exists(Path("x.bsp")));
}

TEST_F(CliReaders, GcfFailures) {
  const std::string not_a_cache = Path("map.gcf");
  WriteFileBytes(not_a_cache, std::vector<uint8_t>(4096, 7));
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"gcf-list", not_a_cache},
                                             {"gcf-extract", not_a_cache, "0", Path("out.bsp")},
                                             {"gcf-list", Path("missing.gcf")}}) {
    const Result failed = Run(args);
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.err, "Failed to open file\nIf steam is open close\nit and try again\n");
  }

  GcfWriter writer(32);
  writer.AddFile("de_broken.bsp", std::vector<uint8_t>(100, 'c'));
  GcfLayout layout;
  std::vector<uint8_t> bytes = writer.Build(&layout);
  const uint64_t next = layout.fragmentation_map + 4ull * layout.blocks[1][0];
  bytes[next + 3] = 0x7F;
  WriteFileBytes(Path("broken.gcf"), bytes);
  const Result broken = Run({"gcf-extract", Path("broken.gcf"), "0", Path("out.bsp")});
  EXPECT_EQ(broken.code, 1);
  EXPECT_EQ(broken.err, "GCF::ExtractItem (broken block chain)\n");
  EXPECT_FALSE(std::filesystem::exists(Path("out.bsp")));
}

}  // namespace
}  // namespace tarnwick::test
