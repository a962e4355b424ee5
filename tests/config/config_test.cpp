#include "config/config.h"

#include <gtest/gtest.h>

#include <regex>

#include "base/read_file.h"
#include "config/settings.h"
#include "support/bsp_builder.h"

namespace tarnwick::test {
namespace {

// The longest field there may be.
const std::string kLongest(799, 'n');

// Lines 1-6 the spawn points, 7-15 a group (its colour lines 8-11), 16-22 one of four colour lines.
const std::string kSample =
    "3\n2\ninfo_player_start\nStart\ninfo_player_deathmatch\nDeathmatch\n"
    "2\n255,128,0,100\ntrue\n2\nfunc_door\nfunc_wall\n"
    "1\n2\n3\n4\nfalse\n1\ntrigger_once\n";

std::string WithCrLf(const std::string& text) {
  return std::regex_replace(text, std::regex("\n"), "\r\n");
}

// The tables as one text: "type=name;" per type, then "|r,g,b,a,colision:name,..." per group.
std::string Dump(const Config& config) {
  std::string out;
  for (size_t i = 0; i < config.spawn_point_entity.size(); ++i)
    out += config.spawn_point_entity[i] + "=" + config.spawn_point_displayname[i] + ";";
  for (const ConfigEntity& group : config.entitys) {
    out += "|";
    for (int v : group.colour) out += std::to_string(v) + ",";
    out += group.colision ? "true:" : "false:";
    for (const std::string& name : group.names) out += name + ",";
  }
  return out;
}

// The message of the error reading `text` raises, or else the tables read, as Dump gives them.
std::string Read(const std::string& text) {
  Config config;
  const std::string error = ErrorOf([&] { config.Read(text); });
  return error.empty() ? Dump(config) : error;
}

TEST(ConfigRead, ReadsTypesAndGroupsInFileOrderOrSaysWhichFieldFailsOnWhichLine) {
  for (const std::string& text : {kSample, WithCrLf(kSample)})
    EXPECT_EQ(Read(text),
              "info_player_start=Start;info_player_deathmatch=Deathmatch;"
              "|255,128,0,100,true:func_door,func_wall,|1,2,3,4,false:trigger_once,");
  for (const char* empty : {"3\n0\n0\n", "+3\n-0\n+0\n"}) EXPECT_EQ(Read(empty), "");
  EXPECT_EQ(Read("3\n1\n" + kLongest + "\r\nx\n0\n"), kLongest + "=x;");
  // Only a CR directly before the LF belongs to the line end.
  EXPECT_EQ(Read("3\n2\n info_a \n\tName,with\na\rb\nc\r\r\n0\n"),
            " info_a =\tName,with;a\rb=c\r;");
  // Colour components on one line, on four, or split up; the low eight bits are kept.
  for (const char* colour : {"44,255,0,7", "44\n255\n0\n7", "44,255\n0,7", "300,-1,256,+07"})
    EXPECT_EQ(Read(std::string("3\n0\n1\n") + colour + "\ntrue\n0\n"), "|44,255,0,7,true:");
  const struct {
    std::string text, message;
  } cases[] = {
      {"", "line(1) invalid version string)"},
      {"3", "invalid version string)\nLine(1)"},
      {"three\n", "Error Converting VersionString to int)\nString(three)\nLine(1)"},
      {"2\n", "ConfigVersionNumber(2) should = 3)\nLine(1)"},
      {"3\n", "invalid spawn_point count string)\nLine(2)"},
      {"3\n-1\n", "negative count(-1))\nLine(2)"},
      {"3\n1.0\n", "error converting SpawnPointCountString to int)\nString(1.0)\nLine(2)"},
      {"3\n1\n", "invalid entity string)\nLine(3)"},
      {"3\n1\na\nb", "invalid entity_displayname string)\nLine(4)"},
      {"3\n1\na\nb\n", "invalid entity count string)\nLine(5)"},
      {"3\n0\n1 \n", "error converting EntityCountString to int)\nString(1 )\nLine(3)"},
      {"3\n0\n1\n", "invalid colour string)\nLine(4)"},
      {"3\n0\n1\n1,2,3,", "invalid colour string)\nLine(7)"},
      {"3\n0\n1\n1,x,3,4\n", "error converting ColourString to int)\nString(x)\nLine(5)"},
      {"3\n0\n1\n1,2,3,4\n", "invalid colision string)\nLine(8)"},
      {"3\n0\n1\n1,2,3,4\nTrue\n", "colision string = (True) & not true or false)\nLine(8)"},
      // Each colour component counts one line: three lines ahead per group.
      {"3\n0\n2\n1,2,3,4\ntrue\n0\n1,2,3,4\nx\n",
       "colision string = (x) & not true or false)\nLine(14)"},
      {"3\n0\n1\n1,2,3,4\ntrue\n", "invalid entity name count string)\nLine(9)"},
      {"3\n0\n1\n1,2,3,4\ntrue\n2x\n",
       "error converting EntityNameCountString to int)\nString(2x)\nLine(9)"},
      {"3\n0\n1\n1,2,3,4\ntrue\n1\n", "invalid entity name string)\nLine(10)"},
      {"3\n1\n" + kLongest + "n\nx\n0\n", "field too long)\nLine(3)"},
      // Every character of the last name is there, but its line end is not.
      {"3\n0\n1\n1,2,3,4\ntrue\n1\nfunc_door", "invalid entity name string)\nLine(10)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Read(c.text), "Config::Read (" + c.message) << c.text;
    EXPECT_EQ(Read(WithCrLf(c.text)), "Config::Read (" + c.message) << c.text;
  }
  // A file cut anywhere fails with a message.
  for (const std::string& text : {kSample, WithCrLf(kSample)}) {
    for (size_t size = 0; size < text.size(); ++size)
      EXPECT_TRUE(Read(text.substr(0, size)).starts_with("Config::Read (")) << size;
  }
}

TEST(SettingsFile, HoldsNumbersLittleEndianThenTwoZeroEndedPaths) {
  const std::string path = ::testing::TempDir() + "tarnwick_settings.twk";
  const Settings sample{{-1, INT32_MIN, INT32_MAX, 7, 0x12345678}, 21, "/m\xe9.bsp", "C:\\e.fgd"};
  ASSERT_TRUE(WriteSettings(path, sample));
  EXPECT_EQ(AsText(ReadFileBytes(path)),
            std::string("\xff\xff\xff\xff\0\0\0\x80\xff\xff\xff\x7f\7\0\0\0\x78\x56\x34\x12", 20) +
                std::string(64, '\0') + "/m\xe9.bsp" + '\0' + "C:\\e.fgd" + '\0');
  std::remove(path.c_str());
}

}  // namespace
}  // namespace tarnwick::test
