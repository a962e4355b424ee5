#pragma once
// The editing rules that the editors and tarnwick-cli share, as plain functions of the map model.
// Each that changes an entity has the map write the entity's fields into its text and its spawn
// point.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "map/bsp_file.h"

namespace tarnwick {

// The angle wrap: above 360 comes down by 360s, below 0 goes up by 360s; 360 itself stays.
float Wrap(float angle);

// The yaw the camera faces on the map: its own yaw + 90, wrapped. The camera's angle field shows
// it, and an entity set to the camera takes it.
float CameraFacing(float camera_yaw);

// Moves entity `index` to the map position `position`, or along one axis (0 x, 1 y, 2 z) to
// `value`.
void MoveEntity(BSPFile& map, int32_t index, const std::array<float, 3>& position);
void MoveEntityAlong(BSPFile& map, int32_t index, int axis, float value);

// Turns entity `index` to `yaw`: the yaw of its "angles" and its "angle", as far as it has them.
void TurnEntity(BSPFile& map, int32_t index, float yaw);

// Moves entity `index` to the camera at `camera_pos` and turns it the way the camera faces.
void SetEntityToCamera(BSPFile& map, int32_t index, const std::array<float, 3>& camera_pos,
                       float camera_yaw);

// Adds a spawn point of `type` at the map position `position`, facing `yaw`, level.
void AddSpawnPointAt(BSPFile& map, int32_t type, const std::array<float, 3>& position, float yaw);

// A spawn-point or point-editor list item: the number, then the map position in whole units.
std::string ListItem(int number, const std::array<float, 3>& origin);
// An entity editor list item: the number, then the class name.
std::string FoundItem(int number, const std::string& class_name);

// The entity editor's search: the entities whose class name contains `search` (`type` 0), starts
// with it (1), ends with it (2) or is it (3), in map order.
std::vector<int32_t> FindEntities(const BSPFile& map, const std::string& search, int type);

// The point editor's lists: the class names of the entities that have an origin, each once, in the
// order they first come; and the entities of class `class_name` that have an origin.
std::vector<std::string> PointClasses(const BSPFile& map);
std::vector<int32_t> PointEntities(const BSPFile& map, const std::string& class_name);

}  // namespace tarnwick
