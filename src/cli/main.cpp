// tarnwick-cli: the map model and the readers from the command line, for scripts and checks.
#include <cstdio>
#include <cstring>

#include "cli/commands.h"
#include "error.h"

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
    {"fgd-list", "fgd-list FGD", tarnwick::cli::FgdList},
    {"fgd-show", "fgd-show FGD CLASS", tarnwick::cli::FgdShow},
    {"gcf-list", "gcf-list GCF", tarnwick::cli::GcfList},
    {"gcf-extract", "gcf-extract GCF INDEX OUT", tarnwick::cli::GcfExtract},
    {"check", "check MAP [--config FILE] [--size N] [--walls]", tarnwick::cli::Check},
};

int Usage() {
  std::fputs("usage: tarnwick-cli COMMAND ...\n", stderr);
  for (const Command& c : kCommands) std::fprintf(stderr, "  tarnwick-cli %s\n", c.usage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  Args args;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--walls") == 0) {  // the one option without a value
      args.options["walls"] = "";
    } else if (std::strncmp(argv[i], "--", 2) == 0) {
      if (i + 1 >= argc) return Usage();
      args.options[argv[i] + 2] = argv[i + 1];
      ++i;
    } else {
      args.words.emplace_back(argv[i]);
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
