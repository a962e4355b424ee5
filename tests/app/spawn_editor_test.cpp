// The spawn-point editor: the type and its list, the fields, add, delete, the camera moves, the
// cube size and the checks, seen in the fields, the map and the frame.
#include "app_test.h"

namespace tarnwick::test {

class AppSpawnEditor : public AppTest {
 protected:
  std::string Fields() {
    return form_->SPosXEdit->Text() + " " + form_->SPosYEdit->Text() + " " +
           form_->SPosZEdit->Text() + " " + form_->SPAngleEditY->Text();
  }
  std::string Blocked() {  // the starts, then the other type's
    std::string flags;
    for (int type : {0, 1})
      for (int i = 0; i < form_->bsp_file->GetSpawnPointCount(type); ++i)
        flags += form_->bsp_file->GetSpawnPoint(type, i)->blocked ? 'x' : '.';
    return flags;
  }
};

TEST_F(AppSpawnEditor, ClickingTypingAndChoosingTheTypeShowAndEditTheSpawnPoints) {
  TForm1& form = StartWith(RoomMap());
  EXPECT_EQ(Fields(), "-300.00 200.00 0.00 90.00");
  // A click shows the item even when it is already selected, after a text that did not apply.
  Click(form.SpawnPointListBox, 2);
  Type(form.SPosXEdit, "abc");
  Click(form.SpawnPointListBox, 2);
  EXPECT_EQ(Fields(), "100.40 -20.00 36.70 -10.00");
  EXPECT_TRUE(Holds(3, "\"origin\" \"100.4 -20 36.7\""));  // shown, not written
  Type(form.SPosZEdit, "-5");
  Type(form.SPAngleEditY, "200");
  // Written back, only the changed values change.
  EXPECT_TRUE(Holds(3, "\"origin\" \"100.4 -20 -5\"\n\"angles\" \"0 200 0\""));
  PickSpawnType(0);  // the list is rebuilt
  EXPECT_EQ(form.SpawnPointListBox->Item(2), "03 (100,-20,-5)");
  PickSpawnType(1);  // a spawn point with an "angle" key keeps it
  form.SPAngleEditY->SetText("90");
  EXPECT_TRUE(Holds(4, "\"angle\" \"90\"") && !Holds(4, "\"angles\""));
  PickSpawnType(2);  // none of the type: nothing to show
  EXPECT_EQ(Fields(), "error error error error");
}

TEST_F(AppSpawnEditor, TheFrameShowsFreeAndBlockedSpawnPointsAndTheCameraInTheirColours) {
  TForm1& form = StartWith(RoomMap());
  Frame frame(form);
  EXPECT_TRUE(frame.Near(kYellow, -300, 200, 0) && frame.Near(kGreen, 0, 0, 0));
  EXPECT_TRUE(frame.Near(kMagenta, -300, -200, 0) && frame.Near(kBlue, 250, 50, 0));
  EXPECT_FALSE(frame.Has(kRed) || frame.Has(kDarkRed) || frame.Has(kDarkerRed));
  PickSpawnPoint(1);  // moved next to the third start, the second is blocked and so is the third
  form.SPosXEdit->SetText("100");
  form.SPosYEdit->SetText("-100");
  EXPECT_EQ(Blocked(), ".xx..");
  frame = Frame(form);
  EXPECT_TRUE(frame.Near(kRed, 100, -100, 0) && frame.Near(kDarkRed, 100.4f, -20, 36.7f));
  PickSpawnType(1);  // with the other type selected, the blocked starts are the darkest red
  EXPECT_TRUE(Frame(form).Near(kDarkerRed, 100.4f, -20, 36.7f));
  // Moved onto a spawn point, the camera marker turns red.
  PickSpawnType(0);
  form.MoveHearClick();
  EXPECT_EQ(form.camera_pos, (std::array<float, 3>{-300, 200, 0}));
  EXPECT_FALSE(Frame(form).Has(kGreen));
  EXPECT_TRUE(Frame(form).Near(kRed, -300, 200, 0));
}

TEST_F(AppSpawnEditor, AddDeleteAndSetToCurrentPositionFollowTheCamera) {
  TForm1& form = StartWith(RoomMap());
  form.CPosXEdit->SetText("50");
  form.CPosAngleEdit->SetText("0");  // yaw 270: the spawn point faces 360, not 0
  form.AddClick();
  EXPECT_EQ(form.SpawnPointListBox->Item(3), "04 (50,0,0)");
  EXPECT_TRUE(Holds(kRoomEntities, "\"angles\" \"0 360 0\"\n\"classname\" \"info_player_start\""));
  form.camera_yaw = -100;  // faces 350
  form.AddClick();
  EXPECT_EQ(form.bsp_file->GetSpawnPoint(0, 4)->yaw(), 350);
  PickSpawnPoint(1);
  form.DeleteClick();
  EXPECT_EQ(form.SpawnPointListBox->Item(1), "02 (100,-20,37)");
  form.CPosAngleEdit->SetText("135");
  PickSpawnPoint(1);
  form.SetToCurentPosClick();  // the entity of what was the third start, relinked
  EXPECT_EQ(Fields(), "50.00 0.00 0.00 135.00");
  EXPECT_TRUE(Holds(2, "\"origin\" \"50 0 0\"\n\"angles\" \"0 135 0\""));
}

TEST_F(AppSpawnEditor, TheCubeSizeSetsTheSpacingCheckAndTheWallCheckFindsWallsUntilTheNextEdit) {
  TForm1& form = StartWith(RoomMap());
  form.MinDisEdit->SetText("200");  // start 3 and deathmatch 1 lie within 200 of each other
  EXPECT_EQ(Blocked(), "..xx.");
  form.MinDisEdit->SetText("90");
  PickSpawnPoint(1);  // 32 units from the room's west wall, which faces into the room
  form.SPosXEdit->SetText("-480");
  PickSpawnPoint(0);  // 30 units beside the door, whose faces face out of its box
  form.SPosXEdit->SetText("-10");
  form.SPosYEdit->SetText("-110");
  form.SPosZEdit->SetText("-50");
  EXPECT_EQ(Blocked(), ".....");
  form.SPWallCheckClick();
  EXPECT_EQ(Blocked(), "xx...");
  EXPECT_TRUE(Frame(form).Near(kRed, -10, -110, -50));
  form.SPosZEdit->SetText("-49");  // the spacing check replaces the wall findings
  EXPECT_EQ(Blocked(), ".....");
  ShowTab(2);  // the wall check follows the entities: an illusionary door is no wall
  Search("func_door", 3);
  SetText({"{", "\"classname\" \"func_illusionary\"", "\"model\" \"*1\"", "}"});
  form.ScanEntityClick();
  ShowTab(0);
  form.SPWallCheckClick();
  EXPECT_EQ(Blocked(), ".x...");
}

}  // namespace tarnwick::test
