#include "gcf/gcf.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "error.h"
#include "gcf_test_util.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

// The message of the Error that extracting `entry` raises, or "" when it raises none.
std::string ExtractError(const GCF& gcf, int32_t entry) {
  try {
    gcf.ExtractItem(entry);
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

std::vector<std::string> ListedNames(const GCF& gcf) {
  std::vector<std::string> names;
  for (const GcfMapEntry& map : gcf.ListMaps()) names.emplace_back(map.name);
  return names;
}

// The words of a data block header for a cache of `n` blocks of `block_size` bytes.
std::vector<uint32_t> DataBlockHeader(uint32_t n, uint32_t block_size, uint32_t first_block_offset,
                                      uint32_t blocks_used) {
  return {n, block_size, first_block_offset, blocks_used,
          n + block_size + first_block_offset + blocks_used};
}

// A cache with no directory items and one block entry, the first of its item, that holds 4 bytes
// in data block 0. Its name table starts at kTable and holds `tail`, the words the scan looks at.
constexpr uint32_t kTable = 168 + 40;
constexpr uint32_t kBlockSize = 4;
std::vector<uint8_t> BareCache(const std::vector<uint32_t>& tail, uint32_t file_size = 0) {
  std::vector<uint8_t> bytes(kTable + 4 * tail.size());
  SetWord(bytes, 28, file_size ? file_size : static_cast<uint32_t>(bytes.size()));
  SetWord(bytes, 32, kBlockSize);
  SetWord(bytes, 36, 1);
  SetWord(bytes, 44, 1);
  SetWord(bytes, 76 + 8, 4);            // data_size
  SetWord(bytes, 76 + 20, 1);           // no previous entry
  SetWord(bytes, 92 + 28, 0xFFFFFFFF);  // the chain ends after block 0
  for (size_t i = 0; i < tail.size(); ++i) SetWord(bytes, kTable + 4 * i, tail[i]);
  return bytes;
}

std::vector<uint32_t> Join(std::initializer_list<std::vector<uint32_t>> parts) {
  std::vector<uint32_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

using GcfScan = CacheFileTest;

TEST_F(GcfScan, FirstMatchingCandidateAfterTheTableStartWins) {
  constexpr uint32_t a = kTable + 4 * 12, b = kTable + 4 * 13;  // the two data words below
  const auto header_a = DataBlockHeader(1, kBlockSize, a, 1);
  const auto header_b = DataBlockHeader(1, kBlockSize, b, 1);
  auto decoy = header_a;
  decoy[4] += 1;
  const std::vector<uint32_t> data = {0x41414141, 0x42424242};
  GCF gcf;
  // The start of the table itself is never a candidate.
  EXPECT_FALSE(gcf.Open(Save(BareCache(Join({header_a, {0, 0, 0, 0, 0, 0}, data})))));
  ASSERT_TRUE(gcf.Open(Save(BareCache(Join({{0}, header_a, header_b, {0}, data})))));
  EXPECT_EQ(gcf.ExtractItem(0).bytes, std::vector<uint8_t>(4, 'A'));
  ASSERT_TRUE(gcf.Open(Save(BareCache(Join({{0}, decoy, header_b, {0}, data})))));
  EXPECT_EQ(gcf.ExtractItem(0).bytes, std::vector<uint8_t>(4, 'B'));
}

TEST_F(GcfScan, ComparesEachWordOfTheCandidate) {
  const auto opens = [&](std::vector<uint32_t> header, uint32_t file_size = 0) {
    header[4] = header[0] + header[1] + header[2] + header[3];
    GCF gcf;
    return gcf.Open(Save(BareCache(Join({{0}, header, {0, 0}}), file_size)));
  };
  constexpr uint32_t size = kTable + 4 * 8;
  EXPECT_TRUE(opens({1, kBlockSize, size - 4, 1, 0}));
  EXPECT_TRUE(opens({1, kBlockSize, 0, 0, 0}));
  EXPECT_FALSE(opens({2, kBlockSize, 0, 1, 0}));      // block_count differs
  EXPECT_FALSE(opens({1, kBlockSize + 4, 0, 1, 0}));  // block_size differs
  EXPECT_FALSE(opens({1, kBlockSize, size, 1, 0}));   // first_block_offset at file_size
  EXPECT_FALSE(opens({1, kBlockSize, 0, 2, 0}));      // more blocks used than there are
  auto off_by_one = DataBlockHeader(1, kBlockSize, 0, 1);
  off_by_one[4] += 1;
  GCF gcf;
  EXPECT_FALSE(gcf.Open(Save(BareCache(Join({{0}, off_by_one, {0, 0}})))));
}

TEST_F(GcfScan, ChecksumWrapsAround) {
  std::vector<uint8_t> bytes = BareCache(Join({{0}, DataBlockHeader(1, 0xFFFFFFF0, 32, 1), {0}}));
  SetWord(bytes, 32, 0xFFFFFFF0);
  ASSERT_EQ(GetWord(bytes, kTable + 4 + 16), 0x12u);
  GCF gcf;
  EXPECT_TRUE(gcf.Open(Save(bytes)));
  // Such blocks cannot carry data: the chain counts as broken.
  EXPECT_EQ(ExtractError(gcf, 0), "GCF::ExtractItem (broken block chain)");
}

TEST_F(GcfScan, StaysWithinTheClaimedAndTheRealSize) {
  const auto tail = Join({{0}, DataBlockHeader(1, kBlockSize, 0, 1), {0}});
  GCF gcf;
  EXPECT_TRUE(gcf.Open(Save(BareCache(tail, kTable + 4 + 20))));  // the candidate just fits
  EXPECT_FALSE(gcf.Open(Save(BareCache(tail, kTable + 4 + 19))));
  EXPECT_FALSE(gcf.Open(Save(BareCache(tail, 19))));  // below 20: no candidate at all
  // A header that claims more than the file has: the scan stops at the real end.
  EXPECT_TRUE(gcf.Open(Save(BareCache(tail, 0xFFFFFFFF))));
  EXPECT_FALSE(gcf.Open(Save(BareCache({0, 0, 0, 0, 0, 0, 0}, 0xFFFFFFFF))));
  // Data block 0 past the end of the file.
  EXPECT_FALSE(
      gcf.Open(Save(BareCache(Join({{0}, DataBlockHeader(1, kBlockSize, 100000, 1)}), 200000))));
}

TEST_F(GcfScan, CountsThatPlaceSectionsOutsideTheFileFailTheOpen) {
  const auto good = BareCache(Join({{0}, DataBlockHeader(1, kBlockSize, 0, 1)}));
  GCF gcf;
  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_FALSE(gcf.Open(Save({good.begin(), good.begin() + length}))) << length;
  }
  for (const uint32_t n : {2u, 1000u, 0x10000000u, 0xFFFFFFFFu}) {
    auto bytes = good;
    SetWord(bytes, 36, n);
    EXPECT_FALSE(gcf.Open(Save(bytes))) << n;
  }
  for (const uint32_t m : {1u, 0x10000000u, 0xFFFFFFFFu}) {
    auto bytes = good;
    SetWord(bytes, 112 + 40 + 12, m);
    EXPECT_FALSE(gcf.Open(Save(bytes))) << m;
  }
  EXPECT_TRUE(gcf.Open(Save(good)));
}

// A cache with folders, files of many sizes and the cases the picker must leave out.
struct Sample {
  GcfWriter writer{64};
  uint32_t maps = writer.AddFolder("maps");
  uint32_t sound = writer.AddFolder("sound");
  std::vector<uint8_t> big = Pattern(64 * 5 + 17, 1);
  std::vector<uint8_t> exact = Pattern(64 * 3, 2);
  uint32_t de_big = writer.AddFile("de_big.bsp", big, maps);
  uint32_t readme = writer.AddFile("readme.txt", Pattern(10, 3));
  uint32_t loud = writer.AddFile("loud.wav", Pattern(300, 4), sound);
  uint32_t capitals = writer.AddFile("CAPS.BSP", Pattern(70, 5), maps);
  uint32_t hidden =
      writer.AddFile("hidden.bsp", Pattern(70, 6), maps, {.entry_flags = kGcfHiddenEntryFlags});
  uint32_t split = writer.AddFile("split.bsp", Pattern(64 * 4, 7), maps, {.split = true});
  uint32_t exact_runs_on = writer.AddFile("exact.bsp", exact, maps, {.chain_goes_on = true});
  uint32_t empty = writer.AddFile("empty.bsp", {}, maps);
  uint32_t bare = writer.AddFile(".bsp", Pattern(1, 8), maps);
  uint32_t short_name = writer.AddFile("bsp", Pattern(1, 9), maps);
  uint32_t twin_a = writer.AddFile("twin.bsp", Pattern(65, 10), maps);
  uint32_t twin_b = writer.AddFile("twin.bsp", Pattern(63, 11), sound);
  std::vector<uint32_t> listed = {de_big, split, exact_runs_on, empty, bare, twin_a, twin_b};
};

using GcfReader = CacheFileTest;

TEST_F(GcfReader, OpensAndClosesOneFileAtATime) {
  GCF gcf;
  EXPECT_FALSE(gcf.IsOpen());
  EXPECT_FALSE(gcf.Close());
  EXPECT_TRUE(gcf.ListMaps().empty());
  EXPECT_EQ(ExtractError(gcf, 0), "GCF::ExtractItem (cache not open)");

  Sample sample;
  ASSERT_TRUE(gcf.Open(Save(sample.writer.Build())));
  EXPECT_TRUE(gcf.IsOpen());
  EXPECT_EQ(gcf.FileName(), path_);
  EXPECT_TRUE(gcf.Close());
  EXPECT_FALSE(gcf.IsOpen());
  EXPECT_EQ(gcf.FileName(), "");
  EXPECT_FALSE(gcf.Close());

  // A failed open closes the cache that was open; the name of the last good one stays.
  ASSERT_TRUE(gcf.Open(path_));
  for (const std::string& bad : {path_ + ".missing", ::testing::TempDir()}) {
    EXPECT_FALSE(gcf.Open(bad));
    EXPECT_FALSE(gcf.IsOpen());
    EXPECT_EQ(ExtractError(gcf, 0), "GCF::ExtractItem (cache not open)");
  }
  EXPECT_FALSE(gcf.Close());
  EXPECT_EQ(gcf.FileName(), path_);
  EXPECT_FALSE(gcf.Open(Save({})));  // an empty file cannot be mapped
}

TEST_F(GcfReader, ListsFirstEntriesOfBspItemsInBlockEntryOrder) {
  for (const uint32_t seed : {0u, 1u, 7u}) {
    Sample sample;
    sample.writer.Scatter(seed);
    GcfLayout layout;
    GCF gcf;
    ASSERT_TRUE(gcf.Open(Save(sample.writer.Build(&layout))));
    auto expected = sample.listed;
    std::sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
      return layout.first_entry[a] < layout.first_entry[b];
    });
    const auto maps = gcf.ListMaps();
    ASSERT_EQ(maps.size(), expected.size()) << seed;
    for (size_t k = 0; k < maps.size(); ++k) {
      EXPECT_EQ(maps[k].block_entry, static_cast<int32_t>(layout.first_entry[expected[k]]));
      EXPECT_EQ(maps[k].name, gcf.GetItemName(expected[k]));
    }
  }
}

TEST_F(GcfReader, ExtractsTheFirstEntrysBytesAlongTheChain) {
  for (const uint32_t seed : {0u, 3u}) {
    Sample sample;
    sample.writer.Scatter(seed);
    GcfLayout layout;
    GCF gcf;
    ASSERT_TRUE(gcf.Open(Save(sample.writer.Build(&layout))));
    const auto extract = [&](uint32_t item) {
      return gcf.ExtractItem(static_cast<int32_t>(layout.first_entry[item]));
    };
    const ExtractedItem big = extract(sample.de_big);
    EXPECT_EQ(big.bytes, sample.big);
    EXPECT_FALSE(big.chain_goes_on);
    // An exact multiple of the block size: the last block is copied whole, then the chain runs on.
    const ExtractedItem exact = extract(sample.exact_runs_on);
    EXPECT_EQ(exact.bytes, sample.exact);
    EXPECT_TRUE(exact.chain_goes_on);
    // Only the first entry of a split item.
    EXPECT_EQ(extract(sample.split).bytes, Pattern(64 * 2, 7));
    const ExtractedItem empty = extract(sample.empty);
    EXPECT_TRUE(empty.bytes.empty());
    EXPECT_FALSE(empty.chain_goes_on);
    EXPECT_EQ(extract(sample.twin_b).bytes, Pattern(63, 11));
  }
}

TEST_F(GcfReader, RejectsEntriesAndSizesOutsideTheCache) {
  Sample sample;
  GcfLayout layout;
  auto bytes = sample.writer.Build(&layout);
  const uint32_t entry = layout.first_entry[sample.de_big];
  const uint64_t entry_at = 76 + 28ull * entry;
  GCF gcf;
  ASSERT_TRUE(gcf.Open(Save(bytes)));
  for (const int32_t e : {-1, static_cast<int32_t>(layout.block_count), 0x7FFFFFFF}) {
    EXPECT_EQ(ExtractError(gcf, e), "GCF::ExtractItem (no such block entry)") << e;
  }
  // A block entry count beyond the section: entries past the end of the file do not exist.
  SetWord(bytes, 44, 0x7FFFFFFF);
  ASSERT_TRUE(gcf.Open(Save(bytes)));
  EXPECT_TRUE(gcf.ListMaps().empty());  // no entry is then the first of its item
  EXPECT_EQ(ExtractError(gcf, 0x7FFFFFF0), "GCF::ExtractItem (no such block entry)");
  SetWord(bytes, 44, layout.block_count);

  for (const uint32_t size : {static_cast<uint32_t>(bytes.size()) + 1, 0x80000000u, 0xFFFFFFFFu}) {
    SetWord(bytes, entry_at + 8, size);
    ASSERT_TRUE(gcf.Open(Save(bytes)));
    EXPECT_EQ(ExtractError(gcf, static_cast<int32_t>(entry)), "GCF::ExtractItem (item too large)");
  }
}

TEST_F(GcfReader, BrokenChainsFailWithoutHandingOnBytes) {
  Sample sample;
  sample.writer.Scatter(5);
  GcfLayout layout;
  const auto good = sample.writer.Build(&layout);
  const auto entry = static_cast<int32_t>(layout.first_entry[sample.de_big]);
  const std::vector<uint32_t>& blocks = layout.blocks[sample.de_big];
  const auto next_of = [&](uint32_t block) { return layout.fragmentation_map + 4ull * block; };
  GCF gcf;
  for (const uint32_t bad : {layout.block_count, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    auto bytes = good;
    SetWord(bytes, next_of(blocks[2]), bad);  // in the middle of the chain
    ASSERT_TRUE(gcf.Open(Save(bytes)));
    EXPECT_EQ(ExtractError(gcf, entry), "GCF::ExtractItem (broken block chain)") << bad;
    bytes = good;
    SetWord(bytes, 76 + 28ull * entry + 12, bad);  // first_block_index
    ASSERT_TRUE(gcf.Open(Save(bytes)));
    EXPECT_EQ(ExtractError(gcf, entry), "GCF::ExtractItem (broken block chain)") << bad;
  }
  // A block that points back at itself: followed once per block of data, and no further.
  auto bytes = good;
  SetWord(bytes, next_of(blocks[1]), blocks[1]);
  ASSERT_TRUE(gcf.Open(Save(bytes)));
  const ExtractedItem looped = gcf.ExtractItem(entry);
  ASSERT_EQ(looped.bytes.size(), sample.big.size());
  EXPECT_TRUE(std::equal(looped.bytes.begin() + 64, looped.bytes.begin() + 128,
                         looped.bytes.begin() + 128));
  EXPECT_TRUE(looped.chain_goes_on);
  // A block count in the block entry header beyond the fragmentation map: an index that is valid
  // by that count but whose map word lies outside the file.
  bytes = good;
  const auto huge = static_cast<uint32_t>(bytes.size());
  SetWord(bytes, 44, huge);
  SetWord(bytes, next_of(blocks[0]), huge - 1);
  ASSERT_TRUE(gcf.Open(Save(bytes)));
  EXPECT_EQ(ExtractError(gcf, entry), "GCF::ExtractItem (broken block chain)");
}

TEST_F(GcfReader, NamesMustEndInsideTheFile) {
  GcfWriter writer(16);
  const uint32_t a = writer.AddFile("de_a.bsp", Pattern(5, 1));
  const uint32_t b = writer.AddFile("b.bsp", Pattern(5, 2));
  const uint32_t c = writer.AddFile("c.bsp", Pattern(5, 3));
  std::vector<uint8_t> last_block = Pattern(16, 4);
  std::memcpy(last_block.data() + 11, "x.bsp", 5);
  const uint32_t d = writer.AddFile("d.bsp", last_block);
  const uint32_t e = writer.AddFile("e.bsp", {});
  GcfLayout layout;
  auto bytes = writer.Build(&layout);
  ASSERT_EQ(bytes.size(), layout.first_block_offset + 16ull * layout.block_count);
  const auto name_offset_at = [&](uint32_t item) {
    return layout.directory_entries + 28ull * item;
  };
  // b names the tail of a's name; c the last five bytes of the file, "x.bsp" with no NUL after
  // it; d the end of the file; e's entry names an item past the directory.
  SetWord(bytes, name_offset_at(b), GetWord(bytes, name_offset_at(a)) + 3);
  SetWord(bytes, name_offset_at(c), static_cast<uint32_t>(bytes.size() - 5 - layout.names));
  SetWord(bytes, name_offset_at(d), static_cast<uint32_t>(bytes.size() - layout.names));
  SetWord(bytes, 76 + 28ull * layout.first_entry[e] + 24, e + 1);
  GCF gcf;
  ASSERT_TRUE(gcf.Open(Save(bytes)));
  EXPECT_EQ(ListedNames(gcf), (std::vector<std::string>{"de_a.bsp", "a.bsp"}));
}

TEST_F(GcfReader, TruncatedCachesFailCleanly) {
  Sample sample;
  sample.writer.Scatter(9);
  GcfLayout layout;
  const auto full = sample.writer.Build(&layout);
  GCF gcf;
  ASSERT_TRUE(gcf.Open(Save(full)));
  std::map<int32_t, std::vector<uint8_t>> whole;
  for (const GcfMapEntry& map : gcf.ListMaps())
    whole[map.block_entry] = gcf.ExtractItem(map.block_entry).bytes;

  // Cut anywhere: the open fails until the data block header is whole; after that every map
  // comes out whole or fails as a broken chain.
  int extracted = 0, broken = 0;
  for (size_t length = layout.first_block_offset % 7 + 7; length < full.size();
       length += length < layout.first_block_offset ? 7 : 37) {
    ASSERT_EQ(gcf.Open(Save({full.begin(), full.begin() + length})),
              length >= layout.first_block_offset);
    for (const GcfMapEntry& map : gcf.ListMaps()) {
      const std::string error = ExtractError(gcf, map.block_entry);
      if (error.empty()) {
        EXPECT_EQ(gcf.ExtractItem(map.block_entry).bytes, whole.at(map.block_entry));
        ++extracted;
      } else {
        EXPECT_EQ(error, "GCF::ExtractItem (broken block chain)");
        ++broken;
      }
    }
  }
  EXPECT_GT(extracted, 0);
  EXPECT_GT(broken, 0);
}

}  // namespace
}  // namespace tarnwick::test
