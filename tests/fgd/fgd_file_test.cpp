#include "fgd/fgd_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "error.h"

namespace tarnwick {
namespace {

using Lines = std::vector<std::string>;

// All definitions that FGDEntity::Read finds in `text`, in order.
std::vector<FGDEntity> ReadAll(std::string_view text) {
  std::vector<FGDEntity> found;
  int32_t pos = 0;
  FGDEntity entity;
  while (entity.Read(text, pos)) found.push_back(entity);
  return found;
}

std::vector<std::string> Names(const std::vector<FGDEntity>& entitys) {
  std::vector<std::string> names;
  for (const FGDEntity& e : entitys) names.push_back(e.name);
  return names;
}

class FgdFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    std::ofstream(path_, std::ios::binary) << bytes;
    return path_;
  }
  void TearDown() override { std::filesystem::remove(path_); }

  std::string path_ = ::testing::TempDir() + "fgd_test_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".fgd";
};

TEST(FGDEntityRead, OneLineDefinitionIsTheWholeLine) {
  const std::string text =
      "// header\n@PointClass size(-16 -16 -36, 16 16 36) = info_player_start : \"Start\" []\nx";
  int32_t pos = 0;
  FGDEntity e;
  ASSERT_TRUE(e.Read(text, pos));
  EXPECT_EQ(e.name, "info_player_start");
  EXPECT_EQ(e.start, 10);
  EXPECT_EQ(e.end, static_cast<int32_t>(text.size()) - 2);
  EXPECT_EQ(e.length, e.end - e.start);
  EXPECT_EQ(e.text, text.substr(10, e.length));
  EXPECT_EQ(e.text.back(), ']');
  EXPECT_EQ(pos, e.end + 1);  // the line feed after the bracket is passed over
  EXPECT_FALSE(e.Read(text, pos));
  EXPECT_EQ(e.name, "");  // a failed read leaves the entity empty
  EXPECT_EQ(e.start, -1);
  EXPECT_EQ(e.end, -1);
  EXPECT_EQ(e.length, 0);
}

TEST(FGDEntityRead, NestedListsSpanningLinesMakeOneBlock) {
  const std::string first =
      "@SolidClass base(Targetname) = func_door : \"Door\"\n[\n\tspawnflags(flags) =\n\t[\n"
      "\t\t1 : \"Starts open\" : 0\n\t]\n\tspeed(integer) : \"Speed\" : 100\n]";
  const auto found = ReadAll(first + "\n\n@PointClass = light : \"Light\" [ ]\n");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].text, first);
  EXPECT_EQ(found[1].name, "light");
  EXPECT_EQ(found[1].text, "@PointClass = light : \"Light\" [ ]");
}

TEST(FGDEntityRead, CommentsAndQuotesHideSigns) {
  // An "=" or bracket in a comment or in quotes is not looked at; "//" in quotes is no comment.
  const auto found = ReadAll(
      "// @PointClass = commented [ ]\n"
      "@PointClass = a : \"has ] and [ and // inside\" // a ] here\n"
      "[\n key(string) : \"x = [\" // ]\n]\n"
      "\"quoted = b\" [ ]\n");
  ASSERT_EQ(Names(found), Lines{"a"});
  EXPECT_EQ(found[0].start, 31);
}

TEST(FGDEntityRead, TextEndingInsideACommentOrNameFindsNothing) {
  EXPECT_TRUE(ReadAll("@PointClass = a [ ] // trailing").size() == 1);
  EXPECT_TRUE(ReadAll("@PointClass = a // [ ]").empty());
  EXPECT_TRUE(ReadAll("@PointClass =").empty());
  EXPECT_TRUE(ReadAll("@PointClass =   ").empty());
  EXPECT_TRUE(ReadAll("@PointClass = name").empty());
}

TEST(FGDEntityRead, NameEndsAtTheFirstCharacterOutsideTheRun) {
  EXPECT_EQ(Names(ReadAll("@PointClass =\tinfo_target [ ]")), Lines{""});
  EXPECT_EQ(Names(ReadAll("@PointClass = info_target: \"T\" [ ]")), Lines{"info_target"});
  EXPECT_EQ(Names(ReadAll("@PointClass =    Ab_9-x [ ]")), Lines{"Ab_9"});
  // The "[" that ends a name is not counted: the definition runs on to the next bracket that
  // brings the depth back to 0, here the end of the nested list.
  const auto found = ReadAll("@PointClass = a[ k(choices) = [ 0 : \"x\" ] ]\n@PointClass = b [ ]");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].text, "@PointClass = a[ k(choices) = [ 0 : \"x\" ]");
  EXPECT_EQ(found[1].name, "b");
  // Without a nested list the depth never comes back to 0: nothing more is found.
  EXPECT_EQ(Names(ReadAll("@PointClass = a[ ]\n@PointClass = b [ ]")), Lines{});
}

TEST(FGDEntityRead, MissingBracketEndsTheReading) {
  EXPECT_EQ(Names(ReadAll("@A = one [ ]\n@A = two [ [ ]\n@A = three [ ]")), Lines{"one"});
}

TEST(FGDEntityRead, StartIsTheLineOfTheEqualsSign) {
  // Two definitions on one line: the second starts where the line starts.
  const auto found = ReadAll("@A = one [] @A = two []");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[1].start, 0);
  EXPECT_EQ(found[1].text, "@A = one [] @A = two []");
}

TEST_F(FgdFileTest, DefinitionsOnOneLongLineShareTheFileText) {
  // Every definition's text runs from the start of the line, so together they are as long as the
  // square of the line; they are views into the one text they all share, and each is found
  // without looking back over the line.
  std::string line;
  for (int k = 0; k < 40000; ++k) line += "=a [] ";
  const FGDFile file(Write(line + "\n@B = b\n[\n]\n = c [] = d []"));
  ASSERT_EQ(file.entitys.size(), 40003u);
  for (const size_t k : {size_t{0}, size_t{1}, size_t{39999}}) {
    const FGDEntity& e = file.entitys[k];
    EXPECT_EQ(e.start, 0) << k;
    EXPECT_EQ(e.length, static_cast<int32_t>(6 * k + 5)) << k;
    EXPECT_EQ(e.text, line.substr(0, e.length)) << k;
    EXPECT_EQ(e.source, file.entitys[0].source) << k;
    EXPECT_EQ(e.text.data(), e.source->data()) << k;
  }
  const auto starts = [&](size_t k) { return file.entitys[k].start; };
  EXPECT_EQ(file.entitys[40000].text, "@B = b\n[\n]");
  EXPECT_EQ(starts(40000), static_cast<int32_t>(line.size() + 1));
  EXPECT_EQ(starts(40001), starts(40000) + 11);
  EXPECT_EQ(starts(40002), starts(40001));
  EXPECT_EQ(file.entitys[40002].text, " = c [] = d []");
}

TEST_F(FgdFileTest, ADefinitionKeepsItsTextAfterTheFileIsGone) {
  std::optional<FGDEntity> kept;
  {
    const FGDFile file(Write("@A = one [ k ]\n"));
    kept = file.entitys.at(0);
  }
  EXPECT_EQ(kept->text, "@A = one [ k ]");
}

TEST_F(FgdFileTest, ReadsDefinitionsInFileOrder) {
  const FGDFile file(Write("@A = one []\n@A = two [\n]\n@A = one [ k ]\n"));
  ASSERT_EQ(file.entitys.size(), 3u);
  EXPECT_EQ(file.ListEntitys(), (Lines{"one", "two", "one"}));
  EXPECT_EQ(file.FindEntity("two"), 1);
  EXPECT_EQ(file.FindEntity("one"), 0);  // the first of two
  EXPECT_EQ(file.FindEntity("One"), -1);
  EXPECT_EQ(file.FindEntity("on"), -1);
  EXPECT_EQ(file.FindEntity(""), -1);
}

TEST_F(FgdFileTest, DropsOnlyCarriageReturnsBeforeLineFeeds) {
  const FGDFile file(Write("@A = one\r\n[\r\n a \"x\r\"\r\r\n]\r\n"));
  ASSERT_EQ(file.entitys.size(), 1u);
  EXPECT_EQ(file.entitys[0].text, "@A = one\n[\n a \"x\r\"\r\n]");
}

TEST_F(FgdFileTest, ShowsOneLinePerTextLine) {
  const FGDFile file(Write("@A = one\n[\n\n k\n]\n@A = two [ ]"));
  EXPECT_EQ(file.ShowEntity(0), (Lines{"@A = one", "[", "", " k", "]"}));
  EXPECT_EQ(file.ShowEntity(1), (Lines{"@A = two [ ]"}));  // no line feed after the bracket
  EXPECT_EQ(file.ShowEntity(-1), (Lines{"Could Not Find Entity Index < 0"}));
  EXPECT_EQ(file.ShowEntity(2), (Lines{"Could Not Find Entity Index >= entity_count"}));
}

TEST_F(FgdFileTest, FileWithoutDefinitionsListsTheNote) {
  for (const char* content : {"", "// only a comment\n@include \"base.fgd\"\n"}) {
    const FGDFile file(Write(content));
    EXPECT_TRUE(file.entitys.empty());
    EXPECT_EQ(file.ListEntitys(), (Lines{"No entitys found in the FGD"}));
    EXPECT_EQ(file.ShowEntity(0), (Lines{"Could Not Find Entity Index >= entity_count"}));
  }
}

TEST_F(FgdFileTest, UnreadableFileRaises) {
  for (const std::string& path : {path_ + ".missing", ::testing::TempDir()}) {
    try {
      FGDFile file(path);
      ADD_FAILURE() << path;
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "FGDFile::FGDFile (Could Not Open File)");
    }
  }
}

TEST(FgdSample, BundledFileReadsWhole) {
  const FGDFile file(TARNWICK_SAMPLE_FGD);
  EXPECT_EQ(file.ListEntitys(),
            (Lines{"Targetname", "Target", "Angles", "RenderFields", "worldspawn",
                   "info_player_start", "info_player_deathmatch", "info_null", "light", "func_wall",
                   "func_button", "func_buyzone"}));
  const auto lines = file.ShowEntity(file.FindEntity("light"));
  EXPECT_EQ(lines.front().substr(0, 11), "@PointClass");
  EXPECT_EQ(lines.back(), "]");
  EXPECT_EQ(lines.size(), 20u);
}

}  // namespace
}  // namespace tarnwick
