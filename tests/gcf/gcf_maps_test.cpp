// Maps made by the BSP builder, stored in caches and taken out again for the map model.
#include <gtest/gtest.h>

#include "config/config.h"
#include "gcf/gcf.h"
#include "gcf_test_util.h"
#include "map/bsp_file.h"
#include "support/bsp_builder.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

// A room with a wall in it, `starts` spawn points and `lighting` bytes of light data.
std::vector<uint8_t> MakeMap(int starts, size_t lighting) {
  BspBuilder map;
  map.AddBox({-512, -512, 0}, {512, 512, 256}, true);
  map.AddModel();
  map.AddBox({0, 0, 0}, {32, 32, 64}, false);
  map.AddModel();
  std::string entities = Block({{"classname", "worldspawn"}});
  for (int i = 0; i < starts; ++i) {
    entities +=
        Block({{"classname", "info_player_start"}, {"origin", std::to_string(i * 40) + " 0 36"}});
  }
  entities += Block({{"classname", "func_wall"}, {"model", "*1"}});
  map.SetEntities(entities);
  if (lighting > 0) map.SetLump(LUMP_LIGHTING, Pattern(lighting, static_cast<uint32_t>(starts)));
  return map.Build();
}

using GcfMaps = CacheFileTest;

TEST_F(GcfMaps, MapsComeOutWholeAndLoad) {
  Config config;
  config.spawn_point_entity = {"info_player_start"};
  config.spawn_point_displayname = {"Start"};
  const std::vector<int> starts = {1, 4, 9};
  const std::vector<std::vector<uint8_t>> maps = {MakeMap(1, 0), MakeMap(4, 20000),
                                                  MakeMap(9, 300000)};

  for (const uint32_t seed : {0u, 11u}) {
    GcfWriter writer;
    const uint32_t folder = writer.AddFolder("maps");
    writer.AddFile("readme.txt", Pattern(100, 1));
    std::vector<uint32_t> items;
    for (size_t i = 0; i < maps.size(); ++i) {
      items.push_back(writer.AddFile("map" + std::to_string(i) + ".bsp", maps[i], folder));
    }
    writer.AddFile("map0.bsp.txt", maps[0], folder);
    writer.Scatter(seed);
    // The file written with holes holds the same bytes as the one built in memory.
    const GcfLayout layout = writer.Write(path_);
    ASSERT_EQ(ReadFileBytes(path_), writer.Build());

    GCF gcf;
    ASSERT_TRUE(gcf.Open(path_));
    const auto listed = gcf.ListMaps();
    ASSERT_EQ(listed.size(), maps.size());
    for (const GcfMapEntry& entry : listed) {
      const auto i = static_cast<size_t>(entry.name[3] - '0');
      ASSERT_LT(i, maps.size());
      EXPECT_EQ(entry.block_entry, static_cast<int32_t>(layout.first_entry[items[i]]));
      const ExtractedItem item = gcf.ExtractItem(entry.block_entry);
      EXPECT_EQ(item.bytes, maps[i]);
      EXPECT_FALSE(item.chain_goes_on);
      const BSPFile map(item.bytes, config);
      EXPECT_EQ(map.GetEntityCount(), starts[i] + 2);
      EXPECT_EQ(map.GetSpawnPointCount(0), starts[i]);
    }
  }
}

}  // namespace
}  // namespace tarnwick::test
