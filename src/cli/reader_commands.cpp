// The FGD and cache commands.
#include "cli/commands.h"

namespace tarnwick::cli {

int FgdList(const Args&) { throw UsageError{}; }
int FgdShow(const Args&) { throw UsageError{}; }
int GcfList(const Args&) { throw UsageError{}; }
int GcfExtract(const Args&) { throw UsageError{}; }

}  // namespace tarnwick::cli
