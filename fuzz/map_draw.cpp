// Any bytes as a map file; a map that loads is drawn in every way the program draws it, so that
// every index a face or model takes from the file is followed.
#include <optional>

#include "base/error.h"
#include "fuzz_maps.h"
#include "fuzz_support.h"
#include "map/bsp_file.h"
#include "map/drawing.h"

namespace {

// Takes every call and keeps a sum of what it was given, so that nothing is optimised away.
class Sink : public tarnwick::Drawing {
 public:
  void Begin(tarnwick::Primitive) override { ++calls; }
  void End() override { ++calls; }
  void Vertex(float x, float y, float z) override { sum += x + y + z; }
  void Normal(float x, float y, float z) override { sum += x + y + z; }
  void Color(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override { sum += r + g + b + a; }
  void PushMatrix() override { ++calls; }
  void PopMatrix() override { ++calls; }
  void Translate(float x, float y, float z) override { sum += x + y + z; }
  void Rotate(float d, float x, float y, float z) override { sum += d + x + y + z; }
  void CallList(uint32_t list) override { sum += list; }

  double sum = 0;
  size_t calls = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwick;
  tarnwick::fuzz::HeapWatch watch(size);
  Sink sink;
  std::optional<BSPFile> loaded;
  try {
    loaded.emplace(Bytes(data, data + size), tarnwick::fuzz::ShippedConfig());
  } catch (const Error&) {
    return 0;
  }
  // Drawing a map that loaded raises nothing: an error escaping here is a finding.
  const BSPFile& map = *loaded;
  map.DrawDots(sink);
  map.DrawLines(sink, true);
  map.DrawLines(sink, false);
  map.DrawPolys(sink);
  map.DrawEntFaces(sink, true);
  map.DrawEntFaces(sink, false);
  for (int32_t m = -1; m <= map.GetModelCount(); ++m) map.DrawModel(sink, m);
  for (int32_t t = 0; t < map.config.spawn_point_count(); ++t) {
    for (int32_t i = 0; i < map.GetSpawnPointCount(t); ++i) {
      map.GetSpawnPoint(t, i)->Draw(sink, 32);
      map.GetSpawnPoint(t, i)->DrawSolid(sink, 32);
    }
  }
  return sink.calls == SIZE_MAX ? 1 : 0;
}
