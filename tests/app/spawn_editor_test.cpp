// The spawn-point editor: the type and its list, the fields, add, delete, the camera moves, the
// cube size and the checks, seen in the fields, the map and the frame.
#include "app_test.h"

namespace tarnwick::test {
namespace {

class AppSpawnEditor : public AppTest {
 protected:
  const SpawnPoint& Spawn(int type, int index) {
    const SpawnPoint* sp = form_->bsp_file->GetSpawnPoint(type, index);
    EXPECT_NE(sp, nullptr) << type << ", " << index;
    static const SpawnPoint none;
    return sp ? *sp : none;
  }
  const Entity& EntityOf(int type, int index) { return EntityAt(Spawn(type, index).entity); }
  std::array<std::string, 4> Fields() {
    return {form_->SPosXEdit->Text(), form_->SPosYEdit->Text(), form_->SPosZEdit->Text(),
            form_->SPAngleEditY->Text()};
  }
  // Whether a pixel of the colour lies near where a map point appears.
  bool Near(const Frame& frame, QRgb rgb, float x, float y, float z) {
    const QRect bounds = frame.Bounds(rgb);
    return !bounds.isEmpty() && bounds.adjusted(-3, -3, 3, 3).contains(frame.Project(x, y, z));
  }
};
using FieldTexts = std::array<std::string, 4>;
using Origin = std::array<float, 3>;

TEST_F(AppSpawnEditor, TheListShowsTheSelectedTypesSpawnPoints) {
  TForm1& form = StartWith(RoomMap());
  EXPECT_EQ(Items(*form.SpawnPointListBox),
            (std::vector<std::string>{"01 (-300,200,0)", "02 (-300,-200,0)", "03 (100,-20,37)"}));
  EXPECT_EQ(form.SpawnPointListBox->ItemIndex(), 0);
  EXPECT_EQ(Fields(), (FieldTexts{"-300.00", "200.00", "0.00", "90.00"}));

  PickSpawnType(1);
  EXPECT_EQ(Items(*form.SpawnPointListBox),
            (std::vector<std::string>{"01 (250,50,0)", "02 (300,-250,0)"}));
  EXPECT_EQ(Fields(), (FieldTexts{"250.00", "50.00", "0.00", "180.00"}));  // the "angle" key

  // A type the map has none of: nothing to show, nothing to delete.
  PickSpawnType(2);
  EXPECT_EQ(form.SpawnPointListBox->Count(), 0);
  EXPECT_EQ(Fields(), (FieldTexts{"error", "error", "error", "error"}));
  form.DeleteClick();
  form.SPosXEditChange();
  form.MoveHearClick();
  form.SetToCurentPosClick();
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities);
  EXPECT_EQ(form.camera_pos, (Origin{0, 0, 0}));
}

TEST_F(AppSpawnEditor, SelectingShowsTheValuesWithoutWritingThem) {
  TForm1& form = StartWith(RoomMap());
  const std::string text = EntityOf(0, 2).text;
  PickSpawnPoint(2);
  EXPECT_EQ(Fields(), (FieldTexts{"100.40", "-20.00", "36.70", "-10.00"}));
  EXPECT_EQ(EntityOf(0, 2).text, text);  // still "100.4 -20 36.7"
  EXPECT_EQ(form.SpawnPointListBox->ItemIndex(), 2);
}

TEST_F(AppSpawnEditor, TypingIntoTheFieldsMovesAndTurnsTheSpawnPoint) {
  TForm1& form = StartWith(RoomMap());
  const std::string text = EntityOf(0, 0).text;
  form.SPosXEdit->SetText("-");
  EXPECT_EQ(Spawn(0, 0).origin, (Origin{-300, 200, 0}));
  EXPECT_EQ(EntityOf(0, 0).text, text);
  form.SPosXEdit->SetText("-5");
  form.SPosZEdit->SetText("24");
  EXPECT_EQ(Spawn(0, 0).origin, (Origin{-5, 200, 24}));
  EXPECT_EQ(EntityOf(0, 0).origin, (Origin{-5, -200, -24}));
  EXPECT_NE(EntityOf(0, 0).text.find("\"origin\" \"-5 200 24\"\n"), std::string::npos);
  form.SPAngleEditY->SetText("200");
  EXPECT_EQ(Spawn(0, 0).yaw(), 200);
  EXPECT_NE(EntityOf(0, 0).text.find("\"angles\" \"0 200 0\"\n"), std::string::npos);
  // The item keeps its text until the list is rebuilt.
  EXPECT_EQ(form.SpawnPointListBox->Item(0), "01 (-300,200,0)");
  PickSpawnType(0);
  EXPECT_EQ(form.SpawnPointListBox->Item(0), "01 (-5,200,24)");

  // Typed key by key, the spawn point follows every keystroke that makes a number.
  PickSpawnPoint(1);
  form.SPosYEdit->selectAll();
  for (const auto& [key, y] : {std::pair{'-', -200.f}, {'1', -1.f}, {'2', -12.f}, {'8', -128.f}}) {
    Key(form.SPosYEdit, key);
    EXPECT_EQ(Spawn(0, 1).origin, (Origin{-300, y, 0})) << key;
  }
  EXPECT_EQ(form.SPosYEdit->Text(), "-128");

  // A spawn point with an "angle" key keeps it.
  PickSpawnType(1);
  form.SPAngleEditY->SetText("90");
  EXPECT_EQ(Spawn(1, 0).yaw(), 90);
  EXPECT_NE(EntityOf(1, 0).text.find("\"angle\" \"90\"\n"), std::string::npos);
  EXPECT_EQ(EntityOf(1, 0).text.find("\"angles\""), std::string::npos);
}

TEST_F(AppSpawnEditor, TheFrameColoursSpawnPointsBySelectionTypeAndCheck) {
  TForm1& form = StartWith(RoomMap());
  Frame frame(form);
  EXPECT_TRUE(Near(frame, kYellow, -300, 200, 0));
  EXPECT_TRUE(Near(frame, kGreen, 0, 0, 0));
  EXPECT_TRUE(frame.Has(kMagenta));
  EXPECT_TRUE(frame.Has(kBlue));
  for (const QRgb blocked : {kRed, kDarkRed, kDarkerRed}) EXPECT_FALSE(frame.Has(blocked));

  PickSpawnPoint(1);
  EXPECT_TRUE(Near(Frame(form), kYellow, -300, -200, 0));
  // Moved next to the third start, the second is blocked, and so is the third.
  form.SPosXEdit->SetText("100");
  form.SPosYEdit->SetText("-100");
  ASSERT_EQ(Spawn(0, 1).blocked, 1u);
  ASSERT_EQ(Spawn(0, 2).blocked, 1u);
  frame = Frame(form);
  EXPECT_FALSE(frame.Has(kYellow));
  EXPECT_TRUE(Near(frame, kRed, 100, -100, 0));
  EXPECT_TRUE(Near(frame, kDarkRed, 100.4f, -20, 36.7f));
  EXPECT_TRUE(frame.Has(kMagenta));  // the first, free
  EXPECT_TRUE(frame.Has(kBlue));
  EXPECT_FALSE(frame.Has(kDarkerRed));

  // With the other type selected, the blocked starts are the darkest red.
  PickSpawnType(1);
  frame = Frame(form);
  EXPECT_TRUE(Near(frame, kDarkerRed, 100.4f, -20, 36.7f));
  EXPECT_TRUE(Near(frame, kYellow, 250, 50, 0));
  EXPECT_TRUE(Near(frame, kMagenta, 300, -250, 0));
  EXPECT_FALSE(frame.Has(kDarkRed));
}

TEST_F(AppSpawnEditor, TheCameraMarkerTurnsRedOnASpawnPoint) {
  TForm1& form = StartWith(RoomMap());
  EXPECT_FALSE(Frame(form).Has(kRed));
  form.MoveHearClick();
  EXPECT_EQ(form.camera_pos, (Origin{-300, 200, 0}));
  EXPECT_EQ(form.camera_yaw, 0);  // yaw 90 less 90
  EXPECT_EQ(form.CPosXEdit->Text(), "-300.00");
  EXPECT_EQ(form.CPosAngleEdit->Text(), "90.00");
  Frame frame(form);
  EXPECT_TRUE(Near(frame, kRed, -300, 200, 0));
  EXPECT_FALSE(frame.Has(kGreen));
  form.FormKeyDown(Qt::Key_D, true);  // 100 along x: out of the cube
  frame = Frame(form);
  EXPECT_TRUE(Near(frame, kGreen, -200, 200, 0));
  EXPECT_TRUE(Near(frame, kYellow, -300, 200, 0));
  EXPECT_FALSE(frame.Has(kRed));

  // The "angle" key turns the camera too.
  PickSpawnType(1);
  form.MoveHearClick();
  EXPECT_EQ(form.camera_pos, (Origin{250, 50, 0}));
  EXPECT_EQ(form.camera_yaw, 90);
  EXPECT_EQ(form.CPosAngleEdit->Text(), "180.00");
}

TEST_F(AppSpawnEditor, AddPutsASpawnPointAtTheCameraWithTheCameraYawPlusNinety) {
  TForm1& form = StartWith(RoomMap());
  form.CPosXEdit->SetText("50");
  form.CPosYEdit->SetText("-100");
  form.CPosZEdit->SetText("10");
  form.CPosAngleEdit->SetText("0");
  ASSERT_EQ(form.camera_yaw, 270);
  form.AddClick();
  ASSERT_EQ(form.bsp_file->GetSpawnPointCount(0), 4);
  EXPECT_EQ(Spawn(0, 3).origin, (Origin{50, -100, 10}));
  EXPECT_EQ(Spawn(0, 3).yaw(), 360);  // not 0
  EXPECT_EQ(EntityOf(0, 3).class_name, "info_player_start");
  EXPECT_EQ(Spawn(0, 3).entity, kRoomEntities);
  EXPECT_NE(EntityOf(0, 3).text.find("\"angles\" \"0 360 0\""), std::string::npos);
  EXPECT_EQ(form.SpawnPointListBox->Item(3), "04 (50,-100,10)");
  EXPECT_EQ(form.SpawnPointListBox->ItemIndex(), 0);
  EXPECT_EQ(form.EntitysComboBox->Count(), kRoomEntities + 1);
  EXPECT_EQ(form.EntitysComboBox->Item(kRoomEntities), "012   (info_player_start)");

  // Sent to the start whose yaw is -10, the camera takes yaw -100, shown as 350 and so read
  // back as 260; either way the new spawn point faces 350.
  PickSpawnPoint(2);
  form.MoveHearClick();
  EXPECT_EQ(form.CPosAngleEdit->Text(), "350.00");
  form.AddClick();
  EXPECT_EQ(Spawn(0, 4).yaw(), 350);
  form.camera_yaw = -100;
  form.AddClick();
  EXPECT_EQ(Spawn(0, 5).yaw(), 350);

  // Another type gets its own class.
  PickSpawnType(3);
  form.AddClick();
  ASSERT_EQ(form.bsp_file->GetSpawnPointCount(3), 1);
  EXPECT_EQ(EntityOf(3, 0).class_name, "hostage_entity");
  EXPECT_EQ(form.SpawnPointListBox->Count(), 1);
}

TEST_F(AppSpawnEditor, DeleteRemovesTheSelectedSpawnPointAndItsEntity) {
  TForm1& form = StartWith(RoomMap());
  PickSpawnPoint(1);
  form.DeleteClick();
  EXPECT_EQ(Items(*form.SpawnPointListBox),
            (std::vector<std::string>{"01 (-300,200,0)", "02 (100,-20,37)"}));
  EXPECT_EQ(form.SpawnPointListBox->ItemIndex(), 0);
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities - 1);
  EXPECT_EQ(form.EntitysComboBox->Count(), kRoomEntities - 1);
  for (const Entity& e : form.bsp_file->entities) {
    EXPECT_EQ(e.text.find("-300 -200 0"), std::string::npos);
  }
  // The links still hold after the renumbering.
  EXPECT_NE(EntityOf(0, 1).text.find("\"origin\" \"100.4 -20 36.7\""), std::string::npos);
}

TEST_F(AppSpawnEditor, SetToCurrentPositionMovesTheSpawnPointToTheCamera) {
  TForm1& form = StartWith(RoomMap());
  form.CPosXEdit->SetText("10");
  form.CPosYEdit->SetText("20");
  form.CPosZEdit->SetText("30");
  form.CPosAngleEdit->SetText("135");
  PickSpawnPoint(1);
  form.SetToCurentPosClick();
  EXPECT_EQ(Spawn(0, 1).origin, (Origin{10, 20, 30}));
  EXPECT_EQ(Spawn(0, 1).yaw(), 135);
  EXPECT_EQ(Fields(), (FieldTexts{"10.00", "20.00", "30.00", "135.00"}));
  EXPECT_NE(EntityOf(0, 1).text.find("\"origin\" \"10 20 30\"\n\"angles\" \"0 135 0\"\n"),
            std::string::npos);
  form.CPosAngleEdit->SetText("0");
  form.SetToCurentPosClick();
  EXPECT_EQ(Spawn(0, 1).yaw(), 360);
  EXPECT_EQ(form.SPAngleEditY->Text(), "360.00");
}

TEST_F(AppSpawnEditor, TheCubeSizeSetsTheDrawnCubesAndTheSpacingCheck) {
  TForm1& form = StartWith(RoomMap());
  const QRect small = Frame(form).Bounds(kYellow);
  form.MinDisEdit->SetText("200");
  EXPECT_EQ(form.min_distance, 200);
  // Starts 3 and deathmatch 1 lie within 200 of each other.
  EXPECT_EQ(Spawn(0, 2).blocked, 1u);
  EXPECT_EQ(Spawn(1, 0).blocked, 1u);
  EXPECT_EQ(Spawn(0, 0).blocked, 0u);
  const Frame frame(form);
  const QRect large = frame.Bounds(kYellow);
  EXPECT_NEAR(double(large.width()) / small.width(), 2.3, 0.35);
  EXPECT_NEAR(double(large.height()) / small.height(), 2.3, 0.35);
  EXPECT_TRUE(Near(frame, kDarkRed, 100.4f, -20, 36.7f));
  EXPECT_TRUE(Near(frame, kDarkerRed, 250, 50, 0));
  EXPECT_TRUE(Near(frame, kRed, 0, 0, 0));  // the camera is within 200 of start 3

  form.MinDisEdit->SetText("big");
  EXPECT_EQ(form.min_distance, 200);
  form.MinDisEdit->SetText("90");
  EXPECT_EQ(Spawn(0, 2).blocked, 0u);
  EXPECT_EQ(Spawn(1, 0).blocked, 0u);
}

TEST_F(AppSpawnEditor, TheWallCheckFindsWallsWhicheverWayTheyFaceUntilTheNextEdit) {
  TForm1& form = StartWith(RoomMap());
  // 32 units from the room's west wall, which faces into the room.
  PickSpawnPoint(1);
  form.SPosXEdit->SetText("-480");
  ASSERT_EQ(Spawn(0, 1).blocked, 0u);
  // Beside the door, 30 units from its east face, which faces out of the door's box.
  PickSpawnPoint(0);
  form.SPosXEdit->SetText("-10");
  form.SPosYEdit->SetText("-110");
  form.SPosZEdit->SetText("-50");
  ASSERT_EQ(Spawn(0, 0).blocked, 0u);
  EXPECT_TRUE(Near(Frame(form), kYellow, -10, -110, -50));

  form.SPWallCheckClick();
  EXPECT_EQ(Spawn(0, 0).blocked, 1u);
  EXPECT_EQ(Spawn(0, 1).blocked, 1u);
  EXPECT_EQ(Spawn(0, 2).blocked, 0u);
  Frame frame(form);
  EXPECT_TRUE(Near(frame, kRed, -10, -110, -50));
  EXPECT_TRUE(Near(frame, kDarkRed, -480, -200, 0));
  EXPECT_FALSE(frame.Has(kYellow));

  // Culling drawn faces has no say in the check.
  for (const bool culling : {false, true}) {
    form.CullingCheckBox->setChecked(culling);
    form.MinDisEdit->SetText("91");
    form.MinDisEdit->SetText("90");
    ASSERT_EQ(Spawn(0, 0).blocked, 0u);
    form.SPWallCheckClick();
    EXPECT_EQ(Spawn(0, 0).blocked, 1u) << culling;
    EXPECT_EQ(Spawn(0, 1).blocked, 1u) << culling;
  }

  // The next edit runs the spacing check, which replaces the wall findings.
  form.SPosZEdit->SetText("-49");
  EXPECT_EQ(Spawn(0, 0).blocked, 0u);
  EXPECT_EQ(Spawn(0, 1).blocked, 0u);
  EXPECT_TRUE(Near(Frame(form), kYellow, -10, -110, -49));
  // A smaller cube no longer reaches the walls.
  form.MinDisEdit->SetText("50");
  form.SPWallCheckClick();
  EXPECT_EQ(Spawn(0, 0).blocked, 0u);
  EXPECT_EQ(Spawn(0, 1).blocked, 0u);
}

TEST_F(AppSpawnEditor, ClickingAnItemShowsItAgainEvenWhenItIsSelected) {
  TForm1& form = StartWith(RoomMap());
  Click(form.SpawnPointListBox, 2);
  EXPECT_EQ(form.SpawnPointListBox->ItemIndex(), 2);
  EXPECT_EQ(form.SPosXEdit->Text(), "100.40");
  Type(form.SPosXEdit, "abc");  // not a number: ignored, and left in the field
  EXPECT_EQ(Spawn(0, 2).origin[0], 100.4f);
  Click(form.SpawnPointListBox, 2);
  EXPECT_EQ(Fields(), (FieldTexts{"100.40", "-20.00", "36.70", "-10.00"}));
  EXPECT_NE(EntityOf(0, 2).text.find("\"origin\" \"100.4 -20 36.7\""), std::string::npos);
}

TEST_F(AppSpawnEditor, TheWallCheckTestsTheCubeAsDrawnTurnedByTheYaw) {
  TForm1& form = StartWith(RoomMap());
  // 55 units from the west wall: the cube of side 90 clears it facing along an axis, but its
  // corners reach 63.6 units out when turned by 45 degrees.
  PickSpawnPoint(1);
  form.SPosXEdit->SetText("-457");
  form.SPWallCheckClick();
  EXPECT_EQ(Spawn(0, 1).blocked, 0u);
  const QRect square = Frame(form).Bounds(kYellow);
  form.SPAngleEditY->SetText("45");
  form.SPWallCheckClick();
  EXPECT_EQ(Spawn(0, 1).blocked, 1u);
  // Drawn turned: wider than the square, reaching past the wall's line at x = -512.
  const Frame frame(form);
  const QRect turned = frame.Bounds(kRed);
  EXPECT_NEAR(double(turned.width()) / square.width(), 1.41, 0.2);
  EXPECT_LT(turned.left(), frame.Project(-512, 0, 45).x());
  form.SPAngleEditY->SetText("90");
  form.SPWallCheckClick();
  EXPECT_EQ(Spawn(0, 1).blocked, 0u);
}

}  // namespace
}  // namespace tarnwick::test
