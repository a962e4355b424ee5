#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {
class BSPFile;
class Config;
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

// Each command returns the program's exit code; errors of the model are raised as tarnwick::Error.
int Info(const Args& args);
int Entities(const Args& args);
int Spawns(const Args& args);
int Resave(const Args& args);
int FgdList(const Args& args);
int FgdShow(const Args& args);
int GcfList(const Args& args);
int GcfExtract(const Args& args);
int Check(const Args& args);
int Edit(const Args& args);

// The configuration named by --config, or Config.cfg beside this program.
Config LoadConfig(const Args& args);
// The map at `path`, read with `config`, which must outlive it. Raises Error("Failed to open file
// \"PATH\"") when the file cannot be opened.
std::unique_ptr<BSPFile> LoadMap(const std::string& path, const Config& config);

}  // namespace tarnwick::cli
