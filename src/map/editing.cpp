#include "map/editing.h"

#include <algorithm>
#include <cstdio>

namespace tarnwick {

float Wrap(float angle) {
  while (angle > 360) angle -= 360;
  while (angle < 0) angle += 360;
  return angle;
}

float CameraFacing(float camera_yaw) {
  return Wrap(camera_yaw + 90);
}

void MoveEntity(BSPFile& map, int32_t index, const std::array<float, 3>& position) {
  map.entities.at(static_cast<size_t>(index)).origin = position;
  map.WriteBack(index);
}

void MoveEntityAlong(BSPFile& map, int32_t index, int axis, float value) {
  std::array<float, 3> position = map.entities.at(static_cast<size_t>(index)).origin;
  position.at(static_cast<size_t>(axis)) = value;
  MoveEntity(map, index, position);
}

void TurnEntity(BSPFile& map, int32_t index, float yaw) {
  Entity& e = map.entities.at(static_cast<size_t>(index));
  if (e.has_angles) e.angles[2] = yaw;
  if (e.has_angle) e.angle = yaw;
  map.WriteBack(index);
}

void SetEntityToCamera(BSPFile& map, int32_t index, const std::array<float, 3>& camera_pos,
                       float camera_yaw) {
  MoveEntity(map, index, camera_pos);
  TurnEntity(map, index, CameraFacing(camera_yaw));
}

void AddSpawnPointAt(BSPFile& map, int32_t type, const std::array<float, 3>& position, float yaw) {
  SpawnPoint sp;
  sp.origin = position;
  sp.angles = {0, 0, yaw};
  map.AddSpawnPoint(type, sp);
}

std::string ListItem(int number, const std::array<float, 3>& origin) {
  char text[160];
  std::snprintf(text, sizeof text, "%02d (%0.f,%0.f,%0.f)", number, origin[0], origin[1],
                origin[2]);
  return text;
}

std::string FoundItem(int number, const std::string& class_name) {
  char text[32];
  std::snprintf(text, sizeof text, "%03d   (", number);
  return text + class_name + ")";
}

std::vector<int32_t> FindEntities(const BSPFile& map, const std::string& search, int type) {
  const auto matches = [&](const std::string& name) {
    switch (type) {
      case 0:
        return name.find(search) != std::string::npos;
      case 1:
        return name.starts_with(search);
      case 2:
        return name.ends_with(search);
      case 3:
        return name == search;
    }
    return false;
  };
  std::vector<int32_t> found;
  for (int32_t i = 0; i < map.GetEntityCount(); ++i) {
    if (matches(map.entities[i].class_name)) found.push_back(i);
  }
  return found;
}

std::vector<std::string> PointClasses(const BSPFile& map) {
  std::vector<std::string> names;
  for (const Entity& e : map.entities) {
    if (e.has_origin && std::find(names.begin(), names.end(), e.class_name) == names.end()) {
      names.push_back(e.class_name);
    }
  }
  return names;
}

std::vector<int32_t> PointEntities(const BSPFile& map, const std::string& class_name) {
  std::vector<int32_t> points;
  for (int32_t i = 0; i < map.GetEntityCount(); ++i) {
    const Entity& e = map.entities[i];
    if (e.class_name == class_name && e.has_origin) points.push_back(i);
  }
  return points;
}

}  // namespace tarnwick
