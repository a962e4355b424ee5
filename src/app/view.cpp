// The 3D view: the fixed OpenGL state, the projection and one frame on demand.
#include <GL/gl.h>
#include <GL/glu.h>

#include <QMouseEvent>
#include <QOpenGLContext>
#include <cmath>

#include "app/main_window.h"
#include "map_gl/gl_drawing.h"

namespace tarnwick {

GLView::GLView(TForm1* form) : QOpenGLWidget(form), form_(form) {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setRedBufferSize(8);
  format.setGreenBufferSize(8);
  format.setBlueBufferSize(8);
  format.setDepthBufferSize(24);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  setFormat(format);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
}

void GLView::initializeGL() {
  ready_ = context() != nullptr && context()->isValid();
  if (ready_) form_->SetUpOpenGL();
}

void GLView::paintGL() {
  form_->DrawFrame();
}

void GLView::mousePressEvent(QMouseEvent* event) {
  form_->FormMouseDown(event->buttons() & Qt::LeftButton);
}

void GLView::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  form_->FormMouseMove(p.x(), p.y());
}

void GLView::mouseReleaseEvent(QMouseEvent* event) {
  form_->FormMouseUp(event->buttons() & Qt::LeftButton);
}

void GLView::keyPressEvent(QKeyEvent* event) {
  form_->KeyPressed(event);
}

bool TForm1::MakeCurrent() {
  if (!view->HasContext()) return false;
  view->makeCurrent();
  // Qt sets its own viewport before painting; the frame's, and the checks', lies over GLPanel.
  glViewport(viewport_.x(), viewport_.y(), viewport_.width(), viewport_.height());
  return true;
}

void TForm1::SetUpOpenGL() {
  glClearColor(0, 0, 0, 0);
  for (uint32_t& list : display_lists) list = glGenLists(1);
  const GLfloat diffuse0[] = {0.5f, 0.5f, 0.5f, 1}, low[] = {0.2f, 0.2f, 0.2f, 1};
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse0);
  glLightfv(GL_LIGHT0, GL_AMBIENT, low);
  glLightfv(GL_LIGHT0, GL_SPECULAR, low);
  const GLfloat diffuse1[] = {0.4f, 0.4f, 0.4f, 1};
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse1);
  glLightfv(GL_LIGHT1, GL_AMBIENT, low);
  glLightfv(GL_LIGHT1, GL_SPECULAR, low);
  const GLfloat diffuse2[] = {0.1f, 0.1f, 0.1f, 1}, low2[] = {0.05f, 0.05f, 0.05f, 1};
  glLightfv(GL_LIGHT2, GL_DIFFUSE, diffuse2);
  glLightfv(GL_LIGHT2, GL_AMBIENT, low2);
  glLightfv(GL_LIGHT2, GL_SPECULAR, low2);
  glEnable(GL_LIGHT1);
  glEnable(GL_LIGHT2);
  CullingCheckBox->isChecked() ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
  glFrontFace(GL_CW);
  glEnable(GL_COLOR_MATERIAL);
  glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
  const GLfloat black[] = {0, 0, 0, 1}, specular[] = {0.1f, 0.1f, 0.1f, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
  glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
  glMaterialf(GL_FRONT, GL_SHININESS, 10);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_DEPTH_TEST);
}

void TForm1::FormResize() {
  const double ratio = view->devicePixelRatioF();
  viewport_ =
      QRect(2, static_cast<int>(BottomPanel->height() + 2.0),
            static_cast<int>(GLPanel->width() - 4.0), static_cast<int>(GLPanel->height() - 4.0));
  viewport_ = QRect(viewport_.topLeft() * ratio, viewport_.size() * ratio);
  if (!MakeCurrent()) return;
  SetProjection();
  RenderView();
}

double TForm1::FieldOfView() const {
  return ScaleBar->value() * 0.001 * 100;
}

double TForm1::Aspect() const {
  return static_cast<double>(GLPanel->width()) / std::max(GLPanel->height(), 1);
}

void TForm1::SetProjection() {
  if (!MakeCurrent()) return;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(FieldOfView(), Aspect(), front_plane, back_plane);
  glRotatef(180, 1, 0, 0);
  glMatrixMode(GL_MODELVIEW);
}

void TForm1::RenderView() {
  view->update();
}

void TForm1::DrawFrame() {
  if (!MakeCurrent()) return;
  ++frames_drawn;
  const SpawnPoint camera = CheckedCamera();
  SetProjection();
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  PlaceCameraAndLights();
  if (bsp_file) {
    switch (tab_mode) {
      case 0:
        DrawSpawnPoints(camera);
        DrawMapLists();
        break;
      case 1:
        DrawPointMarkers();
        DrawMapLists();
        break;
      case 3:
        DrawModelHighlight();
        break;
    }
  }
  glFlush();
}

SpawnPoint TForm1::CheckedCamera() {
  SpawnPoint camera;
  camera.origin = camera_pos;
  camera.angles[2] = camera_yaw + 90;
  // The check sets matrices of its own, so it comes before the frame's.
  if (bsp_file) {
    GLSelection pass;
    bsp_file->CheckSpawnPoint(pass, camera, min_distance);
  }
  return camera;
}

void TForm1::PlaceCameraAndLights() {
  const float x = camera_pos[0], y = camera_pos[1], z = camera_pos[2];
  glLoadIdentity();
  glTranslatef(0, 0, view_offset);
  glRotatef(camera_pitch, 1, 0, 0);
  glRotatef(camera_yaw, 0, 0, 1);
  TurnMapToView();
  glTranslatef(-x, -y, -z);
  const GLfloat lamp[] = {x, y, z, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, lamp);
  // The sun's direction on the map, and the opposite one.
  const double a = 2.5132742, b = 3.7699113;
  const GLfloat sun[] = {static_cast<GLfloat>(std::sin(b) * std::cos(a)),
                         static_cast<GLfloat>(-std::sin(b) * std::sin(a)),
                         static_cast<GLfloat>(-std::cos(b)), 0};
  const GLfloat sun2[] = {-sun[0], -sun[1], -sun[2], 0};
  glLightfv(GL_LIGHT1, GL_POSITION, sun);
  glLightfv(GL_LIGHT2, GL_POSITION, sun2);
}

// The camera's cube, then every spawn point's: the selected type's in their own colours, the one
// selected brightest; red ones are blocked.
void TForm1::DrawSpawnPoints(const SpawnPoint& camera) {
  GLDrawing gl;
  camera.blocked ? glColor3ub(255, 0, 0) : glColor3ub(0, 255, 0);
  camera.Draw(gl, min_distance);
  const int type = SpawnPointBox->ItemIndex();
  const int selected = SpawnPointListBox->ItemIndex();
  for (int t = 0; t < config.spawn_point_count(); ++t) {
    for (int i = 0; i < bsp_file->GetSpawnPointCount(t); ++i) {
      const SpawnPoint& sp = *bsp_file->GetSpawnPoint(t, i);
      if (t == type && i == selected) {
        sp.blocked ? glColor3ub(255, 0, 0) : glColor3ub(255, 255, 0);
      } else if (t == type) {
        sp.blocked ? glColor3ub(155, 0, 0) : glColor3ub(255, 0, 255);
      } else {
        sp.blocked ? glColor3ub(100, 0, 0) : glColor3ub(0, 0, 255);
      }
      sp.Draw(gl, min_distance);
    }
  }
}

// The point editor's entities as points, with a line along the yaw of those that have one, and
// the camera the same way.
void TForm1::DrawPointMarkers() {
  // The list may still name the entities of an earlier map, until the tab fills it anew.
  const auto point = [this](size_t k) -> const Entity* {
    const int32_t index = point_entitys[k];
    return index >= 0 && index < bsp_file->GetEntityCount() ? &bsp_file->entities[index] : nullptr;
  };
  const int selected = EntityListBox->ItemIndex();
  const auto line = [](uint8_t red, uint8_t green, uint8_t blue) {
    glColor3ub(red, green, blue);
    glBegin(GL_LINES);
    glVertex3f(0, 25, 0);
    glVertex3f(0, 0, 0);
    glEnd();
  };
  for (size_t k = 0; k < point_entitys.size(); ++k) {
    const Entity* e = point(k);
    if (!e) continue;
    glPushMatrix();
    glTranslatef(e->origin[0], e->origin[1], e->origin[2]);
    if (e->has_angles) glRotatef(e->angles[2] - 90, 0, 0, 1);
    if (e->has_angle) glRotatef(e->angle - 90, 0, 0, 1);
    if (e->has_angles || e->has_angle) {
      static_cast<int>(k) == selected ? line(125, 125, 0) : line(125, 0, 125);
    }
    glPopMatrix();
  }
  glPushMatrix();
  glTranslatef(camera_pos[0], camera_pos[1], camera_pos[2]);
  glRotatef(camera_yaw, 0, 0, 1);
  line(0, 125, 0);
  glPopMatrix();
  glBegin(GL_POINTS);
  for (size_t k = 0; k < point_entitys.size(); ++k) {
    if (const Entity* e = point(k)) {
      static_cast<int>(k) == selected ? glColor3ub(255, 255, 0) : glColor3ub(255, 0, 255);
      glVertex3f(e->origin[0], e->origin[1], e->origin[2]);
    }
  }
  glColor3ub(0, 255, 0);
  glVertex3f(camera_pos[0], camera_pos[1], camera_pos[2]);
  glEnd();
}

// The map in the chosen drawing mode, then the brush entities of the groups, see-through.
void TForm1::DrawMapLists() {
  switch (DrawModeComboBox->ItemIndex()) {
    case 0:
      glColor3ub(255, 255, 255);
      glCallList(display_lists[0]);
      break;
    case 1:
      glColor3ub(255, 255, 255);
      glCallList(display_lists[1]);
      break;
    case 2:
      glEnable(GL_LIGHTING);
      glCallList(display_lists[2]);
      glDisable(GL_LIGHTING);
      break;
  }
  if (DrawEntitys->isChecked()) {
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glCallList(display_lists[3]);
    glCallList(display_lists[4]);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
  }
}

// The model viewer: the map's outlines and the chosen model in translucent red.
void TForm1::DrawModelHighlight() {
  GLDrawing gl;
  bsp_file->DrawLines(gl, false);
  glColor4ub(255, 0, 0, 100);
  glEnable(GL_BLEND);
  bsp_file->DrawModel(gl, ModelComboBox->ItemIndex());
  glDisable(GL_BLEND);
}

void TForm1::LightingModeComboBoxChange() {
  if (MakeCurrent()) {
    switch (LightingModeComboBox->ItemIndex()) {
      case 0:
        glDisable(GL_LIGHT0);
        glEnable(GL_LIGHT1);
        glEnable(GL_LIGHT2);
        break;
      case 1:
        glEnable(GL_LIGHT0);
        glDisable(GL_LIGHT1);
        glDisable(GL_LIGHT2);
        break;
    }
  }
  RenderView();
}

void TForm1::CullingCheckBoxClick() {
  if (MakeCurrent()) {
    CullingCheckBox->isChecked() ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
  }
  RenderView();
}

}  // namespace tarnwick
