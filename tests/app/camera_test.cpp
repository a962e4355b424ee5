// The camera: keys, the typed position, angle, offset, planes and speed, and mouse look.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app_test.h"

namespace tarnwick::test {
namespace {

using AppCamera = AppTest;

TEST_F(AppCamera, AnglesWrapAboveAndBelowButThreeSixtyStays) {
  EXPECT_NEAR(Wrap(363.6f), 3.6f, 1e-4);
  EXPECT_NEAR(Wrap(-3.6f), 356.4f, 1e-4);
  EXPECT_EQ(Wrap(360), 360);
  EXPECT_EQ(Wrap(0), 0);
  EXPECT_EQ(Wrap(720.5f), 0.5f);
  EXPECT_EQ(Wrap(-360), 0);
}

TEST_F(AppCamera, ArrowsTurnBySevenPointTwoDegreesAndWrap) {
  TForm1& form = StartWith(RoomMap());
  form.CPosAngleEdit->SetText("86.40");  // shown angle is yaw + 90
  EXPECT_FLOAT_EQ(form.camera_yaw, 356.4f);
  form.FormKeyDown(Qt::Key_Left, false);
  EXPECT_NEAR(form.camera_yaw, 3.6f, 1e-4);
  EXPECT_EQ(form.CPosAngleEdit->Text(), "93.60");
  form.FormKeyDown(Qt::Key_Right, true);  // Shift does not make turns larger
  form.FormKeyDown(Qt::Key_Right, false);
  EXPECT_NEAR(form.camera_yaw, 349.2f, 1e-3);
  EXPECT_EQ(form.CPosAngleEdit->Text(), "79.20");

  // Up and down tilt, and leave the edits alone.
  form.FormKeyDown(Qt::Key_Up, false);
  EXPECT_NEAR(form.camera_pitch, 352.8f, 1e-4);
  form.FormKeyDown(Qt::Key_Down, true);
  form.FormKeyDown(Qt::Key_Down, false);
  EXPECT_NEAR(form.camera_pitch, 7.2f, 1e-3);
  EXPECT_EQ(form.CPosAngleEdit->Text(), "79.20");
  EXPECT_EQ(form.camera_pos, (std::array<float, 3>{0, 0, 0}));
}

TEST_F(AppCamera, MovementKeysStepBySpeedAlongTheYawAndShiftTakesTenSteps) {
  TForm1& form = StartWith(RoomMap());
  const auto at = [&] {
    return std::array<std::string, 3>{form.CPosXEdit->Text(), form.CPosYEdit->Text(),
                                      form.CPosZEdit->Text()};
  };
  using Pos = std::array<std::string, 3>;
  form.FormKeyDown(Qt::Key_W, false);  // yaw 0 looks along +y
  EXPECT_EQ(at(), (Pos{"0.00", "10.00", "0.00"}));
  form.FormKeyDown(Qt::Key_W, true);
  EXPECT_EQ(at(), (Pos{"0.00", "110.00", "0.00"}));
  form.FormKeyDown(Qt::Key_S, false);
  EXPECT_EQ(at(), (Pos{"0.00", "100.00", "0.00"}));
  form.FormKeyDown(Qt::Key_A, false);
  EXPECT_EQ(at(), (Pos{"-10.00", "100.00", "0.00"}));
  form.FormKeyDown(Qt::Key_D, true);
  EXPECT_EQ(at(), (Pos{"90.00", "100.00", "0.00"}));
  form.FormKeyDown(Qt::Key_Q, false);
  EXPECT_EQ(at(), (Pos{"90.00", "100.00", "10.00"}));
  form.FormKeyDown(Qt::Key_Z, true);
  EXPECT_EQ(at(), (Pos{"90.00", "100.00", "-90.00"}));

  // The keypad keys do the same; the digits above the letters do nothing, nor do other keys.
  const int keypad = Qt::KeypadModifier;
  for (const int key : {Qt::Key_8 | keypad, Qt::Key_6 | keypad, Qt::Key_7 | keypad}) {
    form.FormKeyDown(key, false);
  }
  EXPECT_EQ(at(), (Pos{"100.00", "110.00", "-80.00"}));
  for (const int key : {Qt::Key_2 | keypad, Qt::Key_4 | keypad, Qt::Key_1 | keypad}) {
    form.FormKeyDown(key, false);
  }
  EXPECT_EQ(at(), (Pos{"90.00", "100.00", "-90.00"}));
  for (const int key : {int{Qt::Key_8}, int{Qt::Key_2}, int{Qt::Key_X}, int{Qt::Key_Space}}) {
    form.FormKeyDown(key, true);
  }
  EXPECT_EQ(at(), (Pos{"90.00", "100.00", "-90.00"}));

  // Turned to yaw 90, W walks along -x.
  form.CPosAngleEdit->SetText("180");
  form.FormKeyDown(Qt::Key_W, false);
  EXPECT_EQ(at(), (Pos{"80.00", "100.00", "-90.00"}));
}

TEST_F(AppCamera, KeysPressedInTheViewReachTheWindow) {
  TForm1& form = StartWith(RoomMap());
  QKeyEvent keypad8(QEvent::KeyPress, Qt::Key_8, Qt::KeypadModifier);
  QApplication::sendEvent(form.view, &keypad8);
  EXPECT_EQ(form.CPosYEdit->Text(), "10.00");
  QKeyEvent shift_d(QEvent::KeyPress, Qt::Key_D, Qt::ShiftModifier);
  QApplication::sendEvent(form.view, &shift_d);
  EXPECT_EQ(form.CPosXEdit->Text(), "100.00");
}

TEST_F(AppCamera, ThePositionIsKeptToWhatTheEditsShow) {
  TForm1& form = StartWith(RoomMap());
  form.SpeadEdit->SetText("1.234");
  EXPECT_FLOAT_EQ(form.speed, 1.234f);
  form.FormKeyDown(Qt::Key_D, false);
  EXPECT_EQ(form.CPosXEdit->Text(), "1.23");
  EXPECT_FLOAT_EQ(form.camera_pos[0], 1.23f);
  form.SpeadEdit->SetText("fast");
  EXPECT_FLOAT_EQ(form.speed, 1.234f);
  form.SpeadEdit->SetText("1.5");
  EXPECT_FLOAT_EQ(form.speed, 1.5f);
}

TEST_F(AppCamera, TypedPositionAndAngleMoveTheCameraAndOtherTextsAreIgnored) {
  TForm1& form = StartWith(RoomMap());
  form.CPosXEdit->SetText("12.5");
  form.CPosYEdit->SetText("-40");
  form.CPosZEdit->SetText("7");
  EXPECT_EQ(form.camera_pos, (std::array<float, 3>{12.5f, -40, 7}));
  form.CPosXEdit->SetText("abc");
  form.CPosYEdit->SetText("-");
  form.CPosZEdit->SetText("");
  EXPECT_EQ(form.camera_pos, (std::array<float, 3>{12.5f, -40, 7}));
  form.CPosAngleEdit->SetText("90");
  EXPECT_EQ(form.camera_yaw, 0);
  form.CPosAngleEdit->SetText("45");
  EXPECT_EQ(form.camera_yaw, 315);
  form.CPosAngleEdit->SetText("north");
  EXPECT_EQ(form.camera_yaw, 315);
}

TEST_F(AppCamera, OffsetAndPlanesTakeWholeNumbersOnlyAndStopAtTheFirstBadOne) {
  TForm1& form = StartWith(RoomMap());
  const QImage before = Frame(form).image();
  form.OffsetEdit->SetText("12.5");
  EXPECT_EQ(form.view_offset, 1000);
  EXPECT_EQ(Frame(form).image(), before);

  form.OffsetEdit->SetText("1500");
  EXPECT_EQ(form.view_offset, 1500);
  // Farther away, the room looks smaller.
  const QRect near_room = Frame(form).Bounds(qRgb(255, 255, 255));
  EXPECT_NE(Frame(form).image(), before);

  form.FrontPlanEdit->SetText("near");
  form.BackPlanEdit->SetText("5000");
  form.OffsetEdit->SetText("2000");
  EXPECT_EQ(form.view_offset, 2000);  // read before the plane that fails
  EXPECT_EQ(form.front_plane, 601);
  EXPECT_EQ(form.back_plane, 10000);
  form.FrontPlanEdit->SetText("300");
  EXPECT_EQ(form.front_plane, 300);
  EXPECT_EQ(form.back_plane, 5000);
  const QRect far_room = Frame(form).Bounds(qRgb(255, 255, 255));
  EXPECT_LT(far_room.width(), near_room.width());

  // The back plane in front of the map leaves only the markers nearer than it.
  form.BackPlanEdit->SetText("1000");
  EXPECT_EQ(Frame(form).Count(qRgb(255, 255, 255)), 0);
}

TEST_F(AppCamera, ScaleBarSetsTheFieldOfView) {
  TForm1& form = StartWith(RoomMap());
  const QRect wide = Frame(form).Bounds(kYellow);
  form.ScaleBar->setValue(500);
  const QRect narrow = Frame(form).Bounds(kYellow);
  // 100 degrees against 50: tan 50 / tan 25 = 2.56 times larger.
  EXPECT_NEAR(double(narrow.width()) / wide.width(), 2.56, 0.4);
}

TEST_F(AppCamera, DraggingWithTheLeftButtonTurnsAndTilts) {
  TForm1& form = StartWith(RoomMap());
  const QRect panel = form.GLPanel->geometry();
  const int cx = panel.x() + panel.width() / 2, cy = panel.y() + panel.height() / 2;
  form.FormMouseMove(0, 0);  // no button: nothing
  EXPECT_EQ(form.camera_yaw, 0);

  form.FormMouseDown(true);
  EXPECT_TRUE(form.mouse_look);
  EXPECT_EQ(form.view->cursor().shape(), Qt::BlankCursor);
  // A quarter of the width to the left turns by 45 degrees to a larger yaw.
  form.FormMouseMove(cx - panel.width() / 4, cy);
  EXPECT_NEAR(form.camera_yaw, 45, 0.5);
  EXPECT_EQ(form.CPosAngleEdit->Text(), Format2(Wrap(form.camera_yaw + 90)));
  // Up by a quarter of the height tilts to a smaller pitch, wrapped.
  form.FormMouseMove(cx, cy - panel.height() / 4);
  EXPECT_NEAR(form.camera_pitch, 315, 0.5);
  form.FormMouseUp(false);
  EXPECT_FALSE(form.mouse_look);
  EXPECT_NE(form.view->cursor().shape(), Qt::BlankCursor);
  const float yaw = form.camera_yaw;
  form.FormMouseMove(0, 0);
  EXPECT_EQ(form.camera_yaw, yaw);
  form.FormMouseDown(false);  // the right button
  EXPECT_FALSE(form.mouse_look);
}

TEST_F(AppCamera, TheViewPassesMouseButtonsOn) {
  TForm1& form = StartWith(RoomMap());
  const QPointF centre = form.GLPanel->geometry().center();
  QMouseEvent press(QEvent::MouseButtonPress, centre, form.view->mapToGlobal(centre),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.view, &press);
  EXPECT_TRUE(form.mouse_look);
  QMouseEvent release(QEvent::MouseButtonRelease, centre, form.view->mapToGlobal(centre),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(form.view, &release);
  EXPECT_FALSE(form.mouse_look);
}

TEST_F(AppCamera, NoMouseLookInTheEntityEditorButInTheOtherTabs) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(2);
  form.FormMouseDown(true);
  EXPECT_FALSE(form.mouse_look);
  for (const int tab : {1, 3}) {
    ShowTab(tab);
    form.FormMouseDown(true);
    EXPECT_TRUE(form.mouse_look) << tab;
    form.FormMouseUp(false);
    EXPECT_FALSE(form.mouse_look) << tab;
  }
}

TEST_F(AppCamera, TheViewIsRedrawnOnlyWhenAskedTo) {
  // A frame is drawn by the handlers; with nothing happening, nothing is painted.
  StartWith(RoomMap());
  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint ? 1 : 0;
      return false;
    }
  } counter;
  form().view->installEventFilter(&counter);
  // Showing the window may leave a few paints queued; after them the view must fall quiet.
  int quiet = 0;
  for (int i = 0; i < 300 && quiet < 20; ++i) {
    const int paints = counter.paints;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    quiet = counter.paints == paints ? quiet + 1 : 0;
  }
  EXPECT_EQ(quiet, 20) << counter.paints << " paints without anything happening";
  // A handler that changes the view asks for one more.
  const int before = counter.paints;
  form().FormKeyDown(Qt::Key_Left, false);
  for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_GE(counter.paints, before + 1);
  EXPECT_LE(counter.paints, before + 5);
  form().view->removeEventFilter(&counter);
}

}  // namespace
}  // namespace tarnwick::test
