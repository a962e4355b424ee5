// tarnwick-cli: the map model and the readers from the command line, for scripts and checks.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/error.h"
#include "commands.h"

namespace {

using tarnwick::cli::Args;

struct Command {
  const char* name;
  const char* usage;
  int (*run)(const Args&);
};

const Command kCommands[] = {
    {"info", "info MAP [--config FILE]", tarnwick::cli::Info},
    {"entities", "entities MAP [--config FILE]", tarnwick::cli::Entities},
    {"spawns", "spawns MAP [--config FILE]", tarnwick::cli::Spawns},
    {"resave", "resave IN OUT [--config FILE]", tarnwick::cli::Resave},
    {"export", "export MAP OUT [--config FILE]", tarnwick::cli::Export},
    {"fgd-list", "fgd-list FGD", tarnwick::cli::FgdList},
    {"fgd-show", "fgd-show FGD CLASS", tarnwick::cli::FgdShow},
    {"gcf-list", "gcf-list GCF", tarnwick::cli::GcfList},
    {"gcf-extract", "gcf-extract GCF INDEX OUT", tarnwick::cli::GcfExtract},
    {"check", "check MAP [--config FILE] [--size N] [--walls]", tarnwick::cli::Check},
    {"edit",
     "edit IN OUT [--config FILE] OPERATION...\n"
     "    operations, run in order: --replace INDEX FILE, --add FILE, --delete INDEX,\n"
     "    --move-spawn TYPE NUMBER X Y Z, --turn-spawn TYPE NUMBER YAW,\n"
     "    --add-spawn TYPE X Y Z YAW, --delete-spawn TYPE NUMBER, --import-ent FILE",
     tarnwick::cli::Edit},
    {"plan", "plan IN OUT --type TYPE --count N [--spacing S] [--config FILE]",
     tarnwick::cli::Plan},
};

int Usage() {
  std::fputs("usage: tarnwick-cli COMMAND ...\n", stderr);
  for (const Command& c : kCommands) std::fprintf(stderr, "  tarnwick-cli %s\n", c.usage);
  return 2;
}

}  // namespace

namespace tarnwick::cli {

void Expect(const Args& args, size_t words, std::initializer_list<std::string_view> options,
            bool operations) {
  const auto allowed = [&](const auto& option) {
    return std::find(options.begin(), options.end(), option.first) != options.end();
  };
  if (args.words.size() != words ||
      !std::all_of(args.options.begin(), args.options.end(), allowed) ||
      args.operations.empty() == operations) {
    throw UsageError{};
  }
}

}  // namespace tarnwick::cli

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  Args args;
  const auto is_option = [](const char* arg) { return std::strncmp(arg, "--", 2) == 0; };
  for (int i = 2; i < argc; ++i) {
    if (!is_option(argv[i])) {  // a word, or a negative number
      args.words.emplace_back(argv[i]);
      continue;
    }
    const std::string name = argv[i] + 2;
    const int operation_values = tarnwick::cli::OperationValueCount(name);
    // --walls is the one option without a value; an operation takes a fixed number of them.
    const int count = name == "walls" ? 0 : std::max(operation_values, 1);
    std::vector<std::string> values;
    for (; static_cast<int>(values.size()) < count; ++i) {
      if (i + 1 >= argc || is_option(argv[i + 1])) return Usage();
      values.emplace_back(argv[i + 1]);
    }
    if (operation_values >= 0) {
      args.operations.push_back({name, std::move(values)});
    } else {
      args.options[name] = values.empty() ? "" : values[0];
    }
  }
  for (const Command& c : kCommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    try {
      return c.run(args);
    } catch (const tarnwick::cli::UsageError&) {
      std::fprintf(stderr, "usage: tarnwick-cli %s\n", c.usage);
      return 2;
    } catch (const tarnwick::Error& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
  }
  return Usage();
}
