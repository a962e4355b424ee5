#include "config/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>

#include "test_files.h"

namespace tarnwick {
namespace {

using namespace web_test;

class SettingsFileFormat : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_.path + "/settings.twk";
  Settings sample_{
      {-1, INT32_MIN, INT32_MAX, 7, 0x12345678}, 21, "/my maps/r\xe9union \xff.bsp", "C:\\e.fgd"};
};

TEST_F(SettingsFileFormat, WritesNumbersLittleEndianThenTwoZeroEndedPaths) {
  const Settings& s = sample_;
  EXPECT_FALSE(ReadSettings(path_));  // no file
  ASSERT_TRUE(WriteSettings(path_, s));
  ASSERT_TRUE(WriteSettings(path_, Settings{}));  // a longer file is replaced
  EXPECT_EQ(ReadFile(path_), std::string(86, '\0'));
  ASSERT_TRUE(WriteSettings(path_, s));
  const std::string bytes = ReadFile(path_);
  EXPECT_EQ(bytes.substr(0, 20),
            std::string("\xff\xff\xff\xff\0\0\0\x80\xff\xff\xff\x7f\7\0\0\0\x78\x56\x34\x12", 20));
  EXPECT_EQ(bytes.substr(20, 64), std::string(64, '\0'));
  EXPECT_EQ(bytes.substr(84), s.last_map_path + '\0' + s.last_fgd_path + '\0');  // 86 + n + m bytes
  EXPECT_FALSE(WriteSettings(dir_.path, s));                                     // a folder
}

// Every cut of a written file (the whole file too), then garbage with many zero bytes (so most hold
// both paths and text after them): the whole numbers only, each path up to its zero byte or the end
// of the file.
TEST_F(SettingsFileFormat, ACutOrGarbledFileGivesItsWholeNumbersAndThePathBytesItHolds) {
  ASSERT_TRUE(WriteSettings(path_, sample_));
  const std::string full = ReadFile(path_);
  std::vector<std::string> files;
  for (size_t length = 0; length <= full.size(); ++length) files.push_back(full.substr(0, length));
  std::mt19937 random(20240517);
  for (int i = 0; i < 300; ++i) {
    files.emplace_back(random() % 200, '\0');
    for (char& c : files.back()) c = static_cast<char>(random() % 4 == 0 ? 0 : random());
  }
  for (const std::string& bytes : files) {
    WriteFile(path_, bytes);
    const auto read = ReadSettings(path_);
    ASSERT_TRUE(read);
    const size_t whole = std::min<size_t>(bytes.size() / 4, 21);
    EXPECT_EQ(read->numbers_read, static_cast<int>(whole));
    EXPECT_EQ(std::memcmp(read->numbers.data(), bytes.data(), 4 * whole), 0);
    const std::string tail = bytes.size() > 84 ? bytes.substr(84) : "";
    const size_t map = std::min(tail.find('\0'), tail.size());
    EXPECT_EQ(read->last_map_path, tail.substr(0, map));
    EXPECT_EQ(read->last_fgd_path,
              map == tail.size() ? "" : tail.substr(map + 1, tail.find('\0', map + 1) - map - 1));
  }
}

}  // namespace
}  // namespace tarnwick
