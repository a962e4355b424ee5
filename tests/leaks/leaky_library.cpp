// A library that leaks through each allocation function, as a GL driver does, for
// library_leak_check.
#include <cstdlib>

namespace {

// Where the blocks are kept until the pointers are dropped, so that none stays reachable.
void* volatile kept;

}  // namespace

extern "C" void LeakThroughEveryAllocator() {
  kept = std::malloc(100);
  kept = std::calloc(10, 10);
  kept = std::realloc(std::malloc(10), 100);
  void* aligned = nullptr;
  if (posix_memalign(&aligned, 64, 100) == 0) kept = aligned;
  kept = nullptr;
}
