#pragma once

#include <cstdint>

namespace tarnwick {

enum class Primitive { Points, Lines, Polygon, Quads };

// The OpenGL 1.1 calls the map model draws with, in map coordinates. The program forwards them to
// OpenGL (GLDrawing); tests record them.
class Drawing {
 public:
  virtual ~Drawing() = default;
  virtual void Begin(Primitive primitive) = 0;
  virtual void End() = 0;
  virtual void Vertex(float x, float y, float z) = 0;
  virtual void Normal(float x, float y, float z) = 0;
  virtual void Color(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255) = 0;
  virtual void PushMatrix() = 0;
  virtual void PopMatrix() = 0;
  virtual void Translate(float x, float y, float z) = 0;
  virtual void Rotate(float degrees, float x, float y, float z) = 0;
  virtual void CallList(uint32_t list) = 0;  // a display list made by the program
};

}  // namespace tarnwick
