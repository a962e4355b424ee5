// The map commands: what the model reads from a map, and saving it again.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <memory>

#include "base/error.h"
#include "commands.h"
#include "config/config.h"
#include "map/bsp_file.h"

namespace tarnwick::cli {

Config LoadConfig(const Args& args) {
  std::string path;
  if (auto it = args.options.find("config"); it != args.options.end()) {
    path = it->second;
  } else {
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    path = std::string(exe, n > 0 ? static_cast<size_t>(n) : 0);
    path = path.substr(0, path.rfind('/') + 1) + "Config.cfg";
  }
  Config config;
  if (!config.ReadFile(path)) throw Error("Failed To Open File \"" + path + "\"");
  return config;
}

std::unique_ptr<BSPFile> LoadMap(const std::string& path, const Config& config) {
  std::optional<Bytes> bytes = ReadMapFile(path);
  if (!bytes) throw Error("Failed to open file \"" + path + "\"");
  return std::make_unique<BSPFile>(std::move(*bytes), config);
}

void PrintSpawnPoint(int32_t number, const SpawnPoint& sp) {
  std::printf("%02d %g %g %g %g\n", number, sp.origin[0], sp.origin[1], sp.origin[2], sp.yaw());
}

int Info(const Args& args) {
  Expect(args, 1, {"config"});
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  std::printf("file size %zu\nversion %d\n", map->raw_file.size(), map->header.version);
  for (int k = 0; k < LUMP_COUNT; ++k) {
    std::printf("%2d %-17s offset %10d size %10d\n", k, kLumpNames[k], map->header.lumps[k].offset,
                map->header.lumps[k].size);
  }
  std::printf(
      "vertices %zu\nedges %zu\nsurfedges %zu\nfaces %zu\nmarksurfaces %zu\nleafs %zu\n"
      "models %zu\nlighting bytes %d\ntexinfos %d\ntextures %zu\nplanes %zu\nentities %zu\n",
      map->vertices.size(), map->edges.size(), map->surfedges.size(), map->faces.size(),
      map->marksurfaces.size(), map->leaf_first_marksurface.size(), map->models.size(),
      map->lighting_size, map->texinfo_count, map->textures.size(), map->planes.size(),
      map->entities.size());
  return 0;
}

int Entities(const Args& args) {
  Expect(args, 1, {"config"});
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  for (const Entity& e : map->entities) {
    std::fwrite(e.text.data(), 1, e.text.size(), stdout);
    std::fputc('\n', stdout);
  }
  return 0;
}

int Spawns(const Args& args) {
  Expect(args, 1, {"config"});
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  for (int32_t t = 0; t < config.spawn_point_count(); ++t) {
    std::printf("%s\n", config.spawn_point_displayname[t].c_str());
    for (int32_t i = 0; i < map->GetSpawnPointCount(t); ++i) {
      PrintSpawnPoint(i + 1, *map->GetSpawnPoint(t, i));
    }
  }
  return 0;
}

int Resave(const Args& args) {
  Expect(args, 2, {"config"});
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  map->SaveFile(args.words[1]);
  return 0;
}

int Export(const Args& args) {
  Expect(args, 2, {"config"});
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  map->ExportEntities(args.words[1]);
  return 0;
}

}  // namespace tarnwick::cli
