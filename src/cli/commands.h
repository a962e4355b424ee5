#pragma once

#include <charconv>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {
class BSPFile;
class Config;
struct SpawnPoint;
}  // namespace tarnwick

namespace tarnwick::cli {

// One of edit's operations: "--name" and its values.
struct Operation {
  std::string name;
  std::vector<std::string> values;
};

// A command line after the command name: positional words, "--name value" options and, in their
// order, edit's operations.
struct Args {
  std::vector<std::string> words;
  std::map<std::string, std::string> options;
  std::vector<Operation> operations;
};

// How many values edit's operation `name` takes, or -1 when there is no such operation.
int OperationValueCount(std::string_view name);

// Raised for a command line that does not fit the command; the program exits 2.
struct UsageError {};

// Raises UsageError unless `args` holds `words` words and no option but `options`, and, when
// `operations` is set (edit), at least one operation; no other command takes any.
void Expect(const Args& args, size_t words, std::initializer_list<std::string_view> options,
            bool operations = false);

// A number given on the command line: a whole one, or one as the editor's fields take it (digits,
// a minus and a point). Raises UsageError for any other text.
template <class T>
T Number(const std::string& text) {
  if (text.find_first_not_of("-.0123456789") != std::string::npos) throw UsageError{};
  T value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) throw UsageError{};
  return value;
}

// The number given with option `name`; `fallback` when the option is not given, and without a
// fallback the option must be given. Raises UsageError otherwise.
template <class T>
T NumberOption(const Args& args, const std::string& name, std::optional<T> fallback = {}) {
  const auto it = args.options.find(name);
  if (it != args.options.end()) return Number<T>(it->second);
  if (!fallback) throw UsageError{};
  return *fallback;
}

// Each command returns the program's exit code; errors of the model are raised as tarnwick::Error.
int Info(const Args& args);
int Entities(const Args& args);
int Spawns(const Args& args);
int Resave(const Args& args);
int Export(const Args& args);
int FgdList(const Args& args);
int FgdShow(const Args& args);
int GcfList(const Args& args);
int GcfExtract(const Args& args);
int Check(const Args& args);
int Edit(const Args& args);
int Plan(const Args& args);

// The configuration named by --config, or Config.cfg beside this program.
Config LoadConfig(const Args& args);
// The map at `path`, read with `config`, which must outlive it. Raises Error("Failed to open file
// \"PATH\"") when the file cannot be opened.
std::unique_ptr<BSPFile> LoadMap(const std::string& path, const Config& config);
// Prints spawn point `number` (counted from 1) as `spawns` lists it: number, x y z, yaw.
void PrintSpawnPoint(int32_t number, const SpawnPoint& spawn_point);

}  // namespace tarnwick::cli
