#pragma once
// The configuration the map targets load with: the one the program ships.
#include "config/config.h"

namespace tarnwick::fuzz {

inline const Config& ShippedConfig() {
  static const Config config = [] {
    Config c;
    c.ReadFile(TARNWICK_DATA_DIR "/Config.cfg");
    return c;
  }();
  return config;
}

}  // namespace tarnwick::fuzz
