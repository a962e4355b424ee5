#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

// The user's working state between runs, "settings.twk": 21 little-endian signed 32-bit numbers
// (window bounds, view values, drawing choices, flags) and two zero-terminated paths.
struct Settings {
  static constexpr int kNumberCount = 21;
  std::array<int32_t, kNumberCount> numbers{};
  int numbers_read = kNumberCount;  // a short file brings fewer; only those are applied
  std::string last_map_path, last_fgd_path;
};

// Nothing when the file cannot be opened. A file that ends early gives the numbers read whole;
// the paths then stay empty, and a path cut by the end of the file ends there.
std::optional<Settings> ReadSettings(const std::string& path);

// False when the file cannot be written.
bool WriteSettings(const std::string& path, const Settings& settings);

}  // namespace tarnwick
