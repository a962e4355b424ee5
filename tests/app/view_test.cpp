// The model viewer's highlight, and the camera brought to the model.
#include "app_test.h"

namespace tarnwick::test {

TEST_F(AppTest, TheModelViewerHighlightsTheChosenModelOnlyAndMovesTheCameraToIt) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(3);
  const Frame frame(form);
  // The parts of the door, the pendulum and the room's floor that nothing else lies over.
  const QRect door(frame.Project(-110, -70, 0), frame.Project(-50, -150, 0));
  const QRect pendulum(frame.Project(-430, 30, 40), frame.Project(-370, -30, 40));
  const QRect floor(frame.Project(150, 300, -128), frame.Project(300, 100, -128));
  // The translucent red, alone or over a line, over half of the area or none of it.
  const auto red = [](QRgb p) { return qRed(p) >= 90 && qGreen(p) == 0 && qBlue(p) == 0; };
  const auto lit = [&](QRect r) { return Frame(form).Count(red, r) * 2 > r.width() * r.height(); };
  const auto dark = [&](QRect r) { return Frame(form).Count(red, r) == 0; };
  EXPECT_TRUE(lit(floor));  // model 0 is the room
  form.ModelComboBox->SetItemIndex(1);
  form.ModelComboBoxChange();
  EXPECT_TRUE(lit(door) && dark(pendulum) && dark(floor));
  form.ModelComboBox->SetItemIndex(2);
  form.ModelComboBoxChange();
  EXPECT_TRUE(lit(pendulum) && dark(door));
  ShowTab(0);  // the choice stays when the tab is shown again
  ShowTab(3);
  EXPECT_EQ(form.ModelComboBox->ItemIndex(), 2);
  // From far away the pendulum is out of sight; MoveToModel brings all of it into the middle.
  form.CPosXEdit->SetText("3000");
  EXPECT_EQ(Frame(form).Count(red), 0);
  form.MoveToModelClick();
  const Frame moved(form);
  EXPECT_GT(moved.Count(red, QRect(moved.Project(-400, 0, 0) - QPoint(2, 2), QSize(5, 5))), 0);
  EXPECT_EQ(moved.Count(red), moved.Count(red, form.GLPanel->geometry().adjusted(3, 3, -3, -3)));
  Load(Path("test.bsp"));  // a map loaded here has no model chosen
  EXPECT_EQ(Frame(form).Count(red), 0);
}

}  // namespace tarnwick::test
