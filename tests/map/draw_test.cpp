// The map's drawings: the exact calls each one emits, and the faces a damaged map loses.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>

#include "map_test_util.h"

namespace tarnwick::test {
namespace {

// One call as the recorder writes it: "Vertex 1 -2 -3; ".
std::string Call(std::string call, std::initializer_list<float> args = {}) {
  for (const float a : args) {
    char number[32];
    std::snprintf(number, sizeof number, " %g", double(a + 0.0f));  // -0 reads as 0
    call += number;
  }
  return call + "; ";
}

const char* const kPrimitives[] = {"Points", "Lines", "Polygon", "Quads"};

struct Recorder : Drawing {
  Recorder() = default;
  // Records what `draw` of `map` emits.
  template <class Draw, class... Args>
  Recorder(Draw draw, const BSPFile& map, Args... args) {
    (map.*draw)(*this, args...);
  }
  void Begin(Primitive p) override { out += Call(std::string("Begin ") + kPrimitives[int(p)]); }
  void End() override { out += "End; "; }
  void Vertex(float x, float y, float z) override { out += Call("Vertex", {x, y, z}); }
  void Normal(float x, float y, float z) override { out += Call("Normal", {x, y, z}); }
  void Color(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override {
    out += Call("Color", {float(r), float(g), float(b), float(a)});
  }
  void PushMatrix() override { out += "Push; "; }
  void PopMatrix() override { out += "Pop; "; }
  void Translate(float x, float y, float z) override { out += Call("Translate", {x, y, z}); }
  void Rotate(float d, float x, float y, float z) override { out += Call("Rotate", {d, x, y, z}); }
  void CallList(uint32_t list) override { out += Call("CallList", {float(list)}); }
  std::string out;
};

const std::string kWhite = "Color 255 255 255 255; ";

// The calls for face `f` as the builder was told it: a polygon, or the
// outline's pairs of vertices.
std::string Face(const BspBuilder& b, int f, bool filled) {
  const std::vector<int>& c = b.corners(f);
  const auto at = [&](size_t j) {
    const V3 p = b.vertices()[c[j % c.size()]];
    return Call("Vertex", {p.x, p.y, p.z});
  };
  std::string calls;
  for (size_t j = 0; j < c.size(); ++j) calls += at(j) + (filled ? "" : at(j + 1));
  return filled ? "Begin Polygon; " + calls + "End; " : calls;
}

const std::string kBrushEntities =
    Block({{"classname", "func_door"}, {"model", "*1"}, {"origin", "10 20 30"}}) +
    Block({{"classname", "func_illusionary"}, {"model", "*2"}}) +
    Block({{"classname", "func_plain"}, {"model", "*3"}, {"origin", "1 2 3"}});

// One square on the plane z = 3 that looks up, corners off every axis so that both flips show;
// with `brushes`, three one-face brush models: a door (solid group), an illusionary brush
// (non-solid group) and a brush of no group whose face looks down. Faces run clockwise seen from
// where they look.
BspBuilder Builder(bool brushes = false) {
  BspBuilder b;
  b.AddFace(std::vector<V3>{{1, 2, 3}, {1, 6, 3}, {5, 6, 3}, {5, 2, 3}});
  for (const float x : {0.f, 16.f, 32.f}) {
    if (!brushes) break;
    b.AddModel();
    std::vector<V3> corners{{x, 0, 8}, {x, 8, 8}, {x + 8, 8, 8}};
    if (x == 32) std::reverse(corners.begin(), corners.end());
    b.AddFace(corners);
  }
  b.AddModel();
  b.SetEntities(kWorld + (brushes ? kBrushEntities : ""));
  return b;
}

class DrawTest : public ::testing::Test {
 protected:
  std::string Lines(const BSPFile& m, bool c) { return Recorder(&BSPFile::DrawLines, m, c).out; }
  std::string Polys(const BSPFile& m) { return Recorder(&BSPFile::DrawPolys, m).out; }
  auto Ents(const BSPFile& m, bool s) { return Recorder(&BSPFile::DrawEntFaces, m, s).out; }
  auto Model(const BSPFile& m, int32_t k) { return Recorder(&BSPFile::DrawModel, m, k).out; }

  Config config = TestConfig();
};

TEST_F(DrawTest, WorldFaceOutlinesAndFillsInViewCoordinates) {
  const BspBuilder b = Builder();
  const BSPFile map(b.Build(), config);
  const std::string corners = "Vertex 1 2 3; Vertex 1 6 3; Vertex 5 6 3; Vertex 5 2 3; ";
  EXPECT_EQ(Lines(map, true), kWhite +
                                  "Begin Lines; Vertex 1 2 3; Vertex 1 6 3; Vertex 1 6 3; "
                                  "Vertex 5 6 3; Vertex 5 6 3; Vertex 5 2 3; Vertex 5 2 3; "
                                  "Vertex 1 2 3; End; ");
  EXPECT_EQ(Polys(map), kWhite + "Normal 0 0 1; Begin Polygon; " + corners + "End; ");
  EXPECT_EQ(Recorder(&BSPFile::DrawDots, map).out, "Begin Points; " + corners + "End; ");
  EXPECT_EQ(Model(map, 0), "Push; " + Face(b, 0, true) + "Pop; ");

  // The normal follows the plane for side 0 and its reverse for side 1.
  BSPFile down(b.Build(), config);
  down.faces[0].side = 1;
  EXPECT_TRUE(Polys(down).starts_with(kWhite + "Normal 0 0 -1;"));
}

TEST_F(DrawTest, SurfedgeSignPicksTheEdgesEndAndVertexIndexesAreUnsigned) {
  // Edge 1 runs from vertex 32768 to vertex 39999 of a large table; the sign of its surfedge picks
  // the end.
  BSPFile map(Builder().Build(), config);
  map.vertices.resize(40000);
  map.vertices[32768] = {7, 8, 9};
  map.vertices[39999] = {1, 1, 1};
  map.edges[1] = {32768, 39999};
  EXPECT_TRUE(Model(map, 0).starts_with("Push; Begin Polygon; Vertex 7 8 9;"));
  map.surfedges[0] = -1;
  EXPECT_TRUE(Model(map, 0).starts_with("Push; Begin Polygon; Vertex 1 1 1;"));
}

TEST_F(DrawTest, BrushEntitiesAreDrawnAtTheirOriginsByGroup) {
  const BspBuilder b = Builder(true);
  const BSPFile map(b.Build(), config);
  const std::string world = kWhite + "Begin Lines; " + Face(b, 0, false) + "End; ";
  const std::string door =
      "Push; Translate 10 20 30; Begin Lines; " + Face(b, 1, false) + "End; Pop; ";
  const std::string ghost = "Push; Begin Lines; " + Face(b, 2, false) + "End; Pop; ";
  const std::string plain =
      kWhite + "Push; Translate 1 2 3; Begin Lines; " + Face(b, 3, false) + "End; Pop; ";
  // The world, the listed entities in their groups' colours, then the unlisted ones.
  EXPECT_EQ(Lines(map, true),
            world + "Color 255 128 0 160; " + door + "Color 0 0 0 0; " + ghost + plain);
  // The filled world holds the world and the brush of no group, never a listed one.
  EXPECT_EQ(Polys(map), kWhite + "Normal 0 0 1; " + Face(b, 0, true) + kWhite +
                            "Push; Translate 1 2 3; Normal 0 0 -1; " + Face(b, 3, true) + "Pop; ");
  EXPECT_EQ(Ents(map, true),
            "Color 255 128 0 160; Push; Translate 10 20 30; " + Face(b, 1, true) + "Pop; ");
  EXPECT_EQ(Ents(map, false), "Color 0 0 0 0; Push; " + Face(b, 2, true) + "Pop; ");
  // A model is drawn where its vertices lie, whatever entity owns it.
  EXPECT_EQ(Model(map, 1), "Push; " + Face(b, 1, true) + "Pop; ");

  // A listed entity whose group has gone stops the group drawings.
  config.entitys.pop_back();
  EXPECT_EQ(ErrorOf([&] { Lines(map, true); }), "BSPFile::DrawEntFaces (could not find entity)");
}

TEST_F(DrawTest, FacesAndModelsNamingMissingEntriesAreSkipped) {
  using Damage = void (*)(BSPFile&);
  for (const Damage damage : std::initializer_list<Damage>{
           [](BSPFile& m) { m.faces[0].plane = uint16_t(m.planes.size()); },
           [](BSPFile& m) { m.faces[0].first_surfedge = -1; },
           [](BSPFile& m) { m.faces[0].first_surfedge = int32_t(m.surfedges.size()) - 1; },
           [](BSPFile& m) { m.surfedges[2] = int32_t(m.edges.size()); },
           [](BSPFile& m) { m.surfedges[2] = -int32_t(m.edges.size()); },
           [](BSPFile& m) { m.surfedges[2] = INT32_MIN; },
           [](BSPFile& m) { m.edges[3].second = uint16_t(m.vertices.size()); }}) {
    BSPFile map(Builder().Build(), config);
    map.surfedges[2] = -3;  // so that the second vertex of edge 3 is a corner
    damage(map);
    EXPECT_EQ(Lines(map, false) + Polys(map), kWhite + "Begin Lines; End; " + kWhite);
    EXPECT_FALSE(map.ModelBounds(0));  // nothing drawn, no box
  }
  for (const auto& [first, count] : {std::pair{-1, 1}, {1, 4}, {INT32_MAX, 1}}) {
    BSPFile map(Builder(true).Build(), config);
    map.models[1] = {first, count};
    EXPECT_EQ(Model(map, 1) + Model(map, -1) + Model(map, 4) + Ents(map, true),
              "Color 255 128 0 160; ");
    EXPECT_FALSE(map.ModelBounds(1) || map.ModelBounds(-1) || map.ModelBounds(4));
  }
}

TEST(SpawnPointDrawTest, WireCubeWithArrowInTheSpawnPointsPlace) {
  SpawnPoint sp;
  sp.origin = {100, 200, 300};
  sp.angles = {0, 0, 30};
  Recorder recorder;
  sp.Draw(recorder, 20);
  // Turned by the yaw about z, so that the arrow along the cube's +x points along the yaw on the
  // map. Then the cube's bottom square, its top square, its vertical edges, and the arrow.
  EXPECT_EQ(recorder.out,
            "Push; Translate 100 200 300; Rotate 30 0 0 1; Begin Lines; "
            "Vertex 10 -10 -10; Vertex -10 -10 -10; Vertex -10 -10 -10; Vertex -10 10 -10; "
            "Vertex -10 10 -10; Vertex 10 10 -10; Vertex 10 10 -10; Vertex 10 -10 -10; "
            "Vertex 10 -10 10; Vertex -10 -10 10; Vertex -10 -10 10; Vertex -10 10 10; "
            "Vertex -10 10 10; Vertex 10 10 10; Vertex 10 10 10; Vertex 10 -10 10; "
            "Vertex 10 -10 -10; Vertex 10 -10 10; Vertex -10 -10 -10; Vertex -10 -10 10; "
            "Vertex -10 10 -10; Vertex -10 10 10; Vertex 10 10 -10; Vertex 10 10 10; "
            "Vertex 10 0 0; Vertex -10 0 0; Vertex 0 -10 0; Vertex 10 0 0; Vertex 0 10 0; "
            "Vertex 10 0 0; End; Pop; ");
}

}  // namespace
}  // namespace tarnwick::test
