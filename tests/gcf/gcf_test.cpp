#include "gcf/gcf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/bsp_builder.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

// `bytes` with the words at the given file offsets changed.
Bytes Changed(Bytes bytes, const std::vector<std::pair<uint64_t, uint32_t>>& words) {
  for (const auto& [at, value] : words) SetI32(bytes, at, static_cast<int32_t>(value));
  return bytes;
}

class GcfReader : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove(path_); }
  // "closed" when `bytes` do not open; else what extracting block entry `entry` gives.
  std::string Outcome(const Bytes& bytes, int32_t entry = 0) {
    WriteFileBytes(path_, bytes);
    return gcf_.Open(path_) ? Extract(entry) : "closed";
  }
  // The entry's bytes as text, marked when the chain goes on, or the message extracting raises.
  std::string Extract(int32_t entry) {
    try {
      const ExtractedItem item = gcf_.ExtractItem(entry);
      return std::string(item.bytes.begin(), item.bytes.end()) + (item.chain_goes_on ? "..." : "");
    } catch (const Error& e) {
      return e.what();
    }
  }
  GCF gcf_;
  std::string path_ = ::testing::TempDir() + "gcf_test_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".gcf";
};

// A cache of the sample map, files of other sizes, and the cases the picker leaves out.
struct Sample {
  explicit Sample(uint32_t seed) {
    writer.AddFile("readme.txt", Bytes(10, 1));
    writer.AddFile("CAPS.BSP", Bytes(70, 2), maps);
    writer.AddFile("hidden.bsp", Bytes(70, 3), maps, {.entry_flags = kGcfHiddenEntryFlags});
    writer.Scatter(seed);
    bytes = writer.Build(&layout);
  }
  int32_t First(uint32_t item) const { return static_cast<int32_t>(layout.first_entry[item]); }
  GcfWriter writer{64};
  uint32_t maps = writer.AddFolder("maps"), sound = writer.AddFolder("sound");
  Bytes room = ReadFileBytes(TARNWICK_DATA_DIR "/sample.bsp");
  uint32_t de_room = writer.AddFile("de_room.bsp", room, maps);
  uint32_t split = writer.AddFile("split.bsp", Bytes(64 * 4, 5), maps, {.split = true});
  uint32_t exact = writer.AddFile("exact.bsp", Bytes(64 * 3, 6), maps, {.chain_goes_on = true});
  uint32_t empty = writer.AddFile("empty.bsp", {}, maps);
  uint32_t bare = writer.AddFile(".bsp", Bytes(1, 7), maps);
  uint32_t twin_a = writer.AddFile("twin.bsp", Bytes(65, 8), maps);
  uint32_t twin_b = writer.AddFile("twin.bsp", Bytes(63, 9), sound);
  std::vector<uint32_t> listed = {de_room, split, exact, empty, bare, twin_a, twin_b};
  GcfLayout layout;
  Bytes bytes;
};

TEST_F(GcfReader, ListsAndExtractsTheMapsInBlockEntryOrderAndFailsCleanlyOnDamage) {
  for (const uint32_t seed : {0u, 3u, 7u}) {
    const Sample s(seed);
    ASSERT_NE(Outcome(s.bytes), "closed");
    std::vector<int32_t> expected, listed;
    for (const uint32_t item : s.listed) expected.push_back(s.First(item));
    std::ranges::sort(expected);
    for (const GcfMapEntry& map : gcf_.ListMaps()) listed.push_back(map.block_entry);
    EXPECT_EQ(listed, expected) << seed;
    EXPECT_EQ(Extract(s.First(s.de_room)), std::string(s.room.begin(), s.room.end()));
    // An exact multiple of the block size: the last block is copied whole, then the chain runs on.
    EXPECT_EQ(Extract(s.First(s.exact)), std::string(64 * 3, 6) + "...");
    EXPECT_EQ(Extract(s.First(s.split)), std::string(128, 5));  // only the first entry's half
    EXPECT_EQ(Extract(s.First(s.twin_b)), std::string(63, 9));
    EXPECT_EQ(Extract(s.First(s.empty)), "");
  }
  // A failed open closes the cache that was open.
  EXPECT_FALSE(gcf_.Open(::testing::TempDir()));  // a folder
  EXPECT_TRUE(gcf_.ListMaps().empty());
  EXPECT_EQ(Extract(0), "GCF::ExtractItem (cache not open)");
  EXPECT_EQ(Outcome({}), "closed");  // an empty file cannot be mapped
  // Damage fails cleanly.
  const Sample s(5);
  const int32_t entry = s.First(s.de_room);
  const uint64_t entry_at = 76 + 28ull * entry;
  const std::vector<uint32_t>& blocks = s.layout.blocks[s.de_room];
  const auto next_of = [&](uint32_t block) { return s.layout.fragmentation_map + 4ull * block; };
  const uint32_t n = s.layout.block_count, size = static_cast<uint32_t>(s.bytes.size());
  const std::string broken = "GCF::ExtractItem (broken block chain)";
  for (const uint32_t bad : {size + 1, 0x80000000u, 0xFFFFFFFFu})
    EXPECT_EQ(Outcome(Changed(s.bytes, {{entry_at + 8, bad}}), entry),
              "GCF::ExtractItem (item too large)");
  for (const uint32_t bad : {n, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    EXPECT_EQ(Outcome(Changed(s.bytes, {{next_of(blocks[2]), bad}}), entry), broken) << bad;
    EXPECT_EQ(Outcome(Changed(s.bytes, {{entry_at + 12, bad}}), entry), broken) << bad;
  }
  // A block count beyond the fragmentation map: a block valid by that count, its word outside.
  EXPECT_EQ(Outcome(Changed(s.bytes, {{44, size}, {next_of(blocks[0]), size - 1}}), entry), broken);
  // A block that points back at itself: followed once per block of data, and no further.
  const std::string looped = Outcome(Changed(s.bytes, {{next_of(blocks[1]), blocks[1]}}), entry);
  ASSERT_EQ(looped.size(), s.room.size() + 3);
  EXPECT_EQ(looped.substr(128, 64), looped.substr(64, 64));
  EXPECT_TRUE(looped.ends_with("..."));
}

}  // namespace
}  // namespace tarnwick::test
