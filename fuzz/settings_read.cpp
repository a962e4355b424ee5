// Any bytes as the settings file.
#include "config/settings.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tarnwick::fuzz::InputFile file;
  const std::string& path = file.Write(data, size);
  tarnwick::fuzz::HeapWatch watch(size);
  const std::optional<tarnwick::Settings> settings = tarnwick::ReadSettings(path);
  if (!settings || settings->numbers_read < 0 ||
      settings->numbers_read > tarnwick::Settings::kNumberCount ||
      settings->last_map_path.size() + settings->last_fgd_path.size() > size) {
    __builtin_trap();
  }
  return 0;
}
