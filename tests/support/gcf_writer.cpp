#include "support/gcf_writer.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <random>
#include <stdexcept>

namespace tarnwick::test {

GcfLayout GcfWriter::Plan(Bytes& head, std::vector<Piece>& pieces) const {
  const uint32_t bs = block_size_;
  // Block entries and their data blocks, first numbered in the order they are made.
  struct Entry {
    uint32_t item, offset, size, flags, first_block, block_count;
    bool second;  // the second entry of a split item
  };
  std::vector<Entry> entries;
  uint32_t used = 0;
  for (uint32_t i = 0; i < items_.size(); ++i) {
    const Item& item = items_[i];
    const auto size = static_cast<uint32_t>(item.data.size());
    const uint32_t half = item.options.split ? size / 2 : size;
    for (int part = 0; !item.folder && part < (item.options.split ? 2 : 1); ++part) {
      const uint32_t part_size = part ? size - half : half;
      const uint32_t count = (part_size + bs - 1) / bs + (!part && item.options.chain_goes_on);
      entries.push_back({i, part ? half : 0, part_size,
                         part ? kGcfEntryFlags : item.options.entry_flags, used, count, part == 1});
      used += count;
    }
  }
  const uint32_t n = std::max({used, uint32_t(entries.size()), reserved_blocks_, 1u});
  const auto m = static_cast<uint32_t>(items_.size());
  std::vector<uint32_t> block(n), entry(n);
  std::mt19937 random(scatter_seed_);
  for (auto* order : {&block, &entry}) {
    std::iota(order->begin(), order->end(), 0u);
    if (scatter_seed_ != 0) std::shuffle(order->begin(), order->end(), random);
  }
  uint64_t names_size = 0;
  for (const Item& item : items_) names_size += item.name.size() + 1;
  // Sections in file order: file header, block entry header, block entries, fragmentation map
  // header and map, block entry map header and map, directory header, directory entries, names;
  // then the directory map (left zero: two words and one per item), the data block header and
  // the data blocks.
  GcfLayout layout;
  layout.block_count = n;
  layout.fragmentation_map = 76 + 28 * n + 16;
  layout.directory_entries = layout.fragmentation_map + 4 * n + 20 + 8 * n + 56;
  layout.names = layout.directory_entries + 28 * m;
  const auto data_block_header =
      static_cast<uint32_t>(layout.names + (names_size + 3) / 4 * 4 + 8 + 4 * m);
  layout.first_block_offset = data_block_header + 20;
  layout.file_size = layout.first_block_offset + uint64_t(n) * bs;
  layout.first_entry.assign(m, n);
  layout.blocks.resize(m);
  head.assign(layout.first_block_offset, 0);
  pieces.emplace_back(0, head);
  // Little-endian words from file offset `at`, followed by their sum when `sum` is set.
  const auto put = [&](uint64_t at, std::vector<uint32_t> words, bool sum = false) {
    if (sum) words.push_back(std::accumulate(words.begin(), words.end(), 0u));
    for (uint32_t w : words)
      for (int b = 0; b < 4; ++b) head[at++] = static_cast<uint8_t>(w >> (8 * b));
  };
  put(0, {1, 1, 6, 0x2A, 1, 0, 0, uint32_t(layout.file_size), bs, n}, true);
  put(44, {n, uint32_t(entries.size()), 0, 0, 0, 0, 0}, true);
  for (uint32_t b = 0; b < n; ++b) put(layout.fragmentation_map + 4ull * b, {0xFFFFFFFF});
  for (size_t k = 0; k < entries.size(); ++k) {
    const Entry& e = entries[k];
    const bool has_next = k + 1 < entries.size() && entries[k + 1].second;
    put(76 + 28ull * entry[k], {e.flags, e.offset, e.size, e.block_count ? block[e.first_block] : n,
                                has_next ? entry[k + 1] : n, e.second ? entry[k - 1] : n, e.item});
    for (uint32_t j = e.first_block; j + 1 < e.first_block + e.block_count; ++j)
      put(layout.fragmentation_map + 4ull * block[j], {block[j + 1]});
    const Item& item = items_[e.item];
    for (uint32_t at = 0, j = e.first_block; at < e.size; at += bs, ++j) {
      pieces.emplace_back(layout.first_block_offset + uint64_t(block[j]) * bs,
                          std::span(item.data).subspan(e.offset + at, std::min(bs, e.size - at)));
      if (!e.second) layout.blocks[e.item].push_back(block[j]);
    }
    if (!e.second) layout.first_entry[e.item] = entry[k];
  }
  // The directory: each item's name, size (files only), file id, flags and parent.
  put(layout.directory_entries - 44, {m});  // the directory header's item count
  for (uint32_t i = 0, name_at = 0; i < m; name_at += uint32_t(items_[i++].name.size()) + 1) {
    const Item& item = items_[i];
    std::ranges::copy(item.name, head.begin() + layout.names + name_at);
    put(layout.directory_entries + 28 * i,
        {name_at, uint32_t(item.data.size()), item.folder ? 0xFFFFFFFF : i,
         item.folder ? 0u : 0x4000u, item.parent});
  }
  put(data_block_header, {n, bs, layout.first_block_offset, used}, true);
  return layout;
}

Bytes GcfWriter::Build(GcfLayout* layout) const {
  Bytes head;
  std::vector<Piece> pieces;
  GcfLayout planned = Plan(head, pieces);
  Bytes bytes(planned.file_size, 0);
  for (const auto& [at, data] : pieces) std::ranges::copy(data, bytes.begin() + at);
  if (layout) *layout = std::move(planned);
  return bytes;
}

GcfLayout GcfWriter::Write(const std::string& path) const {
  Bytes head;
  std::vector<Piece> pieces;
  const GcfLayout layout = Plan(head, pieces);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& [at, data] : pieces) {
    out.seekp(std::streamoff(at));
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  }
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
  // Extending the file leaves the blocks never written as holes.
  std::filesystem::resize_file(path, layout.file_size);
  return layout;
}

}  // namespace tarnwick::test
