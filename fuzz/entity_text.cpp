// Any bytes as the text of a new entity on a small valid map, which is then moved and turned and
// every entity written back. The new entity's text must parse again to the same entity, with the
// new numbers unless the text stayed as it was, and the map must save and load again with the same
// texts. The same bytes imported as an entity file replace all the entities or none, and the entity
// lump of the map that takes them imports again as the same texts.
#include <cstdio>
#include <cstdlib>

#include "base/error.h"
#include "base/read_file.h"
#include "fuzz_maps.h"
#include "fuzz_support.h"
#include "map/bsp_file.h"
#include "support/bsp_builder.h"

namespace {

// Two rooms' worth of faces, a door model, a start and the world.
tarnwick::Bytes SmallMap() {
  tarnwick::test::BspBuilder builder;
  builder.AddBox({-128, -128, 0}, {128, 128, 128}, true);
  builder.AddModel();
  builder.AddBox({-8, -32, 0}, {8, 32, 96}, false);
  builder.AddModel();
  using tarnwick::test::Block;
  builder.SetEntities(Block({{"classname", "worldspawn"}, {"wad", "a.wad;b.wad;"}}) +
                      Block({{"classname", "info_player_start"}, {"origin", "0 0 36"}}) +
                      Block({{"classname", "func_door"}, {"model", "*1"}}) + std::string(1, '\0'));
  return builder.Build();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwick;
  static const BSPFile base(SmallMap(), fuzz::ShippedConfig());
  fuzz::HeapWatch watch(size);
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto texts_of = [](const BSPFile& map) {
    std::vector<std::string> texts;
    for (const Entity& e : map.entities) texts.push_back(e.text);
    return texts;
  };
  BSPFile imported = base;
  try {
    imported.ImportEntities(text);
    BSPFile again = base;
    again.ImportEntities(imported.EntityLump());
    if (texts_of(again) != texts_of(imported)) {
      std::fprintf(stderr, "entity_text: an imported map's entity lump imports as other texts\n");
      std::abort();
    }
  } catch (const Error&) {
    // A refused import changes nothing (and a lump that does not import again lands here too).
    if (texts_of(imported) != texts_of(base)) std::abort();
  }
  BSPFile map = base;
  try {
    map.AddEntity(text);
  } catch (const Error&) {
    if (map.GetEntityCount() != base.GetEntityCount()) std::abort();  // the list is left as it was
    return 0;
  }
  Entity& added = map.entities.back();
  const std::string unmoved = added.text;
  added.origin = {136.3f, -200.25f, 0.0f};
  added.angles = {15, 0, -22.5f};
  added.angle = 0.5f;
  for (int32_t i = 0; i < map.GetEntityCount(); ++i) map.WriteBack(i);
  Entity again;
  int64_t pos = 0;
  try {
    again.Read(added.text, pos);
  } catch (const Error& e) {
    std::fprintf(stderr, "entity_text: the written-back text does not parse: %s\n", e.what());
    std::abort();
  }
  if (again.text != added.text || again.class_name != added.class_name ||
      again.has_origin != added.has_origin || again.has_angles != added.has_angles ||
      again.has_angle != added.has_angle || again.has_model != added.has_model ||
      again.model != added.model ||
      (again.text != unmoved && ((added.has_origin && again.origin != added.origin) ||
                                 (added.has_angles && again.angles != added.angles) ||
                                 (added.has_angle && again.angle != added.angle)))) {
    std::fprintf(stderr, "entity_text: the written-back text parses to other fields\n");
    std::abort();
  }
  // The map with the new entity saves, and loads again with the same texts.
  const std::string path = fuzz::ScratchFolder() + "/entity.bsp";
  map.SaveFile(path);
  std::vector<std::string> texts, again_texts;
  for (const Entity& e : map.entities) texts.push_back(e.text);
  try {
    const BSPFile reloaded(ReadWholeFile(path).bytes, map.config);
    for (const Entity& e : reloaded.entities) again_texts.push_back(e.text);
  } catch (const Error& e) {
    std::fprintf(stderr, "entity_text: the saved map does not load: %s\n", e.what());
    std::abort();
  }
  if (again_texts != texts) {
    std::fprintf(stderr, "entity_text: the saved map holds other entity texts\n");
    std::abort();
  }
  return 0;
}
