// Entities: splitting the lump, reading a block's keys, and writing fields back into the text.
#include "map/entity.h"

#include <gtest/gtest.h>

#include "map/bsp_file.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

using Floats = std::array<float, 3>;

Entity Parse(const std::string& text) {
  Entity entity;
  int64_t pos = 0;
  entity.Read(text.data(), pos, static_cast<int64_t>(text.size()));
  return entity;
}

std::string ParseError(const std::string& text) {
  return ErrorOf([&] { Parse(text); });
}

std::string Classed(const std::string& pairs) {
  return "{\n\"classname\" \"info_target\"\n" + pairs + "}";
}

class EntityLumpTest : public ::testing::Test {
 protected:
  std::string LoadError(const std::string& lump) {
    return tarnwick::test::LoadError(RoomBuilder(lump).Build(), config);
  }

  Config config = TestConfig();
};

TEST_F(EntityLumpTest, SplitsTheLumpIntoBlocks) {
  const std::string second = "{\n\"classname\" \"info_target\"\n\"origin\" \"1 2 3\"\n}";
  const BSPFile map(RoomBuilder(kWorld + second + "\n" + std::string(1, '\0')).Build(), config);
  ASSERT_EQ(map.GetEntityCount(), 2);
  EXPECT_EQ(map.entities[0].class_name, "worldspawn");
  EXPECT_EQ(map.entities[0].text, "{\n\"classname\" \"worldspawn\"\n}");
  EXPECT_EQ(map.entities[1].text, second);
  EXPECT_EQ(map.entities[1].origin, (Floats{1, -2, -3}));
}

TEST_F(EntityLumpTest, BracesInsideQuotesDoNotCount) {
  const BSPFile map(
      RoomBuilder(kWorld + Classed("\"message\" \"a } and a { here\"\n") + kWorld).Build(), config);
  ASSERT_EQ(map.GetEntityCount(), 3);
  EXPECT_EQ(map.entities[1].text, Classed("\"message\" \"a } and a { here\"\n"));
  EXPECT_EQ(map.entities[2].class_name, "worldspawn");
}

TEST_F(EntityLumpTest, LumpMessages) {
  EXPECT_EQ(LoadError(kWorld + "}"), "BSPFile::BSPFile (error counting entitys)");
  EXPECT_EQ(LoadError(kWorld + "{"), "BSPFile::BSPFile (error counting entitys)");
  // The first block closes at the inner brace; no "{" follows for the second one.
  EXPECT_EQ(LoadError("{\"classname\" \"a\" { } }"), "BSPFile::BSPFile (missing entitys)");
  EXPECT_EQ(LoadError(" " + kWorld), "Entity::Read (entity dose not start with '{')");
  EXPECT_EQ(LoadError("\n" + kWorld), "Entity::Read (entity dose not start with '{')");
  EXPECT_EQ(LoadError(kWorld + "{\"classname\" \"a\"}"), "");
  // Any failure of a block ends the load.
  EXPECT_EQ(LoadError(kWorld + "{\"origin\" \"1 2 3\"}"),
            "Entity::Read (entity dose not contain a class_name)");
}

TEST(EntityReadTest, ReadMessages) {
  int64_t pos = 0;
  Entity entity;
  EXPECT_EQ(ErrorOf([&] { entity.Read(nullptr, pos, 10); }), "Entity::Read (invalid file_)");
  pos = -1;
  EXPECT_EQ(ErrorOf([&] { entity.Read("{}", pos, 2); }), "Entity::Read (pos_ < 0)");
  EXPECT_EQ(ParseError(""), "Entity::Read (entity dose not start with '{')");
  EXPECT_EQ(ParseError("{\"classname\" \"a\""), "Entity::Read (entity dose not end with '}')");
  EXPECT_EQ(ParseError("{\"classname\" \"a}\""), "Entity::Read (entity dose not end with '}')");
  EXPECT_EQ(ParseError("{\"origin\" \"1 2 3\"}"),
            "Entity::Read (entity dose not contain a class_name)");
  // The quoted key stands in full, but no value follows it before the closing brace.
  EXPECT_EQ(ParseError("{\"x\" \"classname\"}"), "Entity::Read (invalid ent)");
  EXPECT_EQ(ParseError("{\"a \"classname\" \"b}"), "Entity::Read (invalid ent)");
  // The third number would start after the closing brace.
  EXPECT_EQ(ParseError("{\"a \"classname\" \"x\" \"origin\" \"1 2}3 \""),
            "Entity::Read (invalid ent)");
}

TEST(EntityReadTest, ConversionMessages) {
  const std::string origin = "Entity::Read (error converting origin from string to int)";
  EXPECT_EQ(ParseError(Classed("\"origin\" \"1  2 3\"\n")), origin);  // two blanks
  EXPECT_EQ(ParseError(Classed("\"origin\" \" 1 2 3\"\n")), origin);  // a leading blank
  EXPECT_EQ(ParseError(Classed("\"origin\" \"- 2 3\"\n")), origin);   // a lone minus
  EXPECT_EQ(ParseError(Classed("\"origin\" \"1.2.3 2 3\"\n")), origin);
  EXPECT_EQ(ParseError(Classed("\"origin\" \"1 2\"\n")), origin);  // the quote ends the run
  EXPECT_EQ(ParseError(Classed("\"angles\" \"0 x 0\"\n")),
            "Entity::Read (error converting angles from string to int)");
  EXPECT_EQ(ParseError(Classed("\"angle\" \"east\"\n")),
            "Entity::Read (error converting angle from string to int)");
  EXPECT_EQ(ParseError(Classed("\"model\" \"*\"\n")),
            "Entity::Read (error converting model number from string to int)");
  EXPECT_EQ(ParseError(Classed("\"model\" \"*-\"\n")),
            "Entity::Read (error converting model number from string to int)");
}

TEST(EntityReadTest, NumbersAreRunsOfDigitsSignsAndPoints) {
  const Entity e = Parse(Classed("\"origin\" \"10 -20 30.5\"\n\"angle\" \"-90\"\n"));
  EXPECT_TRUE(e.has_origin);
  EXPECT_EQ(e.origin, (Floats{10, 20, -30.5}));
  EXPECT_TRUE(e.has_angle);
  EXPECT_EQ(e.angle, -90.0f);
  // Any one byte separates two numbers; bytes after the last number are not read.
  EXPECT_EQ(Parse(Classed("\"origin\" \"1,2,3 junk\"\n")).origin, (Floats{1, -2, -3}));
  // A number of 1000 characters is as good as a short one.
  EXPECT_EQ(Parse(Classed("\"origin\" \"" + std::string(999, '0') + "7 2 3\"\n")).origin,
            (Floats{7, -2, -3}));
}

TEST(EntityReadTest, AnglesAreKeptAsPitchRollYaw) {
  const Entity e = Parse(Classed("\"angles\" \"0 90 5\"\n"));
  EXPECT_TRUE(e.has_angles);
  EXPECT_FALSE(e.has_angle);  // "angle" with its closing quote is not in "angles"
  EXPECT_EQ(e.angles, (Floats{0, 5, 90}));
  const Entity f = Parse(Classed("\"angle\" \"45\"\n"));
  EXPECT_FALSE(f.has_angles);
  EXPECT_TRUE(f.has_angle);
}

TEST(EntityReadTest, KeysAreFoundAnywhereAndTheFirstPlaceWins) {
  const Entity one_line = Parse("{\"origin\" \"4 5 6\" \"classname\" \"light\"}");
  EXPECT_EQ(one_line.class_name, "light");
  EXPECT_EQ(one_line.origin, (Floats{4, -5, -6}));
  // "origin" as the value of another key: its value is the next quoted text.
  const Entity as_value = Parse(Classed("\"target\" \"origin\" \"7 8 9\"\n\"origin\" \"1 2 3\"\n"));
  EXPECT_EQ(as_value.origin, (Floats{7, -8, -9}));
  EXPECT_FALSE(Parse(Classed("\"origins\" \"1 2 3\"\n")).has_origin);
  EXPECT_EQ(Parse("{\"classname\" \"a\" \"classname\" \"b\"}").class_name, "a");
}

TEST(EntityReadTest, ModelsAndWads) {
  const Entity brush = Parse(Classed("\"model\" \"*12\"\n"));
  EXPECT_TRUE(brush.has_model);
  EXPECT_EQ(brush.model, 12);
  EXPECT_FALSE(Parse(Classed("\"model\" \"sprites/glow.spr\"\n")).has_model);
  EXPECT_FALSE(Parse(Classed("")).has_model);

  const auto wads = [](const std::string& value) {
    return Parse(Classed("\"wad\" \"" + value + "\"\n"));
  };
  EXPECT_EQ(wads("\\a\\one.wad;two.wad;").wads,
            (std::vector<std::string>{"\\a\\one.wad", "two.wad"}));
  EXPECT_TRUE(wads("one.wad;two.wad;").has_wad);
  EXPECT_EQ(wads("one.wad;two.wad").wads, (std::vector<std::string>{"one.wad"}));
  EXPECT_TRUE(wads("one.wad").has_wad);
  EXPECT_TRUE(wads("one.wad").wads.empty());
  EXPECT_FALSE(wads("").has_wad);
  EXPECT_FALSE(wads("a;").has_wad);  // two characters are ignored
  EXPECT_TRUE(wads("a;").wads.empty());

  std::string long_list;
  for (int i = 0; i < 100; ++i) long_list += "w" + std::to_string(1000 + i) + ".wad;";
  ASSERT_GT(long_list.size(), 900u);
  const Entity long_wads = wads(long_list);
  ASSERT_EQ(long_wads.wads.size(), 100u);
  EXPECT_EQ(long_wads.wads[99], "w1099.wad");
  EXPECT_EQ(Parse("{\"classname\" \"" + std::string(1000, 'c') + "\"}").class_name,
            std::string(1000, 'c'));
}

TEST(EntityReadTest, TextDropsCarriageReturnsAndPosMovesToTheNextBlock) {
  const std::string lump = "{\r\n\"classname\" \"a\"\r\n}\r\n\r\n{\"classname\" \"b\"}\n";
  Entity entity;
  int64_t pos = 0;
  entity.Read(lump.data(), pos, static_cast<int64_t>(lump.size()));
  EXPECT_EQ(entity.text, "{\n\"classname\" \"a\"\n}");
  EXPECT_EQ(pos, static_cast<int64_t>(lump.find("{", 1)));
  entity.Read(lump.data(), pos, static_cast<int64_t>(lump.size()));
  EXPECT_EQ(entity.class_name, "b");
  EXPECT_EQ(pos, -1);

  // A failed read leaves the entity and the position as they were.
  const std::string bad = "{\"classname\" \"c\" \"origin\" \"x\"}";
  pos = 0;
  EXPECT_NE(ErrorOf([&] { entity.Read(bad.data(), pos, static_cast<int64_t>(bad.size())); }), "");
  EXPECT_EQ(pos, 0);
  EXPECT_EQ(entity.class_name, "b");
}

TEST(EntityReadTest, KeysAreReadFromTheTextAsKept) {
  // A carriage return inside a value is dropped from the text, and the value is read as the text
  // shows it, so that the text saved gives the same entity when the map is loaded again.
  const Entity e = Parse("{\r\n\"classname\" \"a\rb\"\r\n\"origin\" \"1\r2 3 4\"\r\n}");
  EXPECT_EQ(e.text, "{\n\"classname\" \"ab\"\n\"origin\" \"12 3 4\"\n}");
  EXPECT_EQ(e.class_name, "ab");
  EXPECT_EQ(e.origin, (Floats{12, -3, -4}));
  EXPECT_EQ(Parse(e.text).class_name, e.class_name);
  // Past the closing brace the bytes that follow it still decide: a number that would start there
  // is refused, an empty one does not convert.
  EXPECT_EQ(ParseError("{\"a \"classname\" \"x\" \"origin\" \"1\r 2}3 \""),
            "Entity::Read (invalid ent)");
  EXPECT_EQ(ParseError("{\"a \"classname\" \"x\" \"origin\" \"1\r 2} 3\""),
            "Entity::Read (error converting origin from string to int)");
}

TEST_F(EntityLumpTest, ABlockWithASecondOpeningBraceIsRefused) {
  // The lump's braces pair up only with a "}" and a quoted "{" between the blocks; saved, the
  // blocks alone would not.
  const std::string nested = kWorld + "{{\"classname\" \"x\"}}\"{\"classname\" \"y\"}";
  EXPECT_EQ(LoadError(nested), "BSPFile::BSPFile (error counting entitys)");
  EXPECT_EQ(LoadError(kWorld + "{\"classname\" \"x\" \"m\" \"{\"}"), "");  // quoted: fine

  BSPFile map(RoomBuilder(kWorld).Build(), config);
  for (const std::string& text : {std::string("{{\"classname\" \"x\"}"),
                                  std::string("{\"classname\" \"x\" { \"a\" \"b\"}")}) {
    EXPECT_EQ(ErrorOf([&] { map.AddEntity(text); }), "Entity::Read (invalid ent)") << text;
    EXPECT_EQ(ErrorOf([&] { map.ReplaceEntity(0, text); }), "Entity::Read (invalid ent)") << text;
  }
  ASSERT_EQ(map.GetEntityCount(), 1);
  EXPECT_EQ(map.entities[0].text, "{\n\"classname\" \"worldspawn\"\n}");
}

TEST(EntityWriteBackTest, RewritesOriginAnglesAndAngleLinesInPlace) {
  Entity e = Parse(
      "{\n\"classname\" \"info_player_start\"\n\"origin\" \"1.6 0 0\"\n\"angles\" \"0 90 5\"\n"
      "\"target\" \"origin\"\n\t\"angle\" \"10\"\n  \"origin_x\" \"1\"\n}");
  e.WriteBack();
  EXPECT_EQ(e.text,
            "{\n\"classname\" \"info_player_start\"\n\"origin\" \"2 0 0\"\n\"angles\" \"0 90 5\"\n"
            "\"target\" \"origin\"\n\t\"angle\" \"10\"\n  \"origin_x\" \"1\"\n}");

  e.origin = {-10, 20, -30};  // view coordinates: the map position is (-10, -20, 30)
  e.angles = {15, 0, 270};
  e.angle = 180;
  e.WriteBack();
  EXPECT_EQ(e.text,
            "{\n\"classname\" \"info_player_start\"\n\"origin\" \"-10 -20 30\"\n"
            "\"angles\" \"15 270 0\"\n\"target\" \"origin\"\n\t\"angle\" \"180\"\n"
            "  \"origin_x\" \"1\"\n}");
}

TEST(EntityWriteBackTest, IndentedLinesKeepTheirBlanks) {
  Entity e = Parse("{\n\t\"classname\" \"a\"\n\t\"origin\" \"1 2 3\"\n \t \"angles\" \"1 2 3\"\n}");
  e.origin = {4, -5, -6};
  e.WriteBack();
  EXPECT_EQ(e.text,
            "{\n\t\"classname\" \"a\"\n\t\"origin\" \"4 5 6\"\n \t \"angles\" \"1 2 3\"\n}");
}

TEST(EntityWriteBackTest, AddsNoKeyAndIgnoresTheFlags) {
  Entity e = Parse(Classed("\"origin\" \"1 2 3\"\n"));
  e.angles = {1, 2, 3};
  e.angle = 4;
  e.has_origin = false;
  e.origin = {9, -1, -2};
  e.WriteBack();
  EXPECT_EQ(e.text, Classed("\"origin\" \"9 1 2\"\n"));
}

TEST(EntityWriteBackTest, AnOriginLineAtTheVeryEndWithoutLineFeedStays) {
  Entity e = Parse("{\"classname\" \"a\"\n\"origin\" \"1 2 3\"}");
  e.origin = {7, 0, 0};
  e.WriteBack();
  EXPECT_EQ(e.text, "{\"classname\" \"a\"\n\"origin\" \"1 2 3\"}");
}

TEST(EntityWriteBackTest, ALineIsNotRewrittenWhenThatWouldMakeTheTextAnotherEntity) {
  // An odd quote on the origin line carries a value over the next line, past a "}" that would
  // otherwise close the block; a key after the origin on its line would be lost.
  for (const std::string& text :
       {std::string("{\"classname\" \"a\"\n\"origin\" \"1 2 3\" \"\n}\"\n}"),
        std::string("{\n\"origin\" \"1 2 3\" \"classname\" \"a\"\n}"),
        std::string("{\"classname\" \"a\"\n\"angle\" \"5\" \"model\" \"*2\"\n}"),
        // Two odd quotes: the block still closes at its end, but the quoted "{" between them
        // would stand outside quotes.
        std::string("{\"classname\" \"a\"\n\"origin\" \"1 2 3\" \"\n{\n\"angle\" \"5\" \"\n}")}) {
    Entity e = Parse(text);
    e.origin = {7, 8, 9};
    e.angle = 90;
    e.WriteBack();
    EXPECT_EQ(e.text, text);
  }
  // Other keys on the line go with it, as every line is rewritten whole.
  Entity e = Parse("{\"classname\" \"a\"\n\"origin\" \"1 2 3\" \"target\" \"t\"\n}");
  e.WriteBack();
  EXPECT_EQ(e.text, "{\"classname\" \"a\"\n\"origin\" \"1 2 3\"\n}");
}

}  // namespace
}  // namespace tarnwick::test
