// The map's drawings: the exact calls each one emits, and the faces a damaged map loses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <numbers>

#include "map/bsp_file.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

std::string Call(const char* name, std::initializer_list<float> args) {
  std::string call = name;
  for (const float a : args) {
    char number[32];
    std::snprintf(number, sizeof number, " %g", double(a + 0.0f));  // -0 reads as 0
    call += number;
  }
  return call;
}

using Calls = std::vector<std::string>;

class Recorder : public Drawing {
 public:
  void Begin(Primitive primitive) override {
    const char* const names[] = {"Points", "Lines", "Polygon", "Quads"};
    calls.push_back(std::string("Begin ") + names[static_cast<int>(primitive)]);
  }
  void End() override { calls.push_back("End"); }
  void Vertex(float x, float y, float z) override { calls.push_back(Call("Vertex", {x, y, z})); }
  void Normal(float x, float y, float z) override { calls.push_back(Call("Normal", {x, y, z})); }
  void Color(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override {
    calls.push_back(Call("Color", {float(r), float(g), float(b), float(a)}));
  }
  void PushMatrix() override { calls.push_back("Push"); }
  void PopMatrix() override { calls.push_back("Pop"); }
  void Translate(float x, float y, float z) override {
    calls.push_back(Call("Translate", {x, y, z}));
  }
  void Rotate(float degrees, float x, float y, float z) override {
    calls.push_back(Call("Rotate", {degrees, x, y, z}));
  }

  Calls calls;
};

Calls Seq(std::initializer_list<Calls> parts) {
  Calls all;
  for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::string kWhite = Call("Color", {255, 255, 255, 255});

// The expected calls for face `f` as the builder was told it, in view coordinates.
std::string ViewVertex(V3 p) {
  return Call("Vertex", {p.x, -p.y, -p.z});
}
Calls Outline(const BspBuilder& b, int f) {
  const std::vector<int>& c = b.corners(f);
  Calls calls;
  for (size_t j = 0; j < c.size(); ++j) {
    calls.push_back(ViewVertex(b.vertices()[c[j]]));
    calls.push_back(ViewVertex(b.vertices()[c[(j + 1) % c.size()]]));
  }
  return calls;
}
Calls Filled(const BspBuilder& b, int f) {
  Calls calls{"Begin Polygon"};
  for (const int c : b.corners(f)) calls.push_back(ViewVertex(b.vertices()[c]));
  calls.push_back("End");
  return calls;
}

int AddFace(BspBuilder& b, const std::vector<V3>& corners, int plane, int side) {
  std::vector<int> indexes;
  for (const V3& c : corners) indexes.push_back(b.AddVertex(c));
  return b.AddFace(indexes, plane, side);
}

// A world square on the floor (model 0) and three one-face brush models: a door (solid group),
// an illusionary brush (non-solid group) and a brush of no group, whose face looks downward.
BspBuilder EntityBuilder(const std::string& entities) {
  BspBuilder b;
  const int floor = b.AddPlane({0, 0, 1}, 0), ledge = b.AddPlane({0, 0, 1}, 8);
  AddFace(b, {{0, 0, 0}, {64, 0, 0}, {64, 64, 0}, {0, 64, 0}}, floor, 0);
  b.AddModel();
  AddFace(b, {{0, 0, 8}, {8, 0, 8}, {8, 8, 8}}, ledge, 0);
  b.AddModel();
  AddFace(b, {{16, 0, 8}, {24, 0, 8}, {24, 8, 8}}, ledge, 0);
  b.AddModel();
  AddFace(b, {{32, 0, 8}, {40, 0, 8}, {40, 8, 8}}, ledge, 1);
  b.AddModel();
  b.SetEntities(entities);
  return b;
}

const std::string kBrushEntities =
    kWorld + Block({{"classname", "func_door"}, {"model", "*1"}, {"origin", "10 20 30"}}) +
    Block({{"classname", "func_illusionary"}, {"model", "*2"}}) +
    Block({{"classname", "func_plain"}, {"model", "*3"}, {"origin", "1 2 3"}});

// One square on the plane z = 3, corners off every axis so that both flips show.
BspBuilder SquareBuilder(int side) {
  BspBuilder b;
  AddFace(b, {{1, 2, 3}, {5, 2, 3}, {5, 6, 3}, {1, 6, 3}}, b.AddPlane({0, 0, 1}, 3), side);
  b.AddModel();
  b.SetEntities(kWorld);
  return b;
}

template <class Draw>
Calls Record(Draw&& draw) {
  Recorder recorder;
  draw(recorder);
  return recorder.calls;
}

class DrawTest : public ::testing::Test {
 protected:
  Config config = TestConfig();
};

TEST_F(DrawTest, WorldFaceOutlinesAndFillsInViewCoordinates) {
  const BspBuilder b = SquareBuilder(0);
  const BSPFile map(b.Build(), config);
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawLines(d, true); }),
            (Calls{kWhite, "Begin Lines", "Vertex 1 -2 -3", "Vertex 5 -2 -3", "Vertex 5 -2 -3",
                   "Vertex 5 -6 -3", "Vertex 5 -6 -3", "Vertex 1 -6 -3", "Vertex 1 -6 -3",
                   "Vertex 1 -2 -3", "End"}));
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawPolys(d); }),
            (Calls{kWhite, "Normal 0 0 -1", "Begin Polygon", "Vertex 1 -2 -3", "Vertex 5 -2 -3",
                   "Vertex 5 -6 -3", "Vertex 1 -6 -3", "End"}));
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawDots(d); }),
            (Calls{"Begin Points", "Vertex 1 -2 -3", "Vertex 5 -2 -3", "Vertex 5 -6 -3",
                   "Vertex 1 -6 -3", "End"}));
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawModel(d, 0); }),
            Seq({{"Push"}, Filled(b, 0), {"Pop"}}));
}

TEST_F(DrawTest, NormalFollowsThePlaneOrItsReverseBySide) {
  const BSPFile along(SquareBuilder(0).Build(), config);
  const BSPFile against(SquareBuilder(1).Build(), config);
  EXPECT_EQ(Record([&](Drawing& d) { along.DrawPolys(d); })[1], "Normal 0 0 -1");
  EXPECT_EQ(Record([&](Drawing& d) { against.DrawPolys(d); })[1], "Normal 0 0 1");

  // A slanted plane: y and z flip into the view, and the whole vector turns for side 1.
  BSPFile slanted(SquareBuilder(0).Build(), config);
  slanted.planes[0].normal = {0.6f, 0.8f, 0.5f};
  EXPECT_EQ(Record([&](Drawing& d) { slanted.DrawPolys(d); })[1], "Normal 0.6 -0.8 -0.5");
  slanted.faces[0].side = 2;
  EXPECT_EQ(Record([&](Drawing& d) { slanted.DrawPolys(d); })[1], "Normal -0.6 0.8 0.5");
}

TEST_F(DrawTest, SurfedgeSignPicksTheEdgesEndAndIndexesAreUnsigned) {
  // A second face sharing an edge in reverse gets a negative surfedge; both keep their corners.
  BspBuilder shared = SquareBuilder(0);
  AddFace(shared, {{5, 6, 3}, {5, 2, 3}, {9, 2, 3}}, 0, 0);
  const BSPFile two(shared.Build(), config);
  ASSERT_LT(*std::min_element(two.surfedges.begin(), two.surfedges.end()), 0);
  EXPECT_EQ(
      Record([&](Drawing& d) { two.DrawPolys(d); }),
      Seq({{kWhite, "Normal 0 0 -1"}, Filled(shared, 0), {"Normal 0 0 -1"}, Filled(shared, 1)}));

  // Edge 1 runs from vertex 32768 to vertex 39999 of a large table.
  BSPFile map(SquareBuilder(0).Build(), config);
  map.vertices.resize(40000);
  map.vertices[32768] = {7, 8, 9};
  map.vertices[39999] = {1, 1, 1};
  map.edges[1] = {32768, 39999};
  map.surfedges[0] = 1;
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawModel(d, 0); })[2], "Vertex 7 -8 -9");
  map.surfedges[0] = -1;
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawModel(d, 0); })[2], "Vertex 1 -1 -1");
}

TEST_F(DrawTest, LinesDrawWorldThenListedThenUnlistedBrushEntities) {
  const BspBuilder b = EntityBuilder(kBrushEntities);
  const BSPFile map(b.Build(), config);
  const Calls door =
      Seq({{"Push", "Translate 10 -20 -30", "Begin Lines"}, Outline(b, 1), {"End", "Pop"}});
  const Calls ghost = Seq({{"Push", "Begin Lines"}, Outline(b, 2), {"End", "Pop"}});
  const Calls plain =
      Seq({{kWhite, "Push", "Translate 1 -2 -3", "Begin Lines"}, Outline(b, 3), {"End", "Pop"}});
  const Calls world = Seq({{kWhite, "Begin Lines"}, Outline(b, 0), {"End"}});
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawLines(d, true); }),
            Seq({world, {"Color 255 128 0 160"}, door, {"Color 0 0 0 0"}, ghost, plain}));
  // Without colours the listed entities keep the world's white.
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawLines(d, false); }), Seq({world, door, ghost, plain}));
}

TEST_F(DrawTest, FilledListsSplitBrushEntitiesByGroup) {
  const BspBuilder b = EntityBuilder(kBrushEntities);
  const BSPFile map(b.Build(), config);
  // The filled world holds the world and the brush of no group, never a listed one.
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawPolys(d); }),
            Seq({{kWhite, "Normal 0 0 -1"},
                 Filled(b, 0),
                 {kWhite, "Push", "Translate 1 -2 -3", "Normal 0 0 1"},
                 Filled(b, 3),
                 {"Pop"}}));
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawEntFaces(d, true); }),
            Seq({{"Color 255 128 0 160", "Push", "Translate 10 -20 -30"}, Filled(b, 1), {"Pop"}}));
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawEntFaces(d, false); }),
            Seq({{"Color 0 0 0 0", "Push"}, Filled(b, 2), {"Pop"}}));
  // A model is drawn where its vertices lie, whatever entity owns it.
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawModel(d, 1); }),
            Seq({{"Push"}, Filled(b, 1), {"Pop"}}));
}

TEST_F(DrawTest, ListedEntityOfNoGroupStopsTheGroupDrawings) {
  const BSPFile map(EntityBuilder(kBrushEntities).Build(), config);
  config.entitys.pop_back();  // func_illusionary loses its group after the rebuild
  const std::string message = "BSPFile::DrawEntFaces (could not find entity)";
  Recorder recorder;
  EXPECT_EQ(ErrorOf([&] { map.DrawLines(recorder, true); }), message);
  EXPECT_EQ(ErrorOf([&] { map.DrawEntFaces(recorder, true); }), message);
  EXPECT_EQ(ErrorOf([&] { map.DrawEntFaces(recorder, false); }), message);
  EXPECT_EQ(ErrorOf([&] { map.DrawPolys(recorder); }), "");
}

TEST_F(DrawTest, FacesAndModelsNamingMissingEntriesAreSkipped) {
  struct Damage {
    const char* what;
    void (*apply)(BSPFile&);
  };
  const Damage damages[] = {
      {"plane", [](BSPFile& m) { m.faces[0].plane = uint16_t(m.planes.size()); }},
      {"negative first surfedge", [](BSPFile& m) { m.faces[0].first_surfedge = -1; }},
      {"surfedges past the end",
       [](BSPFile& m) { m.faces[0].first_surfedge = int32_t(m.surfedges.size()) - 1; }},
      {"edge", [](BSPFile& m) { m.surfedges[2] = int32_t(m.edges.size()); }},
      {"reversed edge", [](BSPFile& m) { m.surfedges[2] = -int32_t(m.edges.size()); }},
      {"lowest surfedge", [](BSPFile& m) { m.surfedges[2] = INT32_MIN; }},
      {"vertex", [](BSPFile& m) { m.edges[3].second = uint16_t(m.vertices.size()); }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    BSPFile map(SquareBuilder(0).Build(), config);
    map.surfedges[2] = -3;  // so that the second vertex of edge 3 is a corner
    damage.apply(map);
    EXPECT_EQ(Record([&](Drawing& d) { map.DrawLines(d, false); }),
              (Calls{kWhite, "Begin Lines", "End"}));
    EXPECT_EQ(Record([&](Drawing& d) { map.DrawPolys(d); }), Calls{kWhite});
    EXPECT_EQ(Record([&](Drawing& d) { map.DrawModel(d, 0); }), Calls{});
  }

  const Damage model_damages[] = {
      {"negative first face", [](BSPFile& m) { m.models[1].first_face = -1; }},
      {"faces past the end", [](BSPFile& m) { m.models[1].face_count = 4; }},
      {"huge first face", [](BSPFile& m) { m.models[1].first_face = INT32_MAX; }},
      {"negative face count", [](BSPFile& m) { m.models[1].face_count = -1; }},
  };
  for (const Damage& damage : model_damages) {
    SCOPED_TRACE(damage.what);
    BSPFile map(EntityBuilder(kBrushEntities).Build(), config);
    damage.apply(map);
    EXPECT_EQ(Record([&](Drawing& d) { map.DrawModel(d, 1); }), Calls{});
    const Calls solid = Record([&](Drawing& d) { map.DrawEntFaces(d, true); });
    EXPECT_EQ(std::count(solid.begin(), solid.end(), "Begin Polygon"), 0);
    const Calls lines = Record([&](Drawing& d) { map.DrawLines(d, true); });
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Begin Lines"), 3);  // world, ghost, plain
  }
  const BSPFile map(EntityBuilder(kBrushEntities).Build(), config);
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawModel(d, -1); }), Calls{});
  EXPECT_EQ(Record([&](Drawing& d) { map.DrawModel(d, map.GetModelCount()); }), Calls{});
}

TEST(SpawnPointDrawTest, WireCubeWithArrowInTheSpawnPointsPlace) {
  SpawnPoint sp;
  sp.origin = {100, 200, 300};
  sp.angles = {0, 0, 30};
  EXPECT_EQ(
      Record([&](Drawing& d) { sp.Draw(d, 20); }),
      (Calls{"Push", "Translate 100 -200 -300", "Rotate -30 0 0 1", "Begin Lines",
             // top square
             "Vertex 10 10 10", "Vertex -10 10 10", "Vertex -10 10 10", "Vertex -10 -10 10",
             "Vertex -10 -10 10", "Vertex 10 -10 10", "Vertex 10 -10 10", "Vertex 10 10 10",
             // bottom square
             "Vertex 10 10 -10", "Vertex -10 10 -10", "Vertex -10 10 -10", "Vertex -10 -10 -10",
             "Vertex -10 -10 -10", "Vertex 10 -10 -10", "Vertex 10 -10 -10", "Vertex 10 10 -10",
             // vertical edges
             "Vertex 10 10 10", "Vertex 10 10 -10", "Vertex -10 10 10", "Vertex -10 10 -10",
             "Vertex -10 -10 10", "Vertex -10 -10 -10", "Vertex 10 -10 10", "Vertex 10 -10 -10",
             // arrow
             "Vertex 10 0 0", "Vertex -10 0 0", "Vertex 0 10 0", "Vertex 10 0 0", "Vertex 0 -10 0",
             "Vertex 10 0 0", "End", "Pop"}));
}

// Where the arrow's tip lands on the map: its local point put through the recorded translation
// and rotation about z, then taken back from view to map coordinates.
TEST(SpawnPointDrawTest, ArrowPointsAlongTheYawOnTheMap) {
  struct Transform : Recorder {
    void Translate(float x, float y, float z) override { at = {x, y, z}; }
    void Rotate(float degrees, float, float, float) override { turn = degrees; }
    V3 at;
    float turn = 0;
  };
  for (const float yaw : {0.f, 90.f, 30.f}) {
    SCOPED_TRACE(yaw);
    SpawnPoint sp;
    sp.origin = {8, 16, 32};
    sp.angles = {0, 0, yaw};
    Transform t;
    sp.Draw(t, 90);
    const double r = t.turn * std::numbers::pi / 180, h = 45;
    const double view_x = t.at.x + h * std::cos(r), view_y = t.at.y + h * std::sin(r);
    const double yaw_r = yaw * std::numbers::pi / 180;
    EXPECT_NEAR(view_x, 8 + h * std::cos(yaw_r), 1e-3);
    EXPECT_NEAR(-view_y, 16 + h * std::sin(yaw_r), 1e-3);
    EXPECT_FLOAT_EQ(-t.at.z, 32);
  }
}

}  // namespace
}  // namespace tarnwick::test
