#pragma once
// The configuration the map targets load with: the one the program ships.
#include <fstream>

#include "config/config.h"

namespace tarnwick::fuzz {

inline const Config& ShippedConfig() {
  static const Config config = [] {
    Config c;
    std::ifstream in(TARNWICK_DATA_DIR "/Config.cfg", std::ios::binary);
    c.Read(&in);
    return c;
  }();
  return config;
}

}  // namespace tarnwick::fuzz
