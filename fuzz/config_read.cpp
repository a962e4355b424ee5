// Any bytes as Config.cfg.
#include "base/error.h"
#include "config/config.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tarnwick::fuzz::HeapWatch watch(size);
  tarnwick::Config config;
  try {
    config.Read(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const tarnwick::Error&) {
  }
  // Whatever was stored before a failure keeps the two spawn-point tables parallel.
  if (config.spawn_point_entity.size() != config.spawn_point_displayname.size()) __builtin_trap();
  return 0;
}
