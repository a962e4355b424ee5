// Any bytes as a game cache file: opened, its maps listed, and every listed map extracted.
#include "base/error.h"
#include "fuzz_support.h"
#include "gcf/gcf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tarnwick::fuzz::InputFile file;
  const std::string& path = file.Write(data, size);
  tarnwick::fuzz::HeapWatch watch(size);
  tarnwick::GCF gcf;
  if (!gcf.Open(path)) return 0;
  for (const tarnwick::GcfMapEntry& entry : gcf.ListMaps()) {
    try {
      // An item is never larger than the cache that holds it.
      if (gcf.ExtractItem(entry.block_entry).bytes.size() > size) __builtin_trap();
    } catch (const tarnwick::Error&) {
    }
  }
  gcf.Close();
  return 0;
}
