// Writes the seed corpus of every fuzz target into FOLDER/<target>/: small, valid inputs made by
// the test builders, so that the fuzzers start from files the readers take whole.
//   make_seeds FOLDER
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "map/bsp_file.h"
#include "support/bsp_builder.h"
#include "support/gcf_writer.h"

namespace {

namespace fs = std::filesystem;
using tarnwick::test::Block;
using tarnwick::test::BspBuilder;
using tarnwick::test::ByteWriter;
using tarnwick::test::GcfWriter;
using tarnwick::test::RoomBuilder;

fs::path out;

void Put(const std::string& target, const std::string& name, const tarnwick::Bytes& bytes) {
  fs::create_directories(out / target);
  tarnwick::test::WriteFileBytes((out / target / name).string(), bytes);
}
void Put(const std::string& target, const std::string& name, std::string_view text) {
  Put(target, name, tarnwick::Bytes(text.begin(), text.end()));
}
tarnwick::Bytes ReadData(const std::string& name) {
  return tarnwick::test::ReadFileBytes(std::string(TARNWICK_DATA_DIR) + "/" + name);
}

const std::string kEntities =
    Block({{"classname", "worldspawn"}, {"wad", "\\valve\\halflife.wad;decals.wad;"}}) +
    Block({{"classname", "info_player_start"}, {"origin", "-64 32 36"}, {"angles", "0 90 0"}}) +
    Block({{"classname", "info_player_deathmatch"}, {"origin", "64 -32 36"}, {"angle", "180"}}) +
    Block({{"classname", "func_door"}, {"model", "*1"}, {"origin", "0 0 8"}}) +
    Block({{"classname", "func_illusionary"}, {"model", "*2"}}) + std::string(1, '\0');

// Every lump the loader decodes, filled.
BspBuilder Full(const std::string& entities) {
  BspBuilder map = RoomBuilder(entities);
  ByteWriter leafs, marks, texinfo;
  for (uint16_t i = 0; i < 2; ++i) {
    leafs.I32(-1 - i).I32(-1).Text("", 12).U16(uint16_t(3 * i)).U16(3).Text("", 4);
  }
  for (uint16_t f = 0; f < 6; ++f) marks.U16(f);
  for (int32_t i = 0; i < 2; ++i) {
    for (int a = 0; a < 8; ++a) texinfo.F32(float(a));
    texinfo.I32(i).I32(0);
  }
  map.SetLump(tarnwick::LUMP_LEAFS, leafs.bytes);
  map.SetLump(tarnwick::LUMP_MARKSURFACES, marks.bytes);
  map.SetLump(tarnwick::LUMP_TEXINFO, texinfo.bytes);
  map.SetLump(tarnwick::LUMP_TEXTURES, tarnwick::test::TextureLump({"wall", "door"}));
  map.SetLump(tarnwick::LUMP_LIGHTING, tarnwick::Bytes(24, 0x80));
  map.SetLump(tarnwick::LUMP_VISIBILITY, {0xFF, 0x00, 0x03});
  return map;
}

void Maps() {
  const tarnwick::Bytes room = RoomBuilder(kEntities).Build();
  BspBuilder last = Full(kEntities);
  std::vector<int> order;
  for (int k = 1; k < tarnwick::LUMP_COUNT; ++k) order.push_back(k);
  order.push_back(tarnwick::LUMP_ENTITIES);
  last.SetOrder(order);
  last.SetPadding(3);
  const tarnwick::Bytes full = Full(kEntities).Build();
  const tarnwick::Bytes ordered = last.Build();
  const tarnwick::Bytes sample = ReadData("sample.bsp");
  for (const char* target : {"map_load", "map_draw"}) {
    Put(target, "room.bsp", room);
    Put(target, "full.bsp", full);
    Put(target, "entities_last.bsp", ordered);
    Put(target, "sample.bsp", sample);
  }
}

void EntityTexts() {
  Put("entity_text", "start",
      Block({{"classname", "info_player_start"}, {"origin", "1 -2 3"}, {"angles", "0 90 5"}}));
  Put("entity_text", "door",
      "{\r\n\"model\" \"*1\"\r\n\"classname\" \"func_door\"\r\n\"angle\" \"-1\"\r\n}");
  Put("entity_text", "world",
      Block(
          {{"classname", "worldspawn"}, {"wad", "a.wad;b.wad;c"}, {"message", "a } in quotes {"}}));
  Put("entity_text", "indented",
      "{\n\t\"origin\" \"1.6 0 0\"\n  \"classname\" \"info_player_deathmatch\"\n\"angle\" "
      "\"270\"\n}\n");
}

void Configs() {
  Put("config_read", "shipped.cfg", ReadData("Config.cfg"));
  const std::string small =
      "3\n1\ninfo_player_start\nStart\n2\n255,0,0,128\nfalse\n1\nfunc_wall\n0,0,255,255\ntrue\n0\n";
  Put("config_read", "small.cfg", small);
  std::string crlf;
  for (const char c : small) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Put("config_read", "crlf.cfg", crlf);
}

void SettingsFiles() {
  tarnwick::Settings settings;
  for (int i = 0; i < tarnwick::Settings::kNumberCount; ++i) settings.numbers[i] = i * 37 - 100;
  settings.last_map_path = "/home/user/maps/de_room.bsp";
  settings.last_fgd_path = "/home/user/fgd/game.fgd";
  const fs::path dir = out / "settings_read";
  fs::create_directories(dir);
  tarnwick::WriteSettings((dir / "paths.twk").string(), settings);
  settings.last_map_path.clear();
  settings.last_fgd_path.clear();
  tarnwick::WriteSettings((dir / "no_paths.twk").string(), settings);
  Put("settings_read", "short.twk", tarnwick::Bytes{1, 0, 0, 0, 2, 0, 0});
}

void Fgds() {
  Put("fgd_read", "sample.fgd", ReadData("sample.fgd"));
  Put("fgd_read", "small.fgd",
      "// comment = not a class [\r\n"
      "@PointClass base(Angles) size(-16 -16 -36, 16 16 36) = info_player_start : \"Start [x]\" "
      "[]\n"
      "@SolidClass = func_door : \"Door\"\n[\n\tspeed(integer) : \"Speed\" : 100\n"
      "\tspawnflags(flags) =\n\t[\n\t\t1 : \"Starts open\" : 0\n\t]\n]\n"
      "@PointClass =\tunnamed []\n@BaseClass = open [\n");
}

void Caches() {
  const auto bytes = [](size_t count, uint8_t seed) {
    tarnwick::Bytes data(count);
    for (size_t i = 0; i < count; ++i) data[i] = static_cast<uint8_t>(seed + 13 * i);
    return data;
  };
  GcfWriter plain(256);
  const uint32_t maps = plain.AddFolder("maps");
  plain.AddFile("de_room.bsp", bytes(600, 1), maps);
  plain.AddFile("readme.txt", bytes(40, 2));
  Put("gcf_read", "plain.gcf", plain.Build());

  GcfWriter odd(128);
  const uint32_t folder = odd.AddFolder("maps");
  tarnwick::test::GcfFileOptions split;
  split.split = true;
  odd.AddFile("split.bsp", bytes(300, 3), folder, split);
  tarnwick::test::GcfFileOptions goes_on;
  goes_on.chain_goes_on = true;
  odd.AddFile("longer.bsp", bytes(200, 4), folder, goes_on);
  tarnwick::test::GcfFileOptions hidden;
  hidden.entry_flags = tarnwick::test::kGcfHiddenEntryFlags;
  odd.AddFile("hidden.bsp", bytes(50, 5), folder, hidden);
  odd.AddFile("empty.bsp", {}, folder);
  odd.Scatter(7);
  Put("gcf_read", "scattered.gcf", odd.Build());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds FOLDER\n");
    return 2;
  }
  out = argv[1];
  Maps();
  EntityTexts();
  Configs();
  SettingsFiles();
  Fgds();
  Caches();
  return 0;
}
