#pragma once

#include <EGL/egl.h>

namespace tarnwick {

// A compatibility-profile OpenGL context on a small off-screen surface, current for its whole
// life, with the viewport set to the surface. Needs no display server.
class OffscreenGL {
 public:
  static constexpr int kSize = 64;

  // Raises Error("OffscreenGL (could not create an OpenGL context)") on failure.
  OffscreenGL();
  ~OffscreenGL();
  OffscreenGL(const OffscreenGL&) = delete;
  OffscreenGL& operator=(const OffscreenGL&) = delete;

 private:
  bool Create();
  void Release();

  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLSurface surface_ = EGL_NO_SURFACE;
  EGLContext context_ = EGL_NO_CONTEXT;
};

}  // namespace tarnwick
