// Linked into every program of a sanitized build, so that its leak check gives the same answer on
// every machine: leaks of our code are reported, those of a few libraries outside the project
// never are.

// No shared library is ever unloaded. LeakSanitizer names the library an allocation was made in
// only while that library is loaded, and the OpenGL driver is unloaded when its display or last
// context goes, at exit, before the leak check runs. Its frames would then have no name and match
// no suppression, whichever allocation function (malloc, calloc, realloc, posix_memalign) the
// driver happened to call.
extern "C" int dlclose(void*) {
  return 0;
}

// The libraries that keep allocations for the life of the process, suppressed by name only.
extern "C" const char* __lsan_default_suppressions() {
  return
      // The OpenGL driver: Mesa's DRI driver (swrast_dri.so and its hard links, or libgallium in
      // later releases), the LLVM it compiles with, and its GLX and EGL front ends. Its software
      // rasteriser keeps, for one, a buffer for each context that has used selection mode.
      "leak:_dri.so\n"
      "leak:libgallium\n"
      "leak:libLLVM\n"
      "leak:libglapi.so\n"
      "leak:libGLX_mesa.so\n"
      "leak:libEGL_mesa.so\n"
      // The session bus connection Qt's platform plugin opens, and fontconfig's caches.
      "leak:libdbus-1.so\n"
      "leak:libfontconfig.so\n";
}
