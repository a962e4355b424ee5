// Start-up: the configuration, the map named on the command line, the first frame, the tabs and
// the close.
#include <filesystem>

#include "app_test.h"
#include "error.h"

namespace tarnwick::test {
namespace {

using AppStartup = AppTest;

TEST_F(AppStartup, WithoutACommandLineTheWindowIsReadyAndTheViewBlack) {
  TForm1& form = Start();
  EXPECT_EQ(form.windowTitle().toStdString(), "Tarnwick V1.3 By Brannock");
  EXPECT_EQ(form.size(), QSize(620, 440));
  EXPECT_EQ(form.bsp_file, nullptr);
  EXPECT_EQ(Items(*form.SpawnPointBox),
            (std::vector<std::string>{"Counter-Terrorist Start (info_player_start)",
                                      "Terrorist Start (info_player_deathmatch)",
                                      "VIP Start (info_vip_start)", "Hostage (hostage_entity)"}));
  EXPECT_EQ(form.SpawnPointBox->ItemIndex(), 0);
  EXPECT_EQ(form.config.entity_count(), 9);
  // The edits show the fields, and the fields are what the edits say.
  EXPECT_EQ(form.OffsetEdit->Text(), "1000");
  EXPECT_EQ(form.FrontPlanEdit->Text(), "601");
  EXPECT_EQ(form.BackPlanEdit->Text(), "10000");
  EXPECT_EQ(form.SpeadEdit->Text(), "10");
  EXPECT_EQ(form.MinDisEdit->Text(), "90");
  EXPECT_EQ(form.CPosXEdit->Text(), "0.00");
  EXPECT_EQ(form.CPosAngleEdit->Text(), "90.00");
  EXPECT_EQ(form.DrawModeComboBox->ItemIndex(), 1);
  EXPECT_EQ(form.FGDEntitysComboBox->Item(0), "No FGD Loaded");
  // The font size edit shows a size that Enter would apply as it is.
  int32_t size = 0;
  EXPECT_TRUE(ui::StrToInt(form.FontSizeEdit->Text(), size));
  EXPECT_GT(size, 0) << form.FontSizeEdit->Text();
  EXPECT_EQ(size, form.Memo1->FontSize());
  // Spawn point mode, the view where GLPanel lies.
  EXPECT_EQ(form.tab_mode, 0);
  EXPECT_TRUE(form.LeftPanel->isVisible());
  EXPECT_TRUE(form.BottomPanel->isVisible());
  EXPECT_FALSE(form.GLPanel->isVisible());
  EXPECT_FALSE(form.EntityPanel->isVisible());
  EXPECT_TRUE(Frame(form).IsBlack());
}

TEST_F(AppStartup, AQuotedPathOnTheCommandLineOpensTheMapSpacesIncluded) {
  const std::string path = Write("my maps/two words.bsp", RoomMap());
  TForm1& form = Start("\"" + path + "\" -console");
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.command_line, path);
  EXPECT_EQ(form.last_map_path, path);
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities);
  EXPECT_EQ(form.camera_pos, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(form.SpawnPointListBox->Count(), 3);
  EXPECT_EQ(form.EntitysComboBox->Count(), kRoomEntities);
  EXPECT_EQ(form.Memo1->Lines().front(), "{");
  EXPECT_FALSE(Frame(form).IsBlack());
}

TEST_F(AppStartup, ACommandLineWithoutQuotesIsThePathAsItIs) {
  const std::string path = Write("plain.bsp", RoomMap());
  EXPECT_NE(Start(path).bsp_file, nullptr);
  EXPECT_EQ(form().last_map_path, path);
}

TEST_F(AppStartup, AMissingMapOnTheCommandLineIsSkippedSilently) {
  TForm1& form = Start("\"" + Path("gone.bsp") + "\"");
  EXPECT_EQ(form.bsp_file, nullptr);
  EXPECT_EQ(form.last_map_path, "");
  EXPECT_EQ(form.camera_pos, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(form.camera_yaw, 0);
  EXPECT_EQ(form.camera_pitch, 0);
  EXPECT_EQ(form.CPosYEdit->Text(), "0.00");
  EXPECT_TRUE(Frame(form).IsBlack());
}

TEST_F(AppStartup, ADamagedMapOnTheCommandLineShowsTheLoadersMessage) {
  std::vector<uint8_t> map = RoomMap();
  SetVersion(map, 29);
  TForm1& form = Start(Write("old.bsp", map));
  EXPECT_EQ(TakeMessages(),
            std::vector<Message>{ErrorBox("BSPHeader::ReadFile (Version Number Is Not 30)")});
  EXPECT_EQ(form.bsp_file, nullptr);
  EXPECT_TRUE(Frame(form).IsBlack());
}

TEST_F(AppStartup, WithoutConfigCfgThereAreNoSpawnPointTypes) {
  std::filesystem::remove(dir_ / "Config.cfg");
  TForm1& form = Start(Write("room.bsp", RoomMap()));
  EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox("Failed To Open File \"Config.cfg\"")});
  EXPECT_EQ(form.SpawnPointBox->Count(), 0);
  ASSERT_NE(form.bsp_file, nullptr);  // the map loads all the same, without spawn points
  EXPECT_EQ(form.SpawnPointListBox->Count(), 0);
  EXPECT_EQ(form.SPosXEdit->Text(), "error");
  form.AddClick();
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities);
}

TEST_F(AppStartup, ABadConfigCfgShowsItsMessageAndLeavesTheTypesEmpty) {
  WriteFileBytes(Path("Config.cfg"), {'2', '\n'});
  TForm1& form = Start();
  EXPECT_EQ(
      TakeMessages(),
      std::vector<Message>{ErrorBox("Config::Read (ConfigVersionNumber(2) should = 3)\nLine(1)")});
  EXPECT_EQ(form.SpawnPointBox->Count(), 0);
}

TEST_F(AppStartup, TabsShowTheirPanelsAndCaptions) {
  TForm1& form = Start();
  ShowTab(1);
  EXPECT_EQ(form.tab_mode, 1);
  EXPECT_TRUE(form.LeftPanel2->isVisible());
  EXPECT_FALSE(form.LeftPanel->isVisible());
  EXPECT_TRUE(form.BottomPanel->isVisible());
  EXPECT_EQ(form.Label8->text().toStdString(), "Entity -->");
  EXPECT_EQ(form.MoveHear->text().toStdString(), "MoveToEntity");
  EXPECT_FALSE(form.MinDisEdit->isEnabled());
  EXPECT_FALSE(form.SPWallCheck->isEnabled());
  EXPECT_FALSE(form.SPAngleEditY->isEnabled());
  EXPECT_FALSE(form.AddEntity->isEnabled());
  // No map: the class and model lists stay as they were.
  EXPECT_EQ(form.EntityTypeComboBox->Count(), 0);
  ShowTab(2);
  EXPECT_TRUE(form.EntityPanel->isVisible());
  EXPECT_FALSE(form.BottomPanel->isVisible());
  ShowTab(3);
  EXPECT_TRUE(form.RightPanel3->isVisible());
  EXPECT_TRUE(form.BottomPanel2->isVisible());
  EXPECT_EQ(form.ModelComboBox->Count(), 0);
  ShowTab(0);
  EXPECT_EQ(form.tab_mode, 0);
  EXPECT_TRUE(form.LeftPanel->isVisible());
  EXPECT_FALSE(form.LeftPanel2->isVisible());
  EXPECT_EQ(form.Label8->text().toStdString(), "SpawnPoint -->");
  EXPECT_EQ(form.MoveHear->text().toStdString(), "MoveToSpawn");
  EXPECT_TRUE(form.MinDisEdit->isEnabled());
  EXPECT_TRUE(form.SPWallCheck->isEnabled());
  EXPECT_TRUE(form.SPAngleEditY->isEnabled());
}

TEST_F(AppStartup, ClosingReleasesTheMapTheCacheAndTheFgd) {
  TForm1& form = StartWith(RoomMap());
  Answer(DataFile("sample.fgd"));
  form.LoadFDGButtonClick();
  ASSERT_NE(form.fgd_file, nullptr);
  form.hide();
  EXPECT_EQ(form.bsp_file, nullptr);
  EXPECT_EQ(form.fgd_file, nullptr);
  EXPECT_FALSE(form.gcf.IsOpen());
  EXPECT_TRUE(form.found_entitys.empty());
  EXPECT_EQ(form.point_count, 0);
}

}  // namespace
}  // namespace tarnwick::test
