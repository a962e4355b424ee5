// The inputs that once made the map fuzz targets fail (fuzz/regressions), replayed in the test
// build: a map that loads saves into a file that loads back with the same entity texts, and saves
// the same again; an entity text that is taken, then moved and turned, joins a map that does the
// same.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "map/bsp_file.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> TextsOf(const BSPFile& map) {
  std::vector<std::string> texts;
  for (const Entity& e : map.entities) texts.push_back(e.text);
  return texts;
}

std::vector<fs::path> Inputs(const std::string& target) {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(fs::path(TARNWICK_REGRESSIONS) / target)) {
    inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

class RegressionInputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string dir_template = (fs::temp_directory_path() / "tarnwick_regress_XXXXXX").string();
    ASSERT_NE(mkdtemp(dir_template.data()), nullptr);
    dir = dir_template;
    // The configuration the fuzz targets load with.
    ASSERT_TRUE(config.ReadFile(TARNWICK_DATA_DIR "/Config.cfg"));
  }
  void TearDown() override { fs::remove_all(dir); }

  // Saves `map` twice; the first file loads back with the map's texts, the second is the same.
  void ExpectSavedAndLoadedBack(BSPFile& map, const std::string& what) {
    const std::string first = (dir / "first.bsp").string(), second = (dir / "second.bsp").string();
    map.SaveFile(first);
    const std::string error = LoadError(ReadFileBytes(first), config);
    EXPECT_EQ(error, "") << what;
    if (error.empty()) {
      EXPECT_EQ(TextsOf(BSPFile(ReadFileBytes(first), config)), TextsOf(map)) << what;
    }
    map.SaveFile(second);
    EXPECT_EQ(ReadFileBytes(second), ReadFileBytes(first)) << what;
  }

  fs::path dir;
  Config config;
};

TEST_F(RegressionInputsTest, MapsThatLoadSaveAndLoadBack) {
  size_t loaded = 0;
  for (const fs::path& input : Inputs("map_load")) {
    Bytes bytes = ReadFileBytes(input.string());
    if (!LoadError(bytes, config).empty()) continue;  // refused with a message: also fine
    ++loaded;
    BSPFile map(std::move(bytes), config);
    ExpectSavedAndLoadedBack(map, input.filename().string());
  }
  EXPECT_GE(loaded, 3u);  // most of them load: the fault was in the save or the texts
}

TEST_F(RegressionInputsTest, EntityTextsThatAreTakenSaveAndLoadBack) {
  const BSPFile base(RoomBuilder(kWorld + Block({{"classname", "func_door"}, {"model", "*1"}}) +
                                 std::string(1, '\0'))
                         .Build(),
                     config);
  for (const fs::path& input : Inputs("entity_text")) {
    const Bytes bytes = ReadFileBytes(input.string());
    BSPFile map = base;
    const std::string error =
        ErrorOf([&] { map.AddEntity(std::string(bytes.begin(), bytes.end())); });
    if (!error.empty()) {
      EXPECT_EQ(TextsOf(map), TextsOf(base)) << input.filename();
      continue;
    }
    Entity& added = map.entities.back();  // moved and turned as the fuzz target does
    added.origin = {136.3f, -200.25f, 0.0f};
    added.angles = {15, 0, -22.5f};
    added.angle = 0.5f;
    for (int32_t i = 0; i < map.GetEntityCount(); ++i) map.WriteBack(i);
    ExpectSavedAndLoadedBack(map, input.filename().string());
  }
}

}  // namespace
}  // namespace tarnwick::test
