#pragma once

#include <cstdint>
#include <functional>

#include "map/drawing.h"
#include "map/selection_pass.h"

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
  void CallList(uint32_t list) override;
};

// Multiplies the current matrix by the turn from map coordinates, in which everything is drawn, to
// the view's: map (x, y, z) is view (x, -y, -z), a half turn about x. The matrix holds only 0, 1
// and -1, so the turn is exact.
void TurnMapToView();

// Compiles what `draw` sends to OpenGL into display list `list`; the list is closed when `draw`
// raises, too.
void CompileList(uint32_t list, const std::function<void()>& draw);

// The room checks' passes as OpenGL selection in the current context: the view volume is the
// spawn point's cube, and faces in it count whichever way they face. The culling state comes back
// after each pass; the matrices stay as the pass set them.
class GLSelection : public SelectionPass {
 public:
  GLSelection();  // gives OpenGL the selection buffer
  Drawing& Begin(const SpawnPoint& spawn_point, float min_distance) override;
  bool End() override;

 private:
  GLDrawing drawing_;
};

}  // namespace tarnwick
