// The point editor: the classes of the entities with a position, their list, the bottom fields
// acting on them, deleting, and a list longer than its first table.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "app_test.h"

namespace tarnwick::test {
namespace {

using AppPointEditor = AppTest;
using Origin = std::array<float, 3>;

TEST_F(AppPointEditor, ClassesAreListedInOrderOfTheirFirstEntityWithAPosition) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  EXPECT_EQ(Items(*form.EntityTypeComboBox),
            (std::vector<std::string>{"info_player_start", "info_player_deathmatch",
                                      "func_pendulum", "light", "info_target"}));
  EXPECT_EQ(form.EntityTypeComboBox->ItemIndex(), 0);
  // Numbered by their place in the map's entities, counted from 1.
  EXPECT_EQ(Items(*form.EntityListBox),
            (std::vector<std::string>{"02 (-300,200,0)", "03 (-300,-200,0)", "04 (100,-20,37)"}));
  EXPECT_EQ(form.EntityListBox->ItemIndex(), 0);
  EXPECT_EQ(form.SPosXEdit->Text(), "-300.00");
  EXPECT_TRUE(form.SPAngleEditY->isEnabled());
  EXPECT_EQ(form.SPAngleEditY->Text(), "90.00");

  // Points instead of cubes: the selected one yellow, its yaw line olive, the camera green.
  const Frame frame(form);
  EXPECT_TRUE(frame.Has(kYellow));
  EXPECT_LE(frame.Count(kYellow), 4);
  EXPECT_TRUE(frame.Has(kMagenta));
  EXPECT_LE(frame.Count(kMagenta), 8);
  EXPECT_TRUE(frame.Has(qRgb(125, 125, 0)));
  EXPECT_TRUE(frame.Has(qRgb(125, 0, 125)));
  EXPECT_TRUE(frame.Has(qRgb(0, 125, 0)));
  EXPECT_TRUE(frame.Has(kGreen));
  EXPECT_FALSE(frame.Has(kBlue));

  // Typing a class name into the box changes nothing.
  QLineEdit* typed = form.EntityTypeComboBox->lineEdit();
  typed->selectAll();
  QKeyEvent key(QEvent::KeyPress, Qt::Key_L, Qt::NoModifier, "l");
  QApplication::sendEvent(typed, &key);
  EXPECT_EQ(form.EntityTypeComboBox->ItemIndex(), -1);
  EXPECT_EQ(form.EntityListBox->Count(), 3);
  EXPECT_EQ(form.point_count, 3);
}

TEST_F(AppPointEditor, TheFieldsMoveAndTurnTheSelectedEntity) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(3);
  EXPECT_EQ(Items(*form.EntityListBox),
            (std::vector<std::string>{"09 (-100,250,100)", "10 (100,250,100)"}));
  // The first light has no yaw: its field is off and shows "error".
  EXPECT_FALSE(form.SPAngleEditY->isEnabled());
  EXPECT_EQ(form.SPAngleEditY->Text(), "error");
  form.SPosZEdit->SetText("120");
  EXPECT_NE(EntityAt(8).text.find("\"origin\" \"-100 250 120\""), std::string::npos);

  // The second has only an "angle" key, which its yaw goes to.
  PickEntity(1);
  EXPECT_TRUE(form.SPAngleEditY->isEnabled());
  EXPECT_EQ(form.SPAngleEditY->Text(), "45.00");
  form.SPAngleEditY->SetText("90");
  EXPECT_EQ(EntityAt(9).angle, 90);
  EXPECT_NE(EntityAt(9).text.find("\"angle\" \"90\""), std::string::npos);
  EXPECT_EQ(EntityAt(9).text.find("\"angles\""), std::string::npos);

  // To the camera, and the camera to it.
  form.CPosXEdit->SetText("16");
  form.CPosAngleEdit->SetText("180");
  form.SetToCurentPosClick();
  EXPECT_EQ(EntityAt(9).origin, (Origin{16, 0, 0}));
  EXPECT_EQ(EntityAt(9).angle, 180);
  EXPECT_EQ(form.SPosXEdit->Text(), "16.00");
  PickEntity(0);
  form.SetToCurentPosClick();
  EXPECT_EQ(EntityAt(8).origin, (Origin{16, 0, 0}));
  EXPECT_FALSE(EntityAt(8).has_angle);
  EXPECT_FALSE(EntityAt(8).has_angles);
  EXPECT_EQ(form.SPAngleEditY->Text(), "error");
  PickEntity(1);
  form.CPosXEdit->SetText("0");
  form.MoveHearClick();
  EXPECT_EQ(form.camera_pos, (Origin{16, 0, 0}));
  EXPECT_EQ(form.CPosAngleEdit->Text(), "180.00");
  EXPECT_EQ(form.camera_yaw, 90);

  // A spawn point moved here is moved in the spawn-point editor too.
  PickEntityType(0);
  form.SPosYEdit->SetText("64");
  ShowTab(0);
  EXPECT_EQ(form.SpawnPointListBox->Item(0), "01 (-300,64,0)");
}

TEST_F(AppPointEditor, DeletingEmptiesTheListButKeepsTheClass) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(3);
  form.DeleteEntityClick();
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities - 1);
  EXPECT_EQ(Items(*form.EntityListBox), std::vector<std::string>{"09 (100,250,100)"});
  EXPECT_EQ(form.SPAngleEditY->Text(), "45.00");
  form.DeleteEntityClick();
  EXPECT_EQ(form.EntityListBox->Count(), 0);
  EXPECT_EQ(form.EntityTypeComboBox->Item(3), "light");
  EXPECT_EQ(form.SPosXEdit->Text(), "error");
  form.DeleteEntityClick();  // nothing selected: nothing happens
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities - 2);
  // The entity editor lists what is left.
  ShowTab(2);
  EXPECT_EQ(form.EntitysComboBox->Count(), kRoomEntities - 2);
  ShowTab(1);
  EXPECT_EQ(Items(*form.EntityTypeComboBox),
            (std::vector<std::string>{"info_player_start", "info_player_deathmatch",
                                      "func_pendulum", "info_target"}));
}

TEST_F(AppPointEditor, AfterADeletionTheEntityEditorShowsTheEntitiesItNames) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(2);
  PickFound(9);  // the second light
  ShowTab(1);
  PickEntityType(3);
  form.DeleteEntityClick();  // the first light: the entities after it move down
  ShowTab(2);
  EXPECT_EQ(form.EntitysComboBox->Count(), kRoomEntities - 1);
  const int k = form.EntitysComboBox->ItemIndex();
  ASSERT_GE(k, 0);
  const std::string item = form.EntitysComboBox->Item(k);
  const std::string class_name = item.substr(item.find('(') + 1, item.size() - item.find('(') - 2);
  EXPECT_EQ(form.Memo1->Lines().at(1), "\"classname\" \"" + class_name + "\"");
  form.ScanEntityClick();
  EXPECT_EQ(ClassNames(), (std::vector<std::string>{
                              "info_player_start", "info_player_start", "info_player_start",
                              "info_player_deathmatch", "info_player_deathmatch", "func_door",
                              "func_pendulum", "light", "info_target", "worldspawn"}));
}

TEST_F(AppPointEditor, AListEmptiedElsewhereIsNotDrawnWhenTheTabComesBack) {
  BspBuilder map = RoomMapBuilder();
  map.SetEntities(Block({{"classname", "worldspawn"}}) +
                  Block({{"classname", "light"}, {"origin", "8 16 32"}}) +
                  Block({{"classname", "light"}, {"origin", "-8 16 32"}}));
  TForm1& form = StartWith(map.Build());
  ShowTab(1);
  ASSERT_EQ(form.point_count, 2);
  ShowTab(2);
  Search("light", 3);
  form.Button1Click();
  form.Button1Click();
  ASSERT_EQ(form.bsp_file->GetEntityCount(), 1);
  ShowTab(1);
  EXPECT_EQ(form.EntityTypeComboBox->Count(), 0);
  EXPECT_EQ(form.EntityListBox->Count(), 0);
  EXPECT_EQ(form.SPosXEdit->Text(), "error");
  EXPECT_FALSE(Frame(form).Has(kMagenta));
}

TEST_F(AppPointEditor, MovingABrushEntityOfNoGroupMovesItsFacesForTheWallCheck) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(2);  // func_pendulum, drawn with the world's polygons
  EXPECT_EQ(form.SPosXEdit->Text(), "0.00");
  EXPECT_FALSE(form.SPAngleEditY->isEnabled());
  const Frame before(form);
  const QRect old_place = before.Project(-440, -40, -360, 40, 40);
  const QRect new_place = before.Project(-360, 160, -280, 240, 40);
  const int white_before = before.Count(qRgb(255, 255, 255), new_place);
  EXPECT_GT(before.Count(qRgb(255, 255, 255), old_place), 10);

  form.SPosXEdit->SetText("80");
  form.SPosYEdit->SetText("200");
  EXPECT_NE(EntityAt(7).text.find("\"origin\" \"80 200 0\""), std::string::npos);
  // The outlines follow it.
  const Frame after(form);
  EXPECT_GT(after.Count(qRgb(255, 255, 255), new_place), white_before + 10);
  // Its box now takes in the first start.
  ShowTab(0);
  form.SPWallCheckClick();
  EXPECT_EQ(form.bsp_file->GetSpawnPoint(0, 0)->blocked, 1u);
  EXPECT_EQ(form.bsp_file->GetSpawnPoint(0, 1)->blocked, 0u);
}

TEST_F(AppPointEditor, SixHundredLightsAreAllListedAndEachShowsItsOwnPosition) {
  std::string entities = Block({{"classname", "worldspawn"}});
  for (int j = 1; j <= 600; ++j) {
    entities += Block({{"classname", "light"},
                       {"origin", std::to_string(j) + " " + std::to_string(2 * j) + " 8"}});
  }
  BspBuilder map = RoomMapBuilder();
  map.SetEntities(entities);
  TForm1& form = StartWith(map.Build());
  ShowTab(1);
  ASSERT_EQ(form.EntityListBox->Count(), 600);
  EXPECT_EQ(form.point_count, 600);
  EXPECT_EQ(form.EntityListBox->Item(0), "02 (1,2,8)");
  EXPECT_EQ(form.EntityListBox->Item(549), "551 (550,1100,8)");
  PickEntity(549);
  EXPECT_EQ(form.SPosXEdit->Text(), "550.00");
  EXPECT_EQ(form.SPosYEdit->Text(), "1100.00");
  PickEntity(599);
  form.SPosZEdit->SetText("9");
  EXPECT_NE(EntityAt(600).text.find("\"origin\" \"600 1200 9\""), std::string::npos);

  // The entity editor's list grows the same way.
  ShowTab(2);
  ASSERT_EQ(form.EntitysComboBox->Count(), 601);
  EXPECT_EQ(form.EntitysComboBox->Item(600), "601   (light)");
  PickFound(550);
  EXPECT_EQ(form.Memo1->Lines().at(2), "\"origin\" \"550 1100 8\"");
}

TEST_F(AppPointEditor, EachTabsFieldsShowThatTabsSelection) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(3);
  PickEntity(1);
  ASSERT_EQ(form.SPosXEdit->Text(), "100.00");
  // Back in the spawn-point tab the fields show its own first start, with its yaw.
  ShowTab(0);
  EXPECT_EQ(form.SPosXEdit->Text(), "-300.00");
  EXPECT_EQ(form.SPAngleEditY->Text(), "90.00");
  EXPECT_TRUE(form.SPAngleEditY->isEnabled());
  PickSpawnPoint(2);
  ASSERT_EQ(form.SPosXEdit->Text(), "100.40");
  // And here the point editor's: its list starts again at the first class's first entity.
  ShowTab(1);
  EXPECT_EQ(form.SPosXEdit->Text(), "-300.00");
  EXPECT_EQ(form.SPAngleEditY->Text(), "90.00");
  form.SPosXEdit->SetText("-301");
  EXPECT_EQ(EntityAt(1).origin[0], -301);
  EXPECT_EQ(EntityAt(3).origin[0], 100.4f);
}

TEST_F(AppPointEditor, AnEntityWithBothYawKeysShowsAnglesAndTurnsTheCameraByAngle) {
  BspBuilder map = RoomMapBuilder();
  map.SetEntities(Block({{"classname", "worldspawn"}}) + Block({{"classname", "light_spot"},
                                                                {"origin", "32 64 16"},
                                                                {"angles", "0 30 0"},
                                                                {"angle", "60"}}));
  TForm1& form = StartWith(map.Build());
  ShowTab(1);
  EXPECT_EQ(form.SPAngleEditY->Text(), "30.00");
  form.MoveHearClick();
  EXPECT_EQ(form.camera_pos, (Origin{32, 64, 16}));
  EXPECT_EQ(form.CPosAngleEdit->Text(), "60.00");
  // A typed yaw goes to both keys.
  form.SPAngleEditY->SetText("120");
  EXPECT_NE(EntityAt(1).text.find("\"angles\" \"0 120 0\"\n\"angle\" \"120\""), std::string::npos);
}

}  // namespace
}  // namespace tarnwick::test
