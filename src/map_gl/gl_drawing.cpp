#include "map_gl/gl_drawing.h"

#include <GL/gl.h>

namespace tarnwick {

void GLDrawing::Begin(Primitive primitive) {
  switch (primitive) {
    case Primitive::Points:
      glBegin(GL_POINTS);
      break;
    case Primitive::Lines:
      glBegin(GL_LINES);
      break;
    case Primitive::Polygon:
      glBegin(GL_POLYGON);
      break;
    case Primitive::Quads:
      glBegin(GL_QUADS);
      break;
  }
}

void GLDrawing::End() {
  glEnd();
}
void GLDrawing::Vertex(float x, float y, float z) {
  glVertex3f(x, y, z);
}
void GLDrawing::Normal(float x, float y, float z) {
  glNormal3f(x, y, z);
}
void GLDrawing::Color(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  glColor4ub(red, green, blue, alpha);
}
void GLDrawing::PushMatrix() {
  glPushMatrix();
}
void GLDrawing::PopMatrix() {
  glPopMatrix();
}
void GLDrawing::Translate(float x, float y, float z) {
  glTranslatef(x, y, z);
}
void GLDrawing::Rotate(float degrees, float x, float y, float z) {
  glRotatef(degrees, x, y, z);
}

void TurnMapToView() {
  static constexpr GLfloat kTurn[16] = {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
  glMultMatrixf(kTurn);
}

}  // namespace tarnwick
