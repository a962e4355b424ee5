// Loads leaky_library, lets it leak through every allocation function, unloads it, then leaks one
// block of its own. Run with the library suppressed by name: only its own block may be reported,
// which holds only while unloaded libraries keep their names (leak_check_support.cpp).
#include <dlfcn.h>

static char* volatile lost;

int main() {
  void* library = dlopen(TARNWICK_LEAKY_LIBRARY, RTLD_NOW);
  if (library == nullptr) return 1;
  const auto leak = reinterpret_cast<void (*)()>(dlsym(library, "LeakThroughEveryAllocator"));
  if (leak == nullptr) return 1;
  leak();
  dlclose(library);
  lost = new char[256];
  lost = nullptr;
}
