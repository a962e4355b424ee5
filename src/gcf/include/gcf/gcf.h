#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/bytes.h"

namespace tarnwick {

// A map stored in the cache, as the picker lists it.
struct GcfMapEntry {
  int32_t block_entry;    // the item's first block entry
  std::string_view name;  // the item's name, inside the mapping: valid while the reader stays open
};

// The bytes of one block entry, copied out of the cache.
struct ExtractedItem {
  Bytes bytes;
  bool chain_goes_on = false;  // the block chain continues past the entry's data
};

// Reader of a game cache file. The whole file is mapped read-only and its directory used in
// place; an extracted item's blocks, and nothing else of the data, are read from the file.
//
// Offsets in the cache are 32-bit: of a file larger than 4 GiB - 1 only the first 4 GiB - 1 bytes
// are mapped and used.
class GCF {
 public:
  GCF() = default;
  ~GCF();
  GCF(const GCF&) = delete;
  GCF& operator=(const GCF&) = delete;

  // Maps the file and finds its sections and its data block header; false, and closed, when the
  // file cannot be mapped or its layout does not fit inside it.
  bool Open(const std::string& path);
  bool IsOpen() const { return view != nullptr; }
  // False when not open (and then nothing changes); otherwise whether the view was released.
  bool Close();

  // Unchecked, as they take indexes that come from the file itself: item k's NUL-terminated name,
  // inside the mapping when the index is sound, and the file offset where data block i starts.
  const char* GetItemName(uint32_t k) const;
  uint64_t GetBlockData(uint32_t i) const;

  // The maps the picker offers, in block-entry order: first entries of their items, not flagged
  // 0x200F0000, with a name that ends in ".bsp". Entries whose item lies outside the directory,
  // or whose name has no NUL before the end of the file, are left out. Empty when not open.
  std::vector<GcfMapEntry> ListMaps() const;

  // The `data_size` bytes of block entry `block_entry`, gathered along its block chain. Raises
  // Error when the reader is closed, the entry does not exist, the item is too large or its chain
  // leaves the cache; nothing partial is returned.
  ExtractedItem ExtractItem(int32_t block_entry) const;

 private:
  bool MapFile(const std::string& path);
  bool UnmapFile();
  bool FindSections();
  // Whether `size` bytes at file offset `offset` lie inside the file.
  bool Holds(uint64_t offset, uint64_t size) const {
    return offset <= file_length && size <= file_length - offset;
  }
  uint64_t OffsetOf(const uint8_t* p) const { return static_cast<uint64_t>(p - view); }
  bool IsValidBlock(uint32_t v) const;

  const uint8_t* view = nullptr;  // the whole file, read-only; null while closed
  int file = -1;                  // the file, open while the view is, for reading data blocks
  uint32_t file_length = 0;       // bytes mapped
  // Sections, in file order, all inside the view. The headers of the fragmentation map and the
  // block entry map, and the block entry map itself, are only stepped over.
  const uint8_t* header = nullptr;
  const uint8_t* block_entry_header = nullptr;
  const uint8_t* block_entries = nullptr;
  const uint8_t* fragmentation_map = nullptr;
  const uint8_t* directory_header = nullptr;
  const uint8_t* directory_entries = nullptr;
  const uint8_t* names = nullptr;
  const uint8_t* data_block_header = nullptr;
  uint64_t first_block = 0;  // file offset where data block 0 starts
};

}  // namespace tarnwick
