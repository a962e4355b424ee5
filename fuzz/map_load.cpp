// Any bytes as a map file. A map that loads is saved and loaded again, which must give the
// entity texts it was loaded with, in the same order: nothing was edited.
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "base/error.h"
#include "base/read_file.h"
#include "fuzz_maps.h"
#include "fuzz_support.h"
#include "map/bsp_file.h"

namespace tarnwick::fuzz {
namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "map_load: %s\n", what);
    std::abort();
  }
}

}  // namespace
}  // namespace tarnwick::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwick;
  using namespace tarnwick::fuzz;
  const Config& config = ShippedConfig();
  const std::string path = ScratchFolder() + "/map.bsp";
  HeapWatch watch(size);
  std::optional<BSPFile> map;
  try {
    map.emplace(Bytes(data, data + size), config);
  } catch (const Error&) {
    return 0;
  }
  std::vector<std::string> texts;
  for (const Entity& e : map->entities) texts.push_back(e.text);
  // A map that loads saves into a folder that takes it; a failure here is a finding.
  map->SaveFile(path);
  Bytes saved = ReadWholeFile(path).bytes;
  Check(!saved.empty(), "the saved map could not be read back");
  std::vector<std::string> again;
  try {
    const BSPFile reloaded(std::move(saved), config);
    for (const Entity& e : reloaded.entities) again.push_back(e.text);
  } catch (const Error& e) {
    std::fprintf(stderr, "map_load: the saved map does not load: %s\n", e.what());
    std::abort();
  }
  Check(again == texts, "the saved map holds other entity texts");
  // Saving changes nothing in the map: a second save is the same file.
  const std::string second = ScratchFolder() + "/second.bsp";
  map->SaveFile(second);
  Check(ReadWholeFile(second).bytes == ReadWholeFile(path).bytes,
        "a second save wrote another file");
  return 0;
}
