#include "config/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "test_files.h"

namespace tarnwick {
namespace {

using web_test::ReadFile;
using web_test::TempDir;
using web_test::WriteFile;

Settings Sample() {
  Settings s;
  for (int i = 0; i < Settings::kNumberCount; ++i) s.numbers[i] = (i + 1) * 1000 + i;
  s.numbers[0] = -5;
  s.numbers[3] = INT32_MIN;
  s.numbers[4] = INT32_MAX;
  s.numbers[17] = -1;
  s.numbers[20] = 0x12345678;
  s.last_map_path = "/home/me/my maps/r\xe9union hall \xff.bsp";
  s.last_fgd_path = "C:\\old\\entities.fgd";
  return s;
}

int32_t Number(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
  return static_cast<int32_t>(v);
}

class SettingsFileFormat : public ::testing::Test {
 protected:
  std::string Path() const { return dir_.Path() + "/settings.twk"; }
  TempDir dir_;
};

TEST_F(SettingsFileFormat, WritesNumbersLittleEndianThenTwoZeroEndedPaths) {
  const Settings s = Sample();
  ASSERT_TRUE(WriteSettings(Path(), s));
  const std::string bytes = ReadFile(Path());
  ASSERT_EQ(bytes.size(), 86 + s.last_map_path.size() + s.last_fgd_path.size());
  for (int i = 0; i < Settings::kNumberCount; ++i) EXPECT_EQ(Number(bytes, 4 * i), s.numbers[i]);
  EXPECT_EQ(bytes.substr(80, 4), std::string("\x78\x56\x34\x12", 4));
  EXPECT_EQ(bytes.substr(84), s.last_map_path + '\0' + s.last_fgd_path + '\0');
}

TEST_F(SettingsFileFormat, EmptyPathsAreOneZeroByteEach) {
  Settings s;
  ASSERT_TRUE(WriteSettings(Path(), s));
  EXPECT_EQ(ReadFile(Path()), std::string(86, '\0'));
}

TEST_F(SettingsFileFormat, ReadsBackWhatItWrote) {
  const Settings s = Sample();
  ASSERT_TRUE(WriteSettings(Path(), s));
  const auto read = ReadSettings(Path());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->numbers, s.numbers);
  EXPECT_EQ(read->numbers_read, Settings::kNumberCount);
  EXPECT_EQ(read->last_map_path, s.last_map_path);
  EXPECT_EQ(read->last_fgd_path, s.last_fgd_path);
}

TEST_F(SettingsFileFormat, RewritingReplacesALongerFile) {
  ASSERT_TRUE(WriteSettings(Path(), Sample()));
  ASSERT_TRUE(WriteSettings(Path(), Settings{}));
  EXPECT_EQ(ReadFile(Path()).size(), 86u);
}

TEST_F(SettingsFileFormat, AMissingFileReadsAsNothing) {
  EXPECT_FALSE(ReadSettings(Path()));
}

TEST_F(SettingsFileFormat, AnUnwritablePathFails) {
  EXPECT_FALSE(WriteSettings(dir_.Path() + "/no such folder/settings.twk", Sample()));
  EXPECT_FALSE(WriteSettings(dir_.Path(), Sample()));  // a folder
}

TEST_F(SettingsFileFormat, ACutFileGivesTheWholeNumbersAndThePathBytesBeforeTheCut) {
  const Settings s = Sample();
  ASSERT_TRUE(WriteSettings(Path(), s));
  const std::string full = ReadFile(Path());
  const size_t map_end = 84 + s.last_map_path.size();  // where the map path's zero byte is
  for (size_t length = 0; length <= full.size(); ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    WriteFile(Path(), full.substr(0, length));
    const auto read = ReadSettings(Path());
    ASSERT_TRUE(read);
    const int whole = static_cast<int>(std::min<size_t>(length / 4, Settings::kNumberCount));
    EXPECT_EQ(read->numbers_read, whole);
    for (int i = 0; i < whole; ++i) EXPECT_EQ(read->numbers[i], s.numbers[i]);
    const std::string map =
        length <= 84 ? "" : s.last_map_path.substr(0, std::min(length, map_end) - 84);
    const std::string fgd =
        length <= map_end + 1 ? "" : s.last_fgd_path.substr(0, length - map_end - 1);
    EXPECT_EQ(read->last_map_path, map);
    EXPECT_EQ(read->last_fgd_path, fgd);
  }
}

TEST_F(SettingsFileFormat, TextAfterTheSecondPathIsIgnored) {
  std::string bytes(84, '\x01');
  bytes += std::string("map\0fgd\0more\0", 13);
  WriteFile(Path(), bytes);
  const auto read = ReadSettings(Path());
  ASSERT_TRUE(read);
  EXPECT_EQ(read->numbers[0], 0x01010101);
  EXPECT_EQ(read->last_map_path, "map");
  EXPECT_EQ(read->last_fgd_path, "fgd");
}

TEST_F(SettingsFileFormat, GarbageNeverFailsTheReader) {
  std::mt19937 random(20240517);
  for (int round = 0; round < 300; ++round) {
    const size_t length = random() % 200;
    std::string bytes(length, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 4 == 0 ? 0 : random());
    WriteFile(Path(), bytes);
    const auto read = ReadSettings(Path());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->numbers_read, static_cast<int>(std::min<size_t>(length / 4, 21)));
    if (length > 84) {
      const std::string tail = bytes.substr(84);
      EXPECT_EQ(read->last_map_path, tail.substr(0, tail.find('\0')));
    }
  }
}

}  // namespace
}  // namespace tarnwick
