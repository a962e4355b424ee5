// Writes the sample map bundled with the program: two rooms joined by a corridor, four player
// starts and four deathmatch starts (two pairs of them too close together, two too close to a
// wall), a door, an illusionary brush, a pendulum of no configured group and two lights.
// The output depends on nothing but this file, so data/sample.bsp can be checked against it.
#include <cstdio>
#include <exception>

#include "support/bsp_builder.h"

namespace tarnwick::test {
namespace {

constexpr float kDoorHalfWidth = 64, kDoorHeight = 128;

// A room of inward faces; the wall at x == `door_x` has a doorway at y = 0 on the floor.
void AddRoom(BspBuilder& map, V3 lo, V3 hi, float door_x) {
  map.AddRect({lo.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {0, 0, 1});
  map.AddRect({lo.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {0, 0, -1});
  map.AddRect({lo.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {0, 1, 0});
  map.AddRect({lo.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {0, -1, 0});
  for (const float x : {lo.x, hi.x}) {
    const V3 facing{x == lo.x ? 1.0f : -1.0f, 0, 0};
    if (x != door_x) {
      map.AddRect({x, lo.y, lo.z}, {x, hi.y, hi.z}, facing);
      continue;
    }
    map.AddRect({x, lo.y, lo.z}, {x, -kDoorHalfWidth, hi.z}, facing);
    map.AddRect({x, kDoorHalfWidth, lo.z}, {x, hi.y, hi.z}, facing);
    map.AddRect({x, -kDoorHalfWidth, kDoorHeight}, {x, kDoorHalfWidth, hi.z}, facing);
  }
}

Bytes SampleMap() {
  BspBuilder map;
  AddRoom(map, {-384, -256, 0}, {0, 256, 192}, 0);
  AddRoom(map, {128, -256, 0}, {512, 256, 192}, 128);
  // The corridor between the two doorways.
  map.AddRect({0, -kDoorHalfWidth, 0}, {128, kDoorHalfWidth, 0}, {0, 0, 1});
  map.AddRect({0, -kDoorHalfWidth, kDoorHeight}, {128, kDoorHalfWidth, kDoorHeight}, {0, 0, -1});
  map.AddRect({0, -kDoorHalfWidth, 0}, {128, -kDoorHalfWidth, kDoorHeight}, {0, 1, 0});
  map.AddRect({0, kDoorHalfWidth, 0}, {128, kDoorHalfWidth, kDoorHeight}, {0, -1, 0});
  map.AddModel();  // the world
  map.AddBox({56, -kDoorHalfWidth, 0}, {72, kDoorHalfWidth, kDoorHeight}, false);
  map.AddModel();
  map.AddBox({360, -240, 0}, {400, -200, 64}, false);
  map.AddModel();
  map.AddBox({-208, -16, 96}, {-176, 16, 192}, false);
  map.AddModel();

  // Starts stand 48 units up, so that a 90-unit cube around them clears floor and ceiling.
  const auto start = [](const char* class_name, const char* origin, const char* angles) {
    return Block({{"origin", origin}, {"angles", angles}, {"classname", class_name}});
  };
  std::string entities =
      Block({{"wad", "\\tarnwick\\sample.wad;\\tarnwick\\decals.wad;"},
             {"mapversion", "220"},
             {"message", "Tarnwick sample map"},
             {"classname", "worldspawn"}}) +
      start("info_player_start", "-360 -160 48", "0 0 0") +   // its cube reaches the west wall
      start("info_player_start", "-280 160 48", "0 270 0") +  //
      start("info_player_start", "-120 -32 48", "0 0 0") +    // these two stand 48 apart
      start("info_player_start", "-120 16 48", "0 0 0") +     //
      start("info_player_deathmatch", "224 -160 48", "0 90 0") +
      start("info_player_deathmatch", "320 160 48", "0 180 0") +
      start("info_player_deathmatch", "480 0 48", "0 180 0") +  // reaches the east wall, and
      start("info_player_deathmatch", "424 0 48", "0 180 0") +  // stands 56 from this one
      Block({{"model", "*1"},
             {"angle", "-1"},
             {"speed", "100"},
             {"wait", "4"},
             {"classname", "func_door"}}) +
      Block({{"model", "*2"},
             {"rendermode", "2"},
             {"renderamt", "128"},
             {"classname", "func_illusionary"}}) +
      Block(
          {{"model", "*3"}, {"speed", "60"}, {"distance", "45"}, {"classname", "func_pendulum"}}) +
      Block({{"origin", "-192 0 176"}, {"_light", "255 255 224 300"}, {"classname", "light"}}) +
      Block({{"origin", "320 0 176"}, {"_light", "224 224 255 300"}, {"classname", "light"}});
  entities += '\0';
  map.SetEntities(entities);

  map.SetLump(LUMP_TEXTURES, TextureLump({"sample_wall", "sample_door"}));
  ByteWriter texinfo;
  texinfo.F32(1).F32(0).F32(0).F32(0).F32(0).F32(-1).F32(0).F32(0).I32(0).I32(0);
  map.SetLump(LUMP_TEXINFO, texinfo.bytes);
  // The order a map compiler writes them in: the entity lump near the end.
  map.SetOrder({LUMP_PLANES, LUMP_LEAFS, LUMP_VERTEXES, LUMP_NODES, LUMP_TEXINFO, LUMP_FACES,
                LUMP_CLIPNODES, LUMP_MARKSURFACES, LUMP_SURFEDGES, LUMP_EDGES, LUMP_MODELS,
                LUMP_LIGHTING, LUMP_VISIBILITY, LUMP_ENTITIES, LUMP_TEXTURES});
  return map.Build();
}

}  // namespace
}  // namespace tarnwick::test

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_map OUT\n");
    return 2;
  }
  try {
    tarnwick::test::WriteFileBytes(argv[1], tarnwick::test::SampleMap());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_sample_map: %s\n", e.what());
    return 1;
  }
  return 0;
}
