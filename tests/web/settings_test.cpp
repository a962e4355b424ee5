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
  void SetUp() override {
    for (int i = 0; i < Settings::kNumberCount; ++i) sample_.numbers[i] = (i + 1) * 1000 + i;
    sample_.numbers[3] = INT32_MIN;
    sample_.numbers[4] = INT32_MAX;
    sample_.numbers[17] = -1;
    sample_.numbers[20] = 0x12345678;
    sample_.last_map_path = "/home/me/my maps/r\xe9union hall \xff.bsp";
    sample_.last_fgd_path = "C:\\old\\entities.fgd";
  }
  TempDir dir_;
  std::string path_ = dir_.path + "/settings.twk";
  Settings sample_;
};

TEST_F(SettingsFileFormat, NumbersLittleEndianThenTwoZeroEndedPathsReadBackAlike) {
  EXPECT_FALSE(ReadSettings(path_));  // no file
  ASSERT_TRUE(WriteSettings(path_, sample_));
  ASSERT_TRUE(WriteSettings(path_, Settings{}));  // a longer file is replaced
  EXPECT_EQ(ReadFile(path_), std::string(86, '\0'));
  ASSERT_TRUE(WriteSettings(path_, sample_));
  const std::string bytes = ReadFile(path_);
  ASSERT_EQ(bytes.size(), 86 + sample_.last_map_path.size() + sample_.last_fgd_path.size());
  EXPECT_EQ(std::memcmp(bytes.data(), sample_.numbers.data(), 84), 0);
  EXPECT_EQ(bytes.substr(80, 4), "\x78\x56\x34\x12");
  EXPECT_EQ(bytes.substr(84), sample_.last_map_path + '\0' + sample_.last_fgd_path + '\0');
  const auto read = ReadSettings(path_);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->numbers, sample_.numbers);
  EXPECT_EQ(read->numbers_read, Settings::kNumberCount);
  EXPECT_EQ(read->last_map_path, sample_.last_map_path);
  EXPECT_EQ(read->last_fgd_path, sample_.last_fgd_path);
  EXPECT_FALSE(WriteSettings(dir_.path + "/no such folder/settings.twk", sample_));
  EXPECT_FALSE(WriteSettings(dir_.path, sample_));  // a folder
}

TEST_F(SettingsFileFormat, ACutFileGivesTheWholeNumbersAndThePathBytesBeforeTheCut) {
  ASSERT_TRUE(WriteSettings(path_, sample_));
  const std::string full = ReadFile(path_);
  const size_t map_end = 84 + sample_.last_map_path.size();  // the map path's zero byte
  for (size_t length = 0; length <= full.size(); ++length) {
    SCOPED_TRACE(length);
    WriteFile(path_, full.substr(0, length));
    const auto read = ReadSettings(path_);
    ASSERT_TRUE(read);
    const int whole = static_cast<int>(std::min<size_t>(length / 4, Settings::kNumberCount));
    EXPECT_EQ(read->numbers_read, whole);
    for (int i = 0; i < whole; ++i) EXPECT_EQ(read->numbers[i], sample_.numbers[i]);
    const auto cut = [&](size_t from, size_t to) -> std::string {
      return length <= from ? "" : full.substr(from, std::min(length, to) - from);
    };
    EXPECT_EQ(read->last_map_path, cut(84, map_end));
    EXPECT_EQ(read->last_fgd_path, cut(map_end + 1, full.size() - 1));
  }
}

// A quarter of the bytes are zero, so most files hold both paths and text after them.
TEST_F(SettingsFileFormat, GarbageNeverFailsTheReaderAndTextAfterTheSecondPathIsIgnored) {
  std::mt19937 random(20240517);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 200, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? 0 : random());
    WriteFile(path_, bytes);
    const auto read = ReadSettings(path_);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->numbers_read, static_cast<int>(std::min<size_t>(bytes.size() / 4, 21)));
    const std::string tail = bytes.size() > 84 ? bytes.substr(84) : "";
    const size_t map = tail.find('\0');
    EXPECT_EQ(read->last_map_path, tail.substr(0, map));
    if (map != std::string::npos) {
      EXPECT_EQ(read->last_fgd_path, tail.substr(map + 1, tail.find('\0', map + 1) - map - 1));
    }
  }
}

}  // namespace
}  // namespace tarnwick
