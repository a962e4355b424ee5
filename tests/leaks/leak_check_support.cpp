// Linked into every program of a sanitized build, so that the leak check gives the same answer on
// every machine: our leaks are reported, those of a few libraries outside the project never are.

// No library is unloaded: LeakSanitizer names a frame's library only while it is loaded, and the
// OpenGL driver goes with its last context, before the check runs.
extern "C" int dlclose(void*) {
  return 0;
}

// Libraries that keep allocations for the life of the process: Mesa's OpenGL driver, its LLVM and
// its GLX and EGL front ends; the session bus that Qt's platform plugin opens; fontconfig's caches.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:_dri.so\nleak:libgallium\nleak:libLLVM\nleak:libglapi.so\nleak:libGLX_mesa.so\n"
         "leak:libEGL_mesa.so\nleak:libdbus-1.so\nleak:libfontconfig.so\n";
}
