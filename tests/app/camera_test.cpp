// The camera: keys, typed values, the offset, mouse look, and the frames drawn.
#include <QApplication>

#include "app_test.h"

namespace tarnwick::test {

using AppCamera = AppTest;

TEST_F(AppCamera, KeysTurnAndMoveTheCameraAndShiftTakesTenStepsButNoLargerTurns) {
  TForm1& form = StartWith(RoomMap());
  const int pad = Qt::KeypadModifier;
  form.CPosAngleEdit->SetText("86.40");   // the shown angle is yaw + 90
  form.FormKeyDown(Qt::Key_Left, false);  // 356.4 + 7.2 wraps to 3.6
  EXPECT_EQ(form.CPosAngleEdit->Text(), "93.60");
  form.FormKeyDown(Qt::Key_Right, true);
  form.FormKeyDown(Qt::Key_Right, false);
  EXPECT_EQ(form.CPosAngleEdit->Text(), "79.20");
  form.FormKeyDown(Qt::Key_Up, false);
  EXPECT_NEAR(form.camera_pitch, 352.8f, 1e-4);
  form.CPosAngleEdit->SetText("90");  // yaw 0 looks along +y
  const auto at = [&] {
    return form.CPosXEdit->Text() + " " + form.CPosYEdit->Text() + " " + form.CPosZEdit->Text();
  };
  form.FormKeyDown(Qt::Key_W, true);  // ten steps of 10
  EXPECT_EQ(at(), "0.00 100.00 0.00");
  for (const int key : {Qt::Key_S, Qt::Key_A, Qt::Key_Q}) form.FormKeyDown(key, false);
  EXPECT_EQ(at(), "-10.00 90.00 10.00");  // back, left, up
  for (const int key : {Qt::Key_D, Qt::Key_Z}) form.FormKeyDown(key, true);
  EXPECT_EQ(at(), "90.00 90.00 -90.00");  // right, down
  // The keypad's digits step too, forward, left and up here, also with NumLock off (arrows, Home
  // and End with the keypad modifier); the digits above the letters do not.
  for (const int key : {Qt::Key_8, Qt::Key_4, Qt::Key_7}) form.FormKeyDown(key | pad, false);
  for (const int key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Home})
    Key(form.view, key, "", Qt::KeypadModifier);
  for (const int key : {Qt::Key_8, Qt::Key_X}) form.FormKeyDown(key, true);
  EXPECT_EQ(at(), "70.00 110.00 -70.00");
  form.CPosAngleEdit->SetText("180");  // yaw 90 walks along -x; keys in the view reach the window
  Key(form.view, Qt::Key_W, "", Qt::ShiftModifier);
  EXPECT_EQ(form.CPosXEdit->Text(), "-30.00");
  form.SpeadEdit->SetText("1.234");  // the camera is kept to the two decimals the edits show
  form.FormKeyDown(Qt::Key_S, false);
  EXPECT_EQ(form.CPosXEdit->Text(), "-28.77");
  EXPECT_FLOAT_EQ(form.camera_pos[0], -28.77f);
  // Keys typed into a field, drop-down, list or memo stay there; a button passes them on.
  const std::string place = at();
  for (QWidget* field : std::initializer_list<QWidget*>{form.SpeadEdit, form.DrawModeComboBox,
                                                        form.EntityTypeComboBox->lineEdit(),
                                                        form.SpawnPointListBox, form.Memo1}) {
    Key(field, Qt::Key_Up);
    Key(field, Qt::Key_W, "w");
  }
  EXPECT_EQ(at(), place);
  EXPECT_NEAR(form.camera_pitch, 352.8f, 1e-3);
  Key(form.Add, Qt::Key_Up);
  Key(form.Add, Qt::Key_W, "w");
  EXPECT_NE(at(), place);
  EXPECT_NEAR(form.camera_pitch, 345.6f, 1e-3);
}

TEST_F(AppCamera, TheOffsetTakesWholeNumbersOnlyAndTheLeftButtonLooksAroundButNotEverywhere) {
  TForm1& form = StartWith(RoomMap());
  const QImage before = Frame(form).image();
  form.OffsetEdit->SetText("12.5");
  EXPECT_EQ(form.view_offset, 1000);
  EXPECT_EQ(Frame(form).image(), before);
  form.OffsetEdit->SetText("1500");
  EXPECT_NE(Frame(form).image(), before);
  const QRect panel = form.GLPanel->geometry();
  const int cx = panel.x() + panel.width() / 2, cy = panel.y() + panel.height() / 2;
  form.FormMouseDown(true);
  EXPECT_EQ(form.view->cursor().shape(), Qt::BlankCursor);
  // A quarter of the width to the left turns by 45 degrees; up by a quarter of the height tilts
  // by -45, wrapped.
  form.FormMouseMove(cx - panel.width() / 4, cy - panel.height() / 4);
  EXPECT_NEAR(form.camera_yaw, 45, 0.5);
  EXPECT_NEAR(form.camera_pitch, 315, 0.5);
  form.FormMouseUp(false);
  EXPECT_FALSE(form.mouse_look);
  ShowTab(2);  // not in the entity editor
  form.FormMouseDown(true);
  EXPECT_FALSE(form.mouse_look);
}

// Each change draws one frame (with one check of the camera's room), however many of its handlers
// asked for one, and nothing draws while nothing changes.
TEST_F(AppCamera, EachChangeDrawsOneFrame) {
  TForm1& form = StartWith(RoomMap());
  // The frames drawn for `change`, counted until the view has been quiet for a while.
  const auto frames = [&](const std::function<void()>& change) {
    const int before = form.frames_drawn;
    change();
    int quiet = 0;
    for (int i = 0; i < 300 && quiet < 20; ++i) {
      const int drawn = form.frames_drawn;
      QApplication::processEvents(QEventLoop::AllEvents, 10);
      quiet = form.frames_drawn == drawn ? quiet + 1 : 0;
    }
    EXPECT_EQ(quiet, 20) << "frames without anything happening";
    return form.frames_drawn - before;
  };
  frames([] {});  // those of the start
  // A step, whose handlers ask for a frame twice (the changed edit's and the key's), and an edit.
  EXPECT_EQ(frames([&] { form.FormKeyDown(Qt::Key_D, false); }), 1);
  EXPECT_EQ(frames([&] { form.SPosXEdit->SetText("-250"); }), 1);
}

}  // namespace tarnwick::test
