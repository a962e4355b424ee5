#pragma once

#include "map/drawing.h"

namespace tarnwick {

// Sends a drawing to the current OpenGL context in immediate mode, or into the display list
// being compiled.
class GLDrawing : public Drawing {
 public:
  void Begin(Primitive primitive) override;
  void End() override;
  void Vertex(float x, float y, float z) override;
  void Normal(float x, float y, float z) override;
  void Color(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255) override;
  void PushMatrix() override;
  void PopMatrix() override;
  void Translate(float x, float y, float z) override;
  void Rotate(float degrees, float x, float y, float z) override;
};

// Multiplies the current matrix by the turn from map coordinates, in which everything is drawn, to
// the view's: map (x, y, z) is view (x, -y, -z), a half turn about x. The matrix holds only 0, 1
// and -1, so the turn is exact.
void TurnMapToView();

}  // namespace tarnwick
