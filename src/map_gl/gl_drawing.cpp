#include "map_gl/gl_drawing.h"

#include <GL/gl.h>

#include <array>

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

void GLDrawing::CallList(uint32_t list) {
  glCallList(list);
}

void TurnMapToView() {
  static constexpr GLfloat kTurn[16] = {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
  glMultMatrixf(kTurn);
}

void CompileList(uint32_t list, const std::function<void()>& draw) {
  glNewList(list, GL_COMPILE);
  try {
    draw();
  } catch (...) {
    glEndList();
    throw;
  }
  glEndList();
}

namespace {

// OpenGL keeps the buffer's address after a check returns, so the buffer lives as long as the
// program. A pass writes one hit record at most: its name stack never changes.
std::array<GLuint, 1000> selection_buffer;

}  // namespace

GLSelection::GLSelection() {
  glSelectBuffer(static_cast<GLsizei>(selection_buffer.size()), selection_buffer.data());
}

Drawing& GLSelection::Begin(const SpawnPoint& spawn_point, float min_distance) {
  const float h = min_distance / 2;
  // The sides of a neighbour's cube are seen edge-on, and culling would drop them.
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_CULL_FACE);
  glRenderMode(GL_SELECT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-h, h, -h, h, -h, h);
  glMatrixMode(GL_MODELVIEW);
  // The inverse of the cube's placement, so that the view volume is the drawn cube at every yaw.
  glLoadIdentity();
  glRotatef(spawn_point.yaw(), 0, 0, 1);
  TurnMapToView();
  glTranslatef(-spawn_point.origin[0], -spawn_point.origin[1], -spawn_point.origin[2]);
  glInitNames();
  glPushName(0);
  return drawing_;
}

bool GLSelection::End() {
  const bool hit = glRenderMode(GL_RENDER) > 0;
  glPopAttrib();
  return hit;
}

}  // namespace tarnwick
