// The batch room check: the spacing check, or with --walls the wall check, in an off-screen
// OpenGL context; exit 3 when any spawn point lacks room.
#include <GL/gl.h>

#include <charconv>
#include <cstdio>

#include "cli/commands.h"
#include "config/config.h"
#include "map/bsp_file.h"
#include "map/gl_drawing.h"
#include "map/offscreen_gl.h"

namespace tarnwick::cli {
namespace {

float Size(const Args& args) {
  const auto it = args.options.find("size");
  if (it == args.options.end()) return 90;
  const std::string& text = it->second;
  float size = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
  if (error != std::errc{} || end != text.data() + text.size()) throw UsageError{};
  return size;
}

// A display list compiled from one of the map's drawings.
template <class Draw>
GLuint Compile(Draw draw) {
  const GLuint list = glGenLists(1);
  glNewList(list, GL_COMPILE);
  GLDrawing drawing;
  draw(drawing);
  glEndList();
  return list;
}

}  // namespace

int Check(const Args& args) {
  if (args.words.size() != 1) throw UsageError{};
  const float size = Size(args);
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  const OffscreenGL gl;
  if (args.options.contains("walls")) {
    const GLuint polys = Compile([&](Drawing& d) { map->DrawPolys(d); });
    const GLuint solid = Compile([&](Drawing& d) { map->DrawEntFaces(d, true); });
    map->WallCheck(size, polys, solid);
    glDeleteLists(polys, 1);
    glDeleteLists(solid, 1);
  } else {
    map->WallCheck(size, 0, 0);
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
