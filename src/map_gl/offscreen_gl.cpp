#include "map_gl/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include "base/error.h"

namespace tarnwick {

OffscreenGL::OffscreenGL() {
  if (!Create()) {
    Release();
    throw Error("OffscreenGL (could not create an OpenGL context)");
  }
  glViewport(0, 0, kSize, kSize);
}

OffscreenGL::~OffscreenGL() {
  Release();
}

bool OffscreenGL::Create() {
  const auto get_platform_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (get_platform_display == nullptr) return false;
  display_ = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr) ||
      !eglBindAPI(EGL_OPENGL_API)) {
    return false;
  }
  // clang-format off
  const EGLint config_attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                      EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                      EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                      EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_NONE};
  // clang-format on
  EGLConfig config = nullptr;
  EGLint config_count = 0;
  if (!eglChooseConfig(display_, config_attributes, &config, 1, &config_count) ||
      config_count != 1) {
    return false;
  }
  // Selection records no hits without a drawable, so even a surfaceless display gets a pbuffer.
  const EGLint surface_attributes[] = {EGL_WIDTH, kSize, EGL_HEIGHT, kSize, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display_, config, surface_attributes);
  if (surface_ == EGL_NO_SURFACE) return false;
  const EGLint context_attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                       EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, context_attributes);
  if (context_ == EGL_NO_CONTEXT) return false;
  return eglMakeCurrent(display_, surface_, surface_, context_);
}

void OffscreenGL::Release() {
  if (display_ == EGL_NO_DISPLAY) return;
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
  if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
  // The display is the process's one surfaceless display, which every instance shares; it stays
  // initialised, so that the others keep working and the driver stays loaded.
}

}  // namespace tarnwick
