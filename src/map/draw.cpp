// What the map's drawings emit. The tables are read as the face and model records name them, so
// every index is checked first: a damaged map loses the faces and models that point elsewhere.
#include <algorithm>
#include <optional>
#include <vector>

#include "base/error.h"
#include "map/bsp_file.h"

namespace tarnwick {
namespace {

void EmitVertex(Drawing& drawing, const VertexPoint& v) {
  drawing.Vertex(v.x, v.y, v.z);
}

void EmitOutline(Drawing& drawing, const std::vector<VertexPoint>& corners) {
  for (size_t j = 0; j < corners.size(); ++j) {
    EmitVertex(drawing, corners[j]);
    EmitVertex(drawing, corners[(j + 1) % corners.size()]);
  }
}

void EmitPolygon(Drawing& drawing, const std::vector<VertexPoint>& corners) {
  drawing.Begin(Primitive::Polygon);
  for (const VertexPoint& c : corners) EmitVertex(drawing, c);
  drawing.End();
}

// The plane's normal, turned round for a face that looks against it.
void EmitNormal(Drawing& drawing, const BSPFile& map, const Face& face) {
  const VertexPoint& n = map.planes[face.plane].normal;
  const VertexPoint v = face.side == 0 ? n : -n;
  drawing.Normal(v.x, v.y, v.z);
}

void TranslateToOrigin(Drawing& drawing, const Entity& entity) {
  if (entity.has_origin) drawing.Translate(entity.origin[0], entity.origin[1], entity.origin[2]);
}

const ConfigEntity& GroupOf(const BSPFile& map, const Entity& entity) {
  const ConfigEntity* group = FindGroup(map.config, entity.class_name);
  if (group == nullptr) throw Error("BSPFile::DrawEntFaces (could not find entity)");
  return *group;
}

// One batch of the outlines of every face of the entity's model, at the entity's origin.
void EmitEntityOutlines(Drawing& drawing, const BSPFile& map, const Entity& entity) {
  const std::optional<BSPFile::FaceRange> range = map.ModelFaces(map.ModelOf(entity));
  if (!range) return;
  std::vector<VertexPoint> corners;
  drawing.PushMatrix();
  TranslateToOrigin(drawing, entity);
  drawing.Begin(Primitive::Lines);
  for (int64_t f = range->first; f < range->end; ++f) {
    if (map.FaceCorners(f, corners)) EmitOutline(drawing, corners);
  }
  drawing.End();
  drawing.PopMatrix();
}

// Each face of the entity's model filled, each in its own matrix at the entity's origin.
void EmitEntityFaces(Drawing& drawing, const BSPFile& map, const Entity& entity, bool normals) {
  const BSPFile::FaceRange range =
      map.ModelFaces(map.ModelOf(entity)).value_or(BSPFile::FaceRange{});
  std::vector<VertexPoint> corners;
  for (int64_t f = range.first; f < range.end; ++f) {
    if (!map.FaceCorners(f, corners)) continue;
    drawing.PushMatrix();
    TranslateToOrigin(drawing, entity);
    if (normals) EmitNormal(drawing, map, map.faces[f]);
    EmitPolygon(drawing, corners);
    drawing.PopMatrix();
  }
}

}  // namespace

void BSPFile::DrawDots(Drawing& drawing) const {
  drawing.Begin(Primitive::Points);
  for (const VertexPoint& v : vertices) EmitVertex(drawing, v);
  drawing.End();
}

void BSPFile::DrawLines(Drawing& drawing, bool use_colours) const {
  drawing.Color(255, 255, 255);
  std::vector<VertexPoint> corners;
  drawing.Begin(Primitive::Lines);
  for (size_t f = 0; f < faces.size(); ++f) {
    if (faces[f].in_brush_entity == 0 && FaceCorners(f, corners)) {
      EmitOutline(drawing, corners);
    }
  }
  drawing.End();
  for (const int32_t k : listed_brushes) {
    const ConfigEntity& group = GroupOf(*this, entities[k]);
    if (use_colours) {
      drawing.Color(group.colour[0], group.colour[1], group.colour[2], group.colour[3]);
    }
    EmitEntityOutlines(drawing, *this, entities[k]);
  }
  for (const int32_t k : unlisted_brushes) {
    drawing.Color(255, 255, 255, 255);
    EmitEntityOutlines(drawing, *this, entities[k]);
  }
}

void BSPFile::DrawPolys(Drawing& drawing) const {
  drawing.Color(255, 255, 255);
  std::vector<VertexPoint> corners;
  for (size_t f = 0; f < faces.size(); ++f) {
    if (faces[f].in_brush_entity != 0 || !FaceCorners(f, corners)) continue;
    EmitNormal(drawing, *this, faces[f]);
    EmitPolygon(drawing, corners);
  }
  for (const int32_t k : unlisted_brushes) {
    drawing.Color(255, 255, 255, 255);
    EmitEntityFaces(drawing, *this, entities[k], true);
  }
}

void BSPFile::DrawEntFaces(Drawing& drawing, bool solid) const {
  for (const int32_t k : listed_brushes) {
    const ConfigEntity& group = GroupOf(*this, entities[k]);
    if (group.colision != solid) continue;
    drawing.Color(group.colour[0], group.colour[1], group.colour[2], group.colour[3]);
    EmitEntityFaces(drawing, *this, entities[k], false);
  }
}

void BSPFile::DrawModel(Drawing& drawing, int32_t model) const {
  const FaceRange range = ModelFaces(model).value_or(FaceRange{});
  std::vector<VertexPoint> corners;
  for (int64_t f = range.first; f < range.end; ++f) {
    if (!FaceCorners(f, corners)) continue;
    drawing.PushMatrix();
    EmitPolygon(drawing, corners);
    drawing.PopMatrix();
  }
}

std::optional<std::array<VertexPoint, 2>> BSPFile::ModelBounds(int32_t model) const {
  const FaceRange range = ModelFaces(model).value_or(FaceRange{});
  std::optional<std::array<VertexPoint, 2>> box;
  std::vector<VertexPoint> corners;
  for (int64_t f = range.first; f < range.end; ++f) {
    if (!FaceCorners(f, corners)) continue;
    for (const VertexPoint& c : corners) {
      if (!box) box = {c, c};
      VertexPoint& low = (*box)[0];
      VertexPoint& high = (*box)[1];
      low = {std::min(low.x, c.x), std::min(low.y, c.y), std::min(low.z, c.z)};
      high = {std::max(high.x, c.x), std::max(high.y, c.y), std::max(high.z, c.z)};
    }
  }
  return box;
}

}  // namespace tarnwick
