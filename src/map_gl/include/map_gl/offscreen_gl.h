#pragma once

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

  // The EGL handles, which are pointers; null while there is none.
  void* display_ = nullptr;
  void* surface_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace tarnwick
