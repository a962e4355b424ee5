// The loader: what it decodes, and which damage it refuses with which message, in which order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "map/bsp_file.h"
#include "map_test_util.h"

namespace tarnwick::test {
namespace {

struct Check {
  Lump lump;
  const char* message;
};

// The lumps that have a check, in the order the loader checks them.
const Check kChecks[] = {
    {LUMP_VERTEXES, "BSPFile::BSPFile (LUMP_VERTEXES size check)"},
    {LUMP_EDGES, "BSPFile::BSPFile (LUMP_EDGES size check)"},
    {LUMP_SURFEDGES, "BSPFile::BSPFile (LUMP_SURFEDGES size check)"},
    {LUMP_FACES, "BSPFile::BSPFile (LUMP_FACES size check)"},
    {LUMP_MARKSURFACES, "BSPFile::BSPFile (LUMP_MARKSURFACES size check)"},
    {LUMP_LEAFS, "BSPFile::BSPFile (LUMP_LEAFS size check)"},
    {LUMP_MODELS, "BSPFile::BSPFile (LUMP_MODELS size check)"},
    {LUMP_LIGHTING, "BSPFile::BSPFile (lightmap lumpsize to big)"},
    {LUMP_TEXINFO, "BSPFile::BSPFile (LUMP_TEXINFO size check)"},
    {LUMP_PLANES, "BSPFile::BSPFile (LUMP_PLANES size check)"},
    {LUMP_ENTITIES, "BSPFile::BSPFile (LUMP_ENTITIES size check)"},
};

size_t TableSize(const BSPFile& map, Lump lump) {
  switch (lump) {
    case LUMP_VERTEXES:
      return map.vertices.size();
    case LUMP_EDGES:
      return map.edges.size();
    case LUMP_SURFEDGES:
      return map.surfedges.size();
    case LUMP_FACES:
      return map.faces.size();
    case LUMP_MARKSURFACES:
      return map.marksurfaces.size();
    case LUMP_LEAFS:
      return map.leaf_first_marksurface.size();
    case LUMP_MODELS:
      return map.models.size();
    case LUMP_LIGHTING:
      return map.lighting.size();
    case LUMP_TEXINFO:
      return map.texinfos.size();
    case LUMP_PLANES:
      return map.planes.size();
    case LUMP_ENTITIES:
      return map.entities.size();
    default:
      return 0;
  }
}

// `lump` starting on the file's last byte: any record of it reaches past the end.
void Damage(std::vector<uint8_t>& file, Lump lump) {
  SetLumpHeader(file, lump, static_cast<int32_t>(file.size()) - 1, 64);
}

class LoaderTest : public ::testing::Test {
 protected:
  Config config = TestConfig();
  const std::string entities = kWorld + Block({{"classname", "func_door"}, {"model", "*1"}});
};

TEST_F(LoaderTest, DecodesEveryTable) {
  BspBuilder builder = FullBuilder(entities);
  const std::vector<uint8_t> file = builder.Build();
  const BSPFile map(file, config);

  EXPECT_EQ(map.raw_file, file);
  EXPECT_EQ(map.header.version, 30);
  for (int k = 0; k < LUMP_COUNT; ++k) {
    EXPECT_EQ(map.header.lumps[k].offset, GetLump(file, k).offset) << k;
    EXPECT_EQ(map.header.lumps[k].size, GetLump(file, k).size) << k;
  }
  ASSERT_EQ(map.vertices.size(), builder.vertices().size());
  for (size_t i = 0; i < map.vertices.size(); ++i) {
    EXPECT_EQ(map.vertices[i].x, builder.vertices()[i].x);
    EXPECT_EQ(map.vertices[i].y, builder.vertices()[i].y);
    EXPECT_EQ(map.vertices[i].z, builder.vertices()[i].z);
  }
  // Three boxes: 18 faces of 4 corners; each box has 12 edges, edge 0 is unused.
  ASSERT_EQ(map.faces.size(), 18u);
  EXPECT_EQ(map.edges.size(), 37u);
  EXPECT_EQ(map.surfedges.size(), 72u);
  EXPECT_EQ(map.faces[7].first_surfedge, 28);
  EXPECT_EQ(map.faces[7].surfedge_count, 4);
  EXPECT_EQ(map.faces[7].texinfo, 0);
  EXPECT_EQ(map.faces[7].styles, (std::array<uint8_t, 4>{0, 255, 255, 255}));
  EXPECT_EQ(map.faces[7].lightmap_offset, -1);

  ASSERT_EQ(map.models.size(), 3u);
  EXPECT_EQ(map.models[1].first_face, 6);
  EXPECT_EQ(map.models[1].face_count, 6);
  EXPECT_EQ(map.models[2].first_face, 12);

  EXPECT_EQ(map.marksurfaces, (std::vector<uint16_t>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(map.leaf_first_marksurface, (std::vector<uint16_t>{0, 3}));
  EXPECT_EQ(map.leaf_marksurface_count, (std::vector<uint16_t>{3, 3}));
  EXPECT_EQ(map.lighting, Pattern(30, 1));
  ASSERT_EQ(map.texinfos.size(), 2u);
  EXPECT_EQ(map.texinfos[1].axes[0], 10.0f);
  EXPECT_EQ(map.texinfos[1].axes[7], 17.0f);
  EXPECT_EQ(map.texinfos[1].texture, 1);
  EXPECT_EQ(map.texinfos[1].flags, 2);
  ASSERT_EQ(map.textures.size(), 2u);
  EXPECT_STREQ(map.textures[1].name.data(), "door");
  EXPECT_EQ(map.textures[1].width, 64u);
  EXPECT_EQ(map.textures[1].height, 64u);

  // Planes are shared by opposite faces of the room; the normals point along the positive axes.
  ASSERT_FALSE(map.planes.empty());
  EXPECT_EQ(map.planes[0].normal.x, 1.0f);
  EXPECT_EQ(map.planes[0].normal.y, 0.0f);
  EXPECT_EQ(map.planes[0].distance, -256.0f);
  EXPECT_EQ(map.entities.size(), 2u);
}

TEST_F(LoaderTest, FaceCornersFollowEdgesAndSurfedges) {
  BspBuilder builder = RoomBuilder(entities);
  const BSPFile map(builder.Build(), config);
  int reversed = 0;
  for (size_t f = 0; f < map.faces.size(); ++f) {
    const Face& face = map.faces[f];
    std::vector<int> corners;
    for (int j = 0; j < face.surfedge_count; ++j) {
      const int32_t e = map.surfedges[face.first_surfedge + j];
      corners.push_back(e >= 0 ? map.edges[e].first : map.edges[-e].second);
      reversed += e < 0;
    }
    EXPECT_EQ(corners, builder.corners(static_cast<int>(f))) << "face " << f;
  }
  EXPECT_EQ(reversed, 36);  // every edge of a closed box is used once each way
}

TEST_F(LoaderTest, BoxFacesLookInwardForRoomsAndOutwardForBrushes) {
  const BSPFile map(RoomBuilder(entities).Build(), config);
  const auto looks_toward_centre = [&](int f, VertexPoint centre) {
    const Face& face = map.faces[f];
    const Plane& plane = map.planes[face.plane];
    const VertexPoint n = face.side == 0 ? plane.normal : -plane.normal;
    const VertexPoint& c =
        map.vertices[map.edges[std::abs(map.surfedges[face.first_surfedge])].first];
    return n.x * (centre.x - c.x) + n.y * (centre.y - c.y) + n.z * (centre.z - c.z) > 0;
  };
  for (int f = 0; f < 6; ++f) EXPECT_TRUE(looks_toward_centre(f, {0, 0, 96})) << f;
  for (int f = 6; f < 12; ++f) EXPECT_FALSE(looks_toward_centre(f, {0, 0, 64})) << f;
}

TEST_F(LoaderTest, HeaderNeeds125Bytes) {
  BspBuilder empty;
  std::vector<uint8_t> file = empty.Build();
  ASSERT_EQ(file.size(), 125u);
  const BSPFile map(file, config);
  EXPECT_TRUE(map.vertices.empty() && map.faces.empty() && map.planes.empty());
  EXPECT_TRUE(map.models.empty() && map.lighting.empty() && map.textures.empty());
  EXPECT_EQ(map.GetEntityCount(), 0);
  EXPECT_EQ(map.GetSpawnPointCount(0), 0);

  Truncate(file, 124);
  EXPECT_EQ(LoadError(file, config), "BSPFile::BSPFile (file_size_ to small to load header)");
  EXPECT_EQ(LoadError({}, config), "BSPFile::BSPFile (file_size_ to small to load header)");
}

TEST_F(LoaderTest, VersionMustBe30) {
  for (const int32_t version : {29, 31, 0, -1}) {
    std::vector<uint8_t> file = FullBuilder(entities).Build();
    SetVersion(file, version);
    EXPECT_EQ(LoadError(file, config), "BSPHeader::ReadFile (Version Number Is Not 30)");
    Damage(file, LUMP_VERTEXES);  // the version is read before any lump
    EXPECT_EQ(LoadError(file, config), "BSPHeader::ReadFile (Version Number Is Not 30)");
  }
}

TEST_F(LoaderTest, EachCheckedLumpReachingTheEndFailsWithItsMessage) {
  const std::vector<uint8_t> good = FullBuilder(entities).Build();
  for (const Check& check : kChecks) {
    std::vector<uint8_t> file = good;
    Damage(file, check.lump);
    EXPECT_EQ(LoadError(file, config), check.message);
  }
}

TEST_F(LoaderTest, TheLumpCheckedFirstReportsFirst) {
  const std::vector<uint8_t> good = FullBuilder(entities).Build();
  for (size_t i = 0; i < std::size(kChecks); ++i) {
    for (size_t j = i + 1; j < std::size(kChecks); ++j) {
      std::vector<uint8_t> file = good;
      Damage(file, kChecks[j].lump);
      Damage(file, kChecks[i].lump);
      EXPECT_EQ(LoadError(file, config), kChecks[i].message) << kChecks[j].message;
    }
  }
}

TEST_F(LoaderTest, ALumpEndingExactlyAtTheEndOfTheFileFailsItsCheck) {
  for (const Check& check : kChecks) {
    BspBuilder builder = FullBuilder(entities);
    builder.SetOrder(OrderWithLast(check.lump));
    builder.SetTrailing(0);
    const std::vector<uint8_t> file = builder.Build();
    ASSERT_EQ(GetLump(file, check.lump).offset + GetLump(file, check.lump).size,
              static_cast<int32_t>(file.size()));
    if (check.lump == LUMP_ENTITIES) {
      EXPECT_EQ(LoadError(file, config), "");  // text has no record to run past the end
    } else {
      EXPECT_EQ(LoadError(file, config), check.message);
    }

    builder.SetTrailing(1);
    const BSPFile map(builder.Build(), config);
    EXPECT_GT(TableSize(map, check.lump), 0u) << check.message;
  }
}

TEST_F(LoaderTest, APartialLastRecordIsIgnored) {
  BspBuilder builder;
  builder.AddVertex({1, 2, 3});
  builder.AddVertex({4, 5, 6});
  builder.AddVertex({7, 8, 9});
  std::vector<uint8_t> file = builder.Build();
  SetLumpHeader(file, LUMP_VERTEXES, GetLump(file, LUMP_VERTEXES).offset, 30);
  const BSPFile map(file, config);
  ASSERT_EQ(map.vertices.size(), 2u);
  EXPECT_EQ(map.vertices[1].x, 4.0f);
  EXPECT_EQ(map.vertices[1].z, 6.0f);
}

TEST_F(LoaderTest, ALumpWithoutOffsetOrSizeIsEmpty) {
  const std::vector<uint8_t> good = FullBuilder(entities).Build();
  for (const Check& check : kChecks) {
    for (const int32_t offset : {0, -8}) {
      std::vector<uint8_t> file = good;
      SetLumpHeader(file, check.lump, offset, 64);
      const BSPFile map(file, config);
      EXPECT_EQ(TableSize(map, check.lump), 0u) << check.message;
    }
    for (const int32_t size : {0, -1}) {
      std::vector<uint8_t> file = good;
      SetLumpHeader(file, check.lump, static_cast<int32_t>(file.size()) - 1, size);
      const BSPFile map(file, config);
      EXPECT_EQ(TableSize(map, check.lump), 0u) << check.message;
    }
  }
}

TEST_F(LoaderTest, AMapWithoutEntityLumpHasNoEntitiesAndNoSpawnPoints) {
  std::vector<uint8_t> file = RoomBuilder(kWorld).Build();
  SetLumpHeader(file, LUMP_ENTITIES, 0, 0);
  const BSPFile map(file, config);
  EXPECT_EQ(map.GetEntityCount(), 0);
  for (int32_t t = 0; t < config.spawn_point_count(); ++t) EXPECT_EQ(map.GetSpawnPointCount(t), 0);
  EXPECT_TRUE(map.listed_brushes.empty() && map.unlisted_brushes.empty());
  EXPECT_TRUE(std::none_of(map.faces.begin(), map.faces.end(),
                           [](const Face& f) { return f.in_brush_entity; }));
}

TEST_F(LoaderTest, ADamagedTextureLumpLeavesNoTexturesAndTheMapLoads) {
  const std::vector<uint8_t> good = FullBuilder(entities).Build();
  const LumpPlace textures = GetLump(good, LUMP_TEXTURES);
  std::vector<std::vector<uint8_t>> damaged(6, good);
  SetI32(damaged[0], textures.offset, 0x7fffffff);             // a count far beyond the lump
  SetI32(damaged[1], textures.offset, -1);                     // a negative count
  SetI32(damaged[2], textures.offset + 8, 100000);             // a header far outside the file
  SetI32(damaged[3], textures.offset + 4, -4);                 // a header before the lump
  SetI32(damaged[4], textures.offset + 8, textures.size - 8);  // a header cut by the lump's end
  // A lump that claims to run past the file, with a header across the file's end.
  SetLumpHeader(damaged[5], LUMP_TEXTURES, textures.offset, 0x7fff0000);
  SetI32(damaged[5], textures.offset + 8, static_cast<int32_t>(good.size()) - textures.offset - 8);
  for (size_t i = 0; i < damaged.size(); ++i) {
    const BSPFile map(damaged[i], config);
    EXPECT_TRUE(map.textures.empty()) << i;
    EXPECT_EQ(map.faces.size(), 18u);
    EXPECT_EQ(map.GetEntityCount(), 2);
  }
}

TEST_F(LoaderTest, TruncatingAtAnyLengthLoadsOrRaises) {
  for (const Lump last : {LUMP_ENTITIES, LUMP_LIGHTING, LUMP_MODELS}) {
    BspBuilder builder = FullBuilder(entities);
    builder.SetOrder(OrderWithLast(last));
    builder.SetPadding(3);
    const std::vector<uint8_t> file = builder.Build();
    int loaded = 0;
    for (size_t n = 0; n <= file.size(); ++n) {
      const std::vector<uint8_t> part(file.begin(), file.begin() + n);
      try {
        const BSPFile map(part, config);
        ++loaded;
        EXPECT_GE(n, 125u);
      } catch (const Error& e) {
        if (n < 125) {
          EXPECT_STREQ(e.what(), "BSPFile::BSPFile (file_size_ to small to load header)");
        }
      }
    }
    EXPECT_GE(loaded, 1) << last;  // at least the whole file
  }
}

}  // namespace
}  // namespace tarnwick::test
