// The camera: keys, mouse look and the typed position, angle, offset, planes and speed.
#include <QCursor>
#include <QGuiApplication>
#include <cmath>

#include "app/main_window.h"
#include "map/editing.h"

namespace tarnwick {

std::string Format2(float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

void TForm1::FormKeyDown(int key, bool shift) {
  const float step = shift ? speed * 10 : speed;
  const auto move = [&](float direction) {
    const double d = Wrap(direction) * 0.017453292;
    camera_pos[0] += static_cast<float>(std::cos(d) * step);
    camera_pos[1] += static_cast<float>(std::sin(d) * step);
  };
  // With NumLock off the keypad's digits arrive as arrows, Home and End with the keypad
  // modifier; they act as the digits, not as the arrow keys above the letters.
  const int keypad = Qt::KeypadModifier;
  switch (key) {
    case Qt::Key_Left:
      camera_yaw = Wrap(camera_yaw + 7.2f);
      break;
    case Qt::Key_Right:
      camera_yaw = Wrap(camera_yaw - 7.2f);
      break;
    case Qt::Key_Up:
      camera_pitch = Wrap(camera_pitch - 7.2f);
      RenderView();
      return;
    case Qt::Key_Down:
      camera_pitch = Wrap(camera_pitch + 7.2f);
      RenderView();
      return;
    case Qt::Key_W:
    case Qt::Key_8 | keypad:
    case Qt::Key_Up | keypad:
      move(camera_yaw + 90);
      break;
    case Qt::Key_S:
    case Qt::Key_2 | keypad:
    case Qt::Key_Down | keypad:
      move(camera_yaw + 270);
      break;
    case Qt::Key_A:
    case Qt::Key_4 | keypad:
    case Qt::Key_Left | keypad:
      move(camera_yaw + 180);
      break;
    case Qt::Key_D:
    case Qt::Key_6 | keypad:
    case Qt::Key_Right | keypad:
      move(camera_yaw);
      break;
    case Qt::Key_Q:
    case Qt::Key_7 | keypad:
    case Qt::Key_Home | keypad:
      camera_pos[2] += step;
      break;
    case Qt::Key_Z:
    case Qt::Key_1 | keypad:
    case Qt::Key_End | keypad:
      camera_pos[2] -= step;
      break;
    default:
      return;
  }
  UpdatePositionEdits();
  RenderView();
}

void TForm1::MoveToModelClick() {
  if (!bsp_file) return;
  const auto box = bsp_file->ModelBounds(ModelComboBox->ItemIndex());
  if (!box) return;
  const VertexPoint &low = (*box)[0], &high = (*box)[1];
  const double centre[3] = {(low.x + high.x) / 2.0, (low.y + high.y) / 2.0, (low.z + high.z) / 2.0};
  const double radius = std::hypot(high.x - low.x, high.y - low.y, high.z - low.z) / 2;
  // The whole box is in view when the sphere around it is. Seen from distance d, the sphere fills
  // the angle asin(radius / d) on each side of its centre, which must not exceed half the
  // narrower field of view: the vertical one, or the horizontal one, whose tangent is the aspect
  // times the vertical one's. Its near side must also lie beyond the front plane. So the eye
  // stands d = max(radius / sin(half), radius + front_plane) from the centre.
  const double vertical = FieldOfView() / 2 * 0.017453292;
  const double half = std::min(vertical, std::atan(Aspect() * std::tan(vertical)));
  const double d = std::max(radius / std::sin(half), radius + front_plane);
  // The eye looks at the camera point from view_offset behind it. Undoing the frame's model-view
  // (rotations by camera_pitch p about x and camera_yaw y about z) and the flip to map
  // coordinates, it looks along (sin p sin y, -sin p cos y, -cos p) on the map. The camera point
  // goes view_offset - d along that from the centre, which puts the eye d before it.
  const double p = camera_pitch * 0.017453292, y = camera_yaw * 0.017453292;
  const double look[3] = {std::sin(p) * std::sin(y), -std::sin(p) * std::cos(y), -std::cos(p)};
  for (int i = 0; i < 3; ++i) {
    camera_pos[i] = static_cast<float>(centre[i] + look[i] * (view_offset - d));
  }
  UpdatePositionEdits();
  RenderView();
}

void TForm1::CenterCursor() {
  QCursor::setPos(GLPanel->mapToGlobal(QPoint(GLPanel->width() / 2, GLPanel->height() / 2)));
}

void TForm1::FormMouseDown(bool left_pressed) {
  if (!left_pressed || mouse_look || tab_mode == 2) return;
  view->setFocus();  // the window itself takes the keys from here on
  CenterCursor();
  view->setCursor(Qt::BlankCursor);
  mouse_look = true;
}

void TForm1::FormMouseMove(int x, int y) {
  if (!mouse_look) return;
  const int cx = GLPanel->x() + GLPanel->width() / 2;
  const int cy = GLPanel->y() + GLPanel->height() / 2;
  camera_pitch -= static_cast<float>(cy - y) / GLPanel->height() * 180;
  camera_yaw += static_cast<float>(cx - x) / GLPanel->width() * 180;
  CenterCursor();
  camera_yaw = Wrap(camera_yaw);
  camera_pitch = Wrap(camera_pitch);
  UpdatePositionEdits();
  RenderView();
}

void TForm1::FormMouseUp(bool left_pressed) {
  if (left_pressed || !mouse_look || tab_mode == 2) return;
  mouse_look = false;
  view->unsetCursor();
  UpdatePositionEdits();
}

void TForm1::UpdatePositionEdits() {
  // Each edit's handler reads its text back, so the camera is rounded to what it shows.
  CPosXEdit->SetText(Format2(camera_pos[0]));
  CPosYEdit->SetText(Format2(camera_pos[1]));
  CPosZEdit->SetText(Format2(camera_pos[2]));
  CPosAngleEdit->SetText(Format2(CameraFacing(camera_yaw)));
}

void TForm1::CPosXEditChange() {
  ui::StrToFloat(CPosXEdit->Text(), camera_pos[0]);
  RenderView();
}

void TForm1::CPosYEditChange() {
  ui::StrToFloat(CPosYEdit->Text(), camera_pos[1]);
  RenderView();
}

void TForm1::CPosZEditChange() {
  ui::StrToFloat(CPosZEdit->Text(), camera_pos[2]);
  RenderView();
}

void TForm1::CPosAngleEditChange() {
  float angle;
  if (ui::StrToFloat(CPosAngleEdit->Text(), angle)) camera_yaw = Wrap(angle - 90);
  RenderView();
}

void TForm1::OffsetEditChange() {
  int32_t value;
  if (!ui::StrToInt(OffsetEdit->Text(), value)) return;
  view_offset = static_cast<float>(value);
  if (!ui::StrToInt(FrontPlanEdit->Text(), value)) return;
  front_plane = static_cast<float>(value);
  if (!ui::StrToInt(BackPlanEdit->Text(), value)) return;
  back_plane = static_cast<float>(value);
  SetProjection();
  RenderView();
}

void TForm1::SpeadEditChange() {
  ui::StrToFloat(SpeadEdit->Text(), speed);
}

}  // namespace tarnwick
