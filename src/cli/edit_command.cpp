// edit and plan: changes to a map, then one save. edit runs the editors' operations in
// command-line order; plan adds the spawn points the planner finds.
#include <cstdio>
#include <functional>

#include "base/error.h"
#include "base/read_file.h"
#include "commands.h"
#include "config/config.h"
#include "map/bsp_file.h"
#include "map/editing.h"
#include "map/spawn_planner.h"

namespace tarnwick::cli {
namespace {

const std::pair<std::string_view, int> kValueCounts[] = {
    {"replace", 2},    {"add", 1},       {"delete", 1},       {"move-spawn", 5},
    {"turn-spawn", 3}, {"add-spawn", 5}, {"delete-spawn", 2}, {"import-ent", 1}};

std::array<float, 3> Position(const std::vector<std::string>& values, size_t first) {
  return {Number<float>(values[first]), Number<float>(values[first + 1]),
          Number<float>(values[first + 2])};
}

std::string TextOf(const std::string& path) {
  const FileBytes file = ReadWholeFile(path);
  if (file.outcome != FileBytes::kRead) throw Error("Failed to open file \"" + path + "\"");
  return std::string(AsText(file.bytes));
}

// The index of spawn-point type `type`, counted from 1 in the configuration's order.
int32_t TypeIndex(const BSPFile& map, int32_t type) {
  const int32_t count = map.config.spawn_point_count();
  if (type < 1 || type > count) {
    throw Error("No spawn-point type " + std::to_string(type) + " (the configuration has " +
                std::to_string(count) + ")");
  }
  return type - 1;
}

// The index of spawn point `number` of `type`, both counted from 1 as `spawns` prints them.
int32_t SpawnIndex(const BSPFile& map, int32_t type, int32_t number) {
  const int32_t count = map.GetSpawnPointCount(TypeIndex(map, type));
  if (number < 1 || number > count) {
    throw Error("No spawn point " + std::to_string(number) + " of type " + std::to_string(type) +
                " (it has " + std::to_string(count) + ")");
  }
  return number - 1;
}

int32_t SpawnEntity(const BSPFile& map, int32_t type, int32_t number) {
  return map.GetSpawnPoint(type - 1, SpawnIndex(map, type, number))->entity;
}

// The operation as a step on the map; its values are checked here, before any map is read.
std::function<void(BSPFile&)> Step(const Operation& op) {
  const std::vector<std::string>& v = op.values;
  if (op.name == "replace") {
    return [index = Number<int32_t>(v[0]), file = v[1]](BSPFile& map) {
      map.ReplaceEntity(index, TextOf(file));
    };
  }
  if (op.name == "add") return [file = v[0]](BSPFile& map) { map.AddEntity(TextOf(file)); };
  if (op.name == "delete") {
    return [index = Number<int32_t>(v[0])](BSPFile& map) { map.DeleteEntity(index); };
  }
  if (op.name == "import-ent") {
    return [file = v[0]](BSPFile& map) { map.ImportEntities(TextOf(file)); };
  }
  const int32_t type = Number<int32_t>(v[0]);
  if (op.name == "add-spawn") {
    return [type, at = Position(v, 1), yaw = Number<float>(v[4])](BSPFile& map) {
      AddSpawnPointAt(map, TypeIndex(map, type), at, yaw);
    };
  }
  const int32_t number = Number<int32_t>(v[1]);
  if (op.name == "move-spawn") {
    return [type, number, at = Position(v, 2)](BSPFile& map) {
      MoveEntity(map, SpawnEntity(map, type, number), at);
    };
  }
  if (op.name == "turn-spawn") {
    return [type, number, yaw = Number<float>(v[2])](BSPFile& map) {
      const int32_t index = SpawnEntity(map, type, number);
      const Entity& e = map.entities[index];
      if (!e.has_angles && !e.has_angle) {  // the editor's yaw field is off for such an entity
        throw Error("Spawn point " + std::to_string(number) + " of type " + std::to_string(type) +
                    " has no \"angles\" or \"angle\" to turn");
      }
      TurnEntity(map, index, yaw);
    };
  }
  return [type, number](BSPFile& map) {  // delete-spawn
    map.DeleteSpawnPoint(TypeIndex(map, type), SpawnIndex(map, type, number));
  };
}

}  // namespace

int OperationValueCount(std::string_view name) {
  for (const auto& [operation, count] : kValueCounts) {
    if (name == operation) return count;
  }
  return -1;
}

int Edit(const Args& args) {
  Expect(args, 2, {"config"}, true);
  std::vector<std::function<void(BSPFile&)>> steps;
  for (const Operation& op : args.operations) steps.push_back(Step(op));
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  for (const auto& step : steps) step(*map);
  map->SaveFile(args.words[1]);
  return 0;
}

int Plan(const Args& args) {
  Expect(args, 2, {"config", "type", "count", "spacing"});
  const auto type = NumberOption<int32_t>(args, "type");
  const auto count = NumberOption<int32_t>(args, "count");
  const auto spacing = NumberOption<float>(args, "spacing", kDefaultSpawnSpacing);
  if (count < 0 || !(spacing >= 32)) throw UsageError{};
  const Config config = LoadConfig(args);
  const auto map = LoadMap(args.words[0], config);
  const int32_t t = TypeIndex(*map, type);
  const SpawnPlan plan = PlanSpawnPoints(*map, t, count, spacing);
  for (const SpawnPoint& sp : plan.spawn_points) map->AddSpawnPoint(t, sp);
  map->SaveFile(args.words[1]);
  // What was saved: the new spawn points are the last of the type's list.
  const int32_t end = map->GetSpawnPointCount(t);
  for (int32_t i = end - static_cast<int32_t>(plan.spawn_points.size()); i < end; ++i) {
    PrintSpawnPoint(i + 1, *map->GetSpawnPoint(t, i));
  }
  if (plan.missing == 0) return 0;
  std::fflush(stdout);  // the lines before the message, also where both go to one file
  std::fprintf(stderr, "plan: %d of %d spawn points could not be placed\n", plan.missing, count);
  return 4;
}

}  // namespace tarnwick::cli
