// Start-up: the configuration, the map named on the command line and the first frame.
#include <filesystem>

#include "app_test.h"

namespace tarnwick::test {

using AppStartup = AppTest;

TEST_F(AppStartup, AQuotedCommandLineMapOpensAndWithoutOneOrWhenMissingTheViewIsBlack) {
  const std::string path = Write("my maps/two words.bsp", RoomMap());
  const std::string gone = Path("gone.bsp");
  for (const std::string& command_line : {std::string(), '"' + gone + '"'}) {
    Start(command_line);
    EXPECT_EQ(form_->bsp_file, nullptr);  // and nothing is said
    EXPECT_TRUE(Frame(*form_).IsBlack());
  }
  // Enter in the font size edit applies the size it shows, which is never -1.
  EXPECT_EQ(form_->FontSizeEdit->Text(), std::to_string(form_->Memo1->FontSize()));
  EXPECT_GT(form_->Memo1->FontSize(), 0);
  Start("\"" + path + "\" -console");
  ASSERT_NE(form_->bsp_file, nullptr);
  EXPECT_EQ(form_->last_map_path, path);
  EXPECT_FALSE(Frame(*form_).IsBlack());
}

TEST_F(AppStartup, WithoutConfigCfgItSaysSoAndThereAreNoSpawnPointTypes) {
  std::filesystem::remove(dir_ / "Config.cfg");
  TForm1& form = Start(Write("room.bsp", RoomMap()));
  EXPECT_EQ(TakeMessages(), Lines{"Error: Failed To Open File \"Config.cfg\""});
  EXPECT_EQ(form.SpawnPointBox->Count(), 0);
  ASSERT_NE(form.bsp_file, nullptr);  // the map loads all the same, without spawn points
  form.AddClick();
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities);
}

}  // namespace tarnwick::test
