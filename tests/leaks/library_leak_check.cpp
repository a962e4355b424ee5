// Loads leaky_library, lets it leak through every allocation function, unloads it, then leaks one
// block of its own. Run with a suppression of the library by name: only its own block may be
// reported, which holds only while unloaded libraries keep their names (keep_libraries.cpp).
#include <dlfcn.h>

#include <cstdio>

namespace {

[[gnu::noinline]] void LeakOwnBlock() {
  char* lost = new char[256];
  lost[0] = 1;
  std::printf("%d\n", lost[0]);
}

}  // namespace

int main() {
  void* library = dlopen(TARNWICK_LEAKY_LIBRARY, RTLD_NOW);
  if (library == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  const auto leak = reinterpret_cast<void (*)()>(dlsym(library, "LeakThroughEveryAllocator"));
  if (leak == nullptr) return 1;
  leak();
  dlclose(library);
  LeakOwnBlock();
  return 0;
}
