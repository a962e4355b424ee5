#pragma once

// The map the benchmarks measure: the file TARNWICK_MAP, or the largest .bsp in the folder
// TARNWICK_MAPS (default: the shared maps beside this checkout).
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "map/bsp_file.h"

inline std::filesystem::path BenchMap() {
  namespace fs = std::filesystem;
  if (const char* file = std::getenv("TARNWICK_MAP")) return file;
  const char* folder = std::getenv("TARNWICK_MAPS");
  fs::path largest;
  for (const auto& entry : fs::directory_iterator(folder ? folder : TARNWICK_DEFAULT_MAPS)) {
    if (entry.path().extension() == ".bsp" &&
        (largest.empty() || entry.file_size() > fs::file_size(largest))) {
      largest = entry.path();
    }
  }
  return largest;
}

inline const tarnwick::Bytes& BenchMapBytes() {
  static const tarnwick::Bytes bytes = tarnwick::ReadMapFile(BenchMap()).value();
  return bytes;
}
