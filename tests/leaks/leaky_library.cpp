// Leaks through each allocation function, as a GL driver does, for library_leak_check.
#include <cstdlib>

static void* volatile kept;  // overwritten, so that no block stays reachable

extern "C" void LeakThroughEveryAllocator() {
  kept = std::malloc(100);
  kept = std::calloc(10, 10);
  kept = std::realloc(std::malloc(10), 100);
  void* aligned = nullptr;
  if (posix_memalign(&aligned, 64, 100) == 0) kept = aligned;
  kept = nullptr;
}
