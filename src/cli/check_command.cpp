// The batch room check.
#include "cli/commands.h"

namespace tarnwick::cli {

int Check(const Args&) { throw UsageError{}; }

}  // namespace tarnwick::cli
