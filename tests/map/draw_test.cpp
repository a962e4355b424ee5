// The map's drawings: the calls each one emits, in map coordinates.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/bsp_builder.h"

namespace tarnwick::test {
namespace {

// Records the calls that carry numbers: "Vertex 1 -2 -3; ".
struct Recorder : Drawing {
  void Call(const char* name, std::initializer_list<float> args) {
    out += name;
    for (const float a : args) {
      char number[32];
      std::snprintf(number, sizeof number, " %g", double(a + 0.0f));  // -0 reads as 0
      out += number;
    }
    out += "; ";
  }
  void Begin(Primitive p) override { out += "Begin" + std::to_string(int(p)) + "; "; }
  void End() override { out += "End; "; }
  void Vertex(float x, float y, float z) override { Call("Vertex", {x, y, z}); }
  void Normal(float x, float y, float z) override { Call("Normal", {x, y, z}); }
  void Color(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override {
    Call("Color", {float(r), float(g), float(b), float(a)});
  }
  void PushMatrix() override { out += "Push; "; }
  void PopMatrix() override { out += "Pop; "; }
  void Translate(float x, float y, float z) override { Call("Translate", {x, y, z}); }
  void Rotate(float d, float x, float y, float z) override { Call("Rotate", {d, x, y, z}); }
  void CallList(uint32_t list) override { Call("CallList", {float(list)}); }
  std::string out;
};

template <class Draw>
std::string Drawn(Draw draw) {
  Recorder recorder;
  draw(recorder);
  return recorder.out;
}

TEST(Draw, FacesAtTheirEntitysOriginInTheirGroupsColour) {
  // A square on z = 3 that looks up, then one-triangle models: a door (solid group) moved by its
  // origin, an illusionary brush (non-solid group), and a brush of no group whose face looks down.
  BspBuilder b;
  b.AddFace({{1, 2, 3}, {1, 6, 3}, {5, 6, 3}});
  for (const float x : {0.f, 16.f, 32.f}) {
    b.AddModel();
    x == 32 ? b.AddFace({{x + 8, 8, 8}, {x, 8, 8}, {x, 0, 8}})
            : b.AddFace({{x, 0, 8}, {x, 8, 8}, {x + 8, 8, 8}});
  }
  b.AddModel();
  b.SetEntities(kWorld +
                Block({{"classname", "func_door"}, {"model", "*1"}, {"origin", "10 20 30"}}) +
                Block({{"classname", "func_illusionary"}, {"model", "*2"}}) +
                Block({{"classname", "func_plain"}, {"model", "*3"}}));
  Config config = TestConfig();
  const BSPFile map(b.Build(), config);
  const std::string white = "Color 255 255 255 255; ";
  const std::string world = "Vertex 1 2 3; Vertex 1 6 3; Vertex 5 6 3; ";
  const std::string door = "Vertex 0 0 8; Vertex 0 8 8; Vertex 8 8 8; ";
  EXPECT_EQ(Drawn([&](Drawing& d) { map.DrawDots(d); }).substr(0, 50), "Begin0; " + world);
  EXPECT_TRUE(Drawn([&](Drawing& d) { map.DrawLines(d, true); })
                  .starts_with(white +
                               "Begin1; Vertex 1 2 3; Vertex 1 6 3; Vertex 1 6 3; Vertex 5 6 3; "
                               "Vertex 5 6 3; Vertex 1 2 3; End; Color 255 128 0 160; Push; "
                               "Translate 10 20 30; Begin1; Vertex 0 0 8; Vertex 0 8 8;"));
  // The filled world holds the world and the brush of no group, never a listed one; the normal
  // is the plane's, turned round for a face that looks against it.
  EXPECT_EQ(
      Drawn([&](Drawing& d) { map.DrawPolys(d); }),
      white + "Normal 0 0 1; Begin2; " + world + "End; " + white +
          "Push; Normal 0 0 -1; Begin2; Vertex 40 8 8; Vertex 32 8 8; Vertex 32 0 8; End; Pop; ");
  EXPECT_EQ(Drawn([&](Drawing& d) { map.DrawEntFaces(d, true); }),
            "Color 255 128 0 160; Push; Translate 10 20 30; Begin2; " + door + "End; Pop; ");
  EXPECT_EQ(Drawn([&](Drawing& d) { map.DrawEntFaces(d, false); }).substr(0, 23),
            "Color 0 0 0 0; Push; Be");
  // A model is drawn where its vertices lie, whatever entity owns it.
  EXPECT_EQ(Drawn([&](Drawing& d) { map.DrawModel(d, 1); }),
            "Push; Begin2; " + door + "End; Pop; ");
  config.entitys.pop_back();  // a listed entity whose group has gone stops the group drawings
  EXPECT_EQ(ErrorOf([&] { Drawn([&](Drawing& d) { map.DrawEntFaces(d, false); }); }),
            "BSPFile::DrawEntFaces (could not find entity)");
}

TEST(Draw, TheSpawnPointsCubeTurnedByItsYaw) {
  SpawnPoint sp;
  sp.origin = {100, 200, 300};
  sp.angles = {0, 0, 30};
  // The cube's corners: 0-3 round the square at z = -10, 4-7 round the one at +10.
  const char* corner[] = {"10 -10 -10", "-10 -10 -10", "-10 10 -10", "10 10 -10",
                          "10 -10 10",  "-10 -10 10",  "-10 10 10",  "10 10 10"};
  const auto vertices = [&](const std::string& corners) {
    std::string out;
    for (const char k : corners) out += "Vertex " + std::string(corner[k - '0']) + "; ";
    return out;
  };
  const std::string placed = "Push; Translate 100 200 300; Rotate 30 0 0 1; ";
  // Wires: round each square, the edges between them, and an arrow along +x.
  EXPECT_EQ(Drawn([&](Drawing& d) { sp.Draw(d, 20); }),
            placed + "Begin1; " + vertices("011223304556677404152637") +
                "Vertex 10 0 0; Vertex -10 0 0; Vertex 0 -10 0; Vertex 10 0 0; Vertex 0 10 0; "
                "Vertex 10 0 0; End; Pop; ");
  // The room checks' solid cube: its six faces.
  EXPECT_EQ(Drawn([&](Drawing& d) { sp.DrawSolid(d, 20); }),
            placed + "Begin3; " + vertices("012345670154326703741265") + "End; Pop; ");
}

}  // namespace
}  // namespace tarnwick::test
