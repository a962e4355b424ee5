// The load and save buttons: maps from disk, the failures a user meets, and saved edits that come
// back with the file.
#include "app_test.h"

namespace tarnwick::test {

using AppLoadSave = AppTest;

TEST_F(AppLoadSave, LoadsResetTheCameraAndEveryFailureIsReportedLeavingNoMapAndABlackView) {
  Bytes short_map = RoomMap(), old_map = RoomMap();
  Truncate(short_map, 100);
  SetVersion(old_map, 29);
  const std::pair<std::string, std::string> cases[] = {
      {Write("empty.bsp", {}), "LoadFile Error (file_size_<=0)"},
      {Write("short.bsp", short_map), "BSPFile::BSPFile (file_size_ to small to load header)"},
      {Write("old.bsp", old_map), "BSPHeader::ReadFile (Version Number Is Not 30)"}};
  TForm1& form = Start();
  form.SaveButtonClick();
  EXPECT_EQ(TakeMessages(), Lines{"Error: No File To Save"});
  for (const auto& [path, error] : cases) {
    form.CPosXEdit->SetText("55");
    Load(Write("room.bsp", RoomMap()));
    EXPECT_EQ(form.CPosXEdit->Text(), "0.00");
    EXPECT_EQ(form.EntitysComboBox->Count(), kRoomEntities);
    ASSERT_GT(Frame(form).Count(kWhite), 100);
    Load(path);
    EXPECT_EQ(TakeMessages(), Lines{"Error: " + error});
    EXPECT_EQ(form.bsp_file, nullptr);
    EXPECT_TRUE(Frame(form).IsBlack());
  }
  Load(Path("room.bsp"));
  Answer(Path("no such folder/room.bsp"));
  form.SaveButtonClick();
  EXPECT_EQ(TakeMessages(), Lines{"Error: BSPFile::SaveFile (invalid file)"});
  Load(Path("nowhere.bsp"));  // a file that is not there is passed over in silence
  EXPECT_NE(form.bsp_file, nullptr);
}

TEST_F(AppLoadSave, EditsAreSavedAndComeBackWithTheFile) {
  TForm1& form = StartWith(RoomMap());
  PickSpawnPoint(1);  // the spawn point editor moves the second start and adds one at the camera
  form.SPosXEdit->SetText("-250");
  form.SPAngleEditY->SetText("30");
  form.CPosXEdit->SetText("64");
  form.AddClick();
  ShowTab(1);  // the point editor turns the angle-only light
  PickEntityType(3);
  PickEntity(1);
  form.SPAngleEditY->SetText("135");
  ShowTab(2);  // the entity editor adds an entity, deletes the door and changes the message
  form.Button2Click();
  Search("func_door", 3);
  form.Button1Click();
  Search("worldspawn", 3);
  SetText({"{", "\"classname\" \"worldspawn\"", "\"message\" \"saved room\"", "}"});
  form.ScanEntityClick();
  Answer(Path("saved.bsp"));
  form.SaveButtonClick();
  // What was saved, as the map holds it after the save; a block read back ends at its brace.
  Lines texts = Each(&Entity::text);
  for (std::string& text : texts) text.erase(text.rfind('}') + 1);
  ShowTab(0);
  Load(Path("saved.bsp"));
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(Each(&Entity::text), texts);
  EXPECT_EQ(Items(*form.SpawnPointListBox),
            (Lines{"01 (-300,200,0)", "02 (-250,-200,0)", "03 (100,-20,37)", "04 (64,0,0)"}));
  // Entities after the door moved down; the world edited in the entity editor stayed first.
  EXPECT_TRUE(Holds(0, "\"message\" \"saved room\""));
  EXPECT_TRUE(Holds(2, "\"angles\" \"0 30 0\""));
  EXPECT_TRUE(Holds(8, "\"angle\" \"135\""));
  EXPECT_EQ(EntityAt(6).class_name, "func_pendulum");
  EXPECT_EQ(EntityAt(kRoomEntities).class_name, "new_entity");
}

}  // namespace tarnwick::test
