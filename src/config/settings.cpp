#include "config/settings.h"

#include <fstream>

#include "base/bytes.h"
#include "base/read_file.h"

namespace tarnwick {

std::optional<Settings> ReadSettings(const std::string& path) {
  const FileBytes file = ReadWholeFile(path);
  if (file.outcome != FileBytes::kRead) return std::nullopt;
  const Bytes& bytes = file.bytes;
  Settings settings;
  settings.numbers_read =
      static_cast<int>(std::min<size_t>(bytes.size() / 4, Settings::kNumberCount));
  for (int i = 0; i < settings.numbers_read; ++i) settings.numbers[i] = ReadI32(&bytes[4 * i]);
  if (settings.numbers_read < Settings::kNumberCount) return settings;
  // Each path runs to its zero byte, or to the end of the file.
  std::string_view paths = AsText(bytes).substr(4 * Settings::kNumberCount);
  for (std::string* path_field : {&settings.last_map_path, &settings.last_fgd_path}) {
    const size_t end = std::min(paths.find('\0'), paths.size());
    path_field->assign(paths.substr(0, end));
    paths.remove_prefix(std::min(end + 1, paths.size()));
  }
  return settings;
}

bool WriteSettings(const std::string& path, const Settings& settings) {
  std::string bytes(4 * Settings::kNumberCount, '\0');
  for (int i = 0; i < Settings::kNumberCount; ++i) {
    WriteI32(reinterpret_cast<uint8_t*>(&bytes[4 * i]), settings.numbers[i]);
  }
  bytes += settings.last_map_path + '\0' + settings.last_fgd_path + '\0';
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && out.flush();
}

}  // namespace tarnwick
