#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/bytes.h"

namespace tarnwick::test {

// The flags of a block entry in use, and those of an entry the picker never offers.
constexpr uint32_t kGcfEntryFlags = 0x200F8000, kGcfHiddenEntryFlags = 0x200F0000;

struct GcfFileOptions {
  uint32_t entry_flags = kGcfEntryFlags;
  bool split = false;  // two block entries, the second (the first's next) with the latter half
  bool chain_goes_on = false;  // the first entry's block chain runs on into one more block
};

// Where the writer put things (file offsets), for tests that look into a cache or damage it.
struct GcfLayout {
  uint32_t block_count = 0;  // data blocks, block entries and fragmentation map entries alike
  uint32_t fragmentation_map = 0, directory_entries = 0, names = 0, first_block_offset = 0;
  uint64_t file_size = 0;
  std::vector<uint32_t> first_entry;  // per item: its first block entry; block_count if none
  std::vector<std::vector<uint32_t>> blocks;  // per item: its first entry's data blocks, in order
};

// Writes cache files: a tree of folders and files, the files' data in chains of fixed-size blocks.
// Of what the reader skips, only some header words are filled in.
class GcfWriter {
 public:
  explicit GcfWriter(uint32_t block_size = 0x2000) : block_size_(block_size) {}
  // Item 0 is the root folder, whose name is empty. Both return the new item's index.
  uint32_t AddFolder(const std::string& name, uint32_t parent = 0) {
    return Add({name, parent, true, {}, {}});
  }
  uint32_t AddFile(const std::string& name, Bytes data, uint32_t parent = 0,
                   GcfFileOptions options = {}) {
    return Add({name, parent, false, std::move(data), options});
  }
  // Numbers data blocks and block entries in a shuffled order rather than one after the other.
  void Scatter(uint32_t seed) { scatter_seed_ = seed; }
  // Makes the cache hold at least `count` blocks; the unused ones stay zero.
  void ReserveBlocks(uint32_t count) { reserved_blocks_ = count; }
  Bytes Build(GcfLayout* layout = nullptr) const;
  // Writes the file with its unused blocks left as holes, so that a huge cache costs little disk.
  GcfLayout Write(const std::string& path) const;

 private:
  struct Item {
    std::string name;
    uint32_t parent;
    bool folder;
    Bytes data;
    GcfFileOptions options;
  };
  using Piece = std::pair<uint64_t, std::span<const uint8_t>>;  // bytes for a file offset
  uint32_t Add(Item item) {
    items_.push_back(std::move(item));
    return static_cast<uint32_t>(items_.size() - 1);
  }
  // Everything before data block 0 into `head`; the pieces of the file, `head` the first.
  GcfLayout Plan(Bytes& head, std::vector<Piece>& pieces) const;

  uint32_t block_size_;
  std::vector<Item> items_{{"", 0xFFFFFFFF, true, {}, {}}};
  uint32_t scatter_seed_ = 0, reserved_blocks_ = 0;
};

}  // namespace tarnwick::test
