#include "config/config.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "error.h"

namespace tarnwick {
namespace {

// The numbers in the comments are the line numbers the reader counts for each field.
const std::string kSample =
    "3\n"                       // 1
    "2\n"                       // 2
    "info_player_start\n"       // 3
    "Start\n"                   // 4
    "info_player_deathmatch\n"  // 5
    "Deathmatch\n"              // 6
    "2\n"                       // 7
    "255,128,0,100\n"           // 8-11
    "true\n"                    // 12
    "2\n"                       // 13
    "func_door\n"               // 14
    "func_wall\n"               // 15
    "1\n2\n3\n4\n"              // 16-19
    "false\n"                   // 20
    "1\n"                       // 21
    "trigger_once\n";           // 22

// The message Read raises for `text`, or "" when the text reads without error.
std::string ReadError(Config& config, const std::string& text) {
  std::istringstream in(text);
  try {
    config.Read(&in);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

std::string ReadError(const std::string& text) {
  Config config;
  return ReadError(config, text);
}

Config ReadOk(const std::string& text) {
  Config config;
  EXPECT_EQ(ReadError(config, text), "");
  return config;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

TEST(ConfigRead, ReadsTypesAndGroupsInFileOrder) {
  const Config config = ReadOk(kSample);
  ASSERT_EQ(config.spawn_point_count(), 2);
  EXPECT_EQ(config.spawn_point_entity[0], "info_player_start");
  EXPECT_EQ(config.spawn_point_displayname[0], "Start");
  EXPECT_EQ(config.spawn_point_entity[1], "info_player_deathmatch");
  EXPECT_EQ(config.spawn_point_displayname[1], "Deathmatch");

  ASSERT_EQ(config.entity_count(), 2);
  EXPECT_EQ(config.entitys[0].colour, (std::array<uint8_t, 4>{255, 128, 0, 100}));
  EXPECT_TRUE(config.entitys[0].colision);
  EXPECT_EQ(config.entitys[0].names, (std::vector<std::string>{"func_door", "func_wall"}));
  EXPECT_EQ(config.entitys[1].colour, (std::array<uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(config.entitys[1].colision);
  EXPECT_EQ(config.entitys[1].names, std::vector<std::string>{"trigger_once"});
}

TEST(ConfigRead, ThreeZeroZeroIsAnEmptyConfiguration) {
  const Config config = ReadOk("3\n0\n0\n");
  EXPECT_EQ(config.spawn_point_count(), 0);
  EXPECT_EQ(config.entity_count(), 0);
}

TEST(ConfigRead, FieldsKeepEveryCharacterButTheLineEnd) {
  const Config config = ReadOk("3\n1\n info_player_start \n\tName,with comma\n0\n");
  EXPECT_EQ(config.spawn_point_entity[0], " info_player_start ");
  EXPECT_EQ(config.spawn_point_displayname[0], "\tName,with comma");

  // Only a CR directly before the LF belongs to the line end.
  EXPECT_EQ(ReadOk("3\n1\na\rb\nc\r\r\n0\n").spawn_point_entity[0], "a\rb");
  EXPECT_EQ(ReadOk("3\n1\na\rb\nc\r\r\n0\n").spawn_point_displayname[0], "c\r");
}

TEST(ConfigRead, CrLfReadsLikeLf) {
  const Config lf = ReadOk(kSample);
  const Config crlf = ReadOk(WithCrLf(kSample));
  EXPECT_EQ(crlf.spawn_point_entity, lf.spawn_point_entity);
  EXPECT_EQ(crlf.spawn_point_displayname, lf.spawn_point_displayname);
  ASSERT_EQ(crlf.entity_count(), lf.entity_count());
  for (size_t j = 0; j < lf.entitys.size(); ++j) {
    EXPECT_EQ(crlf.entitys[j].colour, lf.entitys[j].colour);
    EXPECT_EQ(crlf.entitys[j].colision, lf.entitys[j].colision);
    EXPECT_EQ(crlf.entitys[j].names, lf.entitys[j].names);
  }
  // Line numbers do not change either.
  EXPECT_EQ(ReadError(WithCrLf("3\n0\n1\n1,2,3,4\nTrue\n")),
            "Config::Read (colision string = (True) & not true or false)\nLine(8)");
}

TEST(ConfigRead, ReadsFromTheCurrentPositionAndStopsAfterTheLastField) {
  std::istringstream in("skipped\n3\n0\n0\nnot a field");
  std::string skipped;
  std::getline(in, skipped);
  Config config;
  config.Read(&in);
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "not a field");
}

TEST(ConfigColour, OneLineAndFourLinesGiveTheSameColour) {
  const Config one = ReadOk("3\n0\n1\n10,20,30,40\ntrue\n0\n");
  const Config four = ReadOk("3\n0\n1\n10\n20\n30\n40\ntrue\n0\n");
  EXPECT_EQ(one.entitys[0].colour, (std::array<uint8_t, 4>{10, 20, 30, 40}));
  EXPECT_EQ(four.entitys[0].colour, one.entitys[0].colour);
  EXPECT_EQ(ReadOk("3\n0\n1\n10,20\n30,40\ntrue\n0\n").entitys[0].colour, one.entitys[0].colour);
}

TEST(ConfigColour, EachComponentCountsOneLine) {
  // The colision field stands on real line 5 here and on real line 8 below; both report 8.
  const std::string message = "Config::Read (colision string = (x) & not true or false)\nLine(8)";
  EXPECT_EQ(ReadError("3\n0\n1\n10,20,30,40\nx\n"), message);
  EXPECT_EQ(ReadError("3\n0\n1\n10\n20\n30\n40\nx\n"), message);
  // Three ahead per group read so far: the second group's colision is reported at 14, not 8.
  EXPECT_EQ(ReadError("3\n0\n2\n1,2,3,4\ntrue\n0\n1,2,3,4\nx\n"),
            "Config::Read (colision string = (x) & not true or false)\nLine(14)");
}

TEST(ConfigColour, KeepsTheLowEightBits) {
  const Config config = ReadOk("3\n0\n1\n300,-1,256,+7\nfalse\n0\n");
  EXPECT_EQ(config.entitys[0].colour, (std::array<uint8_t, 4>{44, 255, 0, 7}));
}

TEST(ConfigColour, CommaBeforeLineEndLeavesAnEmptyField) {
  EXPECT_EQ(ReadError("3\n0\n1\n1,2,3,\ntrue\n0\n"),
            "Config::Read (error converting ColourString to int)\nString()\nLine(7)");
  EXPECT_EQ(ReadError("3\n0\n1\n1,2,3,4,\ntrue\n0\n"),
            "Config::Read (colision string = () & not true or false)\nLine(8)");
}

TEST(ConfigErrors, NoStream) {
  Config config;
  try {
    config.Read(nullptr);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Config::Read (file invalid)");
  }
}

TEST(ConfigErrors, EachFieldHasItsMessageAndLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "Config::Read (line(1) invalid version string)"},
      {"3", "Config::Read (invalid version string)\nLine(1)"},
      {"three\n", "Config::Read (Error Converting VersionString to int)\nString(three)\nLine(1)"},
      {"2\n", "Config::Read (ConfigVersionNumber(2) should = 3)\nLine(1)"},
      {"3\n", "Config::Read (invalid spawn_point count string)\nLine(2)"},
      {"3\nx\n",
       "Config::Read (error converting SpawnPointCountString to int)\nString(x)\nLine(2)"},
      {"3\n1\n", "Config::Read (invalid entity string)\nLine(3)"},
      {"3\n1\na\n", "Config::Read (invalid entity_displayname string)\nLine(4)"},
      {"3\n1\na\nb", "Config::Read (invalid entity_displayname string)\nLine(4)"},
      {"3\n1\na\nb\n", "Config::Read (invalid entity count string)\nLine(5)"},
      {"3\n0\n1 \n",
       "Config::Read (error converting EntityCountString to int)\nString(1 )\nLine(3)"},
      {"3\n0\n1\n", "Config::Read (invalid colour string)\nLine(4)"},
      {"3\n0\n1\n1,2,3,", "Config::Read (invalid colour string)\nLine(7)"},
      {"3\n0\n1\n1,x,3,4\n",
       "Config::Read (error converting ColourString to int)\nString(x)\nLine(5)"},
      {"3\n0\n1\n1,2,3,4\n", "Config::Read (invalid colision string)\nLine(8)"},
      {"3\n0\n1\n1,2,3,4\nTrue\n",
       "Config::Read (colision string = (True) & not true or false)\nLine(8)"},
      {"3\n0\n1\n1,2,3,4\ntrue\n", "Config::Read (invalid entity name count string)\nLine(9)"},
      {"3\n0\n1\n1,2,3,4\ntrue\n2x\n",
       "Config::Read (error converting EntityNameCountString to int)\nString(2x)\nLine(9)"},
      {"3\n0\n1\n1,2,3,4\ntrue\n1\n", "Config::Read (invalid entity name string)\nLine(10)"},
      // Every character of the last name is there, but its line end is not.
      {"3\n0\n1\n1,2,3,4\ntrue\n1\nfunc_door",
       "Config::Read (invalid entity name string)\nLine(10)"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadError(c.text), c.message) << c.text;
}

TEST(ConfigErrors, IntegersAreStrict) {
  const Config config = ReadOk("+3\n-0\n1\n007,+8,-0,0\ntrue\n0\n");
  EXPECT_EQ(config.entitys[0].colour, (std::array<uint8_t, 4>{7, 8, 0, 0}));
  for (const char* count : {" 1", "1 ", "", "+", "-", "+-1", "0x10", "1.0", "2147483648",
                            "-2147483649", "99999999999999999999"}) {
    EXPECT_EQ(ReadError(std::string("3\n") + count + "\n"),
              std::string("Config::Read (error converting SpawnPointCountString to int)\nString(") +
                  count + ")\nLine(2)");
  }
  EXPECT_EQ(ReadError("4294967299\n"),
            "Config::Read (Error Converting VersionString to int)\nString(4294967299)\nLine(1)");
}

TEST(ConfigErrors, NegativeCounts) {
  EXPECT_EQ(ReadError("3\n-1\n"), "Config::Read (negative count(-1))\nLine(2)");
  EXPECT_EQ(ReadError("3\n0\n-2\n"), "Config::Read (negative count(-2))\nLine(3)");
  EXPECT_EQ(ReadError("3\n0\n1\n1,2,3,4\nfalse\n-2147483648\n"),
            "Config::Read (negative count(-2147483648))\nLine(9)");
}

TEST(ConfigErrors, FieldLongerThan799Characters) {
  const std::string longest(799, 'n');
  EXPECT_EQ(ReadOk("3\n1\n" + longest + "\r\nx\n0\n").spawn_point_entity[0], longest);
  EXPECT_EQ(ReadError("3\n1\n" + longest + "n\nx\n0\n"), "Config::Read (field too long)\nLine(3)");
  EXPECT_EQ(ReadError("3\n0\n1\n1,2," + longest + "n"), "Config::Read (field too long)\nLine(6)");
  // A lone CR is part of the field and counts.
  EXPECT_EQ(ReadError("3\n1\n" + longest + "\r\r\nx\n0\n"),
            "Config::Read (field too long)\nLine(3)");
}

TEST(ConfigErrors, QuotingMessageIsCutTo799Characters) {
  const std::string field(799, 'x');
  const std::string message = ReadError("3\n" + field + "\n");
  const std::string full = "Config::Read (error converting SpawnPointCountString to int)\nString(" +
                           field + ")\nLine(2)";
  EXPECT_EQ(message, full.substr(0, 799));
  const std::string colision = ReadError("3\n0\n1\n1,2,3,4\n" + field + "\n");
  EXPECT_EQ(colision.size(), 799u);
  EXPECT_TRUE(colision.starts_with("Config::Read (colision string = (xxx"));
}

TEST(ConfigErrors, EveryCutOfAValidFileFails) {
  for (const std::string& text : {kSample, WithCrLf(kSample)}) {
    for (size_t size = 0; size < text.size(); ++size) {
      const std::string message = ReadError(text.substr(0, size));
      EXPECT_TRUE(message.starts_with("Config::Read (")) << size << ": " << message;
    }
  }
}

TEST(ConfigState, KeepsWhatWasStoredBeforeTheFailingField) {
  Config config;
  ReadError(config, "3\n3\ninfo_a\nA\ninfo_b\n");
  ASSERT_EQ(config.spawn_point_count(), 3);
  EXPECT_EQ(config.spawn_point_entity, (std::vector<std::string>{"info_a", "info_b", ""}));
  EXPECT_EQ(config.spawn_point_displayname, (std::vector<std::string>{"A", "", ""}));
  EXPECT_EQ(config.entity_count(), 0);

  ReadError(config, "3\n0\n2\n1,2,3,4\nfalse\n2\nfunc_door\n");
  ASSERT_EQ(config.entity_count(), 2);
  EXPECT_EQ(config.entitys[0].colour, (std::array<uint8_t, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(config.entitys[0].colision);
  EXPECT_EQ(config.entitys[0].names, (std::vector<std::string>{"func_door", ""}));
  EXPECT_EQ(config.entitys[1].colour, (std::array<uint8_t, 4>{0, 0, 0, 0}));
  EXPECT_TRUE(config.entitys[1].colision);
  EXPECT_TRUE(config.entitys[1].names.empty());

  // A colision error leaves the default, after the colour has been stored.
  ReadError(config, "3\n0\n1\n5,6,7,8\nFalse\n");
  EXPECT_EQ(config.entitys[0].colour, (std::array<uint8_t, 4>{5, 6, 7, 8}));
  EXPECT_TRUE(config.entitys[0].colision);
}

TEST(ConfigState, HugeCountsNeedTheirEntriesInTheFile) {
  Config config;
  EXPECT_EQ(ReadError(config, "3\n2000000000\na\nb\n"),
            "Config::Read (invalid entity string)\nLine(5)");
  EXPECT_EQ(config.spawn_point_entity[0], "a");
  EXPECT_EQ(config.spawn_point_entity.size(), config.spawn_point_displayname.size());
  EXPECT_EQ(ReadError("3\n0\n2147483647\n"), "Config::Read (invalid colour string)\nLine(4)");
  EXPECT_EQ(ReadError("3\n0\n1\n1,2,3,4\ntrue\n2147483647\n"),
            "Config::Read (invalid entity name string)\nLine(10)");

  // Entries past any up-front allocation are read all the same, and the two type tables stay
  // parallel when the file ends among them.
  std::string text = "3\n10000\n";
  for (int i = 0; i < 10000; ++i) text += "info_" + std::to_string(i) + "\nName\n";
  text += "0\n";
  const Config many = ReadOk(text);
  ASSERT_EQ(many.spawn_point_count(), 10000);
  EXPECT_EQ(many.spawn_point_entity[9999], "info_9999");
  EXPECT_EQ(many.spawn_point_displayname[9999], "Name");

  ReadError(config, text.substr(0, text.size() - 7));
  EXPECT_EQ(config.spawn_point_entity[9999], "info_9999");
  EXPECT_EQ(config.spawn_point_displayname[9999], "");
  EXPECT_EQ(config.spawn_point_entity.size(), config.spawn_point_displayname.size());
}

TEST(ConfigData, DefaultConfigurationReads) {
  std::ifstream in(TARNWICK_DATA_DIR "/Config.cfg", std::ios::binary);
  ASSERT_TRUE(in);
  Config config;
  config.Read(&in);
  const auto& types = config.spawn_point_entity;
  EXPECT_NE(std::find(types.begin(), types.end(), "info_player_start"), types.end());
  EXPECT_NE(std::find(types.begin(), types.end(), "info_player_deathmatch"), types.end());
  EXPECT_GT(config.entity_count(), 0);
  for (const ConfigEntity& group : config.entitys) {
    EXPECT_EQ(std::find(group.names.begin(), group.names.end(), "func_pendulum"),
              group.names.end());
  }
}

}  // namespace
}  // namespace tarnwick
