// The load and save buttons: maps from disk, the failures a user meets, and saved edits that come
// back with the file.
#include <algorithm>
#include <filesystem>

#include "app_test.h"
#include "error.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

using AppLoadSave = AppTest;

TEST_F(AppLoadSave, LoadingAMapResetsTheCameraAndFillsTheLists) {
  TForm1& form = Start();
  const std::string path = Write("room.bsp", RoomMap());
  form.CPosXEdit->SetText("55");
  form.CPosAngleEdit->SetText("10");
  Load(path);
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_FALSE(dialogs_[0].save);
  EXPECT_EQ(dialogs_[0].filter, "H-L MapFiles (*.bsp)|*.bsp|Steam .gcf File (*.gcf)|*.gcf");
  EXPECT_EQ(dialogs_[0].title, "Load Half-Life Map");
  EXPECT_EQ(dialogs_[0].file_name, "");
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.last_map_path, path);
  EXPECT_EQ(form.camera_pos, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(form.camera_yaw, 0);
  EXPECT_EQ(form.CPosXEdit->Text(), "0.00");
  EXPECT_EQ(form.CPosAngleEdit->Text(), "90.00");
  EXPECT_EQ(Items(*form.SpawnPointListBox),
            (std::vector<std::string>{"01 (-300,200,0)", "02 (-300,-200,0)", "03 (100,-20,37)"}));
  EXPECT_EQ(form.EntitysComboBox->Count(), kRoomEntities);
  // The models are listed, none chosen until the model viewer is shown.
  EXPECT_EQ(Items(*form.ModelComboBox), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(form.ModelComboBox->ItemIndex(), -1);

  // The room's white outline, the spawn points and the camera are in the frame.
  const Frame frame(form);
  EXPECT_GT(frame.Count(qRgb(255, 255, 255)), 100);
  EXPECT_TRUE(frame.Has(kYellow));
  EXPECT_TRUE(frame.Has(kGreen));

  // The next dialog starts at the last map.
  Answer(std::nullopt);
  form.LoadButtonClick();
  EXPECT_EQ(dialogs_.back().file_name, path);
  EXPECT_NE(form.bsp_file, nullptr);
}

TEST_F(AppLoadSave, AnEmptyFileLeavesNoMapAndABlackView) {
  TForm1& form = StartWith(RoomMap());
  ASSERT_FALSE(Frame(form).IsBlack());
  Load(Write("empty.bsp", {}));
  EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox("LoadFile Error (file_size_<=0)")});
  EXPECT_EQ(form.bsp_file, nullptr);
  EXPECT_TRUE(Frame(form).IsBlack());
  // Without a map the editors do nothing.
  form.AddClick();
  form.DeleteClick();
  form.MoveHearClick();
  form.SPosXEditChange();
  EXPECT_EQ(form.bsp_file, nullptr);
}

TEST_F(AppLoadSave, ADamagedMapShowsTheLoadersMessageAndAMissingFileNothing) {
  TForm1& form = StartWith(RoomMap());
  std::vector<uint8_t> damaged = RoomMap();
  Truncate(damaged, 100);
  Load(Write("short.bsp", damaged));
  EXPECT_EQ(TakeMessages(), std::vector<Message>{
                                ErrorBox("BSPFile::BSPFile (file_size_ to small to load header)")});
  EXPECT_EQ(form.bsp_file, nullptr);

  Load(Path("test.bsp"));
  ASSERT_NE(form.bsp_file, nullptr);
  Load(Path("nowhere.bsp"));
  EXPECT_EQ(TakeMessages(), std::vector<Message>{});
  EXPECT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.last_map_path, Path("nowhere.bsp"));
}

TEST_F(AppLoadSave, ACacheNamedInCapitalsIsReadAsAMap) {
  GcfWriter cache;
  cache.AddFile("room.bsp", RoomMap());
  TForm1& form = Start();
  Load(Write("maps.GCF", cache.Build()));
  EXPECT_EQ(TakeMessages(),
            std::vector<Message>{ErrorBox("BSPHeader::ReadFile (Version Number Is Not 30)")});
  EXPECT_EQ(form.bsp_file, nullptr);
  EXPECT_FALSE(picker().isVisible());
  EXPECT_FALSE(form.gcf.IsOpen());
}

TEST_F(AppLoadSave, SavingWithoutAMapSaysSo) {
  TForm1& form = Start();
  form.SaveButtonClick();
  EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox("No File To Save")});
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(AppLoadSave, ACancelledSaveWritesNothingAndAFailedOneSaysWhy) {
  TForm1& form = StartWith(RoomMap(), "room.bsp");
  Answer(std::nullopt);
  form.SaveButtonClick();
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_TRUE(dialogs_[1].save);
  EXPECT_EQ(dialogs_[1].filter, "H-L MapFiles (*.bsp)|*.bsp");
  EXPECT_EQ(dialogs_[1].file_name, Path("room.bsp"));
  Answer(Path("no such folder/room.bsp"));
  form.SaveButtonClick();
  EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox("BSPFile::SaveFile (invalid file)")});
  EXPECT_NE(form.bsp_file, nullptr);
  EXPECT_FALSE(std::filesystem::exists(Path("no such folder")));
}

TEST_F(AppLoadSave, LoadingInThePointEditorRefillsItsClasses) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  ASSERT_EQ(form.EntityTypeComboBox->Item(0), "info_player_start");
  BspBuilder other = RoomMapBuilder();
  other.SetEntities(Block({{"classname", "worldspawn"}}) +
                    Block({{"classname", "light"}, {"origin", "8 16 32"}}) +
                    Block({{"classname", "light"}, {"origin", "-8 16 32"}}));
  Load(Write("lights.bsp", other.Build()));
  EXPECT_EQ(Items(*form.EntityTypeComboBox), std::vector<std::string>{"light"});
  EXPECT_EQ(Items(*form.EntityListBox),
            (std::vector<std::string>{"02 (8,16,32)", "03 (-8,16,32)"}));
  EXPECT_EQ(form.SPosXEdit->Text(), "8.00");
  EXPECT_FALSE(Frame(form).IsBlack());
}

TEST_F(AppLoadSave, AMapWithFewerEntitiesLoadsWhileThePointEditorListsManyMore) {
  // The point list of the old map must not be drawn with the new map's entities.
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(3);  // light, entities 8 and 9
  ASSERT_EQ(form.point_count, 2);
  BspBuilder small = RoomMapBuilder();
  small.SetEntities(Block({{"classname", "worldspawn"}}));
  Load(Write("small.bsp", small.Build()));
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.EntityTypeComboBox->Count(), 0);
  EXPECT_EQ(form.SPosXEdit->Text(), "error");
  Frame frame(form);
  EXPECT_FALSE(frame.Has(kMagenta));
  EXPECT_FALSE(frame.Has(kYellow));
  // The empty class list leaves the old points out of the next tab switch's frames too.
  ShowTab(0);
  ShowTab(1);
  EXPECT_FALSE(Frame(form).Has(kMagenta));
}

TEST_F(AppLoadSave, EditsAreSavedAndComeBackWithTheFile) {
  TForm1& form = StartWith(RoomMap(), "room.bsp");
  // Spawn point editor: move the second start and add one at the camera.
  PickSpawnPoint(1);
  form.SPosXEdit->SetText("-250");
  form.SPAngleEditY->SetText("30");
  form.CPosXEdit->SetText("64");
  form.CPosYEdit->SetText("-32");
  form.AddClick();
  // Point editor: the angle-only light turns.
  ShowTab(1);
  PickEntityType(3);
  PickEntity(1);
  form.SPAngleEditY->SetText("135");
  // Entity editor: a new entity, the door deleted, the world's message changed.
  ShowTab(2);
  form.Button2Click();
  Search("func_door", 3);
  form.Button1Click();
  Search("worldspawn", 3);
  std::vector<std::string> lines = form.Memo1->Lines();
  ASSERT_EQ(lines[2], "\"message\" \"room\"");
  lines[2] = "\"message\" \"saved room\"";
  form.Memo1->Clear();
  for (const std::string& line : lines) form.Memo1->AddLine(line);
  form.ScanEntityClick();
  Answer(Path("saved.bsp"));
  form.SaveButtonClick();
  EXPECT_EQ(form.last_map_path, Path("room.bsp"));  // saving does not change it
  EXPECT_TRUE(std::filesystem::exists(Path("saved.ent")));
  // What was saved, as the map holds it after the save; a block read back ends at its brace.
  const std::vector<std::string> names = ClassNames();
  std::vector<std::string> texts;
  for (const Entity& e : form.bsp_file->entities) {
    texts.push_back(e.text.substr(0, e.text.rfind('}') + 1));
  }

  ShowTab(0);
  Load(Path("saved.bsp"));
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(ClassNames(), names);
  std::vector<std::string> loaded;
  for (const Entity& e : form.bsp_file->entities) loaded.push_back(e.text);
  EXPECT_EQ(loaded, texts);
  EXPECT_EQ(Items(*form.SpawnPointListBox),
            (std::vector<std::string>{"01 (-300,200,0)", "02 (-250,-200,0)", "03 (100,-20,37)",
                                      "04 (64,-32,0)"}));
  PickSpawnPoint(1);
  EXPECT_EQ(form.SPAngleEditY->Text(), "30.00");
  EXPECT_EQ(names.back(), "worldspawn");
  EXPECT_NE(texts.back().find("\"message\" \"saved room\""), std::string::npos);
  EXPECT_EQ(std::count(names.begin(), names.end(), "new_entity"), 1);
  EXPECT_EQ(std::count(names.begin(), names.end(), "func_door"), 0);
  const auto light = std::find_if(texts.begin(), texts.end(), [](const std::string& t) {
    return t.find("\"origin\" \"100 250 100\"") != std::string::npos;
  });
  ASSERT_NE(light, texts.end());
  EXPECT_NE(light->find("\"angle\" \"135\""), std::string::npos);
}

}  // namespace
}  // namespace tarnwick::test
