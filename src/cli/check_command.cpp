// The batch room check: the spacing check, or with --walls the wall check, in an off-screen
// OpenGL context; exit 3 when any spawn point lacks room.
#include <cstdio>

#include "commands.h"
#include "config/config.h"
#include "map/bsp_file.h"
#include "map_gl/gl_drawing.h"
#include "map_gl/offscreen_gl.h"
#include "map_gl/wall_cells.h"

namespace tarnwick::cli {

int Check(const Args& args) {
  Expect(args, 1, {"config", "size", "walls"});
  const float size = NumberOption<float>(args, "size", 90);
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  const OffscreenGL gl;
  GLSelection pass;
  if (args.options.contains("walls")) {
    WallCells cells;
    cells.Compile(*map);
    cells.WallCheck(pass, *map, size);
    cells.Release();
  } else {
    map->WallCheck(pass, size, 0, 0);
  }
  bool any_blocked = false;
  for (int32_t t = 0; t < config.spawn_point_count(); ++t) {
    for (int32_t i = 0; i < map->GetSpawnPointCount(t); ++i) {
      const SpawnPoint& sp = *map->GetSpawnPoint(t, i);
      std::printf("%s %02d %g %g %g %s\n", config.spawn_point_displayname[t].c_str(), i + 1,
                  sp.origin[0], sp.origin[1], sp.origin[2], sp.blocked ? "blocked" : "free");
      any_blocked = any_blocked || sp.blocked;
    }
  }
  return any_blocked ? 3 : 0;
}

}  // namespace tarnwick::cli
