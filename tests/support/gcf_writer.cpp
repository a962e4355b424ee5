#include "support/gcf_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <stdexcept>

namespace tarnwick::test {
namespace {

constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint32_t kFileItemFlags = 0x00004000;

// Writes little-endian words one after the other from a file offset; the last word of a header
// may be made the sum of the ones before it.
class Words {
 public:
  Words(std::vector<uint8_t>& out, uint64_t at) : out_(out), at_(at) {}
  Words& operator<<(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_[at_++] = static_cast<uint8_t>(v >> (8 * i));
    sum_ += v;
    return *this;
  }
  void Checksum() { *this << sum_; }

 private:
  std::vector<uint8_t>& out_;
  uint64_t at_;
  uint32_t sum_ = 0;
};

}  // namespace

GcfWriter::GcfWriter(uint32_t block_size) : block_size_(block_size) {
  items_.push_back({"", kNone, true, {}, {}});
}

uint32_t GcfWriter::AddFolder(const std::string& name, uint32_t parent) {
  items_.push_back({name, parent, true, {}, {}});
  return static_cast<uint32_t>(items_.size() - 1);
}

uint32_t GcfWriter::AddFile(const std::string& name, std::vector<uint8_t> data, uint32_t parent,
                            GcfFileOptions options) {
  items_.push_back({name, parent, false, std::move(data), options});
  return static_cast<uint32_t>(items_.size() - 1);
}

GcfWriter::Plan GcfWriter::MakePlan() const {
  const uint32_t block_size = block_size_;
  // Block entries and data blocks, first numbered in the order they are made.
  struct Entry {
    uint32_t item, offset, size, flags;
    uint32_t first_block, block_count;  // data blocks, plus one more when the chain goes on
    bool second;                        // the second entry of a split item
  };
  std::vector<Entry> entries;
  uint32_t blocks_used = 0;
  const auto add_entry = [&](uint32_t item, uint32_t offset, uint32_t size, uint32_t flags,
                             bool extra, bool second) {
    const uint32_t count = (size + block_size - 1) / block_size + (extra ? 1 : 0);
    entries.push_back({item, offset, size, flags, blocks_used, count, second});
    blocks_used += count;
  };
  for (uint32_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    if (item.folder) continue;
    const auto size = static_cast<uint32_t>(item.data.size());
    const uint32_t first_part = item.options.split ? size / 2 : size;
    add_entry(i, 0, first_part, item.options.entry_flags, item.options.chain_goes_on, false);
    if (item.options.split)
      add_entry(i, first_part, size - first_part, kGcfEntryFlags, false, true);
  }
  const uint32_t n =
      std::max({blocks_used, static_cast<uint32_t>(entries.size()), reserved_blocks_, 1u});
  const auto m = static_cast<uint32_t>(items_.size());

  std::vector<uint32_t> block_number(n), entry_number(n);
  std::iota(block_number.begin(), block_number.end(), 0u);
  std::iota(entry_number.begin(), entry_number.end(), 0u);
  if (scatter_seed_ != 0) {
    std::mt19937 random(scatter_seed_);
    std::shuffle(block_number.begin(), block_number.end(), random);
    std::shuffle(entry_number.begin(), entry_number.end(), random);
  }

  std::string name_table;
  std::vector<uint32_t> name_offsets;
  for (const Item& item : items_) {
    name_offsets.push_back(static_cast<uint32_t>(name_table.size()));
    name_table += item.name;
    name_table += '\0';
  }
  name_table.resize((name_table.size() + 3) / 4 * 4, '\0');

  Plan plan;
  GcfLayout& layout = plan.layout;
  layout.block_count = n;
  layout.block_size = block_size;
  const uint64_t block_entries = 44 + 32;
  layout.fragmentation_map = static_cast<uint32_t>(block_entries + 28ull * n + 16);
  const uint64_t block_entry_map = layout.fragmentation_map + 4ull * n + 20;
  layout.directory_header = static_cast<uint32_t>(block_entry_map + 8ull * n);
  layout.directory_entries = layout.directory_header + 56;
  layout.names = layout.directory_entries + 28 * m;
  const uint64_t directory_map = layout.names + name_table.size();
  layout.data_block_header = static_cast<uint32_t>(directory_map + 8 + 4ull * m);
  layout.first_block_offset = layout.data_block_header + 20;
  layout.file_size = layout.first_block_offset + uint64_t(n) * block_size;
  layout.first_entry.assign(m, n);
  layout.blocks.resize(m);

  std::vector<uint8_t>& head = plan.head;
  head.resize(layout.first_block_offset);
  auto file_size = static_cast<uint32_t>(layout.file_size);
  Words file_header(head, 0);
  file_header << 1 << 1 << 6 << 0x2A << 1 << 0 << 0 << file_size << block_size << n;
  file_header.Checksum();
  Words block_entry_header(head, 44);
  block_entry_header << n << static_cast<uint32_t>(entries.size()) << 0 << 0 << 0 << 0 << 0;
  block_entry_header.Checksum();

  // Unused entries: first of no item, the root's, which has no name.
  for (uint32_t e = 0; e < n; ++e)
    Words(head, block_entries + 28ull * e) << 0 << 0 << 0 << n << n << n << 0;
  std::vector<uint32_t> next_block(n, kNone);
  for (size_t k = 0; k < entries.size(); ++k) {
    const Entry& entry = entries[k];
    const uint32_t first_block = entry.block_count > 0 ? block_number[entry.first_block] : n;
    const uint32_t next_entry =
        k + 1 < entries.size() && entries[k + 1].second ? entry_number[k + 1] : n;
    const uint32_t previous_entry = entry.second ? entry_number[k - 1] : n;
    Words(head, block_entries + 28ull * entry_number[k])
        << entry.flags << entry.offset << entry.size << first_block << next_entry << previous_entry
        << entry.item;
    for (uint32_t j = entry.first_block; j + 1 < entry.first_block + entry.block_count; ++j) {
      next_block[block_number[j]] = block_number[j + 1];
    }
    const uint32_t data_blocks = (entry.size + block_size - 1) / block_size;
    const Item& item = items_[entry.item];
    for (uint32_t t = 0; t < data_blocks; ++t) {
      const uint32_t at = entry.offset + t * block_size;
      plan.pieces.push_back({block_number[entry.first_block + t], item.data.data() + at,
                             std::min<size_t>(block_size, entry.offset + entry.size - at)});
      if (!entry.second) layout.blocks[entry.item].push_back(block_number[entry.first_block + t]);
    }
    if (!entry.second) layout.first_entry[entry.item] = entry_number[k];
  }

  Words fragmentation_header(head, layout.fragmentation_map - 16);
  fragmentation_header << n << (blocks_used < n ? block_number[blocks_used] : n) << 1;
  fragmentation_header.Checksum();
  Words fragmentation_map(head, layout.fragmentation_map);
  for (const uint32_t next : next_block) fragmentation_map << next;
  Words block_entry_map_header(head, block_entry_map - 20);
  block_entry_map_header << n << (entries.empty() ? n : entry_number[0]) << n << 0;
  block_entry_map_header.Checksum();
  Words block_entry_map_entries(head, block_entry_map);
  for (uint32_t e = 0; e < n; ++e) block_entry_map_entries << n << n;

  // The directory: a tree of items linked to their parent, first child and next sibling.
  std::vector<uint32_t> first_child(m, 0), next_sibling(m, 0), child_count(m, 0);
  for (uint32_t i = m; i-- > 1;) {
    const uint32_t parent = items_[i].parent;
    next_sibling[i] = first_child[parent];
    first_child[parent] = i;
    ++child_count[parent];
  }
  const uint32_t file_count = static_cast<uint32_t>(
      std::count_if(items_.begin(), items_.end(), [](const Item& i) { return !i.folder; }));
  Words directory_header(head, layout.directory_header);
  directory_header << 4 << 0x2A << 1 << m << file_count << 0x8000
                   << layout.data_block_header - layout.directory_header
                   << static_cast<uint32_t>(name_table.size()) << 0 << 0 << 0 << 1 << 0;
  directory_header.Checksum();
  for (uint32_t i = 0; i < m; ++i) {
    const Item& item = items_[i];
    Words(head, layout.directory_entries + 28ull * i)
        << name_offsets[i]
        << (item.folder ? child_count[i] : static_cast<uint32_t>(item.data.size()))
        << (item.folder ? kNone : i) << (item.folder ? 0 : kFileItemFlags) << item.parent
        << next_sibling[i] << first_child[i];
  }
  std::memcpy(head.data() + layout.names, name_table.data(), name_table.size());
  Words directory_map_words(head, directory_map);
  directory_map_words << 1 << 0;
  for (uint32_t i = 0; i < m; ++i) directory_map_words << layout.first_entry[i];

  Words data_block_header(head, layout.data_block_header);
  data_block_header << n << block_size << layout.first_block_offset << blocks_used;
  data_block_header.Checksum();
  return plan;
}

std::vector<uint8_t> GcfWriter::Build(GcfLayout* layout) const {
  Plan plan = MakePlan();
  std::vector<uint8_t> bytes = std::move(plan.head);
  bytes.resize(plan.layout.file_size);
  for (const Piece& piece : plan.pieces) {
    std::memcpy(bytes.data() + plan.layout.first_block_offset + uint64_t(piece.block) * block_size_,
                piece.data, piece.size);
  }
  if (layout) *layout = std::move(plan.layout);
  return bytes;
}

GcfLayout GcfWriter::Write(const std::string& path) const {
  const Plan plan = MakePlan();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  bool ok =
      ::pwrite(fd, plan.head.data(), plan.head.size(), 0) == static_cast<ssize_t>(plan.head.size());
  for (const Piece& piece : plan.pieces) {
    const auto at =
        static_cast<off_t>(plan.layout.first_block_offset + uint64_t(piece.block) * block_size_);
    ok = ok && ::pwrite(fd, piece.data, piece.size, at) == static_cast<ssize_t>(piece.size);
  }
  ok = ok && ::ftruncate(fd, static_cast<off_t>(plan.layout.file_size)) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok) throw std::runtime_error("cannot write " + path);
  return plan.layout;
}

}  // namespace tarnwick::test
