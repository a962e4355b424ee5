#include "fgd/fgd_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/bsp_builder.h"

namespace tarnwick::test {
namespace {

using Lines = std::vector<std::string>;

TEST(FGDFile, NamesFollowTheSignsOutsideCommentsAndQuotesAndComeInFileOrder) {
  const std::string door =
      "@S = func_door\n[\n\tf(flags) =\n\t[\n\t\t1 : \"o\" : 0\n\t]\n\ts : \"S\"\n]";
  const struct {
    std::string text;
    Lines found;  // name, then text, of each definition
  } cases[] = {
      // An "=" or bracket in a comment or in quotes is not looked at; "//" in quotes is no comment.
      {"// @P = x [ ]\n@P = a : \"] [ //\" // ] here\n[\n k : \"x = [\" // ]\n]\n\"q = b\" [ ]\n",
       {"a", "@P = a : \"] [ //\" // ] here\n[\n k : \"x = [\" // ]\n]"}},
      {"// header\n" + door + "\n\n@P = light [ ]\n",
       {"func_door", door, "light", "@P = light [ ]"}},
      {"@P = name", {}},
      {"@P =\tinfo_target [ ]", {"", "@P =\tinfo_target [ ]"}},
      {"@P = info_target: \"T\" [ ]", {"info_target", "@P = info_target: \"T\" [ ]"}},
      {"@P =    Ab_9-x [ ]", {"Ab_9", "@P =    Ab_9-x [ ]"}},
      // The "[" that ends a name is not counted, so the depth comes back to 0 only after a nested
      // list; otherwise nothing more is found, as when a closing bracket is missing.
      {"@P = a[ k = [ 0 ] ]\n@P = b [ ]", {"a", "@P = a[ k = [ 0 ]", "b", "@P = b [ ]"}},
      {"@P = a[ ]\n@P = b [ ]", {}},
      {"@A = one [ ]\n@A = two [ [ ]\n@A = three [ ]", {"one", "@A = one [ ]"}},
      // Two definitions on one line: the second starts where the line starts.
      {"@A = a [] @A = b []", {"a", "@A = a []", "b", "@A = a [] @A = b []"}},
  };
  for (const auto& c : cases) {
    Lines found;
    int32_t pos = 0;
    const auto text = std::make_shared<const std::string>(c.text);
    for (FGDEntity e; e.Read(text, pos);) found.insert(found.end(), {e.name, std::string(e.text)});
    EXPECT_EQ(found, c.found) << c.text;
  }
  const std::string path = ::testing::TempDir() + "fgd_file_test.fgd";
  const auto read = [&](const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return FGDFile(path);
  };
  // Only a CR directly before an LF is dropped.
  const FGDFile file = read("@A = one\r\n[\r\n\r\n k \"x\r\"\r\r\n]\r\n@A = two [ ]\n@A = one []");
  EXPECT_EQ(file.ListEntitys(), (Lines{"one", "two", "one"}));
  // The first of two; case counts.
  EXPECT_EQ((std::array{file.FindEntity("two"), file.FindEntity("one"), file.FindEntity("One")}),
            (std::array{1, 0, -1}));
  EXPECT_EQ(file.ShowEntity(0), (Lines{"@A = one", "[", "", " k \"x\r\"\r", "]"}));
  EXPECT_EQ(file.ShowEntity(1), (Lines{"@A = two [ ]"}));
  EXPECT_EQ(file.ShowEntity(-1), (Lines{"Could Not Find Entity Index < 0"}));
  const FGDEntity kept = read("@A = one [ k ]\n").entitys.at(0);
  EXPECT_EQ(kept.text, "@A = one [ k ]");  // after its file has gone
  EXPECT_EQ(read("// only a comment\n@include \"base.fgd\"\n").ListEntitys(),
            (Lines{"No entitys found in the FGD"}));
  std::filesystem::remove(path);
  EXPECT_EQ(ErrorOf([&] { FGDFile missing(path); }), "FGDFile::FGDFile (Could Not Open File)");
}

}  // namespace
}  // namespace tarnwick::test
