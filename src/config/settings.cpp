#include "config/settings.h"

#include <fstream>

namespace tarnwick {

std::optional<Settings> ReadSettings(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  Settings settings;
  settings.numbers_read = 0;
  for (int32_t& number : settings.numbers) {
    unsigned char bytes[4];
    if (!in.read(reinterpret_cast<char*>(bytes), 4)) return settings;
    number = static_cast<int32_t>(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                                  uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
    ++settings.numbers_read;
  }
  std::getline(in, settings.last_map_path, '\0');
  std::getline(in, settings.last_fgd_path, '\0');
  return settings;
}

bool WriteSettings(const std::string& path, const Settings& settings) {
  std::string bytes;
  for (const int32_t number : settings.numbers) {
    const auto v = static_cast<uint32_t>(number);
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(v >> shift);
  }
  bytes += settings.last_map_path + '\0' + settings.last_fgd_path + '\0';
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && out.flush();
}

}  // namespace tarnwick
