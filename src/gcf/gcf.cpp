#include "gcf/gcf.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>

#include "base/bytes.h"
#include "base/error.h"

namespace tarnwick {
namespace {

// Sizes of the fixed records of the cache.
constexpr uint64_t kFileHeaderSize = 44;
constexpr uint64_t kBlockEntryHeaderSize = 32;
constexpr uint64_t kBlockEntrySize = 28;
constexpr uint64_t kFragmentationMapHeaderSize = 16;
constexpr uint64_t kBlockEntryMapHeaderSize = 20;
constexpr uint64_t kBlockEntryMapEntrySize = 8;
constexpr uint64_t kDirectoryHeaderSize = 56;
constexpr uint64_t kDirectoryEntrySize = 28;
constexpr uint64_t kDataBlockHeaderSize = 20;

// Entries with exactly these flags are never offered to the user.
constexpr uint32_t kHiddenEntryFlags = 0x200F0000;

// Reads `size` bytes at file offset `offset` into `to`; false when the file ends first.
bool ReadAt(int fd, uint8_t* to, size_t size, uint64_t offset) {
  while (size > 0) {
    const ssize_t n = pread(fd, to, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    to += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

}  // namespace

GCF::~GCF() {
  Close();
}

bool GCF::Open(const std::string& path) {
  if (!MapFile(path)) return false;
  if (!FindSections()) {
    UnmapFile();
    return false;
  }
  return true;
}

bool GCF::Close() {
  if (!IsOpen()) return false;
  return UnmapFile();
}

const char* GCF::GetItemName(uint32_t k) const {
  return reinterpret_cast<const char*>(names +
                                       ReadU32(directory_entries + kDirectoryEntrySize * k));
}

uint64_t GCF::GetBlockData(uint32_t i) const {
  return first_block + uint64_t{i} * ReadU32(data_block_header + 4);
}

bool GCF::MapFile(const std::string& path) {
  UnmapFile();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  // An empty file cannot be mapped; only regular files have the size they report.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
    ::close(fd);
    return false;
  }
  file_length = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(info.st_size),
                                                         std::numeric_limits<uint32_t>::max()));
  void* mapped = mmap(nullptr, file_length, PROT_READ, MAP_SHARED, fd, 0);
  if (mapped == MAP_FAILED) {
    ::close(fd);
    return false;
  }
  view = static_cast<const uint8_t*>(mapped);
  file = fd;
  return true;
}

bool GCF::UnmapFile() {
  if (!IsOpen()) return false;
  const bool released = munmap(const_cast<uint8_t*>(view), file_length) == 0;
  const bool closed = ::close(file) == 0;
  view = nullptr;
  file = -1;
  return released && closed;
}

bool GCF::FindSections() {
  // The sections follow each other without gaps; their sizes come from the two counts, which are
  // taken on trust but never let a section reach past the end of the file.
  if (!Holds(0, kFileHeaderSize + kBlockEntryHeaderSize)) return false;
  header = view;
  block_entry_header = view + kFileHeaderSize;
  const uint64_t n = ReadU32(header + 36);
  uint64_t at = kFileHeaderSize + kBlockEntryHeaderSize;
  const uint64_t block_entries_at = at;
  at += kBlockEntrySize * n + kFragmentationMapHeaderSize;
  const uint64_t fragmentation_map_at = at;
  at += 4 * n + kBlockEntryMapHeaderSize + kBlockEntryMapEntrySize * n;
  const uint64_t directory_header_at = at;
  if (!Holds(directory_header_at, kDirectoryHeaderSize)) return false;
  const uint64_t m = ReadU32(view + directory_header_at + 12);
  at += kDirectoryHeaderSize;
  const uint64_t directory_entries_at = at;
  at += kDirectoryEntrySize * m;
  const uint64_t names_at = at;
  if (names_at > file_length) return false;
  block_entries = view + block_entries_at;
  fragmentation_map = view + fragmentation_map_at;
  directory_header = view + directory_header_at;
  directory_entries = view + directory_entries_at;
  names = view + names_at;

  // The data block header: the first 4-byte step past the start of the name table whose five
  // words repeat the header's counts and sum to their checksum. Candidates stay inside both the
  // size the header claims and the real file.
  const uint32_t file_size = ReadU32(header + 28);
  const uint32_t block_size = ReadU32(header + 32);
  const auto block_count = static_cast<uint32_t>(n);
  const uint64_t limit = std::min(file_size, file_length);
  if (limit < kDataBlockHeaderSize) return false;
  for (uint64_t candidate = names_at + 4; candidate <= limit - kDataBlockHeaderSize;
       candidate += 4) {
    const uint8_t* p = view + candidate;
    const uint32_t w0 = ReadU32(p), w1 = ReadU32(p + 4), w2 = ReadU32(p + 8), w3 = ReadU32(p + 12);
    if (w0 != block_count || w1 != block_size || w2 >= file_size || w3 > block_count ||
        w0 + w1 + w2 + w3 != ReadU32(p + 16)) {
      continue;
    }
    // Data block 0 must start inside the file (or right at its end, for a cache with no data).
    if (w2 > file_length) return false;
    data_block_header = p;
    first_block = w2;
    return true;
  }
  return false;
}

bool GCF::IsValidBlock(uint32_t v) const {
  const auto count = static_cast<int32_t>(ReadU32(block_entry_header));
  return static_cast<int32_t>(v) >= 0 && static_cast<int32_t>(v) < count;
}

std::vector<GcfMapEntry> GCF::ListMaps() const {
  std::vector<GcfMapEntry> maps;
  if (!IsOpen()) return maps;
  const uint32_t n = ReadU32(block_entry_header);
  const uint32_t item_count = ReadU32(directory_header + 12);

  struct Candidate {
    int32_t entry;
    uint32_t item;
    uint64_t name_at;  // file offset of the item's name
  };
  std::vector<Candidate> candidates;
  for (uint64_t e = 0; e < n; ++e) {
    // Entries are walked up to the block entry header's count, which may reach past the section.
    if (!Holds(OffsetOf(block_entries) + kBlockEntrySize * e, kBlockEntrySize)) break;
    const uint8_t* entry = block_entries + kBlockEntrySize * e;
    if (ReadU32(entry + 20) != n || ReadU32(entry) == kHiddenEntryFlags) continue;
    const uint32_t item = ReadU32(entry + 24);
    if (item >= item_count) continue;
    const uint64_t name_at =
        OffsetOf(names) + ReadU32(directory_entries + kDirectoryEntrySize * item);
    if (name_at < file_length) candidates.push_back({static_cast<int32_t>(e), item, name_at});
  }

  // A name runs to its NUL, or to the end of the file when it has none. Names may overlap:
  // finding their ends in file order reads every byte once, wherever the offsets point.
  std::vector<uint64_t> starts;
  starts.reserve(candidates.size());
  for (const Candidate& c : candidates) starts.push_back(c.name_at);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  std::vector<uint64_t> ends(starts.size());
  for (size_t i = 0; i < starts.size(); ++i) {
    if (i > 0 && starts[i] <= ends[i - 1]) {
      ends[i] = ends[i - 1];
      continue;
    }
    const void* nul = std::memchr(view + starts[i], 0, file_length - starts[i]);
    ends[i] = nul ? OffsetOf(static_cast<const uint8_t*>(nul)) : file_length;
  }

  for (const Candidate& c : candidates) {
    const auto i = std::lower_bound(starts.begin(), starts.end(), c.name_at) - starts.begin();
    if (ends[i] == file_length) continue;  // no NUL before the end of the file
    const std::string_view name(GetItemName(c.item), ends[i] - c.name_at);
    if (name.ends_with(".bsp")) maps.push_back({c.entry, name});
  }
  return maps;
}

ExtractedItem GCF::ExtractItem(int32_t block_entry) const {
  if (!IsOpen()) throw Error("GCF::ExtractItem (cache not open)");
  const uint64_t entry_at = OffsetOf(block_entries) + kBlockEntrySize * uint64_t(block_entry);
  if (block_entry < 0 || static_cast<uint32_t>(block_entry) >= ReadU32(block_entry_header) ||
      !Holds(entry_at, kBlockEntrySize)) {
    throw Error("GCF::ExtractItem (no such block entry)");
  }
  const uint8_t* entry = view + entry_at;
  const uint32_t size = ReadU32(entry + 8);
  // Sizes are signed 32-bit; an item cannot be larger than the cache that holds it.
  if (size > file_length || size > uint32_t(std::numeric_limits<int32_t>::max())) {
    throw Error("GCF::ExtractItem (item too large)");
  }
  ExtractedItem item;
  try {
    item.bytes.resize(size);
  } catch (const std::bad_alloc&) {
    throw Error("GCF::ExtractItem (item too large)");
  }

  // The chain is followed once per block of data, so a cycle cannot hold the loop. A block size
  // that is not a positive signed number cannot carry any data. Blocks that follow each other in
  // the file are read with one call.
  const uint32_t block_size = ReadU32(header + 32);
  const bool blocks_hold_data = static_cast<int32_t>(block_size) > 0;
  uint32_t block = ReadU32(entry + 12);
  uint32_t done = 0;
  uint64_t run_at = 0, run_size = 0;  // the blocks not read yet: file offset and bytes
  const auto read_run = [&] {
    if (!ReadAt(file, item.bytes.data() + done - run_size, run_size, run_at)) {
      throw Error("GCF::ExtractItem (broken block chain)");
    }
  };
  while (done < size) {
    const uint64_t next_at = OffsetOf(fragmentation_map) + 4 * uint64_t(block);
    const uint32_t take = std::min(size - done, block_size);
    const uint64_t data_at = GetBlockData(block);
    if (!blocks_hold_data || !IsValidBlock(block) || !Holds(next_at, 4) || !Holds(data_at, take)) {
      throw Error("GCF::ExtractItem (broken block chain)");
    }
    if (data_at != run_at + run_size) {
      read_run();
      run_at = data_at;
      run_size = 0;
    }
    run_size += take;
    done += take;
    block = ReadU32(view + next_at);
  }
  read_run();
  item.chain_goes_on = size > 0 && IsValidBlock(block);
  return item;
}

}  // namespace tarnwick
